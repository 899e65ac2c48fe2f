// Parts of the serial link that are the same on every platform.
#include "serial/serial.h"

std::array<std::uint8_t, kFrameBufferSize> FrameBuffer{};

std::wstring PortName(int index) {
    if (index < 0 || index >= kPortCount) {
        return {};
    }
    std::wstring number = std::to_wstring(index + 1);
    return index < 9 ? L"COM" + number : L"\\\\.\\COM" + number;
}
