// The Win32 backend of the toolkit: the application object with its event loop, the main window
// and real child windows of the standard classes (EDIT, BUTTON, COMBOBOX, STATIC) for the controls.
//
// Keyboard: Tab and Shift+Tab move through the controls in their layout tab order (containers
// take no focus, disabled controls are skipped); Enter and Escape press no button.
//
// The masked edit refuses to be left while the user's change left a digit position empty. A click
// whose button took the focus from it in that state does not run its handler: the refusal takes
// the focus back and shows its error instead.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/toolkit.h"

namespace toolkit::win32 {

class Window;  // a control's child window; see win32_window.h

class Win32App final : public App {
  public:
    explicit Win32App(HINSTANCE instance);
    ~Win32App() override;
    Win32App(const Win32App&) = delete;
    Win32App& operator=(const Win32App&) = delete;

    // Start-up step 1: common controls, the window classes, the screen's DPI.
    void Initialize();
    // Start-up step 2: the main window gets the task-bar button.
    void SetMainFormOnTaskBar(bool onTaskBar) { onTaskBar_ = onTaskBar; }
    // Start-up step 4, the frame: a fixed single-border window of the given class with the given
    // client size at 96 DPI. The factory's controls with no parent go into it.
    void CreateMainWindow(std::wstring_view className, std::wstring_view caption, int clientWidth,
                          int clientHeight);
    // Start-up step 5: shows the main window centred, focuses the first control of the tab order
    // and dispatches messages until the window has been closed.
    void Run();
    // Destroys the main window (after the controls' owner has destroyed the controls).
    void DestroyMainWindow();

    Factory& ControlFactory();
    HWND MainWindow() const { return main_; }
    bool Terminated() const { return terminated_; }
    int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
    int Dpi() const { return dpi_; }
    HINSTANCE Instance() const { return instance_; }

    void ShowNotice(std::wstring_view text, std::wstring_view caption) override;
    void ShowException(const Exception& e) override;
    void ProcessMessages() override;
    void WaitForMessage(std::uint32_t ms) override;
    std::uint32_t TickCount() override;
    void SetCursor(Cursor cursor) override;
    void OperationStarted() override;
    void OperationEnded() override;

    // Used by the controls.
    void Register(Window* window);
    void Unregister(Window* window);
    // While a refusal of the masked edit is pending, button clicks are dropped.
    void SetRefusalPending(bool pending) { refusalPending_ = pending; }
    bool RefusalPending() const { return refusalPending_; }
    bool HourGlass() const { return cursor_ == Cursor::HourGlass; }
    // The focus moved by Tab (true) or Shift+Tab (false) from the control that has it.
    void MoveFocus(bool forward);
    // A font of the toolkit's, made once for each description and kept for the whole run.
    HFONT Font(const LOGFONTW& font);
    // The skin's background brush, aligned for painting into a DC of the given window.
    HBRUSH BackgroundBrush(HDC dc, HWND window) const;

    static Win32App* Current() { return current_; }

  private:
    static LRESULT CALLBACK MainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMain(UINT msg, WPARAM wParam, LPARAM lParam);
    void Dispatch(MSG& msg);
    bool PreTranslate(const MSG& msg);
    std::vector<Window*> TabSequence() const;
    void EndBusy();
    std::wstring DisplayTitle() const;
    void CreateSkin(int width, int height);

    HINSTANCE instance_;
    HWND main_ = nullptr;
    HWND lastFocus_ = nullptr;  // the focused control while the window is inactive
    int dpi_ = 96;
    bool onTaskBar_ = false;
    bool terminated_ = false;
    bool closePending_ = false;
    bool refusalPending_ = false;
    int busy_ = 0;  // operations and boxes under way: a close waits for them
    Cursor cursor_ = Cursor::Default;
    HBITMAP skinBitmap_ = nullptr;
    HBRUSH skinBrush_ = nullptr;
    std::vector<Window*> windows_;  // every control, in creation order
    std::vector<std::pair<LOGFONTW, HFONT>> fonts_;
    std::unique_ptr<Factory> factory_;
    static Win32App* current_;
};

}  // namespace toolkit::win32
