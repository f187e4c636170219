#!/usr/bin/env bash
# The app killed outright (SIGKILL, as by a crash or Force Quit) in the middle
# of the Homebrew install, on a Mac whose shell files are set up: the
# password-dialog folder of the install stays behind, and the install script
# ends by itself (at its next line of output, which nobody reads any more).
# Started again, the app removes that folder, and its probe shows the Mac as
# it truly is; the shell files are whole (the old ones: the app never got to
# write).
. "$(dirname "$0")/lib/e2e.sh"
ui=$(build_program varnel-e2e-driver) || { echo "$ui"; exit 1; }

sim --set shell_configured=yes --set clt=yes --set install_seconds=2 \
    --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=1 -- bash -c '
files() { cat ~/.zprofile ~/.zshrc ~/.env 2>/dev/null | cksum; }
installing() {  # the install script started by the killed app still runs
    local f script="Homebrew""/install"
    for f in /proc/[0-9]*/cmdline; do [[ $(tr "\0" " " <"$f" 2>/dev/null) == *"$script"* ]] && return 0; done
    return 1
}
shells=$(files)
"$0" --timeout 60 --install homebrew=homebrew >/tmp/killed.out 2>&1 &
for ((i = 0; i < 400; i++)); do [[ -d /opt/homebrew ]] && break; sleep 0.05; done
[[ -d /opt/homebrew ]] && echo "killed once the install script had made /opt/homebrew"
kill -KILL $! && wait $! 2>/dev/null
echo "left: $(ls -d /tmp/ksm-priv-* 2>/dev/null)"
for ((i = 0; i < 400; i++)); do installing || break; sleep 0.05; done
echo "the install script ended on its own: $(installing || echo yes)"
if [[ -x /opt/homebrew/bin/brew ]]; then
    zsh -lc "command -v brew" >/dev/null 2>&1 && echo "truth: installed" || echo "truth: installed, not on PATH"
else
    echo "truth: not installed"
fi
"$0" --timeout 60 --screenshot /tmp/restart.png
echo "restart status $?"
echo "left after the restart: $(ls -d /tmp/ksm-priv-* 2>/dev/null)"
[[ $(files) == "$shells" ]] && echo "shell files unchanged"
zsh -n ~/.zprofile && zsh -n ~/.zshrc && echo "shell files parse"' "$ui"

expect_status 0 "the killed and the restarted app ran"
expect_output "killed once the install script had made /opt/homebrew" "the app was killed while Homebrew's install script ran"
expect_line '^left: /tmp/ksm-priv-[0-9A-F-]+$' "…leaving its password-dialog folder"
expect_output "the install script ended on its own: yes" "…and the install script ended by itself"
expect_output "restart status 0" "started again, the app reached the summary"
expect_line '^left after the restart: $' "…having removed the folder the killed app left"
# Whatever the script got to do before it ended, the summary tells it.
truth=$(sed -n 's/^truth: //p' <<<"$SIM_OUTPUT")
expect_line "^summary: Homebrew: $truth\$" "the summary shows Homebrew as the Mac has it (${truth:-?})"
expect_line '^summary: Command Line Tools: installed$' "…next to the Command Line Tools"
expect_output "shell files unchanged" "the shell files are the old ones"
expect_output "shell files parse" "…and whole"

finish
