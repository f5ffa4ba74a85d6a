// The end-to-end suite: the real Installer_32bit.exe in a real window, driven as a person would,
// beside companion stubs that log how they were started. One line per check, then a count.
//   e2e_driver BUILD_DIR WORK_DIR [DRIVE_ROOT]
// BUILD_DIR holds Installer_32bit.exe, companion_stub.exe, planted_dll.dll and plant_control.exe.
#include "e2e/installer_session_win.h"

#include <cstdio>
#include <set>
#include <string>

#include "window/layout.h"

namespace {

using C = Control;

constexpr DWORD kStartMs = 60000;
constexpr DWORD kActionMs = 20000;
// Starting a program may take a few hundred milliseconds (much more under emulation), which
// delays what follows it; a step is never early. The window still tells 1 s from 2 s.
constexpr long long kEarlyMs = 100;
constexpr long long kLateMs = 900;

struct Settings {
    std::wstring build;
    std::wstring installer;
    std::wstring stub;
    std::wstring work;
    std::wstring driveRoot;
};
Settings settings;

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

bool OnTime(long long actual, long long expected) {
    return actual >= expected - kEarlyMs && actual <= expected + kLateMs;
}

std::string Offset(long long actual, long long expected) {
    return " (" + std::to_string(actual - expected) + " ms off)";
}

std::set<Control> EnabledButtons(const InstallerSession& session) {
    std::set<Control> enabled;
    for (const ControlLayout& row : kLayout) {
        if (row.kind == ControlKind::Button && session.Enabled(row.name)) {
            enabled.insert(row.name);
        }
    }
    return enabled;
}

// A fresh application folder for one case, and the installer started from it.
struct Fixture {
    explicit Fixture(const std::string& name, const std::wstring& directory = L"")
        : folder(directory.empty() ? settings.work + L"\\" + std::wstring(name.begin(), name.end())
                                   : directory,
                 settings.installer, settings.stub) {
        currentCase = name;
    }
    bool Start() {
        const bool started =
            session.Start(folder.Path(L"Installer_32bit.exe"), settings.work + L"\\decoy");
        Check(started, "the installer starts and shows its window");
        return started;
    }
    // Clicks a button and waits for the message that ends its action.
    bool Run(Control button, MessageBoxSeen* seen, long long* clickMs = nullptr) {
        const long long click = session.Click(button);
        if (clickMs != nullptr) {
            *clickMs = click;
        }
        const bool shown = session.WaitForMessageBox(seen, kActionMs);
        Check(shown, "a message box ends the action");
        return shown;
    }
    void CheckLaunch(const Launch& launch, const wchar_t* name, long long expectedMs) {
        const std::string what = Narrow(name);
        Check(launch.path == folder.Path(name), what + " starts by its full path in the folder");
        Check(launch.hidden, what + " starts hidden");
        Check(launch.workingDirectory == folder.Directory(),
              what + " starts in the folder as working directory");
        Check(OnTime(launch.ms, expectedMs),
              what + " starts on time" + Offset(launch.ms, expectedMs));
    }
    void CheckMessageTime(const MessageBoxSeen& seen, long long expectedMs) {
        Check(OnTime(seen.shownMs, expectedMs),
              "the message comes on time" + Offset(seen.shownMs, expectedMs));
    }

