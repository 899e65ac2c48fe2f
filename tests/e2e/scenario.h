// A scenario: what the technician does with the tool and what must be seen, step by step; the
// simulator's frame log is the witness of what went on the wire.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "tests/common/sim_log.h"
#include "tests/e2e/driver.h"

namespace e2e {

using simlog::LogEntry;

// The simulator's log, read through Wine's view of the Unix file system.
class SimLog {
  public:
    explicit SimLog(std::wstring path) : path_(std::move(path)) {}
    std::vector<LogEntry> Read() const;
    // The requests that reached the simulator so far, as "COMn: HEX".
    std::vector<std::string> Received() const;
    const std::wstring& Path() const { return path_; }

  private:
    std::wstring path_;
};

struct Run {
    Tool& tool;
    SimLog& log;
    std::vector<SeenBox> boxes;       // every box seen, in order
    std::vector<std::string> errors;  // what did not hold
    std::wstring exe;
};

using Step = std::function<void(Run&)>;

struct Scenario {
    const char* name;
    std::vector<Step> steps;
};

const std::vector<Scenario>& Scenarios();

std::string Utf8(std::wstring_view text);
std::wstring Wide(std::string_view text);

}  // namespace e2e
