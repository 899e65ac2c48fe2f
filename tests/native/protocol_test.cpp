// The wire protocol's pure functions: checksum, command set, integer conversion, the value rules
// of K, O-factor and odometer, and the decoding of read replies.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "protocol/protocol.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(Checksum, WorkedExamples) {
    struct Case {
        Bytes bytes;
        std::uint8_t sum;
    } cases[] = {
        {{0x02, 0x49, 0x00, 0xB5, 0x09}, 0xF6},                          // read_k: 0x109
        {{0x02, 0x49, 0x02, 0x35, 0x09, 0x40, 0x1F}, 0x15},              // write_k 8000: 0xEA
        {{0x02, 0x49, 0x04, 0x35, 0x0C, 0x40, 0xE2, 0x01, 0x00}, 0x4C},  // write_odo: 0x1B3
        {{0x02, 0x49, 0x00, 0xD1, 0x00}, 0xE3},                          // probe: 0x11C
        {{}, 0xFF},
        {{0xFF, 0x01}, 0xFF},  // the carry out of the low byte is dropped
    };
    for (const Case& c : cases) {
        EXPECT_EQ(protocol::Checksum(c.bytes), c.sum);
    }
}

// The handlers take the numbers of each exchange from the command set.
TEST(CommandSet, ExchangeNumbersAndNames) {
    struct Case {
        std::string_view name;
        int frameLength, sent, replyBytes;
    } cases[] = {
        {"write_k", 8, 8, 7},    {"write_odo", 10, 10, 7}, {"write_CAN", 7, 7, 7},
        {"write_B8", 8, 8, 7},   {"write_o", 8, 8, 7},     {"read_k", 6, 7, 100},
        {"read_odo", 6, 7, 100}, {"read_CAN", 6, 7, 100},  {"read_B8", 6, 7, 100},
        {"read_o", 6, 7, 100},
    };
    for (const Case& c : cases) {
        const protocol::Command* command = protocol::FindCommand(c.name);
        ASSERT_NE(command, nullptr) << c.name;
        EXPECT_EQ(command->name, c.name);
        EXPECT_EQ(command->FrameLength(), c.frameLength) << c.name;
        EXPECT_EQ(command->sent, c.sent) << c.name;
        EXPECT_EQ(command->waitMs, 200u) << c.name;
        EXPECT_EQ(command->replyBytes, c.replyBytes) << c.name;
    }
    for (std::string_view other : {"Write_k", "write_K", "write_can", "READ_O", "write_k ",
                                   " read_k", "write", "", "ProbeFrame"}) {
        EXPECT_EQ(protocol::FindCommand(other), nullptr) << other;
    }
}

// The presence request follows the same rules as the other frames.
TEST(CommandSet, ProbeFrameIsBuiltByTheFrameRules) {
    const protocol::Command presence{"",
                                     0,
                                     protocol::OperationCode::Presence,
                                     0x00,
                                     protocol::Source::None,
                                     protocol::kProbeSent,
                                     protocol::kProbeWaitMs,
                                     protocol::kProbeReplyBytes};
    protocol::Frame frame;
    frame.fill(0xAA);
    protocol::BuildFrame(presence, 0, frame);
    EXPECT_TRUE(
        std::equal(protocol::ProbeFrame.begin(), protocol::ProbeFrame.end(), frame.begin()));
    EXPECT_EQ(Bytes(protocol::ProbeFrame.begin(), protocol::ProbeFrame.end()),
              (Bytes{0x02, 0x49, 0x00, 0xD1, 0x00, 0xE3, 0x00}));
    EXPECT_TRUE(std::all_of(frame.begin() + 6, frame.end(), [](std::uint8_t b) { return b == 0; }));
}

