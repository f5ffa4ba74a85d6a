// A window hook that refuses to create progress bars in Installer_32bit.exe, so that its window
// cannot be created, as on a system whose common controls are broken.
#include "host/windows_win.h"

extern "C" __declspec(dllexport) LRESULT CALLBACK
    RefuseBars(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const wchar_t* className = reinterpret_cast<CBT_CREATEWNDW*>(lParam)->lpcs->lpszClass;
        wchar_t program[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, program, MAX_PATH);
        const int length = lstrlenW(program);
        if (!IS_INTRESOURCE(className) && lstrcmpiW(className, L"msctls_progress32") == 0 &&
            length >= 19 && lstrcmpiW(program + length - 19, L"Installer_32bit.exe") == 0) {
            // Windows then destroys the half-made window, whose end asks the message loop to
            // quit; Wine does not. Ask as Windows would.
            PostQuitMessage(0);
            SetLastError(ERROR_ACCESS_DENIED);
            return 1;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
