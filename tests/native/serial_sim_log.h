// The log of the simulator that a ctest fixture started for the serial tests (LORVAN_SIM_LOG,
// else <LORVAN_PORTS_DIR>/.sim.log):
// one line per event, "<ms> COMn <event> [details]". Read the same way natively and under Wine.
#pragma once

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace serial_sim {

inline std::string LogPath() {
    const char* log = std::getenv("LORVAN_SIM_LOG");
    const char* ports = std::getenv("LORVAN_PORTS_DIR");
    std::string text = log != nullptr     ? log
                       : ports != nullptr ? std::string(ports) + "/.sim.log"
                                          : "";
#ifdef _WIN32
    // A Unix path, reached through Wine's drive Z:.
    for (char& c : text) {
        if (c == '/') {
            c = '\\';
        }
    }
    text = "Z:" + text;
#endif
    return text;
}

inline std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::ifstream in(LogPath());
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// The event part of a line: "COM3 rx 02 49 ..." without the time.
inline std::string Event(const std::string& line) {
    const auto blank = line.find(' ');
    return blank == std::string::npos ? line : line.substr(blank + 1);
}

// The events logged after the first `mark` lines.
inline std::vector<std::string> EventsSince(std::size_t mark) {
    std::vector<std::string> events;
    const std::vector<std::string> lines = Lines();
    for (std::size_t i = mark; i < lines.size(); ++i) {
        events.push_back(Event(lines[i]));
    }
    return events;
}

// Waits up to ms for an event after `mark` that begins with `prefix`.
inline bool WaitForEvent(std::size_t mark, const std::string& prefix, int ms = 2000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        for (const std::string& event : EventsSince(mark)) {
            if (event.rfind(prefix, 0) == 0) {
                return true;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

}  // namespace serial_sim
