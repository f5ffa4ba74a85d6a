#pragma once

#include <cstddef>
#include <cstdint>

#include "host/controls.h"

enum class MessageKind : uint8_t { Plain, Error, Warning };

// A Windows error code; 0 is success.
using SystemError = uint32_t;
constexpr SystemError kSuccess = 0;
constexpr SystemError kErrorFileNotFound = 2;
constexpr SystemError kErrorPathTooLong = 206;

// A started companion program, as far as the action that started it cares.
using TaskId = int;
constexpr TaskId kNoTask = -1;

struct LaunchResult {
    SystemError error;
    TaskId task;
};

// What the actions need from the machine. Failures come back as values; nothing throws.
class HostServices {
  public:
    // Whether the program at this full path is there to be started: kSuccess, or why not.
    virtual SystemError CheckProgram(const wchar_t* path) = 0;
    // Starts the program at this full path, hidden, with this working directory, without waiting.
    virtual LaunchResult LaunchProgram(const wchar_t* path, const wchar_t* directory) = 0;
    // True once the task has ended, with its exit code; false while it still runs.
    virtual bool TaskExitCode(TaskId task, uint32_t* exitCode) = 0;
    virtual void ReleaseTask(TaskId task) = 0;
    virtual SystemError DeleteFile(const wchar_t* path) = 0;
    virtual const wchar_t* ApplicationDirectory() = 0;
    // The 8.3 form of an existing path, as far as its volume keeps such names; a path without
    // them comes back as it is.
    virtual SystemError ShortPath(const wchar_t* path, wchar_t* result, size_t capacity) = 0;
    // A clock in milliseconds, wrapping around: only differences between readings count.
    virtual uint32_t Milliseconds() = 0;
    // Blocks the action for this long, while the window stays painted and takes the user's input.
    virtual void Wait(uint32_t milliseconds) = 0;
    virtual void ShowMessage(const wchar_t* prompt, const wchar_t* title, MessageKind kind) = 0;
    virtual void EndProgram() = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;
    virtual void SetProgress(Control bar, float value) = 0;
    // The system's own words for an error, without a trailing line break; inserts such as "%1"
    // are left for the caller to fill.
    virtual void DescribeError(SystemError error, wchar_t* text, size_t capacity) = 0;

  protected:
    ~HostServices() = default;
};
