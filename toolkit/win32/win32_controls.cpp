// The controls as child windows of the standard classes, subclassed where the toolkit's behaviour
// differs from the class's own: the masked edit, the combo box's change events, the skinned
// buttons and containers.
#include <map>
#include <string>

#include "toolkit/mask.h"
#include "toolkit/win32/win32_window.h"

#include <commctrl.h>

namespace toolkit::win32 {

namespace {

constexpr wchar_t kControlProp[] = L"Lorvan.Control";
constexpr UINT_PTR kSubclassId = 1;
constexpr UINT kRefuseMessage = WM_APP + 1;
constexpr wchar_t kMaskError[] = L"Invalid input value.  Use escape key to abandon changes";

std::wstring Copy(std::wstring_view text) {
    return std::wstring(text);
}

std::wstring TextOf(HWND hwnd) {
    int length = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    int got = GetWindowTextW(hwnd, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(got > 0 ? got : 0));
    return text;
}

// Width of a text in a font, in pixels.
int TextWidth(const LOGFONTW& font, const std::wstring& text) {
    HDC dc = GetDC(nullptr);
    HFONT handle = CreateFontIndirectW(&font);
    HGDIOBJ old = SelectObject(dc, handle);
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    DeleteObject(handle);
    ReleaseDC(nullptr, dc);
    return size.cx;
}

// Where the installed Tahoma is wider than the one the layout was drawn for (Wine ships its own),
// a text that would not fit its control takes the largest smaller size that fits, down to 3/4 of
// the size asked for. With the real Tahoma every text of the layout fits and nothing changes.
void FitToWidth(LOGFONTW& font, const std::wstring& text, int width) {
    if (text.empty() || width <= 0) {
        return;
    }
    const LONG asked = font.lfHeight;
    const LONG sign = asked < 0 ? -1 : 1;
    const LONG smallest = asked * 3 / 4;
    while (TextWidth(font, text) > width && font.lfHeight * sign > smallest * sign) {
        font.lfHeight -= sign;
    }
}

}  // namespace

// ---- Window -------------------------------------------------------------------------------------

Window::Window(Win32App& app, const ControlSpec& spec, Window* parent, bool container)
    : app_(app), parent_(parent), tabOrder_(spec.tabOrder), container_(container) {}

Window::~Window() {
    app_.Unregister(this);
    if (hwnd_ != nullptr && IsWindow(hwnd_)) {
        DestroyWindow(hwnd_);
    }
}

void Window::Create(const wchar_t* className, DWORD style, DWORD exStyle, const ControlSpec& spec,
                    int createHeight) {
    HWND parent = parent_ != nullptr ? parent_->Handle() : app_.MainWindow();
    std::wstring text = Copy(spec.text);
    int height = createHeight > 0 ? createHeight : app_.Scale(spec.height);
    hwnd_ = CreateWindowExW(exStyle, className, text.c_str(), WS_CHILD | WS_VISIBLE | style,
                            app_.Scale(spec.left), app_.Scale(spec.top), app_.Scale(spec.width),
                            height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(spec.id)),
                            app_.Instance(), nullptr);
    if (hwnd_ == nullptr) {
        throw Exception(L"");
    }
    SetPropW(hwnd_, kControlProp, this);
    SetWindowSubclass(hwnd_, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
    LOGFONTW font{};
    font.lfHeight = app_.Scale(spec.fontHeight);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfQuality = DEFAULT_QUALITY;
    lstrcpynW(font.lfFaceName, L"Tahoma", LF_FACESIZE);
    if (lstrcmpW(className, L"STATIC") == 0 || lstrcmpW(className, L"EDIT") == 0) {
        // An edit's text stands inside its frame and margins.
        int inner = app_.Scale(spec.width) - (exStyle & WS_EX_CLIENTEDGE ? app_.Scale(6) : 0);
        FitToWidth(font, text, inner);
    }
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(app_.Font(font)), FALSE);
    if (!spec.enabled) {
        EnableWindow(hwnd_, FALSE);
    }
    app_.Register(this);
}

LRESULT CALLBACK Window::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR /*id*/, DWORD_PTR self) {
    auto* window = reinterpret_cast<Window*>(self);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hwnd, SubclassProc, kSubclassId);
        RemovePropW(hwnd, kControlProp);
        window->hwnd_ = nullptr;
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }
    return window->Proc(msg, wParam, lParam);
}

