#!/usr/bin/env bash
# varnel-doctor --list-fixes and --fix in the simulated Mac: the fixes each
# kind of Mac is offered; refusals before anything runs (an unknown id, no
# terminal and no --yes, a bad e-mail address, a stray key, a "no" at the
# prompt); the shell setup, whose second run is refused and changes no byte; a
# hostile Git name landing literally in ~/.gitconfig; the Homebrew install with
# its password dialog answered, cancelled, and stopped with Ctrl-C; the GitHub
# sign-in's code and browser; an MCP key from standard input never shown.
. "$(dirname "$0")/lib/e2e.sh"
. "$(dirname "$0")/lib/install-driver.sh"
require_jq

DOCTOR=$(build_program varnel-doctor) || { echo "$DOCTOR"; exit 1; }
# The driver's helpers (drive, cancel_when, left_behind) run the doctor instead.
FIX="$DRIVE"'
driver='"$(printf '%q' "$DOCTOR")"'
shell_files() { cat ~/.zprofile ~/.zshrc ~/.env ~/.zprofile.bak ~/.zshrc.bak 2>/dev/null | md5sum; }'

# ---- A fresh Mac ------------------------------------------------------------------
sim_session --scenario fresh-apple-silicon "${DRIVER_SIM[@]}" -- bash -c "$FIX"'
run list "$driver" --list-fixes
run unknown drive --fix shell-config brew:nonsense --yes; test -e ~/.zprofile && echo "zprofile written"
run no-terminal drive --fix shell-config </dev/null; test -e ~/.zprofile && echo "zprofile written"
run bad-email drive --fix shell-config --yes --git-email "a b@c"
run shell-once drive --fix shell-config --yes; shell_files
run shell-twice drive --fix shell-config --yes; shell_files
run homebrew drive --fix homebrew --yes --json; /opt/homebrew/bin/brew --version'

section list
expect_line $'^clt\tInstall Command Line Tools\t$' "fresh Mac: the Command Line Tools are offered, with no caption"
expect_line $'^homebrew\tInstall Homebrew \\(recommended\\)\tWe.ll run the official Homebrew install script' \
    "…Homebrew with its caption"
expect_line $'^shell-config\t' "…the shell setup"
expect_line $'^git:config\t' "…the Git identity (a special stage)"
expect_line $'^skill:[a-z-]+\t' "…the skills"
expect_no_output $'brew:warp\t' "…but nothing behind the Homebrew gate"

section unknown
expect_output "driver status 2" "unknown id: refused with exit 2"
expect_output "brew:nonsense is not offered on this Mac now" "…saying so"
expect_line '^  homebrew$' "…and listing what is offered"
expect_no_output "zprofile written" "…having run nothing, not even the fixes before it"

section no-terminal
expect_output "driver status 2" "no terminal and no --yes: refused with exit 2"
expect_output "add --yes" "…saying what to add"
expect_no_output "zprofile written" "…having changed nothing"

section bad-email
expect_output "driver status 2" "an e-mail address with a space: refused"

section shell-once
expect_output "driver status 0" "shell-config: succeeds"
expect_output "==> Set up my shell" "…heading its transcript with the fix"
expect_clean_mac "shell-config"
once=$(tail -n 1 <<<"$SIM_OUTPUT")
# Once the shell is set up its stage is ready and offers nothing.
section shell-twice
expect_output "driver status 2" "shell-config again: refused, the shell being set up"
expect_output "shell-config is not offered on this Mac now" "…saying so"
if [[ $(tail -n 1 <<<"$SIM_OUTPUT") == "$once" ]]; then
    pass "…and changing no byte of the shell files or their backups"
else
    fail "…and changing no byte of the shell files or their backups"
fi

section homebrew
expect_output "driver status 0" "homebrew: installs with the password dialog answered"
expect_line '^\{"event":"started","id":"homebrew",' "…--json: one event a line, starting with the fix"
expect_line '^\{"event":"completed","exitCode":0,"id":"homebrew"\}$' "…then its completion"
expect_line '^Homebrew [0-9.]+$' "…and brew runs"
expect_clean_mac "homebrew"

