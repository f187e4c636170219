#!/usr/bin/env bash
# Temurin straight from Adoptium: the package installer (lookup, download,
# SHA-256, /usr/sbin/installer through the administrator dialog) and the brew
# runner's package fallback, with the package Adoptium names and with one
# whose bytes were changed on the way.
. "$(dirname "$0")/lib/e2e.sh"
. "$(dirname "$0")/lib/install-driver.sh"

LOOK='
jdks() { echo "jdks: $(ls /Library/Java/JavaVirtualMachines | tr "\n" " ")"; }
packages() { echo "packages: $(find ~/.cache ~/Library/Caches -name "*.pkg*" 2>/dev/null | tr "\n" " ")"; }
installs() { local n=0 line; while IFS= read -r line; do n=$((n + 1)); done </var/log/macsim/installer.log 2>/dev/null; echo "installer runs $n"; }'

# A prompt with everything that could break the shell command inside the
# AppleScript string it travels in.
HOSTILE='Maya’s "Mac": $HOME `touch /tmp/injected` $(touch /tmp/injected) \n back\\slash '"'"'quoted'"'"' ; touch /tmp/injected'

sim_session --scenario fresh-apple-silicon "${DRIVER_SIM[@]}" -- bash -c "$DRIVE$LOOK
hostile=$(printf '%q' "$HOSTILE")"'
run good drive pkg 21 --prompt "Enter Mac password to install Temurin to /Library/Java/JavaVirtualMachines/"
jdks; packages; dialogs; cat /var/log/macsim/dialogs.log
/usr/libexec/java_home -v 21
run hostile drive pkg 11 --prompt "$hostile"; jdks; tail -n 1 /var/log/macsim/dialogs.log
printf "cancel\n" >/run/macsim/dialog-answers
run cancel drive pkg 17; jdks; packages
run unknown drive pkg 99; packages'

section good
expect_line '^fetching$' "good: the package installer looks Temurin 21 up"
# Progress counts the package's own bytes (not the page of the redirect
# GitHub answers first): every report has the package's size as its total,
# and the last one is the whole package.
size=$(wc -c <"$SOURCE_DIR"/tools/macsim/site/adoptium/pkg/OpenJDK21U-jdk_aarch64_mac_hotspot_21.0.5_5.pkg)
reports=$(grep '^downloading: ' <<<"$SIM_OUTPUT")
if [[ -n $reports && $(grep -vc "/$size\$" <<<"$reports") == 0 && ${reports##*$'\n'} == "downloading: $size/$size" ]]; then
    pass "…downloads the whole package, telling its $size bytes"
else
    fail "…downloads the whole package, telling its $size bytes" "reports:" "$reports"
fi
expect_line '^verifying$' "…verifies it"
expect_line '^installing$' "…installs it"
expect_line '^completed$' "…and completes"
expect_output "driver status 0" "…with status 0"
expect_line '^jdks: temurin-21\.jdk $' "…laying Temurin 21 down"
expect_line '^/Library/Java/JavaVirtualMachines/temurin-21\.jdk/Contents/Home$' "…where java_home finds it"
expect_line '^packages: $' "…and removes the package"
expect_output "dialogs 1" "…after one administrator dialog"
expect_output "Enter Mac password to install Temurin to /Library/Java/JavaVirtualMachines/" "…showing the prompt it was given"
expect_clean_mac "good"

section hostile
expect_line '^completed$' "hostile prompt: the package installs"
expect_line '^jdks: temurin-11\.jdk temurin-21\.jdk $' "…laying Temurin 11 down"
expect_output "$HOSTILE" "…and the administrator dialog shows the prompt verbatim"
expect_clean_mac "hostile"

section cancel
expect_line '^canceled$' "cancel: dismissing the administrator dialog cancels the run"
expect_output "driver status 3" "…the driver says canceled"
expect_line '^jdks: temurin-11\.jdk temurin-21\.jdk $' "…installing nothing"
expect_line '^packages: $' "…and removing the package"
expect_clean_mac "cancel"

section unknown
expect_line '^error: No installer asset for Java 99 on aarch64$' "unknown: a major without a release fails with Adoptium's answer"
expect_line '^packages: $' "…downloading nothing"
expect_clean_mac "unknown"

# The same download with other bytes than Adoptium's checksum names: the
# package installer and the brew runner's fallback both refuse it. The
# fallback comes after a reinstall here (a Caskroom record without its JDK,
# then an installer that bypasses the sudo wrapper).
sim_session --scenario homebrew-not-on-path "${DRIVER_SIM[@]}" --set packages=tampered --set sudo_bypass_casks=temurin \
    --set stale_casks=temurin \
    -- bash -c "$DRIVE$LOOK"'
run tampered drive pkg 21; jdks; packages; dialogs; installs
run fallback drive cask temurin; jdks; packages; installs'

section tampered
expect_line '^verifying$' "tampered: the package installer verifies the download"
expect_line '^error: Checksum mismatch \(expected 9e9598821e3efafb467b38ecce5601a6371a934729816d4b5c0ee2f71d5b43b4, got [0-9a-f]{64}\)$' "…and fails with the mismatch"
expect_no_output "installing" "…without running the installer"
expect_output "installer runs 0" "…(no installer ran)"
expect_output "dialogs 0" "…or asking for the password"
expect_line '^jdks: $' "…installing nothing"
expect_line '^packages: $' "…and deleting the file"
expect_clean_mac "tampered"

section fallback
expect_output "output: Homebrew reports temurin is already installed, but the JDK is missing from /Library/Java/JavaVirtualMachines/. Retrying with \`brew reinstall --cask temurin\`…" "tampered fallback: the runner reinstalls the stale cask"
expect_output "output: Homebrew bypassed our sudo wrapper. Falling back to direct .pkg install…" "…whose installer bypasses the wrapper, so it falls back to the package"
expect_line '^output: Fallback failed: Checksum mismatch \(expected [0-9a-f]{64}, got [0-9a-f]{64}\)$' "…which fails its checksum"
expect_line '^completed: 1$' "…ending the run with 1"
expect_no_output "Running /usr/sbin/installer" "…without running the installer"
expect_output "installer runs 0" "…(no installer ran)"
expect_line '^jdks: $' "…installing nothing"
expect_line '^packages: $' "…and deleting the file"
expect_clean_mac "fallback"

finish
