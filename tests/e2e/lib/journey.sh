# The whole fresh-Mac journey through the real window, shared by the
# journey_*.sh tests and `tools/run.sh --demo`: the driver follows the
# scripts of lib/journey/ in one launch of the app, then the Mac itself is
# looked at in the same simulated Mac.
#
#   . "$(dirname "$0")/lib/journey.sh"
#   journey fresh-intel            # SIM_OUTPUT holds the driver's report and the Mac's answers
#   expect_journey                 # the checks every fresh Mac must pass
#
# JOURNEY_SHOTS (a folder) keeps one screenshot per screen and shots.tsv.

JOURNEY_DIR=$E2E_DIR/lib/journey
# Stand-ins for what a person types: checked below never to leave the Mac.
JOURNEY_FIRECRAWL_KEY=fc-7d0c4e1b9a2f4c63b8e5
JOURNEY_GIT_NAME="Maya Lindqvist"
JOURNEY_GIT_EMAIL=maya@example.com
JOURNEY_PASSWORD=Tr0ub4dor-e2e

# journey_script SCENARIO: the journey's commands for that Mac (no Codex stage on Intel).
journey_script() {
    local part parts=(basics agents codex environment finish)
    [[ $1 == fresh-intel ]] && parts=(basics agents environment finish)
    for part in "${parts[@]}"; do
        cat "$JOURNEY_DIR/$part.journey"
    done
}

