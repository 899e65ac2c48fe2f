// Helpers of the Wine tests that drive windows: starting a program, finding its windows and
// message boxes, real keystrokes, waiting for a condition, and a PNG screenshot.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace wintest {

inline std::wstring Env(const wchar_t* name) {
    wchar_t buffer[4096];
    DWORD n = GetEnvironmentVariableW(name, buffer, 4096);
    return n > 0 && n < 4096 ? std::wstring(buffer, n) : std::wstring();
}

// Polls until the condition holds or the time is up; true when it held.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > timeoutMs) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

inline std::wstring ClassOf(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

inline std::wstring TextOf(HWND hwnd) {
    wchar_t text[1024] = {};
    // WM_GETTEXT, not GetWindowText: that one does not ask windows of other processes.
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_BLOCK, 5000,
                        nullptr);
    return text;
}

// A program started for a test; killed if the test leaves it running.
class Process {
  public:
    explicit Process(const std::wstring& exe, const std::wstring& arguments = L"") {
        std::wstring command = L"\"" + exe + L"\"";
        if (!arguments.empty()) {
            command += L" " + arguments;
        }
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &si, &pi)) {
            process_ = pi.hProcess;
            pid_ = pi.dwProcessId;
            CloseHandle(pi.hThread);
        }
    }
    ~Process() {
        if (process_ != nullptr) {
            if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process_, 99);
            }
            CloseHandle(process_);
        }
    }
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return pid_; }
    // The exit code, or -1 when it has not ended in time.
    long Wait(DWORD timeoutMs = 15000) const {
        if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) {
            return -1;
        }
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return static_cast<long>(code);
    }

    // A visible top-level window of this process with the class (and caption, if given).
    HWND FindWindow(const wchar_t* className, const wchar_t* caption = nullptr) const {
        struct Search {
            DWORD pid;
            const wchar_t* className;
            const wchar_t* caption;
            HWND found;
        } search{pid_, className, caption, nullptr};
        struct Visit {
            static BOOL CALLBACK Proc(HWND hwnd, LPARAM param) {
                auto* s = reinterpret_cast<Search*>(param);
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                if (pid != s->pid || !IsWindowVisible(hwnd) || ClassOf(hwnd) != s->className) {
                    return TRUE;
                }
                if (s->caption != nullptr && TextOf(hwnd) != s->caption) {
                    return TRUE;
                }
                s->found = hwnd;
                return FALSE;
            }
        };
        EnumWindows(Visit::Proc, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND WaitForWindow(const wchar_t* className, const wchar_t* caption = nullptr,
                       DWORD timeoutMs = 20000) const {
        HWND found = nullptr;
        WaitUntil([&] { return (found = FindWindow(className, caption)) != nullptr; }, timeoutMs);
        return found;
    }

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// A message box: its text (the static control 0xFFFF), caption and whether it has an icon.
struct Box {
    HWND hwnd = nullptr;
    std::wstring text, caption;
    bool hasIcon = false;
    int buttons = 0;
};

inline Box ReadBox(HWND hwnd) {
    Box box;
    box.hwnd = hwnd;
    if (hwnd == nullptr) {
        return box;
    }
    box.caption = TextOf(hwnd);
    box.text = TextOf(GetDlgItem(hwnd, 0xFFFF));
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        std::wstring cls = ClassOf(child);
        LONG style = GetWindowLongW(child, GWL_STYLE);
        if (cls == L"Static" && (style & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child) &&
            SendMessageW(child, STM_GETICON, 0, 0) != 0) {
            box.hasIcon = true;
        }
        if (cls == L"Button" && IsWindowVisible(child)) {
            ++box.buttons;
        }
    }
    return box;
}

// Presses the box's OK button.
inline void DismissBox(HWND box) {
    HWND ok = GetDlgItem(box, IDOK);
    if (ok != nullptr) {
        PostMessageW(ok, BM_CLICK, 0, 0);
    } else {
        PostMessageW(box, WM_COMMAND, IDOK, 0);
    }
}

// Real keyboard input, as the user types it.
inline void Key(WORD vk, bool shift = false, bool alt = false) {
    std::vector<INPUT> inputs;
    auto add = [&](WORD key, bool up) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = key;
        in.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
        in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
        inputs.push_back(in);
    };
    if (shift) {
        add(VK_SHIFT, false);
    }
    if (alt) {
        add(VK_MENU, false);
    }
    add(vk, false);
    add(vk, true);
    if (alt) {
        add(VK_MENU, true);
    }
    if (shift) {
        add(VK_SHIFT, true);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

inline void Type(std::wstring_view text) {
    for (wchar_t ch : text) {
        INPUT in[2] = {};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = ch;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
    }
}

// The window with the keyboard focus in the thread that owns a window.
inline HWND FocusOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

// ---- PNG ------------------------------------------------------------------------------------

inline std::uint32_t Crc32(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0) {
    static std::uint32_t table[256];
    static bool ready = false;
    if (!ready) {
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            table[n] = c;
        }
        ready = true;
    }
    crc = ~crc;
    for (std::size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return ~crc;
}

// Writes 24-bit RGB rows as a PNG (zlib stream of stored blocks: no compression needed).
inline bool WritePng(const std::wstring& path, int width, int height,
                     const std::vector<std::uint8_t>& rgb) {
    std::vector<std::uint8_t> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);  // filter: none
        auto row = rgb.begin() + static_cast<std::ptrdiff_t>(y) * width * 3;
        raw.insert(raw.end(), row, row + width * 3);
    }
    std::vector<std::uint8_t> z{0x78, 0x01};
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at < raw.size() || at == 0; at += 65535) {
        std::size_t n = std::min<std::size_t>(65535, raw.size() - at);
        bool last = at + n >= raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<std::uint8_t>(n));
        z.push_back(static_cast<std::uint8_t>(n >> 8));
        z.push_back(static_cast<std::uint8_t>(~n));
        z.push_back(static_cast<std::uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                 raw.begin() + static_cast<std::ptrdiff_t>(at + n));
        if (last) {
            break;
        }
    }
    std::uint32_t adler = (b << 16) | a;
    for (int shift = 24; shift >= 0; shift -= 8) {
        z.push_back(static_cast<std::uint8_t>(adler >> shift));
    }
    std::vector<std::uint8_t> file{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
        auto be32 = [&](std::uint32_t v) {
            for (int shift = 24; shift >= 0; shift -= 8) {
                file.push_back(static_cast<std::uint8_t>(v >> shift));
            }
        };
        be32(static_cast<std::uint32_t>(data.size()));
        std::vector<std::uint8_t> body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        file.insert(file.end(), body.begin(), body.end());
        be32(Crc32(body.data(), body.size()));
    };
    std::vector<std::uint8_t> header(13, 0);
    for (int i = 0; i < 4; ++i) {
        header[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(width >> (24 - 8 * i));
        header[static_cast<std::size_t>(4 + i)] = static_cast<std::uint8_t>(height >> (24 - 8 * i));
    }
    header[8] = 8;  // bits per channel
    header[9] = 2;  // RGB
    chunk("IHDR", header);
    chunk("IDAT", z);
    chunk("IEND", {});
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (out == nullptr) {
        return false;
    }
    bool ok = fwrite(file.data(), 1, file.size(), out) == file.size();
    return fclose(out) == 0 && ok;
}

// Copies the window's place on the screen (frame included) into a PNG.
inline bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT rc;
    if (!GetWindowRect(window, &rc)) {
        return false;
    }
    int width = rc.right - rc.left;
    int height = rc.bottom - rc.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
    GdiFlush();
    std::vector<std::uint8_t> rgb;
    rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    const auto* pixels = static_cast<const std::uint32_t*>(bits);
    for (int i = 0; i < width * height; ++i) {
        std::uint32_t p = pixels[i];
        rgb.push_back(static_cast<std::uint8_t>(p >> 16));
        rgb.push_back(static_cast<std::uint8_t>(p >> 8));
        rgb.push_back(static_cast<std::uint8_t>(p));
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return WritePng(path, width, height, rgb);
}

}  // namespace wintest
