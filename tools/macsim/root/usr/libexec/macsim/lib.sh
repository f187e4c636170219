# Shared by every program of the simulated Mac: the scenario, the logs, and the
# builders that lay down apps, JDKs, command-line tools and Apple's Command
# Line Tools. Sourced by bash scripts only.
#
# Starting a process costs several milliseconds on the machines we run on, so
# the builders queue their work (mk_dir, mk_file, mk_exec, mk_private) and
# mk_commit does it with one mkdir and one chmod per mode; everything else
# uses shell builtins.

MACSIM_LIB=/usr/libexec/macsim
MACSIM_HOST=$MACSIM_LIB/host-usr/bin   # the machine's own programs (uname, curl, git…)
MACSIM_RUN=/run/macsim                 # this session only: scenario, sudo timestamp, answers
MACSIM_LOG=/var/log/macsim             # what the programs were asked; kept with the state

# The effective scenario of this session (the state's scenario plus --set).
if [[ -r $MACSIM_RUN/scenario.conf ]]; then
    # shellcheck disable=SC1091
    . "$MACSIM_RUN/scenario.conf"
fi
: "${arch:=arm64}" "${macos_version:=15.2}" "${macos_build:=24C101}"
: "${user:=maya}" "${full_name:=Maya Lin}" "${password:=macsim}" "${dialog:=ok}"
: "${clt:=no}" "${clt_available:=yes}" "${homebrew:=none}" "${homebrew_on_path:=no}"
: "${install_seconds:=0}" "${clt_seconds:=0}" "${gh_auth:=accept}"
: "${formulae:=}" "${casks:=}" "${stale_casks:=}" "${apps:=}" "${jdks:=}" "${java_home:=}"
: "${shell_configured:=no}" "${git_identity:=}" "${homebrew_install:=ok}"
: "${flaky_casks:=}" "${sudo_bypass_casks:=}" "${network:=ok}" "${telemetry:=ok}" "${packages:=ok}"

macsim_log() {  # macsim_log NAME TEXT… — one line in /var/log/macsim/NAME.log
    local file=$MACSIM_LOG/$1.log
    shift
    # The user's programs and root's (through sudo) write the same logs.
    [[ -e $file ]] || (umask 0 && : >>"$file") 2>/dev/null
    printf '%s\n' "$*" >>"$file" 2>/dev/null || true
}

macsim_pause() {  # the scenario's install_seconds, so that installs take a while
    [[ $install_seconds == 0 ]] || macsim_sleep "$install_seconds"
}

# A wait that a stop ends, as it ends the real program's work: bash runs no
# trap while a foreground command runs, and a killed script would leave its
# `sleep` behind.
macsim_sleep() {  # macsim_sleep SECONDS
    sleep "$1" &
    _macsim_sleeper=$!
    trap 'kill "$_macsim_sleeper" 2>/dev/null; exit 143' TERM
    trap 'kill "$_macsim_sleeper" 2>/dev/null; exit 130' INT
    trap 'kill "$_macsim_sleeper" 2>/dev/null; exit 129' HUP
    wait "$_macsim_sleeper"
    trap - TERM INT HUP
}

macsim_is_root() { ((EUID == 0)); }

# ---- queued file-system work ----------------------------------------------------

_mk_dirs=() _mk_paths=() _mk_data=() _mk_execs=() _mk_privates=()

