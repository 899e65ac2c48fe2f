// What the simulated tachograph's log says, and the requests the tool sends with the window's
// defaults, as the native and the end-to-end tests compare them on the wire.
#pragma once

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace simlog {

// One line of the log: "<ms> <COMn|sim> <event> <detail>".
struct LogEntry {
    int port;           // COM number, 0 for the simulator's own lines
    std::string event;  // serve, open, close, line, rx, tx, hangup, exit, ...
    std::string detail;
};

inline std::vector<LogEntry> Parse(const std::string& text) {
    std::vector<LogEntry> entries;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string ms, who, event;
        words >> ms >> who >> event;
        std::string detail;
        std::getline(words, detail);
        if (!detail.empty() && detail[0] == ' ') {
            detail.erase(0, 1);
        }
        const int port = who.rfind("COM", 0) == 0 ? std::atoi(who.c_str() + 3) : 0;
        entries.push_back({port, event, detail});
    }
    return entries;
}

// The requests that reached the simulator, as "COMn: HEX", in the order they came.
inline std::vector<std::string> Received(const std::vector<LogEntry>& entries) {
    std::vector<std::string> frames;
    for (const LogEntry& e : entries) {
        if (e.event == "rx") {
            frames.push_back("COM" + std::to_string(e.port) + ": " + e.detail);
        }
    }
    return frames;
}

// Requests on the line, filler included.
inline const std::string kProbe = "02 49 00 D1 00 E3 00";
inline const std::string kWriteK8000 = "02 49 02 35 09 40 1F 15";
inline const std::string kWriteOdoZero = "02 49 04 35 0C 00 00 00 00 6F";
inline const std::string kWriteCanNone = "02 49 01 35 0A 00 74";
inline const std::string kWriteO6000 = "02 49 02 35 0D 70 17 E9";
inline const std::string kWriteB8Off = "02 49 02 35 0B 00 00 72";
inline const std::string kReadK = "02 49 00 B5 09 F6 00";
inline const std::string kReadOdo = "02 49 00 B5 0C F3 00";
inline const std::string kReadB8 = "02 49 00 B5 0B F4 00";
inline const std::string kReadCan = "02 49 00 B5 0A F5 00";
inline const std::string kReadO = "02 49 00 B5 0D F2 00";

}  // namespace simlog
