# Sourced inside the simulated Mac after the journey: what the Mac itself now
# holds, one "mac| …" line each, for the checks of ../journey.sh.
for file in .zprofile .zshrc .env .gitconfig; do
    [[ -f ~/$file ]] && echo "mac| has ~/$file"
done
for tool in brew claude codex uv python3 cargo gh zed; do
    echo "mac| login shell: $tool → $(zsh -lc "command -v $tool" 2>&1 | tail -n 1)"
done
echo "mac| python3 runs: $(zsh -lc "python3 --version" 2>&1 | tail -n 1)"
for app in /Applications/*.app; do
    [[ -d $app ]] && echo "mac| app: ${app#/Applications/}"
done
echo "mac| git user.name: $(git config --global user.name 2>&1)"
echo "mac| git user.email: $(git config --global user.email 2>&1)"
echo "mac| gh: $(zsh -lc "gh auth status" 2>&1 | tr "\n" " ")"
# Telemetry: every body the backend received, in order.
sed -e 's/^/telemetry| /' /var/log/macsim/telemetry.jsonl 2>/dev/null
echo "dialogs| $(cut -f1 /var/log/macsim/dialogs.log 2>/dev/null | tr "\n" " ")"
echo "mac| xcode-select: $(xcode-select -p 2>&1)"
echo "mac| zprofile PATH lines: $(grep -c "typeset -U path PATH" ~/.zprofile)"
