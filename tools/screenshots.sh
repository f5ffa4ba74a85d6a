#!/usr/bin/env bash
# Regenerates docs/screenshots/: the window at start, during an install (first bar at 60) and at
# its "Completed!" message, under Wine's virtual desktop so that the window frame shows. The
# install's steps come on a grid of whole seconds from the click, which the shots are timed by.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null
unset DISPLAY
VELMORA_DISPLAY_NUMBER=${VELMORA_DISPLAY_NUMBER:-78}
source tools/wine-env.sh
trap stop_wine_session EXIT

app=build/screenshots
rm -rf "$app"
mkdir -p "$app" docs/screenshots
cp build/win32/Installer_32bit.exe "$app/"
for name in extract_32bit XP_Installer Vista_7_Installer XP_Installer_2 Vista_7_Installer_2 \
    desktoprefresh xxmklink; do
    cp build/win32/companion_stub.exe "$app/$name.exe"
done
shot() {
    import -window root -crop 520x570+0+0 +repage "docs/screenshots/$1.png"
    echo "docs/screenshots/$1.png"
}
(cd "$app" && wine explorer /desktop=Velmora,520x570 Installer_32bit.exe) &
desktop=$(xdotool search --sync --name 'Velmora - Wine desktop' | head -1)
sleep 5
shot start
# A click on "Windows XP", where the window opens in the desktop.
xdotool mousemove --window "$desktop" 78 118 click 1
sleep 3.5
shot installing
sleep 2.5
shot completed
