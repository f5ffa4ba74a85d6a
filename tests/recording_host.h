#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/host_services.h"
#include "host/text.h"

// A host with a virtual clock and an application directory held in memory. It records what a
// user and the companion programs would observe.
class RecordingHost final : public HostServices {
  public:
    using Launches = std::vector<std::pair<std::wstring, long long>>;  // name, time
    using Timeline = std::vector<std::pair<long long, float>>;         // time, value
    struct Message {
        std::wstring prompt;
        std::wstring title;
        MessageKind kind;
        long long time;
    };

    static constexpr const wchar_t* kCompanions[] = {
        L"extract_32bit.exe",  L"XP_Installer.exe",        L"Vista_7_Installer.exe",
        L"XP_Installer_2.exe", L"Vista_7_Installer_2.exe", L"desktoprefresh.exe",
        L"xxmklink.exe"};

    explicit RecordingHost(std::wstring directory = L"C:\\Games\\Velmora")
        : directory_(std::move(directory)) {
        for (const wchar_t* name : kCompanions) {
            files.insert(PathOf(name));
        }
        for (bool& on : enabled) {
            on = true;
        }
    }

    std::wstring PathOf(const std::wstring& name) const {
        PathBuffer path;
        JoinPath(directory_.c_str(), name.c_str(), path.text, kPathCapacity);
        return path.text;
    }
    bool Enabled(Control control) const { return enabled[static_cast<int>(control)]; }
    std::set<Control> EnabledButtons() const {
        std::set<Control> result;
        for (Control button :
             {Control::Command1, Control::Command2, Control::Command3, Control::Command4,
              Control::Command5, Control::Command6, Control::Command7, Control::Command8}) {
            if (Enabled(button)) {
                result.insert(button);
            }
        }
        return result;
    }

    // Set up by the tests.
    std::set<std::wstring> files;
    std::map<std::wstring, SystemError> refused;  // paths that Windows refuses, with its answer
    std::map<std::wstring, uint32_t> exitCodes;   // programs that end at once, with this code
    long long launchMilliseconds = 0;             // how long starting a program takes

    // Observed.
    long long now = 0;
    bool enabled[kControlCount];
    std::map<Control, Timeline> progress;
    Launches launches;
    std::vector<std::pair<std::wstring, float>> deletions;  // path, the third bar's value then
    std::vector<Message> messages;
    std::vector<TaskId> releasedTasks;
    bool ended = false;
    int callsAfterEnd = 0;

    SystemError CheckProgram(const wchar_t* name) override {
        Touch();
        return files.count(PathOf(name)) != 0 ? kSuccess : kErrorFileNotFound;
    }
    LaunchResult LaunchProgram(const wchar_t* name) override {
        Touch();
        const std::wstring path = PathOf(name);
        if (files.count(path) == 0) {
            return {kErrorFileNotFound, kNoTask};
        }
        if (refused.count(path) != 0) {
            return {refused[path], kNoTask};
        }
        launches.push_back({name, now});
        now += launchMilliseconds;
        return {kSuccess, static_cast<TaskId>(launches.size() - 1)};
    }
    bool TaskExitCode(TaskId task, uint32_t* exitCode) override {
        auto found = exitCodes.find(launches.at(static_cast<size_t>(task)).first);
        if (found == exitCodes.end()) {
            return false;
        }
        *exitCode = found->second;
        return true;
    }
    void ReleaseTask(TaskId task) override { releasedTasks.push_back(task); }
    SystemError DeleteFile(const wchar_t* given) override {
        Touch();
        deletions.push_back({given, BarValue(Control::ProgressBar3)});
        // Like Windows, refuses a path of MAX_PATH characters or more but in the extended form.
        std::wstring path = given;
        if (path.rfind(L"\\\\?\\", 0) == 0) {
            path = path.substr(4);
        } else if (path.size() >= 260) {
            return 3;
        }
        if (refused.count(path) != 0) {
            return refused[path];
        }
        return files.erase(path) != 0 ? kSuccess : kErrorFileNotFound;
    }
    const wchar_t* ApplicationDirectory() override { return directory_.c_str(); }
    uint32_t Milliseconds() override { return static_cast<uint32_t>(now); }
    void Wait(uint32_t milliseconds) override {
        Touch();
        now += milliseconds;
    }
    void ShowMessage(const wchar_t* prompt, const wchar_t* title, MessageKind kind) override {
        Touch();
        messages.push_back({prompt, title, kind, now});
    }
    void EndProgram() override {
        Touch();
        ended = true;
    }
    void SetEnabled(Control control, bool on) override {
        Touch();
        enabled[static_cast<int>(control)] = on;
    }
    void SetProgress(Control bar, float value) override {
        Touch();
        progress[bar].push_back({now, value});
    }
    // Windows' own text for a file that is no program, insert and all.
    static constexpr SystemError kBadExeFormat = 193;
    void DescribeError(SystemError error, wchar_t* text, size_t capacity) override {
        TextWriter writer(text, capacity);
        if (error == kBadExeFormat) {
            writer.Append(L"%1 is not a valid Win32 application.");
            return;
        }
        writer.Append(L"System reason ").AppendNumber(error).Append(L".");
    }

  private:
    void Touch() { callsAfterEnd += ended ? 1 : 0; }
    float BarValue(Control bar) const {
        auto found = progress.find(bar);
        return found == progress.end() ? 0 : found->second.back().second;
    }

    std::wstring directory_;
};
