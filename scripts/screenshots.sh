#!/usr/bin/env bash
# Saves pictures of the main window and the viewer after a run with the default settings into
# docs/screenshots/ (offscreen: no display needed).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release --target quorvel-screenshots
QT_QPA_PLATFORM=offscreen ./build/quorvel-screenshots docs/screenshots
ls -l docs/screenshots
