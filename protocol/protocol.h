// The tachograph's wire protocol: request frames, command set, checksum, reply tests, integer
// text conversion and reply decoding. Pure functions of bytes and texts: no OS, no window.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace protocol {

inline constexpr std::uint8_t kStart = 0x02;
inline constexpr std::uint8_t kSecond = 0x49;

namespace OperationCode {
inline constexpr std::uint8_t Write = 0x35;
inline constexpr std::uint8_t Read = 0xB5;
inline constexpr std::uint8_t Presence = 0xD1;
}  // namespace OperationCode

namespace ParameterCode {
inline constexpr std::uint8_t K = 0x09;
inline constexpr std::uint8_t Can = 0x0A;
inline constexpr std::uint8_t B8 = 0x0B;
inline constexpr std::uint8_t Odo = 0x0C;
inline constexpr std::uint8_t O = 0x0D;
}  // namespace ParameterCode

// Frames are built into a buffer of this size, all of it cleared first.
inline constexpr std::size_t kFrameSize = 400;
using Frame = std::array<std::uint8_t, kFrameSize>;

// Where the value of a request starts; a reply carries its result or value from here too.
inline constexpr std::size_t kValuePos = 5;

// The inverted low byte of the sum of the bytes.
std::uint8_t Checksum(std::span<const std::uint8_t> bytes);

// Where a command's value comes from in the window.
enum class Source { None, K, Odometer, Can, B8, O };

// One row of the command set, with the numbers of its exchange.
struct Command {
    std::string_view name;
    std::uint8_t n;          // value bytes
    std::uint8_t operation;  // OperationCode
    std::uint8_t parameter;  // ParameterCode
    Source source;
    int sent;              // bytes that go on the line: the frame, and the filler for reads
    std::uint32_t waitMs;  // wait between sending and reading
    int replyBytes;        // bytes read back at most

    constexpr int FrameLength() const { return 6 + n; }
    constexpr bool IsRead() const { return operation == OperationCode::Read; }
};

inline constexpr std::array<Command, 10> kCommands = {{
    {"write_k", 2, OperationCode::Write, ParameterCode::K, Source::K, 8, 200, 7},
    {"write_odo", 4, OperationCode::Write, ParameterCode::Odo, Source::Odometer, 10, 200, 7},
    {"write_CAN", 1, OperationCode::Write, ParameterCode::Can, Source::Can, 7, 200, 7},
    {"write_B8", 2, OperationCode::Write, ParameterCode::B8, Source::B8, 8, 200, 7},
    {"write_o", 2, OperationCode::Write, ParameterCode::O, Source::O, 8, 200, 7},
    {"read_k", 0, OperationCode::Read, ParameterCode::K, Source::None, 7, 200, 100},
    {"read_odo", 0, OperationCode::Read, ParameterCode::Odo, Source::None, 7, 200, 100},
    {"read_CAN", 0, OperationCode::Read, ParameterCode::Can, Source::None, 7, 200, 100},
    {"read_B8", 0, OperationCode::Read, ParameterCode::B8, Source::None, 7, 200, 100},
    {"read_o", 0, OperationCode::Read, ParameterCode::O, Source::None, 7, 200, 100},
}};

// The row of a command name, compared whole and case-sensitive; null when it is not in the set.
const Command* FindCommand(std::string_view name);

// The presence request: N 0, OperationCode 0xD1, ParameterCode 0x00, then the filler.
inline constexpr std::array<std::uint8_t, 7> ProbeFrame = {0x02, 0x49, 0x00, 0xD1,
                                                           0x00, 0xE3, 0x00};
inline constexpr int kProbeSent = 7;
inline constexpr std::uint32_t kProbeWaitMs = 400;
inline constexpr int kProbeReplyBytes = 10;

// Writes positions 0 to 4 of a command's frame: start byte, 0x49, N and the two codes.
void WriteHeader(const Command& command, std::span<std::uint8_t, kFrameSize> frame);

// Writes the N value bytes (little-endian, the low N bytes of value) and the checksum after them.
void WriteValue(const Command& command, std::uint32_t value,
                std::span<std::uint8_t, kFrameSize> frame);

