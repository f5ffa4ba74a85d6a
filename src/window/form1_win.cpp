#include "host/windows_win.h"
#include <commctrl.h>

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

struct ControlClass {
    const wchar_t* name;
    DWORD style;
};

ControlClass ClassOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Button:
            // Multi-line: "Windows Vista Shortcut" does not fit on one line of its button.
            return {L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE};
        case ControlKind::ProgressBar:
            return {PROGRESS_CLASSW, 0};
        case ControlKind::Label:
            break;
    }
    return {L"STATIC", SS_LEFT | SS_NOPREFIX};
}

class Form1 {
  public:
    bool Create(HINSTANCE instance, int showCommand);
    int Run();

  private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    bool OnCreate();
    void OnCommand(int id, int code);
    void OnActivate(WPARAM state);
    void RunCommand(uint8_t command);
    void FocusUsableControl();

    HWND window_ = nullptr;
    HWND focus_ = nullptr;
    int dpi_ = 96;  // until the screen says otherwise
    UniqueGdiObject<HFONT> font_;
    Win32Host host_;
    ClickQueue clicks_;
};

bool Form1::Create(HINSTANCE instance, int showCommand) {
    HDC screen = GetDC(nullptr);
    if (screen != nullptr) {
        dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    font_.Reset(CreateFontW(-MulDiv(kFontPoints, dpi_, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                            DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg"));

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(APP_ICON_ID));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(APP_ICON_ID),
                                                        IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExW(&windowClass)) {
        return false;
    }

    RECT frame = {0, 0, TwipsToPixels(kClientWidthTwips, dpi_),
                  TwipsToPixels(kClientHeightTwips, dpi_)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, 0);
    if (CreateWindowExW(0, kClassName, kProductName, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                        instance, this) == nullptr) {
        return false;
    }
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
    return true;
}

int Form1::Run() {
    MSG msg = {};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        // The dialog manager gives the window Tab and Shift+Tab between its buttons.
        if (!IsDialogMessageW(window_, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
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
        case WM_CLOSE:
            clicks_.Click(kCloseCommand, [this](uint8_t command) { RunCommand(command); });
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

// Creates the controls in TabIndex order, so that Tab visits them in that order.
bool Form1::OnCreate() {
    for (int tabIndex = 0; tabIndex < kControlCount; ++tabIndex) {
        for (const ControlLayout& row : kLayout) {
            if (row.tabIndex != tabIndex) {
                continue;
            }
            const ControlClass controlClass = ClassOf(row.kind);
            HWND control = CreateWindowExW(
                0, controlClass.name, row.caption, WS_CHILD | WS_VISIBLE | controlClass.style,
                TwipsToPixels(row.left, dpi_), TwipsToPixels(row.top, dpi_),
                TwipsToPixels(row.width, dpi_), TwipsToPixels(row.height, dpi_), window_,
                reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlId(row.name))), nullptr,
                nullptr);
            if (control == nullptr) {
                return false;
            }
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
            if (row.kind == ControlKind::ProgressBar) {
                SendMessageW(control, PBM_SETRANGE32, 0, kProgressMaximum);
            }
        }
    }
    focus_ = GetDlgItem(window_, ControlId(Control::Command1));
    return true;
}

void Form1::OnCommand(int id, int code) {
    const int index = id - kFirstControlId;
    if (code != BN_CLICKED || index < 0 || index >= kControlCount ||
        kLayout[index].onClick == nullptr) {
        return;
    }
    clicks_.Click(static_cast<uint8_t>(index), [this](uint8_t command) { RunCommand(command); });
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

// A disabled button loses the focus; hand it on to the next button in Tab order.
void Form1::FocusUsableControl() {
    if (focus_ == nullptr || !IsWindowEnabled(focus_)) {
        focus_ = GetNextDlgTabItem(window_, focus_, FALSE);
    }
    if (focus_ != nullptr && GetActiveWindow() == window_) {
        SetFocus(focus_);
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
    RegisterProgressBarClass();
    Form1 form;
    if (!form.Create(instance, showCommand)) {
        const SystemError error = GetLastError();
        TextBuffer<640> message;
        TextWriter writer = message.Writer();
        writer.Append(L"The installer window could not be created.\n\n");
        wchar_t reason[512];
        DescribeSystemError(error, reason, sizeof reason / sizeof reason[0]);
        writer.Append(reason);
        MessageBoxW(nullptr, message.text, kProductName, MB_OK | MB_ICONERROR);
        return 1;
    }
    return form.Run();
}
