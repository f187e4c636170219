#!/bin/sh
# The simulated Mac's stand-in for the official rustup installer, as the sim's
# internet serves it; the work is done by rustup-install.bash.
exec /bin/bash /usr/libexec/macsim/scripts/rustup-install.bash "$@"
