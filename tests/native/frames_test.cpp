// Requests built from the window's values and replies decoded into its controls, on the
// headless toolkit.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "serial/serial.h"
#include "toolkit/headless.h"
#include "ui/frames.h"
#include "protocol/protocol.h"
#include "ui/unit1.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Frames : public ::testing::Test {
  protected:
    void SetUp() override {
        Form1 = &form;
        FrameBuffer.fill(0xAA);  // shows which bytes a call cleared or wrote
    }
    void TearDown() override { Form1 = nullptr; }

    // The whole of FrameBuffer: the bytes given, then zeros.
    static Bytes Padded(const Bytes& head) {
        Bytes all(FrameBuffer.size(), 0);
        std::copy(head.begin(), head.end(), all.begin());
        return all;
    }
    static Bytes Buffer() { return Bytes(FrameBuffer.begin(), FrameBuffer.end()); }

    struct State {
        std::wstring k, odo, o;
        bool b8;
        int can;
        bool operator==(const State&) const = default;
        friend void PrintTo(const State& s, std::ostream* os) {
            *os << "{k " << s.k.size() << " chars, odo " << s.odo.size() << " chars, o "
                << s.o.size() << " chars, b8 " << s.b8 << ", can " << s.can << "}";
        }
    };
    State Controls() const {
        return {form.Edit_k->Text(), form.Edit_odo->Text(), form.Edit_o->Text(),
                form.CheckBox_b8->Checked(), form.ComboBox_CAN->ItemIndex()};
    }
    // Values that no reply in these tests decodes to, so that every change shows.
    void SetMarkers() {
        form.Edit_k->SetText(L"marker-k");
        form.Edit_odo->SetText(L"111111,1");
        form.Edit_o->SetText(L"marker-o");
        form.CheckBox_b8->SetChecked(true);
        form.ComboBox_CAN->SetItemIndex(2);
    }
    static void Reply(const Bytes& bytes) {
        FrameBuffer.fill(0);
        std::copy(bytes.begin(), bytes.end(), FrameBuffer.begin());
    }

    toolkit::headless::HeadlessFactory factory;
    TForm1 form{factory};
};

using Arrange = std::function<void(TForm1&)>;

Arrange K(std::wstring_view text) {
    return [text](TForm1& f) { f.Edit_k->SetText(text); };
}
Arrange O(std::wstring_view text) {
    return [text](TForm1& f) { f.Edit_o->SetText(text); };
}
Arrange Odo(std::wstring_view text) {
    return [text](TForm1& f) { f.Edit_odo->SetText(text); };
}
Arrange Can(int index) {
    return [index](TForm1& f) { f.ComboBox_CAN->SetItemIndex(index); };
}
Arrange B8(bool on) {
    return [on](TForm1& f) { f.CheckBox_b8->SetChecked(on); };
}
Arrange Defaults() {
    return [](TForm1&) {};
}

