# The simulated Mac's internet: its own network namespace holds only the
# loopback interface, every host the assistant and its installers talk to
# resolves to 127.0.0.1 through /etc/hosts, and nginx answers them over real
# TLS with a certificate of the state folder's own authority, which the sim's
# trust store holds. Nothing reaches the real network. Sourced by macsim's
# inner stage after lib.sh; the scenario's network and telemetry keys decide
# how the internet behaves (tools/macsim/README.md).

# Every host served. A host outside this list does not resolve: the resolver
# asks 127.0.0.1, where nothing listens, and fails at once.
MACSIM_HOSTS=(
    # Readiness endpoints, GitHub's site, sign-in page, release downloads and
    # the skills repository.
    formulae.brew.sh swscan.apple.com github.com objects.githubusercontent.com
    # Install scripts and what they fetch.
    raw.githubusercontent.com astral.sh sh.rustup.rs static.rust-lang.org
    # Adoptium's assets API.
    api.adoptium.net
    # The maker's sites and telemetry backend, Warp's page, the MCP servers.
    kestraneguide.com telemetry.kestraneguide.com www.warp.dev
    mcp.firecrawl.dev mcp.notion.com mcp.slack.com
)
MACSIM_TLS=$MACSIM_LIB/tls

# An authority of the state folder that is also the certificate of every
# host. Elliptic-curve keys: RSA keys take a while to make. They are made in
# the background while the Mac is laid out (macsim_certificates_start), and
# waited for when the internet comes up.
macsim_certificates_start() {
    MACSIM_CERTS_JOB=""
    [[ -s $MACSIM_TLS/server.pem ]] && return 0
    macsim_certificates &
    MACSIM_CERTS_JOB=$!
}

macsim_certificates() {
    mkdir -p -m 700 "$MACSIM_TLS" || return 1
    local config=$MACSIM_TLS/openssl.cnf sans="" host
    for host in "${MACSIM_HOSTS[@]}"; do sans+=${sans:+,}DNS:$host; done
    printf '[req]\ndistinguished_name = dn\n[dn]\n' >"$config"
    # One self-signed certificate is both the authority the trust store holds
    # and the servers' certificate: one openssl process instead of two.
    openssl req -config "$config" -x509 -nodes -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -days 825 \
        -keyout "$MACSIM_TLS/server.key" -out "$MACSIM_TLS/server.pem" \
        -subj "/O=macsim/CN=macsim authority of ${hostname:-a simulated Mac}" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,digitalSignature,keyCertSign \
        -addext extendedKeyUsage=serverAuth -addext "subjectAltName=$sans" -addext subjectKeyIdentifier=hash 2>/dev/null
}

# /etc/hosts, the resolver and the trust store the sim's curl, git and
# libcurl read (Debian's bundle, holding only our authority: nothing else is
# reachable anyway).
macsim_name_service() {
    local lines="127.0.0.1	localhost
::1	localhost
127.0.0.1	${hostname:-localhost}
" host
    for host in "${MACSIM_HOSTS[@]}"; do lines+="127.0.0.1	$host"$'\n'; done
    printf '%s' "$lines" >/etc/hosts
    printf 'nameserver 127.0.0.1\noptions timeout:1 attempts:1\n' >/etc/resolv.conf
    local ca=""
    IFS= read -r -d '' ca <"$MACSIM_TLS/server.pem"
    [[ -n $ca ]] || return 1
    printf '%s' "$ca" >/etc/ssl/certs/ca-certificates.crt
    printf '%s' "$ca" >/etc/ssl/cert.pem   # macOS's bundle, for programs that look there
}

# The readiness samples: a megabyte, of which the check times 800 kB. The
# rest of the site (Adoptium's answers and packages, the skills repository)
# is made by tools/macsim/make-site and served from the checkout.
macsim_sample() {
    # A sparse file: what is read is zeros, and nothing is written.
    truncate -s 1M "$MACSIM_RUN/readiness-sample"
}

