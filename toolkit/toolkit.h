// The small window toolkit that the program is written against: controls with the behaviour the
// main window needs, the application object (notice box, error display, message pumping, cursor,
// tick counter) and the toolkit's exceptions. Pure interfaces: the Win32 backend (the product) and
// the headless backend (native tests) implement them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace toolkit {

// Base of every exception the toolkit shows with its default error display.
class Exception {
public:
    explicit Exception(std::wstring message) : message_(std::move(message)) {}
    virtual ~Exception() = default;
    const std::wstring& Message() const { return message_; }

private:
    std::wstring message_;
};

// A text that is not a valid integer, or an integer out of its range.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// A masked edit left with an empty digit position.
class EDBEditError : public Exception {
public:
    using Exception::Exception;
};

using Handler = std::function<void()>;

class Control {
public:
    virtual ~Control() = default;
    virtual bool Enabled() const = 0;
};

// Anything with a caption or a text: labels, edits, buttons, panels, group boxes, check boxes.
class TextControl : public Control {
public:
    virtual std::wstring Text() const = 0;
    virtual void SetText(std::wstring_view text) = 0;
};

class Edit : public TextControl {};

// An edit with a fixed mask. SetText fits the given text to the mask without checking it; Text()
// hands out the text with empty positions as blanks.
class MaskEdit : public Edit {};

class CheckBox : public TextControl {
public:
    virtual bool Checked() const = 0;
    virtual void SetChecked(bool checked) = 0;
};

class ComboBox : public TextControl {
public:
    virtual int Count() const = 0;
    virtual std::wstring Item(int index) const = 0;  // empty text for an index outside the list
    virtual void AddItem(std::wstring_view text) = 0;
    virtual void ClearItems() = 0;  // removes all entries; the text is left as it is
    virtual int ItemIndex() const = 0;  // -1 when nothing is selected
    virtual void SetItemIndex(int index) = 0;  // -1 selects nothing and clears the text
    Handler OnChange;
};

class Button : public TextControl {
public:
    Handler OnClick;
};

class Label : public TextControl {};
class Panel : public TextControl {};
class GroupBox : public TextControl {};

enum class Cursor { Default, HourGlass };

// What a layout row asks of a control: the toolkit builds the control from it.
enum class Kind { Label, Edit, MaskEdit, ComboEdit, ComboList, Button, CheckBox, Panel, GroupBox };

struct ControlSpec {
    Kind kind;
    int left, top, width, height;  // pixels at 96 DPI, relative to the parent's client area
    std::wstring_view text;         // caption, or initial text
    std::vector<std::wstring_view> items;
    int itemIndex;          // initially selected entry, -1 for none
    bool enabled;
    int tabOrder;           // position among its siblings, -1 for controls that take no focus
    int fontHeight;         // Tahoma; > 0 cell height, < 0 character height (LOGFONT convention)
    std::wstring_view mask; // masked edits only
    int id = 0;             // window control ID (1001 + the layout row), 0 for none
};

// Builds controls from layout rows. parent is null for the window itself.
class Factory {
public:
    virtual ~Factory() = default;
    virtual std::unique_ptr<Control> Create(const ControlSpec& spec, Control* parent) = 0;
};

// The application object: what the operations need of the platform besides the controls.
class App {
public:
    virtual ~App() = default;
    // Modal notice box: text, caption, OK only, no icon (message-box flags 0). Returns when closed.
    virtual void ShowNotice(std::wstring_view text, std::wstring_view caption) = 0;
    // Default error display: shows an exception that escaped a handler, with the title as caption.
    virtual void ShowException(const Exception& e) = 0;
    // Processes all pending window messages and returns.
    virtual void ProcessMessages() = 0;
    // Blocks until a window message arrives or ms milliseconds pass, whichever comes first.
    virtual void WaitForMessage(std::uint32_t ms) = 0;
    // The millisecond tick counter (wraps after 2^32 ms).
    virtual std::uint32_t TickCount() = 0;
    virtual void SetCursor(Cursor cursor) = 0;
    // An operation holds the port from the first to the last call: a close of the main window
    // that arrives in between is carried out only once the operation has ended.
    virtual void OperationStarted() {}
    virtual void OperationEnded() {}
    std::wstring Title;
};

// The application object in use: the Win32 one in the product, a headless one in native tests.
extern App* Application;

// Text the default error display shows for a message: "." is appended when the message is not
// empty and its last character's code is greater than that of ".".
std::wstring ErrorDisplayText(std::wstring_view message);

// Runs a handler as the event loop does: an exception escaping it is shown with the default
// error display and goes no further.
void RunHandler(const Handler& handler);

// The program entry's guarded block: runs the steps in order until one throws. A toolkit
// Exception is shown with the default error display; anything else is replaced by a toolkit
// Exception with an empty message, which is shown the same way. Returns the exit code, always 0.
int RunStartup(const std::vector<Handler>& steps);

}  // namespace toolkit