    AppFolder folder;
    InstallerSession session;
};

void WindowAtStart() {
    Fixture f("window at start");
    if (!f.Start()) {
        return;
    }
    const LONG style = GetWindowLongW(f.session.Window(), GWL_STYLE);
    Check((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU) != 0 &&
              (style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) == 0,
          "fixed single border, close control, no minimize or maximize");
    Check(EnabledButtons(f.session).size() == 8, "every button enabled");
    Check(f.session.Focus() == f.session.ControlWindow(C::Command1), "focus on Windows XP");
    const Control tabOrder[] = {C::Command2, C::Command3, C::Command4, C::Command5,
                                C::Command6, C::Command7, C::Command8, C::Command1};
    bool inOrder = true;
    for (Control next : tabOrder) {
        f.session.Key(VK_TAB);
        Sleep(300);
        inOrder = inOrder && f.session.Focus() == f.session.ControlWindow(next);
    }
    Check(inOrder, "Tab visits the eight buttons in order");
}

void VersionInformation() {
    currentCase = "version";
    DWORD ignored = 0;
    std::string data(GetFileVersionInfoSizeW(settings.installer.c_str(), &ignored), '\0');
    GetFileVersionInfoW(settings.installer.c_str(), 0, static_cast<DWORD>(data.size()), &data[0]);
    const struct {
        const wchar_t* field;
        const wchar_t* value;
    } fields[] = {{L"FileVersion", L"1.00"},
                  {L"ProductVersion", L"1.00"},
                  {L"FileDescription", L"Installs the Velmora Mod"},
                  {L"ProductName", L"Velmora Mod Installer"},
                  {L"InternalName", L"Installer_32bit"},
                  {L"OriginalFilename", L"Installer_32bit.exe"},
                  {L"CompanyName", L"The Velmora Mod Team"}};
    for (const auto& field : fields) {
        wchar_t* value = nullptr;
        UINT length = 0;
        const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + field.field;
        const bool found = VerQueryValueW(data.data(), path.c_str(),
                                          reinterpret_cast<void**>(&value), &length) != FALSE;
        Check(found && std::wstring(value) == field.value, Narrow(field.field));
    }
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length);
    Check(fixed != nullptr && fixed->dwFileVersionMS == 0x10000 && fixed->dwFileVersionLS == 0 &&
              fixed->dwProductVersionMS == 0x10000 && fixed->dwProductVersionLS == 0,
          "numeric versions 1.0.0.0");
}

// A whole run in a folder with spaces and non-ASCII characters, started from another folder: an
// installer that outlives its message, input during the install, a clean-up that meets a file
// already gone and a read-only one, and Exit.
void TypicalRun() {
    Fixture f("typical run",
              settings.work + L"\\Velmora Mod \u00dcn\u00efc\u00f8d\u00e9 \u4e16\u754c");
    f.folder.Configure(L"XP_Installer.exe", 0, 4500);
    f.folder.Remove(L"xxmklink.exe");
    SetFileAttributesW(f.folder.Path(L"XP_Installer_2.exe").c_str(), FILE_ATTRIBUTE_READONLY);
    if (!f.Start()) {
        return;
    }
    const long long click = f.session.Click(C::Command1);
    Sleep(2500);
    Check(f.session.Focus() == f.session.ControlWindow(C::Command1), "focus stays on Windows XP");
    // Tab skips the disabled buttons to Windows XP Shortcut, Space presses it; a click on a
    // disabled button does nothing; Windows XP will be disabled by the time its turn comes.
    f.session.Key(VK_TAB);
    f.session.Key(VK_SPACE);
    f.session.MouseClick(C::Command2);
    f.session.MouseClick(C::Command7);
    f.session.MouseClick(C::Command1);
    MessageBoxSeen seen;
    Check(f.session.WaitForMessageBox(&seen, kActionMs) && seen.title == L"Installer" &&
              seen.text == L"Completed!",
          "\"Completed!\" from Installer");
    f.CheckMessageTime(seen, click + 5000);
    Check(f.session.BarPosition(C::ProgressBar1) == 100 && !f.session.Enabled(C::ProgressBar1),
          "the first bar stands at 100, disabled");
    auto launches = f.folder.WaitForLaunches(2);
    Check(launches.size() == 2, "two programs start");
    if (launches.size() == 2) {
        f.CheckLaunch(launches[0], L"extract_32bit.exe", click + 1000);
        f.CheckLaunch(launches[1], L"XP_Installer.exe", click + 1000);
    }
    f.session.PressOk(seen);
    Check(f.session.WaitForMessageBox(&seen, kActionMs) &&
              seen.text == L"Shortcut created on your desktop!",
          "then the key's shortcut runs");
    launches = f.folder.WaitForLaunches(3);
    Check(launches.size() == 3 && launches[2].Name() == L"XP_Installer_2.exe",
          "the shortcut program starts");
    f.session.PressOk(seen);
    Check(f.session.WaitForMessageBox(&seen, kActionMs) && seen.text == L"Files deleted!",
          "then the clicked clean-up, \"Files deleted!\"");
    Check(
        f.folder.Files() == std::vector<std::wstring>{L"Installer_32bit.exe", L"extract_32bit.exe"},
        "only the installer and the extractor are left");
    f.session.PressOk(seen);
    Sleep(1500);
    Check(!f.session.MessageBoxShowing() &&
              EnabledButtons(f.session) == std::set<Control>{C::Command8},
          "and nothing else: only Exit is enabled");
    Check(f.session.Focus() == f.session.ControlWindow(C::Command8), "with the focus");

    f.session.Key(VK_RETURN);
    Check(f.session.WaitForMessageBox(&seen, kActionMs) && seen.title == L"Velmora Mod Installer" &&
              seen.text == L"You can't change the universe, without repercussions.",
          "the farewell message");
    f.session.PressOk(seen);
    Check(f.session.WaitForEnd(10000) && f.session.ExitCode() == 0, "the program ends");
    AppFolder decoy(settings.work + L"\\decoy", settings.installer, settings.stub);
    Check(decoy.Launches().empty(), "nothing starts from the current directory");
}

