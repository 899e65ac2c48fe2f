// The serial link: port names, opening and line set-up, and the request/reply exchange over the
// shared frame buffer. One header; a Win32 backend (the product) and a POSIX backend (native
// tests on pseudo-terminals) implement it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
using NativePort = HANDLE;
#else
using NativePort = int;
#endif

// The one serial port handle: written by every open attempt (the port, or the invalid value),
// closed by the operation that opened it.
extern NativePort PortHandle;

// One request from byte 0, then that request's reply from byte 0.
inline constexpr std::size_t kFrameBufferSize = 400;
extern std::array<std::uint8_t, kFrameBufferSize> FrameBuffer;

// The device search's own buffer: the probe frame, then the probe reply.
inline constexpr std::size_t kProbeBufferSize = 10;
using ProbeBuffer = std::array<std::uint8_t, kProbeBufferSize>;

inline constexpr int kPortCount = 42;  // COM1 to COM42

// "COM1".."COM9" for 0..8, "\\.\COM10".."\\.\COM42" for 9..41, empty for any other index.
std::wstring PortName(int index);

// Opens the port of an index (0..41) without sharing and stores the outcome in PortHandle; any
// other index opens nothing and leaves PortHandle as it is. Shows nothing.
void OpenPort(int index);

// Opens the port and sets up the line (9600 8E1, 15 ms time-outs, both queues purged). A failed
// open shows "Ошибка открытия порта" and returns false; the set-up calls' results are not examined.
bool InitPort(std::int8_t index);

// True while PortHandle holds a port that is open.
bool PortIsOpen();

// Closes PortHandle. Closing a port that is not open does nothing.
void ClosePort();

// One exchange: sends bytes 0..n-1 of FrameBuffer, clears all of it, waits `wait` ms while the
// window keeps processing messages, and reads up to m reply bytes into it from byte 0. Returns
// how many bytes arrived (0 on an invalid or closed port).
int Transact(int n, std::uint32_t wait, int m);

// The device search's exchange: sends bytes 0..6 of the probe buffer, clears them, waits 400 ms
// pumping messages, reads up to 10 bytes into it. Returns how many bytes arrived.
int TransactProbe(ProbeBuffer& buffer);

// Returns after at least ms milliseconds on the application's tick counter (correct across its
// wrap), processing window messages all the while and sleeping between passes.
void WaitPumping(std::uint32_t ms);

#ifndef _WIN32
// POSIX backend only: the device path that COM n (index n-1) opens. Tests point it at ptys.
void SetPortPath(int index, std::string path);
#endif