TEST_F(Frames, EveryRequestFromTheWindow) {
    struct Case {
        std::string_view command;
        Arrange setup;
        Bytes line;  // what goes on the line, the filler of a read included
    } cases[] = {
        {"read_k", Defaults(), {0x02, 0x49, 0x00, 0xB5, 0x09, 0xF6, 0x00}},
        {"read_odo", Defaults(), {0x02, 0x49, 0x00, 0xB5, 0x0C, 0xF3, 0x00}},
        {"read_CAN", Defaults(), {0x02, 0x49, 0x00, 0xB5, 0x0A, 0xF5, 0x00}},
        {"read_B8", Defaults(), {0x02, 0x49, 0x00, 0xB5, 0x0B, 0xF4, 0x00}},
        {"read_o", Defaults(), {0x02, 0x49, 0x00, 0xB5, 0x0D, 0xF2, 0x00}},
        {"write_k", Defaults(), {0x02, 0x49, 0x02, 0x35, 0x09, 0x40, 0x1F, 0x15}},  // "8000"
        {"write_k", K(L"8000"), {0x02, 0x49, 0x02, 0x35, 0x09, 0x40, 0x1F, 0x15}},
        {"write_k", K(L" $1F40"), {0x02, 0x49, 0x02, 0x35, 0x09, 0x40, 0x1F, 0x15}},
        {"write_k", K(L"0"), {0x02, 0x49, 0x02, 0x35, 0x09, 0x00, 0x00, 0x74}},
        {"write_k", K(L"65535"), {0x02, 0x49, 0x02, 0x35, 0x09, 0xFF, 0xFF, 0x76}},
        {"write_o", Defaults(), {0x02, 0x49, 0x02, 0x35, 0x0D, 0x70, 0x17, 0xE9}},  // "6000"
        {"write_o", O(L"0x1770"), {0x02, 0x49, 0x02, 0x35, 0x0D, 0x70, 0x17, 0xE9}},
        {"write_odo", Defaults(), {0x02, 0x49, 0x04, 0x35, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x6F}},
        {"write_odo", Odo(L"000000,0"), {0x02, 0x49, 0x04, 0x35, 0x0C, 0, 0, 0, 0, 0x6F}},
        {"write_odo", Odo(L"012345,6"), {0x02, 0x49, 0x04, 0x35, 0x0C, 0x40, 0xE2, 0x01, 0, 0x4C}},
        {"write_odo", Odo(L"999999,9"), {0x02, 0x49, 0x04, 0x35, 0x0C, 0x7F, 0x96, 0x98, 0, 0xC2}},
        // Two empty positions before the first digit: "  23456" converts to 23456 (0x5BA0).
        {"write_odo", Odo(L"__2345,6"), {0x02, 0x49, 0x04, 0x35, 0x0C, 0xA0, 0x5B, 0, 0, 0x74}},
        {"write_CAN", Can(-1), {0x02, 0x49, 0x01, 0x35, 0x0A, 0x00, 0x74}},
        {"write_CAN", Can(0), {0x02, 0x49, 0x01, 0x35, 0x0A, 0x00, 0x74}},
        {"write_CAN", Can(1), {0x02, 0x49, 0x01, 0x35, 0x0A, 0x01, 0x73}},
        {"write_CAN", Can(2), {0x02, 0x49, 0x01, 0x35, 0x0A, 0x02, 0x72}},
        {"write_CAN", Can(3), {0x02, 0x49, 0x01, 0x35, 0x0A, 0x03, 0x71}},
        {"write_B8", B8(true), {0x02, 0x49, 0x02, 0x35, 0x0B, 0x64, 0x00, 0x0E}},
        {"write_B8", B8(false), {0x02, 0x49, 0x02, 0x35, 0x0B, 0x00, 0x00, 0x72}},
    };
    for (const Case& c : cases) {
        TForm1 fresh(factory);
        Form1 = &fresh;
        c.setup(fresh);
        FrameBuffer.fill(0xAA);
        BuildRequest(c.command);
        EXPECT_EQ(Buffer(), Padded(c.line)) << c.command;
        EXPECT_EQ(RequestFor(c.command), c.line) << c.command;
    }
}

// Building a request ahead, then loading it, puts the same 400 bytes in place as BuildRequest.
TEST_F(Frames, RequestForTouchesNothingAndLoadsLikeBuildRequest) {
    form.Edit_odo->SetText(L"012345,6");
    Bytes ahead = RequestFor("write_odo");
    EXPECT_EQ(Buffer(), Bytes(FrameBuffer.size(), 0xAA));
    form.Edit_odo->SetText(L"999999,9");  // a change after the click does not reach the frame
    LoadRequest(ahead);
    EXPECT_EQ(Buffer(), Padded({0x02, 0x49, 0x04, 0x35, 0x0C, 0x40, 0xE2, 0x01, 0x00, 0x4C}));

    LoadRequest(Bytes(500, 0x11));  // never more than the buffer
    EXPECT_EQ(Buffer(), Bytes(FrameBuffer.size(), 0x11));
}

