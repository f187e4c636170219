#!/usr/bin/env bash
# The password dialog in the real window, on a fresh Apple Silicon Mac: three
# wrong passwords (the real sudo asks three times) and then a dismissed
# dialog at the Command Line Tools, and a dismissed dialog at Homebrew. Each
# install ends canceled, not failed, the workflow stays on the stage, still
# to do, and pressing the action again with the right password installs it.
# Nothing of the dismissed runs stays behind.
. "$(dirname "$0")/lib/e2e.sh"
. "$(dirname "$0")/lib/install-driver.sh"
ui=$(build_program varnel-e2e-driver) || { echo "$ui"; exit 1; }

# One launch of the app per stage, pressing its action until it installs.
sim_session "${DRIVER_SIM[@]}" --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- bash -c "$DRIVE
ui=$(printf '%q' "$ui")"'
launch() {  # launch STAGE=ACTION…: one app, the actions in turn
    local before arguments=()
    for action; do arguments+=(--install "$action"); done
    pids && before=$REPLY
    "$ui" --timeout 60 "${arguments[@]}"
    echo "driver status $?"
    left_behind "$before"
    echo "dialogs: $(cut -f1 /var/log/macsim/dialogs.log | tr "\n" " ")"
    : >/var/log/macsim/dialogs.log
}
printf "wrong\nwrong\nwrong\ncancel\n" >/run/macsim/dialog-answers
run clt launch clt=clt clt=clt clt=clt
echo "xcode-select: $(/usr/bin/xcode-select -p 2>&1)"
printf "cancel\n" >/run/macsim/dialog-answers
run homebrew launch homebrew=homebrew homebrew=homebrew
test -x /opt/homebrew/bin/brew && echo "brew is there"'

# results: the installs' results and the stage's verdicts after each, in order.
results() {
    echo "$(grep -oE '^result: [a-z]+' <<<"$SIM_OUTPUT" | cut -d' ' -f2 | tr '\n' ' ')|$(grep -oE "^stage $1: [a-z]+" <<<"$SIM_OUTPUT" | cut -d' ' -f3 | tr '\n' ' ')"
}

section clt
expect_output "driver status 0" "clt: the driver pressed the action three times"
expect_output "sudo: 3 incorrect password attempts" "…sudo refused three wrong passwords"
got=$(results clt)
if [[ $got == "canceled canceled success |fixable fixable ready " ]]; then
    pass "…three wrong passwords and a dismissed dialog each end canceled with the stage still to do; the retry installs"
else
    fail "…three wrong passwords and a dismissed dialog each end canceled with the stage still to do; the retry installs" \
        "results|verdicts: $got"
    show_output
fi
expect_no_output "result: failure" "…nothing reads as a failure"
expect_line '^step: stage clt$' "…the workflow stays on the Command Line Tools stage"
expect_output "dialogs: OK OK OK Cancel OK " "…the dialog was shown for each password sudo asked for"
expect_clean_mac "clt"
SIM_OUTPUT=$SIM_SESSION
expect_line '^xcode-select: /Library/Developer/CommandLineTools$' "…and the tools are there"

section homebrew
expect_output "Need sudo access on macOS" "homebrew: the install script could not get sudo"
got=$(results homebrew)
if [[ $got == "canceled success |fixable ready " ]]; then
    pass "…the dismissed dialog ends canceled with the stage still to do; the retry installs"
else
    fail "…the dismissed dialog ends canceled with the stage still to do; the retry installs" "results|verdicts: $got"
    show_output
fi
expect_output "dialogs: Cancel OK " "…one dialog each time"
expect_clean_mac "homebrew"
SIM_OUTPUT=$SIM_SESSION
expect_output "brew is there" "…and brew is installed"

finish
