// The real program under Wine, driven from outside as a user would: its window and every control
// (class, parent, rectangle, text, items, enabled state), the tab order, the odometer field's
// rules with real keystrokes, closing, and start-up failures with their exit code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/wine/win_test_util.h"
#include "ui/layout.h"

namespace {

using wintest::Box;
using wintest::Key;
using wintest::Process;

std::wstring ProgramPath() {
    return wintest::Env(L"LORVAN_EXE");
}

// What the window must show, written down from the window's description on its own, so that a
// wrong row in the layout table shows up here.
struct Expected {
    const char* name;
    const wchar_t* className;
    const char* parent;  // "" for the window
    int left, top, width, height;
    const wchar_t* text;
    std::vector<const wchar_t*> items;
    int selected;
    bool enabled;
};

const std::vector<Expected>& Controls() {
    static const std::vector<Expected> controls = {
        {"sLabel2", L"Static", "", 8, 55, 161, 20, L"Коэффициент ТС (К):", {}, -1, true},
        {"sLabel4", L"Static", "", 8, 85, 158, 20, L"Показания одометра:", {}, -1, true},
        {"sLabel6", L"Static", "", 8, 115, 106, 20, L"Настройка В8:", {}, -1, true},
        {"Edit_k", L"Edit", "", 175, 55, 61, 24, L"8000", {}, -1, true},
        {"sPanel1", L"Static", "", 0, 1, 385, 41, L"", {}, -1, true},
        {"sLabel1", L"Static", "sPanel1", 7, 10, 152, 20, L"Связь с тахографом:", {}, -1, true},
        {"ComboBox_port",
         L"ComboBox",
         "sPanel1",
         164,
         10,
         63,
         22,
         L"",
         {L"Найти устр-во"},
         -1,
         true},
        {"Button_Search", L"Button", "sPanel1", 235, 8, 62, 25, L"Найти", {}, -1, true},
        {"Button_write", L"Button", "", 8, 349, 287, 52, L"Записать все настройки", {}, -1, true},
        {"Button_read", L"Button", "", 8, 407, 287, 30, L"Считать все настройки", {}, -1, true},
        {"Edit_odo", L"Edit", "", 175, 85, 61, 24, L"000000,0", {}, -1, true},
        {"CheckBox_b8", L"Button", "", 138, 117, 102, 22, L"Включить В8", {}, -1, true},
        {"sGroupBox1",
         L"Button",
         "",
         4,
         145,
         295,
         198,
         L"                             Настройки CAN                                   ",
         {},
         -1,
         true},
        {"sLabel5", L"Static", "sGroupBox1", 8, 139, 78, 20, L"О-фактор:", {}, -1, true},
        {"sLabel7", L"Static", "sGroupBox1", 8, 49, 148, 20, L"Скорость передачи:", {}, -1, false},
        {"sLabel8", L"Static", "sGroupBox1", 8, 79, 150, 20, L"Интервал передачи:", {}, -1, false},
        {"sLabel9", L"Static", "sGroupBox1", 8, 109, 121, 20, L"Формат данных:", {}, -1, false},
        {"sLabel3", L"Static", "sGroupBox1", 8, 19, 136, 20, L"Выбор протокола:", {}, -1, true},
        {"ComboBox_speed",
         L"ComboBox",
         "sGroupBox1",
         172,
         49,
         109,
         22,
         L"250 КБит/сек",
         {L"125 КБит/сек", L"250 КБит/сек", L"500 КБит/сек", L"1000 КБит/сек"},
         1,
         false},
        {"ComboBox_timeout",
         L"ComboBox",
         "sGroupBox1",
         172,
         79,
         109,
         22,
         L"50 мс",
         {L"20 мс", L"50 мс", L"100 мс"},
         1,
         false},
        {"Edit_o", L"Edit", "sGroupBox1", 172, 135, 70, 24, L"6000", {}, -1, true},
        {"sComboBox1",
         L"ComboBox",
         "sGroupBox1",
         172,
         109,
         109,
         22,
         L"29 бит",
         {L"11 бит", L"29 бит"},
         1,
         false},
        {"ComboBox_CAN",
         L"ComboBox",
         "sGroupBox1",
         172,
         19,
         109,
         22,
         L"",
         {L"CAN выкл.", L"J1939", L"ЛиАЗ, ПАЗ", L"J1939+VIN"},
         -1,
         true},
        {"Button_write_CAN",
         L"Button",
         "sGroupBox1",
         152,
         165,
         136,
         24,
         L"Записать настройки CAN",
         {},
         -1,
         true},
        {"Button_write_k", L"Button", "", 244, 55, 55, 24, L"Записать", {}, -1, true},
        {"Button_write_odo", L"Button", "", 244, 85, 55, 24, L"Записать", {}, -1, true},
        {"Button_write_B8", L"Button", "", 244, 115, 55, 24, L"Записать", {}, -1, true},
    };
    return controls;
}

// A class name without a side-by-side version prefix ("6.0.0.0!Button").
std::wstring BaseClass(HWND hwnd) {
    std::wstring name = wintest::ClassOf(hwnd);
    return name.substr(name.find(L'!') + 1);
}

int Scale(int pixels) {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return MulDiv(pixels, dpi, 96);
}

std::wstring Item(HWND combo, int index) {
    auto length = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) {
        return L"<none>";
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

class Window : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(ProgramPath().empty()) << "LORVAN_EXE names the program";
        program = std::make_unique<Process>(ProgramPath());
        ASSERT_TRUE(program->Started());
        main = program->WaitForWindow(L"TForm1", L"Lorvan_Setup");
        ASSERT_NE(main, nullptr) << "no window of class TForm1 captioned Lorvan_Setup";
        ASSERT_TRUE(wintest::WaitUntil([&] { return wintest::FocusOf(main) == Control("Edit_k"); }))
            << "the focus starts in Edit_k";
    }
    void TearDown() override {
        if (main != nullptr && IsWindow(main)) {
            PostMessageW(main, WM_CLOSE, 0, 0);
            EXPECT_EQ(program->Wait(), 0) << "exit code after closing";
        }
    }

