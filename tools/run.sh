#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts the
# application inside a simulated fresh Apple Silicon Mac (tools/macsim), so it
# can do its job without any risk to this machine. Without a display it prints
# what the diagnosis screen shows instead (varnel-doctor), in the same Mac.
#
#   bash tools/run.sh                    the window, in a fresh Apple Silicon Mac
#   bash tools/run.sh --scenario NAME    another simulated Mac (tools/macsim/macsim --list)
#   bash tools/run.sh --doctor           the diagnosis as text, even with a display
#   bash tools/run.sh --host             this machine itself, no simulated Mac
#   bash tools/run.sh --demo             no display needed: the whole journey on a fresh
#                                        Mac, clicked through; screenshots of every screen
#                                        in build/demo/index.html
set -euo pipefail
cd "$(dirname "$0")/.."

scenario=fresh-apple-silicon
mode=window
while (($#)); do
  case $1 in
  --scenario) scenario=${2:?--scenario needs a name (tools/macsim/macsim --list)}; shift 2 ;;
  --doctor) mode=doctor; shift ;;
  --host) mode=host; shift ;;
  --demo) mode=demo; shift ;;
  -h | --help) sed -n '2,13s/^# \{0,1\}//p' "$0"; exit 0 ;;
  *) echo "run.sh: unknown option $1 (see --help)" >&2; exit 2 ;;
  esac
done

say() {
  if [[ -t 2 ]]; then printf '\n\033[1m%s\033[0m\n' "$*" >&2; else printf '\n%s\n' "$*" >&2; fi
}

bash tools/install-deps.sh
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/varnel-ccache}" CCACHE_BASEDIR="$PWD"
cmake --preset release >/dev/null
cmake --build --preset release --target varnel varnel-doctor varnel-e2e-driver
build=$PWD/build/release
macsim=$PWD/tools/macsim/macsim

has_display() { [[ -n ${DISPLAY:-} || -n ${WAYLAND_DISPLAY:-} ]]; }

how_to_see_the_window() {
  cat >&2 <<EOF

To see the window on a machine without a screen:
  - start a virtual display and watch it with a VNC viewer:
      apt-get install -y xvfb x11vnc
      Xvfb :99 -screen 0 1280x900x24 &  x11vnc -display :99 -forever -nopw &
      DISPLAY=:99 bash tools/run.sh
    then point a VNC viewer at this machine's port 5900;
  - or watch the demo: \`bash tools/run.sh --demo\` clicks through every screen
    of a fresh Mac and shows them in build/demo/index.html;
  - or look at the screenshots the tests take: \`bash tools/test.sh\` leaves
    them in build/dev/test-output/screenshots (e2e-<scenario>.png are the
    simulated Macs' diagnosis screens).
EOF
}

# The doctor's "not ready" (1) is an answer, not a failure of this script.
run_doctor() {
  local status=0
  "$@" || status=$?
  ((status <= 1)) || exit "$status"
}

if [[ $mode == demo ]]; then
  say "The demo: a person walks through Varnel on a fresh Apple Silicon Mac ('$scenario'), in the simulated Mac, without a display."
  status=0
  VARNEL_BUILD_DIR=$build bash tools/demo.sh "$scenario" || status=$?
  ((status == 77)) && say "The demo needs the simulated Mac, which cannot start here (see tools/macsim/README.md)."
  [[ -f build/demo/index.html ]] && say "Open build/demo/index.html in a browser: every screen, in order, with captions."
  exit "$status"
fi

if [[ $mode == host ]]; then
  say "Running Varnel on this machine itself (--host): it probes this machine, and changes it when you press its buttons."
  has_display && exec "$build/varnel"
  run_doctor "$build/varnel-doctor"
  how_to_see_the_window
  exit 0
fi

if ! why=$("$macsim" --check 2>&1); then
  say "WARNING: the simulated Mac cannot start here: ${why#macsim: }"
  say "WARNING: running Varnel directly on THIS machine instead. It only probes until you press a button, but its buttons install and change things here for real."
  if has_display; then
    exec "$build/varnel"
  fi
  say "No display (\$DISPLAY and \$WAYLAND_DISPLAY are unset): this machine's diagnosis, as varnel-doctor prints it:"
  run_doctor "$build/varnel-doctor"
  how_to_see_the_window
  exit 0
fi

if [[ $mode == doctor ]] || ! has_display; then
  has_display || say "No display (\$DISPLAY and \$WAYLAND_DISPLAY are unset), so instead of the window:"
  say "What Varnel's diagnosis screen shows in the simulated Mac '$scenario' (varnel-doctor):"
  run_doctor "$macsim" --scenario "$scenario" -- "$build/varnel-doctor"
  has_display || how_to_see_the_window
  exit 0
fi

# The window, inside the sim. The sim has its own /tmp, /run and home folder,
# so the display's socket and cookie are handed in explicitly.
options=(--scenario "$scenario")
if [[ -n ${DISPLAY:-} ]]; then
  options+=(--env "DISPLAY=$DISPLAY")
  # Local displays listen on /tmp/.X11-unix/X<n>, which the sim's /tmp hides.
  [[ -d /tmp/.X11-unix ]] && options+=(--bind /tmp/.X11-unix)
  cookie=${XAUTHORITY:-}
  if [[ -z $cookie ]]; then
    cookie=$HOME/.Xauthority
    # Under sudo, the cookie is in the person's own home folder.
    if [[ ! -r $cookie && -n ${SUDO_USER:-} ]]; then
      cookie=$(getent passwd "$SUDO_USER" | cut -d: -f6)/.Xauthority
    fi
  fi
  if [[ -r $cookie ]]; then
    # A copy in the build folder, which the sim mounts at its own path (the
    # original may be under /tmp or /run, which the sim replaces). Cookies
    # belong to a host name and the sim has its own, so the copy's entries
    # are made to match any host; without xauth the sim borrows this
    # machine's host name instead.
    copy=$build/.macsim-xauthority
    trap 'rm -f "$copy"' EXIT
    (umask 077 && : >"$copy")
    if command -v xauth >/dev/null; then
      xauth -f "$cookie" nlist "$DISPLAY" 2>/dev/null | sed -e 's/^..../ffff/' | xauth -f "$copy" nmerge - 2>/dev/null || true
    fi
    if [[ ! -s $copy ]]; then
      install -m 600 "$cookie" "$copy"
      options+=(--set "hostname=$(uname -n)")
    fi
    # The application runs as the Mac's user (uid 501), who must read it.
    chown 501:20 "$copy" 2>/dev/null || chmod 644 "$copy"
    options+=(--env "XAUTHORITY=$copy")
  fi
fi
if [[ -n ${WAYLAND_DISPLAY:-} ]]; then
  options+=(--env "WAYLAND_DISPLAY=$WAYLAND_DISPLAY")
  if [[ -n ${XDG_RUNTIME_DIR:-} && -d $XDG_RUNTIME_DIR ]]; then
    options+=(--env "XDG_RUNTIME_DIR=$XDG_RUNTIME_DIR" --bind "$XDG_RUNTIME_DIR")
  fi
fi

# Usage events from a simulated Mac say so.
options+=(--env "VARNEL_RUN_CONTEXT=${VARNEL_RUN_CONTEXT-macsim}")

say "Starting Varnel in a simulated Mac ('$scenario'): nothing it installs or changes reaches this machine."
"$macsim" "${options[@]}" -- "$build/varnel"
