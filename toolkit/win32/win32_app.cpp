// The application object: the main window, the event loop with its keyboard handling, the notice
// box and the error display, message pumping for the waits, the cursor, and the close that waits
// for an operation to end.
#include <algorithm>
#include <cstring>

#include "toolkit/win32/win32_window.h"

#include <commctrl.h>

namespace toolkit::win32 {

Win32App* Win32App::current_ = nullptr;

namespace {

// Counts an operation or a box as under way while it lives.
class Busy {
  public:
    Busy(int& count, std::function<void()> onEnd) : count_(count), onEnd_(std::move(onEnd)) {
        ++count_;
    }
    ~Busy() {
        --count_;
        onEnd_();
    }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

  private:
    int& count_;
    std::function<void()> onEnd_;
};

std::wstring Copy(std::wstring_view text) {
    return std::wstring(text);
}

}  // namespace

Win32App::Win32App(HINSTANCE instance) : instance_(instance) {
    current_ = this;
    factory_ = MakeFactory(*this);
}

Win32App::~Win32App() {
    DestroyMainWindow();
    for (auto& [description, font] : fonts_) {
        DeleteObject(font);
    }
    if (skinBrush_ != nullptr) {
        DeleteObject(skinBrush_);
    }
    if (skinBitmap_ != nullptr) {
        DeleteObject(skinBitmap_);
    }
    if (current_ == this) {
        current_ = nullptr;
    }
}

void Win32App::Initialize() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    HDC screen = GetDC(nullptr);
    dpi_ = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    if (dpi_ <= 0) {
        dpi_ = 96;
    }
}

Factory& Win32App::ControlFactory() {
    return *factory_;
}

