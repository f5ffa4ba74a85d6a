# Sourced by the run, test and screenshot scripts: a Wine prefix of the project's own, set up for
# the layout (Tahoma behind "MS Shell Dlg", 96 DPI, no crash dialogs) and with a drive Y: for the
# end-to-end suite, and an X display.
# shellcheck shell=bash

export WINEPREFIX="${VELMORA_WINEPREFIX:-$HOME/.cache/velmora-wine}"
export WINEDEBUG=-all
# No Mono or Gecko: nothing may be downloaded, and the installer needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="

start_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
        return
    fi
    export DISPLAY=:${VELMORA_DISPLAY_NUMBER:-77}
    if ! xdpyinfo >/dev/null 2>&1; then
        Xvfb "$DISPLAY" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
        started_xvfb=$!
        for _ in $(seq 50); do
            xdpyinfo >/dev/null 2>&1 && break
            sleep 0.1
        done
    fi
}

prepare_prefix() {
    if [ -f "$WINEPREFIX/.velmora-ready" ]; then
        return
    fi
    echo "Preparing the Wine prefix $WINEPREFIX (once)..."
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot --init >/dev/null 2>&1
    wineserver --wait
    cp /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf /usr/share/wine/fonts/marlett.ttf \
        "$WINEPREFIX/drive_c/windows/Fonts/"
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wineserver --wait
    touch "$WINEPREFIX/.velmora-ready"
}

# On every start: 96 DPI, which a run that ended midway may have left otherwise; a desktop of Wine's
# own for every program, which frames and activates windows as Windows does (the bare X display
# has no window manager); and the drive for the end-to-end suite's drive-root case (Wine resolves
# no drive that a program defines itself).
prepare_session() {
    local settings
    settings=$(mktemp --suffix=.reg)
    printf '%s\n' 'REGEDIT4' '[HKEY_CURRENT_USER\Control Panel\Desktop]' '"LogPixels"=dword:00000060' \
        '[HKEY_CURRENT_USER\Software\Wine\Explorer]' '"Desktop"="Default"' \
        '[HKEY_CURRENT_USER\Software\Wine\Explorer\Desktops]' '"Default"="1920x1200"' >"$settings"
    wine regedit /S "$(winepath -w "$settings")" >/dev/null 2>&1
    rm -f "$settings"
    mkdir -p "$WINEPREFIX/drive_c/velmora-drive-root"
    ln -sfn ../drive_c/velmora-drive-root "$WINEPREFIX/dosdevices/y:"
}

# Ends what this script started: Wine's server and the virtual display.
stop_wine_session() {
    wineserver -k 2>/dev/null || true
    if [ -n "${started_xvfb:-}" ]; then
        kill "$started_xvfb" 2>/dev/null || true
    fi
}

started_xvfb=
start_display
prepare_prefix
prepare_session
