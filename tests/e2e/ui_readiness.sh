#!/usr/bin/env bash
# The readiness checks in the real window: a fresh simulated Mac is a healthy
# Mac (about 200 GB free, its internet up), so the summary's Continue leads
# straight to the first stage; a slow or unreachable network and a low disk
# each stop at their warning. The app's usage events reach the sim's
# telemetry backend.
. "$(dirname "$0")/lib/e2e.sh"
driver=$(build_program varnel-e2e-driver) || { echo "$driver"; exit 1; }
output=$VARNEL_BUILD_DIR/test-output/readiness
open_to_the_user "$output"

# continue_from_summary [MACSIM OPTIONS…]: consent, Check my setup, Continue.
continue_from_summary() {
    sim "$@" --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=0 -- bash -c '
"$0" --timeout 60 --screenshot "$1" --continue --expect "Command Line Tools: not installed" \
    --expect "Shell configuration: not installed" --expect "Homebrew: not installed"
echo "driver status $?"
cat /var/log/macsim/telemetry.jsonl 2>/dev/null' "$driver" "$output/summary.png"
}

continue_from_summary
expect_output "driver status 0" "a fresh Mac: the driver reaches the summary and presses Continue"
expect_line '^next: stage-clt$' "…which leads straight to the first stage"
expect_no_output "XDG_RUNTIME_DIR" "…and Qt finds the session's runtime folder"
expect_output '"event_name":"app_launched"' "the telemetry backend recorded app_launched"
expect_output '"event_name":"network_check","event_data":{"verdict":"ok"' "…and the network check's ok"

continue_from_summary --set network=slow
expect_line '^next: readiness-warning$' "network=slow: a readiness warning follows the summary"
expect_line '^readiness: Slow Internet Connection$' "…about the slow connection"

continue_from_summary --set network=down
expect_line '^readiness: We can.t reach the servers needed to install$' "network=down: the servers are unreachable"

continue_from_summary --set disk=low
expect_line '^readiness: Low on disk space$' "disk=low: the disk warning"
expect_output "Your Mac has about 20 GB free right now." "…with the home volume's free space"

finish
