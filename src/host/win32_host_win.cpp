#include "host/win32_host_win.h"

#include <commctrl.h>

#include "host/clock.h"

namespace {

HWND ControlWindow(HWND window, Control control) {
    return GetDlgItem(window, ControlId(control));
}

constexpr LPARAM kKeyWasDown = 1 << 30;  // a key message's bit for an auto-repeat

// Runs what is queued, the user's input too: a click or key during an action reaches its button
// now, while the button is still there to take it, and the window's click queue runs it after the
// action. Left queued, input would meet the action's message box instead: a click on the window
// it disables is dropped, and a Space typed ahead would close the box unread.
void PumpMessages(HWND window) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchDialogMessage(window, msg);
    }
}

// A message box's dialog manager presses OK on every repeat of a held Enter, which would close the
// box before it is read: its repeats are dropped, and a fresh press still closes it.
LRESULT CALLBACK DropKeyRepeats(int code, WPARAM wParam, LPARAM lParam) {
    const MSG* msg = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_DIALOGBOX && msg->message == WM_KEYDOWN && (msg->lParam & kKeyWasDown) != 0) {
        return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

// Loaded by name on the program's behalf once the window is drawn (themes, alpha blending, input
// methods). Not every loader applies the safe search to such loads, so they are loaded first by
// full path: a later load by name finds them already there.
constexpr const wchar_t* kLoadedForTheWindow[] = {L"uxtheme.dll", L"msimg32.dll", L"imm32.dll"};

void RestrictDllSearchToSystem32() {
    constexpr DWORD kSearchSystem32 = 0x800;  // LOAD_LIBRARY_SEARCH_SYSTEM32, Windows 8 and later
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories == nullptr || !setDefaultDllDirectories(kSearchSystem32)) {
        // Older Windows: at least the current directory is no longer searched.
        SetDllDirectoryW(L"");
    }
    wchar_t system[MAX_PATH];
    const UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return;
    }
    for (const wchar_t* name : kLoadedForTheWindow) {
        PathBuffer path;
        if (JoinPath(system, name, path.text, kPathCapacity)) {
            LoadLibraryW(path.text);
        }
    }
}

Win32Host::Win32Host() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    ticksPerSecond_ = static_cast<uint64_t>(frequency.QuadPart);
    PathBuffer module;
    const DWORD length = GetModuleFileNameW(nullptr, module.text, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) {
        return;
    }
    size_t cut = DirectoryLength(module.text);
    // Keep the backslash of a drive root ("Y:\"); "Y:" alone would mean Y's current directory.
    if (cut > 1 && module.text[cut - 2] != L':') {
        --cut;
    }
    module.text[cut] = L'\0';
    directory_.Writer().Append(module.text);
}

SystemError Win32Host::CheckProgram(const wchar_t* path) {
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return GetLastError();
    }
    // A folder of that name cannot be started either; starting one says so.
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? ERROR_ACCESS_DENIED : kSuccess;
}

LaunchResult Win32Host::LaunchProgram(const wchar_t* path, const wchar_t* directory) {
    TextBuffer<kPathCapacity + 2> commandLine;
    if (commandLine.Writer().Append(L"\"").Append(path).Append(L"\"").Truncated()) {
        return {kErrorPathTooLong, kNoTask};
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process = {};
    // The full path as the application name: never a search of the current directory or PATH.
    if (!CreateProcessW(path, commandLine.text, nullptr, nullptr, FALSE, 0, nullptr, directory,
                        &startup, &process)) {
        return {GetLastError(), kNoTask};
    }
    CloseHandle(process.hThread);
    for (TaskId task = 0; task < kTaskSlots; ++task) {
        if (!tasks_[task].Valid()) {
            tasks_[task].Reset(process.hProcess);
            return {kSuccess, task};
        }
    }
    CloseHandle(process.hProcess);
    return {kSuccess, kNoTask};
}

bool Win32Host::TaskExitCode(TaskId task, uint32_t* exitCode) {
    if (task < 0 || task >= kTaskSlots || !tasks_[task].Valid()) {
        return false;
    }
    DWORD code = 0;
    if (WaitForSingleObject(tasks_[task].Get(), 0) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(tasks_[task].Get(), &code)) {
        return false;
    }
    *exitCode = code;
    return true;
}

void Win32Host::ReleaseTask(TaskId task) {
    if (task >= 0 && task < kTaskSlots) {
        tasks_[task].Reset();
    }
}

SystemError Win32Host::DeleteFile(const wchar_t* path) {
    if (DeleteFileW(path)) {
        return kSuccess;
    }
    SystemError error = GetLastError();
    const DWORD attributes = GetFileAttributesW(path);
    // The user asked for these files to go: a read-only mark does not keep one.
    if (error == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY)) {
        if (DeleteFileW(path)) {
            return kSuccess;
        }
        error = GetLastError();
        SetFileAttributesW(path, attributes);
    }
    return error;
}