LRESULT Window::Proc(UINT msg, WPARAM wParam, LPARAM lParam) {
    return Default(msg, wParam, lParam);
}

LRESULT Window::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(hwnd_, msg, wParam, lParam);
}

std::wstring Window::WindowText() const {
    return TextOf(hwnd_);
}

HBRUSH Window::OnCtlColor(UINT /*msg*/, HDC dc) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsWindowEnabled(hwnd_) ? RGB(0, 0, 0) : GetSysColor(COLOR_GRAYTEXT));
    return app_.BackgroundBrush(dc, hwnd_);
}

Window* Window::From(HWND hwnd) {
    return hwnd != nullptr ? static_cast<Window*>(GetPropW(hwnd, kControlProp)) : nullptr;
}

Window* Window::Owning(HWND hwnd) {
    for (; hwnd != nullptr; hwnd = GetParent(hwnd)) {
        if (Window* window = From(hwnd)) {
            return window;
        }
    }
    return nullptr;
}

bool RouteToControl(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (msg) {
        case WM_COMMAND:
            if (Window* w = Window::From(reinterpret_cast<HWND>(lParam)); w != nullptr) {
                w->OnCommand(HIWORD(wParam));
                result = 0;
                return true;
            }
            return false;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            if (Window* w = Window::Owning(reinterpret_cast<HWND>(lParam)); w != nullptr) {
                result =
                    reinterpret_cast<LRESULT>(w->OnCtlColor(msg, reinterpret_cast<HDC>(wParam)));
                return true;
            }
            // The drop-down list of a combo box: black on white.
            SetTextColor(reinterpret_cast<HDC>(wParam), RGB(0, 0, 0));
            SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
            result = reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
            return true;
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (Window* w = Window::From(item->hwndItem); w != nullptr) {
                w->OnDrawItem(*item);
                result = TRUE;
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

namespace {

// ---- Controls with a text -----------------------------------------------------------------------

template <typename Base>
class TextWindow : public Base, public Window {
  public:
    TextWindow(Win32App& app, const ControlSpec& spec, Window* parent, bool container = false)
        : Window(app, spec, parent, container) {}
    bool Enabled() const override { return hwnd_ != nullptr && IsWindowEnabled(hwnd_) != FALSE; }
    std::wstring Text() const override { return WindowText(); }
    void SetText(std::wstring_view text) override {
        std::wstring copy(text);
        SetWindowTextW(hwnd_, copy.c_str());
    }
};

// Black on white, grey when disabled.
HBRUSH FieldColors(HWND hwnd, HDC dc) {
    bool enabled = IsWindowEnabled(hwnd) != FALSE;
    SetTextColor(dc, enabled ? RGB(0, 0, 0) : GetSysColor(COLOR_GRAYTEXT));
    SetBkColor(dc, enabled ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNFACE));
    return enabled ? static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))
                   : GetSysColorBrush(COLOR_BTNFACE);
}

class LabelWindow : public TextWindow<Label> {
  public:
    LabelWindow(Win32App& app, const ControlSpec& spec, Window* parent)
        : TextWindow(app, spec, parent) {
        Create(L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, spec);
    }
};

class EditWindow : public TextWindow<Edit> {
  public:
    EditWindow(Win32App& app, const ControlSpec& spec, Window* parent)
        : TextWindow(app, spec, parent) {
        Create(L"EDIT", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, spec);
        SendMessageW(hwnd_, EM_LIMITTEXT, 0, 0);  // any text of any length
    }
    HBRUSH OnCtlColor(UINT /*msg*/, HDC dc) override { return FieldColors(hwnd_, dc); }
    void FocusedByTab() override { SendMessageW(hwnd_, EM_SETSEL, 0, -1); }

  protected:
    LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        // Enter and Escape do nothing in a field (no beep, no button).
        if (msg == WM_CHAR && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
            return 0;
        }
        return Default(msg, wParam, lParam);
    }
};

