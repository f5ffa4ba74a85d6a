#pragma once

#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "host/host_services.h"
#include "host/text.h"
#include "window/layout.h"

// A start as the companion sees it: by name where it was started from the application directory,
// otherwise by full path, with " in " and its working directory where that is another; and when.
using Launches = std::vector<std::pair<std::wstring, long long>>;
using Timeline = std::vector<std::pair<long long, float>>;  // time, value
// Prompt, title, kind and time.
using Message = std::tuple<std::wstring, std::wstring, MessageKind, long long>;

// The companions that the clean-up deletes, in its order; the extractor stays.
inline const std::vector<std::wstring> kExtraFiles = {
    L"XP_Installer.exe",        L"XP_Installer_2.exe", L"Vista_7_Installer.exe",
    L"Vista_7_Installer_2.exe", L"desktoprefresh.exe", L"xxmklink.exe"};

// A host with a virtual clock and an application directory held in memory. It records what a
// user and the companion programs would observe.
class RecordingHost final : public HostServices {
  public:
    // The directory and its 8.3 form: the same where the volume keeps no such names.
    explicit RecordingHost(std::wstring directory = L"C:\\Games\\Velmora Mod",
                           std::wstring shortDirectory = L"C:\\Games\\VELMOR~1")
        : directory_(std::move(directory)), shortDirectory_(std::move(shortDirectory)) {
        files.insert(PathOf(L"extract_32bit.exe"));
        for (const std::wstring& name : kExtraFiles) {
            files.insert(PathOf(name));
        }
    }

    std::wstring PathOf(const std::wstring& name) const {
        PathBuffer path;
        JoinPath(directory_.c_str(), name.c_str(), path.text, kPathCapacity);
        return path.text;
    }
    // Every control starts enabled, as in the window.
    bool Enabled(Control control) const {
        return enabled.count(control) == 0 || enabled.at(control);
    }
    std::set<Control> EnabledButtons() const {
        std::set<Control> result;
        for (const ControlLayout& row : kLayout) {
            if (row.kind == ControlKind::Button && Enabled(row.name)) {
                result.insert(row.name);
            }
        }
        return result;
    }

    // Set up by the tests.
    std::set<std::wstring> files;
    std::map<std::wstring, SystemError> refused;  // paths that Windows refuses, with its answer
    std::map<std::wstring, uint32_t> exitCodes;   // programs that end at once, with this code
    long long launchMilliseconds = 0;             // how long starting a program takes
    long long clockLag = 0;  // how far the clock's readings lag its first (two cores apart)

    // Observed.
    long long now = 0;
    std::map<Control, bool> enabled;  // as last set
    std::map<Control, Timeline> progress;
    Launches launches;  // by name, or by full path where not started from the directory
    std::vector<std::wstring> deleted;  // file names, in order
    std::vector<Message> messages;
    std::vector<TaskId> releasedTasks;
    int messagesAtEnd = -1;  // shown before the program was ended; -1 while it runs

    SystemError CheckProgram(const wchar_t* path) override { return Find(path); }
    LaunchResult LaunchProgram(const wchar_t* given, const wchar_t* directory) override {
        const SystemError error = Find(given);
        const std::wstring path = LongForm(given);
        if (error != kSuccess || refused.count(path) != 0) {
            return {error != kSuccess ? error : refused[path], kNoTask};
        }
        const bool inDirectory = DirectoryLength(given) == directory_.size() + 1 &&
                                 std::wstring(given).rfind(directory_, 0) == 0;
        launches.push_back({given + (inDirectory ? DirectoryLength(given) : 0) +
                                (directory == directory_ ? L"" : L" in " + std::wstring(directory)),
                            now});
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
    // Each try takes a millisecond, so a bar's timeline shows how many files had been tried.
    SystemError DeleteFile(const wchar_t* given) override {
        ++now;
        // Like Windows, refuses a path of MAX_PATH characters or more but in the extended form.
        std::wstring path = given;
        if (path.rfind(L"\\\\?\\", 0) == 0) {
            path = path.substr(4);
        } else if (path.size() >= 260) {
            return kPathNotFound;
        }
        if (refused.count(path) != 0) {
            return refused[path];
        }
        if (files.erase(path) == 0) {
            return kErrorFileNotFound;
        }
        deleted.push_back(path.substr(path.find_last_of(L'\\') + 1));
        return kSuccess;
    }
    const wchar_t* ApplicationDirectory() override { return directory_.c_str(); }
    SystemError ShortPath(const wchar_t* path, wchar_t* result, size_t capacity) override {
        TextWriter(result, capacity).Append(path == directory_ ? shortDirectory_.c_str() : path);
        return kSuccess;
    }
    // Wraps around three seconds into the first action: only differences between readings count.
    uint32_t Milliseconds() override {
        return static_cast<uint32_t>(now - 3000 - (clockRead_++ > 0 ? clockLag : 0));
    }
    void Wait(uint32_t milliseconds) override { now += milliseconds; }
    void ShowMessage(const wchar_t* prompt, const wchar_t* title, MessageKind kind) override {
        messages.push_back({prompt, title, kind, now});
    }
    void EndProgram() override { messagesAtEnd = static_cast<int>(messages.size()); }
    void SetEnabled(Control control, bool on) override { enabled[control] = on; }
    void SetProgress(Control bar, float value) override { progress[bar].push_back({now, value}); }
    // Like Windows' own texts, with an insert for the file it is about.
    void DescribeError(SystemError error, wchar_t* text, size_t capacity) override {
        TextWriter(text, capacity).Append(L"Reason ").AppendNumber(error).Append(L" for %1.");
    }

  private:
    static constexpr SystemError kPathNotFound = 3;  // Windows' answer to a plain path too long

    // Like Windows, finds no file by a plain path of MAX_PATH characters or more.
    SystemError Find(const std::wstring& path) const {
        if (path.size() >= 260) {
            return kPathNotFound;
        }
        return files.count(LongForm(path)) != 0 ? kSuccess : kErrorFileNotFound;
    }
    std::wstring LongForm(const std::wstring& path) const {
        return path.rfind(shortDirectory_ + L"\\", 0) == 0
                   ? directory_ + path.substr(shortDirectory_.size())
                   : path;
    }

    std::wstring directory_;
    std::wstring shortDirectory_;
    int clockRead_ = 0;
};
