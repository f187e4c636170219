# Lays a scenario's Mac down, once per state folder, from inside the sim (the
# overlay is already the root). Sourced after lib.sh; the scenario's keys are
# described in tools/macsim/README.md. Everything but Homebrew's packages is
# queued and written by one mk_commit.

# Programs of this Linux machine that a Mac does not have: they would make a
# fresh Mac look like it has Node or a package manager.
MACSIM_NOT_ON_A_MAC=(node nodejs npm npx corepack gh mise uv uvx ruby gem bundle cargo rustc
    rustup claude codex aider brew jenv sdk yarn pnpm deno bun)

# /usr/bin programs that are shims on a Mac: they need the Command Line Tools.
MACSIM_CLT_SHIMS=(git clang clang++ cc c++ gcc g++ make python3 pip3)

layout_shell_files() {  # layout_shell_files HOME BREW
    local home=$1 brew=$2 zprofile="" zshrc=""
    if [[ $homebrew_on_path == yes && -n $brew ]]; then
        # What Homebrew's next steps tell a person to run.
        zprofile+=$'\n''eval "$('"$brew"' shellenv)"'$'\n'
    fi
    if [[ $shell_configured == yes ]]; then
        # As the assistant would have configured it on an earlier run.
        [[ -n $zprofile ]] || zprofile=$'# ~/.zprofile — PATH + environment, loaded once per login shell\n'
        zprofile+=$'\n# Varnel — shell environment\ntypeset -U path PATH\n'
        zshrc=$'# ~/.zshrc — aliases, completions, prompt (interactive shells)\n\n# Varnel — interactive shell\n'
        zshrc+=$'if type brew >/dev/null 2>&1; then\n  FPATH="$(brew --prefix)/share/zsh/site-functions:$FPATH"\nfi\n'
        zshrc+=$'autoload -Uz compinit && compinit\n[ -f "$HOME/.env" ] && set -a && source "$HOME/.env" && set +a\n'
        mk_private "$home/.env" $'# ~/.env — API keys for MCP servers and CLIs (sourced by ~/.zshrc). Fill in real values.\n# Uncomment a line and paste your own value.\n# export ANTHROPIC_API_KEY=...\n# export OPENAI_API_KEY=...\n# Example vendor-specific MCP key (rename per server):\n# export BRAVE_API_KEY=...\n'
    fi
    if [[ -n $java_home ]]; then
        zprofile+=$'\n''export JAVA_HOME=$(/usr/libexec/java_home -v '"$java_home"')'$'\n'
    fi
    [[ -z $zprofile ]] || mk_file "$home/.zprofile" "$zprofile"
    [[ -z $zshrc ]] || mk_file "$home/.zshrc" "$zshrc"
    if [[ -n $git_identity ]]; then
        # "Name <email>"
        local name=${git_identity%% <*} email=${git_identity##*<}
        mk_file "$home/.gitconfig" $'[user]\n\tname = '"$name"$'\n\temail = '"${email%>}"$'\n'
    fi
}

has_entry() {  # has_entry FILE NAME — an accounts file (passwd, group) has NAME
    local line
    while IFS= read -r line; do
        [[ $line == "$2:"* ]] && return 0
    done <"$1"
    return 1
}

# A Mac's ownership: the person owns the home folder, Homebrew's prefix and
# the apps they installed; /Applications is root:admin 775; /Library and the
# system stay root's.
macsim_ownership() {
    local mine=("$1") app
    [[ -d /opt/homebrew ]] && mine+=(/opt/homebrew)
    [[ -d /usr/local/Homebrew ]] && mine+=(/usr/local/*)
    for app in /Applications/*; do
        [[ $app == /Applications/Safari.app || $app == /Applications/Utilities ]] || mine+=("$app")
    done
    mkdir -p "$MACSIM_LOG" && /usr/bin/chown -R 501:20 -- "${mine[@]}" && /usr/bin/chown root:80 /Applications &&
        chmod 775 /Applications && chmod 1777 "$MACSIM_LOG"
}

macsim_layout() {
    local home=/Users/$user tool app jdk token prefix=""
    local hide=()
    for tool in "${MACSIM_NOT_ON_A_MAC[@]}"; do
        [[ -e /usr/bin/$tool || -L /usr/bin/$tool ]] && hide+=("/usr/bin/$tool")
    done
    ((${#hide[@]} == 0)) || rm -f -- "${hide[@]}"

    # The person, in the accounts database, an administrator who reaches root
    # only through sudo.
    mac_accounts || return 1

    for tool in "${MACSIM_CLT_SHIMS[@]}"; do
        mk_stub "/usr/bin/$tool" "$MACSIM_LIB/clt-shim" "$tool"
    done
    mk_dir "$home/Desktop" "$home/Documents" "$home/Downloads" "$home/Library/Application Support" \
        "$home/Library/Caches" "$home/Library/Preferences" /Users/Shared /Applications/Utilities /var/root \
        /Library/Java/JavaVirtualMachines /Library/Developer /var/db
    mac_system_version
    mac_app Safari.app com.apple.Safari 18.2
    [[ $clt == yes ]] && mac_clt
    for jdk in $jdks; do mac_jdk "$jdk" || return 1; done
    local IFS=,
    for app in $apps; do mac_app "$app"; done
    IFS=$' \t\n'

    # The Homebrew that a person's shell would find first.
    case $homebrew in
    none) ;;
    /opt/homebrew | /usr/local) mac_homebrew "$homebrew" && prefix=$homebrew ;;
    both) mac_homebrew /opt/homebrew && mac_homebrew /usr/local && prefix=/opt/homebrew ;;
    *) echo "macsim: homebrew must be none, /opt/homebrew, /usr/local or both, not '$homebrew'" >&2; return 1 ;;
    esac
    if [[ -z $prefix && -n $formulae$casks$stale_casks ]]; then
        echo "macsim: formulae and casks need homebrew=/opt/homebrew, /usr/local or both" >&2
        return 1
    fi
    for token in $stale_casks; do
        # Homebrew's record of a cask whose app or JDK has since been deleted.
        cask_info "$token" || { echo "macsim: unknown cask '$token'" >&2; return 1; }
        mk_dir "$prefix/Caskroom/$token/$CK_VERSION"
    done
    layout_shell_files "$home" "${prefix:+$prefix/bin/brew}"
    if declare -F scenario_setup >/dev/null; then
        scenario_setup || return 1
    fi
    mk_commit || return 1

    if [[ -n $formulae$casks ]]; then
        # Laid down as root (sudo asks root for no password); handed to the
        # person below, as if they had installed them.
        # shellcheck disable=SC2086
        MACSIM_LAYOUT=1 HOMEBREW_NO_AUTO_UPDATE=1 "$MACSIM_LIB/brew" "$prefix" install $formulae $casks || return 1
    fi
    macsim_ownership "$home"
}
