// tacho-sim: serves COM ports as pseudo-terminals that answer like a Lorvan tachograph, stay
// silent, echo, or answer noise, with faults chosen per port. Every port it is told about gets
// an entry in the ports folder: a link to its pty when served, a directory (an absent port) when
// not. It logs every frame, line setting, open and close it observes.
//
//   tacho-sim --dir DIR [--log FILE] [--ready FILE] [--known LIST] PORT...
//
//   PORT      COMn[=KIND][,OPTION...]   KIND: tacho (default), silent, noise, echo
//   --known   ports that get an entry, e.g. 1-42 (the default) or 1,3,7-9; served ports always do
//   --ready   file written with "ready" once every pty is up ("ready" also goes to stdout)
//
//   Tachograph values:  k=N  odo=N (tenths)  b8=N  can=N  o=N      (defaults 8000 0 0 0 6000)
//   Faults, on every reply of the port:
//     reject=P[+P...]   writes of these parameters answer status 0x01 at byte 5
//     short=K           the reply loses its last K bytes
//     late=MS           the reply starts MS ms after the request
//     trail=K           K extra bytes (A0 A1 ...) follow the reply
//     pace=MS           reply bytes go out MS ms apart
//     close=K           the line is closed 5 ms after K reply bytes (the port comes back on a
//                       new pty)
//     raw.P=HEX         a fixed reply for every request of parameter P
//     stale=HEX         bytes waiting for the reader whenever the port is not open
//   P is one of k, odo, can, b8, o, probe.
//
// Log lines: "<ms since start> COMn <event> [details]", events: serve, open, close, line, rx,
// tx, hangup, exit. SIGTERM or SIGINT ends it; every entry it made becomes a directory again.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kMaxPort = 42;
constexpr int kClosedPollMs = 5;   // how often a port nobody holds is checked for an opener
constexpr int kRxGapMs = 3;        // received bytes closer together than this are one log entry
constexpr int kHangupDelayMs = 5;  // from the last reply byte to closing the line

enum class Kind { Tacho, Silent, Noise, Echo };
enum Param { kK, kOdo, kCan, kB8, kO, kProbe, kParamCount };

const char* const kParamNames[kParamCount] = {"k", "odo", "can", "b8", "o", "probe"};
const std::uint8_t kParamCodes[kParamCount] = {0x09, 0x0C, 0x0A, 0x0B, 0x0D, 0x00};

struct Options {
    Kind kind = Kind::Tacho;
    std::uint32_t value[kParamCount] = {8000, 0, 0, 0, 6000, 0};
    bool reject[kParamCount] = {};
    std::optional<Bytes> raw[kParamCount];
    int shortBy = 0;
    int lateMs = 0;
    int trail = 0;
    int paceMs = 0;
    int closeAfter = -1;
    Bytes stale;
};

struct Pending {
    Clock::time_point due;
    Bytes bytes;
    bool hangup = false;  // close the line instead of writing
};

struct Port {
    int number = 0;
    Options opt;
    int master = -1;
    std::string slave;
    bool held = false;  // the other side is open
    Bytes rx;           // bytes not yet taken as a request
    Bytes rxLog;        // bytes not yet logged
    Clock::time_point rxLast;
    std::deque<Pending> tx;
    std::string line;  // last logged line settings
    std::uint32_t noise = 0;
};

Clock::time_point g_start;
FILE* g_log = nullptr;
int g_signalPipe[2] = {-1, -1};
fs::path g_dir;

void OnSignal(int) {
    const char c = 1;
    [[maybe_unused]] ssize_t r = write(g_signalPipe[1], &c, 1);
}

std::string Hex(const Bytes& bytes) {
    std::string text;
    char piece[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(piece, sizeof piece, text.empty() ? "%02X" : " %02X", b);
        text += piece;
    }
    return text;
}

void Log(int port, const std::string& event) {
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - g_start).count();
    if (port == 0) {
        std::fprintf(g_log, "%.3f sim %s\n", ms, event.c_str());
    } else {
        std::fprintf(g_log, "%.3f COM%d %s\n", ms, port, event.c_str());
    }
    std::fflush(g_log);
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "tacho-sim: %s\n", what.c_str());
    std::exit(2);
}

std::optional<Bytes> ParseHex(const std::string& text) {
    Bytes bytes;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits += c;
        } else if (c != ' ' && c != ':' && c != '.') {
            return std::nullopt;
        }
    }
    if (digits.size() % 2 != 0) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

int ParamIndex(const std::string& name) {
    for (int i = 0; i < kParamCount; ++i) {
        if (name == kParamNames[i]) {
            return i;
        }
    }
    Fail("unknown parameter '" + name + "'");
}

