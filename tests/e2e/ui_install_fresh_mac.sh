#!/usr/bin/env bash
# Installs through the real window, headless, on a fresh Apple Silicon Mac
# whose owner types the password when asked: the Command Line Tools, the
# shell files, Homebrew and Warp, one stage after another on the same Mac.
# Each install is a fresh launch of the app that walks consent, "Check my
# setup" and the summary's Continue to the stage, presses its action, follows
# the progress screen to its end and presses Continue; the Mac is probed again
# and must call the stage ready, and the Mac itself must hold the result.
#
# The progress screen is saved while the Command Line Tools download runs
# and after each install: test-output/screenshots/install-<stage>-*.png in
# the build folder.
. "$(dirname "$0")/lib/e2e.sh"
driver=$(build_program varnel-e2e-driver) || { echo "$driver"; exit 1; }
screenshots=$VARNEL_BUILD_DIR/test-output/screenshots
open_to_the_user "$screenshots"
rm -f "$screenshots"/install-{clt,shell-config,homebrew,warp}-*.png

# softwareupdate takes three seconds, so the progress screen is seen running.
sim --set dialog=ok --set clt_seconds=3 --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- bash -c '
driver=$0 shots=$1
install() {  # install STAGE ACTION: one launch of the app, one install
    "$driver" --timeout 120 --install "$1=$2" --progress-shots "$shots/install" | sed -e "s/^/$1| /"
    echo "$1| driver status ${PIPESTATUS[0]}"
}
install clt clt
echo "clt| xcode-select: $(/usr/bin/xcode-select -p 2>&1)"
install shell-config shell-config
for file in .zprofile .zshrc .env; do
    [[ -f ~/$file ]] && echo "shell-config| has ~/$file"
done
echo "shell-config| zprofile: $(grep -c "typeset -U path PATH" ~/.zprofile)"
install homebrew homebrew
echo "homebrew| login shell finds $(zsh -lc "command -v brew" 2>&1)"
install warp brew:warp
[[ -d /Applications/Warp.app ]] && echo "warp| /Applications/Warp.app is there"
echo "dialogs: $(cut -f1 /var/log/macsim/dialogs.log | tr "\n" " ")"
' "$driver" "$screenshots"
expect_status 0 "one simulated Mac through four installs"

# step STAGE ACTION-TITLE NEXT-STEP: the install of STAGE ran to its end, the
# probe after it calls the stage ready and the workflow moved on to NEXT-STEP.
step() {
    expect_line "^$1\| driver status 0$" "$1: the driver walked to the stage, installed and continued"
    expect_line "^$1\| progress: $2$" "…through the progress screen of \"$2\""
    expect_line "^$1\| result: success \(code 0\)$" "…which ended in success"
    expect_line "^$1\| stage $1: ready$" "…the Mac, probed again, has the stage ready"
    expect_line "^$1\| step: $3$" "…and the workflow moved on to the $3"
}

step clt "Install Command Line Tools" "stage shell-config"
expect_line '^clt\| output: .*Downloading Command Line Tools.*' "…the transcript shows softwareupdate's download"
expect_line '^clt\| xcode-select: /Library/Developer/CommandLineTools$' "…and xcode-select finds the tools"
if [[ -s $screenshots/install-clt-running.png && -s $screenshots/install-clt-success.png ]]; then
    pass "…the progress screen was saved running and after success"
else
    fail "…the progress screen was saved running and after success" "$(ls "$screenshots" 2>&1)"
fi

step shell-config "Set up my shell" "stage homebrew"
expect_line '^shell-config\| has ~/.zprofile$' "…~/.zprofile written"
expect_line '^shell-config\| has ~/.zshrc$' "…~/.zshrc written"
expect_line '^shell-config\| has ~/.env$' "…~/.env created"
expect_line '^shell-config\| zprofile: 1$' "…with the PATH line once"

step homebrew "Install Homebrew \(recommended\)" "stage warp"
expect_line '^homebrew\| login shell finds /opt/homebrew/bin/brew$' "…a login shell finds brew in /opt/homebrew"

step warp "Install Warp \(recommended\)" "keep going gate"
expect_line '^warp\| /Applications/Warp.app is there$' "…Warp is in /Applications"
if [[ -s $screenshots/install-warp-success.png ]]; then
    pass "…the progress screen was saved after success"
else
    fail "…the progress screen was saved after success" "no install-warp-success.png"
fi
expect_line '^dialogs: OK OK $' "the password was asked for twice (the Command Line Tools, Homebrew) and typed"

finish