# journey SCENARIO [MACSIM OPTIONS…]
journey() {
    local scenario=$1 driver script
    shift
    JOURNEY_SCENARIO=$scenario
    driver=$(build_program varnel-e2e-driver) || { echo "$driver"; exit 1; }
    script=$VARNEL_BUILD_DIR/test-output/journey-$scenario/journey.script
    local shots=${JOURNEY_SHOTS:-$VARNEL_BUILD_DIR/test-output/journey-$scenario/shots}
    open_to_the_user "$(dirname "$script")" "$shots"
    rm -f "$shots"/*.png "$shots"/shots.tsv
    journey_script "$scenario" >"$script"
    cat "$JOURNEY_DIR/again.journey" >"${script%.script}-again.script"
    sim --scenario "$scenario" --set dialog=ok --set "password=$JOURNEY_PASSWORD" --set clt_seconds=2 "$@" \
        --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=0 \
        --env "JOURNEY_FIRECRAWL_KEY=$JOURNEY_FIRECRAWL_KEY" --env "JOURNEY_GIT_NAME=$JOURNEY_GIT_NAME" \
        --env "JOURNEY_GIT_EMAIL=$JOURNEY_GIT_EMAIL" -- bash -c '
mkdir -p ~/Projects
"$0" --script "$1" --shots "$2"
echo "driver status $?"
"$0" --script "${1%.script}-again.script" --shots "$2"
echo "second launch status $?"
. "$3/look-at-the-mac.sh"' "$driver" "$script" "$shots" "$JOURNEY_DIR"
    JOURNEY_LOG=$(dirname "$script")/journey.log
    printf '%s\n' "$SIM_OUTPUT" >"$JOURNEY_LOG"
    echo "the whole report: $JOURNEY_LOG"
}

# expect_installed TITLE: a progress screen of that title ran to success.
expect_installed() {
    if printf '%s\n' "$SIM_OUTPUT" | grep -A1000 -Fx "progress: $1" | grep -m1 '^result: ' | grep -q '^result: success'; then
        pass "\"$1\" ran to success"
    else
        fail "\"$1\" ran to success" "$(printf '%s\n' "$SIM_OUTPUT" | grep -A1000 -Fx "progress: $1" | grep -E -m1 '^(result|FAIL):' || echo 'no such progress screen')"
    fi
}

# The checks of every fresh Mac's journey.
expect_journey() {
    expect_line '^driver status 0$' "the driver walked the whole journey, consent to score"
    expect_line '^second launch status 0$' "…and a second launch for the Documents project and a skill"
    expect_line '^read diagnosis-lines: .*Command Line Tools: not installed$' "the diagnosis found no Command Line Tools"
    expect_line '^read diagnosis-lines: .*Homebrew: not installed$' "…and no Homebrew"
    local title
    for title in "Install Command Line Tools" "Set up my shell" "Install Homebrew (recommended)" \
        "Install Warp (recommended)"; do
        expect_installed "$title"
    done
    for title in "Install Claude" "Set up a project" "Add MCP servers" "Install Zed" \
        "Install languages" "Document the setup for your AI agent" "Set up Git with GitHub"; do
        expect_installed "$title"
    done
    # The one failure: the fetched skill, whose pinned commit the sim's GitHub cannot hold.
    if [[ $(printf '%s\n' "$SIM_OUTPUT" | grep -c '^result: failure') == 1 ]] &&
        printf '%s\n' "$SIM_OUTPUT" | grep -A1000 -Fx "progress: Add SKILLS" | grep -m1 '^result: ' | grep -q '^result: failure'; then
        pass "no install failed but the fetched skill"
    else
        fail "no install failed but the fetched skill" "$(printf '%s\n' "$SIM_OUTPUT" | grep -B3 '^result: failure')"
    fi
    expect_line "^output: Couldn't fetch Skill creator from anthropics/skills\.\$" \
        "…which says so at once instead of hanging"
    expect_line '^read outcome-checklist: ' "the outcome lists its checks"
    expect_no_output 'read outcome-checklist: ✗' "…all of them ticked"
    expect_line '^dialogs\| OK OK $' "the password was asked for and typed for the Command Line Tools and Homebrew"

    expect_line '^mac\| has ~/.zprofile$' "the Mac has ~/.zprofile"
    expect_line '^mac\| has ~/.zshrc$' "…~/.zshrc"
    expect_line '^mac\| has ~/.env$' "…and ~/.env"
    expect_line '^mac\| zprofile PATH lines: 1$' "…the PATH line once in ~/.zprofile"
    expect_line '^mac\| xcode-select: /Library/Developer/CommandLineTools$' "xcode-select finds the Command Line Tools"
    expect_line '^mac\| app: Warp.app$' "Warp is in /Applications"
    expect_line '^mac\| app: Claude.app$' "…Claude"
    expect_line '^mac\| app: Zed.app$' "…and Zed"
    local tool
    for tool in brew claude uv python3 cargo gh; do
        expect_line "^mac\\| login shell: $tool → /" "a login shell finds $tool"
    done
    expect_line "^mac\\| git user.name: $JOURNEY_GIT_NAME\$" "~/.gitconfig has the name typed"
    expect_line "^mac\\| git user.email: $JOURNEY_GIT_EMAIL\$" "…and the e-mail"
    expect_line '^mac\| gh: .*Logged in to github.com' "gh is signed in to GitHub"
    expect_line '^mac\| browser opened: .*https://github.com/login/device' "…through the device page the browser opened"
    expect_line '^mac\| project: /Users/[a-z]+/Documents/AI-Simple-Project with AGENTS.md CLAUDE.md $' \
        "the example project is in Documents, with its agent notes"
    expect_line '^folder chooser: Choose a folder to work in → /Users/[a-z]+/Projects$' "the folder chooser was answered"
    expect_line '^mac\| chosen folder: /Users/[a-z]+/Projects/.*CLAUDE.md$' "…and a project is in the chosen folder"
    local agent skill agents=(.claude .codex)
    [[ $JOURNEY_SCENARIO == fresh-intel ]] && agents=(.claude)  # no Codex on Intel
    for agent in "${agents[@]}"; do
        for skill in avoid-ai-writing; do
            expect_line "^mac\\| skill: ~/$agent/skills/$skill\$" "the $skill skill is in ~/$agent"
        done
    done
    [[ $JOURNEY_SCENARIO == fresh-intel ]] ||
        expect_line '^mac\| codex config: firecrawl notion$' "Codex's config.toml parses and holds Firecrawl and Notion"
    expect_line '^mac\| claude servers: .*firecrawl.*notion' "Claude has both servers"

    # Usage events: in the order they were made, without the home folder, the
    # password or a key.
    local events
    events=$(printf '%s\n' "$SIM_OUTPUT" | sed -n 's/^telemetry| //p')
    if jq -se 'add | length > 0 and (map(.client_timestamp) as $t | $t == ($t | sort))' >/dev/null 2>&1 <<<"$events"; then
        pass "the telemetry backend received $(jq -s 'add | length' <<<"$events") events, in order"
    else
        fail "the telemetry backend received the events in order" "$(head -c 2000 <<<"$events")"
    fi
    local names
    names=$(jq -r '.[].event_name' <<<"$events" 2>/dev/null | tr '\n' ' ')
    if [[ $names == "consent_given app_launched "* ]]; then
        pass "…consent_given, then app_launched first"
    else
        fail "…consent_given, then app_launched first" "$names"
    fi
    local secret
    for secret in "/Users/" "$JOURNEY_PASSWORD" "$JOURNEY_FIRECRAWL_KEY"; do
        if grep -qF -- "$secret" <<<"$events"; then
            fail "…none holds \"$secret\"" "$(grep -F -- "$secret" <<<"$events" | head -n 3)"
        else
            pass "…none holds \"$secret\""
        fi
    done
    printf '%s\n' "$SIM_OUTPUT" | grep -E '^(journey|longest UI-thread stall):' | sed -e 's/^/      /'
}