// The odometer field's rules: overwrite typing of digits, the literal kept in place, blanks for
// deleted digits, the refusal to be left incomplete after a change, Escape to undo the change.
class MaskEditWindow : public TextWindow<MaskEdit> {
  public:
    MaskEditWindow(Win32App& app, const ControlSpec& spec, Window* parent)
        : TextWindow(app, spec, parent), mask_(spec.mask) {
        Create(L"EDIT", WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, spec);
        SendMessageW(hwnd_, EM_LIMITTEXT, mask_.Length(), 0);
        // Narrow margins: the whole masked text is to be seen in the field's width.
        SendMessageW(hwnd_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, 1));
        SetText(spec.text);
        saved_ = WindowText();
    }
    std::wstring Text() const override { return mask_.Output(WindowText()); }
    HBRUSH OnCtlColor(UINT /*msg*/, HDC dc) override { return FieldColors(hwnd_, dc); }
    void FocusedByTab() override { SendMessageW(hwnd_, EM_SETSEL, 0, -1); }

  protected:
    LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
            case WM_SETTEXT: {
                // Whoever sets the text, it is fitted to the mask; a set text is no user change.
                std::wstring fitted =
                    mask_.Fit(lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L"");
                modified_ = false;
                return Default(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fitted.c_str()));
            }
            case WM_CHAR:
                OnChar(static_cast<wchar_t>(wParam));
                return 0;
            case WM_KEYDOWN:
                if (wParam == VK_DELETE) {
                    if (GetKeyState(VK_SHIFT) < 0) {
                        Cut();
                    } else {
                        Apply(&EditMask::Delete);
                    }
                    return 0;
                }
                if (wParam == VK_INSERT && GetKeyState(VK_SHIFT) < 0) {
                    Paste();
                    return 0;
                }
                break;
            case WM_PASTE:
                Paste();
                return 0;
            case WM_CUT:
                Cut();
                return 0;
            case WM_CLEAR:
                Apply(&EditMask::Delete);
                return 0;
            case WM_UNDO:
            case EM_UNDO:
                return 0;
            case EM_REPLACESEL: {
                EditMask::State state = Read();
                Finish(state,
                       mask_.Paste(state,
                                   lParam != 0 ? reinterpret_cast<const wchar_t*>(lParam) : L""));
                return 0;
            }
            case WM_SETFOCUS: {
                // The text to go back to on Escape: the one of the moment the focus came in from
                // another control of the window (not back from a box, not the refusal's return).
                auto from = reinterpret_cast<HWND>(wParam);
                if (!refusing_ && from != nullptr && from != hwnd_ &&
                    IsChild(app_.MainWindow(), from)) {
                    saved_ = WindowText();
                }
                break;
            }
            case WM_KILLFOCUS: {
                auto to = reinterpret_cast<HWND>(wParam);
                if (!refusing_ && Incomplete() && to != nullptr && IsChild(app_.MainWindow(), to)) {
                    // The focus has already moved: take it back once this message is through,
                    // and drop the click of the button that took it meanwhile.
                    refusing_ = true;
                    app_.SetRefusalPending(true);
                    PostMessageW(hwnd_, kRefuseMessage, 0, 0);
                }
                break;
            }
            case kRefuseMessage:
                SetFocus(hwnd_);
                Refuse();
                app_.SetRefusalPending(false);
                return 0;
            default:
                break;
        }
        return Default(msg, wParam, lParam);
    }

  private:
    bool Incomplete() const {
        return modified_ && mask_.FirstEmpty(WindowText()) != std::wstring::npos;
    }

    // Beep, caret on the first empty position, and the masked-entry error on the display.
    void Refuse() {
        refusing_ = true;
        MessageBeep(MB_OK);
        std::size_t first = mask_.FirstEmpty(WindowText());
        if (first != std::wstring::npos) {
            SendMessageW(hwnd_, EM_SETSEL, first, static_cast<LPARAM>(first));
        }
        RunHandler([] { throw EDBEditError(kMaskError); });
        refusing_ = false;
    }

    void OnChar(wchar_t ch) {
        switch (ch) {
            case VK_RETURN:
                if (Incomplete()) {
                    Refuse();
                }
                return;
            case VK_ESCAPE:
                if (modified_) {
                    Default(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(saved_.c_str()));
                    modified_ = false;
                    SendMessageW(hwnd_, EM_SETSEL, 0, -1);
                }
                return;
            case VK_BACK:
                Apply(&EditMask::Backspace);
                return;
            case 0x01:  // Ctrl+A
                SendMessageW(hwnd_, EM_SETSEL, 0, -1);
                return;
            case 0x03:  // Ctrl+C
                Default(WM_COPY, 0, 0);
                return;
            case 0x16:  // Ctrl+V
                Paste();
                return;
            case 0x18:  // Ctrl+X
                Cut();
                return;
            default:
                break;
        }
        if (ch < L' ') {
            return;
        }
        EditMask::State state = Read();
        Finish(state, mask_.Type(state, ch));
    }

    EditMask::State Read() const {
        DWORD start = 0;
        DWORD end = 0;
        SendMessageW(hwnd_, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                     reinterpret_cast<LPARAM>(&end));
        return {WindowText(), start, end};
    }

    void Finish(const EditMask::State& state, EditMask::Outcome outcome) {
        if (outcome == EditMask::Outcome::Refused) {
            MessageBeep(MB_OK);
            return;
        }
        if (outcome == EditMask::Outcome::Changed) {
            Default(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(state.shown.c_str()));
            modified_ = true;
        }
        SendMessageW(hwnd_, EM_SETSEL, state.selStart, static_cast<LPARAM>(state.selEnd));
    }

    void Apply(EditMask::Outcome (EditMask::*rule)(EditMask::State&) const) {
        EditMask::State state = Read();
        Finish(state, (mask_.*rule)(state));
    }

    void Paste() {
        std::wstring text;
        if (OpenClipboard(hwnd_)) {
            if (HANDLE data = GetClipboardData(CF_UNICODETEXT); data != nullptr) {
                if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
                    text = chars;
                    GlobalUnlock(data);
                }
            }
            CloseClipboard();
        }
        EditMask::State state = Read();
        Finish(state, mask_.Paste(state, text));
    }

    void Cut() {
        Default(WM_COPY, 0, 0);
        Apply(&EditMask::Delete);
    }

    EditMask mask_;
    std::wstring saved_;
    bool modified_ = false;
    bool refusing_ = false;
};

