# Shared by the scripts that run the privileged installers in the simulated
# Mac through varnel-install-driver. Source it after e2e.sh.
#
#   sim_session --scenario fresh-intel "${DRIVER_SIM[@]}" -- bash -c "$DRIVE
#   run homebrew-ok drive homebrew"
#   section homebrew-ok
#   expect_line '^completed: 0$' "Homebrew installs"
#
# Inside the sim, `drive ARGS…` runs the driver and then looks at the Mac the
# way every run must leave it, printing "LEFT BEHIND: …" for a process the run
# started that still lives, a privileged temporary folder, a half-downloaded
# file, or the password in the dialogs' log, and "LEAK: …" for a process of
# the run that had the password in its arguments or environment.
# `cancel_when REGEX ARGS…` runs the driver too, but sends it SIGINT (what the
# Cancel button does) once a line of its output matches REGEX. `run NAME
# COMMAND…` heads the output of COMMAND with a line naming it, and `section
# NAME` then narrows SIM_OUTPUT on the host to that part, so that one sim
# session can hold several runs.

DRIVER=$(build_program varnel-install-driver) || { echo "$DRIVER"; exit 1; }

# A password of its own, so that finding it anywhere is meaningful.
E2E_PASSWORD='Tr0ub4dor-3-e2e'
DRIVER_SIM=(--set "password=$E2E_PASSWORD")

# The password is read from the session's scenario, so that no command line
# of the test holds it.
DRIVE="driver=$(printf '%q' "$DRIVER")"'
secret=$(. /run/macsim/scenario.conf && printf "%s" "$password")
run() { echo "=== $1"; shift; "$@"; }

pids() {  # the processes alive now, as " pid pid … "
    local p list=" "
    for p in /proc/[0-9]*; do list+="${p#/proc/} "; done
    REPLY=$list
}

left_behind() {  # left_behind " PIDS BEFORE THE RUN "
    local p comm stat
    for p in /proc/[0-9]*; do
        p=${p#/proc/}
        [[ $1 == *" $p "* || $p == "$BASHPID" ]] && continue
        comm="" && read -r comm <"/proc/$p/comm" 2>/dev/null || continue
        # A process that ended but was not yet reaped (state Z) is gone.
        stat="" && read -r stat <"/proc/$p/stat" 2>/dev/null && stat=${stat##*) } && [[ $stat == Z* ]] && continue
        echo "LEFT BEHIND: process $p ($comm)"
    done
    # TMPDIR is /tmp in the sim: the executor and the downloads make theirs there.
    # /tmp/injected: what a hostile prompt would make if it ran as a command.
    for p in /tmp/ksm-priv-* /tmp/varnel-download-* /tmp/injected; do
        [[ -e $p ]] && echo "LEFT BEHIND: $p"
    done
    if [[ -r /var/log/macsim/dialogs.log ]] && grep -qF -- "$secret" /var/log/macsim/dialogs.log; then
        echo "LEFT BEHIND: the password in dialogs.log"
    fi
}

# While a run lasts, a process started by it whose arguments or environment
# hold the password is told as "LEAK: …". The pattern is read from a file, so
# the watching grep never holds the password itself; the environments of
# root'"'"'s processes are closed to the user, as on a Mac.
watch_for_the_password() {  # watch_for_the_password " PIDS BEFORE " FLAG-FILE
    local pattern=/tmp/password-pattern.$$ file pid told=" "
    printf "%s\n" "$secret" >"$pattern"
    while [[ -e $2 ]]; do
        for file in $(grep -lsF -f "$pattern" /proc/[0-9]*/cmdline /proc/[0-9]*/environ); do
            pid=${file#/proc/} && pid=${pid%%/*}
            [[ $1 == *" $pid "* || $told == *" $file "* ]] && continue
            told+="$file "
            echo "LEAK: the password in $file"
        done
        sleep 0.02
    done
    rm -f "$pattern"
}

drive() {
    local before status flag=/tmp/driving.$$
    pids && before=$REPLY
    : >"$flag"
    watch_for_the_password "$before" "$flag" &
    "$driver" "$@"
    status=$?
    rm -f "$flag"
    wait
    echo "driver status $status"
    left_behind "$before"
}

cancel_when() {  # cancel_when REGEX ARGS…
    local pattern=$1 before out=/tmp/driver-output.$$ pid status i
    shift
    pids && before=$REPLY
    "$driver" "$@" >"$out" 2>&1 &
    pid=$!
    for ((i = 0; i < 600; i++)); do
        grep -Eq -- "$pattern" "$out" && break
        sleep 0.05
    done
    local asked=${EPOCHREALTIME/./}
    kill -INT "$pid"
    wait "$pid"
    status=$?
    cat "$out"
    echo "stopped $(((${EPOCHREALTIME/./} - asked) / 1000)) ms after the cancel"
    rm -f "$out"
    echo "driver status $status"
    left_behind "$before"
}

dialogs() {  # how many dialogs the session showed
    local n=0 line
    [[ -r /var/log/macsim/dialogs.log ]] && while IFS= read -r line; do n=$((n + 1)); done </var/log/macsim/dialogs.log
    echo "dialogs $n"
}
'

# sim_session [MACSIM OPTIONS…] -- bash -c "$DRIVE …": `sim`, keeping the
# whole output for `section`.
sim_session() {
    sim "$@"
    SIM_SESSION=$SIM_OUTPUT
}

# section NAME: SIM_OUTPUT becomes the output of the run named NAME, up to
# the next run.
section() {
    SIM_OUTPUT=$(awk -v name="=== $1" '$0 == name {on = 1; next} /^=== / {on = 0} on' <<<"$SIM_SESSION")
}

# expect_clean_mac DESCRIPTION: no "LEFT BEHIND" line and no password in the
# section's output.
expect_clean_mac() {
    expect_no_output "LEFT BEHIND" "$1: no process, temporary folder or password left behind"
    expect_no_output "LEAK" "$1: no process of the run had the password in its arguments or environment"
    expect_no_output "$E2E_PASSWORD" "$1: the password never shows in the output"
}