mk_dir() { _mk_dirs+=("$@"); }
mk_file() {  # mk_file PATH CONTENT
    _mk_dirs+=("${1%/*}")
    _mk_paths+=("$1")
    _mk_data+=("$2")
}
mk_exec() {  # mk_exec PATH CONTENT — an executable file
    mk_file "$1" "$2"
    _mk_execs+=("$1")
}
mk_private() {  # mk_private PATH CONTENT — a file only its owner may read (mode 600)
    mk_file "$1" "$2"
    _mk_privates+=("$1")
}
mk_stub() {  # mk_stub PATH PROGRAM ARGS… — an executable that runs one of our programs
    local line='MACSIM_ARGV0="$0" exec' arg quoted
    for arg in "${@:2}"; do
        printf -v quoted '%q' "$arg"
        line+=" $quoted"
    done
    mk_exec "$1" "#!/bin/bash
$line \"\$@\"
"
}
mk_commit() {
    local i
    ((${#_mk_dirs[@]} == 0)) || mkdir -p -- "${_mk_dirs[@]}" || return 1
    for i in "${!_mk_paths[@]}"; do
        printf '%s' "${_mk_data[i]}" >"${_mk_paths[i]}" || return 1
    done
    ((${#_mk_execs[@]} == 0)) || chmod 755 -- "${_mk_execs[@]}" || return 1
    ((${#_mk_privates[@]} == 0)) || chmod 600 -- "${_mk_privates[@]}" || return 1
    _mk_dirs=() _mk_paths=() _mk_data=() _mk_execs=() _mk_privates=()
}

# ---- property lists ---------------------------------------------------------------

xml_escape() {
    local s=${1//&/&amp;}
    s=${s//</&lt;}
    REPLY=${s//>/&gt;}
}

plist_strings() {  # plist_strings INDENT KEY VALUE… — <key>/<string> pairs
    local indent=$1 out=""
    shift
    while (($# >= 2)); do
        xml_escape "$2"
        out+="$indent<key>$1</key>
$indent<string>$REPLY</string>
"
        shift 2
    done
    REPLY=$out
}

plist_document() {  # plist_document BODY — wraps the lines of a top-level dict
    REPLY='<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
'"$1"'</dict>
</plist>
'
}

# ---- the operating system -----------------------------------------------------------

mac_system_version() {
    local major=${macos_version%%.*}
    plist_strings $'\t' BuildID "$macos_build" ProductBuildVersion "$macos_build" \
        ProductCopyright "1983-2024 Apple Inc." ProductName macOS \
        ProductUserVisibleVersion "$macos_version" ProductVersion "$macos_version" \
        iOSSupportVersion "$((major + 3)).${macos_version#*.}"
    plist_document "$REPLY"
    mk_file /System/Library/CoreServices/SystemVersion.plist "$REPLY"
}

macsim_triple() {  # aarch64 or x86_64: the architecture as installers and downloads name it
    if [[ $arch == arm64 ]]; then REPLY=aarch64; else REPLY=x86_64; fi
}

# ---- applications -----------------------------------------------------------------------

# cask_info TOKEN: sets CK_VERSION, CK_KIND (app, binary or pkg), CK_ARTIFACT
# (the app bundle, the command, or the JDK) and CK_ID (bundle or package id).
cask_info() {
    CK_ID=""
    case $1 in
    warp) CK_VERSION=0.2024.12.18.08.02.stable_04 CK_KIND=app CK_ARTIFACT=Warp.app CK_ID=dev.warp.Warp-Stable ;;
    zed) CK_VERSION=0.167.1 CK_KIND=app CK_ARTIFACT=Zed.app CK_ID=dev.zed.Zed ;;
    claude) CK_VERSION=0.7.8 CK_KIND=app CK_ARTIFACT=Claude.app CK_ID=com.anthropic.claudefordesktop ;;
    chatgpt) CK_VERSION=1.2024.346 CK_KIND=app CK_ARTIFACT=ChatGPT.app CK_ID=com.openai.chat ;;
    visual-studio-code) CK_VERSION=1.96.2 CK_KIND=app CK_ARTIFACT="Visual Studio Code.app" CK_ID=com.microsoft.VSCode ;;
    cursor) CK_VERSION=0.44.9 CK_KIND=app CK_ARTIFACT=Cursor.app CK_ID=com.todesktop.230313mzl4w4u92 ;;
    windsurf) CK_VERSION=1.1.2 CK_KIND=app CK_ARTIFACT=Windsurf.app CK_ID=com.exafunction.windsurf ;;
    iterm2) CK_VERSION=3.5.10 CK_KIND=app CK_ARTIFACT=iTerm.app CK_ID=com.googlecode.iterm2 ;;
    ghostty) CK_VERSION=1.0.1 CK_KIND=app CK_ARTIFACT=Ghostty.app CK_ID=com.mitchellh.ghostty ;;
    intellij-idea-ce) CK_VERSION=2024.3.1 CK_KIND=app CK_ARTIFACT="IntelliJ IDEA CE.app" CK_ID=com.jetbrains.intellij.ce ;;
    intellij-idea) CK_VERSION=2024.3.1 CK_KIND=app CK_ARTIFACT="IntelliJ IDEA.app" CK_ID=com.jetbrains.intellij ;;
    codex) CK_VERSION=0.46.0 CK_KIND=binary CK_ARTIFACT=codex ;;
    claude-code | claude-code@latest) CK_VERSION=2.0.14 CK_KIND=binary CK_ARTIFACT=claude ;;
    temurin) CK_VERSION=25.0.1,8 CK_KIND=pkg CK_ARTIFACT=temurin-25 CK_ID=net.temurin.25.jdk ;;
    temurin@[0-9]*)
        local major=${1#temurin@}
        jdk_info "temurin-$major" || return 1
        CK_VERSION=$JDK_VERSION CK_KIND=pkg CK_ARTIFACT=temurin-$major CK_ID=net.temurin.$major.jdk
        ;;
    *) return 1 ;;
    esac
}

