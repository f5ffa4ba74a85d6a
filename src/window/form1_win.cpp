#include "host/windows_win.h"
#include <commctrl.h>

#include "host/folder_mark_win.h"
#include "host/win32_host_win.h"
#include "resources/version.h"
#include "window/click_queue.h"
#include "window/layout.h"

namespace {

constexpr wchar_t kClassName[] = L"VelmoraModInstallerForm1";
// The click queue's entry for the close control, after the buttons' indexes.
constexpr uint8_t kCloseCommand = 0xFF;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
// The layout was made for the classic 8-point dialog font; a larger font breaks its boxes.
constexpr int kFontPoints = 8;
// The taskbar's message for a window's system menu (a right-click on its button; from Windows 7,
// Shift+right-click).
constexpr UINT kPopupSystemMenu = 0x313;
// WM_DPICHANGED: the window moved to a monitor of another scale, or the scale changed.
constexpr UINT kDpiChanged = 0x02E0;
// WM_GETDPISCALEDSIZE: the window's size at the DPI it is about to take, asked before
// WM_DPICHANGED.
constexpr UINT kGetDpiScaledSize = 0x02E4;

// The DPI of the window's monitor, and the frame for a DPI, from Windows 10 1607. Loaded by name,
// so that the imports stay those of Windows XP.
struct PerMonitorDpi {
    UINT(WINAPI* forWindow)(HWND);
    BOOL(WINAPI* adjustWindowRect)(RECT*, DWORD, BOOL, DWORD, UINT);
};

PerMonitorDpi LoadPerMonitorDpi() {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return {reinterpret_cast<UINT(WINAPI*)(HWND)>(
                reinterpret_cast<void (*)()>(GetProcAddress(user32, "GetDpiForWindow"))),
            reinterpret_cast<BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT)>(
                reinterpret_cast<void (*)()>(GetProcAddress(user32, "AdjustWindowRectExForDpi")))};
}

struct ControlClass {
    const wchar_t* name;
    DWORD style;
};

ControlClass ClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
            // Multi-line: "Windows Vista Shortcut" does not fit on one line of its button.
            // Notifying: the default frame goes with the focus.
            return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE | BS_NOTIFY};
        case ControlKind::ProgressBar:
            return {PROGRESS_CLASSW, 0};
        case ControlKind::Label:
            break;
    }
    return {L"STATIC", SS_LEFT | SS_NOPREFIX};
}

class Form1 {
  public:
    bool BringForwardOtherCopy();
    bool Create(HINSTANCE instance, int showCommand);
    // Why Create failed: the code of the step that failed, or 0 where Windows gave none.
    SystemError CreateError() const { return createError_; }
    int Run();

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    bool CreateUnderLabel(const ControlLayout& row);
    bool Created(const ControlLayout& row) const;
    bool CreateControl(const ControlLayout& row);
    void LayOut(int dpi);
    void OnDpiChanged(int dpi, const RECT& suggested);
    BOOL OnGetDpiScaledSize(int dpi, SIZE* size) const;
    RECT FrameAt(int dpi) const;
    HICON LoadAppIcon(int metric, int dpi) const;
    void OnCommand(int id, int code);
    LRESULT OnFrameInput(UINT message, WPARAM wParam, LPARAM lParam);
    void OnRelease(LPARAM lParam);
    void QueueClose();
    void OnActivate(WPARAM state);
    void RunCommand(uint8_t command);
    void FocusUsableControl();
    void ShowDefaultFrame(HWND focus);
    int LabelHeight(const ControlLayout& row, int width, HFONT font);

    HWND window_ = nullptr;
    HWND focus_ = nullptr;
    bool closePressed_ = false;  // held off during an action, and captured until its release
    SystemError createError_ = kSuccess;
    FolderMark folderMark_;
    HINSTANCE instance_ = nullptr;
    PerMonitorDpi perMonitor_ = {};
    int systemDpi_ = 96;  // the screen's at start, which the system's metrics are for
    int dpi_ = 96;        // the window's
    UniqueFont font_;
    UniqueIcon smallIcon_;
    UniqueIcon largeIcon_;
    Win32Host host_;
    ClickQueue clicks_;
};

// Another installer already runs from this folder: it is brought to the front instead.
bool Form1::BringForwardOtherCopy() {
    HWND other = nullptr;
    if (!folderMark_.HeldByOther(host_.ApplicationDirectory(), kClassName, &other)) {
        return false;
    }
    if (other == nullptr) {
        // It is showing why it could not start, or closing; or another program holds the name.
        MessageBoxW(nullptr, L"The installer is already running from this folder.", kProductName,
                    MB_OK | MB_ICONINFORMATION);
        return true;
    }
    // Asynchronously: the other copy may not be answering, and nothing here may wait for it.
    if (IsIconic(other)) {
        ShowWindowAsync(other, SW_RESTORE);
    }
    // Its message box, if one is open, rather than the window it disables.
    SetForegroundWindow(GetLastActivePopup(other));
    return true;
}