void CloseControl() {
    Fixture f("close control");
    if (!f.Start()) {
        return;
    }
    f.session.Close();
    const bool ended = f.session.WaitForEnd(10000);
    Check(ended && f.session.ExitCode() == 0, "the program ends at once");
}

// BM_CLICK on a disabled button still sends its click.
void DisabledButtonDoesNothing() {
    Fixture f("disabled button");
    if (!f.Start()) {
        return;
    }
    MessageBoxSeen seen;
    if (!f.Run(C::Command1, &seen)) {
        return;
    }
    f.session.PressOk(seen);
    f.session.Click(C::Command2);
    f.session.Click(C::Command1);
    Sleep(2500);
    Check(!f.session.MessageBoxShowing(), "no message");
    Check(f.folder.WaitForLaunches(3).size() == 2, "nothing more starts");
}

// What fails is named, the program goes on, and the button stays for a retry.
void Failures() {
    Fixture f("failures");
    f.folder.Remove(L"Vista_7_Installer_2.exe");
    f.folder.Configure(L"XP_Installer_2.exe", 1, 0);
    if (!f.Start()) {
        return;
    }
    MessageBoxSeen seen;
    if (f.Run(C::Command5, &seen)) {
        Check(seen.title == L"Installer" && Contains(seen.text, L"\"Vista_7_Installer_2.exe\""),
              "a missing program is named: " + Narrow(seen.text));
        Check(f.session.BarPosition(C::ProgressBar2) == 50, "the bar stays where it stood");
        f.session.PressOk(seen);
        Check(f.session.Enabled(C::Command5) && !f.session.WaitForEnd(0),
              "the program goes on, its button enabled");
    }
    if (f.Run(C::Command4, &seen)) {
        Check(Contains(seen.text, L"XP_Installer_2.exe") && Contains(seen.text, L"exit code 1"),
              "a program that failed is named: " + Narrow(seen.text));
        f.session.PressOk(seen);
        Check(f.session.Enabled(C::Command4), "its button stays enabled");
    }
    UniqueHandle held(CreateFileW(f.folder.Path(L"desktoprefresh.exe").c_str(), GENERIC_READ, 0,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    if (!f.Run(C::Command7, &seen)) {
        return;
    }
    Check(Contains(seen.text, L"desktoprefresh.exe") && !Contains(seen.text, L"xxmklink.exe"),
          "a file in use is named: " + Narrow(seen.text));
    Check(
        f.folder.Files() == std::vector<std::wstring>{L"Installer_32bit.exe", L"desktoprefresh.exe",
                                                      L"extract_32bit.exe"},
        "the others are deleted");
    f.session.PressOk(seen);
    held.Reset();
    if (f.Run(C::Command7, &seen)) {
        Check(seen.text == L"Files deleted!", "the retry deletes it once released");
        f.session.PressOk(seen);
    }
}

// A broken download: Windows' text for it has an insert, filled with the program's name.
void NotAProgram() {
    Fixture f("installer not a program");
    f.folder.Remove(L"XP_Installer.exe");
    UniqueHandle file(CreateFileW(f.folder.Path(L"XP_Installer.exe").c_str(), GENERIC_WRITE, 0,
                                  nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.Get(), "not a program\r\n", 15, &written, nullptr);
    file.Reset();
    MessageBoxSeen seen;
    if (f.Start() && f.Run(C::Command1, &seen)) {
        Check(Contains(seen.text, L"XP_Installer.exe") && !Contains(seen.text, L"%"),
              "the reason names the program: " + Narrow(seen.text));
    }
}

void ShortcutFrom(const std::string& name, const std::wstring& directory) {
    Fixture f(name, directory);
    if (!f.Start()) {
        return;
    }
    MessageBoxSeen seen;
    long long click = 0;
    if (!f.Run(C::Command4, &seen, &click)) {
        return;
    }
    Check(seen.text == L"Shortcut created on your desktop!", "the shortcut message");
    const auto launches = f.folder.WaitForLaunches(2);
    Check(launches.size() == 1, "the shortcut program starts");
    if (launches.size() == 1) {
        f.CheckLaunch(launches[0], L"XP_Installer_2.exe", click + 1000);
    }
    f.session.PressOk(seen);
    if (f.Run(C::Command7, &seen)) {
        Check(seen.text == L"Files deleted!" &&
                  f.folder.Files() ==
                      std::vector<std::wstring>{L"Installer_32bit.exe", L"extract_32bit.exe"},
              "the clean-up deletes from the same folder");
        f.session.PressOk(seen);
    }
}

// Sets Wine's screen DPI for the programs started from now on, and puts 96 back.
class ScreenDpi {
  public:
    explicit ScreenDpi(DWORD dpi) { Set(dpi); }
    ~ScreenDpi() { Set(96); }

  private:
    static void Set(DWORD dpi) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
            RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                           sizeof dpi);
            RegCloseKey(key);
        }
    }
};