# ---- The dialog cancelled, and Ctrl-C --------------------------------------------
sim_session --scenario fresh-apple-silicon "${DRIVER_SIM[@]}" --set dialog=cancel -- bash -c "$FIX"'
run cancel drive --fix homebrew --yes'
section cancel
expect_output "driver status 130" "homebrew with the password dialog cancelled: exit 130"
expect_output "Stopped: Install Homebrew (recommended)" "…saying it stopped"
expect_clean_mac "cancelled dialog"

# git needs the Command Line Tools.
sim_session --scenario fresh-apple-silicon "${DRIVER_SIM[@]}" --set install_seconds=30 --set clt=yes -- bash -c "$FIX"'
run git drive --fix git:config --yes --git-email "ob@example.com" --git-name "O'"'"'Brien \"Q\" \$(touch /tmp/injected); \`id\` \$HOME"
echo "name: $(git config --global user.name)"
run interrupt cancel_when "Downloading and installing Homebrew" --fix homebrew --yes
test -e /opt/homebrew/bin/brew || echo "no brew"'
section git
expect_output "driver status 0" "hostile Git name: saved"
expect_output "name: O'Brien \"Q\" \$(touch /tmp/injected); \`id\` \$HOME" "…literally, in ~/.gitconfig"
expect_clean_mac "git"  # includes: /tmp/injected was never made

section interrupt
expect_output "driver status 130" "Ctrl-C during the Homebrew install: exit 130"
expect_output "no brew" "…with no brew installed"
expect_clean_mac "Ctrl-C"

# ---- A developer's Mac ----------------------------------------------------------------
sim_session --scenario developer "${DRIVER_SIM[@]}" -- bash -c "$FIX"'
run list "$driver" --list-fixes --json
run sign-in drive --fix git:gh-auth --yes; cat /var/log/macsim/open.log
run stray-key drive --fix --mcp notion --mcp-key-env firecrawl=FC_KEY --yes
run answered-no script -qec "$driver --fix --mcp notion" /dev/null <<<"n"; cat ~/.claude.json 2>/dev/null | grep -c notion
run key drive --fix --mcp firecrawl --mcp-key-stdin firecrawl --yes <<<"fc-e2e-Secret42"
grep -o "fc-e2e-Secret42" ~/.claude.json'
section list
if jq -e 'type == "array" and length > 0 and all(.[]; (.id | type) == "string" and has("title") and has("caption"))' \
    >/dev/null 2>&1 <<<"$SIM_OUTPUT"; then
    pass "developer's Mac: --list-fixes --json is an array of id, title, caption"
else
    fail "developer's Mac: --list-fixes --json is an array of id, title, caption"
    show_output
fi
ids=$(jq -r '.[].id' <<<"$SIM_OUTPUT" 2>/dev/null | tr '\n' ' ')
[[ " $ids " != *" clt "* && " $ids " != *" homebrew "* && " $ids " != *" brew:gh "* ]] &&
    pass "…nothing for what is already there (Command Line Tools, Homebrew, gh)" ||
    fail "…nothing for what is already there (Command Line Tools, Homebrew, gh)" "ids: $ids"
[[ " $ids " == *" git:gh-auth "* && " $ids " == *" uv "* ]] &&
    pass "…the GitHub sign-in and the languages offered" || fail "…the GitHub sign-in and the languages offered" "ids: $ids"

section sign-in
expect_output "driver status 0" "GitHub sign-in: succeeds"
expect_line '^Opened your browser\. Your one-time code is [A-Z0-9]{4}-[A-Z0-9]{4} — paste it and authorize\.$' \
    "…telling the one-time code"
expect_output "If your browser didn't open, go to https://github.com/login/device" "…and the address"
expect_line 'https://github.com/login/device' "…having opened the browser there"
expect_clean_mac "sign-in"

section stray-key
expect_output "driver status 2" "a key for a server not asked for: refused"

section answered-no
expect_output "Proceed? [y/N]" "at a terminal: asks first"
expect_output "Nothing was changed." "…and an answer other than yes changes nothing"
expect_line '^0$' "…Notion not added"

section key
expect_output "driver status 0" "Firecrawl with its key from standard input: added"
expect_line '^fc-e2e-Secret42$' "…the key in Claude Code's registration"
if grep -v '^fc-e2e-Secret42$' <<<"$SIM_OUTPUT" | grep -q "fc-e2e-Secret42"; then
    fail "…the key never shown" "$(grep -n fc-e2e-Secret42 <<<"$SIM_OUTPUT")"
else
    pass "…the key never shown"
fi

finish
