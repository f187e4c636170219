#!/usr/bin/env bash
# The simulated Homebrew: formulae become programs, casks become apps in
# /Applications, command-line binaries or JDKs, and it fails the ways the
# brew runner recovers from.
. "$(dirname "$0")/lib/e2e.sh"

sim --scenario homebrew-not-on-path -- sh -c '
brew=/opt/homebrew/bin/brew
$brew install --cask warp; echo "status $?"
cat /Applications/Warp.app/Contents/Info.plist
$brew install --cask warp; echo "second status $?"
$brew list --cask'
expect_output "==> Moving App 'Warp.app' to '/Applications/Warp.app'" "brew install --cask warp moves Warp.app into place"
expect_output "🍺  warp was successfully installed!" "…and says so"
expect_output "status 0" "…with status 0"
expect_output "<key>CFBundleIdentifier</key>" "/Applications/Warp.app has an Info.plist"
expect_output "Warning: Not upgrading warp, the latest version is already installed" "a second install reports it is already installed"
expect_output "second status 0" "…with status 0"
expect_line '^warp$' "brew list --cask names it"

sim --scenario homebrew-not-on-path -- sh -c '
brew=/opt/homebrew/bin/brew
for cask in zed claude chatgpt visual-studio-code; do $brew install --cask $cask >/dev/null || echo "failed $cask"; done
ls /Applications
$brew install --cask codex claude-code@latest >/dev/null; ls -l /opt/homebrew/bin
/opt/homebrew/bin/codex --version; /opt/homebrew/bin/claude --version
HOMEBREW_NO_AUTO_UPDATE=1 $brew install gh mise uv; echo "formulae status $?"
gh_path=/opt/homebrew/bin/gh; $gh_path --version; /opt/homebrew/bin/mise --version; /opt/homebrew/bin/uv --version
HOMEBREW_NO_AUTO_UPDATE=1 $brew install nonsense; echo "unknown status $?"'
expect_no_output "failed" "the app casks install"
for app in Zed.app Claude.app ChatGPT.app "Visual Studio Code.app"; do
    expect_line "^$app\$" "…$app is in /Applications"
done
expect_line '^codex-cli [0-9.]+$' "the codex cask links the codex CLI"
expect_line '^[0-9.]+ \(Claude Code\)$' "the claude-code@latest cask links the claude CLI"
expect_output "formulae status 0" "formulae install"
expect_no_output "Auto-updating Homebrew" "HOMEBREW_NO_AUTO_UPDATE keeps brew from updating itself"
expect_line '^gh version [0-9.]+ ' "gh answers --version"
expect_line '^uv [0-9.]+ \(Homebrew' "uv from Homebrew says so"
expect_output "Error: No formulae or casks found for nonsense." "an unknown name fails…"
expect_output "unknown status 1" "…with status 1"

# A leftover app without a Caskroom record blocks the install until --force.
sim --scenario homebrew-not-on-path --set apps=Warp.app -- sh -c '
brew=/opt/homebrew/bin/brew
$brew install --cask warp; echo "status $?"
$brew install --cask --force warp; echo "forced status $?"'
expect_output "Error: It seems there is already an App at '/Applications/Warp.app'." "a leftover Warp.app blocks the install"
expect_output "status 1" "…with status 1"
expect_output "forced status 0" "--force installs over it"

# A Caskroom record whose JDK was deleted: install says installed, reinstall repairs.
sim --scenario homebrew-not-on-path --set stale_casks=temurin -- bash -c "$APP_PRIVILEGE_SETUP"'
brew=/opt/homebrew/bin/brew
$brew install --cask temurin; ls /Library/Java/JavaVirtualMachines | wc -l
$brew reinstall --cask temurin; echo "reinstall status $?"
/usr/libexec/java_home -V'
expect_output "Warning: Not upgrading temurin, the latest version is already installed" "a stale Caskroom entry reads as installed"
expect_line '^0$' "…although no JDK is there"
expect_output "==> Running installer for temurin with \`sudo\` (which may request your password)..." "reinstall runs the package installer through sudo"
expect_output "reinstall status 0" "…and succeeds"
expect_line '^    25\.[0-9.]+ \(arm64\) "Eclipse Adoptium" - "OpenJDK 25\.[0-9.]+" /Library/Java/JavaVirtualMachines/temurin-25\.jdk/Contents/Home$' "…leaving Temurin 25 where java_home finds it"

# An installer that calls sudo itself never sees the askpass helper.
sim --scenario homebrew-not-on-path --set sudo_bypass_casks=temurin -- bash -c "$APP_PRIVILEGE_SETUP"'
/opt/homebrew/bin/brew install --cask temurin; echo "status $?"'
expect_output "sudo: a terminal is required to read the password" "a cask that bypasses the askpass helper…"
expect_output "sudo: a password is required" "…fails the way the brew runner recognises"
expect_output "status 1" "…with status 1"

# A flaky download fails once, then works.
sim --scenario homebrew-not-on-path --set flaky_casks=zed -- sh -c '
/opt/homebrew/bin/brew install --cask zed; echo "first $?"; /opt/homebrew/bin/brew install --cask zed; echo "second $?"'
expect_output "Error: Download failed on Cask 'zed'" "a flaky cask fails its first download"
expect_output "first 1" "…with status 1"
expect_output "second 0" "…and installs on the retry"

sim --root --scenario developer -- /opt/homebrew/bin/brew install --cask warp
expect_output "Running Homebrew as root is extremely dangerous" "brew refuses to run as root"

sim --scenario developer -- zsh -lc 'eval "$(brew shellenv)"; echo "$HOMEBREW_PREFIX|$fpath[1]"; brew --prefix; brew --repository'
expect_line '^/opt/homebrew\|/opt/homebrew/share/zsh/site-functions$' "brew shellenv sets zsh's prefix and completion path"

finish
