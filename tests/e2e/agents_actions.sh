#!/usr/bin/env bash
# The AI-agent actions through the app's runner on the developer's Mac (Claude
# Code and the Claude desktop app are there): both example projects, a
# bundled skill, two MCP servers and the agent note. Afterwards the files are
# where the agents read them, and the doctor shows those stages ready.
. "$(dirname "$0")/lib/e2e.sh"
require_jq
scratch_dir
driver=$(build_program varnel-install-driver) || { echo "$driver"; exit 1; }
doctor_program=$(build_program varnel-doctor) || { echo "$doctor_program"; exit 1; }

open_to_the_user "$E2E_SCRATCH"
key='fc-$(touch /tmp/injected)`id`'"'"'é'
sim --scenario developer --bind "$E2E_SCRATCH" -- zsh -c '
driver=$1 doctor=$2 out=$3 key=$4
"$doctor" --json >"$out/before.json"
mkdir -p ~/.codex ~/.claude ~/.agents ~/Projects/mine  # the agents have run once
for action in example:simple skill:avoid-ai-writing mcp:notion env-doc; do
    "$driver" action "$action"; echo "$action status $?"
done
"$driver" action example:coding --folder ~/Projects/mine; echo "coding status $?"
"$driver" action mcp:firecrawl --key "$key"; echo "firecrawl status $?"
"$driver" action env-doc; echo "env-doc again status $?"
# Signed in to GitHub earlier, as gh leaves it.
mkdir -p ~/.config/gh && printf "github.com:\n    user: maya\n" >~/.config/gh/hosts.yml
"$doctor" --json >"$out/after.json"
ls ~/Documents/AI-Simple-Project/CLAUDE.md ~/Projects/mine/.gitignore ~/.claude/skills/avoid-ai-writing/SKILL.md \
   ~/.codex/skills/avoid-ai-writing/SKILL.md ~/.agents/skills/avoid-ai-writing/SKILL.md
python3 -c "import tomllib,sys; d=tomllib.load(open(sys.argv[1],\"rb\")); print(\"codex servers:\", *sorted(d[\"mcp_servers\"]))" \
   ~/.codex/config.toml
ls /tmp/injected 2>/dev/null && echo "INJECTED"' zsh "$driver" "$doctor_program" "$E2E_SCRATCH" "$key"

for action in example:simple skill:avoid-ai-writing mcp:notion env-doc coding firecrawl "env-doc again"; do
    expect_output "$action status 0" "$action completes"
done
expect_output "codex servers: firecrawl notion" "Codex's TOML parses and holds both servers"
expect_no_output "INJECTED" "the hostile key ran nothing"
expect_no_output "No such file" "the projects and the skill are where the agents read them"
expect_line "output: Adding Notion to Claude Code…" "Claude Code is asked to register the server"

DOCTOR_JSON=$(cat "$E2E_SCRATCH/before.json" 2>/dev/null || echo '{}')
expect_json '.stages[] | select(.domain == "agent-docs") | .classification' '"fixable"' \
    "before: with Claude Code there, the agent note is still to write"
DOCTOR_JSON=$(cat "$E2E_SCRATCH/after.json" 2>/dev/null || echo '{}')
for domain in project agent-docs git; do
    expect_json ".stages[] | select(.domain == \"$domain\") | .classification" '"ready"' "after: the $domain stage is ready"
done

# A fresh Mac: no agent, nothing to document; once Claude Code is there, there is.
doctor --scenario fresh-apple-silicon
expect_json '.stages[] | select(.domain == "agent-docs") | .classification' '"ready"' "fresh Mac: no agent, no note needed"
doctor --scenario fresh-apple-silicon --set homebrew=/opt/homebrew --set casks=claude-code@latest
expect_json '.stages[] | select(.domain == "agent-docs") | .classification' '"fixable"' \
    "fresh Mac with Claude Code: the agent note is offered"
finish