class CheckBoxWindow : public TextWindow<CheckBox> {
  public:
    CheckBoxWindow(Win32App& app, const ControlSpec& spec, Window* parent)
        : TextWindow(app, spec, parent) {
        Create(L"BUTTON", WS_TABSTOP | BS_AUTOCHECKBOX, 0, spec);
    }
    bool Checked() const override { return SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void SetChecked(bool checked) override {
        SendMessageW(hwnd_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
};

class ComboWindow : public TextWindow<ComboBox> {
  public:
    ComboWindow(Win32App& app, const ControlSpec& spec, Window* parent, bool editable)
        : TextWindow(app, spec, parent), editable_(editable) {
        DWORD style = WS_TABSTOP | WS_VSCROLL |
                      (editable ? CBS_DROPDOWN | CBS_AUTOHSCROLL : CBS_DROPDOWNLIST);
        // The height given at creation includes the dropped-down list (eight entries).
        Create(L"COMBOBOX", style, 0, spec, app.Scale(spec.height + 8 * 18));
        for (std::wstring_view item : spec.items) {
            AddItem(item);
        }
        if (spec.itemIndex >= 0) {
            SetItemIndex(spec.itemIndex);
        } else if (editable_) {
            SetText(spec.text);
        }
        FitHeight(app.Scale(spec.height));
        if (editable_) {
            COMBOBOXINFO info{};
            info.cbSize = sizeof(info);
            if (GetComboBoxInfo(hwnd_, &info) && info.hwndItem != nullptr) {
                edit_ = info.hwndItem;
                SetWindowSubclass(edit_, EditProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
            }
        }
    }
    ~ComboWindow() override {
        if (edit_ != nullptr && IsWindow(edit_)) {
            RemoveWindowSubclass(edit_, EditProc, kSubclassId);
        }
    }

    void SetText(std::wstring_view text) override {
        std::wstring copy(text);
        if (editable_) {
            SetWindowTextW(hwnd_, copy.c_str());
            return;
        }
        LRESULT found = SendMessageW(hwnd_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(copy.c_str()));
        SendMessageW(hwnd_, CB_SETCURSEL,
                     found == CB_ERR ? static_cast<WPARAM>(-1) : static_cast<WPARAM>(found), 0);
    }
    int Count() const override { return static_cast<int>(SendMessageW(hwnd_, CB_GETCOUNT, 0, 0)); }
    std::wstring Item(int index) const override {
        if (index < 0 || index >= Count()) {
            return L"";
        }
        auto length = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
        if (length <= 0) {
            return L"";
        }
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        return text;
    }
    void AddItem(std::wstring_view text) override {
        std::wstring copy(text);
        SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(copy.c_str()));
    }
    void ClearItems() override {
        std::wstring text = WindowText();
        SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0);
        if (editable_) {
            SetWindowTextW(hwnd_, text.c_str());  // the list goes, the typed text stays
        }
    }
    int ItemIndex() const override {
        int index = static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
        if (index < 0) {
            return -1;
        }
        // An editable combo box keeps a selection only while its text is that entry's.
        if (editable_ && Item(index) != WindowText()) {
            return -1;
        }
        return index;
    }
    void SetItemIndex(int index) override {
        WPARAM at =
            index >= 0 && index < Count() ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1);
        SendMessageW(hwnd_, CB_SETCURSEL, at, 0);
    }

    HBRUSH OnCtlColor(UINT /*msg*/, HDC dc) override { return FieldColors(hwnd_, dc); }
    void FocusedByTab() override {
        if (editable_) {
            SendMessageW(hwnd_, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
        }
    }
    void OnCommand(UINT code) override {
        if (code == CBN_SELCHANGE) {
            // The handler sees the picked entry as the selection and as the text.
            int index = static_cast<int>(SendMessageW(hwnd_, CB_GETCURSEL, 0, 0));
            if (editable_ && index >= 0) {
                std::wstring item = Item(index);
                SetWindowTextW(hwnd_, item.c_str());
            }
            RunHandler(OnChange);
        } else if (code == CBN_EDITCHANGE) {
            if (typed_) {
                AutoComplete();
            }
            typed_ = false;
            RunHandler(OnChange);
        }
    }

  private:
    // Makes the selection field as high as the layout row says.
    void FitHeight(int height) {
        // The class may count its own margins into the item height it is given: adjust the
        // request by what the window still lacks until it has the height.
        auto request = SendMessageW(hwnd_, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
        for (int attempt = 0; attempt < 4; ++attempt) {
            RECT rc;
            GetWindowRect(hwnd_, &rc);
            int delta = height - (rc.bottom - rc.top);
            if (delta == 0) {
                return;
            }
            request += delta;
            SendMessageW(hwnd_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), request);
        }
    }

    // A typed text that begins an entry (letter case aside) becomes that entry, with the part
    // that was not typed selected, so that typing on replaces it.
    void AutoComplete() {
        std::wstring typed = WindowText();
        if (typed.empty()) {
            return;
        }
        int count = Count();
        for (int i = 0; i < count; ++i) {
            std::wstring item = Item(i);
            if (item.size() >= typed.size() &&
                CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, item.c_str(),
                               static_cast<int>(typed.size()), typed.c_str(),
                               static_cast<int>(typed.size())) == CSTR_EQUAL) {
                SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
                SendMessageW(hwnd_, CB_SETEDITSEL, 0,
                             MAKELPARAM(static_cast<WORD>(typed.size()), static_cast<WORD>(-1)));
                return;
            }
        }
    }

    static LRESULT CALLBACK EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR /*id*/, DWORD_PTR self) {
        auto* combo = reinterpret_cast<ComboWindow*>(self);
        if (msg == WM_CHAR) {
            bool dropped = SendMessageW(combo->hwnd_, CB_GETDROPPEDSTATE, 0, 0) != FALSE;
            if (!dropped && (wParam == VK_RETURN || wParam == VK_ESCAPE)) {
                return 0;
            }
            // Completion follows typed characters, not Backspace.
            combo->typed_ = wParam >= L' ' && wParam != 0x7F;
        } else if (msg == WM_KEYDOWN && wParam == VK_DELETE) {
            combo->typed_ = false;
        } else if (msg == WM_NCDESTROY) {
            RemoveWindowSubclass(hwnd, EditProc, kSubclassId);
            combo->edit_ = nullptr;
        }
        return DefSubclassProc(hwnd, msg, wParam, lParam);
    }