bool Form1::Create(HINSTANCE instance, int showCommand) {
    instance_ = instance;
    perMonitor_ = LoadPerMonitorDpi();
    HDC screen = GetDC(nullptr);
    if (screen != nullptr) {
        systemDpi_ = dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(APP_ICON_ID));
    windowClass.hIconSm = LoadAppIcon(SM_CXSMICON, dpi_);
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) {
        createError_ = GetLastError();
        return false;
    }

    const RECT frame = FrameAt(dpi_);
    if (CreateWindowExW(0, kClassName, kProductName, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                        instance, this) == nullptr) {
        // The step inside WM_CREATE that failed has said why; the window's end since may not.
        if (createError_ == kSuccess) {
            createError_ = GetLastError();
        }
        return false;
    }
    // Where Windows gives the window a DPI of its own, it is laid out at that one.
    const int own = perMonitor_.forWindow != nullptr ? perMonitor_.forWindow(window_) : 0;
    if (own != 0 && own != dpi_) {
        RECT placed = {};
        GetWindowRect(window_, &placed);
        const RECT ownFrame = FrameAt(own);
        OnDpiChanged(own, {placed.left, placed.top, placed.left + ownFrame.right - ownFrame.left,
                           placed.top + ownFrame.bottom - ownFrame.top});
    }
    folderMark_.Mark(window_);
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    return true;
}

int Form1::Run() {
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchDialogMessage(window_, msg);
    }
    return static_cast<int>(msg.wParam);
}

LRESULT CALLBACK Form1::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<Form1*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        form->window_ = window;
        form->host_.SetWindow(window);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    auto* form = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return form->HandleMessage(message, wParam, lParam);
}

LRESULT Form1::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            return OnCreate() ? 0 : -1;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_ACTIVATE:
            OnActivate(wParam);
            return 0;
        case kDpiChanged:
            OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        case kGetDpiScaledSize:
            return OnGetDpiScaledSize(static_cast<int>(wParam), reinterpret_cast<SIZE*>(lParam));
        case WM_SYSCOMMAND:
        case WM_NCLBUTTONDOWN:
        case WM_NCLBUTTONDBLCLK:
        case WM_NCRBUTTONDOWN:
        case WM_NCRBUTTONUP:
        case WM_CONTEXTMENU:
        case kPopupSystemMenu:
            return OnFrameInput(message, wParam, lParam);
        case WM_LBUTTONUP:
            OnRelease(lParam);
            return 0;
        case WM_CAPTURECHANGED:
            closePressed_ = false;
            return 0;
        case WM_CLOSE:
            QueueClose();
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

// Creates the controls in TabIndex order, so that Tab visits them in that order. A screen reader
// names a control without text of its own after the static text just before it: each label comes
// just before the first control under it, and each progress bar just after its label (bars take
// no part in Tab).
bool Form1::OnCreate() {
    for (int tabIndex = 0; tabIndex < kControlCount; ++tabIndex) {
        for (const ControlLayout& row : kLayout) {
            if (row.tabIndex == tabIndex && row.kind != ControlKind::Label &&
                !CreateUnderLabel(row)) {
                return false;
            }
        }
    }
    focus_ = GetDlgItem(window_, ControlId(Control::Command1));
    LayOut(dpi_);
    return true;
}

// Creates a control, after its label and that label's bars where they are not there yet.
bool Form1::CreateUnderLabel(const ControlLayout& row) {
    const ControlLayout* label = &row;
    while (label->kind != ControlKind::Label) {
        --label;  // the first row is a label
    }
    if (!Created(*label)) {
        if (!CreateControl(*label)) {
            return false;
        }
        for (const ControlLayout* bar = label + 1;
             bar != kLayout + kControlCount && bar->kind != ControlKind::Label; ++bar) {
            if (bar->kind == ControlKind::ProgressBar && !CreateControl(*bar)) {
                return false;
            }
        }
    }
    return Created(row) || CreateControl(row);
}

bool Form1::Created(const ControlLayout& row) const {
    return GetDlgItem(window_, ControlId(row.name)) != nullptr;
}

