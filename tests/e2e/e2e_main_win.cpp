// The end-to-end suite: the real Installer_32bit.exe in a real window, driven as a person would,
// beside companion stubs that log how they were started. One line per check, then a count.
//   e2e_driver BUILD_DIR WORK_DIR DRIVE_ROOT
// BUILD_DIR holds Installer_32bit.exe, companion_stub.exe, planted_dll.dll and refuse_bars.dll.
// DRIVE_ROOT is a drive that maps WORK_DIR\drive-root.
#include "e2e/installer_session_win.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

#include "host/folder_mark_win.h"
#include "host/text.h"
#include "window/layout.h"

namespace {

using C = Control;

constexpr DWORD kActionMs = 20000;

struct Settings {
    std::wstring build;
    std::wstring installer;
    std::wstring stub;
    std::wstring work;
    std::wstring decoy;  // the current directory of every installer started
} settings;

int passed = 0;
int failed = 0;
std::string currentCase;

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) {
        narrow += c >= 32 && c < 127 ? static_cast<char>(c) : c == L'\n' ? '|' : '?';
    }
    return narrow;
}

void Check(bool ok, const std::string& what) {
    std::printf("%s - %s: %s\n", ok ? "ok" : "FAILED", currentCase.c_str(), what.c_str());
    std::fflush(stdout);
    ++(ok ? passed : failed);
}

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

// Starting a program may take a few hundred milliseconds (much more under emulation), which
// delays what follows it; a step is never early. The window still tells 1 s from 2 s.
void CheckOnTime(long long actual, long long expected, const std::string& what) {
    Check(actual >= expected - 100 && actual <= expected + 900,
          what + " on time (" + std::to_string(actual - expected) + " ms off)");
}

void CheckMessage(const MessageBoxSeen& seen, const wchar_t* title, const wchar_t* text) {
    Check(seen.title == title && seen.text == text,
          "\"" + Narrow(text) + "\" from \"" + Narrow(title) + "\": " + Narrow(seen.text));
}

// The buttons that are enabled, or that `has` something.
std::set<Control> Buttons(const InstallerSession& session,
                          BOOL(WINAPI* has)(HWND) = IsWindowEnabled) {
    std::set<Control> found;
    for (const ControlLayout& row : kLayout) {
        if (row.kind == ControlKind::Button && has(session.ControlWindow(row.name))) {
            found.insert(row.name);
        }
    }
    return found;
}