    bool editable_;
    bool typed_ = false;
    HWND edit_ = nullptr;
};

class ButtonWindow : public TextWindow<Button> {
  public:
    ButtonWindow(Win32App& app, const ControlSpec& spec, Window* parent)
        : TextWindow(app, spec, parent) {
        Create(L"BUTTON", WS_TABSTOP | BS_OWNERDRAW, 0, spec);
    }
    void OnCommand(UINT code) override {
        if (code == BN_CLICKED && !app_.RefusalPending()) {
            RunHandler(OnClick);
        }
    }
    void OnDrawItem(const DRAWITEMSTRUCT& item) override {
        HBRUSH background = app_.BackgroundBrush(item.hDC, hwnd_);
        DrawPushButton(item, background,
                       reinterpret_cast<HFONT>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    }
};

// Panels and group boxes hold controls: they pass their children's notifications on and paint
// themselves in the skin.
template <typename Base>
class ContainerWindow : public TextWindow<Base> {
  public:
    ContainerWindow(Win32App& app, const ControlSpec& spec, Window* parent, bool groupBox)
        : TextWindow<Base>(app, spec, parent, true), groupBox_(groupBox) {
        if (groupBox) {
            this->Create(L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, spec);
        } else {
            this->Create(L"STATIC", SS_LEFT | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, spec);
        }
    }

