#!/bin/bash
# The simulated Mac's stand-in for Homebrew's official install script (served
# by the sim's internet at raw.githubusercontent.com). It checks and asks like
# the real one: refuses root, checks sudo access through /usr/bin/sudo (-A
# with SUDO_ASKPASS, -n with NONINTERACTIVE, whose failure it hides as the
# real one does), installs the Command Line Tools through softwareupdate when
# they are missing, creates the prefix through sudo and hands it to the user
# (/opt/homebrew on Apple Silicon, /usr/local on Intel), writes
# /etc/paths.d/homebrew and prints the same next steps.
. /usr/libexec/macsim/lib.sh
: "${homebrew_install:=ok}"

abort() {
    printf '%s\n' "$@" >&2
    exit 1
}
ohai() { printf '==> %s\n' "$*"; }
shell_join() {
    local arg out=""
    for arg in "$@"; do printf -v arg '%q' "$arg"; out+=${out:+ }$arg; done
    REPLY=$out
}

macsim_log homebrew-install "NONINTERACTIVE=${NONINTERACTIVE:-} SUDO_ASKPASS=${SUDO_ASKPASS:-}"

[[ -n ${BASH_VERSION:-} ]] || abort "Bash is required to interpret this script."
unset HAVE_SUDO_ACCESS

# A credential that was not cached when the script started is dropped when it ends.
if ! /usr/bin/sudo -n -v 2>/dev/null; then
    trap '/usr/bin/sudo -k' EXIT
fi

if [[ -n ${NONINTERACTIVE-} ]]; then
    ohai 'Running in non-interactive mode because `$NONINTERACTIVE` is set.'
elif [[ -n ${CI-} ]]; then
    echo 'Warning: Running in non-interactive mode because `$CI` is set.' >&2
    NONINTERACTIVE=1
elif [[ ! -t 0 ]]; then
    echo 'Warning: Running in non-interactive mode because `stdin` is not a TTY.' >&2
    NONINTERACTIVE=1
fi

macsim_is_root && abort "Don't run this as root!"

if [[ $arch == arm64 ]]; then PREFIX=/opt/homebrew; else PREFIX=/usr/local; fi
homebrew_repository "$PREFIX"
REPOSITORY=$REPLY

have_sudo_access() {
    [[ -n ${HAVE_SUDO_ACCESS-} ]] && return "$HAVE_SUDO_ACCESS"
    local sudo=(/usr/bin/sudo)
    if [[ -n ${SUDO_ASKPASS-} ]]; then
        sudo+=(-A)
    elif [[ -n ${NONINTERACTIVE-} ]]; then
        sudo+=(-n)
    fi
    if [[ -n ${NONINTERACTIVE-} ]]; then
        "${sudo[@]}" -l mkdir &>/dev/null
    else
        "${sudo[@]}" -v && "${sudo[@]}" -l mkdir &>/dev/null
    fi
    HAVE_SUDO_ACCESS=$?
    ((HAVE_SUDO_ACCESS == 0)) ||
        abort "Need sudo access on macOS (e.g. the user ${USER:-$user} needs to be an Administrator)!"
    return "$HAVE_SUDO_ACCESS"
}

execute_sudo() {
    local args=("$@")
    [[ -n ${SUDO_ASKPASS-} ]] && args=(-A "${args[@]}")
    shell_join /usr/bin/sudo "${args[@]}"
    local line=$REPLY
    ohai "$line"
    /usr/bin/sudo "${args[@]}" || abort "Failed during: $line"
}

ohai 'Checking for `sudo` access (which may request your password)...'
have_sudo_access

# Homebrew supports macOS 14 and later; older ones get a warning, and the install goes on.
if ((${macos_version%%.*} < 14)); then
    IFS=. read -r major minor _ <<<"$macos_version"
    version=$major.${minor:-0}
    ohai "You are using macOS $version."
    ohai "We (and Apple) do not provide support for this old version."
    echo "This installation may not succeed."
    echo "After installation, you will encounter build failures with some formulae."
    echo "Please create pull requests instead of asking for help on Homebrew's GitHub,"
    echo "Twitter or any other official channels. You are responsible for resolving any"
    echo "issues you experience while you are running this old version."
    echo
fi

DIRECTORIES=(bin etc include lib sbin share var opt share/zsh share/zsh/site-functions var/homebrew
    var/homebrew/linked Cellar Caskroom Frameworks)
MKDIRS=()
for dir in "${DIRECTORIES[@]}"; do [[ -d $PREFIX/$dir ]] || MKDIRS+=("$PREFIX/$dir"); done

