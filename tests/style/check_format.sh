#!/usr/bin/env bash
# The C++ sources as .clang-format writes them.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2
command -v clang-format >/dev/null || { echo "clang-format is missing (./test.sh installs it)"; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c' 2>/dev/null || find core engine convert ibus qt cli tests bench tools -name '*.cpp' -o -name '*.h')
[ ${#files[@]} -gt 0 ] || { echo "no sources found"; exit 1; }
if ! clang-format --dry-run -Werror "${files[@]}"; then
  echo "format: run clang-format -i on the files above"
  exit 1
fi
echo "format: ${#files[@]} files as .clang-format writes them"
