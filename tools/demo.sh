#!/usr/bin/env bash
# The demo behind `tools/run.sh --demo`: the whole fresh-Mac journey through
# the real window in the simulated Mac, without a display. One screenshot per
# screen (progress screens mid-run too) lands in build/demo/, with
# build/demo/index.html showing them in order with their captions.
#
#   VARNEL_BUILD_DIR=build/release bash tools/demo.sh [SCENARIO]
set -u
scenario=${1:-fresh-apple-silicon}
demo=$(cd "$(dirname "$0")/.." && pwd)/build/demo
. "$(dirname "$0")/../tests/e2e/lib/e2e.sh"
. "$E2E_DIR/lib/journey.sh"

rm -rf "$demo"
JOURNEY_SHOTS=$demo journey "$scenario"
printf '%s\n' "$SIM_OUTPUT" | grep -E '^(step [0-9]+:|FAIL|journey:|longest UI-thread stall:)'

html_escape() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g' -e 's/"/\&quot;/g'; }
{
    cat <<HTML
<!doctype html>
<html lang="en"><head><meta charset="utf-8">
<title>Varnel for the Command Line — a fresh Mac, screen by screen</title>
<style>
body { font: 14px -apple-system, "Helvetica Neue", sans-serif; margin: 24px; background: #f4f4f4; }
h1 { font-size: 20px; }
.sheet { display: grid; grid-template-columns: repeat(auto-fill, minmax(300px, 1fr)); gap: 18px; }
figure { margin: 0; background: #fff; border: 1px solid #ddd; border-radius: 8px; padding: 8px; }
figure img { width: 100%; border: 1px solid #eee; }
figcaption { margin-top: 6px; }
figcaption b { color: #888; margin-right: 6px; }
</style></head><body>
<h1>A fresh Mac ($(printf '%s' "$scenario" | html_escape)), screen by screen</h1>
<div class="sheet">
HTML
    n=0
    while IFS=$'\t' read -r file caption; do
        n=$((n + 1))
        printf '<figure><a href="%s"><img src="%s" alt=""></a><figcaption><b>%d</b>%s</figcaption></figure>\n' \
            "$file" "$file" "$n" "$(printf '%s' "$caption" | html_escape)"
    done < <(cat "$demo/shots.tsv" 2>/dev/null)
    echo '</div></body></html>'
} >"$demo/index.html"
echo "demo: $n screens in $demo/index.html"
grep -q '^driver status 0$' <<<"$SIM_OUTPUT"
