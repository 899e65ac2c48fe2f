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

// The inverted low byte of the sum of the bytes.
std::uint8_t Checksum(std::span<const std::uint8_t> bytes);

// The seven bytes of the presence request, filler included.
inline constexpr std::array<std::uint8_t, 7> ProbeFrame = {0x02, 0x49, 0x00, 0xD1, 0x00, 0xE3, 0x00};

}  // namespace protocol
