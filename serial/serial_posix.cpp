// POSIX backend of the serial link (native tests): termios and poll on pseudo-terminals, with the
// read and write completion rules of the Win32 time-outs.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>

#include "serial/serial.h"
#include "serial/serial_backend.h"
#include "serial/serial_trace.h"

NativePort PortHandle = -1;

namespace {

using Clock = std::chrono::steady_clock;

int g_openFd = -1;  // the descriptor that is open now, -1 when none

// COM n's device path: set by SetPortPath, else <LORVAN_PORTS_DIR>/COMn, else /dev/ttyS<n-1>.
std::array<std::string, kPortCount>& PortPaths() {
    static std::array<std::string, kPortCount> paths = [] {
        std::array<std::string, kPortCount> table;
        const char* dir = std::getenv("LORVAN_PORTS_DIR");
        for (int i = 0; i < kPortCount; ++i) {
            table[static_cast<std::size_t>(i)] =
                dir != nullptr && *dir != '\0' ? std::string(dir) + "/COM" + std::to_string(i + 1)
                                               : "/dev/ttyS" + std::to_string(i);
        }
        return table;
    }();
    return paths;
}

// Raw 9600 8E1. Parity checking of input and hardware flow control stay as the port had them;
// software flow control is off, since it would swallow the bytes 0x11 and 0x13 of a frame.
void SetRawLine(termios& t) {
    t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                        IXON | IXOFF | IXANY);
    t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARODD | CSTOPB);
    t.c_cflag |= CS8 | PARENB | CREAD | CLOCAL;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
}

int MsLeft(Clock::time_point deadline) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, ms));
}

std::chrono::milliseconds Ms(long long ms) {
    return std::chrono::milliseconds(ms);
}

}  // namespace

void SetPortPath(int index, std::string path) {
    if (index >= 0 && index < kPortCount) {
        PortPaths()[static_cast<std::size_t>(index)] = std::move(path);
    }
}

bool PortIsOpen() {
    return PortHandle >= 0 && PortHandle == g_openFd;
}

void ClosePort() {
    if (!PortIsOpen()) {
        return;
    }
    // Exclusive mode would outlive the descriptor on some kernels: give it up explicitly.
    ioctl(PortHandle, TIOCNXCL);
    serial_backend::Trace("close", PortHandle);
    close(PortHandle);
    g_openFd = -1;
}

void OpenPort(int index) {
    if (PortName(index).empty()) {
        return;
    }
    ClosePort();  // a port still open would lose its only reference
    const std::string& path = PortPaths()[static_cast<std::size_t>(index)];
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    serial_backend::Trace("open", fd, path);
    if (fd >= 0) {
        // TIOCEXCL refuses further opens of the tty except for root; the lock holds for root too.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            fd = -1;
        } else {
            ioctl(fd, TIOCEXCL);
        }
    }
    PortHandle = fd;
    g_openFd = fd;
}

bool InitPort(std::int8_t index) {
    if (!serial_backend::OpenForSetUp(index)) {
        return false;
    }
    termios t{};
    serial_backend::Trace("tcgetattr", PortHandle);
    tcgetattr(PortHandle, &t);
    SetRawLine(t);
    serial_backend::Trace("tcsetattr", PortHandle, "9600 8E1 raw");
    tcsetattr(PortHandle, TCSANOW, &t);
    serial_backend::Trace("tcdrain", PortHandle);
    tcdrain(PortHandle);
    serial_backend::Trace("tcflush", PortHandle, "TCIOFLUSH");
    tcflush(PortHandle, TCIOFLUSH);
    return true;
}

namespace serial_backend {

int WriteBytes(const std::uint8_t* data, int n) {
    Trace("write", PortHandle, std::to_string(n));
    const auto deadline = Clock::now() + Ms(15LL * n + 15);
    int sent = 0;
    while (sent < n) {
        const ssize_t w = write(PortHandle, data + sent, static_cast<std::size_t>(n - sent));
        if (w > 0) {
            sent += static_cast<int>(w);
            continue;
        }
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w < 0 && errno != EAGAIN) {
            break;
        }
        pollfd p = {PortHandle, POLLOUT, 0};
        const int left = MsLeft(deadline);
        if (left == 0 || poll(&p, 1, left) <= 0 || (p.revents & POLLOUT) == 0) {
            break;
        }
    }
    return sent;
}

int ReadBytes(std::uint8_t* data, int m) {
    Trace("read", PortHandle, std::to_string(m));
    const auto deadline = Clock::now() + Ms(15LL * m + 15);
    Clock::time_point lastByte;
    int got = 0;
    while (got < m) {
        const ssize_t r = read(PortHandle, data + got, static_cast<std::size_t>(m - got));
        if (r > 0) {
            got += static_cast<int>(r);
            lastByte = Clock::now();
            continue;
        }
        if (r < 0 && errno == EINTR) {
            continue;
        }
        // With VMIN 0 an empty queue reads as 0 rather than EAGAIN; a hang-up shows in poll.
        if (r < 0 && errno != EAGAIN) {
            break;  // the line is gone or the descriptor is not readable
        }
        // Nothing waiting: until the total time-out, or 15 ms after the last byte.
        auto until = deadline;
        if (got > 0) {
            until = std::min(until, lastByte + Ms(15));
        }
        const int left = MsLeft(until);
        if (left == 0) {
            break;
        }
        pollfd p = {PortHandle, POLLIN, 0};
        if (poll(&p, 1, left) < 0 && errno != EINTR) {
            break;
        }
        if ((p.revents & POLLIN) == 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            break;
        }
    }
    return got;
}

}  // namespace serial_backend
