#include <gtest/gtest.h>

#include <algorithm>

#include "actions/actions.h"
#include "recording_host.h"

namespace {

using C = Control;
using Timeline = std::vector<std::pair<long long, float>>;

Timeline TimelineOf(const RecordingHost& host, Control bar) {
    Timeline result;
    for (const auto& step : host.Timeline(bar)) {
        result.emplace_back(step.time, step.value);
    }
    return result;
}

std::vector<std::pair<std::wstring, long long>> LaunchesOf(const RecordingHost& host) {
    std::vector<std::pair<std::wstring, long long>> result;
    for (const auto& launch : host.launches) {
        result.emplace_back(launch.name, launch.time);
    }
    return result;
}

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

struct InstallCase {
    const char* name;
    ClickHandler click;
    Control self;
    const wchar_t* installer;
    std::set<Control> stillEnabled;
    ClickHandler sameSystemsShortcut;
};
void PrintTo(const InstallCase& c, std::ostream* out) {
    *out << c.name;
}

const InstallCase kInstallCases[] = {
    {"WindowsXp",
     Command1_Click,
     C::Command1,
     L"XP_Installer.exe",
     {C::Command4, C::Command7, C::Command8},
     Command4_Click},
    {"WindowsVista",
     Command2_Click,
     C::Command2,
     L"Vista_7_Installer.exe",
     {C::Command5, C::Command7, C::Command8},
     Command5_Click},
    {"Windows7",
     Command3_Click,
     C::Command3,
     L"Vista_7_Installer.exe",
     {C::Command6, C::Command7, C::Command8},
     Command6_Click},
};

class InstallTest : public testing::TestWithParam<InstallCase> {};

TEST_P(InstallTest, StartsExtractorAndInstallerAfterOneSecondAndCompletesAfterFive) {
    const InstallCase& c = GetParam();
    RecordingHost host;
    c.click(host);

    using Launches = std::vector<std::pair<std::wstring, long long>>;
    EXPECT_EQ(LaunchesOf(host), (Launches{{L"extract_32bit.exe", 1000}, {c.installer, 1000}}));
    EXPECT_EQ(TimelineOf(host, C::ProgressBar1),
              (Timeline{{0, 0}, {1000, 20}, {2000, 40}, {3000, 60}, {4000, 80}, {5000, 100}}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].prompt, L"Completed!");
    EXPECT_EQ(host.messages[0].title, L"Installer");
    EXPECT_EQ(host.messages[0].kind, MessageKind::Plain);
    EXPECT_EQ(host.messages[0].time, 5000);
    EXPECT_EQ(host.EnabledButtons(), c.stillEnabled);
    EXPECT_FALSE(host.Enabled(C::ProgressBar1));
    EXPECT_EQ(host.releasedTasks.size(), 2u);
}

TEST_P(InstallTest, RunsInFullAfterTheSameSystemsShortcut) {
    const InstallCase& c = GetParam();
    RecordingHost host;
    c.sameSystemsShortcut(host);
    host.messages.clear();
    c.click(host);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].prompt, L"Completed!");
    EXPECT_FALSE(host.Enabled(c.self));
}

TEST_P(InstallTest, WithShortcutAndCleanUpLeavesOnlyExit) {
    const InstallCase& c = GetParam();
    RecordingHost host;
    c.sameSystemsShortcut(host);
    c.click(host);
    Command7_Click(host);
    EXPECT_EQ(host.EnabledButtons(), std::set<Control>{C::Command8});
}

INSTANTIATE_TEST_SUITE_P(Installs, InstallTest, testing::ValuesIn(kInstallCases),
                         [](const auto& info) { return info.param.name; });

struct ShortcutCase {
    const char* name;
    ClickHandler click;
    Control self;
    long long launchTime;
};
void PrintTo(const ShortcutCase& c, std::ostream* out) {
    *out << c.name;
}

const ShortcutCase kShortcutCases[] = {
    {"WindowsXp", Command4_Click, C::Command4, 1000},
    {"WindowsVista", Command5_Click, C::Command5, 2000},
    {"Windows7", Command6_Click, C::Command6, 2000},
};

