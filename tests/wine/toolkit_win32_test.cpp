// The Win32 toolkit in the test's own process: the main window built from the layout, its event
// loop run here while a driver thread acts on it and watches the boxes.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "tests/wine/win_test_util.h"
#include "toolkit/win32/win32_toolkit.h"
#include "ui/layout.h"
#include "ui/unit1.h"

namespace {

// Runs code on the window thread, from the driver thread, and waits for it: a message to a
// message-only window of the window thread.
class OnWindowThread {
  public:
    OnWindowThread() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"LorvanTestDriver";
        RegisterClassW(&wc);
        hwnd_ = CreateWindowW(L"LorvanTestDriver", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    }
    ~OnWindowThread() { DestroyWindow(hwnd_); }
    void operator()(std::function<void()> work) const {
        SendMessageW(hwnd_, WM_APP, 0, reinterpret_cast<LPARAM>(&work));
    }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg == WM_APP) {
            (*reinterpret_cast<std::function<void()>*>(lParam))();
            return 0;
        }
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    HWND hwnd_;
};

HWND FindOwnBox(const wchar_t* caption, DWORD timeoutMs = 5000) {
    HWND box = nullptr;
    wintest::WaitUntil(
        [&] {
            box = FindWindowW(L"#32770", caption);
            return box != nullptr && IsWindowVisible(box);
        },
        timeoutMs);
    return box;
}

class Win32Toolkit : public testing::Test {
  protected:
    void SetUp() override {
        app = std::make_unique<toolkit::win32::Win32App>(GetModuleHandleW(nullptr));
        toolkit::Application = app.get();
        app->Initialize();
        app->SetMainFormOnTaskBar(true);
        app->Title = L"Lorvan_Setup";
        app->CreateMainWindow(L"TForm1", ui::kCaption, ui::kClientWidth, ui::kClientHeight);
        form = std::make_unique<TForm1>(app->ControlFactory());
        main = app->MainWindow();
    }
    void TearDown() override {
        form.reset();
        app->DestroyMainWindow();
        app.reset();
        toolkit::Application = nullptr;
    }

    HWND Hwnd(const char* name) {
        for (const ui::LayoutRow& row : ui::Layout()) {
            if (row.name == name) {
                HWND parent = row.parent.empty() ? main : Hwnd(std::string(row.parent).c_str());
                return GetDlgItem(parent, ui::ControlId(name));
            }
        }
        return nullptr;
    }

    // Runs the event loop until the window is closed while the driver works from its own thread.
    // A loop that does not end within 30 s fails the test.
    void RunWith(const std::function<void()>& driver) {
        timedOut = false;
        UINT_PTR timer = SetTimer(nullptr, 0, 30000, TimedOut);
        std::thread thread(driver);
        app->Run();
        KillTimer(nullptr, timer);
        thread.join();
        EXPECT_FALSE(timedOut) << "the event loop did not end";
    }
    static void CALLBACK TimedOut(HWND, UINT, UINT_PTR, DWORD) {
        timedOut = true;
        PostQuitMessage(0);
    }
    static inline std::atomic<bool> timedOut{false};

    std::unique_ptr<toolkit::win32::Win32App> app;
    std::unique_ptr<TForm1> form;
    HWND main = nullptr;
    OnWindowThread onUi;
};

TEST_F(Win32Toolkit, CloseDuringAnOperationIsCarriedOutAfterItsLastBox) {
    bool openDuringWait = false;
    bool ranAfterBox = false;
    form->Button_write_k->OnClick = [&] {
        toolkit::Application->OperationStarted();
        PostMessageW(main, WM_CLOSE, 0, 0);
        DWORD start = GetTickCount();
        while (GetTickCount() - start < 300) {
            toolkit::Application->ProcessMessages();
            toolkit::Application->WaitForMessage(20);
        }
        openDuringWait = !app->Terminated() && IsWindowVisible(main);
        toolkit::Application->ShowNotice(L"Данные успешно записаны!", L"Внимание!");
        ranAfterBox = true;
        toolkit::Application->OperationEnded();
    };
    wintest::Box box;
    bool mainDisabledUnderBox = false;
    bool boxSurvivedClose = false;
    RunWith([&] {
        PostMessageW(Hwnd("Button_write_k"), BM_CLICK, 0, 0);
        HWND hwnd = FindOwnBox(L"Внимание!");
        if (hwnd == nullptr) {
            PostMessageW(main, WM_CLOSE, 0, 0);
            return;
        }
        box = wintest::ReadBox(hwnd);
        mainDisabledUnderBox = !IsWindowEnabled(main) && GetWindow(hwnd, GW_OWNER) == main;
        PostMessageW(main, WM_CLOSE, 0, 0);  // a second close while the box is up
        Sleep(400);
        boxSurvivedClose = IsWindow(hwnd) && IsWindowVisible(hwnd);
        wintest::DismissBox(hwnd);
    });
    EXPECT_TRUE(openDuringWait) << "the close waited for the operation";
    EXPECT_EQ(box.text, L"Данные успешно записаны!");
    EXPECT_FALSE(box.hasIcon) << "a notice box has no icon";
    EXPECT_EQ(box.buttons, 1);
    EXPECT_TRUE(mainDisabledUnderBox) << "the box is modal to the window";
    EXPECT_TRUE(boxSurvivedClose);
    EXPECT_TRUE(ranAfterBox);
    EXPECT_TRUE(app->Terminated());
}