# nginx's configuration for the scenario's network and telemetry keys, in
# REPLY. One TLS server answers every host (one TLS context starts quickly):
# each request is rewritten internally to /_/<host><path>, and the locations
# below answer per host.
macsim_nginx_config() {
    local rate="" telemetry_reply="return 204;" site=$MACSIM_HOME/site lib=$MACSIM_LIB
    [[ $network == slow ]] && rate="limit_rate 400k;"
    [[ $telemetry == error500 ]] && telemetry_reply="return 500;"
    local telemetry_location='proxy_pass http://127.0.0.1:8079; access_log '$MACSIM_LOG'/telemetry.jsonl body;'
    [[ $telemetry == redirect-http ]] && telemetry_location='return 302 http://telemetry.kestraneguide.com$request_uri;'
    # Release packages: the file whose SHA-256 Adoptium names, or with
    # packages=tampered other bytes under the same name. With install_seconds
    # their download takes about that long, so that a test can stop it
    # half-way: nginx counts the response's head too (some 240 bytes), so the
    # first 200 bytes go at once and the rest, the package's 81 with it, is
    # paced (a second's worth goes at once).
    local package_reply="alias \"$site/adoptium/pkg/\$1\";" package_rate=""
    [[ ${packages:-ok} == tampered ]] && package_reply="return 200 '#macsim-pkg\\npkg_id=net.temurin.tampered\\njdk=temurin-25\\n';"
    [[ $install_seconds == 0 ]] || package_rate="limit_rate_after 200; limit_rate $((130 / (install_seconds + 1) + 1));"
    IFS= read -r -d '' REPLY <<EOF || :
user root;
worker_processes 1;
pid $MACSIM_RUN/nginx.pid;
error_log $MACSIM_LOG/nginx-error.log warn;
events { worker_connections 512; }
http {
    include /etc/nginx/mime.types;
    default_type application/octet-stream;
    log_format body escape=none '\$request_body';
    access_log $MACSIM_LOG/nginx-access.log;
    client_body_temp_path $MACSIM_RUN/nginx-body;
    proxy_temp_path $MACSIM_RUN/nginx-proxy;
    fastcgi_temp_path $MACSIM_RUN/nginx-fastcgi;
    uwsgi_temp_path $MACSIM_RUN/nginx-uwsgi;
    scgi_temp_path $MACSIM_RUN/nginx-scgi;
    server_tokens off;
    sendfile on;
    $rate

    server {
        listen 127.0.0.1:80 default_server;
        location / { return 301 https://\$host\$request_uri; }
    }
    server {
        listen 127.0.0.1:8079;
        access_log off;
        location / { $telemetry_reply }
    }
    server {
        listen 127.0.0.1:443 ssl default_server;
        ssl_certificate $MACSIM_TLS/server.pem;
        ssl_certificate_key $MACSIM_TLS/server.key;
        client_max_body_size 1m;
        client_body_buffer_size 1m;
        client_body_in_single_buffer on;

        location / { rewrite ^ /_/\$host\$uri last; }
        location /_/ { internal; return 404; }

        # The readiness samples.
        location = /_/formulae.brew.sh/api/formula.json { internal; default_type application/json; alias $MACSIM_RUN/readiness-sample; }
        location = /_/swscan.apple.com/content/catalogs/index.sucatalog { internal; default_type text/xml; alias $MACSIM_RUN/readiness-sample; }
        location = /_/github.com/ { internal; rewrite ^ /_/sample.html last; }
        location = /_/sample.html { internal; default_type text/html; alias $MACSIM_RUN/readiness-sample; }

        # GitHub: the device-login page, release downloads, the skills repository.
        location = /_/github.com/login/device { internal; default_type text/html; alias "$site/github-device.html"; }
        location ~ ^/_/github\.com/adoptium/temurin[0-9]+-binaries/releases/download/[^/]+/([^/]+)\$ {
            internal;
            return 302 https://objects.githubusercontent.com/github-production-release-asset-2e65be/\$1?response-content-disposition=attachment;
        }
        location ~ ^/_/github\.com/anthropics/skills(?:\.git)?(/.*)\$ {
            internal; proxy_pass http://127.0.0.1:8078/anthropics/skills.git\$1\$is_args\$args;
        }
        location ~ ^/_/objects\.githubusercontent\.com/github-production-release-asset-2e65be/([^/]+)\$ {
            internal; default_type application/octet-stream; $package_rate $package_reply
        }

        # The install scripts.
        location ~ ^/_/raw\.githubusercontent\.com/Homebrew/install/[^/]+/install\.sh\$ { internal; default_type text/plain; alias $lib/scripts/homebrew-install.sh; }
        location ~ ^/_/astral\.sh/uv/(?:[^/]+/)?install\.sh\$ { internal; default_type text/x-sh; alias $lib/scripts/uv-install.sh; }
        location = /_/sh.rustup.rs/ { internal; rewrite ^ /_/rustup-install.sh last; }
        location = /_/rustup-install.sh { internal; default_type text/x-sh; alias $lib/scripts/rustup-install.sh; }

        # Adoptium's assets API; a major without a release is an empty list.
        location /_/api.adoptium.net/ { internal; default_type application/json; return 404 '{"errorMessage":"Not Found"}'; }
        location ~ ^/_/api\.adoptium\.net/v3/assets/latest/([0-9]+)/hotspot\$ {
            internal;
            default_type application/json;
            root "$site/adoptium/api";
            try_files /\$1-\$arg_architecture.json @no-release;
        }
        location @no-release { default_type application/json; return 200 '[]'; }

        # The telemetry backend.
        location /_/telemetry.kestraneguide.com/ { internal; $telemetry_location }

        # The maker's site, Warp's page, the MCP servers.
        location ~ ^/_/(?:kestraneguide\.com|www\.warp\.dev|mcp\.[a-z]+\.(?:dev|com)|static\.rust-lang\.org)/ {
            internal; default_type text/html; return 200 '<!doctype html><title>\$host</title><p>\$host</p>\n';
        }
    }
}
EOF
}

# Brings the internet up as the scenario says: ok and slow start nginx; down
# leaves every port closed (connections are refused); blackhole listens
# without ever accepting, so requests hang until their time-out.
macsim_network() {
    ip link set lo up || return 1
    if [[ -n ${MACSIM_CERTS_JOB:-} ]] && ! wait "$MACSIM_CERTS_JOB"; then
        echo "macsim: could not make the certificates (openssl)" >&2
        return 1
    fi
    macsim_name_service || return 1
    macsim_sample || { echo "macsim: could not write the readiness sample" >&2; return 1; }
    case $network in
    ok | slow)
        # GitHub's smart HTTP for the skills repository, behind nginx.
        perl "$MACSIM_LIB/git-http.pl" 8078 "$MACSIM_HOME/site/git" </dev/null >/dev/null 2>>"$MACSIM_LOG/git-http.log" &
        macsim_nginx_config
        printf '%s' "$REPLY" >"$MACSIM_RUN/nginx.conf" || return 1
        nginx -c "$MACSIM_RUN/nginx.conf" -e "$MACSIM_LOG/nginx-error.log" ||
            { echo "macsim: nginx did not start (see $MACSIM_LOG/nginx-error.log)" >&2; return 1; }
        ;;
    down) ;;
    blackhole)
        # perl is part of every Debian system; the sockets stay open until
        # the sim ends and nothing ever accepts a connection.
        perl -MIO::Socket::INET -e '
            my @s = map { IO::Socket::INET->new(LocalAddr => "127.0.0.1:$_", Listen => 1024, ReuseAddr => 1) or die "$_: $!\n" } (80, 443);
            close STDIN; close STDOUT; close STDERR; sleep' </dev/null >/dev/null 2>&1 &
        # The command starts once port 443 listens (state 0A in /proc/net/tcp).
        local tries address state rest
        for ((tries = 0; tries < 300; tries++)); do
            while read -r _ address _ state rest; do
                [[ $address == 0100007F:01BB && $state == 0A ]] && return 0
            done </proc/net/tcp
            sleep 0.01
        done
        echo "macsim: the blackhole's sockets did not open" >&2
        return 1
        ;;
    *) echo "macsim: network must be ok, slow, down or blackhole, not '$network'" >&2; return 1 ;;
    esac
}
