// Drives the real lorvan_setup.exe from outside, as a technician would: finds its window and
// controls, types, ticks, picks and clicks with posted messages (so that it never blocks on the
// program's modal boxes), and reads and dismisses every message box in order.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

namespace e2e {

struct SeenBox {
    std::wstring caption;
    std::wstring text;
};

class Tool {
  public:
    Tool() = default;
    ~Tool();
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    // Starts the exe and waits until its main window is shown; false on a failure.
    bool Start(const std::wstring& exePath, std::wstring& error);

    // The control of a layout row, searched among all descendants of the main window.
    HWND Control(std::string_view name) const;

    void SetText(std::string_view name, std::wstring_view text);
    std::wstring Text(std::string_view name) const;
    void SetChecked(std::string_view name, bool checked);
    bool Checked(std::string_view name) const;
    int Selected(std::string_view name) const;
    std::vector<std::wstring> Items(std::string_view name) const;
    bool Enabled(std::string_view name) const;

    // Selects an entry of a combo box and tells its parent, as a pick from the list does.
    void Pick(std::string_view name, int index);
    // Types a text into an editable combo box, one character at a time, as the keyboard does.
    void Type(std::string_view name, std::wstring_view text);
    // Posts a click to a button; returns at once.
    void Click(std::string_view name);
    // Posts a close of the main window, as the title bar's close button does.
    void Close();

    // Waits for the next message box of the program, records it, dismisses it and waits until
    // it has gone. False when none came within the time.
    // shownAt, when given, receives the moment the box was first seen.
    bool NextBox(SeenBox& box, std::chrono::milliseconds within,
                 std::chrono::steady_clock::time_point* shownAt = nullptr);
    // True when a message box of the program is up now.
    bool BoxShown() const;
    // Waits for the program to end; false when it is still running after the time.
    bool WaitExit(std::chrono::milliseconds within, DWORD& exitCode);
    // Waits until the program's window thread has handled everything queued so far.
    bool Settle(std::chrono::milliseconds within) const;

    HANDLE Process() const { return process_; }
    DWORD ProcessId() const { return pid_; }
    HWND Main() const { return main_; }

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND main_ = nullptr;
};

// The Windows form of a path that may be a Unix one (Wine's Z: drive holds the Unix root).
std::wstring WindowsPath(std::wstring path);

}  // namespace e2e