TEST(IntegerConversion, AcceptsAndRefuses) {
    struct Case {
        std::wstring_view text;
        std::optional<std::int32_t> value;
    } cases[] = {
        {L"8000", 8000},
        {L" 8000", 8000},
        {L"   8000", 8000},
        {L"$1F40", 8000},
        {L"0x1F40", 8000},
        {L"0X1f40", 8000},
        {L"x1F40", 8000},
        {L"X1f40", 8000},
        {L"+7", 7},
        {L"-0", 0},
        {L"0", 0},
        {L"00012", 12},  // leading zero: still decimal
        {L"010", 10},
        {L"$FFFFFFFF", -1},
        {L"$80000000", INT_MIN},
        {L"$7FFFFFFF", INT_MAX},
        {L"$000000001", 1},  // leading zeros are not significant digits
        {L"-$10", -16},      // "-" before the prefix negates
        {L"-0x1", -1},
        {L"+X10", 16},
        {L"-$FFFFFFFF", 1},
        {L"2147483647", INT_MAX},
        {L"-2147483648", INT_MIN},
        {L"000000000002147483647", INT_MAX},
        {L"8000 ", std::nullopt},
        {L"", std::nullopt},
        {L"   ", std::nullopt},
        {L"8 000", std::nullopt},
        {L"80k", std::nullopt},
        {L"-", std::nullopt},
        {L"+", std::nullopt},
        {L"$", std::nullopt},
        {L"0x", std::nullopt},
        {L"-0x", std::nullopt},
        {L"2147483648", std::nullopt},
        {L"-2147483649", std::nullopt},
        {L"99999999999999999999999", std::nullopt},
        {L"$1FFFFFFFF", std::nullopt},
        {L"012a", std::nullopt},
        {L"0x1G", std::nullopt},
        {L"$-1", std::nullopt},
        {L"$ 1", std::nullopt},
        {L"+-1", std::nullopt},
        {L"--1", std::nullopt},
        {L"- 1", std::nullopt},
        {L"\t1", std::nullopt},      // only the space is skipped
        {L"\u00A01", std::nullopt},  // no-break space
        {L"１２", std::nullopt},     // full-width digits are not digits here
        {L"0$10", std::nullopt},
        {L"00x10", std::nullopt},
        {L"1e3", std::nullopt},
        {L"12.0", std::nullopt},
        {std::wstring_view(L"12\0", 3), std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(protocol::ParseInteger(c.text), c.value) << std::wstring(c.text).size();
    }
    // The narrow text reads the same way.
    EXPECT_EQ(protocol::ParseInteger(std::string_view(" -$1F40")), -8000);
    EXPECT_EQ(protocol::ParseInteger(std::string_view("8000 ")), std::nullopt);
    EXPECT_EQ(protocol::ParseInteger(std::string_view("\xB1"
                                                      "1")),
              std::nullopt);
}

TEST(IntegerConversion, Messages) {
    EXPECT_EQ(protocol::NotAnIntegerMessage(L"80k"), L"''80k'' is not a valid integer value");
    EXPECT_EQ(protocol::NotAnIntegerMessage(L""), L"'''' is not a valid integer value");
    EXPECT_EQ(protocol::OutOfRangeMessage(L"70000"), L"Значение ''70000'' вне диапазона 0..65535");
}

// K and the O-factor are refused outside their 16 bits; the odometer takes all 32.
TEST(IntegerConversion, RangeOfEachSource) {
    using protocol::Refusal;
    using protocol::Source;
    struct Case {
        Source source;
        std::wstring_view text;
        Refusal refusal;
        std::uint32_t value;
    } cases[] = {
        {Source::K, L"65535", Refusal::None, 65535},
        {Source::K, L"0", Refusal::None, 0},
        {Source::K, L"$FFFF", Refusal::None, 65535},
        {Source::K, L"65536", Refusal::OutOfRange, 0},
        {Source::K, L"70000", Refusal::OutOfRange, 0},
        {Source::K, L"-1", Refusal::OutOfRange, 0},
        {Source::K, L"$10000", Refusal::OutOfRange, 0},
        {Source::K, L"$FFFFFFFF", Refusal::OutOfRange, 0},
        {Source::K, L"8k", Refusal::NotAnInteger, 0},
        {Source::O, L"6000", Refusal::None, 6000},
        {Source::O, L"65536", Refusal::OutOfRange, 0},
        {Source::O, L"-0", Refusal::None, 0},
        {Source::Odometer, L"9999999", Refusal::None, 9999999},
        {Source::Odometer, L"  23456", Refusal::None, 23456},
        {Source::Odometer, L"-1", Refusal::None, 0xFFFFFFFF},
        {Source::Odometer, L"012345 ", Refusal::NotAnInteger, 0},
    };
    for (const Case& c : cases) {
        protocol::Conversion got = protocol::ConvertFor(c.source, c.text);
        EXPECT_EQ(got.refusal, c.refusal) << std::wstring(c.text).size();
        EXPECT_EQ(got.value, c.value) << std::wstring(c.text).size();
    }
}

TEST(ValueRules, OdometerJoinCanCodeAndB8) {
    EXPECT_EQ(protocol::JoinOdometer(L"012345,6"), L"0123456");
    EXPECT_EQ(protocol::JoinOdometer(L"  2345,6"), L"  23456");
    EXPECT_EQ(protocol::JoinOdometer(L"012345, "), L"012345 ");
    EXPECT_EQ(protocol::JoinOdometer(L"0123"), L"0123");  // a short text is not read past its end

    struct {
        int index;
        std::uint8_t code;
    } can[] = {{-1, 0}, {0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 0}, {INT_MAX, 0}, {INT_MIN, 0}};
    for (auto c : can) {
        EXPECT_EQ(protocol::CanCode(c.index), c.code) << c.index;
    }
    EXPECT_EQ(protocol::B8Value(true), 100u);
    EXPECT_EQ(protocol::B8Value(false), 0u);
}

TEST(ReplyDecoding, NumbersOdometerB8AndCan) {
    auto reply = [](std::uint8_t b5, std::uint8_t b6, std::uint8_t b7, std::uint8_t b8 = 0) {
        return Bytes{0x02, 0x49, 0x00, 0xB5, 0x00, b5, b6, b7, b8};
    };
    EXPECT_EQ(protocol::DecodeNumber(reply(0xFF, 0xFF, 0xFF)), L"65535");
    EXPECT_EQ(protocol::DecodeNumber(reply(0x40, 0x1F, 0x00)), L"8000");
    EXPECT_EQ(protocol::DecodeNumber(reply(0x00, 0x80, 0x00)), L"32768");  // never negative
    EXPECT_EQ(protocol::DecodeNumber(reply(0x00, 0x00, 0x00)), L"0");

    struct {
        std::uint32_t value;
        std::wstring_view text;
    } odo[] = {
        {0, L"000000,0"},         {5, L"000000,5"},         {10, L"000001,0"},
        {123456, L"012345,6"},    {1234567, L"123456,7"},   {9999999, L"999999,9"},
        {10000000, L"100000,00"}, {16777215, L"167772,15"},
    };
    for (auto c : odo) {
        Bytes r = reply(static_cast<std::uint8_t>(c.value), static_cast<std::uint8_t>(c.value >> 8),
                        static_cast<std::uint8_t>(c.value >> 16), 0xFF);  // byte 8 is ignored
        EXPECT_EQ(protocol::DecodeOdometer(r), c.text) << c.value;
    }

    for (std::uint8_t b : std::initializer_list<std::uint8_t>{100, 1, 255}) {
        EXPECT_TRUE(protocol::DecodeB8(reply(b, 0, 0))) << int(b);
    }
    EXPECT_FALSE(protocol::DecodeB8(reply(0, 0xFF, 0xFF)));

    for (int code = 0; code <= 3; ++code) {
        EXPECT_EQ(protocol::DecodeCan(reply(static_cast<std::uint8_t>(code), 0, 0)), code);
    }
    for (std::uint8_t b : std::initializer_list<std::uint8_t>{4, 255}) {
        EXPECT_EQ(protocol::DecodeCan(reply(b, 0, 0)), std::nullopt) << int(b);
    }
}

TEST(ReplyDecoding, FieldNamesAndTheBytesEachNeeds) {
    struct {
        std::string_view name;
        protocol::Field field;
        int needed;
    } fields[] = {{"k", protocol::Field::K, 7},
                  {"odo", protocol::Field::Odo, 8},
                  {"B8", protocol::Field::B8, 6},
                  {"CAN", protocol::Field::Can, 6},
                  {"o", protocol::Field::O, 7}};
    Bytes reply(100, 0);
    reply[0] = 0x02;
    for (auto f : fields) {
        ASSERT_EQ(protocol::FindField(f.name), f.field) << f.name;
        EXPECT_FALSE(protocol::ReplyReceived(f.field, reply, f.needed - 1)) << f.name;
        EXPECT_TRUE(protocol::ReplyReceived(f.field, reply, f.needed)) << f.name;
        EXPECT_TRUE(protocol::ReplyReceived(f.field, reply, 100)) << f.name;
        reply[0] = 0x03;
        EXPECT_FALSE(protocol::ReplyReceived(f.field, reply, 100)) << f.name;
        reply[0] = 0x02;
    }
    for (std::string_view other : {"K", "ODO", "b8", "can", "O", "k ", "", "read_k"}) {
        EXPECT_EQ(protocol::FindField(other), std::nullopt) << other;
    }
}

}  // namespace