  protected:
    LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        LRESULT result = 0;
        if (RouteToControl(msg, wParam, lParam, result)) {
            return result;
        }
        switch (msg) {
            case WM_ERASEBKGND:
                return TRUE;
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(this->hwnd_, &ps);
                Paint(dc);
                EndPaint(this->hwnd_, &ps);
                return 0;
            }
            case WM_PRINTCLIENT:
                Paint(reinterpret_cast<HDC>(wParam));
                return 0;
            case WM_NCHITTEST:
                return HTCLIENT;  // a group box would let clicks through to the window
            case WM_SETTEXT:
            case WM_ENABLE: {
                LRESULT r = this->Default(msg, wParam, lParam);
                InvalidateRect(this->hwnd_, nullptr, TRUE);
                return r;
            }
            default:
                return this->Default(msg, wParam, lParam);
        }
    }

  private:
    void Paint(HDC dc) {
        HBRUSH background = this->app_.BackgroundBrush(dc, this->hwnd_);
        if (groupBox_) {
            PaintGroupBox(this->hwnd_, dc, background);
        } else {
            PaintPanel(this->hwnd_, dc, background);
        }
    }
    bool groupBox_;
};

class Win32Factory : public Factory {
  public:
    explicit Win32Factory(Win32App& app) : app_(app) {}
    std::unique_ptr<Control> Create(const ControlSpec& spec, Control* parentControl) override {
        auto* parent = dynamic_cast<Window*>(parentControl);
        switch (spec.kind) {
            case Kind::Label:
                return std::make_unique<LabelWindow>(app_, spec, parent);
            case Kind::Edit:
                return std::make_unique<EditWindow>(app_, spec, parent);
            case Kind::MaskEdit:
                return std::make_unique<MaskEditWindow>(app_, spec, parent);
            case Kind::ComboEdit:
                return std::make_unique<ComboWindow>(app_, spec, parent, true);
            case Kind::ComboList:
                return std::make_unique<ComboWindow>(app_, spec, parent, false);
            case Kind::Button:
                return std::make_unique<ButtonWindow>(app_, spec, parent);
            case Kind::CheckBox:
                return std::make_unique<CheckBoxWindow>(app_, spec, parent);
            case Kind::Panel:
                return std::make_unique<ContainerWindow<Panel>>(app_, spec, parent, false);
            case Kind::GroupBox:
                return std::make_unique<ContainerWindow<GroupBox>>(app_, spec, parent, true);
        }
        return nullptr;
    }

  private:
    Win32App& app_;
};

}  // namespace

std::unique_ptr<Factory> MakeFactory(Win32App& app) {
    return std::make_unique<Win32Factory>(app);
}

}  // namespace toolkit::win32
