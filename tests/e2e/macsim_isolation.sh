#!/usr/bin/env bash
# What the sim promises about this machine: nothing it writes reaches it
# (except through the checkout and --bind), nothing it starts outlives it,
# a state folder keeps a Mac between runs, and failures to set up are clear.
. "$(dirname "$0")/lib/e2e.sh"
scratch_dir

[[ -e /Applications || -e /opt/homebrew || -e /Users ]] &&
    skip "this machine already has /Applications, /opt/homebrew or /Users, so the checks below would prove nothing"

marker="macsim-e2e-$$-$RANDOM"
open_to_the_user "$E2E_SCRATCH/shared"
sim --scenario developer --bind "$E2E_SCRATCH/shared" -- sh -c "
echo macsim | sudo -S -p '' touch /usr/bin/$marker /etc/$marker; mkdir -p /Applications/$marker.app
/opt/homebrew/bin/brew install --cask chatgpt >/dev/null
echo inside >'$E2E_SCRATCH/shared/through-bind'
test -r '$SOURCE_DIR/CMakeLists.txt' && echo 'checkout visible'
(sleep 300 $marker &) ; sleep 300 $marker &
echo started; exit 3"
expect_status 3 "the command's exit status comes back"
expect_output "checkout visible" "the checkout is mounted at its own path"
for path in /Applications /Users /opt/homebrew /System/Library/CoreServices/SystemVersion.plist \
    "/usr/bin/$marker" "/etc/$marker"; do
    if [[ -e $path ]]; then fail "$path does not exist on this machine afterwards" "it does"; else pass "$path does not exist on this machine afterwards"; fi
done
if [[ $(cat "$E2E_SCRATCH/shared/through-bind" 2>/dev/null) == inside ]]; then
    pass "a --bind folder is shared with this machine"
else
    fail "a --bind folder is shared with this machine" "the file written inside is missing"
fi

survivors() {
    local cmdline pids=()
    for cmdline in /proc/[0-9]*/cmdline; do
        [[ $(tr '\0' ' ' 2>/dev/null <"$cmdline") == *"$marker"* ]] && pids+=("${cmdline//[^0-9]/}")
    done
    echo "${pids[*]}"
}
left=$(survivors)
for ((i = 0; i < 20 && ${#left}; i++)); do sleep 0.1; left=$(survivors); done
if [[ -z $left ]]; then pass "nothing started inside outlives the sim (not even a daemonised sleep)"; else fail "nothing started inside outlives the sim" "still running: $left"; fi

# The command is not the namespace's init, so signals reach it: timeout(1)
# stops a long command (and the sim with it) at once.
start=$SECONDS
SIM_OUTPUT=$(timeout -s TERM 2 "$MACSIM" -- sleep 120 2>&1)
SIM_STATUS=$?
expect_status 124 "timeout(1) stops a command inside the sim"
if ((SECONDS - start < 60)); then pass "…right away"; else fail "…right away" "it took $((SECONDS - start)) s"; fi
sim -- sh -c 'kill -TERM $$'
expect_status 143 "a command killed by a signal reports it as 128 + the signal"
expect_no_output "Terminated" "…without a note from the sim's own shell"

state=$E2E_SCRATCH/state
sim --state "$state" --scenario fresh-intel -- sh -c 'echo remembered >~/note; /usr/bin/uname -m'
expect_line '^x86_64$' "a new state folder takes the scenario"
sim --state "$state" -- sh -c 'cat ~/note; uname -m; cat /System/Library/CoreServices/SystemVersion.plist >/dev/null && echo laid-out'
expect_output "remembered" "the state folder keeps the Mac's changes"
expect_line '^x86_64$' "…and its scenario"
sim --state "$state" --set arch=arm64 -- uname -m
expect_line '^arm64$' "--set overrides a scenario key for one run"
sim --state "$state" -- uname -m
expect_line '^x86_64$' "…and only for that run"
sim --state "$state" --scenario developer -- true
expect_status 125 "a state folder refuses another scenario"
expect_output "holds the scenario 'fresh-intel', not 'developer'" "…saying why"
if [[ -f $state/upper/Users/maya/note ]]; then pass "the changes live in the state folder's upper layer"; else fail "the changes live in the state folder's upper layer" "no $state/upper/Users/maya/note"; fi

sim -- sh -c 'test -e ~/note && echo "leaked"; echo done'
expect_no_output "leaked" "without --state each run starts from a fresh Mac"

sim --scenario no-such-scenario -- true
expect_status 125 "an unknown scenario fails to set up"
sim --set 'Bad Key=1' -- true
expect_status 125 "a malformed --set fails to set up"
sim -- /no/such/program
expect_status 127 "a missing command is reported as such"

if command -v setpriv >/dev/null; then
    SIM_OUTPUT=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$MACSIM" -- true 2>&1)
    SIM_STATUS=$?
    expect_status 125 "without root the sim does not start"
    expect_output "must run as root" "…and says it needs root"
    SIM_OUTPUT=$(setpriv --reuid=65534 --regid=65534 --clear-groups "$MACSIM" --check 2>&1)
    SIM_STATUS=$?
    expect_status 1 "--check reports that the sim cannot run without root"
fi

finish