long Number(const std::string& text) {
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || value < 0) {
        Fail("not a number: '" + text + "'");
    }
    return value;
}

int PortNumber(const std::string& text) {
    std::string digits = text.rfind("COM", 0) == 0 ? text.substr(3) : text;
    const long n = Number(digits);
    if (n < 1 || n > kMaxPort) {
        Fail("no such port: '" + text + "'");
    }
    return static_cast<int>(n);
}

void ParseOption(Options& opt, const std::string& item) {
    const auto eq = item.find('=');
    const std::string key = item.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : item.substr(eq + 1);
    const std::map<std::string, int> values = {
        {"k", kK}, {"odo", kOdo}, {"can", kCan}, {"b8", kB8}, {"o", kO}};
    if (auto it = values.find(key); it != values.end()) {
        opt.value[it->second] = static_cast<std::uint32_t>(Number(value));
    } else if (key == "reject") {
        std::stringstream list(value);
        for (std::string p; std::getline(list, p, '+');) {
            opt.reject[ParamIndex(p)] = true;
        }
    } else if (key == "short") {
        opt.shortBy = static_cast<int>(Number(value));
    } else if (key == "late") {
        opt.lateMs = static_cast<int>(Number(value));
    } else if (key == "trail") {
        opt.trail = static_cast<int>(Number(value));
    } else if (key == "pace") {
        opt.paceMs = static_cast<int>(Number(value));
    } else if (key == "close") {
        opt.closeAfter = static_cast<int>(Number(value));
    } else if (key == "stale" || key.rfind("raw.", 0) == 0) {
        auto bytes = ParseHex(value);
        if (!bytes) {
            Fail("bad hex bytes in '" + item + "'");
        }
        if (key == "stale") {
            opt.stale = *bytes;
        } else {
            opt.raw[ParamIndex(key.substr(4))] = *bytes;
        }
    } else {
        Fail("unknown option '" + item + "'");
    }
}

Port ParsePort(const std::string& spec) {
    Port port;
    std::stringstream items(spec);
    std::string head;
    std::getline(items, head, ',');
    const auto eq = head.find('=');
    port.number = PortNumber(head.substr(0, eq));
    if (eq != std::string::npos) {
        const std::string kind = head.substr(eq + 1);
        const std::map<std::string, Kind> kinds = {{"tacho", Kind::Tacho},
                                                   {"silent", Kind::Silent},
                                                   {"noise", Kind::Noise},
                                                   {"echo", Kind::Echo}};
        auto it = kinds.find(kind);
        if (it == kinds.end()) {
            Fail("unknown device kind '" + kind + "'");
        }
        port.opt.kind = it->second;
    }
    for (std::string item; std::getline(items, item, ',');) {
        ParseOption(port.opt, item);
    }
    port.noise = 0x9E3779B9u * static_cast<std::uint32_t>(port.number);
    return port;
}

std::set<int> ParseKnown(const std::string& list) {
    std::set<int> ports;
    std::stringstream items(list);
    for (std::string item; std::getline(items, item, ',');) {
        const auto dash = item.find('-');
        const int first = PortNumber(item.substr(0, dash));
        const int last = dash == std::string::npos ? first : PortNumber(item.substr(dash + 1));
        for (int n = first; n <= last; ++n) {
            ports.insert(n);
        }
    }
    return ports;
}

// --- the tachograph --------------------------------------------------------------------------

std::uint8_t Checksum(const Bytes& frame) {
    unsigned sum = 0;
    for (std::uint8_t b : frame) {
        sum += b;
    }
    return static_cast<std::uint8_t>(~sum);
}

Bytes Frame(std::uint8_t op, std::uint8_t param, const Bytes& value) {
    Bytes frame;
    frame.reserve(6 + value.size());
    for (std::uint8_t b : {std::uint8_t{0x02}, std::uint8_t{0x49},
                           static_cast<std::uint8_t>(value.size()), op, param}) {
        frame.push_back(b);
    }
    for (std::uint8_t b : value) {
        frame.push_back(b);
    }
    frame.push_back(Checksum(frame));
    return frame;
}

