// Exchange timings and the CPU cost of the wait, against tacho-sim: COM1 a tachograph, COM2 a
// silent device. Each time is given as a ratio to its floor (the wait plus the read's time-out).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "toolkit/headless.h"
#include "serial/serial.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double CpuSeconds() {
#ifdef _WIN32
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
#endif
}

struct Row {
    const char* what;
    std::int8_t port;
    std::vector<std::uint8_t> request;
    int m;
    double floorMs;
    int runs;
};

}  // namespace

int main() {
    toolkit::headless::HeadlessApp app;
    toolkit::Application = &app;
    const std::vector<std::uint8_t> writeK = {0x02, 0x49, 0x02, 0x35, 0x09, 0x40, 0x1F, 0x15};
    const std::vector<std::uint8_t> readK = {0x02, 0x49, 0x00, 0xB5, 0x09, 0xF6, 0x00};
    const Row rows[] = {
        {"answering device, 7-byte reply", 0, writeK, 7, 200, 10},
        {"silent device, 7-byte read", 1, readK, 7, 200 + 120, 10},
        {"silent device, 100-byte read", 1, readK, 100, 200 + 1515, 4},
    };
    bool ok = true;
    for (const Row& row : rows) {
        if (!InitPort(row.port)) {
            std::printf("cannot open COM%d\n", row.port + 1);
            return 1;
        }
        double sum = 0, worst = 0;
        for (int i = 0; i < row.runs; ++i) {
            FrameBuffer.fill(0);
            std::copy(row.request.begin(), row.request.end(), FrameBuffer.begin());
            const auto start = Clock::now();
            const int got = Transact(static_cast<int>(row.request.size()), 200, row.m);
            const double ms =
                std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            if ((row.port == 0) != (got == 7)) {
                std::printf("unexpected reply of %d bytes\n", got);
                ok = false;
            }
            sum += ms;
            worst = std::max(worst, ms);
        }
        ClosePort();
        const double mean = sum / row.runs;
        std::printf("%-32s floor %6.0f ms  mean %7.1f ms  ratio %.3f  (worst %.3f, %d runs)\n",
                    row.what, row.floorMs, mean, mean / row.floorMs, worst / row.floorMs, row.runs);
    }
    const int passes0 = app.pumpCount;
    const double cpu0 = CpuSeconds();
    const auto wall0 = Clock::now();
    WaitPumping(2000);
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    const double cpu = CpuSeconds() - cpu0;
    std::printf("%-32s wall %.3f s  cpu %.4f s  share %.2f %%  (%d passes)\n", "WaitPumping(2000)",
                wall, cpu, 100.0 * cpu / wall, app.pumpCount - passes0);
    return ok ? 0 : 1;
}
