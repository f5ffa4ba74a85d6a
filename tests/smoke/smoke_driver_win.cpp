// Starts Installer_32bit.exe, finds its window with the sixteen controls where the layout table
// puts them (at 96 DPI), closes it with the close control and checks that the process ends.
// Prints one line per check and a closing count.
#include "host/windows_win.h"

#include <cstdio>

#include "host/handle_win.h"
#include "window/layout.h"

namespace {

constexpr DWORD kPatienceMs = 60000;  // Wine's first start of a program can be slow.

int passed = 0;
int failed = 0;

void Check(bool ok, const char* what) {
    std::printf("%s - %s\n", ok ? "ok" : "FAILED", what);
    std::fflush(stdout);
    ++(ok ? passed : failed);
}

struct FindContext {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK FindInstallerWindow(HWND window, LPARAM lParam) {
    auto* context = reinterpret_cast<FindContext*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    if (processId == context->processId && lstrcmpW(title, L"Velmora Mod Installer") == 0) {
        context->window = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CountChild(HWND, LPARAM lParam) {
    ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

constexpr int kDpi = 96;

bool HasLayoutBox(HWND window, const ControlLayout& row) {
    HWND control = GetDlgItem(window, ControlId(row.name));
    RECT box = {};
    GetWindowRect(control, &box);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
    return control != nullptr && box.left == TwipsToPixels(row.left, kDpi) &&
           box.top == TwipsToPixels(row.top, kDpi) &&
           box.right - box.left == TwipsToPixels(row.width, kDpi) &&
           box.bottom - box.top == TwipsToPixels(row.height, kDpi);
}

bool HasLayoutCaption(HWND window, const ControlLayout& row) {
    wchar_t caption[128] = {};
    GetDlgItemTextW(window, ControlId(row.name), caption, 128);
    return lstrcmpW(caption, row.caption) == 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::printf("usage: smoke_driver PATH\\Installer_32bit.exe\n");
        return 2;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const bool started = CreateProcessW(argv[1], nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &info) != FALSE;
    Check(started, "the installer starts");
    if (!started) {
        std::printf("%d passed, %d failed\n", passed, failed);
        return 1;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    WaitForInputIdle(process.Get(), kPatienceMs);

    FindContext context = {info.dwProcessId, nullptr};
    for (DWORD waited = 0; context.window == nullptr && waited < kPatienceMs; waited += 100) {
        EnumWindows(FindInstallerWindow, reinterpret_cast<LPARAM>(&context));
        if (context.window == nullptr) {
            Sleep(100);
        }
    }
    Check(context.window != nullptr, "its window \"Velmora Mod Installer\" appears");

    int children = 0;
    if (context.window != nullptr) {
        EnumChildWindows(context.window, CountChild, reinterpret_cast<LPARAM>(&children));
    }
    Check(children == 16, "the window holds sixteen controls");

    RECT client = {};
    GetClientRect(context.window, &client);
    Check(client.right == TwipsToPixels(kClientWidthTwips, kDpi) &&
              client.bottom == TwipsToPixels(kClientHeightTwips, kDpi),
          "the client area is 6870 x 7530 twips");
    int boxes = 0;
    int captions = 0;
    for (const ControlLayout& row : kLayout) {
        boxes += HasLayoutBox(context.window, row) ? 1 : 0;
        captions += HasLayoutCaption(context.window, row) ? 1 : 0;
    }
    Check(boxes == kControlCount, "every control has its box from the layout table");
    Check(captions == kControlCount, "every control has its caption from the layout table");

    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(context.window, WM_SYSCOMMAND, SC_CLOSE, 0, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    const bool ended = WaitForSingleObject(process.Get(), kPatienceMs) == WAIT_OBJECT_0;
    DWORD exitCode = 1;
    GetExitCodeProcess(process.Get(), &exitCode);
    Check(ended && exitCode == 0, "the close control ends the process");
    if (!ended) {
        TerminateProcess(process.Get(), 1);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
