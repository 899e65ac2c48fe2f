// tacho-sim as a child process for the tests: its ports folder in a fresh temporary directory,
// the serial link's ports pointed at it, and its frame log read back as the witness of what went
// on the wire.
#pragma once

#include "tests/common/sim_log.h"
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "serial/serial.h"

extern char** environ;

namespace testing_sim {

using simlog::LogEntry;

class SimProcess {
  public:
    // ports: the simulator's port arguments, e.g. "COM3", "COM4=silent", "COM5,reject=k".
    explicit SimProcess(const std::vector<std::string>& ports) {
        char pattern[] = "/tmp/ops-sim-XXXXXX";
        if (mkdtemp(pattern) == nullptr) {
            throw std::runtime_error("mkdtemp");
        }
        dir_ = pattern;
        const std::string ready = dir_ + "/ready";
        std::vector<std::string> args = {
            TACHO_SIM_PATH, "--dir", dir_ + "/ports", "--log", dir_ + "/log", "--ready", ready};
        args.insert(args.end(), ports.begin(), ports.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
            throw std::runtime_error("cannot start tacho-sim");
        }
        posix_spawn_file_actions_destroy(&actions);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!std::filesystem::exists(ready)) {
            if (std::chrono::steady_clock::now() > deadline) {
                throw std::runtime_error("tacho-sim did not get ready");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        for (int i = 0; i < kPortCount; ++i) {
            SetPortPath(i, dir_ + "/ports/COM" + std::to_string(i + 1));
        }
    }

    ~SimProcess() {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }

    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    std::vector<LogEntry> Log() const {
        std::ifstream in(dir_ + "/log");
        std::stringstream text;
        text << in.rdbuf();
        return simlog::Parse(text.str());
    }

    // The requests that reached the simulator, as "COMn: HEX", in the order they came.
    std::vector<std::string> Received() const { return simlog::Received(Log()); }

    // The ports that were seen opened, in order, once each.
    std::vector<int> Opened() const {
        std::vector<int> ports;
        for (const LogEntry& e : Log()) {
            if (e.event == "open" && (ports.empty() || ports.back() != e.port)) {
                ports.push_back(e.port);
            }
        }
        return ports;
    }

    // Waits until every open the simulator saw has been followed by its close.
    bool AllClosed(std::chrono::milliseconds within = std::chrono::milliseconds(1000)) const {
        const auto deadline = std::chrono::steady_clock::now() + within;
        for (;;) {
            int held = 0;
            for (const LogEntry& e : Log()) {
                held += e.event == "open" ? 1 : e.event == "close" ? -1 : 0;
            }
            if (held == 0) {
                return true;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }

  private:
    std::string dir_;
    pid_t pid_ = -1;
};

}  // namespace testing_sim
