// e2e driver: runs one scenario against the real program.
//
//   lorvan_e2e <scenario> <path of lorvan_setup.exe>      (LORVAN_SIM_LOG: the simulator's log)
//   lorvan_e2e --list
//
// Prints every box it saw and every check that failed; exits 0 when all held.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/scenario.h"

namespace {

void Print(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string Shown(const std::wstring& text) {
    std::string out;
    for (char c : e2e::Utf8(text)) {
        if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"--list") {
        for (const e2e::Scenario& s : e2e::Scenarios()) {
            Print(s.name);
        }
        return 0;
    }
    if (argc != 3) {
        Print("usage: lorvan_e2e <scenario> <lorvan_setup.exe>");
        return 2;
    }
    const std::string name = e2e::Utf8(argv[1]);
    const e2e::Scenario* scenario = nullptr;
    for (const e2e::Scenario& s : e2e::Scenarios()) {
        if (name == s.name) {
            scenario = &s;
        }
    }
    if (scenario == nullptr) {
        Print("no scenario " + name);
        return 2;
    }
    const wchar_t* logPath = _wgetenv(L"LORVAN_SIM_LOG");
    if (logPath == nullptr) {
        Print("LORVAN_SIM_LOG is not set");
        return 2;
    }
    e2e::Tool tool;
    std::wstring error;
    if (!tool.Start(argv[2], error)) {
        Print("cannot start the program: " + e2e::Utf8(error));
        return 1;
    }
    e2e::SimLog log(e2e::WindowsPath(logPath));
    e2e::Run run{tool, log, {}, {}, argv[2]};
    for (const e2e::Step& step : scenario->steps) {
        step(run);
        if (!run.errors.empty() && run.errors.back().rfind("fatal:", 0) == 0) {
            break;
        }
    }
    for (const e2e::SeenBox& box : run.boxes) {
        Print("box: [" + Shown(box.caption) + "] " + Shown(box.text));
    }
    for (const std::string& e : run.errors) {
        Print("FAILED: " + e);
    }
    Print(run.errors.empty() ? name + ": all checks held"
                             : name + ": " + std::to_string(run.errors.size()) + " checks failed");
    return run.errors.empty() ? 0 : 1;
}