Bytes LittleEndian(std::uint32_t value, int width) {
    Bytes bytes;
    for (int i = 0; i < width; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
    return bytes;
}

int ValueWidth(int param) {
    switch (param) {
        case kK:
        case kO:
            return 2;
        case kOdo:
            return 4;
        default:
            return 1;
    }
}

int ParamOfCode(std::uint8_t op, std::uint8_t code) {
    if (op == 0xD1) {
        return kProbe;
    }
    for (int i = 0; i < kProbe; ++i) {
        if (kParamCodes[i] == code) {
            return i;
        }
    }
    return -1;
}

// The tachograph's answer to one request, empty when it does not answer.
Bytes Answer(Options& opt, const Bytes& request) {
    const std::uint8_t op = request[3];
    const int param = ParamOfCode(op, request[4]);
    if (param < 0 || (op != 0x35 && op != 0xB5 && op != 0xD1)) {
        return {};
    }
    if (opt.raw[param]) {
        return *opt.raw[param];
    }
    if (op == 0xD1) {
        return Frame(0xD1, 0x00, {0x00});
    }
    if (op == 0x35) {
        if (opt.reject[param]) {
            return Frame(0x35, request[4], {0x01});
        }
        std::uint32_t value = 0;
        for (int i = 0; i < request[2]; ++i) {
            value |= static_cast<std::uint32_t>(request[5 + static_cast<std::size_t>(i)])
                     << (8 * i);
        }
        opt.value[param] = value;
        return Frame(0x35, request[4], {0x00});
    }
    return Frame(0xB5, request[4], LittleEndian(opt.value[param], ValueWidth(param)));
}

// --- ptys and the ports folder ---------------------------------------------------------------

void MakeAbsent(const fs::path& entry) {
    std::error_code ec;
    if (fs::is_symlink(entry, ec) || (fs::exists(entry, ec) && !fs::is_directory(entry, ec))) {
        fs::remove(entry, ec);
    }
    fs::create_directory(entry, ec);
}

void SetRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        cfsetispeed(&t, B38400);
        cfsetospeed(&t, B38400);
        tcsetattr(fd, TCSANOW, &t);
    }
}

// A new pty for the port, raw, linked from the ports folder. The slave is opened and closed once
// so that the master reports a hang-up until somebody else opens it.
void OpenPty(Port& port) {
    port.master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port.master < 0 || grantpt(port.master) != 0 || unlockpt(port.master) != 0) {
        Fail("cannot create a pseudo-terminal: " + std::string(std::strerror(errno)));
    }
    port.slave = ptsname(port.master);
    const int slave = open(port.slave.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0) {
        Fail("cannot open " + port.slave);
    }
    SetRaw(slave);
    close(slave);
    port.held = false;
    port.rx.clear();
    port.line.clear();
    if (!port.opt.stale.empty()) {
        [[maybe_unused]] ssize_t w =
            write(port.master, port.opt.stale.data(), port.opt.stale.size());
    }
    const fs::path entry = g_dir / ("COM" + std::to_string(port.number));
    const fs::path temp = g_dir / (".COM" + std::to_string(port.number) + ".new");
    std::error_code ec;
    fs::remove(temp, ec);
    fs::create_symlink(port.slave, temp, ec);
    if (ec) {
        Fail("cannot link " + temp.string() + ": " + ec.message());
    }
    if (fs::is_directory(entry, ec) && !fs::is_symlink(entry, ec)) {
        fs::remove(entry, ec);
    }
    fs::rename(temp, entry, ec);
    if (ec) {
        Fail("cannot link " + entry.string() + ": " + ec.message());
    }
    Log(port.number, "serve " + port.slave);
}

std::string LineText(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) {
        return "unknown";
    }
    const std::map<speed_t, int> bauds = {
        {B0, 0},       {B300, 300},     {B1200, 1200},   {B2400, 2400},   {B4800, 4800},
        {B9600, 9600}, {B19200, 19200}, {B38400, 38400}, {B57600, 57600}, {B115200, 115200}};
    auto it = bauds.find(cfgetospeed(&t));
    const int baud = it == bauds.end() ? -1 : it->second;
    const int sizes[] = {5, 6, 7, 8};
    const int data = sizes[(t.c_cflag & CSIZE) == CS5   ? 0
                           : (t.c_cflag & CSIZE) == CS6 ? 1
                           : (t.c_cflag & CSIZE) == CS7 ? 2
                                                        : 3];
    const char* parity = (t.c_cflag & PARENB) == 0 ? "none" : (t.c_cflag & PARODD) ? "odd" : "even";
    std::ostringstream text;
    text << "baud=" << baud << " data=" << data << " stop=" << ((t.c_cflag & CSTOPB) ? 2 : 1)
         << " parity=" << parity;
    return text.str();
}

void LogLine(Port& port) {
    std::string line = LineText(port.master);
    if (line != port.line) {
        port.line = line;
        Log(port.number, "line " + line);
    }
}

