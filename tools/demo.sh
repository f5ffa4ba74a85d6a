#!/usr/bin/env bash
# Builds Installer_32bit.exe and runs it under Wine in build/demo, beside stubs that stand in for
# the companion programs. Each stub that starts adds a line to build/demo/started.log.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null
source tools/demo-folder.sh
make_app_folder build/demo

had_display=${DISPLAY:-}
source tools/wine-env.sh
echo "Running build/demo/Installer_32bit.exe on display $DISPLAY."
echo "Programs the installer starts are logged in build/demo/started.log."
if [ -z "$had_display" ]; then
    echo "No display was set, so it runs on a virtual one; a screenshot goes to build/demo/window.png."
    (sleep 15 && import -window root build/demo/window.png) &
fi
cd build/demo
wine explorer /desktop=VelmoraDemo,640x600 Installer_32bit.exe
