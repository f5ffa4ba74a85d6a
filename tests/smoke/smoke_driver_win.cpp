// Starts Installer_32bit.exe, finds its window with the sixteen controls, closes it with the close
// control and checks that the process ends. Prints one line per check and a closing count.
#include "host/windows_win.h"

#include <cstdio>

#include "host/handle_win.h"

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
