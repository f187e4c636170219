#!/usr/bin/env bash
# The machine facts the system profiler reads: architecture, macOS version,
# the user's environment and folders, the Command Line Tools and the shims.
. "$(dirname "$0")/lib/e2e.sh"

sim --scenario fresh-apple-silicon -- uname -m
expect_line '^arm64$' "uname -m on Apple Silicon"
sim --scenario fresh-intel -- /usr/bin/uname -m
expect_line '^x86_64$' "uname -m on Intel"
sim --scenario fresh-intel -- arch
expect_line '^i386$' "arch on Intel says i386, as macOS does"
sim --scenario fresh-intel -- uname -s
expect_line '^Linux$' "other uname questions go to the real uname"

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