TEST_F(Frames, NamesOutsideTheCommandSetLeaveTheBufferZero) {
    for (std::string_view name : {"Write_k", "write_K", "WRITE_O", "read_can", "Read_odo",
                                  "write_b8", "write_k ", "", "ProbeFrame", "k"}) {
        FrameBuffer.fill(0xAA);
        BuildRequest(name);
        EXPECT_EQ(Buffer(), Bytes(FrameBuffer.size(), 0)) << name;
        EXPECT_TRUE(RequestFor(name).empty()) << name;
    }
}

// A refused text raises the conversion error with its message; the buffer then holds the
// frame's first five bytes and zeros, and nothing is built ahead either.
TEST_F(Frames, RefusedTextsRaiseAndLeaveOnlyTheHeader) {
    const std::wstring notInteger = L" is not a valid integer value";
    const std::wstring range = L" вне диапазона 0..65535";
    struct Case {
        std::string_view command;
        Arrange setup;
        std::wstring message;
    } cases[] = {
        {"write_k", K(L"8000 "), L"''8000 ''" + notInteger},
        {"write_k", K(L""), L"''''" + notInteger},
        {"write_k", K(L"   "), L"''   ''" + notInteger},
        {"write_k", K(L"8 000"), L"''8 000''" + notInteger},
        {"write_k", K(L"80k"), L"''80k''" + notInteger},
        {"write_k", K(L"-"), L"''-''" + notInteger},
        {"write_k", K(L"$"), L"''$''" + notInteger},
        {"write_k", K(L"0x"), L"''0x''" + notInteger},
        {"write_k", K(L"2147483648"), L"''2147483648''" + notInteger},
        {"write_k", K(L"$1FFFFFFFF"), L"''$1FFFFFFFF''" + notInteger},
        {"write_k", K(L"012a"), L"''012a''" + notInteger},
        {"write_k", K(L"65536"), L"Значение ''65536''" + range},
        {"write_k", K(L"70000"), L"Значение ''70000''" + range},
        {"write_k", K(L"-1"), L"Значение ''-1''" + range},
        {"write_k", K(L"$10000"), L"Значение ''$10000''" + range},
        {"write_o", O(L"6 000"), L"''6 000''" + notInteger},
        {"write_o", O(L"65536"), L"Значение ''65536''" + range},
        {"write_o", O(L" -1"), L"Значение '' -1''" + range},
        // The odometer's message names the seven joined characters.
        {"write_odo", Odo(L"012345,_"), L"''012345 ''" + notInteger},
        {"write_odo", Odo(L"01_345,6"), L"''01 3456''" + notInteger},
        {"write_odo", Odo(L"______,_"), L"''       ''" + notInteger},
    };
    for (const Case& c : cases) {
        TForm1 fresh(factory);
        Form1 = &fresh;
        c.setup(fresh);
        const protocol::Command* command = protocol::FindCommand(c.command);
        ASSERT_NE(command, nullptr);
        Bytes header = {0x02, 0x49, command->n, command->operation, command->parameter};

        FrameBuffer.fill(0xAA);
        try {
            BuildRequest(c.command);
            ADD_FAILURE() << "no error for " << c.command << " " << std::wstring(c.message).size();
        } catch (const toolkit::EConvertError& e) {
            EXPECT_EQ(e.Message(), c.message);
        }
        EXPECT_EQ(Buffer(), Padded(header)) << c.command;

        FrameBuffer.fill(0xAA);
        EXPECT_THROW(RequestFor(c.command), toolkit::EConvertError) << c.command;
        EXPECT_EQ(Buffer(), Bytes(FrameBuffer.size(), 0xAA)) << c.command;
    }
}

// Both refusals are conversion errors: the default error display shows them with a final ".".
TEST_F(Frames, RefusalsReachTheErrorDisplay) {
    toolkit::headless::HeadlessApp app;
    toolkit::Application = &app;
    form.Edit_k->SetText(L"70000");
    toolkit::RunHandler([] { BuildRequest("write_k"); });
    form.Edit_o->SetText(L"6k");
    toolkit::RunHandler([] { BuildRequest("write_o"); });
    toolkit::Application = nullptr;
    ASSERT_EQ(app.boxes.size(), 2u);
    EXPECT_EQ(app.boxes[0].kind, toolkit::headless::Box::Error);
    EXPECT_EQ(app.boxes[0].text, L"Значение ''70000'' вне диапазона 0..65535.");
    EXPECT_EQ(app.boxes[1].text, L"''6k'' is not a valid integer value.");
}

