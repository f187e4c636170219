#!/bin/bash
# rustup's installer: rustup, cargo and rustc in ~/.cargo/bin with the stable
# toolchain; -y answers its question, --no-modify-path leaves the shell's
# files alone (otherwise `. "$HOME/.cargo/env"` goes into ~/.zshenv and ~/.profile).
. /usr/libexec/macsim/lib.sh
yes=no modify=yes
for arg in "$@"; do
    case $arg in -y) yes=yes ;; --no-modify-path) modify=no ;; esac
done
macsim_log rustup-install "$*"
macsim_triple
host=$REPLY-apple-darwin
rust=1.83.0
echo "info: downloading installer" >&2
if [[ $yes == no ]]; then
    if ! (: </dev/tty) 2>/dev/null; then
        echo "rustup: Unable to run interactively. Run with -y to accept defaults, --help for additional options" >&2
        exit 1
    fi
    printf '1) Proceed with standard installation (default - just press enter)\n2) Customize installation\n3) Cancel installation\n>' >/dev/tty
    IFS= read -r choice </dev/tty
    [[ -z $choice || $choice == 1 ]] || exit 1
fi
echo "info: profile set to 'default'" >&2
echo "info: default host triple is $host" >&2
echo "info: syncing channel updates for 'stable-$host'" >&2
echo "info: latest update on 2024-11-28, rust version $rust (90b35a623 2024-11-26)" >&2
for component in cargo clippy rust-docs rust-std rustc rustfmt; do
    echo "info: downloading component '$component'" >&2
done
macsim_pause
for component in cargo clippy rust-docs rust-std rustc rustfmt; do
    echo "info: installing component '$component'" >&2
done
toolchain=$HOME/.rustup/toolchains/stable-$host
for tool in cargo rustc rustfmt; do
    mk_stub "$toolchain/bin/$tool" "$MACSIM_LIB/tool" "$tool" "$rust"
    mk_stub "$HOME/.cargo/bin/$tool" "$toolchain/bin/$tool"
done
mk_stub "$HOME/.cargo/bin/rustup" "$MACSIM_LIB/tool" rustup 1.27.1
mk_file "$HOME/.cargo/env" '#!/bin/sh
# rustup shell setup
case ":${PATH}:" in
    *:"$HOME/.cargo/bin":*)
        ;;
    *)
        export PATH="$HOME/.cargo/bin:$PATH"
        ;;
esac
'
mk_file "$HOME/.rustup/settings.toml" "default_toolchain = \"stable-$host\"
profile = \"default\"
version = \"12\"
"
mk_commit || exit 1
echo "info: default toolchain set to 'stable-$host'" >&2
echo
echo "  stable-$host installed - rustc $rust (90b35a623 2024-11-26)"
echo
echo "Rust is installed now. Great!"
echo
if [[ $modify == yes ]]; then
    append_line "$HOME/.zshenv" '. "$HOME/.cargo/env"'
    append_line "$HOME/.profile" '. "$HOME/.cargo/env"'
fi
echo "To get started you may need to restart your current shell."
echo "This would reload your PATH environment variable to include"
echo "Cargo's bin directory (\$HOME/.cargo/bin)."
