#include "e2e/installer_session_win.h"

#include <commctrl.h>

#include <algorithm>

#include "host/text.h"
#include "window/layout.h"

namespace {

constexpr UINT kReplyMs = 5000;

std::wstring FromUtf8(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           &wide[0], static_cast<int>(wide.size()));
    wide.resize(length > 0 ? static_cast<size_t>(length) : 0);
    return wide;
}

struct WindowSearch {
    DWORD processId;
    bool messageBox;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<WindowSearch*>(lParam);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    wchar_t title[64] = {};
    GetWindowTextW(window, title, 64);
    const bool isMessageBox = lstrcmpW(className, L"#32770") == 0;
    const bool wanted = search->messageBox
                            ? isMessageBox && IsWindowVisible(window)
                            : !isMessageBox && lstrcmpW(title, L"Velmora Mod Installer") == 0;
    if (processId == search->processId && wanted) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The process's main window, or its message box.
HWND FindWindowOf(DWORD processId, bool messageBox) {
    WindowSearch search = {processId, messageBox, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

std::string ReadWholeFile(const std::wstring& path) {
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text;
    char chunk[4096];
    DWORD read = 0;
    while (file.Valid() && ReadFile(file.Get(), chunk, sizeof chunk, &read, nullptr) && read > 0) {
        text.append(chunk, read);
    }
    return text;
}

long long NowMs() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return static_cast<long long>(
        ((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000);
}

AppFolder::AppFolder(const std::wstring& directory, const std::wstring& installer,
                     const std::wstring& stub)
    : directory_(directory) {
    CreateDirectoryW(directory_.c_str(), nullptr);
    CopyFileW(installer.c_str(), Path(L"Installer_32bit.exe").c_str(), FALSE);
    for (const wchar_t* name : {L"extract_32bit.exe", L"XP_Installer.exe", L"Vista_7_Installer.exe",
                                L"XP_Installer_2.exe", L"Vista_7_Installer_2.exe",
                                L"desktoprefresh.exe", L"xxmklink.exe"}) {
        CopyFileW(stub.c_str(), Path(name).c_str(), FALSE);
    }
}

std::wstring AppFolder::Path(const std::wstring& name) const {
    PathBuffer path;
    JoinPath(directory_.c_str(), name.c_str(), path.text, kPathCapacity);
    return path.text;
}

void AppFolder::Remove(const wchar_t* name) const {
    DeleteFileW(Path(name).c_str());
}

void AppFolder::Configure(const wchar_t* name, unsigned exitCode, unsigned stayMs) const {
    UniqueHandle file(CreateFileW(Path(std::wstring(name) + L".stub").c_str(), GENERIC_WRITE, 0,
                                  nullptr, CREATE_ALWAYS, 0, nullptr));
    char text[32];
    const int length = wsprintfA(text, "%u %u", exitCode, stayMs);
    DWORD written = 0;
    WriteFile(file.Get(), text, static_cast<DWORD>(length), &written, nullptr);
}

std::vector<Launch> AppFolder::Launches() const {
    std::vector<Launch> launches;
    const std::wstring log = FromUtf8(ReadWholeFile(Path(L"started.log")));
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find(L"\r\n", start);
        end = end == std::wstring::npos ? log.size() : end;
        std::vector<std::wstring> fields;
        size_t field = start;
        for (size_t tab; (tab = log.find(L'\t', field)) < end; field = tab + 1) {
            fields.push_back(log.substr(field, tab - field));
        }
        fields.push_back(log.substr(field, end - field));
        if (fields.size() == 4) {
            launches.push_back(
                {_wtoi64(fields[0].c_str()), fields[1] == L"1", fields[2], fields[3]});
        }
        start = end + 2;
    }
    std::sort(launches.begin(), launches.end(),
              [](const Launch& a, const Launch& b) { return a.ms < b.ms; });
    return launches;
}

std::vector<Launch> AppFolder::WaitForLaunches(size_t count) const {
    std::vector<Launch> launches = Launches();
    for (int tries = 0; launches.size() < count && tries < 100; ++tries) {
        Sleep(50);
        launches = Launches();
    }
    return launches;
}

std::vector<std::wstring> AppFolder::Files() const {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(Path(L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return files;
    }
    do {
        const std::wstring name = found.cFileName;
        const bool stubSettings =
            name.size() > 5 && name.compare(name.size() - 5, 5, L".stub") == 0;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && name != L"started.log" &&
            !stubSettings) {
            files.push_back(name);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end());
    return files;
}

InstallerSession::~InstallerSession() {
    if (process_.Valid() && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), kReplyMs);
    }
}

bool InstallerSession::Start(const std::wstring& exe, const std::wstring& currentDirectory) {
    if (!Launch(exe, currentDirectory)) {
        return false;
    }
    WaitForInputIdle(process_.Get(), 60000);
    for (int tries = 0; window_ == nullptr && tries < 600; ++tries) {
        window_ = FindWindowOf(processId_, false);
        if (window_ == nullptr) {
            Sleep(100);
        }
    }
    threadId_ = window_ != nullptr ? GetWindowThreadProcessId(window_, nullptr) : 0;
    return window_ != nullptr;
}

bool InstallerSession::Launch(const std::wstring& exe, const std::wstring& currentDirectory) {
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
    processId_ = info.dwProcessId;
    return true;
}

HWND InstallerSession::ControlWindow(Control control) const {
    return GetDlgItem(window_, ControlId(control));
}

bool InstallerSession::Enabled(Control control) const {
    return IsWindowEnabled(ControlWindow(control)) != FALSE;
}

int InstallerSession::BarPosition(Control bar) const {
    DWORD_PTR position = 0;
    if (!SendMessageTimeoutW(ControlWindow(bar), PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kReplyMs,
                             &position)) {
        return -1;
    }
    return static_cast<int>(position);
}

HWND InstallerSession::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(threadId_, &info) ? info.hwndFocus : nullptr;
}

long long InstallerSession::Click(Control control) {
    const long long now = NowMs();
    PostMessageW(ControlWindow(control), BM_CLICK, 0, 0);
    return now;
}

// Real input, through the system's queue as a person's would come: the installer reads it when
// it reads its queue.
void InstallerSession::Key(UINT virtualKey) {
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = static_cast<WORD>(virtualKey);
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

void InstallerSession::MouseClick(Control control) {
    RECT box = {};
    GetWindowRect(ControlWindow(control), &box);
    INPUT mouse[3] = {};
    mouse[0].type = mouse[1].type = mouse[2].type = INPUT_MOUSE;
    mouse[0].mi.dx = (box.left + box.right) / 2 * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
    mouse[0].mi.dy = (box.top + box.bottom) / 2 * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    mouse[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    mouse[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    mouse[2].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(3, mouse, sizeof(INPUT));
    // At a person's pace: Wine may place clicks sent all at once at the pointer's last position.
    Sleep(300);
}

void InstallerSession::Close() {
    PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool InstallerSession::WaitForMessageBox(MessageBoxSeen* seen, DWORD timeoutMs, DWORD pollMs) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        HWND box = FindWindowOf(processId_, true);
        if (box != nullptr) {
            seen->shownMs = NowMs();
            seen->window = box;
            wchar_t text[1024] = {};
            GetWindowTextW(box, text, 1024);
            seen->title = text;
            DWORD_PTR ignored = 0;
            text[0] = L'\0';
            SendMessageTimeoutW(GetDlgItem(box, 0xFFFF), WM_GETTEXT, 1024,
                                reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kReplyMs,
                                &ignored);
            seen->text = text;
            return true;
        }
        Sleep(pollMs);
    }
    return false;
}

bool InstallerSession::MessageBoxShowing() {
    return FindWindowOf(processId_, true) != nullptr;
}

void InstallerSession::PressOk(const MessageBoxSeen& seen) {
    PostMessageW(seen.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(seen.window, IDOK)));
    for (int tries = 0; tries < 250 && IsWindow(seen.window); ++tries) {
        Sleep(20);
    }
    // Answered once the action has ended and the window reads its queue again.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kReplyMs, &ignored);
}

bool InstallerSession::WaitForEnd(DWORD timeoutMs) {
    return WaitForSingleObject(process_.Get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD InstallerSession::ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}