TEST_F(Frames, RepliesDecodeIntoTheirControls) {
    struct Case {
        std::string_view field;
        Bytes reply;
        std::function<void(State&)> expect;  // the change from the markers
    } cases[] = {
        {"k", {0x02, 0, 0, 0, 0, 0xFF, 0xFF}, [](State& s) { s.k = L"65535"; }},
        {"k", {0x02, 0, 0, 0, 0, 0x40, 0x1F}, [](State& s) { s.k = L"8000"; }},
        {"k", {0x02, 0, 0, 0, 0, 0x00, 0x00}, [](State& s) { s.k = L"0"; }},
        {"o", {0x02, 0, 0, 0, 0, 0xFF, 0xFF}, [](State& s) { s.o = L"65535"; }},
        {"odo", {0x02, 0, 0, 0, 0, 0x05, 0x00, 0x00}, [](State& s) { s.odo = L"000000,5"; }},
        {"odo", {0x02, 0, 0, 0, 0, 0x0A, 0x00, 0x00}, [](State& s) { s.odo = L"000001,0"; }},
        {"odo", {0x02, 0, 0, 0, 0, 0x87, 0xD6, 0x12}, [](State& s) { s.odo = L"123456,7"; }},
        {"odo", {0x02, 0, 0, 0, 0, 0x7F, 0x96, 0x98, 0xFF}, [](State& s) { s.odo = L"999999,9"; }},
        {"odo", {0x02, 0, 0, 0, 0, 0x80, 0x96, 0x98}, [](State& s) { s.odo = L"100000,0"; }},
        {"odo", {0x02, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF}, [](State& s) { s.odo = L"167772,1"; }},
        {"odo", {0x02, 0, 0, 0, 0, 0x00, 0x00, 0x00}, [](State& s) { s.odo = L"000000,0"; }},
        {"B8", {0x02, 0, 0, 0, 0, 0x00}, [](State& s) { s.b8 = false; }},
        {"B8", {0x02, 0, 0, 0, 0, 0x64}, [](State&) {}},  // ticked already: stays ticked
        {"CAN", {0x02, 0, 0, 0, 0, 0x00}, [](State& s) { s.can = 0; }},
        {"CAN", {0x02, 0, 0, 0, 0, 0x01}, [](State& s) { s.can = 1; }},
        {"CAN", {0x02, 0, 0, 0, 0, 0x03}, [](State& s) { s.can = 3; }},
        {"CAN", {0x02, 0, 0, 0, 0, 0x04}, [](State&) {}},  // unknown code: selection stays
        {"CAN", {0x02, 0, 0, 0, 0, 0xFF}, [](State&) {}},
    };
    for (const Case& c : cases) {
        SetMarkers();
        State expected = Controls();
        c.expect(expected);
        Reply(c.reply);
        EXPECT_TRUE(ShowReply(c.field, 100)) << c.field;
        EXPECT_EQ(Controls(), expected) << c.field << " byte5=" << int(c.reply[5]);
    }

    // B8 ticks for every non-zero byte; CAN keeps "no selection" on an unknown code.
    for (std::uint8_t b : std::initializer_list<std::uint8_t>{100, 1, 255}) {
        form.CheckBox_b8->SetChecked(false);
        Reply({0x02, 0, 0, 0, 0, b});
        EXPECT_TRUE(ShowReply("B8", 6));
        EXPECT_TRUE(form.CheckBox_b8->Checked()) << int(b);
    }
    for (std::uint8_t b : std::initializer_list<std::uint8_t>{4, 255}) {
        form.ComboBox_CAN->SetItemIndex(-1);
        Reply({0x02, 0, 0, 0, 0, b});
        EXPECT_TRUE(ShowReply("CAN", 6));
        EXPECT_EQ(form.ComboBox_CAN->ItemIndex(), -1) << int(b);
    }
    form.ComboBox_CAN->SetItemIndex(-1);
    Reply({0x02, 0, 0, 0, 0, 0x02});
    ASSERT_TRUE(ShowReply("CAN", 6));
    EXPECT_EQ(form.ComboBox_CAN->Text(), L"ЛиАЗ, ПАЗ");
}