bool WithinOnePixel(int actual, int expected) {
    return actual >= expected - 1 && actual <= expected + 1;
}

// Whether a caption fits the control's box, measured in the font the layout was made for: every
// line, whole.
bool CaptionFits(const ControlLayout& row, const RECT& box, HDC dc, int dpi) {
    // A push button's frame takes a few pixels on each side.
    const bool button = row.kind == ControlKind::Button;
    const int width = box.right - box.left - (button ? 2 * MulDiv(3, dpi, 96) : 0);
    const int height = box.bottom - box.top - (button ? 2 * MulDiv(2, dpi, 96) : 0);
    RECT text = {0, 0, width, 0};
    DrawTextW(dc, row.caption, -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    return text.right <= width && text.bottom <= height;
}

bool Overlap(const RECT& a, const RECT& b) {
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
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

int Pixels(int twips, int dpi) {
    return (twips * dpi + 720) / 1440;
}

void LayoutAtDpi(int dpi) {
    ScreenDpi screen(static_cast<DWORD>(dpi));
    Fixture f("layout at " + std::to_string(dpi) + " DPI");
    if (!f.Start()) {
        return;
    }
    HWND window = f.session.Window();
    RECT client = {};
    GetClientRect(window, &client);
    Check(WithinOnePixel(client.right, Pixels(kClientTwips[0], dpi)) &&
              WithinOnePixel(client.bottom, Pixels(kClientTwips[1], dpi)),
          "client area " + std::to_string(client.right) + " x " + std::to_string(client.bottom));
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");
    HGDIOBJ previous = SelectObject(dc, font);
    RECT boxes[kControlCount] = {};
    int placed = 0;
    for (const ControlLayout& row : kLayout) {
        const int index = static_cast<int>(row.name);
        RECT& box = boxes[index];
        GetWindowRect(f.session.ControlWindow(row.name), &box);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&box), 2);
        // A label may be taller than its twips: it grows to its text.
        const int* twips = kBoxTwips[index];
        const int height = box.bottom - box.top;
        const int expected = Pixels(twips[3], dpi);
        placed += WithinOnePixel(box.left, Pixels(twips[0], dpi)) &&
                          WithinOnePixel(box.top, Pixels(twips[1], dpi)) &&
                          WithinOnePixel(box.right - box.left, Pixels(twips[2], dpi)) &&
                          (row.kind == ControlKind::Label ? height >= expected - 1
                                                          : WithinOnePixel(height, expected))
                      ? 1
                      : 0;
        if (row.caption[0] != L'\0') {
            Check(CaptionFits(row, box, dc, dpi), "caption fits: \"" + Narrow(row.caption) + "\"");
        }
    }
    SelectObject(dc, previous);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    Check(placed == kControlCount, "every control's box is its twips at this DPI");
    int overlaps = 0;
    for (int a = 0; a < kControlCount; ++a) {
        for (int b = a + 1; b < kControlCount; ++b) {
            overlaps += Overlap(boxes[a], boxes[b]) ? 1 : 0;
        }
    }
    Check(overlaps == 0, "no two controls overlap");
}