class ShortcutTest : public testing::TestWithParam<ShortcutCase> {};

TEST_P(ShortcutTest, StartsItsProgramOnTimeAndDisablesOnlyItself) {
    const ShortcutCase& c = GetParam();
    RecordingHost host;
    c.click(host);

    const std::wstring program =
        c.self == C::Command4 ? L"XP_Installer_2.exe" : L"Vista_7_Installer_2.exe";
    using Launches = std::vector<std::pair<std::wstring, long long>>;
    EXPECT_EQ(LaunchesOf(host), (Launches{{program, c.launchTime}}));
    EXPECT_EQ(TimelineOf(host, C::ProgressBar2), (Timeline{{0, 0}, {1000, 50}, {2000, 100}}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].prompt, L"Shortcut created on your desktop!");
    EXPECT_EQ(host.messages[0].title, L"Installer");
    EXPECT_EQ(host.messages[0].time, 2000);
    std::set<Control> others = {C::Command1, C::Command2, C::Command3, C::Command4,
                                C::Command5, C::Command6, C::Command7, C::Command8};
    others.erase(c.self);
    EXPECT_EQ(host.EnabledButtons(), others);
    EXPECT_FALSE(host.Enabled(C::ProgressBar2));
}

INSTANTIATE_TEST_SUITE_P(Shortcuts, ShortcutTest, testing::ValuesIn(kShortcutCases),
                         [](const auto& info) { return info.param.name; });

struct GridCase {
    const char* name;
    ClickHandler click;
    long long launchMilliseconds;
    std::vector<std::pair<std::wstring, long long>> launches;
    Control bar;
    Timeline timeline;
    long long messageTime;
};
void PrintTo(const GridCase& c, std::ostream* out) {
    *out << c.name;
}

class GridTest : public testing::TestWithParam<GridCase> {};

// Each step ends a whole number of seconds after the click, however long launching takes; a
// point already passed comes at once.
TEST_P(GridTest, StepsKeepToWholeSecondsFromTheClick) {
    const GridCase& c = GetParam();
    RecordingHost host;
    host.launchMilliseconds = c.launchMilliseconds;
    c.click(host);
    EXPECT_EQ(LaunchesOf(host), c.launches);
    EXPECT_EQ(TimelineOf(host, c.bar), c.timeline);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].time, c.messageTime);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, GridTest,
    testing::Values(GridCase{"InstallSlowLaunches",
                             Command1_Click,
                             300,
                             {{L"extract_32bit.exe", 1000}, {L"XP_Installer.exe", 1300}},
                             C::ProgressBar1,
                             {{0, 0}, {1000, 20}, {2000, 40}, {3000, 60}, {4000, 80}, {5000, 100}},
                             5000},
                    GridCase{"InstallLaunchHeldUp",
                             Command2_Click,
                             2500,
                             {{L"extract_32bit.exe", 1000}, {L"Vista_7_Installer.exe", 3500}},
                             C::ProgressBar1,
                             {{0, 0}, {1000, 20}, {6000, 40}, {6000, 60}, {6000, 80}, {6000, 100}},
                             6000},
                    GridCase{"XpShortcutSlowLaunch",
                             Command4_Click,
                             300,
                             {{L"XP_Installer_2.exe", 1000}},
                             C::ProgressBar2,
                             {{0, 0}, {1000, 50}, {2000, 100}},
                             2000}),
    [](const auto& info) { return info.param.name; });

TEST(Shortcut, VistaThenSevenStartsTheSharedProgramTwiceEachFromZero) {
    RecordingHost host;
    Command5_Click(host);
    Command6_Click(host);
    ASSERT_EQ(host.launches.size(), 2u);
    EXPECT_EQ(host.launches[1].name, L"Vista_7_Installer_2.exe");
    EXPECT_EQ(host.Timeline(C::ProgressBar2)[3].value, 0);
}

