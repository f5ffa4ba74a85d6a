#pragma once

#include "host/windows_win.h"

#include <string>
#include <vector>

#include "host/handle_win.h"
#include "host/host_services.h"

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
    std::wstring Name() const { return path.substr(path.rfind(L'\\') + 1); }
};

// A fresh application directory: Installer_32bit.exe and a stub under each companion name.
class AppFolder {
  public:
    AppFolder(const std::wstring& directory, const std::wstring& installer,
              const std::wstring& stub);
    const std::wstring& Directory() const { return directory_; }
    std::wstring Path(const std::wstring& name) const;
    void Remove(const wchar_t* name) const;
    // The stub under this name stays `stayMs` and ends with `exitCode`.
    void Configure(const wchar_t* name, unsigned exitCode, unsigned stayMs) const;
    std::vector<Launch> Launches() const;
    // A stub logs once it runs, which may take a while: waits until `count` have, or a few seconds
    // have passed (when fewer are expected).
    std::vector<Launch> WaitForLaunches(size_t count) const;
    // The files left, by name, without the stubs' log and settings.
    std::vector<std::wstring> Files() const;

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

    // Starts it with another folder as current directory, and waits for its window.
    bool Start(const std::wstring& exe, const std::wstring& currentDirectory);
    // Starts it without waiting for anything.
    bool Launch(const std::wstring& exe, const std::wstring& currentDirectory);
    HWND Window() const { return window_; }
    HWND ControlWindow(Control control) const;
    bool Enabled(Control control) const;
    int BarPosition(Control bar) const;
    HWND Focus() const;
    long long Click(Control control);
    // Real input: a key pressed and let go, a left click in the middle of a control.
    void Key(UINT virtualKey);
    void MouseClick(Control control);
    void Close();
    // Waits for a message box of the installer's to show, looking every `pollMs`; false after
    // `timeoutMs`.
    bool WaitForMessageBox(MessageBoxSeen* seen, DWORD timeoutMs, DWORD pollMs = 20);
    bool MessageBoxShowing();
    // Presses OK and waits for the rest of the action.
    void PressOk(const MessageBoxSeen& seen);
    bool WaitForEnd(DWORD timeoutMs);
    DWORD ExitCode() const;

  private:
    UniqueHandle process_;
    DWORD processId_ = 0;
    DWORD threadId_ = 0;
    HWND window_ = nullptr;
};