// Named like the DLLs that the installer, or Windows on its behalf, loads by name. Not planted:
// kernel32, user32, gdi32 and msvcrt, which Windows always takes from System32 (known DLLs), and
// imm32 and version, which user32 loads itself (Wine's user32 imports version.dll) as the process
// starts, before any code of the program runs; Windows takes imm32 from System32 too.
constexpr const wchar_t* kPlantedDlls[] = {L"comctl32", L"uxtheme", L"msimg32"};

// Wine's per-program DLL settings, for the programs started from now on. Told to prefer native
// DLLs ("native,builtin"), Wine would load a plant; told "", it loads none of that name.
// (WINEDLLOVERRIDES set here would not reach the programs: Wine reads it from the environment it
// was started with.)
class DllOverrides {
  public:
    DllOverrides(std::vector<std::wstring> programs, std::vector<const wchar_t*> dlls,
                 const std::wstring& order)
        : programs_(std::move(programs)) {
        for (const std::wstring& program : programs_) {
            HKEY key = nullptr;
            if (RegCreateKeyExW(HKEY_CURRENT_USER, KeyOf(program).c_str(), 0, nullptr, 0,
                                KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
                continue;
            }
            for (const wchar_t* dll : dlls) {
                RegSetValueExW(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(order.c_str()),
                               static_cast<DWORD>((order.size() + 1) * sizeof(wchar_t)));
            }
            RegCloseKey(key);
        }
    }
    ~DllOverrides() {
        for (const std::wstring& program : programs_) {
            RegDeleteKeyW(HKEY_CURRENT_USER, KeyOf(program).c_str());
            RegDeleteKeyW(HKEY_CURRENT_USER, (L"Software\\Wine\\AppDefaults\\" + program).c_str());
        }
    }

  private:
    static std::wstring KeyOf(const std::wstring& program) {
        return L"Software\\Wine\\AppDefaults\\" + program + L"\\DllOverrides";
    }
    std::vector<std::wstring> programs_;
};

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void PlantedDlls() {
    Fixture f("planted DLLs");
    for (const wchar_t* dll : kPlantedDlls) {
        CopyFileW((settings.build + L"\\planted_dll.dll").c_str(),
                  f.folder.Path(std::wstring(dll) + L".dll").c_str(), FALSE);
    }
    DllOverrides preferNative({L"Installer_32bit.exe", L"plant_control.exe"},
                              {std::begin(kPlantedDlls), std::end(kPlantedDlls)},
                              L"native,builtin");
    if (f.Start()) {
        MessageBoxSeen seen;
        if (f.Run(C::Command4, &seen)) {
            f.session.PressOk(seen);
        }
        f.session.Close();
        f.session.WaitForEnd(10000);
    }
    Check(!Exists(f.folder.Path(L"planted.log")), "no DLL planted beside the installer loads");

    const std::wstring control = f.folder.Path(L"plant_control.exe");
    CopyFileW((settings.build + L"\\plant_control.exe").c_str(), control.c_str(), FALSE);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(control.c_str(), nullptr, nullptr, nullptr, FALSE, 0, nullptr,
                       f.folder.Directory().c_str(), &startup, &info)) {
        WaitForSingleObject(info.hProcess, 60000);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    Check(Exists(f.folder.Path(L"planted.log")),
          "a program without the safe search does load the plant there");
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
    Check(f.session.Launch(f.folder.Path(L"Installer_32bit.exe"), f.folder.Directory()) &&
              f.session.WaitForMessageBox(&seen, kStartMs),
          "an error is shown");
    Sleep(1000);
    Check(f.session.MessageBoxShowing(), "it stays until OK is pressed");
    Check(seen.title == L"Velmora Mod Installer" &&
              Contains(seen.text, L"The installer window could not be created.\n\n") &&
              Contains(seen.text, L"denied"),
          "it gives the reason of the step that failed: " + Narrow(seen.text));
    f.session.PressOk(seen);
    Check(f.session.WaitForEnd(10000) && f.session.ExitCode() == 1, "then the program ends");
    UnhookWindowsHookEx(hook);
}

// Enter presses the focused button, however the focus got there; Escape does nothing.
void Keyboard() {
    Fixture f("keyboard");
    if (!f.Start()) {
        return;
    }
    MessageBoxSeen seen;
    f.session.Key(VK_RETURN);
    Check(f.session.WaitForMessageBox(&seen, kActionMs) && seen.text == L"Completed!",
          "Enter at start installs for Windows XP");
    f.session.PressOk(seen);
    Check(f.session.Focus() == f.session.ControlWindow(C::Command4),
          "the focus moves on to Windows XP Shortcut");
    f.session.Key(VK_RETURN);
    Check(f.session.WaitForMessageBox(&seen, kActionMs) &&
              seen.text == L"Shortcut created on your desktop!",
          "Enter there creates the shortcut");
    f.session.PressOk(seen);
    f.session.Key(VK_ESCAPE);
    Sleep(1500);
    Check(!f.session.MessageBoxShowing() && !f.session.WaitForEnd(0) &&
              f.folder.WaitForLaunches(4).size() == 3,
          "Escape does nothing");
}

// One installer per folder: a second start brings the first forward; another folder has its own.
void SecondCopy() {
    Fixture first("second copy");
    Fixture other("second copy, another folder");
    currentCase = "second copy";
    if (!first.Start() || !other.Start()) {
        return;
    }
    Check(!first.session.WaitForEnd(0) && !other.session.WaitForEnd(0),
          "two folders, two installers");
    InstallerSession again;
    const bool quiet =
        again.Launch(first.folder.Path(L"Installer_32bit.exe"), first.folder.Directory()) &&
        again.WaitForEnd(kStartMs) && again.ExitCode() == 0;
    Check(quiet, "a second start from the same folder ends quietly");
    Check(GetForegroundWindow() == first.session.Window(),
          "and brings that folder's window to the front");
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: e2e_driver BUILD_DIR WORK_DIR [DRIVE_ROOT]\n");
        return 2;
    }
    const std::wstring build = argv[1];
    settings = {build, build + L"\\Installer_32bit.exe", build + L"\\companion_stub.exe", argv[2],
                argc > 3 ? argv[3] : L""};
    CreateDirectoryW(settings.work.c_str(), nullptr);
    AppFolder decoy(settings.work + L"\\decoy", settings.installer, settings.stub);

    WindowAtStart();
    for (int dpi : {96, 120, 144, 168, 192}) {
        LayoutAtDpi(dpi);
    }
    VersionInformation();
    TypicalRun();
    Keyboard();
    SecondCopy();
    WindowCannotBeCreated();
    CloseControl();
    DisabledButtonDoesNothing();
    Failures();
    NotAProgram();
    if (!settings.driveRoot.empty()) {
        ShortcutFrom("drive root", settings.driveRoot);
    }
    // The installer's path within MAX_PATH, Vista_7_Installer_2.exe's beyond it.
    const std::wstring longName = L"Velmora Mod Installer with a long folder name ";
    std::wstring longDirectory = settings.work + L"\\" + longName;
    longDirectory.resize(237, L'x');
    ShortcutFrom("folder of " + std::to_string(longDirectory.size()) + " characters",
                 longDirectory);
    PlantedDlls();
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