const wchar_t* const kExtraFiles[] = {L"XP_Installer.exe",      L"XP_Installer_2.exe",
                                      L"Vista_7_Installer.exe", L"Vista_7_Installer_2.exe",
                                      L"desktoprefresh.exe",    L"xxmklink.exe"};

TEST(CleanUp, DeletesTheSixFilesInOrderWithTheBarAtZeroThenFifty) {
    RecordingHost host;
    Command7_Click(host);

    ASSERT_EQ(host.deletions.size(), 6u);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(host.deletions[i].path, host.PathOf(kExtraFiles[i]));
        EXPECT_EQ(host.deletions[i].barValue, i < 4 ? 0 : 50);
    }
    EXPECT_EQ(host.files, std::set<std::wstring>{host.PathOf(L"extract_32bit.exe")});
    EXPECT_EQ(TimelineOf(host, C::ProgressBar3), (Timeline{{0, 0}, {0, 50}, {0, 100}}));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].prompt, L"Files deleted!");
    EXPECT_EQ(host.messages[0].title, L"Installer");
    EXPECT_FALSE(host.Enabled(C::Command7));
    EXPECT_TRUE(host.launches.empty());
}

TEST(CleanUp, DeletesFromAFolderTooDeepForPlainPaths) {
    RecordingHost host(L"C:\\" + std::wstring(240, L'x'));
    Command7_Click(host);
    EXPECT_EQ(host.messages.back().prompt, L"Files deleted!");
    EXPECT_EQ(host.files, std::set<std::wstring>{host.PathOf(L"extract_32bit.exe")});
}

TEST(CleanUp, JoinsADriveRootWithOneBackslash) {
    RecordingHost host(L"Y:\\");
    Command7_Click(host);
    EXPECT_EQ(host.deletions[0].path, L"Y:\\XP_Installer.exe");
    EXPECT_FALSE(host.Enabled(C::Command7));
}

struct CleanUpFaultCase {
    const char* name;
    std::vector<const wchar_t*> absent;
    std::vector<const wchar_t*> refused;
    SystemError error = 32;  // in use
};
void PrintTo(const CleanUpFaultCase& c, std::ostream* out) {
    *out << c.name;
}

class CleanUpFaultTest : public testing::TestWithParam<CleanUpFaultCase> {};

// Absent files count as deleted; one that cannot be deleted keeps none of the others.
TEST_P(CleanUpFaultTest, TriesEveryFileAndNamesOnlyThoseThatRemain) {
    const CleanUpFaultCase& c = GetParam();
    RecordingHost host;
    for (const wchar_t* name : c.absent) {
        host.files.erase(host.PathOf(name));
    }
    for (const wchar_t* name : c.refused) {
        host.refused[host.PathOf(name)] = c.error;
    }
    Command7_Click(host);

    EXPECT_EQ(host.deletions.size(), 6u);
    EXPECT_EQ(TimelineOf(host, C::ProgressBar3), (Timeline{{0, 0}, {0, 50}, {0, 100}}));
    ASSERT_EQ(host.messages.size(), 1u);
    const auto& message = host.messages[0];
    EXPECT_EQ(message.title, L"Installer");
    if (c.refused.empty()) {
        EXPECT_EQ(message.prompt, L"Files deleted!");
        EXPECT_FALSE(host.Enabled(C::Command7));
        return;
    }
    EXPECT_EQ(message.kind, MessageKind::Warning);
    for (const wchar_t* name : kExtraFiles) {
        const bool isRefused =
            std::find(c.refused.begin(), c.refused.end(), name) != c.refused.end();
        const std::wstring reason = L": System reason " + std::to_wstring(c.error) + L".";
        EXPECT_EQ(Contains(message.prompt, name + reason), isRefused) << message.prompt;
        EXPECT_EQ(host.files.count(host.PathOf(name)) != 0, isRefused);
    }
    EXPECT_TRUE(host.Enabled(C::Command7));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CleanUpFaultTest,
    testing::Values(CleanUpFaultCase{"FirstAbsent", {L"XP_Installer.exe"}, {}},
                    CleanUpFaultCase{"LastAbsent", {L"xxmklink.exe"}, {}},
                    CleanUpFaultCase{"AllAbsent",
                                     {kExtraFiles[0], kExtraFiles[1], kExtraFiles[2],
                                      kExtraFiles[3], kExtraFiles[4], kExtraFiles[5]},
                                     {}},
                    CleanUpFaultCase{"FirstInUse", {}, {L"XP_Installer.exe"}},
                    CleanUpFaultCase{"TwoInUseOneAbsent",
                                     {L"desktoprefresh.exe"},
                                     {L"XP_Installer_2.exe", L"xxmklink.exe"}},
                    // A folder that Windows cannot reach: the files are still there.
                    CleanUpFaultCase{"PathNotFound",
                                     {},
                                     {kExtraFiles[0], kExtraFiles[1], kExtraFiles[2],
                                      kExtraFiles[3], kExtraFiles[4], kExtraFiles[5]},
                                     3}),
    [](const auto& info) { return info.param.name; });

