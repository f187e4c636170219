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

# journey_script SCENARIO: the journey's commands for that Mac (no Codex stage on Intel).
journey_script() {
    local part
    for part in basics; do
        cat "$JOURNEY_DIR/$part.journey"
    done
}

# journey SCENARIO [MACSIM OPTIONS…]
journey() {
    local scenario=$1 driver script
    shift
    driver=$(build_program varnel-e2e-driver) || { echo "$driver"; exit 1; }
    script=$VARNEL_BUILD_DIR/test-output/journey-$scenario/journey.script
    local shots=${JOURNEY_SHOTS:-$VARNEL_BUILD_DIR/test-output/journey-$scenario/shots}
    open_to_the_user "$(dirname "$script")" "$shots"
    rm -f "$shots"/*.png "$shots"/shots.tsv
    journey_script "$scenario" >"$script"
    sim --scenario "$scenario" --set dialog=ok --set clt_seconds=2 "$@" \
        --env QT_QPA_PLATFORM=offscreen --env VARNEL_TELEMETRY_DISABLED=0 \
        --env "JOURNEY_FIRECRAWL_KEY=$JOURNEY_FIRECRAWL_KEY" --env "JOURNEY_GIT_NAME=$JOURNEY_GIT_NAME" \
        --env "JOURNEY_GIT_EMAIL=$JOURNEY_GIT_EMAIL" -- bash -c '
"$0" --script "$1" --shots "$2"
echo "driver status $?"
. "$3/look-at-the-mac.sh"' "$driver" "$script" "$shots" "$JOURNEY_DIR"
}

# The checks of every fresh Mac's journey.
expect_journey() {
    expect_line '^driver status 0$' "the driver walked the whole journey"
    local stage
    for stage in clt shell-config homebrew warp; do
        :
    done
    expect_line '^journey: [0-9]+ ms$' "…and timed it"
    printf '%s\n' "$SIM_OUTPUT" | grep -E '^(journey|longest UI-thread stall):' | sed -e 's/^/      /'
}
