#pragma once

#include "host/windows_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "host/handle_win.h"
#include "host/host_services.h"
#include "host/text.h"

inline int passed = 0;
inline int failed = 0;
inline std::string currentCase;

// One "ok - <case>: <what>" or "FAILED - ..." line per check, counted for the summary.
inline void Check(bool ok, const std::string& what) {
    std::printf("%s - %s: %s\n", ok ? "ok" : "FAILED", currentCase.c_str(), what.c_str());
    std::fflush(stdout);
    ++(ok ? passed : failed);
}

// A step that sets a case up. One that fails fails the case with Windows' error code: a case whose
// set-up did not happen never passes. Returns `ok`.
inline bool Step(bool ok, const std::string& what) {
    if (!ok) {
        Check(false, "set-up: " + what + " (error " + std::to_string(GetLastError()) + ")");
    }
    return ok;
}

inline std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) {
        narrow += c >= 32 && c < 127 ? static_cast<char>(c) : c == L'\n' ? '|' : '?';
    }
    return narrow;
}

// Waits while answering what is sent to this thread: a global hook that the driver sets is called
// through it for programs of the other bitness, which wait meanwhile.
inline void Pause(DWORD ms) {
    const DWORD start = GetTickCount();
    for (DWORD elapsed = 0; elapsed < ms; elapsed = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
}

// The form of a full path that the driver's own file operations take: Windows refuses a plain path
// of MAX_PATH characters or more, and the cases' folders reach beyond it.
inline std::wstring Long(const std::wstring& path) {
    PathBuffer result;
    ExtendedLengthPath(path.c_str(), result.text, kPathCapacity);
    return result.text;
}

inline bool Exists(const std::wstring& path) {
    return GetFileAttributesW(Long(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A file's bytes, or none; it may be written meanwhile.
inline std::string ReadWholeFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(Long(path).c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                  nullptr));
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (file.Valid() && ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr) && read > 0) {
        text.append(chunk, read);
    }
    return text;
}

inline bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    UniqueHandle file(
        CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return Step(
        WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size(),
        "write " + Narrow(path));
}

// A function of Windows that the driver's Windows XP headers do not declare, from a DLL that is
// loaded; nullptr where this Windows lacks it.
template <typename Function>
Function Lookup(const wchar_t* dll, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(dll), name)));
}

// Milliseconds since 1601 (UTC), the companion stub's clock.
inline long long NowMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<long long>(
        ((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000);
}

// One companion program start, as the stub logged it.
struct Launch {
    long long ms;
    bool hidden;
    std::wstring path;
    std::wstring workingDirectory;
};

// A fresh application directory: Installer_32bit.exe and a stub under each companion name.
class AppFolder {
  public:
    AppFolder(const std::wstring& directory, const std::wstring& installer,
              const std::wstring& stub)
        : directory_(directory) {
        // A drive root, or the folder that a drive maps, is there already.
        Step(CreateDirectoryW(Long(directory_).c_str(), nullptr) ||
                 GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_ACCESS_DENIED,
             "create " + Narrow(directory_));
        Copy(installer, L"Installer_32bit.exe");
        for (const wchar_t* name :
             {L"extract_32bit.exe", L"XP_Installer.exe", L"Vista_7_Installer.exe",
              L"XP_Installer_2.exe", L"Vista_7_Installer_2.exe", L"desktoprefresh.exe",
              L"xxmklink.exe"}) {
            Copy(stub, name);
        }
    }
    const std::wstring& Directory() const { return directory_; }
    std::wstring Path(const std::wstring& name) const {
        PathBuffer path;
        JoinPath(directory_.c_str(), name.c_str(), path.text, kPathCapacity);
        return path.text;
    }
    // Copies a file in under this name; never over one that is there.
    bool Copy(const std::wstring& from, const std::wstring& name) const {
        return Step(
            CopyFileW(Long(from).c_str(), Long(Path(name)).c_str(), TRUE) && Exists(Path(name)),
            "copy " + Narrow(from) + " to " + Narrow(Path(name)));
    }
    bool Remove(const std::wstring& name) const {
        return Step(DeleteFileW(Long(Path(name)).c_str()), "delete " + Narrow(Path(name)));
    }
    // A stub logs once it runs, which may take a while: waits until `count` have, or a few seconds
    // have passed (when fewer are expected). In order of start. The log has a line of
    // tab-separated fields per start, in UTF-16.
    std::vector<Launch> WaitForLaunches(size_t count) const {
        std::vector<Launch> launches;
        for (int tries = 0; tries == 0 || (launches.size() < count && tries < 100); ++tries) {
            Pause(tries == 0 ? 0 : 50);
            const std::string bytes = ReadWholeFile(Path(L"started.log"));
            std::wistringstream log(std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()),
                                                 bytes.size() / sizeof(wchar_t)));
            launches.clear();
            Launch launch;
            std::wstring hidden;
            while (log >> launch.ms >> hidden && std::getline(log.ignore(), launch.path, L'\t') &&
                   std::getline(log, launch.workingDirectory)) {
                launch.hidden = hidden == L"1";
                launches.push_back(launch);
            }
        }
        std::stable_sort(launches.begin(), launches.end(),
                         [](const Launch& a, const Launch& b) { return a.ms < b.ms; });
        return launches;
    }

  private:
    std::wstring directory_;
};

