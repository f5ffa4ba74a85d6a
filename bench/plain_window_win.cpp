// The plain baseline of tools/bench.sh: the installer's window built plainly, with the same sixteen
// controls, font, icon and manifest, but no DLL search limits, no click queue and no actions.
// Built in variants that each change one start-up step, to weigh it: BENCH_PRELOADS adds the
// installer's DLL preloads; BENCH_NO_CONTROLS, BENCH_NO_FONT, BENCH_NO_ICON and
// BENCH_NO_COMMON_CONTROLS (no InitCommonControlsEx, no bars) leave a step out.
#include "host/windows_win.h"
#include <commctrl.h>

#include "bench/baseline_win.h"

#include "host/win32_host_win.h"
#include "resources/version.h"
#include "window/layout.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
#ifdef BENCH_PRELOADS
    RestrictDllSearchToSystem32();
#endif
#ifndef BENCH_NO_COMMON_CONTROLS
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
#endif
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = QuitOnDestroy;
    windowClass.hInstance = instance;
#ifndef BENCH_NO_ICON
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(APP_ICON_ID));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(APP_ICON_ID),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
#endif
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"PlainWindow";
    RegisterClassExW(&windowClass);

    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
    RECT frame = {0, 0, TwipsToPixels(kClientWidthTwips, dpi),
                  TwipsToPixels(kClientHeightTwips, dpi)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    HWND window = CreateWindowExW(0, L"PlainWindow", kProductName, kStyle, CW_USEDEFAULT,
                                  CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top,
                                  nullptr, nullptr, instance, nullptr);
    [[maybe_unused]] HFONT font = nullptr;
#ifndef BENCH_NO_FONT
    font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");
#endif
#ifndef BENCH_NO_CONTROLS
    for (const ControlLayout& row : kLayout) {
        const wchar_t* className = row.kind == ControlKind::Button  ? L"BUTTON"
                                   : row.kind == ControlKind::Label ? L"STATIC"
                                                                    : PROGRESS_CLASSW;
#ifdef BENCH_NO_COMMON_CONTROLS
        if (row.kind == ControlKind::ProgressBar) {
            continue;
        }
#endif
        HWND control = CreateWindowExW(
            0, className, row.caption,
            WS_CHILD | WS_VISIBLE |
                (row.kind == ControlKind::Button ? WS_TABSTOP | BS_MULTILINE : 0),
            TwipsToPixels(row.left, dpi), TwipsToPixels(row.top, dpi),
            TwipsToPixels(row.width, dpi), TwipsToPixels(row.height, dpi), window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(row.name))), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
#endif
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageW(window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return 0;
}
