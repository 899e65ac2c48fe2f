// The window's operations run as the event loop runs them (through the headless toolkit), against
// tacho-sim on pseudo-terminals: what the boxes say, what the window shows, and what went on the
// wire according to the simulator's log.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "serial/serial.h"
#include "serial/serial_trace.h"
#include "tests/native/sim_process.h"
#include "toolkit/headless.h"
#include "ui/layout.h"
#include "ui/operations.h"
#include "ui/unit1.h"

using testing_sim::SimProcess;
using toolkit::headless::Box;
using Strings = std::vector<std::string>;
using WStrings = std::vector<std::wstring>;

namespace {

const std::wstring kCaption = L"Внимание!";
const std::wstring kWritten = L"Данные успешно записаны!";
const std::wstring kOpenFailed = L"Ошибка открытия порта";
const std::wstring kFound = L"Устройство обнаружено";
const std::wstring kNotFound = L"Устройство не найдено";
const std::wstring kSearchItem(ui::kSearchItem);

using simlog::kProbe;
using simlog::kReadB8;
using simlog::kReadCan;
using simlog::kReadK;
using simlog::kReadO;
using simlog::kReadOdo;
using simlog::kWriteB8Off;
using simlog::kWriteCanNone;
using simlog::kWriteK8000;
using simlog::kWriteO6000;
using simlog::kWriteOdoZero;

// The application object of the tests: the headless one, which also notes when an operation
// tells it that it starts and ends.
class TestApp : public toolkit::headless::HeadlessApp {
  public:
    void OperationStarted() override { events.push_back("started"); }
    void OperationEnded() override { events.push_back("ended"); }
    std::vector<std::string> events;
};

// Names each case of a table after its name field.
struct ByName {
    template <typename P>
    std::string operator()(const ::testing::TestParamInfo<P>& p) const {
        return p.param.name;
    }
};

std::string On(int port, const std::string& frame) {
    return "COM" + std::to_string(port) + ": " + frame;
}

Strings On(int port, const Strings& frames) {
    Strings out;
    for (const std::string& f : frames) {
        out.push_back(On(port, f));
    }
    return out;
}

class Operations : public ::testing::Test {
  protected:
    void SetUp() override {
        app.Title = L"Lorvan_Setup";
        toolkit::Application = &app;
        form = std::make_unique<TForm1>(factory);
        Form1 = form.get();
        PortIndex = 0;
        ErrorText.clear();
        app.onBox = [this](const Box&) {
            // The port of a write stays held while its box is up.
            portOpenAtBox.push_back(PortIsOpen());
            cursorAtBox.push_back(app.CurrentCursor());
            if (onBox) {
                onBox();
            }
        };
    }
    void TearDown() override {
        EXPECT_FALSE(PortIsOpen()) << "an operation left the port open";
        SerialTrace = nullptr;
        Form1 = nullptr;
        form.reset();
        toolkit::Application = nullptr;
    }

    void Sim(const Strings& ports) {
        sim.reset();
        sim = std::make_unique<SimProcess>(ports);
    }

    WStrings Texts() const {
        WStrings texts;
        for (const Box& b : app.boxes) {
            texts.push_back(b.text);
        }
        return texts;
    }
    // Every box shown was a notice box with the caption "Внимание!".
    void ExpectNotices(const WStrings& texts) const {
        EXPECT_EQ(Texts(), texts);
        for (const Box& b : app.boxes) {
            EXPECT_EQ(b.kind, Box::Notice) << "box: " << testing::PrintToString(b.text);
            EXPECT_EQ(b.caption, kCaption);
        }
    }
    void ExpectOnlyError(const std::wstring& text) const {
        ASSERT_EQ(app.boxes.size(), 1u);
        EXPECT_EQ(app.boxes[0].kind, Box::Error);
        EXPECT_EQ(app.boxes[0].text, text);
        EXPECT_EQ(app.boxes[0].caption, L"Lorvan_Setup");
    }
    WStrings PortItems() const {
        WStrings items;
        for (int i = 0; i < form->ComboBox_port->Count(); ++i) {
            items.push_back(form->ComboBox_port->Item(i));
        }
        return items;
    }
    void Click(toolkit::Button* b) { toolkit::headless::Click(*b); }