cask_token_for_app() {  # the cask that installs APP (e.g. Warp.app → warp), if any
    local token
    for token in warp zed claude chatgpt visual-studio-code cursor windsurf iterm2 ghostty \
        intellij-idea-ce intellij-idea; do
        cask_info "$token"
        [[ $CK_ARTIFACT == "$1" ]] && { REPLY=$token; return 0; }
    done
    return 1
}

mac_app() {  # mac_app NAME.app [BUNDLE_ID] [VERSION] — an application bundle in /Applications
    local app=$1 id=${2:-} version=${3:-1.0}
    local name=${app%.app}
    if [[ -z $id ]]; then
        id=com.example.${name// /-}
        if cask_token_for_app "$app"; then
            cask_info "$REPLY"
            id=$CK_ID version=$CK_VERSION
        fi
    fi
    local contents="/Applications/$app/Contents"
    plist_strings $'\t' CFBundleExecutable "$name" CFBundleIdentifier "$id" CFBundleName "$name" \
        CFBundlePackageType APPL CFBundleShortVersionString "${version%%,*}" CFBundleVersion "$version"
    plist_document "$REPLY"
    mk_file "$contents/Info.plist" "$REPLY"
    mk_file "$contents/PkgInfo" "APPL????"
    mk_dir "$contents/Resources"
    mk_stub "$contents/MacOS/$name" "$MACSIM_LIB/tool" app "$name" "$version"
}

# ---- Java ------------------------------------------------------------------------------

# jdk_info ID: ID is vendor-major (temurin-21, adoptopenjdk-8, zulu-17…).
# Sets JDK_DIR (entry in /Library/Java/JavaVirtualMachines), JDK_VERSION,
# JDK_VENDOR, JDK_NAME, JDK_ARCH, JDK_MAJOR.
jdk_info() {
    local vendor=${1%-*} major=${1##*-}
    [[ $major =~ ^[0-9]+$ && $vendor != "$1" ]] || return 1
    JDK_MAJOR=$major JDK_DIR=$1.jdk JDK_ARCH=$arch
    case $major in
    8) JDK_VERSION=1.8.0_432 ;;
    11) JDK_VERSION=11.0.25 ;;
    17) JDK_VERSION=17.0.13 ;;
    21) JDK_VERSION=21.0.5 ;;
    25) JDK_VERSION=25.0.1 ;;
    *) JDK_VERSION=$major.0.1 ;;
    esac
    case $vendor in
    temurin) JDK_VENDOR="Eclipse Adoptium" JDK_NAME="OpenJDK $JDK_VERSION" ;;
    adoptopenjdk)
        # The old AdoptOpenJDK builds were Intel-only.
        JDK_VENDOR=AdoptOpenJDK JDK_ARCH=x86_64
        [[ $major == 8 ]] && JDK_VERSION=1.8.0_292
        JDK_NAME="AdoptOpenJDK $major"
        ;;
    zulu) JDK_VENDOR=Azul JDK_NAME="Zulu $major" ;;
    oracle) JDK_VENDOR="Oracle Corporation" JDK_NAME="Java SE $major" ;;
    *) JDK_VENDOR=$vendor JDK_NAME="OpenJDK $JDK_VERSION" ;;
    esac
}

