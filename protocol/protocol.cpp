#include "protocol/protocol.h"

#include <algorithm>

namespace protocol {

namespace {

// A reply byte as the buffer holds it; a position beyond the buffer reads as the zero that
// clearing would have left there.
std::uint32_t At(std::span<const std::uint8_t> reply, std::size_t pos) {
    return pos < reply.size() ? reply[pos] : 0u;
}

bool IsDecimal(std::uint32_t c) {
    return c >= '0' && c <= '9';
}

int HexDigit(std::uint32_t c) {
    if (c >= '0' && c <= '9')
        return static_cast<int>(c - '0');
    if (c >= 'a' && c <= 'f')
        return static_cast<int>(c - 'a' + 10);
    if (c >= 'A' && c <= 'F')
        return static_cast<int>(c - 'A' + 10);
    return -1;
}

// Both text widths share one reading; characters are compared by their code, so no character
// outside ASCII is ever taken for a digit, sign or prefix.
template <typename Char>
std::optional<std::int32_t> Parse(std::basic_string_view<Char> text) {
    auto code = [](Char c) {
        return static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<Char>>(c));
    };
    std::size_t i = 0;
    while (i < text.size() && code(text[i]) == ' ') {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (code(text[i]) == '-' || code(text[i]) == '+')) {
        negative = code(text[i]) == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (code(text[i]) == '$' || code(text[i]) == 'x' || code(text[i]) == 'X')) {
        hex = true;
        i += 1;
    } else if (i + 1 < text.size() && code(text[i]) == '0' &&
               (code(text[i + 1]) == 'x' || code(text[i + 1]) == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) {
        return std::nullopt;  // no digits
    }

    if (hex) {
        std::uint32_t pattern = 0;
        int significant = 0;
        for (; i < text.size(); ++i) {
            int d = HexDigit(code(text[i]));
            if (d < 0) {
                return std::nullopt;
            }
            if (significant > 0 || d != 0) {
                if (++significant > 8) {
                    return std::nullopt;
                }
            }
            pattern = (pattern << 4) | static_cast<std::uint32_t>(d);
        }
        // The pattern's bits are the number; a "-" negates it within the same 32 bits.
        std::uint32_t bits = negative ? 0u - pattern : pattern;
        return static_cast<std::int32_t>(bits);
    }

    // Decimal: the magnitude may reach 2^31 only for a negative number. Stops counting as soon
    // as it is out of range, so any number of digits is safe.
    const std::uint64_t limit = negative ? 2147483648u : 2147483647u;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!IsDecimal(code(text[i]))) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (code(text[i]) - '0');
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    std::uint32_t bits = static_cast<std::uint32_t>(magnitude);
    return static_cast<std::int32_t>(negative ? 0u - bits : bits);
}

std::wstring Quoted(std::wstring_view before, std::wstring_view text, std::wstring_view after) {
    std::wstring message(before);
    message += L"''";
    message += text;
    message += L"''";
    message += after;
    return message;
}

}  // namespace

std::uint8_t Checksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>(~sum & 0xFFu);
}

const Command* FindCommand(std::string_view name) {
    for (const Command& c : kCommands) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

void WriteHeader(const Command& command, std::span<std::uint8_t, kFrameSize> frame) {
    frame[0] = kStart;
    frame[1] = kSecond;
    frame[2] = command.n;
    frame[3] = command.operation;
    frame[4] = command.parameter;
}

void WriteValue(const Command& command, std::uint32_t value,
                std::span<std::uint8_t, kFrameSize> frame) {
    for (std::size_t i = 0; i < command.n; ++i) {
        frame[kValuePos + i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    const std::size_t end = kValuePos + command.n;
    frame[end] = Checksum(std::span<const std::uint8_t>(frame.data(), end));
}

void BuildFrame(const Command& command, std::uint32_t value,
                std::span<std::uint8_t, kFrameSize> frame) {
    std::fill(frame.begin(), frame.end(), std::uint8_t{0});
    WriteHeader(command, frame);
    WriteValue(command, value, frame);
}

std::optional<std::int32_t> ParseInteger(std::wstring_view text) {
    return Parse(text);
}
std::optional<std::int32_t> ParseInteger(std::string_view text) {
    return Parse(text);
}

std::wstring JoinOdometer(std::wstring_view fieldText) {
    std::wstring joined(fieldText.substr(0, 6));
    if (fieldText.size() > 7) {
        joined += fieldText[7];
    }
    return joined;
}

std::wstring NotAnIntegerMessage(std::wstring_view text) {
    return Quoted(L"", text, L" is not a valid integer value");
}

std::wstring OutOfRangeMessage(std::wstring_view text) {
    return Quoted(L"Значение ", text, L" вне диапазона 0..65535");
}

Conversion ConvertFor(Source source, std::wstring_view text) {
    std::optional<std::int32_t> value = ParseInteger(text);
    if (!value) {
        return {Refusal::NotAnInteger, 0};
    }
    if ((source == Source::K || source == Source::O) && !FitsSixteenBits(*value)) {
        return {Refusal::OutOfRange, 0};
    }
    return {Refusal::None, static_cast<std::uint32_t>(*value)};
}

bool WriteAccepted(std::span<const std::uint8_t> reply, int received) {
    return received >= 6 && At(reply, 0) == kStart && reply.size() > kValuePos &&
           reply[kValuePos] == 0x00;
}

bool ProbeAnswered(std::span<const std::uint8_t> reply, int received) {
    return received >= 7 && At(reply, 0) == kStart && At(reply, 6) == 0xE2;
}

std::optional<Field> FindField(std::string_view name) {
    if (name == "k")
        return Field::K;
    if (name == "odo")
        return Field::Odo;
    if (name == "B8")
        return Field::B8;
    if (name == "CAN")
        return Field::Can;
    if (name == "o")
        return Field::O;
    return std::nullopt;
}

bool ReplyReceived(Field field, std::span<const std::uint8_t> reply, int received) {
    return At(reply, 0) == kStart && received >= ReplyBytesNeeded(field) &&
           reply.size() >= static_cast<std::size_t>(ReplyBytesNeeded(field));
}

std::wstring DecodeNumber(std::span<const std::uint8_t> reply) {
    return std::to_wstring(At(reply, 5) | At(reply, 6) << 8);
}

std::wstring DecodeOdometer(std::span<const std::uint8_t> reply) {
    std::wstring text = std::to_wstring(At(reply, 5) | At(reply, 6) << 8 | At(reply, 7) << 16);
    if (text.size() < 7) {
        text.insert(0, 7 - text.size(), L'0');
    }
    text.insert(6, 1, L',');
    return text;
}

bool DecodeB8(std::span<const std::uint8_t> reply) {
    return At(reply, 5) != 0;
}

std::optional<int> DecodeCan(std::span<const std::uint8_t> reply) {
    std::uint32_t code = At(reply, 5);
    if (code > 3) {
        return std::nullopt;
    }
    return static_cast<int>(code);
}

}  // namespace protocol
