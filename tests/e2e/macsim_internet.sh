#!/usr/bin/env bash
# The sim's own internet: every host the assistant uses resolves to the sim's
# nginx and verifies over TLS with the real curl and git, an unserved host
# fails at once, nothing reaches the real network, and the network, telemetry
# and Adoptium answers are the ones the scenario keys ask for.
. "$(dirname "$0")/lib/e2e.sh"

mapfile -t hosts < <(grep -o 'https://[a-z0-9.-]*' "$SOURCE_DIR/engine/services/Hosts.h" | sort -u)
((${#hosts[@]} >= 10)) && pass "Hosts.h names ${#hosts[@]} hosts" || fail "Hosts.h names the product's hosts" "found: ${hosts[*]}"
sim -- bash -c 'for url in "$@"; do printf "%s %s\n" "$url" "$(curl -sS -o /dev/null -w "%{http_code} %{ssl_verify_result}" "$url/" 2>&1)"; done' _ "${hosts[@]}"
for url in "${hosts[@]}"; do
    expect_line "^${url//./\\.} [1-5][0-9][0-9] 0$" "$url answers over verified TLS"
done

sim --scenario developer -- bash -c '
git clone -q https://github.com/anthropics/skills /tmp/skills && ls /tmp/skills/skills/skill-creator
start=$EPOCHREALTIME; curl -sS https://example.com/; echo "unserved $? $(( (${EPOCHREALTIME/./} - ${start/./}) / 1000 )) ms"
start=$EPOCHREALTIME; curl -sS --max-time 5 https://1.1.1.1/; echo "real internet $? $(( (${EPOCHREALTIME/./} - ${start/./}) / 1000 )) ms"'
expect_line '^SKILL\.md$' "git clones the skills repository over verified HTTPS"
expect_line '^unserved 6 [0-9]{1,3} ms$' "an unserved host fails to resolve within 1 s"
expect_line '^real internet 7 [0-9]{1,3} ms$' "the real internet cannot be reached, and that fails within 1 s"

# Adoptium: the API names a package with its true checksum, GitHub redirects
# the download, and the installer lays the JDK down.
sim -- bash -c "$APP_PRIVILEGE_SETUP"'
api=$(curl -fsS -H "Accept: application/json" "https://api.adoptium.net/v3/assets/latest/21/hotspot?architecture=aarch64&image_type=jdk&os=mac")
link=$(jq -r ".[0].binary.installer.link" <<<"$api"); sum=$(jq -r ".[0].binary.installer.checksum" <<<"$api")
curl -fsSL -o /tmp/jdk.pkg -w "%{num_redirects} %{url_effective}\n" "$link"
echo "$sum  /tmp/jdk.pkg" | sha256sum -c -
sudo -A /usr/sbin/installer -pkg /tmp/jdk.pkg -target / && /usr/libexec/java_home -v 21
curl -fsS "https://api.adoptium.net/v3/assets/latest/7/hotspot?architecture=aarch64&image_type=jdk&os=mac"; echo'
expect_line '^1 https://objects\.githubusercontent\.com/.*OpenJDK21U-jdk_aarch64_mac_hotspot_21\.0\.5_[0-9]+\.pkg' "GitHub redirects the Temurin 21 download to its asset host"
expect_output "/tmp/jdk.pkg: OK" "…whose checksum is the one the API gives"
expect_line '^/Library/Java/JavaVirtualMachines/temurin-21\.jdk/Contents/Home$' "…and which the installer lays down as a JDK"
expect_line '^\[\]$' "a major without a release gives an empty list"

# Telemetry: every body is recorded, one JSON line each.
post='curl -sS -o /dev/null -w "%{http_code} %{redirect_url}\n" -H "Content-Type: application/json" -d "[{\"event_name\":\"e2e\"}]" https://telemetry.kestraneguide.com/api/database/records/usage_events'
sim -- bash -c "$post; $post; cat /var/log/macsim/telemetry.jsonl"
expect_line '^204 $' "the telemetry backend answers 204"
if [[ $(grep -c '^\[{"event_name":"e2e"}\]$' <<<"$SIM_OUTPUT") == 2 ]]; then pass "…and records each body as one line"; else fail "…and records each body as one line"; show_output; fi
sim --set telemetry=error500 -- bash -c "$post"
expect_line '^500 $' "telemetry=error500 answers 500"
sim --set telemetry=redirect-http -- bash -c "$post"
expect_line '^302 http://telemetry\.kestraneguide\.com/' "telemetry=redirect-http redirects to plain http"

# The network keys.
sample='curl -sS -o /dev/null --max-time 2 -w "%{http_code} %{speed_download}\n" https://formulae.brew.sh/api/formula.json; echo "status $?"'
sim --set network=slow -- bash -c "$sample"
if [[ $SIM_OUTPUT =~ (^|$'\n')200\ ([0-9]+) && ${BASH_REMATCH[2]} -lt 2500000 ]]; then
    pass "network=slow serves well under the readiness threshold (${BASH_REMATCH[2]} B/s)"
else
    fail "network=slow serves well under the readiness threshold"; show_output
fi
sim --set network=down -- bash -c "$sample"
expect_output "status 7" "network=down refuses connections"
sim --set network=blackhole -- bash -c "$sample"
expect_output "status 28" "network=blackhole accepts and never answers, so the time-out fires"

finish
