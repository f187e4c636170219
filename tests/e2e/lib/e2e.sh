# Shared by the end-to-end scripts: finds the simulated Mac, skips (exit 77)
# where it cannot run, and gives small assertions that report what they saw.
#
#   . "$(dirname "$0")/lib/e2e.sh"
#   sim --scenario developer -- zsh -lc 'command -v brew'
#   expect_output "/opt/homebrew/bin/brew" "brew is on the developer's login PATH"
#
# `sim` leaves the command's exit status in SIM_STATUS and its standard output
# and error, together, in SIM_OUTPUT.
#
#   doctor --scenario fresh-apple-silicon        # varnel-doctor --json in the sim
#   expect_json '.profile.architecture' '"appleSilicon"' "an Apple Silicon Mac"
#
# `doctor` leaves the JSON in DOCTOR_JSON and the status in DOCTOR_STATUS;
# `expect_json` compares jq's compact answer to a filter with a JSON text.

set -u
E2E_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
SOURCE_DIR=$(cd "$E2E_DIR/../.." && pwd)
MACSIM=${MACSIM:-$SOURCE_DIR/tools/macsim/macsim}
E2E_FAILURES=0
E2E_NAME=$(basename "$0" .sh)

skip() {
    echo "SKIP $E2E_NAME: $*"
    exit 77
}

# Tests run as root in CI; elsewhere (or without namespaces) they skip.
if ! why=$("$MACSIM" --check 2>&1); then
    skip "the simulated Mac cannot run here: ${why#macsim: }"
fi
unset why

