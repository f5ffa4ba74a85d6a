#include "actions/actions.h"

#include "host/clock.h"
#include "host/text.h"
#include "resources/version.h"

namespace {

constexpr uint32_t kStepMilliseconds = 1000;
constexpr const wchar_t* kTitle = L"Installer";
constexpr const wchar_t* kExtractor = L"extract_32bit.exe";

struct InstallAction {
    Control self;
    Control disabledFirst[4];
    const wchar_t* installer;
};

constexpr InstallAction kXpInstall = {
    Control::Command1,
    {Control::Command2, Control::Command3, Control::Command5, Control::Command6},
    L"XP_Installer.exe"};
constexpr InstallAction kVistaInstall = {
    Control::Command2,
    {Control::Command1, Control::Command3, Control::Command4, Control::Command6},
    L"Vista_7_Installer.exe"};
constexpr InstallAction kSevenInstall = {
    Control::Command3,
    {Control::Command1, Control::Command2, Control::Command4, Control::Command5},
    L"Vista_7_Installer.exe"};

struct ShortcutAction {
    Control self;
    const wchar_t* program;
    bool launchAfterSecondWait;
};

constexpr ShortcutAction kXpShortcut = {Control::Command4, L"XP_Installer_2.exe", false};
constexpr ShortcutAction kVistaShortcut = {Control::Command5, L"Vista_7_Installer_2.exe", true};
constexpr ShortcutAction kSevenShortcut = {Control::Command6, L"Vista_7_Installer_2.exe", true};

// In deletion order; the bar shows 50 once the first four are done.
constexpr const wchar_t* kExtraFiles[] = {
    L"XP_Installer.exe",        L"XP_Installer_2.exe", L"Vista_7_Installer.exe",
    L"Vista_7_Installer_2.exe", L"desktoprefresh.exe", L"xxmklink.exe",
};
constexpr int kFilesBeforeHalfway = 4;

// The install bar's values between the launches and the last step to 100.
constexpr float kInstallSteps[] = {40, 60, 80};

using MessageBuffer = TextBuffer<2048>;

constexpr const wchar_t* kFolderTooDeep =
    L"Its folder is too deep for Windows to start programs from it. Move the mod's folder "
    L"nearer to the top of the drive, then try again.";
// Exit codes from here on are Windows' status codes, such as a crash's 0xC0000005: they read as
// Windows writes them, in hexadecimal.
constexpr uint32_t kFirstStatusCode = 0x40000000;

// The system's words for why `subject` failed.
void AppendReason(HostServices& host, TextWriter& writer, SystemError error,
                  const wchar_t* subject) {
    wchar_t reason[512];
    host.DescribeError(error, reason, sizeof reason / sizeof reason[0]);
    writer.AppendFilled(reason, subject);
}

// Where a program starts from: its full path in the application directory, in a form that Windows
// starts, and the folder that the path was formed from, as its working directory. Where the plain
// path reaches MAX_PATH, both go through the directory's 8.3 form (the program keeps its own name):
// a companion that opens its files by relative name then meets no limit either. Where there is no
// such form, the folder is too deep.
struct ProgramLocation {
    PathBuffer directory;
    PathBuffer path;
};

SystemError Locate(HostServices& host, const wchar_t* name, ProgramLocation& where) {
    auto startsFrom = [&](const wchar_t* folder) {
        return JoinPath(folder, name, where.path.text, kPathCapacity) &&
               TextLength(where.path.text) < kMaxPath;
    };
    const wchar_t* directory = host.ApplicationDirectory();
    where.directory.Writer().Append(directory);
    const bool fits = startsFrom(directory) ||
                      (host.ShortPath(directory, where.directory.text, kPathCapacity) == kSuccess &&
                       startsFrom(where.directory.text));
    return fits ? kSuccess : kErrorPathTooLong;
}

// The programs one action has started; the host lets go of them when the action ends.
class StartedPrograms {
  public:
    explicit StartedPrograms(HostServices& host) : host_(host) {}
    StartedPrograms(const StartedPrograms&) = delete;
    StartedPrograms& operator=(const StartedPrograms&) = delete;
    ~StartedPrograms() {
        for (int i = 0; i < count_; ++i) {
            host_.ReleaseTask(tasks_[i]);
        }
    }

