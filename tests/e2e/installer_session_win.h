#pragma once

#include "host/windows_win.h"

#include <string>
#include <vector>

#include "host/handle_win.h"
#include "host/host_services.h"

// One "ok - <case>: <what>" or "FAILED - ..." line per check, counted for the summary.
void BeginCase(const std::string& name);
void Check(bool ok, const std::string& what);
// A step that sets a case up. One that fails fails the case with Windows' error code: a case
// whose set-up did not happen never passes. Returns `ok`.
bool Step(bool ok, const std::string& what);
// Prints the count; returns how many checks failed.
int PrintSummary();

std::string Narrow(const std::wstring& text);

// Waits while answering what is sent to this thread: a global hook that the driver sets is called
// through it for programs of the other bitness, which wait meanwhile.
void Pause(DWORD ms);

// The form of a full path that the driver's own file operations take: Windows refuses a plain path
// of MAX_PATH characters or more, and the cases' folders reach beyond it.
std::wstring Long(const std::wstring& path);
bool Exists(const std::wstring& path);

// A file's bytes, or none; it may be written meanwhile.
std::string ReadWholeFile(const std::wstring& path);

// Milliseconds since 1601 (UTC), the companion stub's clock.
long long NowMs();

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
              const std::wstring& stub);
    const std::wstring& Directory() const { return directory_; }
    std::wstring Path(const std::wstring& name) const;
    // Copies a file in under this name; never over one that is there.
    bool Copy(const std::wstring& from, const std::wstring& name) const;
    // Writes a file; "<stub's name>.stub" holding "<exit code> <ms>" makes that stub stay that long
    // and end with that code.
    bool Write(const std::wstring& name, const std::string& text) const;
    bool Remove(const std::wstring& name) const;
    // A stub logs once it runs, which may take a while: waits until `count` have, or a few seconds
    // have passed (when fewer are expected). In order of start.
    std::vector<Launch> WaitForLaunches(size_t count) const;
    // The programs left, by name.
    std::vector<std::wstring> Programs() const;

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
    InstallerSession() = default;
    InstallerSession(const InstallerSession&) = delete;
    InstallerSession& operator=(const InstallerSession&) = delete;
    ~InstallerSession();

    // Starts it with `currentDirectory` as current directory; `window` waits for its window and
    // places it in the middle of the screen.
    bool Start(const std::wstring& exe, const std::wstring& currentDirectory, bool window = true);
    HWND Window() const { return window_; }
    HWND ControlWindow(Control control) const { return GetDlgItem(window_, ControlId(control)); }
    bool Enabled(Control control) const { return IsWindowEnabled(ControlWindow(control)); }
    int BarPosition(Control bar) const;
    HWND Focus() const;
    // BM_CLICK, as an automation tool clicks; returns when.
    long long Click(Control control);
    // Real input, to the installer brought to the foreground: a key pressed and let go (while
    // `held` is down), a left click in the middle of a control.
    void Key(UINT virtualKey, UINT held = 0);
    void MouseClick(Control control);
    // Stops its window's thread, as a hung program's, or lets it go on. False where it cannot.
    bool Hang(bool hang) const;
    // Waits for a message box of the installer's to show, looking every `pollMs`.
    bool WaitForMessageBox(MessageBoxSeen* seen, DWORD timeoutMs, DWORD pollMs = 20);
    bool MessageBoxShowing() const;
    // Presses OK and waits until the window reads its queue again.
    void PressOk(const MessageBoxSeen& seen);
    // Whether it ended within `timeoutMs`, with this exit code.
    bool Ended(DWORD timeoutMs, DWORD exitCode = 0) const;
    // Saves what the screen shows of the window and its message box as a bitmap file.
    bool SavePicture(const std::wstring& path) const;

  private:
    HWND FindWindowOf(bool messageBox) const;
    bool ToFront() const;
    void Send(std::vector<INPUT> input) const;

    UniqueHandle process_;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};