BOOL WINAPI HasDefaultFrame(HWND button) {
    return (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// A fresh application folder for one case, and the installer started from another folder.
struct Fixture {
    explicit Fixture(const std::string& name, const std::wstring& directory = L"")
        : folder(directory.empty() ? settings.work + L"\\" + std::wstring(name.begin(), name.end())
                                   : directory,
                 settings.installer, settings.stub) {
        currentCase = name;
    }
    bool Start() {
        const bool started = session.Start(folder.Path(L"Installer_32bit.exe"), settings.decoy);
        Check(started, "the installer starts and shows its window");
        return started;
    }
    // Waits for the message that ends an action; `whileShown` reads it before it is answered.
    template <typename WhileShown>
    void Answer(WhileShown whileShown) {
        MessageBoxSeen seen;
        Check(session.WaitForMessageBox(&seen, kActionMs), "a message ends the action");
        whileShown(seen);
        session.PressOk(seen);
    }
    // Clicks a button and answers its message. Returns when the click was.
    template <typename WhileShown>
    long long Run(Control button, WhileShown whileShown) {
        const long long click = session.Click(button);
        Answer(whileShown);
        return click;
    }
    void CheckLaunches(const std::vector<const wchar_t*>& names, long long expectedMs) {
        const auto launches = folder.WaitForLaunches(names.size());
        Check(launches.size() == names.size(), std::to_string(names.size()) + " programs start");
        for (size_t i = 0; i < launches.size() && i < names.size(); ++i) {
            const std::string what = Narrow(names[i]);
            Check(launches[i].path == folder.Path(names[i]) && launches[i].hidden &&
                      launches[i].workingDirectory == folder.Directory(),
                  what + " starts hidden, by its full path, in the folder");
            CheckOnTime(launches[i].ms, expectedMs, what + " starts");
        }
    }

    AppFolder folder;
    InstallerSession session;
};

// Without a window manager, Wine leaves the title bar out of the X window: a press on it, its
// context menu or the taskbar's (0x313) is posted as the message that the press would bring.
void PressTitleBar(HWND window, UINT message, WPARAM hitTest) {
    RECT frame = {};
    GetWindowRect(window, &frame);
    PostMessageW(
        window, message, hitTest,
        MAKELPARAM((frame.left + frame.right) / 2, frame.top + GetSystemMetrics(SM_CYSIZE) / 2));
}

// A whole run in a long folder with spaces and non-ASCII characters: the window at start, Escape
// and Enter, real input during the install, an installer that outlives its message, a clean-up that
// meets a file already gone and a read-only one, and Exit.
void TypicalRun() {
    // The installer's path within MAX_PATH, Vista_7_Installer_2.exe's beyond it.
    std::wstring directory =
        settings.work + L"\\Velmora Mod \u00dcn\u00efc\u00f8d\u00e9 \u4e16\u754c ";
    directory.resize(237, L'x');
    Fixture f("typical run", directory);
    f.folder.Write(L"XP_Installer.exe.stub", "0 4500");
    DeleteFileW(f.folder.Path(L"xxmklink.exe").c_str());
    SetFileAttributesW(f.folder.Path(L"XP_Installer_2.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    if (!f.Start()) {
        return;
    }
    auto window = [&f](Control control) { return f.session.ControlWindow(control); };
    const LONG style = GetWindowLongW(f.session.Window(), GWL_STYLE);
    Check((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) != 0 &&
              (style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
          "fixed single border, close control, no minimize or maximize");
    Check(f.session.Focus() == window(C::Command1), "focus on Windows XP");
    // A screen reader names a bar after the static text just before it.
    Check(GetWindow(window(C::ProgressBar1), GW_HWNDPREV) == window(C::Label2) &&
              GetWindow(window(C::ProgressBar2), GW_HWNDPREV) == window(C::Label3),
          "each bar comes just after its \"Status\" label");
    f.session.Key(VK_ESCAPE);
    Sleep(500);
    Check(Buttons(f.session).size() == 8 && !f.session.MessageBoxShowing(),
          "every button enabled, also after Escape");

    const long long click = NowMs();
    f.session.Key(VK_RETURN);
    Sleep(2500);
    Check(f.session.Focus() == window(C::Command1), "focus stays on Windows XP");
    // Tab skips the disabled buttons to Windows XP Shortcut, and Space presses it; so does a click,
    // which finds it disabled by its turn. A click that an automation tool sends a disabled button
    // does nothing, and neither does a second click on Windows XP. Alt+Space, a right-click on the
    // title bar and the taskbar's Shift+right-click open no system menu that would hold the
    // install.
    f.session.Key(VK_TAB);
    f.session.Key(VK_SPACE);
    f.session.MouseClick(C::Command4);
    f.session.MouseClick(C::Command7);
    f.session.Click(C::Command2);
    f.session.MouseClick(C::Command1);
    f.session.Key(VK_SPACE, VK_MENU);
    PressTitleBar(f.session.Window(), WM_NCRBUTTONDOWN, HTCAPTION);
    PressTitleBar(f.session.Window(), WM_CONTEXTMENU, 0);
    PressTitleBar(f.session.Window(), 0x313, 0);
    // Minimized as Win+D does it, and restored as the taskbar does, during the install.
    ShowWindowAsync(f.session.Window(), SW_MINIMIZE);
    Sleep(300);
    const bool minimized = IsIconic(f.session.Window());
    PostMessageW(f.session.Window(), WM_SYSCOMMAND, SC_RESTORE, 0);
    Sleep(300);
    Check(minimized && !IsIconic(f.session.Window()), "the taskbar restores it during the install");
    f.Answer([&](const MessageBoxSeen& seen) {
        CheckMessage(seen, L"Installer", L"Completed!");
        // A running program cannot be deleted.
        Check(!DeleteFileW(f.folder.Path(L"XP_Installer.exe").c_str()),
              "the installer still runs, and does not hold the message back");
        CheckOnTime(seen.shownMs, click + 5000, "Enter's install, its message");
        Check(f.session.BarPosition(C::ProgressBar1) == 100 && !f.session.Enabled(C::ProgressBar1),
              "the first bar stands at 100, disabled");
        f.CheckLaunches({L"extract_32bit.exe", L"XP_Installer.exe"}, click + 1000);
    });
    f.Answer([&](const MessageBoxSeen& seen) {
        CheckMessage(seen, L"Installer", L"Shortcut created on your desktop!");
    });
    f.Answer([&](const MessageBoxSeen& seen) {
        CheckMessage(seen, L"Installer", L"Files deleted!");
        Check(f.folder.Programs() ==
                  std::vector<std::wstring>{L"Installer_32bit.exe", L"extract_32bit.exe"},
              "only the installer and the extractor are left");
        // A held Enter: its repeats leave the message to be read, a fresh press closes it.
        HWND ok = GetDlgItem(seen.window, IDOK);
        for (int repeat = 0; repeat < 3; ++repeat) {
            PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 1 | 1 << 30);
        }
        Sleep(1000);
        const bool open = IsWindowVisible(seen.window);
        PostMessageW(ok, WM_KEYDOWN, VK_RETURN, 1);
        for (int tries = 0; tries < 100 && IsWindow(seen.window); ++tries) {
            Sleep(50);
        }
        Check(open && !IsWindow(seen.window), "a held Enter closes the message once, not unread");
    });
    // A held Enter's repeats press nothing.
    PostMessageW(window(C::Command8), WM_KEYDOWN, VK_RETURN, 1 | 1 << 30);
    Sleep(1500);
    Check(!f.session.MessageBoxShowing() && Buttons(f.session) == std::set<Control>{C::Command8} &&
              Buttons(f.session, HasDefaultFrame) == std::set<Control>{C::Command8} &&
              f.session.Focus() == window(C::Command8),
          "nothing more runs, nor on a held Enter: only Exit is enabled, with focus and frame");

    f.session.Key(VK_RETURN);
    f.Answer([&](const MessageBoxSeen& seen) {
        CheckMessage(seen, L"Velmora Mod Installer",
                     L"You can't change the universe, without repercussions.");
    });
    Check(f.session.Ended(10000), "the program ends");
    Check(ReadWholeFile(settings.decoy + L"\\started.log").empty(),
          "nothing starts from the current directory");
}

// What fails is named, the program goes on, and the button stays for a retry.
void Failures() {
    Fixture f("failures");
    f.folder.Write(L"Vista_7_Installer.exe", "not a program");
    DeleteFileW(f.folder.Path(L"Vista_7_Installer_2.exe").c_str());
    f.folder.Write(L"XP_Installer_2.exe.stub", "1 0");
    if (!f.Start()) {
        return;
    }
    // During the shortcut, a click on Windows Vista waits, and Tab moves the focus on to Windows 7,
    // which that install then disables: the focus and the default frame go on to the next button.
    f.session.Click(C::Command4);
    f.session.MouseClick(C::Command2);
    f.session.Key(VK_TAB);
    f.Answer([&](const MessageBoxSeen& seen) {
        Check(Contains(seen.text, L"XP_Installer_2.exe") && Contains(seen.text, L"exit code 1"),
              "a program that failed is named: " + Narrow(seen.text));
    });
    // Windows' text for it has an insert, filled with the program's name.
    f.Answer([&](const MessageBoxSeen& seen) {
        Check(Contains(seen.text, L"Vista_7_Installer.exe") && !Contains(seen.text, L"%"),
              "a file that is no program is named: " + Narrow(seen.text));
        Check(Buttons(f.session, HasDefaultFrame) == std::set<Control>{C::Command5},
              "the default frame leaves the buttons that the install disabled");
    });
    f.Run(C::Command5, [&](const MessageBoxSeen& seen) {
        Check(Contains(seen.text, L"\"Vista_7_Installer_2.exe\"") &&
                  f.session.BarPosition(C::ProgressBar2) == 50,
              "a missing program is named, the bar stays where it stood: " + Narrow(seen.text));
    });
    Check(!f.session.Ended(0) && Buttons(f.session) == std::set<Control>{C::Command2, C::Command5,
                                                                         C::Command7, C::Command8},
          "the program goes on, their buttons enabled");

    UniqueHandle held(CreateFileW(f.folder.Path(L"desktoprefresh.exe").c_str(), GENERIC_READ, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    f.Run(C::Command7, [&](const MessageBoxSeen& seen) {
        Check(Contains(seen.text, L"desktoprefresh.exe") && !Contains(seen.text, L"xxmklink.exe") &&
                  f.folder.Programs() == std::vector<std::wstring>{L"Installer_32bit.exe",
                                                                   L"desktoprefresh.exe",
                                                                   L"extract_32bit.exe"},
              "a file in use is named, the others are deleted: " + Narrow(seen.text));
    });
    held.Reset();
    f.Run(C::Command7, [&](const MessageBoxSeen& seen) {
        Check(seen.text == L"Files deleted!", "the retry deletes it once released");
    });
    // Its installer is gone by now, so each click on it ends with a message. A press on the close
    // control holds the action no more than a close request does. Dragged off before its release,
    // it closes nothing; released on the close control, it closes once the action has ended.
    for (WPARAM release : {HTCAPTION, HTCLOSE}) {
        f.session.Click(C::Command2);
        PressTitleBar(f.session.Window(), WM_NCLBUTTONDOWN, HTCLOSE);
        PressTitleBar(f.session.Window(), WM_NCLBUTTONUP, release);
        MessageBoxSeen seen;
        Check(f.session.WaitForMessageBox(&seen, 5000), "the action ends, the close pressed");
        Check(!f.session.Ended(1000), "the close waits for the action under way");
        f.session.PressOk(seen);
        Check(f.session.Ended(3000) == (release == HTCLOSE),
              release == HTCLOSE ? "then a click on the close control ends the program"
                                 : "a press dragged off the close control closes nothing");
    }
}

// At a drive root, the shortcut program starts as anywhere, and the clean-up deletes from there.
// One installer per folder: a second start through the folder that the drive maps, while the
// first is minimized and not answering, brings the first forward; another folder has its own.
void DriveRootAndSecondCopy(const std::wstring& root) {
    Fixture f("drive root", root);
    Fixture other("another folder");
    currentCase = "drive root";
    if (!f.Start() || !other.Start()) {
        return;
    }
    const long long click = f.Run(C::Command4, [&](const MessageBoxSeen&) {});
    f.CheckLaunches({L"XP_Installer_2.exe"}, click + 1000);
    f.Run(C::Command7, [&](const MessageBoxSeen& seen) {
        Check(seen.text == L"Files deleted!" &&
                  f.folder.Programs() ==
                      std::vector<std::wstring>{L"Installer_32bit.exe", L"extract_32bit.exe"},
              "only the installer and the extractor are left");
    });
    Check(!f.session.Ended(0) && !other.session.Ended(0), "two folders, two installers");
    ShowWindow(f.session.Window(), SW_MINIMIZE);
    InstallerSession again;
    Check(f.session.Hang(true) &&
              again.Start(settings.work + L"\\drive-root\\Installer_32bit.exe", settings.decoy,
                          false) &&
              again.Ended(30000),
          "a second start through the folder's other path ends quietly, though the first hangs");
    f.session.Hang(false);
    Sleep(1000);
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
    InstallerSession after;
    Check(next.Start(f.folder.Path(L"Installer_32bit.exe"), settings.decoy),
          "a start then shows its window");
    Check(after.Start(f.folder.Path(L"Installer_32bit.exe"), settings.decoy, false) &&
              after.Ended(30000),
          "a start after it ends quietly, having brought it forward");
}

// A window that cannot be created is explained, and the explanation stays until it is read.
void WindowCannotBeCreated() {
    Fixture f("window cannot be created");
    HMODULE refuse = LoadLibraryW((settings.build + L"\\refuse_bars.dll").c_str());
    const auto hookProc = reinterpret_cast<HOOKPROC>(
        reinterpret_cast<void (*)()>(GetProcAddress(refuse, "RefuseBars")));
    HHOOK hook = hookProc != nullptr ? SetWindowsHookExW(WH_CBT, hookProc, refuse, 0) : nullptr;
    Check(hook != nullptr, "a hook refuses the progress bars");
    MessageBoxSeen seen;
    Check(f.session.Start(f.folder.Path(L"Installer_32bit.exe"), f.folder.Directory(), false) &&
              f.session.WaitForMessageBox(&seen, 60000),
          "an error is shown");
    InstallerSession again;
    MessageBoxSeen running;
    Check(again.Start(f.folder.Path(L"Installer_32bit.exe"), f.folder.Directory(), false) &&
              again.WaitForMessageBox(&running, 60000) &&
              running.text == L"The installer is already running from this folder." &&
              f.session.MessageBoxShowing(),
          "it stays until OK is pressed; a second start meanwhile says that it runs: " +
              Narrow(running.text));
    again.PressOk(running);
    Check(seen.title == L"Velmora Mod Installer" &&
              Contains(seen.text, L"The installer window could not be created.\n\n") &&
              Contains(seen.text, L"denied"),
          "it gives the reason of the step that failed: " + Narrow(seen.text));
    f.session.PressOk(seen);
    Check(f.session.Ended(10000, 1), "then the program ends");
    UnhookWindowsHookEx(hook);
}

// Sets Wine's screen DPI for the programs started from now on.
void SetScreenDpi(DWORD dpi) {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_SET_VALUE,
                    nullptr, &key, nullptr);
    RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                   sizeof dpi);
    RegCloseKey(key);
}

// The window as designed, in twips, kept apart from the program's own table so that a typo in
// either shows: the client area, then each control's left, top, width and height, top to bottom.
constexpr int kClientTwips[] = {6870, 7530};
constexpr int kBoxTwips[kControlCount][4] = {
    {120, 480, 6615, 375},   {360, 1200, 1575, 495},  {2640, 1200, 1575, 495},
    {4920, 1200, 1575, 495}, {2760, 1800, 1455, 255}, {360, 2160, 6135, 255},
    {120, 2880, 6615, 495},  {360, 3600, 1575, 495},  {2640, 3600, 1575, 495},
    {4920, 3600, 1575, 495}, {2640, 4200, 1575, 255}, {240, 4560, 6255, 255},
    {120, 5040, 6615, 255},  {2640, 5400, 1695, 495}, {240, 6120, 6375, 255},
    {2280, 6720, 2415, 615}};

bool NearPixels(long actual, int twips, int dpi) {
    const int expected = (twips * dpi + 720) / 1440;
    return actual >= expected - 1 && actual <= expected + 1;
}

// Every control where its twips put it at this DPI (a label may grow to its text), every caption
// whole inside its box in the font the layout was made for, and no two controls overlapping.
void LayoutAtDpi(int dpi) {
    SetScreenDpi(static_cast<DWORD>(dpi));
    Fixture f("layout at " + std::to_string(dpi) + " DPI");
    const bool started = f.Start();
    SetScreenDpi(96);
    if (!started) {
        return;
    }
    HWND window = f.session.Window();
    RECT client = {};
    GetClientRect(window, &client);
    Check(NearPixels(client.right, kClientTwips[0], dpi) &&
              NearPixels(client.bottom, kClientTwips[1], dpi),
          "client area " + std::to_string(client.right) + " x " + std::to_string(client.bottom));
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");
    HGDIOBJ previous = SelectObject(dc, font);
    RECT boxes[kControlCount] = {};
    int placed = 0;
    for (const ControlLayout& row : kLayout) {
        RECT& box = boxes[static_cast<int>(row.name)];
        GetWindowRect(f.session.ControlWindow(row.name), &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
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
    Check(placed == kControlCount, "every control's box is its twips at this DPI");
    int overlaps = 0;
    for (const RECT& a : boxes) {
        for (const RECT& b : boxes) {
            overlaps += &a != &b && a.left < b.right && b.left < a.right && a.top < b.bottom &&
                        b.top < a.bottom;
        }
    }
    Check(overlaps == 0, "no two controls overlap");
}

// The exe as Windows and Explorer read it: its header, its icon for large views, and its version
// information, the strings of the language the file names.
void TheExe() {
    currentCase = "the exe";
    const std::string exe = ReadWholeFile(settings.installer);
    const auto* header = reinterpret_cast<const IMAGE_NT_HEADERS32*>(
        exe.data() + reinterpret_cast<const IMAGE_DOS_HEADER*>(exe.data())->e_lfanew);
    Check((header->OptionalHeader.DllCharacteristics &
           IMAGE_DLLCHARACTERISTICS_TERMINAL_SERVER_AWARE) != 0,
          "terminal-server aware");
    HMODULE module = LoadLibraryExW(settings.installer.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    auto resource = [module](int id, LPCWSTR type) {
        return static_cast<const BYTE*>(
            LockResource(LoadResource(module, FindResourceW(module, MAKEINTRESOURCEW(id), type))));
    };
    const BYTE* large =
        resource(LookupIconIdFromDirectoryEx(const_cast<BYTE*>(resource(1, RT_GROUP_ICON)), TRUE,
                                             256, 256, 0),
                 RT_ICON);
    Check(std::memcmp(large, "\x89PNG", 4) == 0 && large[18] == 1 && large[19] == 0,
          "a 256 px icon, stored as a PNG");
    FreeLibrary(module);
    std::string data(GetFileVersionInfoSizeW(settings.installer.c_str(), nullptr), '\0');
    GetFileVersionInfoW(settings.installer.c_str(), 0, static_cast<DWORD>(data.size()), &data[0]);
    WORD* language = nullptr;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    wchar_t block[64] = L"?";
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&language), &length)) {
        wsprintfW(block, L"\\StringFileInfo\\%04x%04x\\", language[0], language[1]);
    }
    std::wstring fields;
    for (const wchar_t* name : {L"ProductName", L"FileDescription", L"CompanyName", L"FileVersion",
                                L"ProductVersion", L"InternalName", L"OriginalFilename"}) {
        wchar_t* value = nullptr;
        fields += VerQueryValueW(data.data(), (block + std::wstring(name)).c_str(),
                                 reinterpret_cast<void**>(&value), &length)
                      ? std::wstring(value) + L"|"
                      : L"?|";
    }
    Check(fields ==
              L"Velmora Mod Installer|Installs the Velmora Mod|The Velmora Mod Team|1.00|"
              L"1.00|Installer_32bit|Installer_32bit.exe|",
          Narrow(fields));
    Check(VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) &&
              fixed->dwFileVersionMS == 0x10000 && fixed->dwFileVersionLS == 0 &&
              fixed->dwProductVersionMS == 0x10000 && fixed->dwProductVersionLS == 0,
          "numeric versions 1.0.0.0");
}

// Named like the DLLs that the installer, or Windows on its behalf, loads by name. Not planted:
// the known DLLs, which always come from System32, and those that user32 loads as the process
// starts, before any code of the program runs.
constexpr const wchar_t* kPlantedDlls[] = {L"comctl32", L"uxtheme", L"msimg32"};

// Tells Wine to prefer DLLs found beside a program over its own, or forgets it. (Set here,
// WINEDLLOVERRIDES would not reach the programs: Wine reads it as it starts.)
void PreferDllsBeside(bool prefer) {
    HKEY overrides = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\DllOverrides", 0, nullptr, 0,
                    KEY_SET_VALUE, nullptr, &overrides, nullptr);
    for (const wchar_t* dll : kPlantedDlls) {
        prefer ? RegSetValueExW(overrides, dll, 0, REG_SZ,
                                reinterpret_cast<const BYTE*>(L"native,builtin"),
                                sizeof L"native,builtin")
               : RegDeleteValueW(overrides, dll);
    }
    RegCloseKey(overrides);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The companion stub imports uxtheme.dll the plain way: started by the installer from the same
// folder, it shows that the plants there do load into a program without the safe search.
void PlantedDlls() {
    Fixture f("planted DLLs");
    for (const wchar_t* dll : kPlantedDlls) {
        CopyFileW((settings.build + L"\\planted_dll.dll").c_str(),
                  f.folder.Path(std::wstring(dll) + L".dll").c_str(), FALSE);
    }
    PreferDllsBeside(true);
    if (f.Start()) {
        f.Run(C::Command4, [](const MessageBoxSeen&) {});
    }
    PreferDllsBeside(false);
    Check(!Exists(f.folder.Path(L"Installer_32bit.exe.planted")),
          "no DLL planted beside the installer loads into it");
    Check(Exists(f.folder.Path(L"XP_Installer_2.exe.planted")),
          "while the program it starts from there does load one");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4) {
        std::printf("usage: e2e_driver BUILD_DIR WORK_DIR DRIVE_ROOT\n");
        return 2;
    }
    const std::wstring build = argv[1];
    settings = {build, build + L"\\Installer_32bit.exe", build + L"\\companion_stub.exe", argv[2],
                std::wstring(argv[2]) + L"\\decoy"};
    CreateDirectoryW(settings.work.c_str(), nullptr);
    // Stubs under the companions' names: nothing may start from there. It lacks the typical run's
    // installer, which must be found in the installer's own folder.
    AppFolder decoy(settings.decoy, settings.installer, settings.stub);
    DeleteFileW(decoy.Path(L"XP_Installer.exe").c_str());
    for (int dpi : {96, 120, 144, 168, 192}) {
        LayoutAtDpi(dpi);
    }
    TheExe();
    TypicalRun();
    Failures();
    WindowCannotBeCreated();
    FirstCopyEnded();
    DriveRootAndSecondCopy(argv[3]);
    PlantedDlls();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
