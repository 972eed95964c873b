#!/usr/bin/env bash
# The build, the generators and the tests read nothing outside the
# repository: no file of it names a place beside or above the checkout.
# The list of the package's files is left out: its links point within the
# installed package.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
pattern='\.\./shared|LIRANO_SHARED_DIR|\.\./\.\./[A-Za-z]|"\.\.", "\.\."'
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  hits=$(git grep -nIE "$pattern" -- ':!data/' ':!tests/data/check_self_contained.sh' ':!packaging/installed-files.txt' || true)
else
  hits=$(grep -rnIE "$pattern" --exclude-dir=data --exclude-dir='build*' --exclude=check_self_contained.sh --exclude=installed-files.txt . || true)
fi
if [ -n "$hits" ]; then
  echo "these lines name a path outside the repository:"
  echo "$hits"
  exit 1
fi
echo "nothing outside the repository is named"
