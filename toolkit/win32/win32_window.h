// Inside the Win32 backend: the child window behind every control, and the routing of the
// notifications that a parent window receives to the control that sent them.
#pragma once

#include "toolkit/win32/win32_toolkit.h"

namespace toolkit::win32 {

class Window {
  public:
    Window(Win32App& app, const ControlSpec& spec, Window* parent, bool container);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return hwnd_; }
    Window* Parent() const { return parent_; }
    int TabOrder() const { return tabOrder_; }
    bool IsContainer() const { return container_; }

    // A WM_COMMAND notification that the control sent to its parent.
    virtual void OnCommand(UINT /*code*/) {}
    // WM_CTLCOLOR*: sets up the DC and returns the brush the control paints its background with.
    virtual HBRUSH OnCtlColor(UINT msg, HDC dc);
    virtual void OnDrawItem(const DRAWITEMSTRUCT& /*item*/) {}
    // The focus came in by Tab: edits select their whole text.
    virtual void FocusedByTab() {}

    // The control of a window, or null; Owning also tries the window's ancestors (the edit
    // inside a combo box belongs to the combo box).
    static Window* From(HWND hwnd);
    static Window* Owning(HWND hwnd);

  protected:
    // Creates the child window with the row's rectangle (scaled), text, ID, font and state.
    void Create(const wchar_t* className, DWORD style, DWORD exStyle, const ControlSpec& spec,
                int createHeight = 0);
    // The control's own handling of its messages; Default passes them on to the class.
    virtual LRESULT Proc(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);
    std::wstring WindowText() const;

    Win32App& app_;
    HWND hwnd_ = nullptr;

  private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR self);
    Window* parent_;
    int tabOrder_;
    bool container_;
};

// Routes WM_COMMAND, WM_CTLCOLOR* and WM_DRAWITEM that a parent (the main window, a panel, a
// group box) receives to the control that sent them. False for any other message.
bool RouteToControl(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);

// Builds the controls of the layout rows as child windows.
std::unique_ptr<Factory> MakeFactory(Win32App& app);

// The skin: a brushed-metal background and the drawing of push buttons, panels and group boxes.
HBITMAP CreateMetalBitmap(int width, int height);
void DrawPushButton(const DRAWITEMSTRUCT& item, HBRUSH background, HFONT font);
// Paints a container's background and frame, leaving its child windows alone.
void PaintPanel(HWND hwnd, HDC dc, HBRUSH background);
void PaintGroupBox(HWND hwnd, HDC dc, HBRUSH background);

}  // namespace toolkit::win32