    TestApp app;
    toolkit::headless::HeadlessFactory factory;
    std::unique_ptr<TForm1> form;
    std::unique_ptr<SimProcess> sim;
    std::vector<bool> portOpenAtBox;
    std::vector<toolkit::Cursor> cursorAtBox;
    std::function<void()> onBox;
};

// --- the device search -----------------------------------------------------------------------

struct SearchCase {
    const char* name;
    Strings ports;      // simulator's ports; the others of COM1..COM42 are absent
    WStrings items;     // the port selector's list afterwards
    int selected;       // its selected entry
    std::wstring text;  // its text
    int portIndex;      // PortIndex afterwards (it was 20 before)
    std::wstring box;   // the one box
    Strings probed;     // requests on the wire, in order
};

void PrintTo(const SearchCase& c, std::ostream* os) {
    *os << c.name;
}

class Search : public Operations, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(Search, ProbesInOrderAndOffersTheFirstPortThatAnswers) {
    const SearchCase& c = GetParam();
    Sim(c.ports);
    std::vector<SerialCall> trace;
    SerialTrace = &trace;
    PortIndex = 20;
    Click(form->Button_Search);

    ExpectNotices({c.box});
    EXPECT_EQ(PortItems(), c.items);
    EXPECT_EQ(form->ComboBox_port->ItemIndex(), c.selected);
    EXPECT_EQ(form->ComboBox_port->Text(), c.text);
    EXPECT_EQ(PortIndex, c.portIndex);
    EXPECT_EQ(sim->Received(), c.probed);
    // Hourglass for the search, the default cursor back before its box.
    EXPECT_EQ(app.cursors,
              (std::vector<toolkit::Cursor>{toolkit::Cursor::HourGlass, toolkit::Cursor::Default}));
    EXPECT_EQ(cursorAtBox, std::vector<toolkit::Cursor>{toolkit::Cursor::Default});