    // The control's window: found by its ID under the parent that the table names.
    HWND Control(const char* name) {
        int id = ui::ControlId(name);
        for (const Expected& e : Controls()) {
            if (std::string_view(e.name) == name) {
                HWND parent = *e.parent == '\0' ? main : Control(e.parent);
                return GetDlgItem(parent, id);
            }
        }
        return nullptr;
    }

    // The control that has the focus: the combo box for the edit inside it.
    HWND Focused() {
        HWND focus = wintest::FocusOf(main);
        if (focus != nullptr && BaseClass(focus) == L"Edit" &&
            BaseClass(GetParent(focus)) == L"ComboBox") {
            return GetParent(focus);
        }
        return focus;
    }
    bool WaitFocus(const char* name) {
        HWND want = Control(name);
        return wintest::WaitUntil([&] { return Focused() == want; }, 5000);
    }
    Box WaitBox() {
        HWND box = program->WaitForWindow(L"#32770", nullptr, 5000);
        return wintest::ReadBox(box);
    }
    // No box comes up within a short while.
    bool NoBox() { return program->WaitForWindow(L"#32770", nullptr, 700) == nullptr; }

    std::unique_ptr<Process> program;
    HWND main = nullptr;
};

TEST_F(Window, FrameIsFixedCentredAndOfTheStatedClientSize) {
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(client.right, Scale(304));
    EXPECT_EQ(client.bottom, Scale(443));
    LONG style = GetWindowLongW(main, GWL_STYLE);
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "the frame cannot be dragged to resize";
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_NE(style & WS_MAXIMIZEBOX, 0);
    EXPECT_EQ(GetMenu(main), nullptr);
    EXPECT_NE(GetWindowLongW(main, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0) << "task-bar button";
    EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);
    RECT frame;
    GetWindowRect(main, &frame);
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_LE(std::abs((frame.left + frame.right) - screenWidth), 2) << "centred across";
    EXPECT_LE(std::abs((frame.top + frame.bottom) - screenHeight), 2) << "centred down";
}

