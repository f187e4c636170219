#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, and what the simulated Mac
# that tools/run.sh starts the application in needs: zsh, and nginx-light,
# openssl, sudo, curl, iproute2 and ca-certificates for its own internet and
# its real sudo. `--tests` adds what the
# test suite needs (jq reads varnel-doctor's JSON in the end-to-end tests).
# Quiet, and does nothing when everything is present.
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config ccache qt6-base-dev qt6-base-dev-tools libgl-dev libcurl4-openssl-dev
  libtomlplusplus-dev nlohmann-json3-dev zsh nginx-light openssl sudo curl iproute2 ca-certificates)
if [[ "${1:-}" == "--tests" ]]; then
  packages+=(libgtest-dev libgmock-dev googletest libbenchmark-dev libcpp-httplib-dev git jq)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq >/dev/null
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# Debian starts nginx as a service when it is installed; only the simulated
# Mac runs it (inside its own network namespace), so the service goes again.
if [[ " ${missing[*]} " == *" nginx-light "* ]] && command -v systemctl >/dev/null; then
  $sudo systemctl disable --now nginx >/dev/null 2>&1 || true
fi
