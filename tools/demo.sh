#!/usr/bin/env bash
# Builds Installer_32bit.exe and runs it under Wine in build/demo, beside stubs that stand in for
# the companion programs. Each stub that starts adds a line to build/demo/started.log.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null
rm -rf build/demo
mkdir -p build/demo
cp build/win32/Installer_32bit.exe build/demo/
for name in extract_32bit.exe XP_Installer.exe Vista_7_Installer.exe XP_Installer_2.exe \
    Vista_7_Installer_2.exe desktoprefresh.exe xxmklink.exe; do
    cp build/win32/e2e/companion_stub.exe "build/demo/$name"
done

had_display=${DISPLAY:-}
source tools/wine-env.sh
echo "Running build/demo/Installer_32bit.exe on display $DISPLAY."
echo "Programs the installer starts are logged in build/demo/started.log."
cd build/demo
if [ -n "$had_display" ]; then
    wine explorer /desktop=VelmoraDemo,640x600 Installer_32bit.exe
    exit
fi
# No display to click on: show it on a virtual one, take a picture, and close it.
trap stop_wine_session EXIT
wine explorer /desktop=VelmoraDemo,640x600 Installer_32bit.exe &
sleep 15
import -window root -crop 640x600+0+0 +repage window.png
echo "No display was set: a screenshot of the window is in build/demo/window.png."
