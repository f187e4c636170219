#!/bin/bash
# The simulated Mac's stand-in for Homebrew's official install script (served
# by the simulated curl). It checks and asks like the real one: refuses root,
# checks sudo access through /usr/bin/sudo (-A with SUDO_ASKPASS, -n with
# NONINTERACTIVE), installs the Command Line Tools through softwareupdate when
# they are missing, then lays Homebrew down in /opt/homebrew (Apple Silicon)
# or /usr/local (Intel) and prints the same next steps.
. /usr/libexec/macsim/lib.sh
: "${homebrew_install:=ok}"

abort() {
    printf '%s\n' "$@" >&2
    exit 1
}
ohai() { printf '==> %s\n' "$*"; }

macsim_log homebrew-install "NONINTERACTIVE=${NONINTERACTIVE:-} SUDO_ASKPASS=${SUDO_ASKPASS:-}"

[[ -n ${BASH_VERSION:-} ]] || abort "Bash is required to interpret this script."
macsim_is_root && abort "Don't run this as root!"

if [[ $arch == arm64 ]]; then PREFIX=/opt/homebrew; else PREFIX=/usr/local; fi
homebrew_repository "$PREFIX"
REPOSITORY=$REPLY

SUDO=(/usr/bin/sudo)
if [[ -n ${SUDO_ASKPASS:-} ]]; then
    SUDO+=(-A)
elif [[ -n ${NONINTERACTIVE:-} ]]; then
    SUDO+=(-n)
fi

execute_sudo() {
    ohai "/usr/bin/sudo $*"
    "${SUDO[@]}" "$@" || abort "Failed during: /usr/bin/sudo $*"
}

ohai 'Checking for `sudo` access (which may request your password)...'
if ! "${SUDO[@]}" -v; then
    abort "Need sudo access on macOS (e.g. the user ${USER:-$user} needs to be an Administrator)!"
fi

ohai "This script will install:"
echo "$PREFIX/bin/brew"
echo "$PREFIX/share/doc/homebrew"
echo "$PREFIX/share/man/man1/brew.1"
echo "$PREFIX/share/zsh/site-functions/_brew"
echo "$PREFIX/etc/bash_completion.d/brew"
echo "$REPOSITORY"
if [[ ! -d $PREFIX/bin ]]; then
    ohai "The following new directories will be created:"
    for dir in bin etc include lib sbin share var opt Cellar Caskroom Frameworks; do echo "$PREFIX/$dir"; done
fi
if ! macsim_developer_dir; then
    ohai "The Xcode Command Line Tools will be installed."
fi

if [[ -z ${NONINTERACTIVE:-} ]]; then
    echo
    echo "Press RETURN/ENTER to continue or any other key to abort:"
    IFS= read -rn1 key || key=""
    [[ -z $key ]] || exit 1
fi

[[ -d $PREFIX ]] || execute_sudo /bin/mkdir -p "$PREFIX"
execute_sudo /bin/chmod ug=rwx "$PREFIX"
execute_sudo /usr/sbin/chown "${USER:-$user}" "$PREFIX"
execute_sudo /usr/bin/chgrp admin "$PREFIX"

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
echo "HEAD is now at 3f2b2a1 Merge pull request #19001 from Homebrew/dependabot"
mac_homebrew "$PREFIX"
mk_commit || abort "Failed during: /bin/mkdir -p $PREFIX/bin"
ohai "Updating Homebrew..."
old_macos_warning
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
case ":${PATH:-}:" in
*":$PREFIX/bin:"*) ;;
*)
    echo "- Run these commands in your terminal to add Homebrew to your PATH:"
    echo "    echo >> $HOME/.zprofile"
    echo "    echo 'eval \"\$($PREFIX/bin/brew shellenv)\"' >> $HOME/.zprofile"
    echo "    eval \"\$($PREFIX/bin/brew shellenv)\""
    ;;
esac
echo "- Run brew help to get started"
echo "- Further documentation:"
echo "    https://docs.brew.sh"
echo
