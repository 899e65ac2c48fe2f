// What each backend supplies to the shared exchange code: one synchronous write and one read by
// the port's completion rules, on PortHandle.
#pragma once

#include <cstdint>
#include <string>

namespace serial_backend {

// Writes n bytes in one write bounded by 15 * n + 15 ms; returns how many went out.
int WriteBytes(const std::uint8_t* data, int n);

// Reads up to m bytes: ends at m bytes, 15 ms after a byte with no further byte, or at
// 15 * m + 15 ms, whichever comes first. Returns how many arrived.
int ReadBytes(std::uint8_t* data, int m);

// The opening half of InitPort: closes a port still open, opens the port of the index and, when
// that fails, shows the open-error box. True when the port is open for its set-up.
bool OpenForSetUp(std::int8_t index);

// Notes a platform call in SerialTrace when tracing is on.
void Trace(const char* name, std::intptr_t handle, std::string args = {});

}  // namespace serial_backend