# The build folder holding varnel-doctor and varnel-e2e-driver (CTest passes
# it). The sim mounts the checkout at its own path; a build folder elsewhere
# (/tmp/build) is mounted too.
VARNEL_BUILD_DIR=${VARNEL_BUILD_DIR:-$SOURCE_DIR/build/dev}
SIM_BINDS=()
[[ $VARNEL_BUILD_DIR/ == "$SOURCE_DIR"/* || ! -d $VARNEL_BUILD_DIR ]] || SIM_BINDS=(--bind "$VARNEL_BUILD_DIR")

# sim [MACSIM OPTIONS…] [-- COMMAND…]: the command runs as the Mac's user,
# who may write only where a Mac user could (and in the folders a test opens
# up with `open_to_the_user`).
sim() {
    SIM_OUTPUT=$("$MACSIM" "${SIM_BINDS[@]}" "$@" 2>&1)
    SIM_STATUS=$?
}

open_to_the_user() {  # open_to_the_user DIR…: folders of this machine the sim's user may write
    mkdir -p -- "$@" && chmod 1777 -- "$@"
}

fail() {
    E2E_FAILURES=$((E2E_FAILURES + 1))
    echo "FAIL: $1"
    shift
    local line
    for line in "$@"; do echo "      $line"; done
}

pass() { echo "ok:   $1"; }

show_output() {
    printf '%s\n' "$SIM_OUTPUT" | sed -e 's/^/      | /' | head -n 40
}

expect_status() {  # expect_status CODE DESCRIPTION
    if [[ $SIM_STATUS == "$1" ]]; then
        pass "$2"
    else
        fail "$2" "exit status $SIM_STATUS, expected $1; output:"
        show_output
    fi
}

expect_output() {  # expect_output TEXT DESCRIPTION — TEXT appears in the output
    if [[ $SIM_OUTPUT == *"$1"* ]]; then
        pass "$2"
    else
        fail "$2" "output lacks: $1; output:"
        show_output
    fi
}

expect_no_output() {  # expect_no_output TEXT DESCRIPTION
    if [[ $SIM_OUTPUT != *"$1"* ]]; then
        pass "$2"
    else
        fail "$2" "output unexpectedly holds: $1; output:"
        show_output
    fi
}

expect_line() {  # expect_line REGEX DESCRIPTION — some whole line matches the extended regex
    if printf '%s\n' "$SIM_OUTPUT" | grep -Eq -- "$1"; then
        pass "$2"
    else
        fail "$2" "no line matches: $1; output:"
        show_output
    fi
}

# ---- varnel-doctor and its JSON -------------------------------------------------

# build_program NAME: the path of a program of the build folder, or the test fails.
build_program() {
    local path=$VARNEL_BUILD_DIR/$1
    [[ -x $path ]] || { echo "FAIL: $path is missing (build the $1 target first)"; exit 1; }
    printf '%s' "$path"
}

# The JSON is read with jq, which `tools/install-deps.sh --tests` installs.
require_jq() {
    command -v jq >/dev/null || { echo "FAIL: jq is missing (bash tools/install-deps.sh --tests installs it)"; exit 1; }
}

# doctor [MACSIM OPTIONS…]: varnel-doctor --json inside the sim. Its standard
# output goes to DOCTOR_JSON, its status to DOCTOR_STATUS; the standard error
# (and the sim's own messages) are shown only when the output is no JSON.
doctor() {
    local program errors
    program=$(build_program varnel-doctor) || { echo "$program"; exit 1; }
    errors=$(mktemp)
    DOCTOR_JSON=$("$MACSIM" "${SIM_BINDS[@]}" "$@" -- "$program" --json 2>"$errors")
    DOCTOR_STATUS=$?
    if ! jq -e 'type == "object"' >/dev/null 2>&1 <<<"$DOCTOR_JSON"; then
        fail "varnel-doctor --json ($*) printed no JSON object" "exit status $DOCTOR_STATUS; output and errors:"
        { printf '%s\n' "$DOCTOR_JSON"; cat "$errors"; } | sed -e 's/^/      | /' | head -n 40
        DOCTOR_JSON='{}'
    fi
    rm -f "$errors"
}

# expect_json FILTER JSON DESCRIPTION: jq's compact answer to FILTER over
# DOCTOR_JSON is exactly JSON ('"appleSilicon"', 'null', '["a","b"]', 'true').
expect_json() {
    local actual
    actual=$(jq -c "$1" <<<"$DOCTOR_JSON" 2>&1)
    if [[ $actual == "$2" ]]; then
        pass "$3"
    else
        fail "$3" "$1 is $actual, expected $2"
    fi
}

expect_doctor_status() {  # expect_doctor_status CODE DESCRIPTION
    if [[ $DOCTOR_STATUS == "$1" ]]; then
        pass "$2"
    else
        fail "$2" "varnel-doctor exited with $DOCTOR_STATUS, expected $1"
    fi
}

# finish: the script's verdict. Call last.
finish() {
    if ((E2E_FAILURES)); then
        echo "$E2E_NAME: $E2E_FAILURES check(s) failed"
        exit 1
    fi
    echo "$E2E_NAME: all checks passed"
    exit 0
}

# A temporary folder on this machine, removed when the script ends.
scratch_dir() {
    E2E_SCRATCH=$(mktemp -d "${TMPDIR:-/tmp}/e2e-$E2E_NAME.XXXXXX")
    chmod 755 "$E2E_SCRATCH"
    trap 'rm -rf "$E2E_SCRATCH"' EXIT
}

# The askpass helper and sudo wrapper the assistant prepares before installers
# run, as a shell snippet to run inside the sim: it leaves PATH and
# SUDO_ASKPASS set the way the assistant passes them.
APP_PRIVILEGE_SETUP='
priv=$(mktemp -d /tmp/ksm-priv-XXXXXX)
cat >"$priv/askpass.sh" <<"SCRIPT"
#!/bin/bash
osascript <<EOF
activate
display dialog "Enter Mac password to install Homebrew." default answer "" with hidden answer with title "Varnel for the Command Line" with icon caution buttons {"Cancel", "OK"} default button "OK"
return text returned of result
EOF
SCRIPT
printf "#!/bin/bash\nexec /usr/bin/sudo -A \"\$@\"" >"$priv/sudo"
chmod 700 "$priv/askpass.sh" "$priv/sudo"
export PATH="$priv:$PATH" SUDO_ASKPASS="$priv/askpass.sh"
'
