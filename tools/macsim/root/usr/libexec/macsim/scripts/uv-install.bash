#!/bin/bash
# uv's installer: uv and uvx in ~/.local/bin, plus ~/.local/bin/env; unless
# --no-modify-path, `. "$HOME/.local/bin/env"` is added to the shell's files.
. /usr/libexec/macsim/lib.sh
modify=yes
for arg in "$@"; do
    [[ $arg == --no-modify-path ]] && modify=no
done
macsim_log uv-install "$*"
uv_version=0.5.11
macsim_triple
echo "downloading uv $uv_version $REPLY-apple-darwin" >&2
macsim_pause
bin=$HOME/.local/bin
mk_stub "$bin/uv" "$MACSIM_LIB/tool" uv "$uv_version"
mk_stub "$bin/uvx" "$MACSIM_LIB/tool" uvx "$uv_version"
mk_file "$bin/env" '#!/bin/sh
# add binaries to PATH if they aren'"'"'t added yet
case ":${PATH}:" in
    *:"$HOME/.local/bin":*)
        ;;
    *)
        export PATH="$HOME/.local/bin:$PATH"
        ;;
esac
'
mk_commit || exit 1
echo "no checksums to verify" >&2
echo "installing to $bin" >&2
echo "  uv" >&2
echo "  uvx" >&2
echo "everything's installed!" >&2
if [[ $modify == yes ]]; then
    for rc in "$HOME/.zshrc" "$HOME/.profile"; do
        append_line "$rc" '. "$HOME/.local/bin/env"'
    done
    echo >&2
    echo "To add $bin to your PATH, either restart your shell or run:" >&2
    echo >&2
    echo "    source $bin/env (sh, bash, zsh)" >&2
fi
