#include "protocol/protocol.h"

namespace protocol {

std::uint8_t Checksum(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) {
        sum += b;
    }
    return static_cast<std::uint8_t>(~sum & 0xFFu);
}

}  // namespace protocol
