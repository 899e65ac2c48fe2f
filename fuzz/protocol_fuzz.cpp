// libFuzzer harness over the integer conversion and the reply decoding. Every conversion is
// compared with a plain reference reading written here, accepted or refused alike; every decoding
// with the value computed straight from the bytes. Built and run by bench/fuzz.sh.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "protocol/protocol.h"

namespace {

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "mismatch: %s\n", what);
    std::abort();
}

// The reference: cut the text into spaces, sign, prefix and digits, then let the C library read
// the digits once leading zeros are gone and the count of digits is known to fit.
std::optional<std::int32_t> Reference(const std::vector<std::uint32_t>& codes) {
    std::size_t i = 0;
    while (i < codes.size() && codes[i] == ' ') {
        ++i;
    }
    std::string s;
    for (; i < codes.size(); ++i) {
        if (codes[i] == 0 || codes[i] > 0x7F) {
            return std::nullopt;  // nothing outside ASCII, and no NUL, is part of a number
        }
        s.push_back(static_cast<char>(codes[i]));
    }
    bool negative = false;
    if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
        negative = s[0] == '-';
        s.erase(0, 1);
    }
    bool hex = false;
    if (!s.empty() && (s[0] == '$' || s[0] == 'x' || s[0] == 'X')) {
        hex = true;
        s.erase(0, 1);
    } else if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        hex = true;
        s.erase(0, 2);
    }
    const char* allowed = hex ? "0123456789abcdefABCDEF" : "0123456789";
    if (s.empty() || s.find_first_not_of(allowed) != std::string::npos) {
        return std::nullopt;
    }
    std::string digits = s.substr(std::min(s.find_first_not_of('0'), s.size()));
    if (digits.empty()) {
        digits = "0";
    }
    if (hex) {
        if (digits.size() > 8) {
            return std::nullopt;
        }
        std::uint32_t pattern =
            static_cast<std::uint32_t>(std::strtoul(digits.c_str(), nullptr, 16));
        return static_cast<std::int32_t>(negative ? 0u - pattern : pattern);
    }
    if (digits.size() > 10) {
        return std::nullopt;
    }
    long long v = std::strtoll(digits.c_str(), nullptr, 10);
    if (negative) {
        v = -v;
    }
    if (v < INT32_MIN || v > INT32_MAX) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(v);
}

void CheckConversion(const std::uint8_t* data, std::size_t size) {
    // Narrow text: the bytes as they are.
    std::vector<std::uint32_t> codes(data, data + size);
    std::string narrow(reinterpret_cast<const char*>(data), size);
    if (protocol::ParseInteger(std::string_view(narrow)) != Reference(codes)) {
        Fail("narrow conversion");
    }
    // Wide text: bytes above 0x7F become characters whose low byte is ASCII (0xB0 gives U+B030),
    // so a reading that cut characters to 8 bits would take them for digits.
    std::wstring wide;
    for (std::size_t i = 0; i < size; ++i) {
        std::uint32_t b = data[i];
        codes[i] = b < 0x80 ? b : (b << 8) | (b & 0x7F);
        wide.push_back(static_cast<wchar_t>(codes[i]));
    }
    std::optional<std::int32_t> expected = Reference(codes);
    if (protocol::ParseInteger(std::wstring_view(wide)) != expected) {
        Fail("wide conversion");
    }
    // K and the O-factor take only what fits 16 bits; the odometer takes every integer.
    protocol::Conversion k = protocol::ConvertFor(protocol::Source::K, wide);
    bool fits = expected && *expected >= 0 && *expected <= 65535;
    if ((k.refusal == protocol::Refusal::None) != fits ||
        (fits && k.value != static_cast<std::uint32_t>(*expected))) {
        Fail("K range");
    }
    if (!expected && k.refusal != protocol::Refusal::NotAnInteger) {
        Fail("K refusal kind");
    }
    protocol::Conversion odo = protocol::ConvertFor(protocol::Source::Odometer, wide);
    if ((odo.refusal == protocol::Refusal::None) != expected.has_value()) {
        Fail("odometer acceptance");
    }
}

void CheckDecoding(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return;
    }
    // The first byte says how many bytes "arrived"; the rest is the buffer, of any length.
    const int received = static_cast<int>(data[0]) - 8;
    std::span<const std::uint8_t> reply(data + 1, size - 1);
    auto at = [&](std::size_t pos) -> std::uint32_t { return pos < reply.size() ? reply[pos] : 0; };

    std::uint32_t number = at(5) + 256 * at(6);
    if (protocol::DecodeNumber(reply) != std::to_wstring(number)) {
        Fail("k/o decoding");
    }
    std::uint32_t tenths = at(5) + 256 * at(6) + 65536 * at(7);
    char text[16];
    std::snprintf(text, sizeof text, "%07u", tenths);
    std::string s(text);
    s.insert(6, ",");
    if (protocol::DecodeOdometer(reply) != std::wstring(s.begin(), s.end())) {
        Fail("odometer decoding");
    }
    if (protocol::DecodeB8(reply) != (at(5) != 0)) {
        Fail("B8 decoding");
    }
    std::optional<int> can = protocol::DecodeCan(reply);
    if (can.has_value() != (at(5) <= 3) || (can && *can != static_cast<int>(at(5)))) {
        Fail("CAN decoding");
    }

    bool arrived6 = received >= 6 && reply.size() >= 6;
    if (protocol::WriteAccepted(reply, received) != (arrived6 && at(0) == 2 && at(5) == 0)) {
        Fail("write-reply test");
    }
    if (protocol::ProbeAnswered(reply, received) !=
        (received >= 7 && at(0) == 2 && at(6) == 0xE2)) {
        Fail("probe-reply test");
    }
    for (protocol::Field f : {protocol::Field::K, protocol::Field::Odo, protocol::Field::B8,
                              protocol::Field::Can, protocol::Field::O}) {
        int needed = protocol::ReplyBytesNeeded(f);
        bool got = at(0) == 2 && received >= needed && reply.size() >= std::size_t(needed);
        if (protocol::ReplyReceived(f, reply, received) != got) {
            Fail("received test");
        }
    }

    // A frame built from any value sums, with its checksum, to 0xFF.
    if (reply.size() >= 4) {
        std::uint32_t value = at(0) | at(1) << 8 | at(2) << 16 | at(3) << 24;
        const protocol::Command& command =
            protocol::kCommands[static_cast<std::size_t>(received + 8) %
                                protocol::kCommands.size()];
        protocol::Frame frame;
        frame.fill(0xAA);
        protocol::BuildFrame(command, value, frame);
        unsigned sum = 0;
        for (int i = 0; i < command.FrameLength(); ++i) {
            sum += frame[static_cast<std::size_t>(i)];
        }
        if ((sum & 0xFF) != 0xFF || frame[static_cast<std::size_t>(command.FrameLength())] != 0) {
            Fail("frame checksum");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte picks the half: even bytes test the conversion, odd ones the decoding.
    if ((data[0] & 1) == 0) {
        CheckConversion(data + 1, size - 1);
    } else {
        CheckDecoding(data + 1, size - 1);
    }
    return 0;
}
