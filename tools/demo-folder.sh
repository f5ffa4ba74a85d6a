# Sourced: make_app_folder DIR lays out DIR as the installer's application directory, with
# Installer_32bit.exe and the companion stub under each of the seven companion names.
# shellcheck shell=bash

companion_names=(extract_32bit.exe XP_Installer.exe Vista_7_Installer.exe XP_Installer_2.exe
    Vista_7_Installer_2.exe desktoprefresh.exe xxmklink.exe)

make_app_folder() {
    local dir=$1
    rm -rf "$dir"
    mkdir -p "$dir"
    cp build/win32/Installer_32bit.exe "$dir/"
    for name in "${companion_names[@]}"; do
        cp build/win32/companion_stub.exe "$dir/$name"
    done
}
