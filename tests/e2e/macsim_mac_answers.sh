#!/usr/bin/env bash
# The simulated Mac answers like a Mac: to the questions install scripts ask
# about the machine (a Mac-only script of our own asks them the way they do),
# to the system profiler, and with a Mac's users, ownerships, sudo and
# password dialogs.
. "$(dirname "$0")/lib/e2e.sh"

mac_only_script='
[ "$(uname)" = Darwin ] || { echo "This script is for macOS only."; exit 1; }
echo "kernel $(uname -s) $(uname -r) $(uname -m) $(uname -p)"
echo "uname -a: $(uname -a)"
echo "product $(sw_vers -productName) $(sw_vers -productVersion) $(sw_vers -buildVersion)"
if [ "$(/usr/sbin/sysctl -n hw.optional.arm64 2>/dev/null)" = 1 ]; then echo "apple silicon"; else echo "intel"; fi
echo "cpus $(/usr/sbin/sysctl -n hw.ncpu), memory $(/usr/sbin/sysctl -n hw.memsize)"
echo "cpu $(/usr/sbin/sysctl -n machdep.cpu.brand_string), os $(/usr/sbin/sysctl -n kern.osproductversion)"
echo "console user $(/usr/bin/stat -f %Su /dev/console)"
echo "home $(/usr/bin/stat -f "%Su:%Sg %Lp" "$HOME"), applications $(/usr/bin/stat -f "%Su:%Sg %Lp" /Applications), library $(/usr/bin/stat -f %Su /Library)"
id -Gn | tr " " "\n" | grep -qx admin && echo "an administrator"
echo "login shell $(dscl . -read "/Users/$USER" UserShell | sed "s/UserShell: //")"
for tool in /usr/sbin/chown /usr/bin/chgrp /usr/bin/install /usr/bin/xcrun; do [ -x "$tool" ] && echo "has $tool"; done
uname --machine; echo "uname --machine: $?"
stat -c %U "$HOME"; echo "stat -c: $?"
/usr/sbin/sysctl -n hw.nosuchthing; echo "sysctl unknown: $?"
'
sim --scenario fresh-apple-silicon -- bash -c "$mac_only_script"
expect_line '^kernel Darwin 24\.2\.0 arm64 arm$' "Apple Silicon: uname -s, -r, -m, -p answer Darwin 24.2.0 on arm64"
expect_line '^uname -a: Darwin Mayas-MacBook-Pro 24\.2\.0 Darwin Kernel Version 24\.2\.0: .*RELEASE_ARM64_T[0-9]+ arm64$' "…uname -a like a Mac's"
expect_line '^product macOS 15\.2 24C101$' "…sw_vers the scenario's macOS"
expect_line '^apple silicon$' "…sysctl hw.optional.arm64 is 1"
expect_line '^cpus [0-9]+, memory [0-9]+$' "…hw.ncpu and hw.memsize are numbers"
expect_line '^cpu Apple M[0-9].*, os 15\.2$' "…the CPU is Apple's and kern.osproductversion the scenario's"
expect_line '^console user maya$' "…the console belongs to the person"
expect_line '^home maya:staff 755, applications root:admin 775, library root$' "…with a Mac's ownerships"
expect_line '^an administrator$' "…who is in admin"
expect_line '^login shell /bin/zsh$' "…dscl reads the user's record"
for tool in /usr/sbin/chown /usr/bin/chgrp /usr/bin/install /usr/bin/xcrun; do
    expect_line "^has ${tool//\//\\/}$" "…$tool is at its Mac path"
done
expect_output "usage: uname [-amnoprsv]" "…GNU options fail the BSD way"
expect_line '^uname --machine: 1$' "…with status 1"
expect_output "stat: illegal option -- c" "…stat wants BSD's -f"
expect_output "sysctl: unknown oid 'hw.nosuchthing'" "…and an unknown oid is unknown"

sim --scenario fresh-intel -- bash -c "$mac_only_script"
expect_line '^kernel Darwin 24\.2\.0 x86_64 i386$' "Intel: uname answers x86_64 and i386"
expect_line '^intel$' "…and an Intel Mac has no hw.optional.arm64"
sim --scenario fresh-macos13 -- uname -r
expect_line '^22\.[0-9]+\.0$' "macOS 13 runs Darwin 22"
sim --scenario fresh-intel -- arch
expect_line '^i386$' "arch on Intel says i386, as macOS does"