# mac_jdk ID — a JDK bundle with release file, Info.plist and bin/java.
# "broken:NAME" lays down NAME.jdk with nothing inside, which no tool can read.
mac_jdk() {
    local jvms=/Library/Java/JavaVirtualMachines
    if [[ $1 == broken:* ]]; then
        mk_dir "$jvms/${1#broken:}.jdk/Contents"
        return 0
    fi
    jdk_info "$1" || { echo "macsim: unknown JDK '$1' (use vendor-major, e.g. temurin-21)" >&2; return 1; }
    local contents="$jvms/$JDK_DIR/Contents" home
    home=$contents/Home
    plist_strings $'\t\t' JVMArch "$JDK_ARCH" JVMName "$JDK_NAME" JVMPlatformVersion "$JDK_VERSION" \
        JVMVendor "$JDK_VENDOR" JVMVersion "$JDK_VERSION"
    local javavm=$REPLY
    plist_strings $'\t' CFBundleIdentifier "net.${1%-*}.$JDK_MAJOR.jdk" CFBundleName "$JDK_NAME" \
        CFBundleShortVersionString "$JDK_VERSION"
    plist_document "$REPLY"$'\t<key>JavaVM</key>\n\t<dict>\n'"$javavm"$'\t</dict>\n'
    mk_file "$contents/Info.plist" "$REPLY"
    mk_file "$home/release" "IMPLEMENTOR=\"$JDK_VENDOR\"
JAVA_VERSION=\"$JDK_VERSION\"
OS_ARCH=\"$JDK_ARCH\"
OS_NAME=\"Darwin\"
"
    local bin
    for bin in java javac jar jshell; do
        mk_stub "$home/bin/$bin" "$MACSIM_LIB/tool" "$bin" "$JDK_VERSION" "$JDK_VENDOR"
    done
    mk_dir "$home/lib" "$contents/MacOS"
}

