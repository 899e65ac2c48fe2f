// POSIX backend of the serial link (native tests): termios and poll on pseudo-terminals.
#include "serial/serial.h"

NativePort PortHandle = -1;

void OpenPort(int /*index*/) {}
bool InitPort(std::int8_t /*index*/) { return false; }
bool PortIsOpen() { return false; }
void ClosePort() {}
int Transact(int /*n*/, std::uint32_t /*wait*/, int /*m*/) { return 0; }
int TransactProbe(ProbeBuffer& /*buffer*/) { return 0; }
void WaitPumping(std::uint32_t /*ms*/) {}
void SetPortPath(int /*index*/, std::string /*path*/) {}
