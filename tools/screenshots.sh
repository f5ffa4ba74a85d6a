#!/usr/bin/env bash
# Regenerates docs/screenshots/: the window at start, during an install (first bar at 60) and at
# its "Completed!" message, under Wine's virtual desktop so that the window frame shows.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j2 >/dev/null
unset DISPLAY
VELMORA_DISPLAY_NUMBER=${VELMORA_DISPLAY_NUMBER:-78}
source tools/wine-env.sh
trap stop_wine_session EXIT

poses=build/poses
rm -rf "$poses"
mkdir -p "$poses" docs/screenshots
wine explorer /desktop=Velmora,520x570 build/win32/e2e_driver.exe "$(winepath -w build/win32)" \
    "$(winepath -w "$poses")" --pose >/dev/null &
for pose in start installing completed; do
    for _ in $(seq 600); do
        [ -e "$poses/$pose.ready" ] && break
        sleep 0.1
    done
    import -window root -crop 520x570+0+0 +repage "docs/screenshots/$pose.png"
    touch "$poses/$pose.done"
    echo "docs/screenshots/$pose.png"
done
# The virtual desktop outlives the programs in it; the exit trap ends it with Wine's server.
sleep 3