    // Whether a program is there to be started, or says why not and returns false.
    bool Present(const wchar_t* name) {
        ProgramLocation where;
        const SystemError error = Locate(host_, name, where);
        return Succeeded(error == kSuccess ? host_.CheckProgram(where.path.text) : error, name);
    }

    // Starts a program, or says why it could not and returns false: the action stops there.
    bool Launch(const wchar_t* name) {
        ProgramLocation where;
        const SystemError error = Locate(host_, name, where);
        const LaunchResult result = error == kSuccess
                                        ? host_.LaunchProgram(where.path.text, where.directory.text)
                                        : LaunchResult{error, kNoTask};
        if (!Succeeded(result.error, name)) {
            return false;
        }
        if (count_ < kCapacity) {
            names_[count_] = name;
            tasks_[count_++] = result.task;
        }
        return true;
    }

    // A program that has already failed must not be reported as a success.
    bool ReportEarlyFailure() {
        for (int i = 0; i < count_; ++i) {
            uint32_t exitCode = 0;
            if (host_.TaskExitCode(tasks_[i], &exitCode) && exitCode != 0) {
                MessageBuffer message;
                TextWriter writer = message.Writer();
                writer.Append(L"\"").Append(names_[i]).Append(L"\" ended with exit code ");
                if (exitCode >= kFirstStatusCode) {
                    writer.AppendHex(exitCode);
                } else {
                    writer.AppendNumber(exitCode);
                }
                writer.Append(L".");
                host_.ShowMessage(message.text, kTitle, MessageKind::Error);
                return true;
            }
        }
        return false;
    }

  private:
    bool Succeeded(SystemError error, const wchar_t* name) {
        if (error == kSuccess) {
            return true;
        }
        MessageBuffer message;
        TextWriter writer = message.Writer();
        writer.Append(L"Could not start \"").Append(name).Append(L"\".\n\n");
        if (error == kErrorPathTooLong) {
            writer.Append(kFolderTooDeep);
        } else {
            AppendReason(host_, writer, error, name);
        }
        host_.ShowMessage(message.text, kTitle, MessageKind::Error);
        return false;
    }

    static constexpr int kCapacity = 2;
    HostServices& host_;
    const wchar_t* names_[kCapacity] = {};
    TaskId tasks_[kCapacity] = {};
    int count_ = 0;
};

// Ends an action: its success message, then its own button goes off for good.
void Finish(HostServices& host, StartedPrograms& started, const wchar_t* success, Control self) {
    if (started.ReportEarlyFailure()) {
        return;
    }
    host.ShowMessage(success, kTitle, MessageKind::Plain);
    host.SetEnabled(self, false);
}

// Keeps an action's waits on a grid of whole seconds from its start, so that the time taken by
// launching and drawing does not push every later step back. A point already passed (a launch that
// an antivirus held up, say) is not waited for.
class StepGrid {
  public:
    explicit StepGrid(HostServices& host) : host_(host), start_(host.Milliseconds()) {}

    void Wait() {
        point_ += kStepMilliseconds;
        const uint32_t elapsed = ElapsedMilliseconds(start_, host_.Milliseconds());
        if (elapsed < point_) {
            host_.Wait(point_ - elapsed);
        }
    }

    void Step(Control bar, float value) {
        Wait();
        host_.SetProgress(bar, value);
    }

