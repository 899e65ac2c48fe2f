// Win32 backend of the serial link (the product): a synchronous handle, set up with exactly the
// calls, arguments and order the device needs.
#include <cstdio>

#include "serial/line_state.h"
#include "serial/serial.h"
#include "serial/serial_backend.h"
#include "serial/serial_trace.h"

NativePort PortHandle = INVALID_HANDLE_VALUE;

namespace {

// Module-level and reused by every set-up; the line state is refilled from the port each time.
serial::LineState LineStateRecord{};
serial::Timeouts TimeoutRecord{};

HANDLE g_openHandle = INVALID_HANDLE_VALUE;  // the handle that is open now

std::intptr_t Id(HANDLE handle) {
    return reinterpret_cast<std::intptr_t>(handle);
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

std::string Format(const char* format, unsigned long a, unsigned long b = 0) {
    char text[160];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

}  // namespace

bool PortIsOpen() {
    return PortHandle != INVALID_HANDLE_VALUE && PortHandle == g_openHandle;
}

void ClosePort() {
    if (!PortIsOpen()) {
        return;
    }
    serial_backend::Trace("CloseHandle", Id(PortHandle));
    CloseHandle(PortHandle);
    g_openHandle = INVALID_HANDLE_VALUE;
}

void OpenPort(int index) {
    const std::wstring name = PortName(index);
    if (name.empty()) {
        return;
    }
    ClosePort();  // a port still open would lose its only reference
    PortHandle = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                             0, nullptr);
    g_openHandle = PortHandle;
    serial_backend::Trace("CreateFileW", Id(PortHandle),
                          Narrow(name) + Format(" access=%lx share=0 security=null "
                                                "disposition=%lu flags=0 template=null",
                                                GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING));
}

bool InitPort(std::int8_t index) {
    if (!serial_backend::OpenForSetUp(index)) {
        return false;
    }
    const std::intptr_t id = Id(PortHandle);
    serial_backend::Trace("GetCommState", id);
    GetCommState(PortHandle, &LineStateRecord);
    serial::SetLineState(LineStateRecord);

    // The parser gets the record, but whatever it makes of the mode text (Wine rejects it and
    // may leave fields half-written) is undone: the record goes back to the state set above, so
    // the port's own settings and the 9600 8E1 edits are what SetCommState applies.
    const serial::LineState wanted = LineStateRecord;
    const std::wstring mode = serial::ModeText();
    serial_backend::Trace("BuildCommDCBW", id, Narrow(mode));
    BuildCommDCBW(mode.c_str(), &LineStateRecord);
    LineStateRecord = wanted;

    serial_backend::Trace(
        "SetCommState", id,
        Format("baud=%lu bytesize=%lu", LineStateRecord.BaudRate, LineStateRecord.ByteSize) +
            Format(" parity=%lu stopbits=%lu", LineStateRecord.Parity, LineStateRecord.StopBits) +
            Format(" length=%lu fNull=%lu", LineStateRecord.DCBlength, LineStateRecord.fNull));
    SetCommState(PortHandle, &LineStateRecord);

    serial::SetTimeouts(TimeoutRecord);
    serial_backend::Trace("SetCommTimeouts", id,
                          Format("%lu %lu", TimeoutRecord.ReadIntervalTimeout,
                                 TimeoutRecord.ReadTotalTimeoutMultiplier) +
                              Format(" %lu %lu", TimeoutRecord.ReadTotalTimeoutConstant,
                                     TimeoutRecord.WriteTotalTimeoutMultiplier) +
                              Format(" %lu", TimeoutRecord.WriteTotalTimeoutConstant));
    SetCommTimeouts(PortHandle, &TimeoutRecord);
    serial_backend::Trace("FlushFileBuffers", id);
    FlushFileBuffers(PortHandle);
    serial_backend::Trace("PurgeComm", id, Format("%lu", PURGE_TXCLEAR | PURGE_RXCLEAR));
    PurgeComm(PortHandle, PURGE_TXCLEAR | PURGE_RXCLEAR);
    serial_backend::Trace("SetCommMask", id, Format("%lu", EV_RXCHAR));
    SetCommMask(PortHandle, EV_RXCHAR);
    return true;
}

namespace serial_backend {

int WriteBytes(const std::uint8_t* data, int n) {
    Trace("WriteFile", Id(PortHandle), std::to_string(n));
    DWORD written = 0;
    WriteFile(PortHandle, data, static_cast<DWORD>(n), &written, nullptr);
    return static_cast<int>(written);
}

int ReadBytes(std::uint8_t* data, int m) {
    Trace("ReadFile", Id(PortHandle), std::to_string(m));
    DWORD read = 0;
    ReadFile(PortHandle, data, static_cast<DWORD>(m), &read, nullptr);
    return static_cast<int>(read);
}

}  // namespace serial_backend