// Clears the whole buffer and writes the complete frame of a command with its value.
void BuildFrame(const Command& command, std::uint32_t value,
                std::span<std::uint8_t, kFrameSize> frame);

// The integer conversion of the text fields: leading spaces, one optional sign, then decimal
// digits or a hexadecimal number after "$", "x", "X", "0x" or "0X" (a 32-bit pattern of at most
// eight significant digits, negated by a "-" before the prefix), and nothing after the digits.
// Leading zeros stay decimal. Empty when the text is not such an integer.
std::optional<std::int32_t> ParseInteger(std::wstring_view text);
std::optional<std::int32_t> ParseInteger(std::string_view text);

// K and the O-factor go out as 16 bits: only 0 to 65535 fit.
constexpr bool FitsSixteenBits(std::int32_t value) {
    return value >= 0 && value <= 65535;
}

// The seven characters that the odometer field's text (six digit positions, a comma, one digit
// position) gives to the conversion: characters 1 to 6 and 8, the comma left out.
std::wstring JoinOdometer(std::wstring_view fieldText);

// The CAN protocol code of a selected entry: the position when it is 1, 2 or 3, otherwise 0.
constexpr std::uint8_t CanCode(int itemIndex) {
    return itemIndex >= 1 && itemIndex <= 3 ? static_cast<std::uint8_t>(itemIndex) : 0;
}

// Output B8's value: 100 for on, 0 for off (the second value byte is always 0).
constexpr std::uint32_t B8Value(bool on) {
    return on ? 100u : 0u;
}

// The conversion error's message, and the refusal of a K or O-factor outside its 16 bits.
std::wstring NotAnIntegerMessage(std::wstring_view text);
std::wstring OutOfRangeMessage(std::wstring_view text);

// Why a text gives no value for its frame.
enum class Refusal { None, NotAnInteger, OutOfRange };

struct Conversion {
    Refusal refusal = Refusal::None;
    std::uint32_t value = 0;  // the bits that go out, when not refused
};

// Converts the text of a command's source: K and O must be integers of 0 to 65535, the
// odometer's joined text any integer (all 32 bits go out).
Conversion ConvertFor(Source source, std::wstring_view text);

// The write-reply test: at least 6 bytes arrived, 0x02 at position 0 and 0x00 at position 5.
bool WriteAccepted(std::span<const std::uint8_t> reply, int received);

// The probe-reply test: 0x02 at position 0 and 0xE2 at position 6, so at least 7 bytes arrived.
bool ProbeAnswered(std::span<const std::uint8_t> reply, int received);

// The fields that read replies are decoded into.
enum class Field { K, Odo, B8, Can, O };

// The field of a name, compared whole and case-sensitive in the order k, odo, B8, CAN, o.
std::optional<Field> FindField(std::string_view name);

// How many bytes a reply must bring to reach the last position its field reads.
constexpr int ReplyBytesNeeded(Field field) {
    switch (field) {
        case Field::K:
        case Field::O:
            return 7;
        case Field::Odo:
            return 8;
        case Field::B8:
        case Field::Can:
            return 6;
    }
    return 8;
}

// A read reply was received: it starts with 0x02 and reached the last position its field reads.
bool ReplyReceived(Field field, std::span<const std::uint8_t> reply, int received);

// The value of k and o: bytes 5 (low) and 6, unsigned, as "%i" formats it.
std::wstring DecodeNumber(std::span<const std::uint8_t> reply);

// The odometer's text: bytes 5 to 7 as an unsigned 24-bit number of tenths, padded with "0" to
// seven digits, with "," before the seventh character ("012345,6"; 16777215 gives "167772,15").
std::wstring DecodeOdometer(std::span<const std::uint8_t> reply);

// Output B8: on for any non-zero byte 5.
bool DecodeB8(std::span<const std::uint8_t> reply);

// The CAN entry of byte 5 when it is a known code 0 to 3; empty otherwise.
std::optional<int> DecodeCan(std::span<const std::uint8_t> reply);

}  // namespace protocol