void FlushRxLog(Port& port) {
    if (!port.rxLog.empty()) {
        Log(port.number, "rx " + Hex(port.rxLog));
        port.rxLog.clear();
    }
}

// Queues a reply with the port's faults applied.
void Reply(Port& port, Bytes reply) {
    const Options& opt = port.opt;
    reply.resize(reply.size() - std::min<std::size_t>(reply.size(), opt.shortBy));
    for (int i = 0; i < opt.trail; ++i) {
        reply.push_back(static_cast<std::uint8_t>(0xA0 + i));
    }
    bool hangup = false;
    if (opt.closeAfter >= 0 && static_cast<std::size_t>(opt.closeAfter) <= reply.size()) {
        reply.resize(static_cast<std::size_t>(opt.closeAfter));
        hangup = true;
    }
    Clock::time_point due = Clock::now() + std::chrono::milliseconds(opt.lateMs);
    if (opt.paceMs > 0) {
        for (std::uint8_t b : reply) {
            port.tx.push_back({due, {b}});
            due += std::chrono::milliseconds(opt.paceMs);
        }
    } else if (!reply.empty()) {
        port.tx.push_back({due, reply});
    }
    if (hangup) {
        // A little after the last byte, so that a reader can take the bytes before the line
        // goes: a hang-up discards what the other side has not read yet.
        port.tx.push_back({due + std::chrono::milliseconds(kHangupDelayMs), {}, true});
    }
}

void Noise(Port& port) {
    Bytes bytes;
    for (int i = 0; i < 9; ++i) {
        port.noise = port.noise * 1103515245u + 12345u;
        bytes.push_back(static_cast<std::uint8_t>(port.noise >> 16));
    }
    if (bytes[0] == 0x02) {
        bytes[0] = 0x55;
    }
    Reply(port, bytes);
}

// Takes the complete requests from the received bytes and answers them.
void Serve(Port& port, const Bytes& fresh) {
    switch (port.opt.kind) {
        case Kind::Silent:
            return;
        case Kind::Echo:
            Reply(port, fresh);
            return;
        case Kind::Noise:
            Noise(port);
            return;
        case Kind::Tacho:
            break;
    }
    port.rx.insert(port.rx.end(), fresh.begin(), fresh.end());
    for (;;) {
        // A request starts with 02 49; anything else (the filler after a read) is skipped.
        auto start = std::find(port.rx.begin(), port.rx.end(), std::uint8_t{0x02});
        port.rx.erase(port.rx.begin(), start);
        if (port.rx.size() < 2) {
            return;
        }
        if (port.rx[1] != 0x49) {
            port.rx.erase(port.rx.begin());
            continue;
        }
        if (port.rx.size() < 3) {
            return;
        }
        const std::size_t length = 6u + port.rx[2];
        if (port.rx[2] > 8) {
            port.rx.erase(port.rx.begin());
            continue;
        }
        if (port.rx.size() < length) {
            return;
        }
        Bytes request(port.rx.begin(), port.rx.begin() + static_cast<long>(length));
        port.rx.erase(port.rx.begin(), port.rx.begin() + static_cast<long>(length));
        Bytes body(request.begin(), request.end() - 1);
        if (Checksum(body) != request.back()) {
            Log(port.number, "bad-checksum " + Hex(request));
            continue;
        }
        Bytes answer = Answer(port.opt, request);
        if (!answer.empty()) {
            Reply(port, answer);
        }
    }
}

void Hangup(Port& port) {
    FlushRxLog(port);
    Log(port.number, "hangup");
    close(port.master);
    port.tx.clear();
    OpenPty(port);
}

void ReadMaster(Port& port) {
    std::uint8_t chunk[512];
    for (;;) {
        const ssize_t got = read(port.master, chunk, sizeof chunk);
        if (got <= 0) {
            return;
        }
        Bytes fresh(chunk, chunk + got);
        port.rxLog.insert(port.rxLog.end(), fresh.begin(), fresh.end());
        port.rxLast = Clock::now();
        Serve(port, fresh);
    }
}

void SendDue(Port& port) {
    while (!port.tx.empty() && port.tx.front().due <= Clock::now()) {
        Pending next = std::move(port.tx.front());
        port.tx.pop_front();
        if (next.hangup) {
            Hangup(port);
            return;
        }
        FlushRxLog(port);
        const ssize_t w = write(port.master, next.bytes.data(), next.bytes.size());
        Log(port.number, "tx " + Hex(next.bytes) + (w < 0 ? " (failed)" : ""));
    }
}