    // No port above the one found is even tried; every test open is closed before the set-up
    // opens the port again.
    const int highest = c.selected < 0 ? kPortCount : c.portIndex + 1;
    int open = -1;
    for (const SerialCall& call : trace) {
        if (call.name == "open") {
            const int number = std::stoi(call.args.substr(call.args.rfind("/COM") + 4));
            EXPECT_LE(number, highest) << "opened " << call.args;
            EXPECT_EQ(open, -1) << "opened " << call.args << " while " << open << " was open";
            open = static_cast<int>(call.handle);
        } else if (call.name == "close") {
            EXPECT_EQ(call.handle, open);
            open = -1;
        }
    }
    EXPECT_TRUE(sim->AllClosed());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Search,
    ::testing::Values(
        SearchCase{
            "Com3", {"COM3"}, {L"COM 3", kSearchItem}, 0, L"COM 3", 2, kFound, {On(3, kProbe)}},
        SearchCase{"Com12",
                   {"COM12"},
                   {L"COM 12", kSearchItem},
                   0,
                   L"COM 12",
                   11,
                   kFound,
                   {On(12, kProbe)}},
        SearchCase{"Com42",
                   {"COM42"},
                   {L"COM 42", kSearchItem},
                   0,
                   L"COM 42",
                   41,
                   kFound,
                   {On(42, kProbe)}},
        SearchCase{"TwoDevicesTheLowerWins",
                   {"COM9", "COM5"},
                   {L"COM 5", kSearchItem},
                   0,
                   L"COM 5",
                   4,
                   kFound,
                   {On(5, kProbe)}},
        SearchCase{"OtherDevicesBeforeIt",
                   {"COM2=silent", "COM4=noise", "COM6=echo", "COM7"},
                   {L"COM 7", kSearchItem},
                   0,
                   L"COM 7",
                   6,
                   kFound,
                   {On(2, kProbe), On(4, kProbe), On(6, kProbe), On(7, kProbe)}},
        // Only bytes 0 and 6 count; a reply that does not reach byte 6 is not the device.
        SearchCase{"OnlyBytes0And6Count",
                   {"COM1,raw.probe=02 FF FF FF FF FF E2", "COM2,raw.probe=02 49 01 D1 00 E2"},
                   {L"COM 1", kSearchItem},
                   0,
                   L"COM 1",
                   0,
                   kFound,
                   {On(1, kProbe)}},
        SearchCase{"ShortReplyIsNotTheDevice",
                   {"COM1,raw.probe=02 49 01 D1 00 E2", "COM2,raw.probe=03 49 01 D1 00 00 E2"},
                   {kSearchItem},
                   -1,
                   L"       ",
                   20,
                   kNotFound,
                   {On(1, kProbe), On(2, kProbe)}},
        SearchCase{"NoDevice", {}, {kSearchItem}, -1, L"       ", 20, kNotFound, {}},
        SearchCase{"SilentPorts",
                   {"COM1=silent", "COM40=silent"},
                   {kSearchItem},
                   -1,
                   L"       ",
                   20,
                   kNotFound,
                   {On(1, kProbe), On(40, kProbe)}}),
    ByName());

TEST_F(Operations, SecondSearchMovesToTheNewPort) {
    Sim({"COM5"});
    Click(form->Button_Search);
    EXPECT_EQ(PortIndex, 4);
    Sim({"COM7"});
    Click(form->Button_Search);
    ExpectNotices({kFound, kFound});
    EXPECT_EQ(PortItems(), (WStrings{L"COM 7", kSearchItem}));
    EXPECT_EQ(form->ComboBox_port->ItemIndex(), 0);
    EXPECT_EQ(PortIndex, 6);
}

TEST_F(Operations, PickingAnEntrySetsThePortAndTheSearchEntrySearches) {
    Sim({"COM7"});
    Click(form->Button_Search);
    PortIndex = 0;
    toolkit::headless::PickItem(*form->ComboBox_port, 0);
    EXPECT_EQ(PortIndex, 6);
    EXPECT_EQ(app.boxes.size(), 1u);

    // Picking the search entry searches again; the write after it goes to the port found.
    Sim({"COM9"});
    toolkit::headless::PickItem(*form->ComboBox_port, 1);
    ExpectNotices({kFound, kFound});
    EXPECT_EQ(PortItems(), (WStrings{L"COM 9", kSearchItem}));
    EXPECT_EQ(PortIndex, 8);
    Click(form->Button_write_k);
    EXPECT_EQ(sim->Received(), (Strings{On(9, kProbe), On(9, kWriteK8000)}));
}

TEST_F(Operations, TypingTheSearchEntrySearches) {
    Sim({"COM3"});
    toolkit::headless::TypeText(*form->ComboBox_port, kSearchItem);
    ExpectNotices({kFound});
    EXPECT_EQ(PortIndex, 2);
    EXPECT_EQ(sim->Received(), Strings{On(3, kProbe)});
}

TEST_F(Operations, OtherSelectorTextsOnlyReadTheSelectionAgain) {
    Sim({"COM3"});
    for (const std::wstring& text : {std::wstring(L"Поиск......"), std::wstring(L"       "),
                                     std::wstring(L"COM 3"), std::wstring(L"Найти")}) {
        PortIndex = 30;
        toolkit::headless::TypeText(*form->ComboBox_port, text);
        EXPECT_EQ(PortIndex, 30) << testing::PrintToString(text);
    }
    EXPECT_TRUE(app.boxes.empty());
    EXPECT_TRUE(sim->Received().empty());
}

TEST_F(Operations, FailedSearchKeepsThePortOfTheLastOne) {
    Sim({"COM4"});
    Click(form->Button_Search);
    Sim({});
    Click(form->Button_Search);
    ExpectNotices({kFound, kNotFound});
    EXPECT_EQ(PortIndex, 3);
    EXPECT_EQ(form->ComboBox_port->Text(), L"       ");
    Sim({"COM4"});
    Click(form->Button_write_B8);
    EXPECT_EQ(sim->Received(), Strings{On(4, kWriteB8Off)});
}

// --- single writes ---------------------------------------------------------------------------

struct WriteCase {
    const char* name;
    std::string portOptions;  // options of the tachograph on COM1, "" for none; "absent": no port
    toolkit::Button* TForm1::*button;
    std::function<void(TForm1&)> setUp;  // what the user entered before the click
    Strings sent;                        // requests on the wire
    WStrings boxes;
};

void PrintTo(const WriteCase& c, std::ostream* os) {
    *os << c.name;
}

class SingleWrite : public Operations, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(SingleWrite, SendsItsFramesAndReportsInOneBox) {
    const WriteCase& c = GetParam();
    Sim(c.portOptions == "absent" ? Strings{} : Strings{"COM1" + c.portOptions});
    if (c.setUp) {
        c.setUp(*form);
    }
    Click((*form).*c.button);
    ExpectNotices(c.boxes);
    EXPECT_EQ(sim->Received(), On(1, c.sent));
    // The port is held until the last box has gone.
    EXPECT_EQ(portOpenAtBox.back(), c.portOptions != "absent");
    EXPECT_TRUE(sim->AllClosed());
    EXPECT_EQ(app.events, (Strings{"started", "ended"}));
}

const std::wstring kKRejected = L"Ошибка записи К!";

INSTANTIATE_TEST_SUITE_P(
    Cases, SingleWrite,
    ::testing::Values(
        WriteCase{"KAccepted", "", &TForm1::Button_write_k, nullptr, {kWriteK8000}, {kWritten}},
        WriteCase{"KRejected",
                  ",reject=k",
                  &TForm1::Button_write_k,
                  nullptr,
                  {kWriteK8000},
                  {kKRejected}},
        WriteCase{"KWithLeadingSpaceAndHex",
                  "",
                  &TForm1::Button_write_k,
                  [](TForm1& f) { f.Edit_k->SetText(L" $FFFF"); },
                  {"02 49 02 35 09 FF FF 76"},
                  {kWritten}},
        // Six bytes with 0x00 at byte 5 are enough; five are not, whatever they hold.
        WriteCase{"SixByteReplyAccepted",
                  ",short=1",
                  &TForm1::Button_write_k,
                  nullptr,
                  {kWriteK8000},
                  {kWritten}},
        WriteCase{"ShortReplyRejected",
                  ",short=2",
                  &TForm1::Button_write_k,
                  nullptr,
                  {kWriteK8000},
                  {kKRejected}},
        WriteCase{"SilentDeviceRejected",
                  "=silent",
                  &TForm1::Button_write_k,
                  nullptr,
                  {kWriteK8000},
                  {kKRejected}},
        WriteCase{"MissingPortTwoBoxes",
                  "absent",
                  &TForm1::Button_write_k,
                  nullptr,
                  {},
                  {kOpenFailed, kKRejected}},
        WriteCase{"OdoAccepted",
                  "",
                  &TForm1::Button_write_odo,
                  [](TForm1& f) { f.Edit_odo->SetText(L"012345,6"); },
                  {"02 49 04 35 0C 40 E2 01 00 4C"},
                  {kWritten}},
        WriteCase{"OdoRejected",
                  ",reject=odo",
                  &TForm1::Button_write_odo,
                  nullptr,
                  {kWriteOdoZero},
                  {L"Ошибка записи пробега!"}},
        WriteCase{"B8OnAccepted",
                  "",
                  &TForm1::Button_write_B8,
                  [](TForm1& f) { f.CheckBox_b8->SetChecked(true); },
                  {"02 49 02 35 0B 64 00 0E"},
                  {kWritten}},
        WriteCase{"B8Rejected",
                  ",reject=b8",
                  &TForm1::Button_write_B8,
                  nullptr,
                  {kWriteB8Off},
                  {L"Ошибка записи В8!"}},
        WriteCase{"B8MissingPort",
                  "absent",
                  &TForm1::Button_write_B8,
                  nullptr,
                  {},
                  {kOpenFailed, L"Ошибка записи В8!"}},
        WriteCase{"CanBothAccepted",
                  "",
                  &TForm1::Button_write_CAN,
                  [](TForm1& f) { f.ComboBox_CAN->SetItemIndex(3); },
                  {"02 49 01 35 0A 03 71", kWriteO6000},
                  {kWritten}},
        WriteCase{"CanProtocolRejected",
                  ",reject=can",
                  &TForm1::Button_write_CAN,
                  nullptr,
                  {kWriteCanNone, kWriteO6000},
                  {L"Ошибка записи CAN!"}},
        WriteCase{"CanOFactorRejected",
                  ",reject=o",
                  &TForm1::Button_write_CAN,
                  nullptr,
                  {kWriteCanNone, kWriteO6000},
                  {L"\n Ошибка записи O!"}},
        WriteCase{"CanBothRejected",
                  ",reject=can+o",
                  &TForm1::Button_write_CAN,
                  nullptr,
                  {kWriteCanNone, kWriteO6000},
                  {L"Ошибка записи CAN!\n Ошибка записи O!"}},
        WriteCase{"CanMissingPort",
                  "absent",
                  &TForm1::Button_write_CAN,
                  nullptr,
                  {},
                  {kOpenFailed, L"Ошибка записи CAN!\n Ошибка записи O!"}}),
    ByName());

// A text that does not convert, or is out of range, ends the operation before the port is opened:
// nothing goes on the wire, only the default error display, and the port is free afterwards.
struct BadInputCase {
    const char* name;
    toolkit::Button* TForm1::*button;
    std::function<void(TForm1&)> setUp;
    std::wstring error;
};

void PrintTo(const BadInputCase& c, std::ostream* os) {
    *os << c.name;
}

class BadInput : public Operations, public ::testing::WithParamInterface<BadInputCase> {};

TEST_P(BadInput, SendsNothingAndLeavesThePortFree) {
    const BadInputCase& c = GetParam();
    Sim({"COM1"});
    c.setUp(*form);
    Click((*form).*c.button);
    ExpectOnlyError(c.error);
    EXPECT_TRUE(sim->Received().empty());
    EXPECT_TRUE(sim->Opened().empty());

    // The next operation opens the same port normally.
    app.boxes.clear();
    Click(form->Button_write_B8);
    ExpectNotices({kWritten});
    EXPECT_EQ(sim->Received(), Strings{On(1, kWriteB8Off)});
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BadInput,
    ::testing::Values(BadInputCase{"LettersInK", &TForm1::Button_write_k,
                                   [](TForm1& f) { f.Edit_k->SetText(L"12a"); },
                                   L"''12a'' is not a valid integer value."},
                      BadInputCase{"EmptyK", &TForm1::Button_write_k,
                                   [](TForm1& f) { f.Edit_k->SetText(L""); },
                                   L"'''' is not a valid integer value."},
                      BadInputCase{"KOutOfRange", &TForm1::Button_write_k,
                                   [](TForm1& f) { f.Edit_k->SetText(L"65536"); },
                                   L"Значение ''65536'' вне диапазона 0..65535."},
                      BadInputCase{"OdoEmptyTenths", &TForm1::Button_write_odo,
                                   [](TForm1& f) { f.Edit_odo->SetText(L"012345,"); },
                                   L"''012345 '' is not a valid integer value."},
                      BadInputCase{"CanWithLettersInO", &TForm1::Button_write_CAN,
                                   [](TForm1& f) { f.Edit_o->SetText(L"6k"); },
                                   L"''6k'' is not a valid integer value."},
                      BadInputCase{"CanWithONegative", &TForm1::Button_write_CAN,
                                   [](TForm1& f) { f.Edit_o->SetText(L"-1"); },
                                   L"Значение ''-1'' вне диапазона 0..65535."},
                      BadInputCase{"AllWithLettersInO", &TForm1::Button_write,
                                   [](TForm1& f) { f.Edit_o->SetText(L"x"); },
                                   L"''x'' is not a valid integer value."},
                      BadInputCase{"AllWithLettersInK", &TForm1::Button_write,
                                   [](TForm1& f) { f.Edit_k->SetText(L"k"); },
                                   L"''k'' is not a valid integer value."}),
    ByName());

TEST_F(Operations, BeforeAnySearchWritesGoToCom1) {
    Sim({"COM1", "COM2"});
    Click(form->Button_write_k);
    ExpectNotices({kWritten});
    EXPECT_EQ(sim->Received(), Strings{On(1, kWriteK8000)});
}

// --- write-all -------------------------------------------------------------------------------

const Strings kWriteAllFrames = {kWriteK8000, kWriteOdoZero, kWriteCanNone, kWriteO6000,
                                 kWriteB8Off};

struct WriteAllCase {
    const char* name;
    std::string portOptions;
    std::wstring box;
};

void PrintTo(const WriteAllCase& c, std::ostream* os) {
    *os << c.name;
}

class WriteAll : public Operations, public ::testing::WithParamInterface<WriteAllCase> {};

TEST_P(WriteAll, SendsAllFiveInOrderAndReportsTheRejected) {
    const WriteAllCase& c = GetParam();
    Sim({"COM1" + c.portOptions});
    ErrorText = L"left over";
    Click(form->Button_write);
    ExpectNotices({c.box});
    EXPECT_EQ(sim->Received(), On(1, kWriteAllFrames));
    EXPECT_TRUE(portOpenAtBox.back());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteAll,
    ::testing::Values(
        WriteAllCase{"AllAccepted", "", kWritten},
        WriteAllCase{"AllRejected", ",reject=k+odo+can+o+b8",
                     L" Ошибка записи К!\n Ошибка записи пробега!\n Ошибка записи CAN!\n"
                     L" Ошибка записи О!\n Ошибка записи B8!"},
        WriteAllCase{"OnlyKAccepted", ",reject=odo+can+o+b8",
                     L"\n Ошибка записи пробега!\n Ошибка записи CAN!\n Ошибка записи О!\n"
                     L" Ошибка записи B8!"},
        WriteAllCase{"OnlyKRejected", ",reject=k", L" Ошибка записи К!"},
        WriteAllCase{"OdoAndB8Rejected", ",reject=odo+b8",
                     L"\n Ошибка записи пробега!\n Ошибка записи B8!"},
        WriteAllCase{"ShortReplies", ",short=2",
                     L" Ошибка записи К!\n Ошибка записи пробега!\n Ошибка записи CAN!\n"
                     L" Ошибка записи О!\n Ошибка записи B8!"}),
    ByName());

TEST_F(Operations, WriteAllToAMissingPort) {
    Sim({});
    Click(form->Button_write);
    ExpectNotices({kOpenFailed,
                   L" Ошибка записи К!\n Ошибка записи пробега!\n Ошибка записи "
                   L"CAN!\n Ошибка записи О!\n Ошибка записи B8!"});
}

TEST_F(Operations, WriteAllSendsTheWindowsValuesAndTheDeviceKeepsThem) {
    Sim({"COM1"});
    form->Edit_k->SetText(L"1234");
    form->Edit_odo->SetText(L"999999,9");
    form->ComboBox_CAN->SetItemIndex(2);
    form->Edit_o->SetText(L"4321");
    form->CheckBox_b8->SetChecked(true);
    Click(form->Button_write);
    // Then read them back into a window whose values were changed meanwhile.
    form->Edit_k->SetText(L"1");
    form->Edit_odo->SetText(L"000000,0");
    form->ComboBox_CAN->SetItemIndex(-1);
    form->Edit_o->SetText(L"2");
    form->CheckBox_b8->SetChecked(false);
    Click(form->Button_read);
    ExpectNotices({kWritten});
    EXPECT_EQ(form->Edit_k->Text(), L"1234");
    EXPECT_EQ(form->Edit_odo->Text(), L"999999,9");
    EXPECT_EQ(form->ComboBox_CAN->ItemIndex(), 2);
    EXPECT_EQ(form->Edit_o->Text(), L"4321");
    EXPECT_TRUE(form->CheckBox_b8->Checked());
}

// --- read-all --------------------------------------------------------------------------------

const Strings kReadAllFrames = {kReadK, kReadOdo, kReadB8, kReadCan, kReadO};
const std::wstring kAllUnread =
    L"Ошибка чтения К!\nОшибка чтения пробега!\nОшибка чтения В8!\nОшибка чтения CAN!\nОшибка "
    L"чтения О!";

struct ReadAllCase {
    const char* name;
    Strings ports;  // COM1 is the port read
    WStrings boxes;
    // The window afterwards: K, odometer, B8, CAN entry, O-factor. It held 1, 000001,0, ticked,
    // entry 1 and 2 before.
    std::wstring k, odo;
    bool b8;
    int can;
    std::wstring o;
    bool sent = true;
};

void PrintTo(const ReadAllCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadAll : public Operations, public ::testing::WithParamInterface<ReadAllCase> {};

TEST_P(ReadAll, ReadsInOrderAndKeepsWhatDidNotArrive) {
    const ReadAllCase& c = GetParam();
    Sim(c.ports);
    form->Edit_k->SetText(L"1");
    form->Edit_odo->SetText(L"000001,0");
    form->CheckBox_b8->SetChecked(true);
    form->ComboBox_CAN->SetItemIndex(1);
    form->Edit_o->SetText(L"2");
    Click(form->Button_read);
    ExpectNotices(c.boxes);
    EXPECT_EQ(sim->Received(), c.sent ? On(1, kReadAllFrames) : Strings{});
    EXPECT_EQ(form->Edit_k->Text(), c.k);
    EXPECT_EQ(form->Edit_odo->Text(), c.odo);
    EXPECT_EQ(form->CheckBox_b8->Checked(), c.b8);
    EXPECT_EQ(form->ComboBox_CAN->ItemIndex(), c.can);
    EXPECT_EQ(form->Edit_o->Text(), c.o);
    // The disabled CAN selectors are never touched.
    EXPECT_EQ(form->ComboBox_speed->ItemIndex(), 1);
    EXPECT_EQ(form->ComboBox_timeout->ItemIndex(), 1);
    EXPECT_EQ(form->sComboBox1->ItemIndex(), 1);
    if (!c.boxes.empty()) {
        EXPECT_EQ(portOpenAtBox.back(), c.sent);
    }
    EXPECT_TRUE(sim->AllClosed());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadAll,
    ::testing::Values(
        ReadAllCase{"Values",
                    {"COM1,k=65535,odo=1234567,b8=100,can=3,o=0"},
                    {},
                    L"65535",
                    L"123456,7",
                    true,
                    3,
                    L"0"},
        ReadAllCase{"ZerosAreValues",
                    {"COM1,k=0,odo=0,b8=0,can=0,o=0"},
                    {},
                    L"0",
                    L"000000,0",
                    false,
                    0,
                    L"0"},
        ReadAllCase{"OdometerAboveSevenDigits",
                    {"COM1,odo=16777215"},
                    {},
                    L"8000",
                    L"167772,1",
                    false,
                    0,
                    L"6000"},
        ReadAllCase{"NoDevice", {"COM1=silent"}, {kAllUnread}, L"1", L"000001,0", true, 1, L"2"},
        ReadAllCase{
            "MissingPort", {}, {kOpenFailed, kAllUnread}, L"1", L"000001,0", true, 1, L"2", false},
        ReadAllCase{"OdometerSilent",
                    {"COM1,k=7,raw.odo=,b8=1,can=2,o=9"},
                    {L"Ошибка чтения пробега!"},
                    L"7",
                    L"000001,0",
                    true,
                    2,
                    L"9"},
        ReadAllCase{"B8AndOSilent",
                    {"COM1,k=7,raw.b8=,raw.o=,can=2"},
                    {L"Ошибка чтения В8!\nОшибка чтения О!"},
                    L"7",
                    L"000000,0",
                    true,
                    2,
                    L"2"},
        // A code of 4 arrived: the selection stays and nothing is reported.
        ReadAllCase{"UnknownCanCode", {"COM1,can=4"}, {}, L"8000", L"000000,0", false, 1, L"6000"},
        // A reply cut before the last byte its field reads did not arrive.
        ReadAllCase{"ShortReplies",
                    {"COM1,short=2,k=5,odo=5,b8=0,can=2,o=5"},
                    {L"Ошибка чтения К!\nОшибка чтения В8!\nОшибка чтения CAN!\nОшибка чтения О!"},
                    L"1",
                    L"000000,5",
                    true,
                    1,
                    L"2"}),
    ByName());

// --- one operation at a time -----------------------------------------------------------------

TEST_F(Operations, InputDuringAWaitStartsNothing) {
    Sim({"COM1", "COM2"});
    toolkit::headless::HeadlessApp& a = app;
    // Arrives at the first wait of the write: every operation's button and the search entry.
    a.pendingInput.push_back([this] {
        Click(form->Button_write_k);
        Click(form->Button_write_odo);
        Click(form->Button_write_B8);
        Click(form->Button_write_CAN);
        Click(form->Button_write);
        Click(form->Button_read);
        Click(form->Button_Search);
        toolkit::headless::TypeText(*form->ComboBox_port, kSearchItem);
    });
    Click(form->Button_write_k);
    ExpectNotices({kWritten});
    EXPECT_EQ(sim->Received(), Strings{On(1, kWriteK8000)});
    EXPECT_EQ(app.events, (Strings{"started", "ended"}));
    // Nothing was queued for later either.
    WaitPumping(300);
    EXPECT_EQ(sim->Received(), Strings{On(1, kWriteK8000)});
    EXPECT_EQ(app.boxes.size(), 1u);
}

TEST_F(Operations, SearchDuringReadAllStartsNothing) {
    Sim({"COM1", "COM2"});
    app.pendingInput.push_back([this] { Click(form->Button_Search); });
    Click(form->Button_read);
    ExpectNotices({});
    EXPECT_EQ(sim->Received(), On(1, kReadAllFrames));
    EXPECT_EQ(PortItems(), WStrings{kSearchItem});
}

TEST_F(Operations, ClicksWhileTheBoxIsUpStartNothing) {
    Sim({"COM1"});
    onBox = [this] {
        onBox = nullptr;
        Click(form->Button_write_B8);
        Click(form->Button_read);
        EXPECT_TRUE(ops::OperationRunning());
    };
    Click(form->Button_write);
    ExpectNotices({kWritten});
    EXPECT_EQ(sim->Received(), On(1, kWriteAllFrames));
    EXPECT_FALSE(ops::OperationRunning());
    // Once it has ended, the next click works.
    Click(form->Button_write_B8);
    EXPECT_EQ(sim->Received().size(), 6u);
}

TEST_F(Operations, DuringASearchInputStartsNothing) {
    Sim({"COM2=silent", "COM3"});
    app.pendingInput.push_back([this] {
        Click(form->Button_write_k);
        Click(form->Button_Search);
        toolkit::headless::TypeText(*form->ComboBox_port, kSearchItem);
    });
    Click(form->Button_Search);
    ExpectNotices({kFound});
    EXPECT_EQ(sim->Received(), (Strings{On(2, kProbe), On(3, kProbe)}));
    EXPECT_EQ(PortIndex, 2);
    EXPECT_EQ(app.events, (Strings{"started", "ended"}));
}

TEST_F(Operations, PortPickedDuringAWriteIsTheNextOnesPort) {
    Sim({"COM3", "COM7"});
    // The selector holds the entries of an earlier search, COM 3 chosen.
    form->ComboBox_port->ClearItems();
    form->ComboBox_port->AddItem(L"COM 3");
    form->ComboBox_port->AddItem(L"COM 7");
    form->ComboBox_port->AddItem(kSearchItem);
    toolkit::headless::PickItem(*form->ComboBox_port, 0);
    app.pendingInput.push_back([this] { toolkit::headless::PickItem(*form->ComboBox_port, 1); });
    Click(form->Button_write_k);
    Click(form->Button_write_B8);
    EXPECT_EQ(sim->Received(), (Strings{On(3, kWriteK8000), On(7, kWriteB8Off)}));
    ExpectNotices({kWritten, kWritten});
}

}  // namespace