struct MessageBoxSeen {
    HWND window = nullptr;
    std::wstring title;
    std::wstring text;
    long long shownMs = 0;
};

// The installer, driven as a person would: clicks, keys, reading what the window shows. Every
// message to it has a timeout: its thread may be inside an action.
class InstallerSession {
  public:
    // Ended, or it fails harmlessly.
    ~InstallerSession() {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), kReplyMs);
    }

    // Starts it with `currentDirectory` as current directory; `window` waits for its window.
    bool Start(const std::wstring& exe, const std::wstring& currentDirectory, bool window = true) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        std::wstring commandLine = L"\"" + exe + L"\"";
        if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                            currentDirectory.c_str(), &startup, &info)) {
            return false;
        }
        process_.Reset(info.hProcess);
        CloseHandle(info.hThread);
        threadId_ = info.dwThreadId;
        // Until then, its window may still be creating its controls.
        WaitForInputIdle(process_.Get(), window ? 60000 : 0);
        for (int tries = 0; window && window_ == nullptr && tries < 600; ++tries) {
            Pause(100);
            window_ = FindWindowOf(false);
        }
        return !window || window_ != nullptr;
    }
    // Places the window in the middle of the screen, as far as it fits: hosted Windows machines
    // have a screen of 1024 x 768, and message boxes show in the middle. Returns once it is there,
    // so that nothing reads the window while it moves.
    void Center() const {
        RECT box = {};
        GetWindowRect(window_, &box);
        const POINT target = {
            std::max(0L, (GetSystemMetrics(SM_CXSCREEN) - box.right + box.left) / 2),
            std::max(0L, (GetSystemMetrics(SM_CYSCREEN) - box.bottom + box.top) / 2)};
        SetWindowPos(window_, nullptr, target.x, target.y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
        for (int tries = 0; tries < 100 && (box.left != target.x || box.top != target.y); ++tries) {
            Pause(20);
            GetWindowRect(window_, &box);
        }
    }
    HWND Window() const { return window_; }
    HWND ControlWindow(Control control) const { return GetDlgItem(window_, ControlId(control)); }
    int BarPosition(Control bar) const {
        DWORD_PTR position = static_cast<DWORD_PTR>(-1);
        SendMessageTimeoutW(ControlWindow(bar), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kReplyMs,
                            &position);
        return static_cast<int>(position);
    }
    HWND Focus() const { return Input().hwndFocus; }
    HWND Capture() const { return Input().hwndCapture; }
    // BM_CLICK, as an automation tool clicks; returns when.
    long long Click(Control control) {
        const long long now = NowMs();
        PostMessageW(ControlWindow(control), BM_CLICK, 0, 0);
        return now;
    }
    // Real input, to the installer brought to the foreground: a key pressed and let go (while
    // `held` is down), a left click in the middle of a control.
    void Key(UINT virtualKey, UINT held = 0) {
        std::vector<INPUT> keys = {KeyInput(virtualKey), KeyInput(virtualKey, KEYEVENTF_KEYUP)};
        if (held != 0) {
            keys.insert(keys.begin(), KeyInput(held));
            keys.push_back(KeyInput(held, KEYEVENTF_KEYUP));
        }
        Send(keys);
    }
    void MouseClick(Control control) {
        RECT box = {};
        GetWindowRect(ControlWindow(control), &box);
        std::vector<INPUT> mouse(3);
        mouse[0].type = mouse[1].type = mouse[2].type = INPUT_MOUSE;
        mouse[0].mi.dx = (box.left + box.right) / 2 * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        mouse[0].mi.dy = (box.top + box.bottom) / 2 * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
        mouse[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        mouse[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        mouse[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        Send(mouse);
        // At a person's pace: Wine may place clicks sent all at once at the pointer's last
        // position.
        Pause(300);
    }
    // A point on the close control, at the right end of the title bar.
    POINT ClosePoint() const {
        RECT frame = {};
        GetWindowRect(window_, &frame);
        POINT client = {0, 0};
        ClientToScreen(window_, &client);
        return {frame.right - (client.x - frame.left) - 8, (frame.top + client.y) / 2};
    }
    // Stops its window's thread, as a hung program's, or lets it go on. False where it cannot.
    bool Hang(bool hang) const {
        UniqueHandle thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId_));
        return (hang ? SuspendThread : ResumeThread)(thread.Get()) != static_cast<DWORD>(-1);
    }
    // Waits for a message box of the installer's to show, looking every `pollMs`.
    bool WaitForMessageBox(MessageBoxSeen* seen, DWORD timeoutMs, DWORD pollMs = 20) {
        for (const DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs;
             Pause(pollMs)) {
            seen->window = FindWindowOf(true);
            if (seen->window != nullptr) {
                seen->shownMs = NowMs();
                wchar_t text[1024] = {};
                GetWindowTextW(seen->window, text, 1024);
                seen->title = text;
                // Windows keeps a static control's text with its window: no message to a busy
                // thread.
                GetWindowTextW(GetDlgItem(seen->window, 0xFFFF), text, 1024);
                seen->text = text;
                return true;
            }
        }
        return false;
    }
    bool MessageBoxShowing() const { return FindWindowOf(true) != nullptr; }
    // Presses OK and waits until the window reads its queue again: the action has ended, or the
    // next one that was clicked meanwhile is in its first wait.
    void PressOk(const MessageBoxSeen& seen) {
        PostMessageW(seen.window, WM_COMMAND, IDOK, 0);
        for (int tries = 0; tries < 250 && IsWindow(seen.window); ++tries) {
            Pause(20);
        }
        SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kReplyMs, nullptr);
    }
    // Whether it ended within `timeoutMs`, with this exit code.
    bool Ended(DWORD timeoutMs, DWORD exitCode = 0) const {
        DWORD code = STILL_ACTIVE;
        return WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0 &&
               GetExitCodeProcess(process_.Get(), &code) && code == exitCode;
    }
    // Saves what the screen shows of the window and its message box as a bitmap file, once what
    // has just changed is drawn.
    bool SavePicture(const std::wstring& path) const {
        Pause(300);
        RECT box = {};
        RECT popup = {};
        GetWindowRect(window_, &box);
        GetWindowRect(GetLastActivePopup(window_), &popup);
        UnionRect(&box, &box, &popup);
        BITMAPINFOHEADER header;
        std::string bits = ScreenBits(box, &header);
        // Opaque: the screen's copy leaves the fourth byte 0, which some viewers read as alpha.
        for (size_t alpha = 3; alpha < bits.size(); alpha += 4) {
            bits[alpha] = '\xFF';
        }
        const BITMAPFILEHEADER file = {0x4D42, sizeof file + sizeof header + bits.size(), 0, 0,
                                       sizeof file + sizeof header};
        std::string picture(reinterpret_cast<const char*>(&file), sizeof file);
        picture.append(reinterpret_cast<const char*>(&header), sizeof header).append(bits);
        return !bits.empty() && WriteWholeFile(path, picture);
    }
    // What the screen shows in an area of the installer's, as 32-bit pixels, rows from the bottom
    // up; once the installer is in front and seen in the area's middle, so that another window
    // never passes for it (a console in front, say). Empty where it is not.
    std::string ScreenBits(const RECT& area, BITMAPINFOHEADER* header) const {
        const POINT middle = {(area.left + area.right) / 2, (area.top + area.bottom) / 2};
        if (!ToFront() || !Step(GetAncestor(WindowFromPoint(middle), GA_ROOTOWNER) == window_,
                                "see the installer in front")) {
            return {};
        }
        const LONG width = area.right - area.left;
        const LONG height = area.bottom - area.top;
        *header = {sizeof *header, width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        std::string bits(4 * width * height, '\0');
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        const bool copied =
            BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        SelectObject(memory, previous);
        const bool read = GetDIBits(memory, bitmap, 0, height, &bits[0],
                                    reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        return Step(copied && read, "copy the screen") ? bits : std::string();
    }
    // Sends what Windows sends a window that moves to a monitor of another scale: WM_DPICHANGED
    // with the rectangle that it suggests.
    bool ChangeDpi(UINT dpi, RECT suggested) const {
        return Step(SendWithData(0x02E0, MAKEWPARAM(dpi, dpi), &suggested, sizeof suggested) >= 0,
                    "send WM_DPICHANGED");
    }
    // What Windows asks a window before such a move: its size at the new DPI
    // (WM_GETDPISCALEDSIZE). {0, 0} where the window leaves it to Windows, or cannot be asked.
    SIZE ScaledSize(UINT dpi) const {
        SIZE size = {};
        return SendWithData(0x02E4, dpi, &size, sizeof size) > 0 ? size : SIZE{};
    }

    // Windows gives the foreground only to a program that the one holding it allows: the driver
    // asks with its input joined to that program's for the moment. (A synthesized Alt press, the
    // other way, would reach the installer as a key of its own and open its system menu.)
    bool ToFront() const {
        HWND front = GetLastActivePopup(window_);
        if (GetForegroundWindow() != front) {
            const DWORD holder = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
            const bool joined =
                holder != 0 && AttachThreadInput(GetCurrentThreadId(), holder, TRUE);
            SetForegroundWindow(front);
            if (joined) {
                AttachThreadInput(GetCurrentThreadId(), holder, FALSE);
            }
        }
        for (int tries = 0; tries < 50 && GetForegroundWindow() != front; ++tries) {
            Pause(20);
        }
        return Step(GetForegroundWindow() == front, "bring the installer to the foreground");
    }

  private:
    static constexpr UINT kReplyMs = 5000;

    // Sends a message whose pointer leads to `data`, in the installer's memory, and reads back what
    // it wrote there. Its result, or -1 where it could not be sent.
    LRESULT SendWithData(UINT message, WPARAM wParam, void* data, SIZE_T size) const {
        void* remote = VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
        DWORD_PTR result = 0;
        const bool sent =
            remote != nullptr && WriteProcessMemory(process_.Get(), remote, data, size, nullptr) &&
            SendMessageTimeoutW(window_, message, wParam, reinterpret_cast<LPARAM>(remote),
                                SMTO_ABORTIFHUNG, kReplyMs, &result) &&
            ReadProcessMemory(process_.Get(), remote, data, size, nullptr);
        VirtualFreeEx(process_.Get(), remote, 0, MEM_RELEASE);
        return sent ? static_cast<LRESULT>(result) : -1;
    }
    // Where its thread has the keyboard's focus and the mouse's capture.
    GUITHREADINFO Input() const {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(threadId_, &info);
        return info;
    }
    static INPUT KeyInput(UINT key, DWORD flags = 0) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = static_cast<WORD>(key);
        input.ki.dwFlags = flags;
        return input;
    }
    // The installer's window, or its message box, once it shows.
    HWND FindWindowOf(bool messageBox) const {
        std::pair<const wchar_t*, HWND> search = {
            messageBox ? L"#32770" : L"VelmoraModInstallerForm1", nullptr};
        EnumThreadWindows(threadId_, Match, reinterpret_cast<LPARAM>(&search));
        return search.second;
    }
    static BOOL CALLBACK Match(HWND window, LPARAM lParam) {
        auto* search = reinterpret_cast<std::pair<const wchar_t*, HWND>*>(lParam);
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        if (lstrcmpW(className, search->first) == 0 && IsWindowVisible(window)) {
            search->second = window;
        }
        return search->second == nullptr;
    }
    void Send(std::vector<INPUT> input) const {
        if (ToFront()) {
            Step(SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT)) ==
                     input.size(),
                 "SendInput");
        }
    }

    UniqueHandle process_;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};
