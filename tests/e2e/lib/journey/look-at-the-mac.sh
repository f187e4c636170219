# Sourced inside the simulated Mac after the journey: what the Mac itself now
# holds, one "mac| …" line each, for the checks of ../journey.sh.
for file in .zprofile .zshrc .env .gitconfig; do
    [[ -f ~/$file ]] && echo "mac| has ~/$file"
done
for tool in brew claude codex uv python3 cargo gh zed; do
    echo "mac| login shell: $tool → $(zsh -lc "command -v $tool" 2>&1 | tail -n 1)"
done
echo "mac| brew repository: $(zsh -lc "brew --repository" 2>&1)"
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
for project in ~/Documents/*/; do
    [[ -d $project ]] && echo "mac| project: ${project%/} with $(cd "$project" && ls CLAUDE.md AGENTS.md 2>/dev/null | tr "\n" " ")"
done
find ~/Projects -name CLAUDE.md | sed -e "s/^/mac| chosen folder: /"
for agent in .claude .codex .agents; do
    for skill in ~/$agent/skills/*/; do
        [[ -f $skill/SKILL.md ]] && echo "mac| skill: ~/$agent/skills/$(basename "$skill")"
    done
done
echo "mac| codex config: $(python3 -c '
import sys, tomllib
with open(sys.argv[1], "rb") as f:
    print(" ".join(sorted(tomllib.load(f).get("mcp_servers", {}))))
' ~/.codex/config.toml 2>&1 | tail -n 1)"
echo "mac| claude servers: $(zsh -lc "claude mcp list" 2>&1 | tr "\n" " ")"
for note in ~/.claude/CLAUDE.md ~/.codex/AGENTS.md; do
    [[ -s $note ]] && echo "mac| agent note: ${note/#$HOME/~}"
done
echo "mac| browser opened: $(tr "\n" " " </var/log/macsim/open.log 2>/dev/null)"
