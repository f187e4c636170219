#!/usr/bin/env bash
# The sim's internet serves the official install scripts at the addresses the
# assistant uses (engine/services/Hosts.h) to the real curl, and the scripts
# install like the real uv and rustup installers.
. "$(dirname "$0")/lib/e2e.sh"

hosts=$SOURCE_DIR/engine/services/Hosts.h
# The first address after each `…InstallScript()` declaration.
mapfile -t urls < <(awk '/InstallScript\(\)/ { want = 1 }
    want && match($0, /https:\/\/[^"]+/) { print substr($0, RSTART, RLENGTH); want = 0 }' "$hosts")
if ((${#urls[@]} == 3)); then pass "Hosts.h names three install scripts"; else fail "Hosts.h names three install scripts" "found: ${urls[*]}"; fi
for url in "${urls[@]}"; do
    sim -- sh -c "curl -fsSL '$url' | head -n 3"
    expect_output "simulated Mac" "curl -fsSL $url prints the stand-in script"
done

sim --scenario developer -- zsh -lc '
curl -LsSf https://astral.sh/uv/install.sh | sh -s -- --no-modify-path; echo "uv status $?"
~/.local/bin/uv --version; ~/.local/bin/uv python install --default; ~/.local/bin/python3 --version
test -e ~/.zshrc && grep -c local/bin/env ~/.zshrc
curl --proto "=https" --tlsv1.2 -sSf https://sh.rustup.rs | sh -s -- -y --no-modify-path; echo "rustup status $?"
~/.cargo/bin/cargo --version; ~/.cargo/bin/rustc --version; grep -c cargo ~/.zshenv 2>/dev/null || echo "zshenv untouched"'
expect_output "uv status 0" "the uv installer runs"
expect_line '^uv [0-9.]+ ' "…and leaves uv in ~/.local/bin"
expect_line '^Python 3\.[0-9]+\.[0-9]+$' "uv python install --default gives ~/.local/bin/python3"
expect_line '^0$' "--no-modify-path leaves ~/.zshrc alone"
expect_output "rustup status 0" "the rustup installer runs with -y"
expect_line '^cargo [0-9.]+ ' "…and leaves cargo in ~/.cargo/bin"
expect_output "zshenv untouched" "…without touching ~/.zshenv"

sim -- sh -c 'curl -sSf https://sh.rustup.rs | sh; echo "status $?"'
expect_output "rustup: Unable to run interactively." "rustup without -y and without a terminal refuses"

finish
