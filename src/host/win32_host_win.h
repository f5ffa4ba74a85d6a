#pragma once

#include "host/handle_win.h"
#include "host/host_services.h"
#include "host/text.h"

// Loads DLLs from System32 only, so that none planted beside the installer (a Downloads folder,
// say) is ever loaded. Call it before anything loads a DLL.
void RestrictDllSearchToSystem32();

// Hands one queued message to the installer's window or its controls, with the keys of a dialog.
void DispatchDialogMessage(HWND window, MSG& msg);

// The system's own words for an error, without a trailing line break.
void DescribeSystemError(SystemError error, wchar_t* text, size_t capacity);

// The host services on Windows, for the one window whose controls the actions drive.
class Win32Host final : public HostServices {
  public:
    Win32Host();
    void SetWindow(HWND window) { window_ = window; }

    SystemError CheckProgram(const wchar_t* path) override;
    LaunchResult LaunchProgram(const wchar_t* path, const wchar_t* directory) override;
    bool TaskExitCode(TaskId task, uint32_t* exitCode) override;
    void ReleaseTask(TaskId task) override;
    SystemError DeleteFile(const wchar_t* path) override;
    const wchar_t* ApplicationDirectory() override { return directory_.text; }
    SystemError ShortPath(const wchar_t* path, wchar_t* result, size_t capacity) override;
    uint32_t Milliseconds() override;
    void Wait(uint32_t milliseconds) override;
    void ShowMessage(const wchar_t* prompt, const wchar_t* title, MessageKind kind) override;
    void EndProgram() override;
    void SetEnabled(Control control, bool enabled) override;
    void SetProgress(Control bar, float value) override;
    void DescribeError(SystemError error, wchar_t* text, size_t capacity) override;

  private:
    static constexpr int kTaskSlots = 4;
    HWND window_ = nullptr;
    uint64_t ticksPerSecond_ = 1;  // fixed at boot: read once
    PathBuffer directory_;
    UniqueHandle tasks_[kTaskSlots];
};