void Win32App::CreateMainWindow(std::wstring_view className, std::wstring_view caption,
                                int clientWidth, int clientHeight) {
    std::wstring name = Copy(className);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = MainProc;
    wc.hInstance = instance_;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = static_cast<HICON>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, L"MAINICON", IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    wc.lpszClassName = name.c_str();
    if (RegisterClassExW(&wc) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw Exception(L"");
    }

    // Fixed single border; the title bar keeps the system menu, minimise, maximise and close.
    DWORD style =
        WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
    DWORD exStyle = WS_EX_CONTROLPARENT | (onTaskBar_ ? WS_EX_APPWINDOW : 0);
    RECT frame{0, 0, Scale(clientWidth), Scale(clientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    // Centred on the screen when first shown.
    int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    std::wstring title = Copy(caption);
    main_ = CreateWindowExW(exStyle, name.c_str(), title.c_str(), style, x, y, width, height,
                            nullptr, nullptr, instance_, this);
    if (main_ == nullptr) {
        throw Exception(L"");
    }
    CreateSkin(Scale(clientWidth), Scale(clientHeight));
}

void Win32App::CreateSkin(int width, int height) {
    skinBitmap_ = CreateMetalBitmap(width, height);
    skinBrush_ =
        skinBitmap_ != nullptr ? CreatePatternBrush(skinBitmap_) : GetSysColorBrush(COLOR_BTNFACE);
}

HBRUSH Win32App::BackgroundBrush(HDC dc, HWND window) const {
    POINT origin{0, 0};
    if (window != nullptr && main_ != nullptr && window != main_) {
        MapWindowPoints(window, main_, &origin, 1);
    }
    SetBrushOrgEx(dc, -origin.x, -origin.y, nullptr);
    return skinBrush_;
}

HFONT Win32App::Font(const LOGFONTW& font) {
    for (auto& [description, handle] : fonts_) {
        if (std::memcmp(&description, &font, sizeof(font)) == 0) {
            return handle;
        }
    }
    HFONT handle = CreateFontIndirectW(&font);
    fonts_.emplace_back(font, handle);
    return handle;
}

void Win32App::Register(Window* window) {
    windows_.push_back(window);
}

void Win32App::Unregister(Window* window) {
    windows_.erase(std::remove(windows_.begin(), windows_.end(), window), windows_.end());
}

void Win32App::Run() {
    if (main_ == nullptr) {
        return;
    }
    ShowWindow(main_, SW_SHOWNORMAL);
    UpdateWindow(main_);
    SetForegroundWindow(main_);
    std::vector<Window*> order = TabSequence();
    if (!order.empty()) {
        SetFocus(order.front()->Handle());
        order.front()->FocusedByTab();
    }
    // Until the quit message itself comes out of the queue: one left behind would end the next
    // modal loop of this thread at once.
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        Dispatch(msg);
    }
    terminated_ = true;
}

void Win32App::DestroyMainWindow() {
    if (main_ != nullptr && IsWindow(main_)) {
        DestroyWindow(main_);
    }
    main_ = nullptr;
}

void Win32App::Dispatch(MSG& msg) {
    if (PreTranslate(msg)) {
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

// Tab and Shift+Tab move the focus in the layout's tab order, in place of a dialog manager.
bool Win32App::PreTranslate(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || main_ == nullptr) {
        return false;
    }
    if (msg.hwnd != main_ && !IsChild(main_, msg.hwnd)) {
        return false;
    }
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) {
        return false;
    }
    MoveFocus(GetKeyState(VK_SHIFT) >= 0);
    return true;
}

std::vector<Window*> Win32App::TabSequence() const {
    std::vector<Window*> order;
    auto add = [&](auto& self, Window* parent) -> void {
        std::vector<Window*> siblings;
        for (Window* w : windows_) {
            if (w->Parent() == parent && w->TabOrder() >= 0) {
                siblings.push_back(w);
            }
        }
        std::stable_sort(siblings.begin(), siblings.end(),
                         [](Window* a, Window* b) { return a->TabOrder() < b->TabOrder(); });
        for (Window* w : siblings) {
            if (!IsWindowVisible(w->Handle()) || !IsWindowEnabled(w->Handle())) {
                continue;
            }
            if (w->IsContainer()) {
                self(self, w);  // a container takes no focus; its controls do
            } else {
                order.push_back(w);
            }
        }
    };
    add(add, nullptr);
    return order;
}

void Win32App::MoveFocus(bool forward) {
    std::vector<Window*> order = TabSequence();
    if (order.empty()) {
        return;
    }
    Window* current = Window::Owning(GetFocus());
    auto at = std::find(order.begin(), order.end(), current);
    std::size_t next = 0;
    if (at == order.end()) {
        next = forward ? 0 : order.size() - 1;
    } else {
        auto index = static_cast<std::size_t>(at - order.begin());
        next = forward ? (index + 1) % order.size() : (index + order.size() - 1) % order.size();
    }
    if (current != nullptr) {
        SendMessageW(current->Handle(), CB_SHOWDROPDOWN, FALSE, 0);  // harmless on non-combos
    }
    SetFocus(order[next]->Handle());
    order[next]->FocusedByTab();
}

LRESULT CALLBACK Win32App::MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* app = reinterpret_cast<Win32App*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (app == nullptr || (app->main_ != nullptr && app->main_ != hwnd)) {
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    if (app->main_ == nullptr) {
        app->main_ = hwnd;
    }
    return app->HandleMain(msg, wParam, lParam);
}

LRESULT Win32App::HandleMain(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (RouteToControl(msg, wParam, lParam, result)) {
        return result;
    }
    switch (msg) {
        case WM_ERASEBKGND:
        case WM_PRINTCLIENT: {
            auto dc = reinterpret_cast<HDC>(wParam);
            RECT rc;
            GetClientRect(main_, &rc);
            FillRect(dc, &rc, BackgroundBrush(dc, main_));
            return TRUE;
        }
        case WM_SETCURSOR:
            if (HourGlass()) {
                ::SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_ACTIVATE:
            // Keep the focused control across boxes and other programs' windows.
            if (LOWORD(wParam) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus != nullptr && IsChild(main_, focus)) {
                    lastFocus_ = focus;
                }
                return 0;
            }
            if (lastFocus_ != nullptr && IsWindow(lastFocus_) && IsChild(main_, lastFocus_)) {
                SetFocus(lastFocus_);
                return 0;
            }
            break;
        case WM_CLOSE:
            // A close during an operation (or one of its boxes) is carried out when it ends.
            if (busy_ > 0) {
                closePending_ = true;
                return 0;
            }
            terminated_ = true;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(main_, msg, wParam, lParam);
}

void Win32App::EndBusy() {
    if (busy_ == 0 && closePending_) {
        closePending_ = false;
        if (main_ != nullptr) {
            PostMessageW(main_, WM_CLOSE, 0, 0);
        }
    }
}

std::wstring Win32App::DisplayTitle() const {
    if (!Title.empty()) {
        return Title;
    }
    // Before a title is set the toolkit shows the program's file name, as its own default.
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name(path);
    name = name.substr(name.find_last_of(L"\\/") + 1);
    return name.substr(0, name.rfind(L'.'));
}

void Win32App::ShowNotice(std::wstring_view text, std::wstring_view caption) {
    Busy busy(busy_, [this] { EndBusy(); });
    std::wstring body = Copy(text);
    std::wstring title = Copy(caption);
    ::MessageBoxW(main_, body.c_str(), title.c_str(), 0);
}

void Win32App::ShowException(const Exception& e) {
    Busy busy(busy_, [this] { EndBusy(); });
    std::wstring body = ErrorDisplayText(e.Message());
    std::wstring title = DisplayTitle();
    ::MessageBoxW(main_, body.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

void Win32App::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The event loop ends on it: leave it for the loop.
            terminated_ = true;
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

void Win32App::WaitForMessage(std::uint32_t ms) {
    MsgWaitForMultipleObjectsEx(0, nullptr, ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

std::uint32_t Win32App::TickCount() {
    return GetTickCount();
}

void Win32App::SetCursor(Cursor cursor) {
    cursor_ = cursor;
    ::SetCursor(LoadCursorW(nullptr, cursor == Cursor::HourGlass ? IDC_WAIT : IDC_ARROW));
}

void Win32App::OperationStarted() {
    ++busy_;
}

void Win32App::OperationEnded() {
    if (busy_ > 0) {
        --busy_;
    }
    EndBusy();
}

}  // namespace toolkit::win32
