// The line settings and time-outs that every set-up writes, as pure edits of the platform's
// records. On Windows the records are DCB and COMMTIMEOUTS; elsewhere they are stand-ins with the
// same layout, so that the same edits are tested on both sides.
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#endif

namespace serial {

#ifdef _WIN32
using LineState = DCB;
using Timeouts = COMMTIMEOUTS;
#else
// Field for field the layout of the Win32 DCB (28 bytes).
struct LineState {
    std::uint32_t DCBlength;
    std::uint32_t BaudRate;
    std::uint32_t fBinary : 1;
    std::uint32_t fParity : 1;
    std::uint32_t fOutxCtsFlow : 1;
    std::uint32_t fOutxDsrFlow : 1;
    std::uint32_t fDtrControl : 2;
    std::uint32_t fDsrSensitivity : 1;
    std::uint32_t fTXContinueOnXoff : 1;
    std::uint32_t fOutX : 1;
    std::uint32_t fInX : 1;
    std::uint32_t fErrorChar : 1;
    std::uint32_t fNull : 1;
    std::uint32_t fRtsControl : 2;
    std::uint32_t fAbortOnError : 1;
    std::uint32_t fDummy2 : 17;
    std::uint16_t wReserved;
    std::uint16_t XonLim;
    std::uint16_t XoffLim;
    std::uint8_t ByteSize;
    std::uint8_t Parity;
    std::uint8_t StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    std::uint16_t wReserved1;
};

// Field for field the layout of the Win32 COMMTIMEOUTS.
struct Timeouts {
    std::uint32_t ReadIntervalTimeout;
    std::uint32_t ReadTotalTimeoutMultiplier;
    std::uint32_t ReadTotalTimeoutConstant;
    std::uint32_t WriteTotalTimeoutMultiplier;
    std::uint32_t WriteTotalTimeoutConstant;
};
#endif
static_assert(sizeof(LineState) == 28);
static_assert(sizeof(Timeouts) == 20);

inline constexpr std::uint32_t kBaudRate = 9600;
inline constexpr std::uint8_t kDataBits = 8;
inline constexpr std::uint8_t kEvenParity = 2;   // the platform's code for even parity
inline constexpr std::uint8_t kOneStopBit = 0;   // the platform's code for one stop bit
inline constexpr std::uint32_t kTimeoutMs = 15;  // every one of the five time-outs

// 9600 baud, 8 data bits, even parity, one stop bit, the length field, received null bytes kept.
// Flow control, modem lines, the special characters and abort-on-error stay as they were.
inline void SetLineState(LineState& state) {
    state.DCBlength = sizeof(LineState);
    state.BaudRate = kBaudRate;
    state.ByteSize = kDataBits;
    state.Parity = kEvenParity;
    state.StopBits = kOneStopBit;
    state.fNull = 0;
}

// Read interval, read multiplier and constant, write multiplier and constant: 15 ms each.
inline void SetTimeouts(Timeouts& timeouts) {
    timeouts.ReadIntervalTimeout = kTimeoutMs;
    timeouts.ReadTotalTimeoutMultiplier = kTimeoutMs;
    timeouts.ReadTotalTimeoutConstant = kTimeoutMs;
    timeouts.WriteTotalTimeoutMultiplier = kTimeoutMs;
    timeouts.WriteTotalTimeoutConstant = kTimeoutMs;
}

// The mode text handed to the platform's parser, joined from its three pieces.
inline std::wstring ModeText() {
    return std::wstring(L"baud =") + L"9600" + L" parity=2 data=8 stop=1";
}

}  // namespace serial