# The person is not root: root-owned files stay out of reach, sudo asks like
# macOS's, and password dialogs answer from the scenario.
sim --scenario fresh-apple-silicon -- bash -c '
id -un; echo macsim | sudo -S -p "" touch ~/.zprofile; echo "export A=1" >>~/.zprofile; echo "zprofile status $?"
touch /Library/x; echo "library status $?"; mkdir /Applications/Mine.app && echo "applications writable"
sudo -k; sudo true </dev/null; echo "sudo status $?"
osascript -e "do shell script \"id -u\" with administrator privileges"'
expect_line '^maya$' "the command runs as the Mac's user"
expect_output "Permission denied" "a root-owned ~/.zprofile cannot be written by the user"
expect_line '^zprofile status 1$' "…the write fails"
expect_line '^library status 1$' "…nor can /Library"
expect_output "applications writable" "…but /Applications can (admin group)"
expect_output "sudo: a terminal is required to read the password; either use the -S option to read from standard input or configure an askpass helper" "sudo without a terminal or askpass says so"
expect_output "sudo: a password is required" "…and requires the password"
expect_line '^0$' "do shell script with administrator privileges runs as root"

sim --scenario fresh-apple-silicon --set dialog=cancel -- bash -c '
osascript -e "display dialog \"Enter Mac password\" default answer \"\" with hidden answer with title \"Varnel\""; echo "dialog status $?"
cat /var/log/macsim/dialogs.log'
expect_line '^[0-9]+:[0-9]+: execution error: User canceled\. \(-128\)$' "dialog=cancel: the password dialog gives AppleScript's cancel"
expect_line '^dialog status 1$' "…with status 1"
expect_line $'^Cancel\tVarnel\tEnter Mac password$' "…and dialogs.log has the button, title and prompt"
expect_no_output "macsim" "…never the password"

# gh's device login finishes once the sim's browser opened the page.
sim --scenario developer -- zsh -lc '
gh auth login --web --git-protocol https --hostname github.com </dev/null & sleep 1
open https://github.com/login/device; wait $!; echo "login status $?"; gh auth status'
expect_output "Open this URL to continue in your web browser: https://github.com/login/device" "gh auth login prints the device-login address"
expect_line '^login status 0$' "…and completes once the browser was there"
expect_output "✓ Logged in to github.com account" "…after which gh auth status is signed in"
sim --scenario developer --set gh_auth=never -- zsh -lc 'open https://github.com/login/device; timeout 3 gh auth login --web </dev/null; echo "login status $?"'
expect_line '^login status 124$' "gh_auth=never: the login never completes"

sim --scenario fresh-macos13 -- cat /System/Library/CoreServices/SystemVersion.plist
expect_output "<key>ProductVersion</key>" "SystemVersion.plist has ProductVersion…"
expect_line $'^\t<string>13\\.7\\.2</string>$' "…with the scenario's macOS version"
expect_line '^<plist version="1.0">$' "…as an XML property list"
sim --scenario fresh-apple-silicon -- sw_vers -productVersion
expect_line '^15\.2$' "sw_vers answers the scenario's version"

sim --scenario fresh-apple-silicon -- sh -c 'echo "$HOME|$USER|$SHELL|$PATH"; pwd; ls -d /Applications /Library/Java/JavaVirtualMachines "$HOME/Documents"'
expect_line '^/Users/maya\|maya\|/bin/zsh\|/usr/bin:/bin:/usr/sbin:/sbin$' "the Mac's user environment, as a GUI app gets it"
expect_status 0 "/Applications, JavaVirtualMachines and ~/Documents exist"

sim --scenario fresh-apple-silicon -- sh -c 'for t in node npm brew gh mise claude codex; do command -v $t; done; find /usr/local /opt -mindepth 1 | wc -l'
expect_line '^0$' "/usr/local and /opt are empty on a fresh Mac"
expect_no_output "/" "none of this machine's developer tools show through"

sim --scenario fresh-apple-silicon -- sh -c '/usr/bin/xcode-select -p; echo "status $?"; git --version; echo "status $?"'
expect_output "xcode-select: error: unable to get active developer directory" "no Command Line Tools: xcode-select -p fails…"
expect_output "status 2" "…with status 2"
expect_output "xcode-select: note: No developer tools were found, requesting install." "git is the shim that asks for the tools"

sim --scenario developer -- sh -c '/usr/bin/xcode-select -p; git --version; clang --version | head -n1'
expect_line '^/Library/Developer/CommandLineTools$' "the developer's Mac has the Command Line Tools"
expect_line '^git version [0-9.]+ \(Apple Git-[0-9]+\)$' "…whose git answers like Apple's"
expect_line '^Apple clang version' "…and clang like Apple's"

sim --scenario developer -- sh -c 'ls /Applications; cat "/Applications/Warp.app/Contents/Info.plist"; ls -l ~/.env'
expect_line '^Warp\.app$' "the developer has Warp"
expect_line '^Zed\.app$' "…Zed"
expect_line '^Claude\.app$' "…and Claude"
expect_output "<string>dev.warp.Warp-Stable</string>" "apps carry an Info.plist"
expect_line '^-rw------- ' "the developer's ~/.env is private"

finish
