// Imports uxtheme.dll the plain way, with no safe DLL search: beside a planted uxtheme.dll and with
// Wine told to prefer native DLLs, it loads the plant. Shows that the planting case can fail.
#include "host/windows_win.h"

#include <uxtheme.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    return IsThemeActive() ? 0 : 1;
}
