// A headless stand-in for the window toolkit: controls that keep their state in memory and an
// application object that records every box it is asked to show. Native tests run the handlers
// against it unchanged.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "toolkit/mask.h"
#include "toolkit/toolkit.h"

namespace toolkit::headless {

struct Box {
    enum Kind { Notice, Error } kind;
    std::wstring text;     // as shown: an error's message with the display's final "."
    std::wstring caption;
};

class HeadlessApp : public App {
public:
    void ShowNotice(std::wstring_view text, std::wstring_view caption) override;
    void ShowException(const Exception& e) override;
    void ProcessMessages() override;
    void WaitForMessage(std::uint32_t ms) override;
    std::uint32_t TickCount() override;
    void SetCursor(Cursor cursor) override { cursor_ = cursor; cursors.push_back(cursor); }

    std::vector<Box> boxes;               // every box shown, in order
    std::vector<Cursor> cursors;          // every cursor change, in order
    Cursor CurrentCursor() const { return cursor_; }
    int pumpCount = 0;                    // ProcessMessages calls
    // Runs inside the box's modal loop, before it is "dismissed": tests click from here.
    std::function<void(const Box&)> onBox;
    // Run by ProcessMessages once each, in order: input that arrives during a wait.
    std::deque<std::function<void()>> pendingInput;
    // When set, the tick counter is this fake clock, advanced by WaitForMessage.
    bool fakeClock = false;
    std::uint32_t fakeTick = 0;

private:
    Cursor cursor_ = Cursor::Default;
};

class HeadlessFactory : public Factory {
public:
    std::unique_ptr<Control> Create(const ControlSpec& spec, Control* parent) override;
};

// Simulated user input on a headless combo box: picks an entry, or types a whole text, and
// raises its change event through RunHandler as the event loop would.
void PickItem(ComboBox& combo, int index);
void TypeText(ComboBox& combo, std::wstring_view text);
void Click(Button& button);

}  // namespace toolkit::headless