TEST_F(Win32Toolkit, AnExceptionEscapingAHandlerIsShownAndTheLoopGoesOn) {
    struct Case {
        std::function<void()> raise;
        std::wstring shown;
    };
    std::vector<Case> cases = {
        {[] { throw toolkit::EConvertError(L"''12a'' is not a valid integer value"); },
         L"''12a'' is not a valid integer value."},
        {[] { throw std::runtime_error("not the toolkit's"); }, L""},
        {[] { throw toolkit::Exception(L"Ends with a period."); }, L"Ends with a period."},
    };
    std::size_t clicks = 0;
    form->Button_write->OnClick = [&] { cases[clicks++].raise(); };
    std::vector<wintest::Box> boxes;
    RunWith([&] {
        for (std::size_t i = 0; i < cases.size(); ++i) {
            PostMessageW(Hwnd("Button_write"), BM_CLICK, 0, 0);
            HWND hwnd = FindOwnBox(L"Lorvan_Setup");
            if (hwnd == nullptr) {
                break;
            }
            boxes.push_back(wintest::ReadBox(hwnd));
            wintest::DismissBox(hwnd);
            wintest::WaitUntil([&] { return !IsWindow(hwnd); });
        }
        PostMessageW(main, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(clicks, cases.size());
    ASSERT_EQ(boxes.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(boxes[i].text, cases[i].shown);
        EXPECT_TRUE(boxes[i].hasIcon) << "the error display shows the error icon";
        EXPECT_EQ(boxes[i].buttons, 1);
    }
}

TEST_F(Win32Toolkit, AnIncompleteOdometerDropsTheClickThatTookItsFocus) {
    int clicks = 0;
    form->Button_write_odo->OnClick = [&] { ++clicks; };
    HWND odo = Hwnd("Edit_odo");
    HWND button = Hwnd("Button_write_odo");
    std::wstring handedOut;
    wintest::Box box;
    bool focusBack = false;
    int clicksAfterRefusal = -1;
    RunWith([&] {
        onUi([&] {
            SetFocus(odo);
            SendMessageW(odo, EM_SETSEL, 0, 0);
            SendMessageW(odo, WM_KEYDOWN, VK_DELETE, 0);
            handedOut = form->Edit_odo->Text();
            SendMessageW(button, BM_CLICK, 0, 0);  // takes the focus, then clicks
        });
        HWND hwnd = FindOwnBox(L"Lorvan_Setup");
        box = wintest::ReadBox(hwnd);
        wintest::DismissBox(hwnd);
        wintest::WaitUntil([&] { return !IsWindow(hwnd); });
        Sleep(100);
        onUi([&] {
            focusBack = GetFocus() == odo;
            clicksAfterRefusal = clicks;
            SendMessageW(odo, WM_CHAR, VK_ESCAPE, 0);
            SendMessageW(button, BM_CLICK, 0, 0);
        });
        PostMessageW(main, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(handedOut, L" 00000,0") << "an empty position is handed out as a space";
    EXPECT_EQ(box.text, L"Invalid input value.  Use escape key to abandon changes.");
    EXPECT_TRUE(focusBack);
    EXPECT_EQ(clicksAfterRefusal, 0) << "the refused click started nothing";
    EXPECT_EQ(clicks, 1) << "once restored, a click runs";
    EXPECT_EQ(form->Edit_odo->Text(), L"000000,0");
}

TEST_F(Win32Toolkit, OdometerFitsATextThatTheProgramSetsAndDoesNotRefuseIt) {
    struct Case {
        const wchar_t* set;
        const wchar_t* shown;
        const wchar_t* handedOut;
    } cases[] = {
        {L"012345,6", L"012345,6", L"012345,6"}, {L"167772,15", L"167772,1", L"167772,1"},
        {L"12,3", L"12____,3", L"12    ,3"},     {L"1234567", L"123456,_", L"123456, "},
        {L"", L"______,_", L"      , "},
    };
    HWND odo = Hwnd("Edit_odo");
    for (const Case& c : cases) {
        form->Edit_odo->SetText(c.set);
        EXPECT_EQ(wintest::TextOf(odo), c.shown);
        EXPECT_EQ(form->Edit_odo->Text(), c.handedOut);
    }
    // Whoever sets the text through the window gets it fitted too.
    SetWindowTextW(odo, L"99");
    EXPECT_EQ(wintest::TextOf(odo), L"99____,_");

    bool boxShown = true;
    RunWith([&] {
        onUi([&] {
            SetFocus(odo);
            form->Edit_odo->SetText(L"12,3");
            SetFocus(Hwnd("Edit_k"));  // not the user's change: nothing to refuse
        });
        boxShown = FindOwnBox(L"Lorvan_Setup", 700) != nullptr;
        PostMessageW(main, WM_CLOSE, 0, 0);
    });
    EXPECT_FALSE(boxShown);
}

TEST_F(Win32Toolkit, PortSelectorRaisesItsChangeWithTheNewStateInPlace) {
    toolkit::ComboBox& port = *form->ComboBox_port;
    port.ClearItems();
    port.AddItem(L"COM3");
    port.AddItem(ui::kSearchItem);
    std::vector<std::pair<int, std::wstring>> seen;
    port.OnChange = [&] { seen.emplace_back(port.ItemIndex(), port.Text()); };
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(Hwnd("ComboBox_port"), &info));
    HWND edit = info.hwndItem;

    SetFocus(edit);
    SendMessageW(edit, WM_CHAR, L'c', 0);     // completes to the entry it begins
    SendMessageW(edit, WM_CHAR, L'x', 0);     // replaces the completed part: no entry any more
    SendMessageW(edit, WM_CHAR, VK_BACK, 0);  // no completion on Backspace
    port.SetText(L"");
    SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);  // picks an entry of the list
    SendMessageW(edit, WM_KEYDOWN, VK_DOWN, 0);
    port.SetItemIndex(0);  // the program's own change raises nothing
    // Completion takes the entry's own letters.
    std::vector<std::pair<int, std::wstring>> expected = {
        {0, L"COM3"}, {-1, L"Cx"}, {-1, L"C"}, {0, L"COM3"}, {1, std::wstring(ui::kSearchItem)}};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(port.Text(), L"COM3");

    // The program's text edit drops the selection; clearing the list keeps the text.
    port.SetText(L"COM7");
    EXPECT_EQ(port.ItemIndex(), -1);
    port.ClearItems();
    EXPECT_EQ(port.Count(), 0);
    EXPECT_EQ(port.Text(), L"COM7");
}

TEST_F(Win32Toolkit, HourGlassShowsOverTheWindowAndItsControls) {
    HWND edit = Hwnd("Edit_k");
    LPARAM hit = MAKELPARAM(HTCLIENT, WM_MOUSEMOVE);
    app->SetCursor(toolkit::Cursor::HourGlass);
    EXPECT_EQ(SendMessageW(edit, WM_SETCURSOR, reinterpret_cast<WPARAM>(edit), hit), TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    HWND label = Hwnd("sLabel5");
    EXPECT_EQ(SendMessageW(label, WM_SETCURSOR, reinterpret_cast<WPARAM>(label), hit), TRUE);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    app->SetCursor(toolkit::Cursor::Default);
    SendMessageW(main, WM_SETCURSOR, reinterpret_cast<WPARAM>(main), hit);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
}

TEST_F(Win32Toolkit, WaitForMessageSleepsUntilAMessageOrItsTime) {
    app->ProcessMessages();
    DWORD start = GetTickCount();
    app->WaitForMessage(300);
    DWORD idle = GetTickCount() - start;
    EXPECT_GE(idle, 250u);
    EXPECT_LT(idle, 3000u);

    std::thread poster([&] {
        Sleep(100);
        PostMessageW(main, WM_NULL, 0, 0);
    });
    start = GetTickCount();
    app->WaitForMessage(10000);
    DWORD woken = GetTickCount() - start;
    poster.join();
    EXPECT_LT(woken, 3000u) << "a message ends the wait";
    app->ProcessMessages();
}

}  // namespace