  private:
    HostServices& host_;
    const uint32_t start_;
    uint32_t point_ = 0;
};

void StartBar(HostServices& host, Control bar) {
    host.SetEnabled(bar, true);
    host.SetProgress(bar, 0);
}

void StopBar(HostServices& host, Control bar) {
    host.SetProgress(bar, 100);
    host.SetEnabled(bar, false);
}

void Install(HostServices& host, const InstallAction& action) {
    StepGrid grid(host);
    for (Control button : action.disabledFirst) {
        host.SetEnabled(button, false);
    }
    StartBar(host, Control::ProgressBar1);
    grid.Step(Control::ProgressBar1, 20);
    StartedPrograms started(host);
    // Neither while the installer is missing: an extractor started without it would be started
    // again on every retry. (A missing extractor stops the action before anything starts.)
    if (!started.Present(action.installer) || !started.Launch(kExtractor) ||
        !started.Launch(action.installer)) {
        return;
    }
    for (float value : kInstallSteps) {
        grid.Step(Control::ProgressBar1, value);
    }
    grid.Wait();
    StopBar(host, Control::ProgressBar1);
    Finish(host, started, L"Completed!", action.self);
}

void CreateShortcut(HostServices& host, const ShortcutAction& action) {
    StepGrid grid(host);
    StartBar(host, Control::ProgressBar2);
    grid.Step(Control::ProgressBar2, 50);
    StartedPrograms started(host);
    if (!action.launchAfterSecondWait && !started.Launch(action.program)) {
        return;
    }
    grid.Wait();
    if (action.launchAfterSecondWait && !started.Launch(action.program)) {
        return;
    }
    StopBar(host, Control::ProgressBar2);
    Finish(host, started, L"Shortcut created on your desktop!", action.self);
}

// Every file is tried, so one held open does not keep the rest; one already gone is done.
void DeleteExtraFiles(HostServices& host) {
    StartBar(host, Control::ProgressBar3);
    MessageBuffer remaining;
    TextWriter writer = remaining.Writer();
    writer.Append(L"These files could not be deleted:\n");
    bool allGone = true;
    int index = 0;
    for (const wchar_t* name : kExtraFiles) {
        if (index++ == kFilesBeforeHalfway) {
            host.SetProgress(Control::ProgressBar3, 50);
        }
        PathBuffer path;
        PathBuffer longPath;
        SystemError error = kErrorPathTooLong;
        // A deep folder can hold the installer within MAX_PATH and a companion beyond it.
        if (JoinPath(host.ApplicationDirectory(), name, path.text, kPathCapacity) &&
            ExtendedLengthPath(path.text, longPath.text, kPathCapacity)) {
            error = host.DeleteFile(longPath.text);
        }
        // Only "file not found" means already gone: "path not found" may be a folder that
        // Windows cannot reach, with the file still in it.
        if (error == kSuccess || error == kErrorFileNotFound) {
            continue;
        }
        allGone = false;
        writer.Append(L"\n").Append(name).Append(L": ");
        AppendReason(host, writer, error, name);
    }
    StopBar(host, Control::ProgressBar3);
    if (!allGone) {
        host.ShowMessage(remaining.text, kTitle, MessageKind::Warning);
        return;
    }
    host.ShowMessage(L"Files deleted!", kTitle, MessageKind::Plain);
    host.SetEnabled(Control::Command7, false);
}

}  // namespace

void Command1_Click(HostServices& host) {
    Install(host, kXpInstall);
}
void Command2_Click(HostServices& host) {
    Install(host, kVistaInstall);
}
void Command3_Click(HostServices& host) {
    Install(host, kSevenInstall);
}
void Command4_Click(HostServices& host) {
    CreateShortcut(host, kXpShortcut);
}
void Command5_Click(HostServices& host) {
    CreateShortcut(host, kVistaShortcut);
}
void Command6_Click(HostServices& host) {
    CreateShortcut(host, kSevenShortcut);
}
void Command7_Click(HostServices& host) {
    DeleteExtraFiles(host);
}

void Command8_Click(HostServices& host) {
    host.ShowMessage(L"You can't change the universe, without repercussions.", kProductName,
                     MessageKind::Plain);
    host.EndProgram();
}