TEST(CleanUp, RetrySucceedsOnceTheFileIsReleased) {
    RecordingHost host;
    host.refused[host.PathOf(L"xxmklink.exe")] = 32;
    Command7_Click(host);
    host.refused.clear();
    Command7_Click(host);
    EXPECT_EQ(host.messages.back().prompt, L"Files deleted!");
    EXPECT_FALSE(host.Enabled(C::Command7));
}

struct LaunchFaultCase {
    const char* name;
    ClickHandler click;
    Control self;
    const wchar_t* program;
    SystemError error;  // 2: the file is missing; otherwise it is there and does not start
    const wchar_t* reason;
    std::vector<std::wstring> startedBefore;
    Control bar;
    float barAtMessage;
};
void PrintTo(const LaunchFaultCase& c, std::ostream* out) {
    *out << c.name;
}

const LaunchFaultCase kLaunchFaultCases[] = {
    {"ExtractorMissing",
     Command1_Click,
     C::Command1,
     L"extract_32bit.exe",
     2,
     L"System reason 2.",
     {},
     C::ProgressBar1,
     20},
    // Neither starts while either is missing.
    {"InstallerMissing",
     Command2_Click,
     C::Command2,
     L"Vista_7_Installer.exe",
     2,
     L"System reason 2.",
     {},
     C::ProgressBar1,
     20},
    {"InstallerNotAProgram",
     Command1_Click,
     C::Command1,
     L"XP_Installer.exe",
     193,
     L"XP_Installer.exe is not a valid Win32 application.",
     {L"extract_32bit.exe"},
     C::ProgressBar1,
     20},
    {"XpShortcutMissing",
     Command4_Click,
     C::Command4,
     L"XP_Installer_2.exe",
     2,
     L"System reason 2.",
     {},
     C::ProgressBar2,
     50},
    {"SevenShortcutMissing",
     Command6_Click,
     C::Command6,
     L"Vista_7_Installer_2.exe",
     2,
     L"System reason 2.",
     {},
     C::ProgressBar2,
     50},
};

class LaunchFaultTest : public testing::TestWithParam<LaunchFaultCase> {};

// The action stops at the launch, says why, and leaves its own button for a retry.
TEST_P(LaunchFaultTest, ReportsTheProgramAndStopsWithoutEndingTheProgram) {
    const LaunchFaultCase& c = GetParam();
    RecordingHost host;
    if (c.error == kErrorFileNotFound) {
        host.files.erase(host.PathOf(c.program));
    } else {
        host.refused[host.PathOf(c.program)] = c.error;
    }
    c.click(host);

    std::vector<std::wstring> started;
    for (const auto& launch : host.launches) {
        started.push_back(launch.name);
    }
    EXPECT_EQ(started, c.startedBefore);
    ASSERT_EQ(host.messages.size(), 1u);
    const auto& message = host.messages[0];
    EXPECT_EQ(message.title, L"Installer");
    EXPECT_EQ(message.kind, MessageKind::Error);
    EXPECT_EQ(message.prompt,
              std::wstring(L"Could not start \"") + c.program + L"\".\n\n" + c.reason);
    EXPECT_EQ(message.bars[c.bar == C::ProgressBar1 ? 0 : 1], c.barAtMessage);
    EXPECT_EQ(host.Timeline(c.bar).back().value, c.barAtMessage);
    EXPECT_TRUE(host.Enabled(c.self));
    EXPECT_FALSE(host.ended);
    EXPECT_EQ(host.releasedTasks.size(), c.startedBefore.size());
}

