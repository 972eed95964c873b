#!/usr/bin/env bash
# Each layer includes only the layers below it: core/ <- engine/, convert/
# <- x11/ <- ibus/, fcitx5/, qt/, cli/. Project headers are named from the
# root ("core/Utils.h"), and the toolkits stay where they belong: no IBus,
# GLib, X or Qt below the programs, except IBus's lookup table in the
# suggestion list and the GObject holder it uses; X only in x11/ and the
# bindings; IBus only in its binding, Fcitx only in its own.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2
status=0

# layer: the folders its project includes may name
declare -A allowed=(
  [core]="core"
  [engine]="core engine"
  [convert]="core convert"
  [x11]="core engine x11"
  [ibus]="core engine x11 ibus"
  [fcitx5]="core engine x11 fcitx5"
  [qt]="core engine convert qt"
  [cli]="core engine convert cli"
)
toolkits='<(ibus|glib|gio|gtk|X11/|Q[A-Za-z]*)[^>]*>'

for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  while IFS= read -r line; do
    file=${line%%:*}
    name=$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$line")
    case $name in
      ui_*.h | *.moc) continue ;; # generated beside the form or test
    esac
    folder=${name%%/*}
    if [ "$folder" = "$name" ]; then
      echo "$file: \"$name\" does not name its layer (\"core/...\", \"engine/...\")"
      status=1
    elif ! grep -qw "$folder" <<<"${allowed[$layer]}"; then
      echo "$file: $layer/ may not include \"$name\""
      status=1
    fi
  done < <(grep -rHE '^\s*#\s*include\s+"' "$layer" --include='*.h' --include='*.cpp')
  case $layer in
    core | engine | convert)
      while IFS= read -r line; do
        case ${line%%:*} in
          engine/SuggestionUI.cpp) [[ $line == *'<ibus.h>'* ]] && continue ;;
          engine/Handles.h) [[ $line == *'<glib-object.h>'* ]] && continue ;;
        esac
        echo "${line%%:*}: $layer/ may not include a toolkit: ${line#*:}"
        status=1
      done < <(grep -rHE "^\s*#\s*include\s+$toolkits" "$layer" --include='*.h' --include='*.cpp')
      ;;
    x11 | fcitx5 | qt)
      while IFS= read -r line; do
        echo "${line%%:*}: $layer/ may not include IBus: ${line#*:}"
        status=1
      done < <(grep -rHE '^\s*#\s*include\s+<ibus' "$layer" --include='*.h' --include='*.cpp')
      ;;
  esac
  if [ "$layer" != fcitx5 ]; then
    while IFS= read -r line; do
      echo "${line%%:*}: $layer/ may not include Fcitx: ${line#*:}"
      status=1
    done < <(grep -rHE '^\s*#\s*include\s+<fcitx' "$layer" --include='*.h' --include='*.cpp')
  fi
done
[ $status -eq 0 ] && echo "layers: every include names its layer and points down"
exit $status
