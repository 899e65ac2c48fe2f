// Parts of the serial link that are the same on every platform: port names, the frame buffer,
// the exchange and the wait that keeps the window responsive.
#include <algorithm>
#include <chrono>
#include <thread>

#include "serial/serial.h"
#include "serial/serial_backend.h"
#include "serial/serial_trace.h"
#include "toolkit/toolkit.h"

std::array<std::uint8_t, kFrameBufferSize> FrameBuffer{};
std::vector<SerialCall>* SerialTrace = nullptr;

std::wstring PortName(int index) {
    if (index < 0 || index >= kPortCount) {
        return {};
    }
    std::wstring number = std::to_wstring(index + 1);
    return index < 9 ? L"COM" + number : L"\\\\.\\COM" + number;
}

namespace serial_backend {

void Trace(const char* name, std::intptr_t handle, std::string args) {
    if (SerialTrace != nullptr) {
        SerialTrace->push_back({name, handle, std::move(args)});
    }
}

}  // namespace serial_backend

void WaitPumping(std::uint32_t ms) {
    toolkit::App* app = toolkit::Application;
    if (app == nullptr) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    const std::uint32_t start = app->TickCount();
    for (;;) {
        app->ProcessMessages();
        // Unsigned difference: a wrap of the 32-bit counter during the wait changes nothing.
        const std::uint32_t elapsed = app->TickCount() - start;
        if (elapsed >= ms) {
            return;
        }
        app->WaitForMessage(ms - elapsed);
    }
}

namespace {

int Clamp(int count, std::size_t size) {
    return std::clamp(count, 0, static_cast<int>(size));
}

}  // namespace

int Transact(int n, std::uint32_t wait, int m) {
    n = Clamp(n, FrameBuffer.size());
    m = Clamp(m, FrameBuffer.size());
    if (PortIsOpen()) {
        serial_backend::WriteBytes(FrameBuffer.data(), n);
    }
    FrameBuffer.fill(0);
    WaitPumping(wait);
    // The wait processed window messages: the port may have been closed meanwhile.
    return PortIsOpen() ? serial_backend::ReadBytes(FrameBuffer.data(), m) : 0;
}

int TransactProbe(ProbeBuffer& buffer) {
    constexpr int kProbeSent = 7;
    constexpr std::uint32_t kProbeWait = 400;
    if (PortIsOpen()) {
        serial_backend::WriteBytes(buffer.data(), kProbeSent);
    }
    std::fill_n(buffer.begin(), kProbeSent, std::uint8_t{0});
    WaitPumping(kProbeWait);
    return PortIsOpen() ? serial_backend::ReadBytes(buffer.data(), static_cast<int>(buffer.size()))
                        : 0;
}

bool serial_backend::OpenForSetUp(std::int8_t index) {
    ClosePort();  // a port still open would lose its only reference
    OpenPort(index);
    if (PortName(index).empty() || !PortIsOpen()) {
        if (toolkit::Application != nullptr) {
            toolkit::Application->ShowNotice(L"Ошибка открытия порта", L"Внимание!");
        }
        return false;
    }
    return true;
}