INSTANTIATE_TEST_SUITE_P(Launches, LaunchFaultTest, testing::ValuesIn(kLaunchFaultCases),
                         [](const auto& info) { return info.param.name; });

TEST(LaunchFault, InstallKeepsTheOtherSystemsButtonsDisabled) {
    RecordingHost host;
    host.files.erase(host.PathOf(L"extract_32bit.exe"));
    Command1_Click(host);
    EXPECT_EQ(host.EnabledButtons(),
              (std::set<Control>{C::Command1, C::Command4, C::Command7, C::Command8}));
}

struct ExitCodeCase {
    const char* name;
    ClickHandler click;
    Control self;
    const wchar_t* program;
    std::optional<uint32_t> exitCode;
    const wchar_t* expected;
};
void PrintTo(const ExitCodeCase& c, std::ostream* out) {
    *out << c.name;
}

const ExitCodeCase kExitCodeCases[] = {
    {"InstallerFailed", Command1_Click, C::Command1, L"XP_Installer.exe", 1u,
     L"\"XP_Installer.exe\" ended with exit code 1."},
    {"ExtractorFailed", Command3_Click, C::Command3, L"extract_32bit.exe", 3221225477u,
     L"\"extract_32bit.exe\" ended with exit code 3221225477."},
    {"InstallerSucceeded", Command1_Click, C::Command1, L"XP_Installer.exe", 0u, L"Completed!"},
    {"InstallerStillRunning", Command2_Click, C::Command2, L"Vista_7_Installer.exe", std::nullopt,
     L"Completed!"},
    {"ShortcutFailed", Command4_Click, C::Command4, L"XP_Installer_2.exe", 2u,
     L"\"XP_Installer_2.exe\" ended with exit code 2."},
    {"ShortcutSucceeded", Command5_Click, C::Command5, L"Vista_7_Installer_2.exe", 0u,
     L"Shortcut created on your desktop!"},
};

class ExitCodeTest : public testing::TestWithParam<ExitCodeCase> {};

// A program that has already failed is not reported as a success.
TEST_P(ExitCodeTest, DecidesTheClosingMessage) {
    const ExitCodeCase& c = GetParam();
    RecordingHost host;
    if (c.exitCode) {
        host.exitCodes[c.program] = *c.exitCode;
    }
    c.click(host);
    ASSERT_EQ(host.messages.size(), 1u);
    const bool failed = c.exitCode.value_or(0) != 0;
    EXPECT_EQ(host.messages[0].prompt, c.expected);
    EXPECT_EQ(host.messages[0].title, L"Installer");
    EXPECT_EQ(host.messages[0].kind, failed ? MessageKind::Error : MessageKind::Plain);
    EXPECT_EQ(host.Enabled(c.self), failed);
}

INSTANTIATE_TEST_SUITE_P(Programs, ExitCodeTest, testing::ValuesIn(kExitCodeCases),
                         [](const auto& info) { return info.param.name; });

TEST(Exit, SaysGoodbyeThenEndsTheProgram) {
    RecordingHost host;
    Command8_Click(host);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].prompt, L"You can't change the universe, without repercussions.");
    EXPECT_EQ(host.messages[0].title, L"Velmora Mod Installer");
    EXPECT_EQ(host.messages[0].kind, MessageKind::Plain);
    EXPECT_TRUE(host.ended);
    EXPECT_EQ(host.callsAfterEnd, 0);
    EXPECT_TRUE(host.launches.empty());
    EXPECT_TRUE(host.deletions.empty());
    EXPECT_TRUE(host.Enabled(C::Command8));
}

}  // namespace