// Placed, with its font, by LayOut.
bool Form1::CreateControl(const ControlLayout& row) {
    const ControlClass controlClass = ClassOf(row.kind);
    HWND control = CreateWindowExW(
        0, controlClass.name, row.caption, WS_CHILD | WS_VISIBLE | controlClass.style, 0, 0, 0, 0,
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(row.name))), nullptr,
        nullptr);
    if (control == nullptr) {
        createError_ = GetLastError();
        return false;
    }
    if (row.kind == ControlKind::ProgressBar) {
        SendMessageW(control, PBM_SETRANGE32, 0, kProgressMaximum);
    }
    return true;
}

// Lays the window out at `dpi`, at start and on each change of DPI: the dialog font made for it,
// and every control placed from the layout table, each label grown to its text in that font.
void Form1::LayOut(int dpi) {
    dpi_ = dpi;
    UniqueFont font(CreateFontW(-MulDiv(kFontPoints, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                                FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg"));
    for (const ControlLayout& row : kLayout) {
        HWND control = GetDlgItem(window_, ControlId(row.name));
        const int width = TwipsToPixels(row.width, dpi);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font.Get()), FALSE);
        SetWindowPos(control, nullptr, TwipsToPixels(row.left, dpi), TwipsToPixels(row.top, dpi),
                     width,
                     row.kind == ControlKind::Label ? LabelHeight(row, width, font.Get())
                                                    : TwipsToPixels(row.height, dpi),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    font_.Replace(font);
    InvalidateRect(window_, nullptr, TRUE);
}

// Moved to a monitor of another scale, or the scale changed: laid out anew at that DPI, with icons
// of its sizes, where Windows suggests.
void Form1::OnDpiChanged(int dpi, const RECT& suggested) {
    LayOut(dpi);
    UniqueIcon smallIcon(LoadAppIcon(SM_CXSMICON, dpi));
    UniqueIcon largeIcon(LoadAppIcon(SM_CXICON, dpi));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon.Get()));
    smallIcon_.Replace(smallIcon);
    largeIcon_.Replace(largeIcon);
    SetWindowPos(window_, nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Windows would scale the whole window linearly, and the title bar does not scale so: the frame
// that holds the layout's client area at the new DPI instead.
BOOL Form1::OnGetDpiScaledSize(int dpi, SIZE* size) const {
    const RECT frame = FrameAt(dpi);
    size->cx = frame.right - frame.left;
    size->cy = frame.bottom - frame.top;
    return TRUE;
}

// The window's rectangle around the layout's client area at this DPI.
RECT Form1::FrameAt(int dpi) const {
    RECT frame = {0, 0, TwipsToPixels(kClientWidthTwips, dpi),
                  TwipsToPixels(kClientHeightTwips, dpi)};
    if (perMonitor_.adjustWindowRect != nullptr) {
        perMonitor_.adjustWindowRect(&frame, kStyle, FALSE, 0, static_cast<UINT>(dpi));
    } else {
        AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    }
    return frame;
}

// The program's icon at the size of a system metric (SM_CXSMICON, SM_CXICON) scaled to this DPI.
HICON Form1::LoadAppIcon(int metric, int dpi) const {
    const int size = MulDiv(GetSystemMetrics(metric), dpi, systemDpi_);
    return static_cast<HICON>(
        LoadImageW(instance_, MAKEINTRESOURCEW(APP_ICON_ID), IMAGE_ICON, size, size, 0));
}

void Form1::OnCommand(int id, int code) {
    const int index = id - kFirstControlId;
    if (index < 0 || index >= kControlCount || kLayout[index].onClick == nullptr) {
        return;
    }
    if (code == BN_SETFOCUS) {
        ShowDefaultFrame(GetDlgItem(window_, id));
    } else if (code == BN_CLICKED) {
        clicks_.Click(static_cast<uint8_t>(index),
                      [this](uint8_t command) { RunCommand(command); });
    }
}

// The system menu (also through a right-click on the title bar or the taskbar), moving the window
// and a held press on the close control (a double-click is a press too) run loops of their own,
// which would hold a running action until they end: while one runs, none starts. A close still
// counts and waits in the queue: a close command, or a press on the close control that is released
// on it (see OnRelease). The rest goes on as ever: the taskbar must still restore a window
// minimized meanwhile.
LRESULT Form1::OnFrameInput(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!clicks_.Running()) {
        return DefWindowProcW(window_, message, wParam, lParam);
    }
    const WPARAM command = wParam & 0xFFF0;
    if (message == WM_SYSCOMMAND && command == SC_CLOSE) {
        QueueClose();
    } else if (message == WM_SYSCOMMAND && command != SC_MOVE && command != SC_SIZE &&
               command != SC_KEYMENU && command != SC_MOUSEMENU) {
        return DefWindowProcW(window_, message, wParam, lParam);
    } else if ((message == WM_NCLBUTTONDOWN || message == WM_NCLBUTTONDBLCLK) &&
               wParam == HTCLOSE) {
        // Captured, so that its release comes here wherever the pointer is let go.
        SetCapture(window_);
        closePressed_ = true;
    }
    return 0;
}

// The release of a close press held off during an action: as Windows closes, only where it is let
// go over the close control, also once the action has ended. Letting go of the capture forgets the
// press, and so does losing it.
void Form1::OnRelease(LPARAM lParam) {
    if (!closePressed_) {
        return;
    }
    POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(window_, &point);
    const bool onClose =
        DefWindowProcW(window_, WM_NCHITTEST, 0, MAKELPARAM(point.x, point.y)) == HTCLOSE;
    ReleaseCapture();
    if (onClose) {
        QueueClose();
    }
}

void Form1::QueueClose() {
    clicks_.Click(kCloseCommand, [this](uint8_t command) { RunCommand(command); });
}

// Keyboard focus leaves with the activation (a message box) and comes back to the same button.
void Form1::OnActivate(WPARAM state) {
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window_, focus)) {
            focus_ = focus;
        }
        return;
    }
    FocusUsableControl();
}

