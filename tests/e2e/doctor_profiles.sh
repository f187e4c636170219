#!/usr/bin/env bash
# What varnel-doctor --json reports for each kind of Mac: the profile facts the
# system profiler reads inside the sim, the diagnosis summary's lines and the
# exit status (0 only when every primary stage is ready).
. "$(dirname "$0")/lib/e2e.sh"
require_jq

doctor --scenario fresh-apple-silicon
expect_doctor_status 1 "fresh Mac: not ready"
expect_json '.summaryLines' '["Command Line Tools: not installed","Shell configuration: not installed","Homebrew: not installed"]' \
    "fresh Mac: the summary lines"
expect_json '.ready' 'false' "…and ready is false"
expect_json '.profile.architecture' '"appleSilicon"' "…an Apple Silicon Mac"
expect_json '.profile.macosVersion' '"15.2"' "…on macOS 15.2, from SystemVersion.plist"
expect_json '.profile.shell' '"zsh"' "…whose shell is zsh"
expect_json '.profile.homebrewPrefix' 'null' "…without Homebrew"
expect_json '.profile.xcodeCommandLineToolsPath' 'null' "…without the Command Line Tools"
expect_json '.profile.aiTooling + .profile.terminals' '[]' "…without AI tools or terminals"
expect_json '.profile.likelyDeveloper' 'false' "…and not a developer's"
expect_json '.profile.java.summary' '"no JDK; JAVA_HOME unset"' "…and no Java"
expect_json '[.stages[] | select(.placement == "primary") | .domain]' '["clt","shell-config","homebrew","warp"]' \
    "…four primary stages, Warp among them though not in the summary"
expect_json '[.stages[] | select(.placement == "primary") | .actions[]]' '["clt","shell-config","homebrew","brew:warp"]' \
    "…each offering its install"
expect_json '.stages | length' '13' "…and thirteen stages on Apple Silicon"

doctor --scenario developer
expect_doctor_status 0 "developer's Mac: ready"
expect_json '.summaryLines' '["Command Line Tools: installed","Shell configuration: installed","Homebrew: installed"]' \
    "developer's Mac: everything installed"
expect_json '.ready' 'true' "…and ready is true"
expect_json '.profile.homebrewPrefix' '"/opt/homebrew/bin/brew"' "…Homebrew in /opt/homebrew"
expect_json '.profile.xcodeCommandLineToolsPath' '"/Library/Developer/CommandLineTools"' "…the Command Line Tools"
expect_json '.profile.aiTooling' '["claude-code-cli","claude-desktop","warp","zed"]' "…both Claudes, Warp and Zed"
expect_json '.profile.terminals' '["warp"]' "…Warp as a terminal"
expect_json '.profile.likelyDeveloper' 'true' "…a developer's Mac"
expect_json '[.stages[] | select(.placement == "primary") | .classification] | unique' '["ready"]' \
    "…every primary stage ready"
expect_json '.probes.pathVisiblePrimaryTools' '["/opt/homebrew/bin/brew"]' "…brew on the login shell's PATH"

doctor --scenario homebrew-not-on-path
expect_doctor_status 1 "Homebrew off the PATH: not ready"
expect_json '.summaryLines[2]' '"Homebrew: installed, not on PATH"' "Homebrew off the PATH: its own summary line"
expect_json '.stages[] | select(.domain == "homebrew") | .actions' '["path-repair:homebrew"]' "…repaired, not reinstalled"
expect_json '.probes.pathVisiblePrimaryTools' '[]' "…no brew on the login shell's PATH"

doctor --scenario homebrew-usr-local-on-apple-silicon
expect_doctor_status 1 "Intel Homebrew on Apple Silicon: not ready"
expect_json '.summaryLines[2]' '"Homebrew: installed for the wrong chip"' "wrong chip: its own summary line"
expect_json '.profile.homebrewPrefix' '"/usr/local/bin/brew"' "…the Intel brew is the one found"
expect_json '.stages[] | select(.domain == "homebrew") | .actions' '["homebrew"]' "…and the native Homebrew is offered"

doctor --scenario fresh-intel
expect_json '.profile.architecture' '"intel"' "Intel Mac: architecture"
expect_json '.stages | length' '12' "…no ChatGPT/Codex stage on Intel"

doctor --scenario fresh-macos13
expect_json '.profile.macosVersion' '"13.7.2"' "macOS 13 Mac: the version with its patch level"

doctor --scenario java-21-home-set
expect_json '.profile.java.installedJDKs | map(.version | split(".")[0])' '["21"]' "Java: Temurin 21 is found"
expect_json '.profile.java.javaHomeInActiveShell | test("temurin-21.jdk/Contents/Home$")' 'true' \
    "…with JAVA_HOME from ~/.zprofile"
expect_json '.profile.java.summary | startswith("1 JDK: 21.")' 'true' "…in the Java summary"

# The text form says the same, for people.
sim --scenario homebrew-not-on-path -- "$(build_program varnel-doctor)"
expect_status 1 "text form: same exit status"
expect_line '^  •  Homebrew: installed, not on PATH$' "text form: the summary line with its bullet"
expect_line '^  ✓  Command Line Tools: installed$' "…a check mark for what is ready"
expect_line '^  macOS: +15\.2$' "…and the macOS version"

finish
