// Soak benchmark of the real program under the e2e driver: many single writes and read-alls in
// one run, every box and every frame checked, the process's handle, USER and GDI object counts
// sampled, and each operation's time as a ratio to the sum of its waits.
//
//   lorvan_soak ops <lorvan_setup.exe> [writes] [reads]   tachograph on COM1
//   lorvan_soak search <lorvan_setup.exe>                 42 silent ports, no device
// LORVAN_SIM_LOG names the simulator's log.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/e2e/driver.h"
#include "tests/e2e/scenario.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

struct Counts {
    DWORD handles = 0, user = 0, gdi = 0;
    BOOL handlesOk = FALSE;
    DWORD handlesError = 0, userError = 0, gdiError = 0;  // GetLastError after each call
};

Counts Sample(HANDLE process) {
    Counts c;
    SetLastError(0);
    c.handlesOk = GetProcessHandleCount(process, &c.handles);
    c.handlesError = GetLastError();
    SetLastError(0);
    c.user = GetGuiResources(process, GR_USEROBJECTS);
    c.userError = GetLastError();
    SetLastError(0);
    c.gdi = GetGuiResources(process, GR_GDIOBJECTS);
    c.gdiError = GetLastError();
    return c;
}

void PrintCounts(const char* when, const Counts& c) {
    std::printf(
        "  %-6s handles %lu (call %s, error %lu), USER objects %lu (error %lu), GDI "
        "objects %lu (error %lu)\n",
        when, static_cast<unsigned long>(c.handles), c.handlesOk ? "ok" : "failed",
        static_cast<unsigned long>(c.handlesError), static_cast<unsigned long>(c.user),
        static_cast<unsigned long>(c.userError), static_cast<unsigned long>(c.gdi),
        static_cast<unsigned long>(c.gdiError));
}

struct Stats {
    std::vector<double> ratios;
    void Add(double ms, double floorMs) { ratios.push_back(ms / floorMs); }
    void Print(const char* what, double floorMs) {
        if (ratios.empty()) {
            return;
        }
        std::sort(ratios.begin(), ratios.end());
        auto at = [&](double q) {
            return ratios[static_cast<std::size_t>(q * static_cast<double>(ratios.size() - 1))];
        };
        std::printf("  %-22s n=%zu floor %.0f ms  ratio min %.2f median %.2f p95 %.2f max %.2f\n",
                    what, ratios.size(), floorMs, ratios.front(), at(0.5), at(0.95), ratios.back());
    }
};

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

int Count(const e2e::SimLog& log, const char* event) {
    int n = 0;
    for (const e2e::LogEntry& e : log.Read()) {
        n += e.event == event ? 1 : 0;
    }
    return n;
}