TEST_F(Window, EveryControlHasItsClassPlaceTextItemsAndState) {
    for (const Expected& e : Controls()) {
        SCOPED_TRACE(e.name);
        HWND hwnd = Control(e.name);
        ASSERT_NE(hwnd, nullptr) << "no control with ID " << ui::ControlId(e.name);
        HWND parent = *e.parent == '\0' ? main : Control(e.parent);
        EXPECT_EQ(GetParent(hwnd), parent);
        EXPECT_EQ(BaseClass(hwnd), e.className);
        RECT rc;
        GetWindowRect(hwnd, &rc);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
        EXPECT_EQ(rc.left, Scale(e.left));
        EXPECT_EQ(rc.top, Scale(e.top));
        EXPECT_EQ(rc.right - rc.left, Scale(e.width));
        EXPECT_EQ(rc.bottom - rc.top, Scale(e.height));
        EXPECT_EQ(wintest::TextOf(hwnd), e.text);
        EXPECT_EQ(IsWindowEnabled(hwnd) != FALSE, e.enabled);
        EXPECT_TRUE(IsWindowVisible(hwnd));
        if (e.className == std::wstring_view(L"ComboBox")) {
            ASSERT_EQ(SendMessageW(hwnd, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(e.items.size()));
            for (std::size_t i = 0; i < e.items.size(); ++i) {
                EXPECT_EQ(Item(hwnd, static_cast<int>(i)), e.items[i]) << "entry " << i;
            }
            EXPECT_EQ(SendMessageW(hwnd, CB_GETCURSEL, 0, 0), e.selected);
            // The port selector is typed into; the others are lists only.
            LONG kind = GetWindowLongW(hwnd, GWL_STYLE) & 3;
            EXPECT_EQ(kind, std::string_view(e.name) == "ComboBox_port" ? CBS_DROPDOWN
                                                                        : CBS_DROPDOWNLIST);
        }
    }
    LONG check = GetWindowLongW(Control("CheckBox_b8"), GWL_STYLE) & BS_TYPEMASK;
    EXPECT_EQ(check, BS_AUTOCHECKBOX);
    EXPECT_EQ(SendMessageW(Control("CheckBox_b8"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_EQ(GetWindowLongW(Control("sGroupBox1"), GWL_STYLE) & BS_TYPEMASK, BS_GROUPBOX);

    // The picture of the window, for a person to look at.
    std::wstring shot = wintest::Env(L"LORVAN_SHOT");
    if (!shot.empty()) {
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        Sleep(500);
        EXPECT_TRUE(wintest::SaveScreenshot(main, shot));
    }
}

TEST_F(Window, TabWalksTheControlsInTheirOrderAndShiftTabGoesBack) {
    const char* order[] = {
        "ComboBox_port",    "Button_Search",   "Button_write", "Button_read",      "Edit_odo",
        "CheckBox_b8",      "Edit_o",          "ComboBox_CAN", "Button_write_CAN", "Button_write_k",
        "Button_write_odo", "Button_write_B8", "Edit_k"};
    for (const char* name : order) {
        Key(VK_TAB);
        ASSERT_TRUE(WaitFocus(name)) << "Tab should reach " << name;
    }
    for (int i = static_cast<int>(std::size(order)) - 2; i >= 0; --i) {
        Key(VK_TAB, true);
        ASSERT_TRUE(WaitFocus(order[i])) << "Shift+Tab should reach " << order[i];
    }
}

TEST_F(Window, EnterAndEscapeInAFieldPressNoButton) {
    Key(VK_RETURN);
    Key(VK_ESCAPE);
    EXPECT_TRUE(NoBox());
    EXPECT_EQ(Focused(), Control("Edit_k"));
    EXPECT_EQ(wintest::TextOf(Control("Edit_k")), L"8000");
    EXPECT_TRUE(IsWindowVisible(main));
}

TEST_F(Window, OdometerFieldTakesDigitsOnlyAndRefusesToBeLeftIncomplete) {
    HWND odo = Control("Edit_odo");
    for (int i = 0; i < 5; ++i) {
        Key(VK_TAB);
    }
    ASSERT_TRUE(WaitFocus("Edit_odo"));
    auto text = [&] { return wintest::TextOf(odo); };
    auto settle = [] { Sleep(300); };

    Key(VK_HOME);
    wintest::Type(L"a");
    settle();
    EXPECT_EQ(text(), L"000000,0") << "a letter changes nothing";

    wintest::Type(L"12");
    ASSERT_TRUE(wintest::WaitUntil([&] { return text() == L"120000,0"; }, 3000)) << "overwrite";

    Key(VK_HOME);
    Key(VK_DELETE);
    ASSERT_TRUE(wintest::WaitUntil([&] { return text() == L"_20000,0"; }, 3000))
        << "a deleted digit leaves its position empty";

    Key(VK_TAB);
    Box box = WaitBox();
    ASSERT_NE(box.hwnd, nullptr) << "leaving the field incomplete brings the error box";
    EXPECT_EQ(box.text, L"Invalid input value.  Use escape key to abandon changes.");
    EXPECT_EQ(box.caption, L"Lorvan_Setup");
    EXPECT_TRUE(box.hasIcon);
    EXPECT_EQ(box.buttons, 1);
    wintest::DismissBox(box.hwnd);
    ASSERT_TRUE(WaitFocus("Edit_odo")) << "the focus stays in the field";
    EXPECT_EQ(text(), L"_20000,0") << "the text keeps its empty position";
    EXPECT_EQ(LOWORD(SendMessageW(odo, EM_GETSEL, 0, 0)), 0) << "caret on the empty position";

    Key(VK_ESCAPE);
    ASSERT_TRUE(wintest::WaitUntil([&] { return text() == L"000000,0"; }, 3000))
        << "Escape puts back the text from when the focus came in";
    Key(VK_TAB);
    EXPECT_TRUE(WaitFocus("CheckBox_b8")) << "once restored the field can be left";
    EXPECT_TRUE(NoBox());

    // Enter refuses an incomplete field the same way, and does nothing on a complete one.
    Key(VK_TAB, true);
    ASSERT_TRUE(WaitFocus("Edit_odo"));
    Key(VK_END);
    Key(VK_BACK);
    ASSERT_TRUE(wintest::WaitUntil([&] { return text() == L"000000,_"; }, 3000));
    Key(VK_RETURN);
    box = WaitBox();
    ASSERT_NE(box.hwnd, nullptr) << "Enter with an empty position brings the error box";
    EXPECT_EQ(box.text, L"Invalid input value.  Use escape key to abandon changes.");
    wintest::DismissBox(box.hwnd);
    ASSERT_TRUE(WaitFocus("Edit_odo"));
    EXPECT_EQ(LOWORD(SendMessageW(odo, EM_GETSEL, 0, 0)), 7);
    wintest::Type(L"5");
    ASSERT_TRUE(wintest::WaitUntil([&] { return text() == L"000000,5"; }, 3000));
    Key(VK_RETURN);
    EXPECT_TRUE(NoBox());
}

TEST(Closing, EveryWayOfClosingEndsWithExitCodeZero) {
    struct Way {
        const char* name;
        void (*close)(HWND);
    } ways[] = {
        {"WM_CLOSE", [](HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); }},
        {"system menu Close", [](HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Alt+F4",
         [](HWND w) {
             SetForegroundWindow(w);
             Key(VK_F4, false, true);
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        Process program(ProgramPath());
        HWND main = program.WaitForWindow(L"TForm1", L"Lorvan_Setup");
        ASSERT_NE(main, nullptr);
        way.close(main);
        EXPECT_EQ(program.Wait(), 0);
    }
}

// The start-up probe runs the program's start-up routine with a failure injected before a step.
TEST(Startup, AFailureAtAnyStepIsShownAndTheExitCodeIsZero) {
    std::wstring probe = wintest::Env(L"LORVAN_STARTUP_PROBE");
    ASSERT_FALSE(probe.empty());
    for (int step = 1; step <= 5; ++step) {
        for (const wchar_t* kind : {L"toolkit", L"other"}) {
            SCOPED_TRACE(testing::Message()
                         << "step " << step << ", " << (kind[0] == L't' ? "toolkit" : "other"));
            Process program(probe, std::to_wstring(step) + L" " + kind);
            ASSERT_TRUE(program.Started());
            HWND hwnd = program.WaitForWindow(L"#32770");
            ASSERT_NE(hwnd, nullptr);
            Box box = wintest::ReadBox(hwnd);
            EXPECT_EQ(box.text, kind[0] == L't' ? L"Start-up failed." : L"");
            // The title is set by step 3; before it the toolkit names the program's file.
            EXPECT_EQ(box.caption, step > 3 ? L"Lorvan_Setup" : L"startup_probe");
            EXPECT_TRUE(box.hasIcon);
            EXPECT_EQ(program.FindWindow(L"TForm1"), nullptr) << "the window is never shown";
            wintest::DismissBox(hwnd);
            EXPECT_EQ(program.Wait(), 0);
        }
    }
}

}  // namespace