// Whether the other side of the pty is open: the master reports a hang-up while it is not.
void CheckHeld(Port& port, short revents) {
    const bool held = (revents & POLLHUP) == 0;
    if (held && !port.held) {
        port.held = true;
        Log(port.number, "open");
        port.line.clear();
        LogLine(port);
    } else if (!held && port.held) {
        FlushRxLog(port);
        port.held = false;
        port.rx.clear();
        // Queued before the close is logged, so that a test that has seen the close finds them.
        if (!port.opt.stale.empty()) {
            [[maybe_unused]] ssize_t w =
                write(port.master, port.opt.stale.data(), port.opt.stale.size());
        }
        Log(port.number, "close");
    }
}

int MsUntil(Clock::time_point when) {
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(when - Clock::now()).count();
    return static_cast<int>(std::max<long long>(0, ms));
}

void Run(std::vector<Port>& ports) {
    for (;;) {
        std::vector<pollfd> fds = {{g_signalPipe[0], POLLIN, 0}};
        int timeout = -1;
        auto sooner = [&timeout](int ms) { timeout = timeout < 0 ? ms : std::min(timeout, ms); };
        for (Port& port : ports) {
            // A port nobody holds reports a hang-up at once: it is looked at every few ms.
            // Held ports are looked at as often too, to log changes of their line settings.
            fds.push_back({port.held ? port.master : -1, POLLIN, 0});
            sooner(kClosedPollMs);
            if (!port.tx.empty()) {
                sooner(MsUntil(port.tx.front().due));
            }
            if (!port.rxLog.empty()) {
                sooner(MsUntil(port.rxLast + std::chrono::milliseconds(kRxGapMs)));
            }
        }
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            Fail("poll: " + std::string(std::strerror(errno)));
        }
        if (fds[0].revents & POLLIN) {
            return;
        }
        for (std::size_t i = 0; i < ports.size(); ++i) {
            Port& port = ports[i];
            short revents = fds[i + 1].revents;
            if (!port.held) {
                pollfd one = {port.master, POLLIN, 0};
                poll(&one, 1, 0);
                revents = one.revents;
            }
            if (revents & POLLIN) {
                if (!port.held && (revents & POLLHUP)) {
                    Log(port.number,
                        "open (seen late)");  // opened, written and closed between looks
                    port.held = true;
                }
                ReadMaster(port);
            }
            CheckHeld(port, revents);
            if (port.held) {
                LogLine(port);
            }
            if (!port.rxLog.empty() &&
                Clock::now() - port.rxLast >= std::chrono::milliseconds(kRxGapMs)) {
                FlushRxLog(port);
            }
            SendDue(port);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    g_start = Clock::now();
    std::string logPath, readyPath;
    std::set<int> known = ParseKnown("1-42");
    std::vector<Port> ports;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto next = [&]() -> std::string {
            if (i + 1 >= argc) {
                Fail(arg + " needs a value");
            }
            return argv[++i];
        };
        if (arg == "--dir") {
            g_dir = next();
        } else if (arg == "--log") {
            logPath = next();
        } else if (arg == "--ready") {
            readyPath = next();
        } else if (arg == "--known") {
            known = ParseKnown(next());
        } else if (arg.rfind("--", 0) == 0) {
            Fail("unknown option " + arg);
        } else {
            ports.push_back(ParsePort(arg));
        }
    }
    if (g_dir.empty()) {
        Fail("--dir is required");
    }
    g_log = logPath.empty() ? stderr : std::fopen(logPath.c_str(), "a");
    if (g_log == nullptr) {
        Fail("cannot open the log " + logPath);
    }
    if (pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        Fail("pipe");
    }
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::error_code ec;
    fs::create_directories(g_dir, ec);
    std::set<int> served;
    for (Port& port : ports) {
        if (!served.insert(port.number).second) {
            Fail("COM" + std::to_string(port.number) + " is given twice");
        }
    }
    for (int n : known) {
        if (served.count(n) == 0) {
            MakeAbsent(g_dir / ("COM" + std::to_string(n)));
        }
    }
    for (Port& port : ports) {
        OpenPty(port);
    }
    if (!readyPath.empty()) {
        FILE* ready = std::fopen(readyPath.c_str(), "w");
        if (ready == nullptr) {
            Fail("cannot write " + readyPath);
        }
        std::fputs("ready\n", ready);
        std::fclose(ready);
    }
    std::printf("ready\n");
    std::fflush(stdout);

    Run(ports);

    for (Port& port : ports) {
        FlushRxLog(port);
        close(port.master);
        MakeAbsent(g_dir / ("COM" + std::to_string(port.number)));
    }
    Log(0, "exit");
    return 0;
}