version_newer() {  # version_newer A B: A is a higher version than B (21.0.5 > 17.0.13 > 1.8.0_292)
    local -a a b
    IFS='._+-' read -ra a <<<"$1"
    IFS='._+-' read -ra b <<<"$2"
    local i x y
    for ((i = 0; i < ${#a[@]} || i < ${#b[@]}; i++)); do
        x=${a[i]:-0} y=${b[i]:-0}
        [[ $x =~ ^[0-9]+$ && $y =~ ^[0-9]+$ ]] || { [[ $x > $y ]] && return 0; [[ $x < $y ]] && return 1; continue; }
        ((10#$x > 10#$y)) && return 0
        ((10#$x < 10#$y)) && return 1
    done
    return 1
}

# jvm_list: the JDKs of /Library/Java/JavaVirtualMachines that have a readable
# Info.plist with JavaVM/JVMVersion, newest first, as java_home sees them.
# Fills JVM_HOMES, JVM_VERSIONS, JVM_ARCHS, JVM_VENDORS, JVM_NAMES.
jvm_list() {
    JVM_HOMES=() JVM_VERSIONS=() JVM_ARCHS=() JVM_VENDORS=() JVM_NAMES=()
    local dir line key="" i j
    local -A value
    for dir in /Library/Java/JavaVirtualMachines/*/; do
        [[ -r ${dir}Contents/Info.plist && -d ${dir}Contents/Home ]] || continue
        value=()
        while IFS= read -r line || [[ -n $line ]]; do
            if [[ $line =~ \<key\>([^<]*)\</key\> ]]; then
                key=${BASH_REMATCH[1]}
                [[ $line =~ \</key\>[[:space:]]*\<string\>([^<]*)\</string\> ]] && value[$key]=${BASH_REMATCH[1]} && key=""
            elif [[ -n $key && $line =~ \<string\>([^<]*)\</string\> ]]; then
                value[$key]=${BASH_REMATCH[1]}
                key=""
            elif [[ $line == *'<'* && $line != *'<dict>'* ]]; then
                key=""
            fi
        done <"${dir}Contents/Info.plist"
        [[ -n ${value[JVMVersion]:-} ]] || continue
        JVM_HOMES+=("${dir}Contents/Home")
        JVM_VERSIONS+=("${value[JVMVersion]}")
        JVM_ARCHS+=("${value[JVMArch]:-$arch}")
        JVM_VENDORS+=("${value[JVMVendor]:-}")
        JVM_NAMES+=("${value[JVMName]:-${value[CFBundleName]:-}}")
    done
    # Newest first: an insertion sort over a handful of entries.
    for ((i = 1; i < ${#JVM_HOMES[@]}; i++)); do
        for ((j = i; j > 0; j--)); do
            version_newer "${JVM_VERSIONS[j]}" "${JVM_VERSIONS[j - 1]}" || break
            local k
            for k in JVM_HOMES JVM_VERSIONS JVM_ARCHS JVM_VENDORS JVM_NAMES; do
                local -n list=$k
                local swap=${list[j]}
                list[j]=${list[j - 1]}
                list[j - 1]=$swap
                unset -n list
            done
        done
    done
}

# ---- Apple's Command Line Tools ---------------------------------------------------------

CLT=/Library/Developer/CommandLineTools
CLT_LABELS=("Command Line Tools for Xcode-15.3" "Command Line Tools for Xcode-16.2")

macsim_developer_dir() {  # the active developer directory, as xcode-select -p prints it
    local link
    if [[ -r /var/db/xcode_select_link ]] && read -r link </var/db/xcode_select_link && [[ -d $link ]]; then
        REPLY=$link
    elif [[ -d /Applications/Xcode.app/Contents/Developer ]]; then
        REPLY=/Applications/Xcode.app/Contents/Developer
    elif [[ -d $CLT ]]; then
        REPLY=$CLT
    else
        return 1
    fi
}

mac_clt() {
    local tool
    for tool in clang clang++ cc c++ gcc g++ make python3 pip3 git; do
        mk_stub "$CLT/usr/bin/$tool" "$MACSIM_LIB/clt-tool" "$tool"
    done
    mk_dir "$CLT/SDKs/MacOSX.sdk/usr/include" "$CLT/usr/lib" "$CLT/usr/share"
    mk_file "$CLT/.macsim-version" "${CLT_LABELS[-1]##*-}"
}

# ---- Homebrew ------------------------------------------------------------------------------

homebrew_repository() {  # where Homebrew's own files live for PREFIX
    if [[ $1 == /usr/local ]]; then REPLY=/usr/local/Homebrew; else REPLY=$1; fi
}

mac_homebrew() {  # mac_homebrew PREFIX — Homebrew's tree with its brew
    local prefix=$1 dir
    homebrew_repository "$prefix"
    local repo=$REPLY
    for dir in bin etc include lib opt sbin share/zsh/site-functions var/homebrew/linked \
        Cellar Caskroom Frameworks; do
        mk_dir "$prefix/$dir"
    done
    mk_dir "$repo/Library/Taps/homebrew" "$repo/.git"
    mk_stub "$repo/bin/brew" "$MACSIM_LIB/brew" "$prefix"
    [[ $repo == "$prefix" ]] || mk_stub "$prefix/bin/brew" "$MACSIM_LIB/brew" "$prefix"
}

# ---- Homebrew's messages ------------------------------------------------------------------------

old_macos_warning() {  # what Homebrew prints on a macOS it no longer supports
    ((${macos_version%%.*} <= 13)) || return 0
    cat >&2 <<EOF
Warning: You are using macOS ${macos_version%%.*}.
We (and Apple) do not provide support for this old version.
It is expected behaviour that some formulae will fail to build in this old version.
It is expected behaviour that Homebrew will be buggy and slow.
Do not create any issues about this on Homebrew's GitHub repositories.
Do not create any issues even if you think this message is unrelated.
Any opened issues will be immediately closed without response.
Do not ask for help from Homebrew or its maintainers on social media.
You may ask for help in Homebrew's discussions but are unlikely to receive a response.
Try to figure out the problem yourself and submit a fix as a pull request.
We will review it but may or may not accept it.

EOF
}

# ---- shell files -----------------------------------------------------------------------------

append_line() {  # append_line FILE TEXT — the way a person (or an installer) adds to a dotfile
    printf '%s\n' "$2" >>"$1"
}

# ---- the Mac's user, groups, password and sudo -------------------------------------------

# An administrator's groups on a Mac, by gid (the first is the primary group).
MAC_GROUPS=(staff:20 everyone:12 _appstore:33 localaccounts:61 _appserverusr:79 admin:80
    _appserveradm:81 _lpadmin:98 _lpoperator:100 _developer:204 _analyticsusers:250
    com.apple.access_ftp:395 com.apple.access_screensharing:398 com.apple.access_ssh:399
    com.apple.access_remote_ae:400)
MACSIM_GIDS=""
for _group in "${MAC_GROUPS[@]}"; do MACSIM_GIDS+=${MACSIM_GIDS:+,}${_group#*:}; done
unset _group

# The person in the accounts files (uid 501, primary group staff, an
# administrator), Mac groups in place of this machine's where names or gids
# meet, and sudo configured as macOS ships it.
mac_accounts() {
    local line lines=() kept=() group name gid
    local -A taken
    for group in "${MAC_GROUPS[@]}" wheel:0; do taken[${group%%:*}]=1 taken[:${group#*:}]=1; done
    mapfile -t lines </etc/group
    for line in "${lines[@]}"; do
        name=${line%%:*} gid=${line#*:*:} gid=${gid%%:*}
        [[ -n ${taken[$name]:-} || -n ${taken[:$gid]:-} ]] || kept+=("$line")
    done
    kept+=("wheel:x:0:root")
    for group in "${MAC_GROUPS[@]}"; do
        name=${group%%:*}
        [[ $name == staff ]] && kept+=("staff:x:20:") && continue
        kept+=("$name:x:${group#*:}:$user")
    done
    printf '%s\n' "${kept[@]}" >/etc/group || return 1
    has_entry /etc/passwd "$user" || append_line /etc/passwd "$user:x:501:20:$full_name:/Users/$user:/bin/zsh"
    has_entry /etc/shadow "$user" || append_line /etc/shadow "$user:*:20000:0:99999:7:::"
    # macOS's sudoers: administrators may run anything, the password is kept
    # 5 minutes, no lecture, and the prompt is sudo's own "Password: ".
    printf '%s\n' 'Defaults	env_reset' \
        'Defaults	env_keep += "BLOCKSIZE COLORFGBG COLORTERM __CF_USER_TEXT_ENCODING"' \
        'Defaults	env_keep += "CHARSET LANG LANGUAGE LC_ALL LC_COLLATE LC_CTYPE"' \
        'Defaults	env_keep += "LC_MESSAGES LC_MONETARY LC_NUMERIC LC_TIME"' \
        'Defaults	env_keep += "LINES COLUMNS LSCOLORS SSH_AUTH_SOCK TZ"' \
        'Defaults	env_keep += "DISPLAY XAUTHORIZATION XAUTHORITY EDITOR VISUAL HOME MAIL"' \
        'Defaults	timestamp_timeout=5' 'Defaults	!lecture' 'Defaults	passprompt="Password: "' \
        'Defaults	!syslog' \
        '' 'root	ALL = (ALL) ALL' '%admin	ALL = (ALL) ALL' >/etc/sudoers
}

# Keeps the user's password in /etc/shadow the scenario's (it may change per
# run with --set password=…). mac_password_hash starts making the hash in the
# background, only when the password changed; mac_password writes it.
mac_password_hash() {
    local recorded="" marker=$MACSIM_LIB/.password
    MACSIM_HASH_JOB=""
    [[ -r $marker ]] && IFS= read -r recorded <"$marker"
    [[ -e $marker && $recorded == "$password" ]] && return 0
    if [[ $password == macsim ]]; then
        # The default's hash (openssl passwd -6 -salt macsimsalt macsim), kept
        # here because every Mac in memory would make it again.
        printf '%s\n' '$6$macsimsalt$b4fkjp3DLvehbxZBraNqHQ8C/L/uDFIhVGCTD07O4ZRjIARhteOgCZKLkvdYL77YlbY6tMuMcpmQ9Bt/6J8JL/' \
            >"$MACSIM_RUN/password-hash"
        MACSIM_HASH_JOB=done
        return 0
    fi
    openssl passwd -6 -stdin <<<"$password" >"$MACSIM_RUN/password-hash" &
    MACSIM_HASH_JOB=$!
}

mac_password() {
    [[ -n ${MACSIM_HASH_JOB:-} ]] || return 0
    [[ $MACSIM_HASH_JOB == done ]] || wait "$MACSIM_HASH_JOB" || return 1
    local hash line lines=() i
    IFS= read -r hash <"$MACSIM_RUN/password-hash" || return 1
    mapfile -t lines </etc/shadow
    for i in "${!lines[@]}"; do
        line=${lines[i]}
        [[ $line == "$user:"* ]] || continue
        line=${line#*:*:}
        lines[i]="$user:$hash:$line"
    done
    printf '%s\n' "${lines[@]}" >/etc/shadow || return 1
    printf '%s\n' "$password" >"$MACSIM_LIB/.password"
}

# ---- what the kernel and the hardware report -----------------------------------------------

# darwin_release: the Darwin release of the scenario's macOS (15.2 → 24.2.0;
# macOS 26 runs Darwin 25).
darwin_release() {
    local major minor
    IFS=. read -r major minor _ <<<"$macos_version"
    if ((major >= 26)); then major=$((major - 1)); else major=$((major + 9)); fi
    REPLY=$major.${minor:-0}.0
}

# mac_hardware: what sysctl and uname tell of the machine, as MAC_HW_<oid
# with underscores> variables.
mac_hardware() {
    darwin_release
    MAC_RELEASE=$REPLY
    if [[ $arch == arm64 ]]; then
        MAC_CPU="Apple M3 Pro" MAC_NCPU=12 MAC_MODEL=Mac15,6 MAC_PROCESSOR=arm
        MAC_KERNEL_VERSION="Darwin Kernel Version $MAC_RELEASE: Fri Nov 15 15:13:15 PST 2024; root:xnu-11215.61.5~2/RELEASE_ARM64_T6030"
    else
        MAC_CPU="Intel(R) Core(TM) i7-9750H CPU @ 2.60GHz" MAC_NCPU=12 MAC_MODEL=MacBookPro16,1 MAC_PROCESSOR=i386
        MAC_KERNEL_VERSION="Darwin Kernel Version $MAC_RELEASE: Fri Nov 15 15:12:37 PST 2024; root:xnu-11215.61.5~2/RELEASE_X86_64"
    fi
}
