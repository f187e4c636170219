#!/usr/bin/env bash
# Installing a cask changes the next profile: varnel-doctor before and after
# `brew install --cask warp` in one simulated Mac, with Homebrew on the PATH.
. "$(dirname "$0")/lib/e2e.sh"
require_jq
scratch_dir
program=$(build_program varnel-doctor) || { echo "$program"; exit 1; }

# The reports land in a folder of this machine, mounted into the sim.
open_to_the_user "$E2E_SCRATCH"
sim --scenario java-none --bind "$E2E_SCRATCH" -- zsh -c '
"$1" --json >"$2/before.json"; echo "before status $?"
zsh -lc "brew install --cask warp"; echo "brew status $?"
"$1" --json >"$2/after.json"; echo "after status $?"' zsh "$program" "$E2E_SCRATCH"
expect_output "brew status 0" "brew install --cask warp succeeds in a login shell"
expect_output "==> Moving App 'Warp.app' to '/Applications/Warp.app'" "…and moves Warp.app into /Applications"

DOCTOR_JSON=$(cat "$E2E_SCRATCH/before.json" 2>/dev/null || echo '{}')
expect_json '.stages[] | select(.domain == "warp") | [.classification, .actions]' '["fixable",["brew:warp"]]' \
    "before: the Warp stage offers brew:warp"
expect_json '.profile.terminals' '[]' "before: no terminal found"
expect_json '.profile.aiTooling | index("warp")' 'null' "before: Warp is not among the AI tools"
expect_json '.summaryLines' '["Command Line Tools: installed","Shell configuration: not installed","Homebrew: installed"]' \
    "before: the summary (Warp has no line)"

DOCTOR_JSON=$(cat "$E2E_SCRATCH/after.json" 2>/dev/null || echo '{}')
expect_json '.stages[] | select(.domain == "warp") | [.classification, .actions, .headline]' \
    '["ready",[],"Warp is installed"]' "after: the Warp stage is ready with nothing to do"
expect_json '.profile.terminals' '["warp"]' "after: Warp is found as a terminal"
expect_json '.profile.aiTooling' '["warp"]' "after: …and among the AI tools"
expect_json '.summaryLines' '["Command Line Tools: installed","Shell configuration: not installed","Homebrew: installed"]' \
    "after: the summary lines are unchanged"
expect_output "after status 1" "after: still not ready while the shell is not configured"

finish
