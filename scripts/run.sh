#!/usr/bin/env bash
# Starts the desktop program where a display is available, otherwise the command line.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -x build/quorvel ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
  exec ./build/quorvel "$@"
fi
if [ -x build/quorvel ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY are unset): running the command line with its defaults instead."
fi
exec ./build/quorvel-cli "$@"
