#include "tests/e2e/driver.h"

#include <thread>

#include "ui/layout.h"

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;
constexpr UINT kSendTimeoutMs = 5000;

std::wstring ClassOf(HWND w) {
    wchar_t name[64] = {};
    GetClassNameW(w, name, 64);
    return name;
}

std::wstring WindowText(HWND w) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, kSendTimeoutMs, &length)) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(w, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, kSendTimeoutMs, &copied);
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

LRESULT Send(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(w, msg, wp, lp, SMTO_NORMAL, kSendTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

struct Search {
    DWORD pid;
    bool box;  // a message box (#32770) rather than the main window
    HWND found = nullptr;
};

BOOL CALLBACK FindTopLevel(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (pid != s->pid || !IsWindowVisible(w)) {
        return TRUE;
    }
    const bool isBox = ClassOf(w) == L"#32770";
    if (isBox != s->box) {
        return TRUE;
    }
    if (!isBox && WindowText(w) != ui::kCaption) {
        return TRUE;
    }
    s->found = w;
    return FALSE;
}

HWND FindWindowOf(DWORD pid, bool box) {
    Search s{pid, box};
    EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

struct ById {
    int id;
    HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND w, LPARAM lp) {
    auto* s = reinterpret_cast<ById*>(lp);
    if (GetDlgCtrlID(w) == s->id) {
        s->found = w;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

std::wstring WindowsPath(std::wstring path) {
    if (!path.empty() && path[0] == L'/') {
        for (wchar_t& c : path) {
            c = c == L'/' ? L'\\' : c;
        }
        path = L"Z:" + path;
    }
    return path;
}

Tool::~Tool() {
    if (process_ != nullptr) {
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 1);
        }
        CloseHandle(process_);
    }
}

bool Tool::Start(const std::wstring& exePath, std::wstring& error) {
    std::wstring path = WindowsPath(exePath);
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
        error = L"cannot start " + path + L": error " + std::to_wstring(GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline) {
        main_ = FindWindowOf(pid_, false);
        if (main_ != nullptr) {
            return true;
        }
        if (WaitForSingleObject(process_, 50) == WAIT_OBJECT_0) {
            error = L"the program ended before its window was shown";
            return false;
        }
    }
    error = L"no main window within 30 s";
    return false;
}

HWND Tool::Control(std::string_view name) const {
    ById s{ui::ControlId(name)};
    EnumChildWindows(main_, FindChild, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void Tool::SetText(std::string_view name, std::wstring_view text) {
    std::wstring t(text);
    Send(Control(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
}

std::wstring Tool::Text(std::string_view name) const {
    return WindowText(Control(name));
}

void Tool::SetChecked(std::string_view name, bool checked) {
    Send(Control(name), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Tool::Checked(std::string_view name) const {
    return Send(Control(name), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int Tool::Selected(std::string_view name) const {
    return static_cast<int>(Send(Control(name), CB_GETCURSEL, 0, 0));
}

std::vector<std::wstring> Tool::Items(std::string_view name) const {
    HWND combo = Control(name);
    std::vector<std::wstring> items;
    const auto count = static_cast<int>(Send(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const auto length = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring item(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
        const auto copied = Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i),
                                 reinterpret_cast<LPARAM>(item.data()));
        item.resize(static_cast<std::size_t>(copied < 0 ? 0 : copied));
        items.push_back(item);
    }
    return items;
}

bool Tool::Enabled(std::string_view name) const {
    return IsWindowEnabled(Control(name)) != 0;
}

void Tool::Pick(std::string_view name, int index) {
    HWND combo = Control(name);
    Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(GetParent(combo), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(combo)), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

void Tool::Type(std::string_view name, std::wstring_view text) {
    HWND combo = Control(name);
    HWND edit = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    HWND target = edit != nullptr ? edit : combo;
    // Select what is there, so that the first character replaces it.
    PostMessageW(target, EM_SETSEL, 0, -1);
    for (wchar_t c : text) {
        PostMessageW(target, WM_CHAR, c, 1);
    }
}

void Tool::Click(std::string_view name) {
    PostMessageW(Control(name), BM_CLICK, 0, 0);
}

void Tool::Close() {
    PostMessageW(main_, WM_CLOSE, 0, 0);
}

bool Tool::BoxShown() const {
    return FindWindowOf(pid_, true) != nullptr;
}

bool Tool::NextBox(SeenBox& box, std::chrono::milliseconds within, Clock::time_point* shownAt) {
    const auto deadline = Clock::now() + within;
    HWND w = nullptr;
    while ((w = FindWindowOf(pid_, true)) == nullptr) {
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (shownAt != nullptr) {
        *shownAt = Clock::now();
    }
    box.caption = WindowText(w);
    box.text = WindowText(GetDlgItem(w, 0xFFFF));
    PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(w, IDOK)));
    const auto gone = Clock::now() + std::chrono::seconds(10);
    while (IsWindow(w) && Clock::now() < gone) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool Tool::WaitExit(std::chrono::milliseconds within, DWORD& exitCode) {
    if (WaitForSingleObject(process_, static_cast<DWORD>(within.count())) != WAIT_OBJECT_0) {
        return false;
    }
    GetExitCodeProcess(process_, &exitCode);
    return true;
}

bool Tool::Settle(std::chrono::milliseconds within) const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_NORMAL, static_cast<UINT>(within.count()),
                               &result) != 0;
}

}  // namespace e2e