int Ops(e2e::Tool& tool, e2e::SimLog& log, int writes, int reads) {
    struct Write {
        const char* button;
        double floorMs;
        int frames;
    };
    const Write kinds[] = {{"Button_write_k", 200, 1},
                           {"Button_write_odo", 200, 1},
                           {"Button_write_B8", 200, 1},
                           {"Button_write_CAN", 400, 2}};
    Stats single[4], shown[4], readAll;
    int failures = 0, expectedFrames = 0;
    const Counts start = Sample(tool.Process());
    for (int i = 0; i < writes; ++i) {
        const Write& w = kinds[i % 4];
        const auto t0 = Clock::now();
        tool.Click(w.button);
        e2e::SeenBox box;
        Clock::time_point boxAt;
        if (!tool.NextBox(box, 10s, &boxAt)) {
            std::printf("  write %d (%s): no box\n", i, w.button);
            return 1;
        }
        // Up to the box: the operation's exchanges. NextBox returns once the box has gone, and
        // with it the operation (the port closes on the dismissal).
        shown[i % 4].Add(Ms(boxAt - t0), w.floorMs);
        single[i % 4].Add(Ms(Clock::now() - t0), w.floorMs);
        expectedFrames += w.frames;
        if (box.text != L"Данные успешно записаны!") {
            ++failures;
            std::printf("  write %d (%s): box %s\n", i, w.button, e2e::Utf8(box.text).c_str());
        }
    }
    const Counts middle = Sample(tool.Process());
    for (int i = 0; i < reads; ++i) {
        const int closes = Count(log, "close");
        const auto t0 = Clock::now();
        tool.Click("Button_read");
        // Read-all shows no box when every reply arrived: its end is the port's close.
        while (Count(log, "close") == closes) {
            if (Clock::now() - t0 > 10s) {
                std::printf("  read-all %d did not end\n", i);
                return 1;
            }
            if (tool.BoxShown()) {
                e2e::SeenBox box;
                tool.NextBox(box, 1s);
                ++failures;
                std::printf("  read-all %d: box %s\n", i, e2e::Utf8(box.text).c_str());
            }
            std::this_thread::sleep_for(5ms);
        }
        readAll.Add(Ms(Clock::now() - t0), 1000);
        expectedFrames += 5;
    }
    std::this_thread::sleep_for(500ms);
    const Counts end = Sample(tool.Process());
    const int rx = Count(log, "rx"), tx = Count(log, "tx");
    std::printf("soak: %d single writes, %d read-alls against a tachograph on COM1\n", writes,
                reads);
    std::printf("  requests on the wire %d (expected %d), replies %d, unexpected boxes %d\n", rx,
                expectedFrames, tx, failures);
    std::printf("  click to the box shown (the exchanges):\n");
    shown[0].Print("write K", 200);
    shown[1].Print("write odometer", 200);
    shown[2].Print("write B8", 200);
    shown[3].Print("write CAN + O-factor", 400);
    std::printf("  click to the box gone (the whole operation, dismissal included):\n");
    single[0].Print("write K", 200);
    single[1].Print("write odometer", 200);
    single[2].Print("write B8", 200);
    single[3].Print("write CAN + O-factor", 400);
    std::printf("  click to the port's close (no box when every reply arrived):\n");
    readAll.Print("read-all", 1000);
    std::printf("  (seen from the driver, which polls every 5 to 20 ms)\n");
    PrintCounts("start", start);
    PrintCounts("middle", middle);
    PrintCounts("end", end);
    const bool lost = rx != expectedFrames || tx != expectedFrames || failures != 0;
    std::printf("  %s\n", lost ? "SOMETHING WAS LOST" : "nothing lost");
    return lost ? 1 : 0;
}

int Search(e2e::Tool& tool, e2e::SimLog& log) {
    const auto t0 = Clock::now();
    tool.Click("Button_Search");
    e2e::SeenBox box;
    if (!tool.NextBox(box, 120s)) {
        std::printf("search: no box\n");
        return 1;
    }
    const double ms = Ms(Clock::now() - t0);
    const int probes = Count(log, "rx");
    std::printf(
        "search: 42 silent ports, no device: %.0f ms, floor 42 x 400 = 16800 ms, ratio "
        "%.2f; %d probes; box %s\n",
        ms, ms / 16800.0, probes, e2e::Utf8(box.text).c_str());
    return box.text == L"Устройство не найдено" && probes == 42 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::printf("usage: lorvan_soak ops|search <lorvan_setup.exe> [writes] [reads]\n");
        return 2;
    }
    const wchar_t* logPath = _wgetenv(L"LORVAN_SIM_LOG");
    if (logPath == nullptr) {
        std::printf("LORVAN_SIM_LOG is not set\n");
        return 2;
    }
    e2e::Tool tool;
    std::wstring error;
    if (!tool.Start(argv[2], error)) {
        std::printf("cannot start the program: %s\n", e2e::Utf8(error).c_str());
        return 1;
    }
    e2e::SimLog log(e2e::WindowsPath(logPath));
    const std::wstring mode = argv[1];
    int rc = 2;
    if (mode == L"ops") {
        const int writes = argc > 3 ? _wtoi(argv[3]) : 500;
        const int reads = argc > 4 ? _wtoi(argv[4]) : 100;
        rc = Ops(tool, log, writes, reads);
    } else if (mode == L"search") {
        rc = Search(tool, log);
    }
    tool.Close();
    DWORD code = 0;
    if (!tool.WaitExit(10s, code)) {
        std::printf("the program did not end after its window was closed\n");
        rc = 1;
    }
    std::fflush(stdout);
    return rc;
}
