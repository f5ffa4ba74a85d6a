#include <gtest/gtest.h>

#include "actions/actions.h"
#include "recording_host.h"

namespace {

using C = Control;
using Launches = RecordingHost::Launches;
using Timeline = RecordingHost::Timeline;

const std::set<Control> kButtons = {C::Command1, C::Command2, C::Command3, C::Command4,
                                    C::Command5, C::Command6, C::Command7, C::Command8};
std::set<Control> AllBut(Control button) {
    std::set<Control> rest = kButtons;
    rest.erase(button);
    return rest;
}

const Timeline kInstallBar = {{0, 0}, {1000, 20}, {2000, 40}, {3000, 60}, {4000, 80}, {5000, 100}};
const Timeline kShortcutBar = {{0, 0}, {1000, 50}, {2000, 100}};
const Timeline kCleanUpBar = {{0, 0}, {0, 50}, {0, 100}};
const std::set<std::wstring> kExtraFiles = {L"XP_Installer.exe",      L"XP_Installer_2.exe",
                                            L"Vista_7_Installer.exe", L"Vista_7_Installer_2.exe",
                                            L"desktoprefresh.exe",    L"xxmklink.exe"};
constexpr auto kPlain = MessageKind::Plain;
constexpr auto kError = MessageKind::Error;
constexpr auto kWarning = MessageKind::Warning;
constexpr const wchar_t* kInstaller = L"Installer";
constexpr const wchar_t* kShortcutMade = L"Shortcut created on your desktop!";

// One click on a fresh run: what the companion programs and the user see.
struct Case {
    const char* name;
    ClickHandler click;
    void (*setUp)(RecordingHost& host);
    Launches launches;
    Control bar;
    Timeline timeline;
    RecordingHost::Message message;
    std::set<Control> enabled;       // the buttons left enabled
    std::set<std::wstring> deleted;  // by this click
};
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// clang-format off
const Case kCases[] = {
    {"WindowsXp", Command1_Click, nullptr,
     {{L"extract_32bit.exe", 1000}, {L"XP_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"Completed!", kInstaller, kPlain, 5000}, {C::Command4, C::Command7, C::Command8}, {}},
    {"WindowsVista", Command2_Click, nullptr,
     {{L"extract_32bit.exe", 1000}, {L"Vista_7_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"Completed!", kInstaller, kPlain, 5000}, {C::Command5, C::Command7, C::Command8}, {}},
    {"Windows7", Command3_Click, nullptr,
     {{L"extract_32bit.exe", 1000}, {L"Vista_7_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"Completed!", kInstaller, kPlain, 5000}, {C::Command6, C::Command7, C::Command8}, {}},
    {"XpShortcut", Command4_Click, nullptr, {{L"XP_Installer_2.exe", 1000}}, C::ProgressBar2,
     kShortcutBar, {kShortcutMade, kInstaller, kPlain, 2000}, AllBut(C::Command4), {}},
    {"VistaShortcut", Command5_Click, nullptr, {{L"Vista_7_Installer_2.exe", 2000}},
     C::ProgressBar2, kShortcutBar, {kShortcutMade, kInstaller, kPlain, 2000},
     AllBut(C::Command5), {}},
    {"SevenShortcut", Command6_Click, nullptr, {{L"Vista_7_Installer_2.exe", 2000}},
     C::ProgressBar2, kShortcutBar, {kShortcutMade, kInstaller, kPlain, 2000},
     AllBut(C::Command6), {}},
    {"CleanUp", Command7_Click, nullptr, {}, C::ProgressBar3, kCleanUpBar,
     {L"Files deleted!", kInstaller, kPlain, 0}, AllBut(C::Command7), kExtraFiles},
    {"Exit", Command8_Click, nullptr, {}, C::ProgressBar1, {},
     {L"You can't change the universe, without repercussions.", L"Velmora Mod Installer",
      kPlain, 0},
     kButtons, {}},
    // A program that cannot start stops its action there and leaves its button for a retry.
    {"ExtractorMissing", Command1_Click,
     [](RecordingHost& h) { h.files.erase(h.PathOf(L"extract_32bit.exe")); },
     {}, C::ProgressBar1, {{0, 0}, {1000, 20}},
     {L"Could not start \"extract_32bit.exe\".\n\nSystem reason 2.", kInstaller, kError, 1000},
     {C::Command1, C::Command4, C::Command7, C::Command8}, {}},
    // Neither starts while either is missing.
    {"InstallerMissing", Command2_Click,
     [](RecordingHost& h) { h.files.erase(h.PathOf(L"Vista_7_Installer.exe")); },
     {}, C::ProgressBar1, {{0, 0}, {1000, 20}},
     {L"Could not start \"Vista_7_Installer.exe\".\n\nSystem reason 2.", kInstaller, kError, 1000},
     {C::Command2, C::Command5, C::Command7, C::Command8}, {}},
    {"InstallerNotAProgram", Command1_Click,
     [](RecordingHost& h) { h.refused[h.PathOf(L"XP_Installer.exe")] = h.kBadExeFormat; },
     {{L"extract_32bit.exe", 1000}}, C::ProgressBar1, {{0, 0}, {1000, 20}},
     {L"Could not start \"XP_Installer.exe\".\n\n"
      L"XP_Installer.exe is not a valid Win32 application.",
      kInstaller, kError, 1000},
     {C::Command1, C::Command4, C::Command7, C::Command8}, {}},
    {"ShortcutMissing", Command6_Click,
     [](RecordingHost& h) { h.files.erase(h.PathOf(L"Vista_7_Installer_2.exe")); },
     {}, C::ProgressBar2, {{0, 0}, {1000, 50}},
     {L"Could not start \"Vista_7_Installer_2.exe\".\n\nSystem reason 2.", kInstaller, kError,
      2000},
     kButtons, {}},
    // A program that has already failed is not reported as a success.
    {"InstallerFailed", Command1_Click,
     [](RecordingHost& h) { h.exitCodes[L"XP_Installer.exe"] = 1; },
     {{L"extract_32bit.exe", 1000}, {L"XP_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"\"XP_Installer.exe\" ended with exit code 1.", kInstaller, kError, 5000},
     {C::Command1, C::Command4, C::Command7, C::Command8}, {}},
    {"ExtractorCrashed", Command3_Click,
     [](RecordingHost& h) { h.exitCodes[L"extract_32bit.exe"] = 3221225477u; },
     {{L"extract_32bit.exe", 1000}, {L"Vista_7_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"\"extract_32bit.exe\" ended with exit code 3221225477.", kInstaller, kError, 5000},
     {C::Command3, C::Command6, C::Command7, C::Command8}, {}},
    {"InstallerSucceeded", Command1_Click,
     [](RecordingHost& h) { h.exitCodes[L"XP_Installer.exe"] = 0; },
     {{L"extract_32bit.exe", 1000}, {L"XP_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"Completed!", kInstaller, kPlain, 5000}, {C::Command4, C::Command7, C::Command8}, {}},
    {"ShortcutFailed", Command4_Click,
     [](RecordingHost& h) { h.exitCodes[L"XP_Installer_2.exe"] = 2; },
     {{L"XP_Installer_2.exe", 1000}}, C::ProgressBar2, kShortcutBar,
     {L"\"XP_Installer_2.exe\" ended with exit code 2.", kInstaller, kError, 2000}, kButtons, {}},
    // Steps end whole seconds after the click, however long launching takes; a point already
    // passed comes at once.
    {"SlowLaunches", Command1_Click, [](RecordingHost& h) { h.launchMilliseconds = 300; },
     {{L"extract_32bit.exe", 1000}, {L"XP_Installer.exe", 1300}}, C::ProgressBar1, kInstallBar,
     {L"Completed!", kInstaller, kPlain, 5000}, {C::Command4, C::Command7, C::Command8}, {}},
    {"LaunchHeldUp", Command2_Click, [](RecordingHost& h) { h.launchMilliseconds = 2500; },
     {{L"extract_32bit.exe", 1000}, {L"Vista_7_Installer.exe", 3500}}, C::ProgressBar1,
     {{0, 0}, {1000, 20}, {6000, 40}, {6000, 60}, {6000, 80}, {6000, 100}},
     {L"Completed!", kInstaller, kPlain, 6000}, {C::Command5, C::Command7, C::Command8}, {}},
    {"ShortcutSlowLaunch", Command4_Click, [](RecordingHost& h) { h.launchMilliseconds = 300; },
     {{L"XP_Installer_2.exe", 1000}}, C::ProgressBar2, kShortcutBar,
     {kShortcutMade, kInstaller, kPlain, 2000}, AllBut(C::Command4), {}},
    // Every file is tried; one already gone counts as deleted; the rest are named.
    {"CleanUpOneAbsent", Command7_Click,
     [](RecordingHost& h) { h.files.erase(h.PathOf(L"XP_Installer.exe")); },
     {}, C::ProgressBar3, kCleanUpBar, {L"Files deleted!", kInstaller, kPlain, 0},
     AllBut(C::Command7),
     {L"XP_Installer_2.exe", L"Vista_7_Installer.exe", L"Vista_7_Installer_2.exe",
      L"desktoprefresh.exe", L"xxmklink.exe"}},
    {"CleanUpOneInUse", Command7_Click,
     [](RecordingHost& h) { h.refused[h.PathOf(L"desktoprefresh.exe")] = 32; },
     {}, C::ProgressBar3, kCleanUpBar,
     {L"These files could not be deleted:\n\ndesktoprefresh.exe: System reason 32.", kInstaller,
      kWarning, 0},
     kButtons,
     {L"XP_Installer.exe", L"XP_Installer_2.exe", L"Vista_7_Installer.exe",
      L"Vista_7_Installer_2.exe", L"xxmklink.exe"}},
    // A folder that Windows cannot reach: the files are still there.
    {"CleanUpPathNotFound", Command7_Click,
     [](RecordingHost& h) {
         h.refused[h.PathOf(L"XP_Installer.exe")] = 3;
         h.refused[h.PathOf(L"xxmklink.exe")] = 3;
     },
     {}, C::ProgressBar3, kCleanUpBar,
     {L"These files could not be deleted:\n\nXP_Installer.exe: System reason 3.\n"
      L"xxmklink.exe: System reason 3.", kInstaller, kWarning, 0},
     kButtons,
     {L"XP_Installer_2.exe", L"Vista_7_Installer.exe", L"Vista_7_Installer_2.exe",
      L"desktoprefresh.exe"}},
};
// clang-format on

class ActionTest : public testing::TestWithParam<Case> {};

TEST_P(ActionTest, StartsDrawsSaysAndDisables) {
    const Case& c = GetParam();
    RecordingHost host;
    if (c.setUp != nullptr) {
        c.setUp(host);
    }
    const std::set<std::wstring> before = host.files;
    c.click(host);

    EXPECT_EQ(host.launches, c.launches);
    EXPECT_EQ(host.progress[c.bar], c.timeline);
    EXPECT_EQ(host.progress.size(), 1u) << "only its own bar moves";
    if (!c.timeline.empty()) {
        // A bar that reached its end is put away; one stopped on the way stays as it stands.
        EXPECT_EQ(host.Enabled(c.bar), c.timeline.back().second != 100);
    }
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].prompt, c.message.prompt);
    EXPECT_EQ(host.messages[0].title, c.message.title);
    EXPECT_EQ(host.messages[0].kind, c.message.kind);
    EXPECT_EQ(host.messages[0].time, c.message.time);
    EXPECT_EQ(host.EnabledButtons(), c.enabled);
    for (const wchar_t* name : RecordingHost::kCompanions) {
        const std::wstring path = host.PathOf(name);
        EXPECT_EQ(before.count(path) == 1 && host.files.count(path) == 0,
                  c.deleted.count(name) == 1)
            << name;
    }
    EXPECT_EQ(host.releasedTasks.size(), host.launches.size());
    EXPECT_EQ(host.ended, c.click == Command8_Click);
    EXPECT_EQ(host.callsAfterEnd, 0);
}

INSTANTIATE_TEST_SUITE_P(Clicks, ActionTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

// Once an install, its shortcut and then the clean-up have run, only Exit is left; an install
// still runs in full after its shortcut.
TEST(Sequence, InstallShortcutAndCleanUpLeaveOnlyExit) {
    const ClickHandler runs[][3] = {{Command4_Click, Command1_Click, Command7_Click},
                                    {Command2_Click, Command5_Click, Command7_Click},
                                    {Command6_Click, Command3_Click, Command7_Click}};
    for (const auto& run : runs) {
        RecordingHost host;
        for (ClickHandler click : run) {
            click(host);
        }
        EXPECT_EQ(host.EnabledButtons(), std::set<Control>{C::Command8});
    }
}

TEST(Sequence, VistaThenSevenShortcutStartsTheSharedProgramTwiceEachFromZero) {
    RecordingHost host;
    Command5_Click(host);
    Command6_Click(host);
    EXPECT_EQ(host.launches,
              (Launches{{L"Vista_7_Installer_2.exe", 2000}, {L"Vista_7_Installer_2.exe", 4000}}));
    EXPECT_EQ(host.progress[C::ProgressBar2][3], (std::pair<long long, float>{2000, 0}));
}

TEST(Sequence, CleanUpRetrySucceedsOnceTheFileIsReleased) {
    RecordingHost host;
    host.refused[host.PathOf(L"xxmklink.exe")] = 32;
    Command7_Click(host);
    host.refused.clear();
    Command7_Click(host);
    EXPECT_EQ(host.messages.back().prompt, L"Files deleted!");
    EXPECT_FALSE(host.Enabled(C::Command7));
}

TEST(CleanUp, DeletesTheSixInOrderFromTheFolderWithTheBarAtZeroThenFifty) {
    struct Folder {
        const wchar_t* directory;
        const wchar_t* first;
    } const folders[] = {{L"C:\\Games\\Velmora", L"C:\\Games\\Velmora\\XP_Installer.exe"},
                         {L"Y:\\", L"Y:\\XP_Installer.exe"}};
    for (const Folder& folder : folders) {
        RecordingHost host(folder.directory);
        Command7_Click(host);
        ASSERT_EQ(host.deletions.size(), 6u);
        EXPECT_EQ(host.deletions[0].first, folder.first);
        const wchar_t* const order[] = {L"XP_Installer.exe",      L"XP_Installer_2.exe",
                                        L"Vista_7_Installer.exe", L"Vista_7_Installer_2.exe",
                                        L"desktoprefresh.exe",    L"xxmklink.exe"};
        for (size_t i = 0; i < 6; ++i) {
            EXPECT_EQ(host.deletions[i].first, host.PathOf(order[i]));
            EXPECT_EQ(host.deletions[i].second, i < 4 ? 0 : 50);
        }
    }
}

TEST(CleanUp, DeletesFromAFolderTooDeepForPlainPaths) {
    RecordingHost host(L"C:\\" + std::wstring(240, L'x'));
    Command7_Click(host);
    EXPECT_EQ(host.messages.back().prompt, L"Files deleted!");
    EXPECT_EQ(host.files, std::set<std::wstring>{host.PathOf(L"extract_32bit.exe")});
}

}  // namespace
