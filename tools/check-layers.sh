#!/usr/bin/env bash
# Checks that every engine folder includes only folders at or below its own
# level, and that the engine never includes the screens or the app.
# Bottom to top; the order is drawn in docs/ARCHITECTURE.md.
set -euo pipefail
cd "$(dirname "$0")/.."
order=(services probing shellconfig agents remediation telemetry workflow javamedic config)
declare -A level
for i in "${!order[@]}"; do level[${order[$i]}]=$i; done

status=0
for dir in "${order[@]}"; do
  while IFS=: read -r file line text; do
    target=$(sed -E 's/.*#include "(engine\/)?([^/"]+)\/.*/\2/' <<<"$text")
    if [[ $target == ui || $target == app ]] ||
       [[ -n ${level[$target]:-} && ${level[$target]} -gt ${level[$dir]} ]]; then
      echo "$file:$line: $dir must not include $target ($text)"
      status=1
    fi
  done < <(grep -n -H -E '^\s*#\s*include "[^"]+/' engine/"$dir"/* || true)
done
for dir in engine/*/; do
  dir=${dir#engine/}; dir=${dir%/}
  [[ -n ${level[$dir]:-} ]] || { echo "engine/$dir has no place in the folder order"; status=1; }
done
exit $status