void Form1::RunCommand(uint8_t command) {
    if (command == kCloseCommand) {
        DestroyWindow(window_);
        return;
    }
    const ControlLayout& row = kLayout[command];
    // A click that queued up, or came from an automation tool, after its button was disabled.
    if (!IsWindowEnabled(GetDlgItem(window_, ControlId(row.name)))) {
        return;
    }
    row.onClick(host_);
    FocusUsableControl();
}

// A label grows to its wrapped text where the font at this DPI needs more height than the layout
// gave it (the first instruction's two lines at 175 %), but never into the control below it.
int Form1::LabelHeight(const ControlLayout& row, int width, HFONT font) {
    const int height = TwipsToPixels(row.height, dpi_);
    HDC dc = GetDC(window_);
    if (dc == nullptr) {
        return height;
    }
    HGDIOBJ previous = SelectObject(dc, font);
    RECT text = {0, 0, width, 0};
    DrawTextW(dc, row.caption, -1, &text, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(window_, dc);
    const int room =
        TwipsToPixels(row.top + RoomBelow(row.name), dpi_) - TwipsToPixels(row.top, dpi_);
    if (text.bottom <= height) {
        return height;
    }
    return text.bottom < room ? text.bottom : room;
}

// A disabled button loses the focus; hand it on to the next button in Tab order.
void Form1::FocusUsableControl() {
    if (focus_ == nullptr || !IsWindowEnabled(focus_)) {
        focus_ = GetNextDlgTabItem(window_, focus_, FALSE);
    }
    if (focus_ != nullptr && GetActiveWindow() == window_) {
        SetFocus(focus_);
    }
}

// The default frame goes with the focus, as in a dialog. It never stays on a disabled button: the
// host hands the focus on from a button that it disables.
void Form1::ShowDefaultFrame(HWND focus) {
    for (const ControlLayout& row : kLayout) {
        if (row.kind != ControlKind::Button) {
            continue;
        }
        HWND button = GetDlgItem(window_, ControlId(row.name));
        const LONG type = button == focus ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        // Only a change, so that the buttons are not drawn again for nothing.
        if ((GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) != type) {
            SendMessageW(button, BM_SETSTYLE, type, TRUE);
        }
    }
}

// The common controls are loaded here, once DLLs come from System32 only, not imported: loading
// them loads the theme DLL by name.
void RegisterProgressBarClass() {
    using InitCommonControlsExFunction = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initCommonControlsEx =
        reinterpret_cast<InitCommonControlsExFunction>(reinterpret_cast<void (*)()>(
            GetProcAddress(LoadLibraryW(L"comctl32.dll"), "InitCommonControlsEx")));
    const INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    if (initCommonControlsEx != nullptr) {
        initCommonControlsEx(&controls);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    RestrictDllSearchToSystem32();
    Form1 form;
    if (form.BringForwardOtherCopy()) {
        return 0;
    }
    RegisterProgressBarClass();
    if (!form.Create(instance, showCommand)) {
        TextBuffer<640> message;
        TextWriter writer = message.Writer();
        writer.Append(L"The installer window could not be created.");
        if (form.CreateError() != kSuccess) {
            wchar_t reason[512];
            DescribeSystemError(form.CreateError(), reason, sizeof reason / sizeof reason[0]);
            writer.Append(L"\n\n").AppendFilled(reason, kProductName);
        }
        // The window's end has asked the message loop to quit, and a message box that sees that
        // closes before anyone can read it.
        MSG quit;
        PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        MessageBoxW(nullptr, message.text, kProductName, MB_OK | MB_ICONERROR);
        return 1;
    }
    return form.Run();
}
