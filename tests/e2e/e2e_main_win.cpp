// The end-to-end suite: the real Installer_32bit.exe in a real window, driven as a person would,
// beside companion stubs that log how they were started. One line per check, then a count.
//   e2e_driver [INSTALLER_EXE]
// Runs from its bundle, the folder that holds it beside Installer_32bit.exe, companion_stub.exe,
// planted_dll.dll and refuse_bars.dll; INSTALLER_EXE may replace the exe under test. Each run
// works in a new folder of its own there, and leaves its pictures of the window in it.
#include "e2e/installer_session_win.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <set>
#include <tuple>

#include "host/folder_mark_win.h"
#include "window/layout.h"

namespace {

using C = Control;
using Controls = std::set<Control>;

struct Settings {
    std::wstring build;
    std::wstring installer;
    std::wstring stub;
    std::wstring work;
    std::wstring decoy;  // the current directory of every installer started
    bool wine;           // where the screen's DPI and DLL preferences are Wine's registry values
} settings;

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// Starting a program may take a few hundred milliseconds (much more under emulation), which
// delays what follows it; a step is never early. The window still tells 1 s from 2 s.
void CheckOnTime(long long actual, long long expected, const std::string& what) {
    Check(actual >= expected - 100 && actual <= expected + 900,
          what + " on time (" + std::to_string(actual - expected) + " ms off)");
}

BOOL WINAPI HasDefaultFrame(HWND button) {
    return (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// The buttons that are enabled, or that `has` something.
Controls Buttons(const InstallerSession& session, BOOL(WINAPI* has)(HWND) = IsWindowEnabled) {
    Controls found;
    for (const ControlLayout& row : kLayout) {
        if (row.kind == ControlKind::Button && has(session.ControlWindow(row.name))) {
            found.insert(row.name);
        }
    }
    return found;
}

// A fresh application folder for one case, and the installer started from another folder.
struct Fixture {
    // Named first, so that the folder's set-up steps report under the case's name.
    explicit Fixture(const std::string& name, const std::wstring& directory = L"")
        : named((currentCase = name, true)),
          folder(directory.empty() ? settings.work + L"\\" + std::wstring(name.begin(), name.end())
                                   : directory,
                 settings.installer, settings.stub) {}
    std::wstring Installer() const { return folder.Path(L"Installer_32bit.exe"); }
    bool Start(const std::wstring& currentDirectory = settings.decoy) {
        const bool started = session.Start(Installer(), currentDirectory);
        Check(started, "the installer starts and shows its window");
        session.Center();
        return started;
    }
    // Another start of the installer, which finds this one and ends at once.
    bool StartAgain(const std::wstring& exe) {
        InstallerSession again;
        return again.Start(exe, settings.decoy, false) && again.Ended(30000);
    }
    // Waits for the message that ends an action and answers it; `whileShown` reads it first.
    template <typename WhileShown>
    MessageBoxSeen Answer(WhileShown whileShown) {
        MessageBoxSeen seen;
        Check(session.WaitForMessageBox(&seen, 20000), "a message ends the action");
        whileShown(seen);
        session.PressOk(seen);
        return seen;
    }
    MessageBoxSeen Answer() {
        return Answer([](const MessageBoxSeen&) {});
    }
    bool named;
    AppFolder folder;
    InstallerSession session;
};

// A whole run in a long folder with spaces and non-ASCII characters: the window at start, Escape
// and Enter, real input during the install, an installer that outlives its message, a clean-up that
// meets a file already gone and a read-only one, and Exit.
void TypicalRun() {
    // The installer's path within MAX_PATH, Vista_7_Installer_2.exe's beyond it.
    auto directory = settings.work + L"\\Velmora Mod \u00dcn\u00efc\u00f8d\u00e9 \u4e16\u754c ";
    directory.resize(237, L'x');
    Fixture f("typical run", directory);
    InstallerSession& session = f.session;
    // "<stub's name>.stub" holding "<exit code> <ms>" makes that stub stay that long and end so.
    WriteWholeFile(f.folder.Path(L"XP_Installer.exe.stub"), "0 4500");
    f.folder.Remove(L"xxmklink.exe");
    const std::wstring readOnly = Long(f.folder.Path(L"XP_Installer_2.exe"));
    Step(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY), "make it read-only");
    if (!f.Start()) {
        return;
    }
    session.SavePicture(settings.work + L"\\start.bmp");
    auto window = [&session](Control control) { return session.ControlWindow(control); };
    const LONG style = GetWindowLongW(session.Window(), GWL_STYLE);
    wchar_t caption[64] = {};
    GetWindowTextW(session.Window(), caption, 64);
    Check(lstrcmpW(caption, L"Velmora Mod Installer") == 0 && (style & WS_SYSMENU) != 0 &&
              (style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
          "its caption, a fixed border, a close control, no minimize or maximize");
    Check(session.Focus() == window(C::Command1), "focus on Windows XP");
    // A screen reader names a bar after the static text just before it.
    Check(GetWindow(window(C::ProgressBar1), GW_HWNDPREV) == window(C::Label2) &&
              GetWindow(window(C::ProgressBar2), GW_HWNDPREV) == window(C::Label3) &&
              GetWindow(window(C::ProgressBar3), GW_HWNDPREV) == window(C::Label5),
          "each bar comes just after its label");
    session.Key(VK_ESCAPE);
    Pause(500);
    Check(Buttons(session).size() == 8 && !session.MessageBoxShowing(),
          "every button enabled, also after Escape");

    const long long click = NowMs();
    session.Key(VK_RETURN);
    Pause(2500);
    Check(session.Focus() == window(C::Command1), "focus stays on Windows XP");
    // Tab skips the disabled buttons to Windows XP Shortcut, and Space presses it; so does a click,
    // which finds it disabled by its turn. A click that an automation tool sends a disabled button
    // does nothing, and neither does a second click on Windows XP.
    session.Key(VK_TAB);
    session.Key(VK_SPACE);
    session.MouseClick(C::Command4);
    session.MouseClick(C::Command7);
    session.Click(C::Command2);
    session.MouseClick(C::Command1);
    // Minimized as Win+D does it, and restored as the taskbar does, during the install.
    ShowWindowAsync(session.Window(), SW_MINIMIZE);
    Pause(300);
    const bool minimized = IsIconic(session.Window());
    PostMessageW(session.Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    Pause(300);
    Check(minimized && !IsIconic(session.Window()), "the taskbar restores it during the install");
    session.SavePicture(settings.work + L"\\installing.bmp");
    f.Answer([&](const MessageBoxSeen& seen) {
        Check(seen.title == L"Installer" && seen.text == L"Completed!",
              "its message box: " + Narrow(seen.title) + ": " + Narrow(seen.text));
        session.SavePicture(settings.work + L"\\completed.bmp");
        // A running program cannot be deleted.
        Check(!DeleteFileW(Long(f.folder.Path(L"XP_Installer.exe")).c_str()),
              "the installer still runs, and does not hold the message back");
        CheckOnTime(seen.shownMs, click + 5000, "Enter's install, its message");
        Check(session.BarPosition(C::ProgressBar1) == 100 &&
                  !IsWindowEnabled(window(C::ProgressBar1)),
              "the first bar stands at 100, disabled");
    });
    f.Answer();
    f.Answer([&](const MessageBoxSeen& seen) {
        Check(!Exists(readOnly) && !Exists(f.folder.Path(L"Vista_7_Installer_2.exe")),
              "a read-only file is deleted, and so is one beyond MAX_PATH");
        // A held Enter: its repeats leave the message to be read, a fresh press closes it.
        auto press = [&seen](LPARAM state, int waits) {
            PostMessageW(GetDlgItem(seen.window, IDOK), WM_KEYDOWN, VK_RETURN, state);
            for (int wait = 0; wait < waits && IsWindow(seen.window); ++wait) {
                Pause(50);
            }
            return IsWindow(seen.window);
        };
        Check(press(1 | 1 << 30, 15) && press(1 | 1 << 30, 15) && !press(1, 100),
              "a held Enter closes the message once, not unread");
    });
    // A held Enter's repeats press nothing.
    PostMessageW(window(C::Command8), WM_KEYDOWN, VK_RETURN, 1 | 1 << 30);
    Pause(1500);
    Check(!session.MessageBoxShowing() && session.Focus() == window(C::Command8),
          "nothing runs on a held Enter; Exit, the one button left, has the focus");

    session.Key(VK_RETURN);
    f.Answer();
    Check(session.Ended(10000), "the program ends");
    Check(ReadWholeFile(settings.decoy + L"\\started.log").empty(),
          "nothing starts from the current directory");
}

// A companion whose path reaches MAX_PATH: where the folder has a short (8.3) name, an install
// starts it through that name and in that folder; where it has none, the folder is too deep.
void DeepFolder() {
    std::wstring directory = settings.work + L"\\deep folder ";
    directory.resize(238, L'x');
    Fixture f("deep folder", directory);
    PathBuffer shortName;
    const DWORD length = GetShortPathNameW(directory.c_str(), shortName.text, kPathCapacity);
    const bool viaShortName = length > 0 && length + sizeof "\\Vista_7_Installer.exe" <= kMaxPath;
    if (f.Start()) {
        f.session.Click(C::Command3);
        const std::wstring text = f.Answer().text;
        Check(viaShortName ? text == L"Completed!" : Contains(text, L"too deep"),
              (viaShortName ? "it has a short name: " : "it has none: ") + Narrow(text));
    }
    const auto launches = f.folder.WaitForLaunches(viaShortName ? 2 : 0);
    Check(viaShortName ? launches.size() == 2 && launches[1].workingDirectory == shortName.text
                       : launches.empty(),
          "the installer starts in the short name, or nothing starts");
}

// What fails is named, the program goes on, and the button stays for a retry.
void Failures() {
    Fixture f("failures");
    InstallerSession& session = f.session;
    WriteWholeFile(f.folder.Path(L"Vista_7_Installer.exe"), "not a program");
    WriteWholeFile(f.folder.Path(L"XP_Installer_2.exe.stub"), "1 0");
    if (!f.Start()) {
        return;
    }
    // During the shortcut, a click on Windows Vista waits, and Tab moves the focus on to Windows 7,
    // which that install then disables: the focus and the default frame go on to the next button.
    session.Click(C::Command4);
    session.Click(C::Command2);
    session.Key(VK_TAB);
    const std::wstring failed = f.Answer().text;
    Check(Contains(failed, L"XP_Installer_2.exe") && Contains(failed, L"exit code 1"),
          "a program that failed is named: " + Narrow(failed));
    // Windows' text for it has an insert, filled with the program's name.
    f.Answer([&](const MessageBoxSeen& seen) {
        Check(Contains(seen.text, L"Vista_7_Installer.exe") && !Contains(seen.text, L"%"),
              "a file that is no program is named: " + Narrow(seen.text));
        Check(Buttons(session, HasDefaultFrame) == Controls{C::Command5},
              "the default frame leaves the buttons that the install disabled");
    });
    UniqueHandle held(CreateFileW(Long(f.folder.Path(L"desktoprefresh.exe")).c_str(), GENERIC_READ,
                                  0, nullptr, OPEN_EXISTING, 0, nullptr));
    session.Click(C::Command7);
    const std::wstring inUse = f.Answer().text;
    Check(Contains(inUse, L"desktoprefresh.exe"), "a file in use is named: " + Narrow(inUse));
    // Its program is gone by now, so each click on it ends with a message two seconds after it.
    // Each input that would start a loop of its own, alone during that action, with nothing after
    // it that would end the loop, holds nothing: Alt+Space, a press on the title bar, a
    // right-click there, its context menu, the taskbar's menu (0x313), and a move and the menu of
    // the window's icon as the system menu and the icon ask for them. They are posted at the
    // middle of the title bar.
    RECT box = {};
    GetWindowRect(session.Window(), &box);
    const POINT title = {(box.left + box.right) / 2, box.top + GetSystemMetrics(SM_CYSIZE) / 2};
    for (const auto& [name, message, hitTest] :
         {std::tuple("Alt+Space", WM_KEYDOWN, 0),
          {"a press on the title bar", WM_NCLBUTTONDOWN, HTCAPTION},
          {"a right-click there", WM_NCRBUTTONDOWN, HTCAPTION},
          {"its context menu", WM_CONTEXTMENU, 0},
          {"the taskbar's menu", 0x313, 0},
          {"a move", WM_SYSCOMMAND, SC_MOVE},
          {"a click on the window's icon", WM_SYSCOMMAND, SC_MOUSEMENU | HTSYSMENU}}) {
        const long long click = session.Click(C::Command5);
        Pause(300);
        if (message == WM_KEYDOWN) {
            session.Key(VK_SPACE, VK_MENU);
        } else {
            PostMessageW(session.Window(), message, hitTest, MAKELPARAM(title.x, title.y));
        }
        CheckOnTime(f.Answer().shownMs, click + 2000, std::string(name) + " holds nothing");
    }
    // A press on the close control holds the action no more than a close request does, and captures
    // the mouse: its release comes to the window wherever it is let go. Released on the close
    // control, it closes once the action has ended. Slid off and let go outside the window, it
    // closes nothing, nor does a later press elsewhere that is let go over the close control.
    for (bool onClose : {false, true}) {
        session.Click(C::Command5);
        const POINT close = session.ClosePoint();
        PostMessageW(session.Window(), WM_NCLBUTTONDOWN, HTCLOSE, MAKELPARAM(close.x, close.y));
        for (int tries = 0; tries < 50 && session.Capture() != session.Window(); ++tries) {
            Pause(20);
        }
        const bool captured = session.Capture() == session.Window();
        POINT release = onClose ? close : POINT{box.right + 20, box.top + 20};
        ScreenToClient(session.Window(), &release);
        PostMessageW(session.Window(), WM_LBUTTONUP, 0, MAKELPARAM(release.x, release.y));
        f.Answer([&](const MessageBoxSeen&) {
            Check(!session.Ended(1000), "the close waits for the action under way");
        });
        if (!onClose) {
            PostMessageW(session.Window(), WM_NCLBUTTONUP, HTCLOSE, MAKELPARAM(close.x, close.y));
        }
        Check(captured && session.Ended(3000) == onClose,
              onClose ? "then a click on the close control ends the program"
                      : "a press slid off the close control closes nothing, nor a later release");
    }
}

// A drive whose root is a folder that the driver also reaches by its own path. Windows maps one for
// the run. Wine 8 reports a drive that a program defines but does not resolve it: there the drive
// comes with the prefix (tools/wine-env.sh): Y:, the root of C:\velmora-drive-root, which is
// emptied first.
struct DriveRoot {
    DriveRoot() {
        if (settings.wine) {
            folder = L"C:\\velmora-drive-root";
            name[0] = L'Y';
            const std::wstring files = folder + L"\\*" + L'\0';
            SHFILEOPSTRUCTW empty = {nullptr,   FO_DELETE, files.c_str(), nullptr,
                                     FOF_NO_UI, FALSE,     nullptr,       nullptr};
            SHFileOperationW(&empty);
            return;
        }
        for (const DWORD used = GetLogicalDrives(); (used >> (name[0] - L'A') & 1) != 0;) {
            --name[0];
        }
        mapped = Step(
            CreateDirectoryW(folder.c_str(), nullptr) && DefineDosDeviceW(0, name, folder.c_str()),
            "map " + Narrow(name) + " to " + Narrow(folder));
    }
    ~DriveRoot() {
        if (mapped) {
            DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, name,
                             folder.c_str());
        }
    }

    std::wstring folder = settings.work + L"\\drive-root";
    wchar_t name[3] = L"Z:";
    bool mapped = false;
};

// At a drive root, the shortcut program starts in the root, though the installer's current
// directory is another folder of that drive (a bare "Y:" would name that one). One installer per
// folder: a second start through the folder that the drive maps, while the
// first is minimized and not answering, brings the first forward; another folder has its own.
void DriveRootAndSecondCopy() {
    currentCase = "drive root";
    DriveRoot drive;
    Fixture f("drive root", drive.name + std::wstring(L"\\"));
    Fixture other("another folder");
    currentCase = "drive root";
    const std::wstring elsewhere = f.folder.Path(L"elsewhere");
    Step(CreateDirectoryW(elsewhere.c_str(), nullptr), "create " + Narrow(elsewhere));
    if (!f.Start(elsewhere) || !other.Start()) {
        return;
    }
    f.session.Click(C::Command4);
    f.Answer();
    const auto launches = f.folder.WaitForLaunches(1);
    Check(launches.size() == 1 && launches[0].hidden &&
              launches[0].path == f.folder.Path(L"XP_Installer_2.exe") &&
              launches[0].workingDirectory == f.folder.Directory(),
          "XP_Installer_2.exe starts hidden, by its full path, in the drive's root");
    // An install that ends while another window is active: when the user comes back, the focus
    // that the window kept goes on from the button that the install disabled.
    other.session.Click(C::Command1);
    other.Answer([&](const MessageBoxSeen&) { f.session.ToFront(); });
    other.session.ToFront();
    Pause(500);
    Check(other.session.Focus() == other.session.ControlWindow(C::Command4),
          "the focus comes back to a button that can take it");
    ShowWindow(f.session.Window(), SW_MINIMIZE);
    Check(f.session.Hang(true) && f.StartAgain(drive.folder + L"\\Installer_32bit.exe"),
          "a second start through the folder's other path ends quietly, though the first hangs");
    f.session.Hang(false);
    Pause(1000);
    Check(GetForegroundWindow() == f.session.Window() && !IsIconic(f.session.Window()),
          "and brings the first window to the front, restored");
}

// A start just as the first copy ends, while another start still holds the folder's page open:
// the page names a window that is gone. That start runs as the first copy, and the next finds it.
void FirstCopyEnded() {
    Fixture f("a first copy that ended");
    wchar_t name[kPathCapacity + 32];
    if (!f.Start() || !FolderMarkName(f.folder.Directory().c_str(), name, kPathCapacity + 32)) {
        return;
    }
    UniqueHandle page(OpenFileMappingW(FILE_MAP_READ, FALSE, name));
    PostMessageW(f.session.Window(), WM_CLOSE, 0, 0);
    Check(page.Valid() && f.session.Ended(10000), "it ends while its folder's page is held open");
    InstallerSession next;
    InstallerSession beside;
    Check(next.Start(f.Installer(), settings.decoy), "a start then shows its window");
    Check(beside.Start(settings.decoy + L"\\Installer_32bit.exe", settings.decoy),
          "and so does one from another folder of the same drive");
    Check(f.StartAgain(f.Installer()), "a start after it ends quietly, having brought it forward");
}

// A window that cannot be created is explained, and the explanation stays until it is read.
void WindowCannotBeCreated() {
    Fixture f("window cannot be created");
    HMODULE refuse = LoadLibraryW((settings.build + L"\\refuse_bars.dll").c_str());
    const auto hookProc = Lookup<HOOKPROC>(L"refuse_bars.dll", "RefuseBars");
    HHOOK hook = hookProc != nullptr ? SetWindowsHookExW(WH_CBT, hookProc, refuse, 0) : nullptr;
    Check(hook != nullptr, "a hook refuses the progress bars");
    MessageBoxSeen seen;
    Check(f.session.Start(f.Installer(), f.folder.Directory(), false) &&
              f.session.WaitForMessageBox(&seen, 60000) && seen.title == L"Velmora Mod Installer" &&
              Contains(seen.text, L"The installer window could not be created.\n\n") &&
              Contains(seen.text, L"denied"),
          "an error gives the reason of the step that failed: " + Narrow(seen.text));
    InstallerSession again;
    MessageBoxSeen running;
    Check(again.Start(f.Installer(), f.folder.Directory(), false) &&
              again.WaitForMessageBox(&running, 60000) &&
              running.text == L"The installer is already running from this folder." &&
              f.session.MessageBoxShowing(),
          "it stays until OK is pressed; a second start meanwhile says that it runs: " +
              Narrow(running.text));
    again.PressOk(running);
    f.session.PressOk(seen);
    Check(f.session.Ended(10000, 1), "then the program ends");
    UnhookWindowsHookEx(hook);
}

// Sets, or with no data deletes, a value of the user's: Wine's settings are read from there.
bool SetUserValue(const wchar_t* key, const wchar_t* name, DWORD type, const void* data,
                  DWORD size) {
    return (data != nullptr ? SHSetValueW(HKEY_CURRENT_USER, key, name, type, data, size)
                            : SHDeleteValueW(HKEY_CURRENT_USER, key, name)) == ERROR_SUCCESS;
}

// The window as designed, in twips, kept apart from the program's own table so that a typo in
// either shows: each control's left, top, width and height, top to bottom, then the client area.
constexpr int kBoxTwips[kControlCount + 1][4] = {
    {120, 480, 6615, 375},   {360, 1200, 1575, 495},  {2640, 1200, 1575, 495},
    {4920, 1200, 1575, 495}, {2760, 1800, 1455, 255}, {360, 2160, 6135, 255},
    {120, 2880, 6615, 495},  {360, 3600, 1575, 495},  {2640, 3600, 1575, 495},
    {4920, 3600, 1575, 495}, {2640, 4200, 1575, 255}, {240, 4560, 6255, 255},
    {120, 5040, 6615, 255},  {2640, 5400, 1695, 495}, {240, 6120, 6375, 255},
    {2280, 6720, 2415, 615}, {0, 0, 6870, 7530}};

bool NearPixels(long actual, int twips, DWORD dpi) {
    const long expected = (twips * static_cast<long>(dpi) + 720) / 1440;
    return actual >= expected - 1 && actual <= expected + 1;
}

// Where the window has its controls, in its client area's pixels, and the client area last.
using Boxes = std::array<RECT, kControlCount + 1>;
Boxes BoxesOf(const InstallerSession& session) {
    Boxes boxes = {};
    for (const ControlLayout& row : kLayout) {
        RECT& box = boxes[static_cast<int>(row.name)];
        GetWindowRect(session.ControlWindow(row.name), &box);
        MapWindowPoints(nullptr, session.Window(), reinterpret_cast<POINT*>(&box), 2);
    }
    GetClientRect(session.Window(), &boxes[kControlCount]);
    return boxes;
}

// Every control where its twips put it at this DPI (a label may grow to its text), every caption
// whole inside its box in the font the layout was made for. (Apart, the boxes cannot overlap: the
// layout's table keeps them apart, which the unit tests check.)
void CheckLayout(const InstallerSession& session, DWORD dpi) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");
    HGDIOBJ previous = SelectObject(dc, font);
    const Boxes boxes = BoxesOf(session);
    int placed = NearPixels(boxes[kControlCount].right, kBoxTwips[kControlCount][2], dpi) &&
                 NearPixels(boxes[kControlCount].bottom, kBoxTwips[kControlCount][3], dpi);
    for (const ControlLayout& row : kLayout) {
        const RECT& box = boxes[static_cast<int>(row.name)];
        const int* twips = kBoxTwips[static_cast<int>(row.name)];
        const bool label = row.kind == ControlKind::Label;
        // A push button's frame takes a few pixels on each side.
        const int frameX = label ? 0 : 2 * MulDiv(3, dpi, 96);
        const int frameY = label ? 0 : 2 * MulDiv(2, dpi, 96);
        RECT text = {0, 0, box.right - box.left - frameX, 0};
        DrawTextW(dc, row.caption, -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
        // A label grows to its text where that needs more than its twips, in this font.
        placed += NearPixels(box.left, twips[0], dpi) && NearPixels(box.top, twips[1], dpi) &&
                  NearPixels(box.right - box.left, twips[2], dpi) &&
                  (NearPixels(box.bottom - box.top, twips[3], dpi) ||
                   (label && box.bottom - box.top == text.bottom));
        if (row.caption[0] != L'\0') {
            Check(text.right <= box.right - box.left - frameX &&
                      text.bottom <= box.bottom - box.top - frameY,
                  "caption fits: \"" + Narrow(row.caption) + "\"");
        }
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    Check(placed == kControlCount + 1, "the client area and every control's box are its twips");
}

void LayoutAtDpi(DWORD dpi) {
    Fixture f("layout at " + std::to_string(dpi) + " DPI");
    // Under Wine, the screen's DPI for the installer: LogPixels, put back at once, also when the
    // start fails.
    constexpr const wchar_t* kDesktop = L"Control Panel\\Desktop";
    DWORD before = 96;
    DWORD size = sizeof before;
    SHGetValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", nullptr, &before, &size);
    Step(!settings.wine || SetUserValue(kDesktop, L"LogPixels", REG_DWORD, &dpi, sizeof dpi),
         "set LogPixels");
    const bool started = f.Start();
    Step(!settings.wine || SetUserValue(kDesktop, L"LogPixels", REG_DWORD, &before, sizeof before),
         "put LogPixels back");
    if (started) {
        CheckLayout(f.session, dpi);
    }
}

// The dark pixels of a control's text as the screen shows it: how many, its font decides.
int Ink(const InstallerSession& session, Control control) {
    RECT box = {};
    GetWindowRect(session.ControlWindow(control), &box);
    BITMAPINFOHEADER header;
    const std::string bits = session.ScreenBits(box, &header);
    int ink = 0;
    for (size_t i = 0; i + 3 < bits.size(); i += 4) {
        ink += (bits[i] & 0xFF) + (bits[i + 1] & 0xFF) + (bits[i + 2] & 0xFF) < 3 * 128;
    }
    return ink;
}

// Moved to a monitor of another scale, the window takes what Windows sends: WM_DPICHANGED with the
// new DPI and the rectangle it suggests for the window (here the frame stays as it is). At 144 DPI
// it is laid out as at a start at 144, in a font that draws half as much again; back at 96, it is
// exactly as at its start, also during an install.
void DpiChanges() {
    Fixture f("a change of DPI");
    if (!f.Start()) {
        return;
    }
    Pause(500);  // placed and drawn
    const Boxes start = BoxesOf(f.session);
    RECT frame = {};
    GetWindowRect(f.session.Window(), &frame);
    const int ink = Ink(f.session, C::Label5);
    // The size that Windows would otherwise scale linearly, which the title bar does not: exact.
    const auto adjust = Lookup<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>(
        L"user32.dll", "AdjustWindowRectExForDpi");
    RECT exact = {0, 0, (kBoxTwips[kControlCount][2] * 144 + 720) / 1440,
                  (kBoxTwips[kControlCount][3] * 144 + 720) / 1440};
    const SIZE scaled = f.session.ScaledSize(144);
    Check(adjust != nullptr &&
              adjust(&exact, GetWindowLongW(f.session.Window(), GWL_STYLE), FALSE,
                     GetWindowLongW(f.session.Window(), GWL_EXSTYLE), 144) &&
              scaled.cx == exact.right - exact.left && scaled.cy == exact.bottom - exact.top,
          "it asks for the frame around its client area at 144 DPI, exactly");
    f.session.ChangeDpi(
        144, {frame.left, frame.top,
              frame.right + TwipsToPixels(kClientWidthTwips, 144) - start[kControlCount].right,
              frame.bottom + TwipsToPixels(kClientHeightTwips, 144) - start[kControlCount].bottom});
    Pause(500);
    CheckLayout(f.session, 144);
    Check(Ink(f.session, C::Label5) * 10 > ink * 13,
          "its text is drawn in a font made for 144 DPI");
    f.session.Click(C::Command1);
    Pause(2500);
    f.session.ChangeDpi(96, frame);
    Pause(500);
    const Boxes back = BoxesOf(f.session);
    Check(std::memcmp(&back, &start, sizeof start) == 0 &&
              std::abs(Ink(f.session, C::Label5) - ink) * 20 <= ink,
          "back at 96 DPI during an install, exactly as at its start");
}

// The exe as Windows and Explorer read it: its manifest, and its version information, the strings
// of the language the file names.
void TheExe() {
    currentCase = "the exe";
    // The manifest's DPI awareness as Windows reads it, from the activation context made from it,
    // in any case and spacing. Windows takes the first value of the list that it knows: per-monitor
    // version 2, else the system's DPI; never version 1 (Windows 8.1 to 10 1607), which scales
    // neither the title bar nor message boxes. Windows before 10 1607 read dpiAware alone.
    ACTCTXW context = {};
    context.cbSize = sizeof context;
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = settings.installer.c_str();
    context.lpResourceName = MAKEINTRESOURCEW(1);
    HANDLE activation = CreateActCtxW(&context);
    const auto querySetting =
        Lookup<BOOL(WINAPI*)(DWORD, HANDLE, PCWSTR, PCWSTR, PWSTR, SIZE_T, SIZE_T*)>(
            L"kernel32.dll", "QueryActCtxSettingsW");
    std::wstring awareness;
    for (const auto& [year, name] : {std::pair(L"2005", L"dpiAware"), {L"2016", L"dpiAwareness"}}) {
        const std::wstring space =
            L"http://schemas.microsoft.com/SMI/" + std::wstring(year) + L"/WindowsSettings";
        wchar_t value[64] = {};
        if (querySetting != nullptr) {
            querySetting(0, activation, space.c_str(), name, value, 64, nullptr);
        }
        for (const wchar_t* c = value; *c != L'\0'; ++c) {
            awareness += *c == L' ' ? L"" : std::wstring(1, static_cast<wchar_t>(towlower(*c)));
        }
        awareness += L" ";
    }
    Check(awareness == L"true permonitorv2,system ",
          "its manifest asks for each monitor's DPI in version 2 only, else the system's: " +
              Narrow(awareness));
    ReleaseActCtx(activation);
    std::string data(GetFileVersionInfoSizeW(settings.installer.c_str(), nullptr), '\0');
    GetFileVersionInfoW(settings.installer.c_str(), 0, static_cast<DWORD>(data.size()), &data[0]);
    auto query = [&data](const std::wstring& path) {
        void* value = nullptr;
        UINT length = 0;
        return VerQueryValueW(data.data(), path.c_str(), &value, &length) ? value : nullptr;
    };
    const auto* language = static_cast<const WORD*>(query(L"\\VarFileInfo\\Translation"));
    wchar_t block[64];
    wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\", language ? language[0] : 0,
              language ? language[1] : 0);
    std::wstring fields;
    for (const wchar_t* name : {L"ProductName", L"FileDescription", L"CompanyName", L"FileVersion",
                                L"ProductVersion", L"InternalName", L"OriginalFilename"}) {
        const auto* value = static_cast<const wchar_t*>(query(block + std::wstring(name)));
        fields += (value != nullptr ? value : L"?") + std::wstring(L"|");
    }
    Check(fields ==
              L"Velmora Mod Installer|Installs the Velmora Mod|The Velmora Mod Team|1.00|"
              L"1.00|Installer_32bit|Installer_32bit.exe|",
          Narrow(fields));
}

// Named like the DLLs that the installer, or Windows on its behalf, loads by name. Not planted:
// the known DLLs, which always come from System32, and those that user32 loads as the process
// starts, before any code of the program runs.
constexpr const wchar_t* kPlantedDlls[] = {L"comctl32", L"uxtheme", L"msimg32"};

// Tells Wine to prefer DLLs found beside a program over its own, or forgets it. (Set here,
// WINEDLLOVERRIDES would not reach the programs: Wine reads it as it starts.) Windows prefers them
// by itself.
void PreferDllsBeside(bool prefer) {
    for (const wchar_t* dll : kPlantedDlls) {
        Step(!settings.wine ||
                 SetUserValue(L"Software\\Wine\\DllOverrides", dll, REG_SZ,
                              prefer ? L"native,builtin" : nullptr, sizeof L"native,builtin"),
             "set Wine's preference for " + Narrow(dll));
    }
}

// The companion stub imports uxtheme.dll the plain way: started by the installer from the same
// folder, it shows that the plants there do load into a program without the safe search.
void PlantedDlls() {
    Fixture f("planted DLLs");
    for (const wchar_t* dll : kPlantedDlls) {
        f.folder.Copy(settings.build + L"\\planted_dll.dll", std::wstring(dll) + L".dll");
    }
    PreferDllsBeside(true);
    if (f.Start()) {
        f.session.Click(C::Command4);
        f.Answer();
    }
    PreferDllsBeside(false);
    Check(!Exists(f.folder.Path(L"Installer_32bit.exe.planted")) &&
              Exists(f.folder.Path(L"XP_Installer_2.exe.planted")),
          "no DLL planted beside the installer loads into it, while one does into what it starts");
}

// The driver's run: elevated as the installer asks, with no error box of Windows' own (a planted
// DLL that refuses to load would raise one in a stub), its own measure of the screen, and a new
// work folder that no earlier run has left anything in.
bool SetUp(int argc, wchar_t** argv) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // Vista and later; loaded by name, so that the driver starts on XP too.
    const auto dpiAware = Lookup<BOOL(WINAPI*)()>(L"user32.dll", "SetProcessDPIAware");
    if (dpiAware != nullptr) {
        dpiAware();
    }
    PathBuffer self;
    GetModuleFileNameW(nullptr, self.text, kPathCapacity);
    self.text[DirectoryLength(self.text) - 1] = L'\0';
    settings.build = self.text;
    settings.installer = argc > 1 ? argv[1] : settings.build + L"\\Installer_32bit.exe";
    settings.stub = settings.build + L"\\companion_stub.exe";
    settings.work = settings.build + L"\\run-" + std::to_wstring(NowMs());
    settings.decoy = settings.work + L"\\decoy";
    settings.wine = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    // As the installer asks for administrator rights.
    if (!IsUserAnAdmin()) {
        std::printf("e2e_driver: not elevated: run it from an administrator's prompt\n");
    } else if (!CreateDirectoryW(settings.work.c_str(), nullptr)) {
        std::printf("e2e_driver: cannot make the work folder (error %lu)\n", GetLastError());
    } else {
        std::printf("work folder: %s\n", Narrow(settings.work).c_str());
        return true;
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (!SetUp(argc, argv)) {
        return 2;
    }
    // Stubs under the companions' names: nothing may start from there. It lacks the typical run's
    // installer, which must be found in the installer's own folder.
    currentCase = "decoy folder";
    AppFolder decoy(settings.decoy, settings.installer, settings.stub);
    decoy.Remove(L"XP_Installer.exe");
    // Windows takes a new DPI only at the next sign-in: there, the session's own.
    HDC screen = GetDC(nullptr);
    const DWORD sessionDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const std::set<DWORD> dpis = {96, 120, 144, 168, 192, sessionDpi};
    for (DWORD dpi : dpis) {
        if (settings.wine || dpi == sessionDpi) {
            LayoutAtDpi(dpi);
        } else {
            std::printf("skip - layout at %lu DPI: needs a sign-out on Windows\n", dpi);
        }
    }
    DpiChanges();
    TheExe();
    TypicalRun();
    DeepFolder();
    Failures();
    WindowCannotBeCreated();
    FirstCopyEnded();
    DriveRootAndSecondCopy();
    PlantedDlls();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
