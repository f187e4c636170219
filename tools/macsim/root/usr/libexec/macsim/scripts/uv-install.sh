#!/bin/sh
# The simulated Mac's stand-in for the official uv installer, as the sim's
# internet serves it; the work is done by uv-install.bash.
exec /bin/bash /usr/libexec/macsim/scripts/uv-install.bash "$@"