ohai "This script will install:"
echo "$PREFIX/bin/brew"
echo "$PREFIX/share/doc/homebrew"
echo "$PREFIX/share/man/man1/brew.1"
echo "$PREFIX/share/zsh/site-functions/_brew"
echo "$PREFIX/etc/bash_completion.d/brew"
echo "$REPOSITORY"
echo "/etc/paths.d/homebrew"
if ((${#MKDIRS[@]})); then
    ohai "The following new directories will be created:"
    printf '%s\n' "${MKDIRS[@]}"
fi
if ! macsim_developer_dir; then
    ohai "The Xcode Command Line Tools will be installed."
fi

if [[ -z ${NONINTERACTIVE:-} ]]; then
    echo
    echo "Press RETURN/ENTER to continue or any other key to abort:"
    IFS= read -rsn1 key || key=""
    [[ -z $key ]] || exit 1
fi

[[ -d $PREFIX ]] || execute_sudo /usr/bin/install -d -o root -g wheel -m 0755 "$PREFIX"
if ((${#MKDIRS[@]})); then
    execute_sudo /bin/mkdir -p "${MKDIRS[@]}"
    execute_sudo /bin/chmod ug=rwx "${MKDIRS[@]}"
    execute_sudo /bin/chmod go-w "$PREFIX/share/zsh" "$PREFIX/share/zsh/site-functions"
    execute_sudo /usr/sbin/chown "${USER:-$user}" "${MKDIRS[@]}"
    execute_sudo /usr/bin/chgrp admin "${MKDIRS[@]}"
fi
if [[ $REPOSITORY == "$PREFIX" ]]; then
    execute_sudo /usr/sbin/chown -R "${USER:-$user}:admin" "$PREFIX"
elif [[ ! -d $REPOSITORY ]]; then
    execute_sudo /bin/mkdir -p "$REPOSITORY"
    execute_sudo /usr/sbin/chown -R "${USER:-$user}:admin" "$REPOSITORY"
fi

if ! macsim_developer_dir; then
    marker=/tmp/.com.apple.dt.CommandLineTools.installondemand.in-progress
    ohai "Searching online for the Command Line Tools"
    execute_sudo /usr/bin/touch "$marker"
    label=$(/usr/sbin/softwareupdate -l 2>/dev/null | grep -B 1 -E 'Command Line Tools' |
        awk -F'*' '/^ *\*/ {print $2}' | sed -e 's/^ *Label: //' -e 's/^ *//' | sort -V | tail -n1)
    if [[ -n $label ]]; then
        ohai "Installing $label"
        execute_sudo /usr/sbin/softwareupdate -i "$label"
        execute_sudo /usr/bin/xcode-select --switch /Library/Developer/CommandLineTools
    fi
    execute_sudo /bin/rm -f "$marker"
    macsim_developer_dir || abort "The Command Line Tools could not be installed: softwareupdate offered none." \
        "Install them with xcode-select --install and run this script again."
fi

ohai "Downloading and installing Homebrew..."
macsim_pause
if [[ $homebrew_install == fail ]]; then
    echo "fatal: unable to access 'https://github.com/Homebrew/brew/': Could not resolve host: github.com" >&2
    abort "Failed during: /usr/bin/git fetch --force origin"
fi
mac_homebrew "$PREFIX"
mk_commit || abort "Failed during: /usr/bin/git fetch --force origin"
execute_sudo /bin/mkdir -p /etc/paths.d
ohai "/usr/bin/sudo tee /etc/paths.d/homebrew"
printf '%s\n' "$PREFIX/bin" | /usr/bin/sudo ${SUDO_ASKPASS:+-A} tee /etc/paths.d/homebrew ||
    abort "Failed during: /usr/bin/sudo tee /etc/paths.d/homebrew"
execute_sudo /usr/sbin/chown root:wheel /etc/paths.d/homebrew
execute_sudo /bin/chmod a+r /etc/paths.d/homebrew
ohai "Updating Homebrew..."
ohai "Installation successful!"
echo
ohai "Homebrew has enabled anonymous aggregate formulae and cask analytics."
echo "Read the analytics documentation (and how to opt-out) here:"
echo "  https://docs.brew.sh/Analytics"
echo "No analytics data has been sent yet (nor will any be during this install run)."
echo
ohai "Homebrew is run entirely by unpaid volunteers. Please consider donating:"
echo "  https://github.com/Homebrew/brew#donations"
echo
ohai "Next steps:"
# A ~/.zprofile that already evaluates brew shellenv gets only the command for
# the current shell, and that only while brew is not on its PATH.
if grep -qsF "eval \"\$($PREFIX/bin/brew shellenv" "${ZDOTDIR:-$HOME}/.zprofile"; then
    case ":${PATH:-}:" in
    *":$PREFIX/bin:"*) ;;
    *)
        echo "- Run this command in your terminal to add Homebrew to your PATH:"
        echo "    eval \"\$($PREFIX/bin/brew shellenv zsh)\""
        ;;
    esac
else
    case ":${PATH:-}:" in
    *":$PREFIX/bin:"*) ;;
    *)
        echo "- Run these commands in your terminal to add Homebrew to your PATH:"
        echo "    echo >> $HOME/.zprofile"
        echo "    echo 'eval \"\$($PREFIX/bin/brew shellenv zsh)\"' >> $HOME/.zprofile"
        echo "    eval \"\$($PREFIX/bin/brew shellenv zsh)\""
        ;;
    esac
fi
echo "- Run brew help to get started"
echo "- Further documentation:"
echo "    https://docs.brew.sh"
echo