SystemError Win32Host::ShortPath(const wchar_t* path, wchar_t* result, size_t capacity) {
    const DWORD length = GetShortPathNameW(path, result, static_cast<DWORD>(capacity));
    if (length == 0) {
        return GetLastError();
    }
    return length < capacity ? kSuccess : kErrorPathTooLong;
}

// The performance counter: GetTickCount moves in steps of up to 16 ms on Windows.
uint32_t Win32Host::Milliseconds() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return CounterMilliseconds(static_cast<uint64_t>(now.QuadPart), ticksPerSecond_);
}

void Win32Host::Wait(uint32_t milliseconds) {
    const uint32_t start = Milliseconds();
    for (;;) {
        const uint32_t elapsed = ElapsedMilliseconds(start, Milliseconds());
        if (elapsed >= milliseconds) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - elapsed, QS_ALLINPUT);
        PumpMessages(window_);
    }
}

void Win32Host::ShowMessage(const wchar_t* prompt, const wchar_t* title, MessageKind kind) {
    UINT icon = 0;
    if (kind == MessageKind::Error) {
        icon = MB_ICONERROR;
    } else if (kind == MessageKind::Warning) {
        icon = MB_ICONWARNING;
    }
    HHOOK hook = SetWindowsHookExW(WH_MSGFILTER, DropKeyRepeats, nullptr, GetCurrentThreadId());
    MessageBoxW(window_, prompt, title, MB_OK | icon);
    if (hook != nullptr) {
        UnhookWindowsHookEx(hook);
    }
}

void Win32Host::EndProgram() {
    ExitProcess(0);
}

void Win32Host::SetEnabled(Control control, bool enabled) {
    HWND window = ControlWindow(window_, control);
    // A disabled button would keep the focus, and with it the default frame: both go on first.
    if (!enabled && GetFocus() == window) {
        SetFocus(GetNextDlgTabItem(window_, window, FALSE));
    }
    EnableWindow(window, enabled ? TRUE : FALSE);
}

void Win32Host::SetProgress(Control bar, float value) {
    HWND control = ControlWindow(window_, bar);
    const int position = static_cast<int>(value + 0.5f);
    // The themed bar of Vista and later animates a step forward but draws a step back at once:
    // step one past the value, then back to it, so the value shows as soon as it is set.
    SendMessageW(control, PBM_SETRANGE32, 0, kProgressMaximum + 1);
    SendMessageW(control, PBM_SETPOS, position + 1, 0);
    SendMessageW(control, PBM_SETPOS, position, 0);
    SendMessageW(control, PBM_SETRANGE32, 0, kProgressMaximum);
}

void DispatchDialogMessage(HWND window, MSG& msg) {
    // Enter presses the focused button, as in any dialog, once per press: a held key's repeats
    // press nothing, where the dialog manager would press its default button again on each.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
        (msg.hwnd == window || IsChild(window, msg.hwnd))) {
        if ((msg.lParam & kKeyWasDown) == 0 && msg.hwnd != window) {
            SendMessageW(window, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(msg.hwnd), BN_CLICKED),
                         reinterpret_cast<LPARAM>(msg.hwnd));
        }
        return;
    }
    // The dialog manager gives the window Tab and Shift+Tab between its buttons.
    if (!IsDialogMessageW(window, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

void DescribeSystemError(SystemError error, wchar_t* text, size_t capacity) {
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, error, 0, text, static_cast<DWORD>(capacity), nullptr);
    while (length > 0 &&
           (text[length - 1] == L'\r' || text[length - 1] == L'\n' || text[length - 1] == L' ')) {
        --length;
    }
    text[length] = L'\0';
    if (length == 0) {
        TextWriter(text, capacity).Append(L"Error ").AppendNumber(error).Append(L".");
    }
}

void Win32Host::DescribeError(SystemError error, wchar_t* text, size_t capacity) {
    DescribeSystemError(error, text, capacity);
}