// A reply that did not arrive, or a name outside the table, leaves every control as it was.
TEST_F(Frames, RepliesNotReceivedAndUnknownNamesChangeNothing) {
    struct Field {
        std::string_view name;
        int needed;
    } fields[] = {{"k", 7}, {"odo", 8}, {"B8", 6}, {"CAN", 6}, {"o", 7}};
    // Values that would all change the markers if they were decoded.
    const Bytes full = {0x02, 0, 0, 0, 0, 0x00, 0x00, 0x00, 0x00};
    for (const Field& f : fields) {
        SetMarkers();
        const State before = Controls();
        for (int received : {0, 1, 5, f.needed - 1}) {
            Reply(full);
            EXPECT_FALSE(ShowReply(f.name, received)) << f.name << " " << received;
            EXPECT_EQ(Controls(), before) << f.name << " " << received;
        }
        Bytes wrongStart = full;
        wrongStart[0] = 0x03;
        Reply(wrongStart);
        EXPECT_FALSE(ShowReply(f.name, 100)) << f.name;
        Reply(Bytes(100, 0));
        EXPECT_FALSE(ShowReply(f.name, 0)) << f.name;
        EXPECT_EQ(Controls(), before) << f.name;

        Reply(full);
        EXPECT_TRUE(ShowReply(f.name, f.needed)) << f.name;
        EXPECT_NE(Controls(), before) << f.name;
    }

    SetMarkers();
    const State before = Controls();
    Reply(full);
    for (std::string_view name : {"K", "Odo", "ODO", "b8", "can", "Can", "O", "k ", "", "read_k"}) {
        EXPECT_FALSE(ShowReply(name, 100)) << name;
        EXPECT_EQ(Controls(), before) << name;
    }
}

TEST_F(Frames, WriteAndProbeReplyTests) {
    struct Case {
        Bytes reply;
        int received;
        bool accepted;
    } writes[] = {
        {{}, 0, false},
        {{0x02}, 1, false},  // byte 5 holds only the zero of the clearing
        {{0x02, 0x49, 0x00, 0x35, 0x09}, 5, false},
        {{0x02, 0x49, 0x00, 0x35, 0x09, 0x00}, 6, true},
        {{0x02, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF}, 7, true},
        {{0x02, 0x49, 0x00, 0x35, 0x09, 0x01, 0x00}, 7, false},
        {{0x02, 0x49, 0x00, 0x35, 0x09, 0xFF}, 6, false},
        {{0x03, 0x49, 0x00, 0x35, 0x09, 0x00, 0x00}, 7, false},
        {{0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}, 7, false},
    };
    for (const Case& c : writes) {
        Reply(c.reply);
        EXPECT_EQ(WriteAccepted(c.received), c.accepted) << c.received;
    }

    struct Probe {
        Bytes reply;
        int received;
        bool answered;
    } probes[] = {
        {{}, 0, false},
        {{0x02}, 1, false},
        {{0x02, 0, 0, 0, 0}, 5, false},
        {{0x02, 0, 0, 0, 0, 0}, 6, false},
        {{0x02, 0x11, 0x22, 0x33, 0x44, 0x55, 0xE2}, 7, true},
        {{0x02, 0, 0, 0, 0, 0, 0xE2, 0xAB, 0xCD, 0xEF}, 10, true},
        {{0x02, 0, 0, 0, 0, 0, 0xE3}, 7, false},
        {{0x12, 0, 0, 0, 0, 0, 0xE2}, 7, false},
        {{0x02, 0, 0, 0, 0, 0, 0xE2}, 6, false},  // byte 6 was not among the bytes that arrived
    };
    for (const Probe& p : probes) {
        ProbeBuffer buffer{};
        std::copy(p.reply.begin(), p.reply.end(), buffer.begin());
        EXPECT_EQ(ProbeAnswered(buffer, p.received), p.answered) << p.received;
    }
}

}  // namespace
