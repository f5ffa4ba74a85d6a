#include <gtest/gtest.h>

#include "recording_host.h"
#include "window/layout.h"

namespace {

using C = Control;

const std::set<Control> kButtons = {C::Command1, C::Command2, C::Command3, C::Command4,
                                    C::Command5, C::Command6, C::Command7, C::Command8};
std::set<Control> AllBut(Control button) {
    std::set<Control> rest = kButtons;
    rest.erase(button);
    return rest;
}

const Timeline kInstallBar = {{0, 0}, {1000, 20}, {2000, 40}, {3000, 60}, {4000, 80}, {5000, 100}};
const Timeline kShortcutBar = {{0, 0}, {1000, 50}, {2000, 100}};
// Half-way once four of the six files have been tried.
const Timeline kCleanUpBar = {{0, 0}, {4, 50}, {6, 100}};
constexpr auto kPlain = MessageKind::Plain;
constexpr auto kError = MessageKind::Error;
constexpr auto kWarning = MessageKind::Warning;
constexpr const wchar_t* kInstaller = L"Installer";
constexpr const wchar_t* kShortcutMade = L"Shortcut created on your desktop!";
// Its companions' paths are 251 to 262 characters long, Vista_7_Installer.exe's just MAX_PATH.
const std::wstring kDeepFolder = L"C:\\" + std::wstring(235, L'x');

// One click on a fresh run: what the companion programs and the user see.
struct Case {
    const char* name;
    Control button;
    void (*setUp)(RecordingHost& host);
    Launches launches;
    Control bar;
    Timeline timeline;
    Message message;
    std::set<Control> enabled;          // the buttons left enabled
    std::vector<std::wstring> deleted;  // by this click, in order
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// clang-format off
const Case kCases[] = {
    {"WindowsXp", C::Command1, nullptr,
     {{L"extract_32bit.exe", 1000}, {L"XP_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"Completed!", kInstaller, kPlain, 5000}, {C::Command4, C::Command7, C::Command8}, {}},
    {"WindowsVista", C::Command2, nullptr,
     {{L"extract_32bit.exe", 1000}, {L"Vista_7_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"Completed!", kInstaller, kPlain, 5000}, {C::Command5, C::Command7, C::Command8}, {}},
    // In a folder so deep that the installer's path reaches MAX_PATH: started through the
    // folder's 8.3 form, and in it.
    {"Windows7", C::Command3,
     [](RecordingHost& h) { h = RecordingHost(kDeepFolder, L"C:\\XXXXXX~1"); },
     {{L"extract_32bit.exe", 1000},
      {L"C:\\XXXXXX~1\\Vista_7_Installer.exe in C:\\XXXXXX~1", 1000}},
     C::ProgressBar1, kInstallBar,
     {L"Completed!", kInstaller, kPlain, 5000}, {C::Command6, C::Command7, C::Command8}, {}},
    // Slow to start, and still done two seconds after the click.
    {"XpShortcut", C::Command4, [](RecordingHost& h) { h.launchMilliseconds = 300; },
     {{L"XP_Installer_2.exe", 1000}}, C::ProgressBar2, kShortcutBar,
     {kShortcutMade, kInstaller, kPlain, 2000}, AllBut(C::Command4), {}},
    {"VistaShortcut", C::Command5, nullptr, {{L"Vista_7_Installer_2.exe", 2000}}, C::ProgressBar2,
     kShortcutBar, {kShortcutMade, kInstaller, kPlain, 2000}, AllBut(C::Command5), {}},
    {"SevenShortcut", C::Command6, nullptr, {{L"Vista_7_Installer_2.exe", 2000}}, C::ProgressBar2,
     kShortcutBar, {kShortcutMade, kInstaller, kPlain, 2000}, AllBut(C::Command6), {}},
    // In a folder so deep that some of the files' paths reach MAX_PATH.
    {"CleanUp", C::Command7, [](RecordingHost& h) { h = RecordingHost(kDeepFolder, kDeepFolder); },
     {}, C::ProgressBar3, kCleanUpBar, {L"Files deleted!", kInstaller, kPlain, 6},
     AllBut(C::Command7), kExtraFiles},
    {"Exit", C::Command8, nullptr, {}, C::ProgressBar1, {},
     {L"You can't change the universe, without repercussions.", L"Velmora Mod Installer",
      kPlain, 0}, kButtons, {}},
    // A program that cannot start stops its action there and leaves its button for a retry. An
    // install starts neither program while either is missing.
    {"InstallerMissing", C::Command2,
     [](RecordingHost& h) { h.files.erase(h.PathOf(L"Vista_7_Installer.exe")); },
     {}, C::ProgressBar1, {{0, 0}, {1000, 20}},
     {L"Could not start \"Vista_7_Installer.exe\".\n\nReason 2 for Vista_7_Installer.exe.",
      kInstaller, kError, 1000}, {C::Command2, C::Command5, C::Command7, C::Command8}, {}},
    {"InstallerRefused", C::Command1,
     [](RecordingHost& h) { h.refused[h.PathOf(L"XP_Installer.exe")] = 193; },
     {{L"extract_32bit.exe", 1000}}, C::ProgressBar1, {{0, 0}, {1000, 20}},
     {L"Could not start \"XP_Installer.exe\".\n\nReason 193 for XP_Installer.exe.", kInstaller,
      kError, 1000}, {C::Command1, C::Command4, C::Command7, C::Command8}, {}},
    {"ShortcutMissing", C::Command6,
     [](RecordingHost& h) { h.files.erase(h.PathOf(L"Vista_7_Installer_2.exe")); },
     {}, C::ProgressBar2, {{0, 0}, {1000, 50}},
     {L"Could not start \"Vista_7_Installer_2.exe\".\n\nReason 2 for Vista_7_Installer_2.exe.",
      kInstaller, kError, 2000}, kButtons, {}},
    // Where the volume keeps no 8.3 names, such a folder is too deep to start programs from.
    {"FolderTooDeep", C::Command5,
     [](RecordingHost& h) { h = RecordingHost(kDeepFolder, kDeepFolder); },
     {}, C::ProgressBar2, {{0, 0}, {1000, 50}},
     {L"Could not start \"Vista_7_Installer_2.exe\".\n\nIts folder is too deep for Windows to "
      L"start programs from it. Move the mod's folder nearer to the top of the drive, then try "
      L"again.", kInstaller, kError, 2000}, kButtons, {}},
    // A program that has already failed is not reported as a success; one that ended well is not
    // a failure.
    {"InstallerFailed", C::Command1,
     [](RecordingHost& h) { h.exitCodes = {{L"extract_32bit.exe", 0}, {L"XP_Installer.exe", 1}}; },
     {{L"extract_32bit.exe", 1000}, {L"XP_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"\"XP_Installer.exe\" ended with exit code 1.", kInstaller, kError, 5000},
     {C::Command1, C::Command4, C::Command7, C::Command8}, {}},
    {"ExtractorCrashed", C::Command3,
     [](RecordingHost& h) { h.exitCodes[L"extract_32bit.exe"] = 3221225477u; },
     {{L"extract_32bit.exe", 1000}, {L"Vista_7_Installer.exe", 1000}}, C::ProgressBar1, kInstallBar,
     {L"\"extract_32bit.exe\" ended with exit code 0xC0000005.", kInstaller, kError, 5000},
     {C::Command3, C::Command6, C::Command7, C::Command8}, {}},
    {"ShortcutFailed", C::Command4,
     [](RecordingHost& h) { h.exitCodes[L"XP_Installer_2.exe"] = 2; },
     {{L"XP_Installer_2.exe", 1000}}, C::ProgressBar2, kShortcutBar,
     {L"\"XP_Installer_2.exe\" ended with exit code 2.", kInstaller, kError, 2000}, kButtons, {}},
    // Steps end whole seconds after the click, however long launching takes; points already
    // passed come at once.
    {"LaunchesHeldUp", C::Command2, [](RecordingHost& h) { h.launchMilliseconds = 1700; },
     {{L"extract_32bit.exe", 1000}, {L"Vista_7_Installer.exe", 2700}}, C::ProgressBar1,
     {{0, 0}, {1000, 20}, {4400, 40}, {4400, 60}, {4400, 80}, {5000, 100}},
     {L"Completed!", kInstaller, kPlain, 5000}, {C::Command5, C::Command7, C::Command8}, {}},
    // A reading of the clock behind its first (the counters of two cores apart) ends no wait early.
    {"ClockStepsBack", C::Command1, [](RecordingHost& h) { h.clockLag = 5; },
     {{L"extract_32bit.exe", 1000}, {L"XP_Installer.exe", 1000}}, C::ProgressBar1,
     {{0, 0}, {1000, 20}, {2005, 40}, {3005, 60}, {4005, 80}, {5005, 100}},
     {L"Completed!", kInstaller, kPlain, 5005}, {C::Command4, C::Command7, C::Command8}, {}},
    // Every file is tried; one already gone counts as deleted; the rest are named with the
    // reason, also one in a folder that Windows cannot reach, where the file is still there.
    {"CleanUpSomeRemain", C::Command7,
     [](RecordingHost& h) {
         h.files.erase(h.PathOf(L"XP_Installer_2.exe"));
         h.refused = {{h.PathOf(L"XP_Installer.exe"), 3}, {h.PathOf(L"desktoprefresh.exe"), 32}};
     },
     {}, C::ProgressBar3, kCleanUpBar,
     {L"These files could not be deleted:\n\nXP_Installer.exe: Reason 3 for XP_Installer.exe.\n"
      L"desktoprefresh.exe: Reason 32 for desktoprefresh.exe.", kInstaller, kWarning, 6}, kButtons,
     {L"Vista_7_Installer.exe", L"Vista_7_Installer_2.exe", L"xxmklink.exe"}},
};
// clang-format on

class ActionTest : public testing::TestWithParam<Case> {};

TEST_P(ActionTest, StartsDrawsSaysAndDisables) {
    const Case& c = GetParam();
    RecordingHost host;
    if (c.setUp != nullptr) {
        c.setUp(host);
    }
    // Clicked through the layout's row, so that each button is seen to run its own action.
    kLayout[static_cast<int>(c.button)].onClick(host);

    EXPECT_EQ(host.launches, c.launches);
    EXPECT_EQ(host.progress[c.bar], c.timeline);
    EXPECT_EQ(host.progress.size(), 1u) << "only its own bar moves";
    // A bar that reached its end is put away; one stopped on the way stays as it stands.
    EXPECT_EQ(host.Enabled(c.bar), c.timeline.empty() || c.timeline.back().second != 100);
    EXPECT_EQ(host.messages, std::vector<Message>{c.message});
    EXPECT_EQ(host.EnabledButtons(), c.enabled);
    // A click only ever turns buttons off, so none that an earlier click put away comes back.
    for (Control button : c.enabled) {
        EXPECT_EQ(host.enabled.count(button), 0u) << static_cast<int>(button);
    }
    EXPECT_EQ(host.deleted, c.deleted);
    EXPECT_EQ(host.releasedTasks.size(), host.launches.size());
    // Exit alone ends the program, after its farewell.
    EXPECT_EQ(host.messagesAtEnd, c.button == C::Command8 ? 1 : -1);
}

INSTANTIATE_TEST_SUITE_P(Clicks, ActionTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return info.param.name; });

}  // namespace
