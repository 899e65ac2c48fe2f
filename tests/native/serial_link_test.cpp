// The serial link against tacho-sim: built natively (POSIX backend on the simulator's ptys) and
// for Wine (Win32 backend, the ports mapped to the simulator's folder). The simulator's ports are
// in tests/native/serial_sim.args; COM3 is absent.
#include "toolkit/headless.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "serial/line_state.h"
#include "serial/serial.h"
#include "serial/serial_trace.h"
#include "tests/native/serial_sim_log.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

const Bytes kReadK = {0x02, 0x49, 0x00, 0xB5, 0x09, 0xF6, 0x00};
const Bytes kReadOdo = {0x02, 0x49, 0x00, 0xB5, 0x0C, 0xF3, 0x00};
const Bytes kReadCan = {0x02, 0x49, 0x00, 0xB5, 0x0A, 0xF5, 0x00};
const Bytes kReadB8 = {0x02, 0x49, 0x00, 0xB5, 0x0B, 0xF4, 0x00};
const Bytes kReadO = {0x02, 0x49, 0x00, 0xB5, 0x0D, 0xF2, 0x00};
const Bytes kWriteK8000 = {0x02, 0x49, 0x02, 0x35, 0x09, 0x40, 0x1F, 0x15};
const Bytes kWriteOdo123456 = {0x02, 0x49, 0x04, 0x35, 0x0C, 0x40, 0xE2, 0x01, 0x00, 0x4C};
const Bytes kProbe = {0x02, 0x49, 0x00, 0xD1, 0x00, 0xE3, 0x00};

constexpr std::int8_t kCom2 = 1, kCom3 = 2, kCom4 = 3, kCom5 = 4, kCom6 = 5, kCom7 = 6, kCom8 = 7,
                      kCom11 = 10, kCom12 = 11, kCom14 = 13;

Bytes Head(std::size_t count) {
    return Bytes(FrameBuffer.begin(), FrameBuffer.begin() + static_cast<long>(count));
}

bool AllZeroFrom(std::size_t first) {
    return std::all_of(FrameBuffer.begin() + static_cast<long>(first), FrameBuffer.end(),
                       [](std::uint8_t b) { return b == 0; });
}

// A request in a cleared buffer, then one exchange.
int Exchange(const Bytes& request, std::uint32_t wait, int m) {
    FrameBuffer.fill(0);
    std::copy(request.begin(), request.end(), FrameBuffer.begin());
    return Transact(static_cast<int>(request.size()), wait, m);
}

std::size_t Count(const std::vector<SerialCall>& calls, const std::string& name) {
    return static_cast<std::size_t>(std::count_if(
        calls.begin(), calls.end(), [&](const SerialCall& c) { return c.name == name; }));
}

#ifdef _WIN32
const char* const kOpenCall = "CreateFileW";
const char* const kCloseCall = "CloseHandle";
const char* const kWriteCall = "WriteFile";
const char* const kReadCall = "ReadFile";
#else
const char* const kOpenCall = "open";
const char* const kCloseCall = "close";
const char* const kWriteCall = "write";
const char* const kReadCall = "read";
#endif

class SerialLink : public ::testing::Test {
  protected:
    void SetUp() override {
        toolkit::Application = &app;
        SerialTrace = &calls;
        mark = serial_sim::Lines().size();
        ASSERT_GT(mark, 0u) << "no simulator log at '" << serial_sim::LogPath() << "'";
    }
    void TearDown() override {
        ClosePort();
        SerialTrace = nullptr;
        toolkit::Application = nullptr;
    }
    // The simulator's rx events after the mark, by port.
    std::vector<std::string> Received() const {
        std::vector<std::string> rx;
        for (const std::string& event : serial_sim::EventsSince(mark)) {
            if (event.find(" rx ") != std::string::npos) {
                rx.push_back(event);
            }
        }
        return rx;
    }

    toolkit::headless::HeadlessApp app;
    std::vector<SerialCall> calls;
    std::size_t mark = 0;
};

// --- pure parts --------------------------------------------------------------------------------

void PutU32(std::uint8_t* at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

TEST(LineState, OnlyTheStatedFieldsChange) {
    for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
        serial::LineState state;
        std::memset(&state, fill, sizeof state);
        serial::SetLineState(state);

        // Expected, by byte offset in the 28-byte record: length, baud, flag bit 11 (received
        // null bytes discarded) cleared, data bits, parity, stop bits. Everything else as filled.
        std::uint8_t expected[28];
        std::memset(expected, fill, sizeof expected);
        PutU32(expected + 0, 28);
        PutU32(expected + 4, 9600);
        expected[9] = static_cast<std::uint8_t>(expected[9] & ~0x08);
        expected[18] = 8;
        expected[19] = 2;  // even
        expected[20] = 0;  // one stop bit
        std::uint8_t actual[28];
        std::memcpy(actual, &state, sizeof actual);
        for (std::size_t i = 0; i < sizeof actual; ++i) {
            EXPECT_EQ(actual[i], expected[i]) << "byte " << i << " with fill " << int(fill);
        }
        EXPECT_EQ(state.Parity, 2);
        EXPECT_EQ(state.fNull, 0u);
    }
}

TEST(LineState, TimeoutsAreAllFifteenMilliseconds) {
    for (std::uint8_t fill : {std::uint8_t{0x00}, std::uint8_t{0xFF}}) {
        serial::Timeouts timeouts;
        std::memset(&timeouts, fill, sizeof timeouts);
        serial::SetTimeouts(timeouts);
        EXPECT_EQ(timeouts.ReadIntervalTimeout, 15u);
        EXPECT_EQ(timeouts.ReadTotalTimeoutMultiplier, 15u);
        EXPECT_EQ(timeouts.ReadTotalTimeoutConstant, 15u);
        EXPECT_EQ(timeouts.WriteTotalTimeoutMultiplier, 15u);
        EXPECT_EQ(timeouts.WriteTotalTimeoutConstant, 15u);
    }
    EXPECT_EQ(serial::ModeText(), L"baud =9600 parity=2 data=8 stop=1");
}

TEST(PortNames, IndexToDeviceName) {
    struct Case {
        int index;
        std::wstring_view name;
    } cases[] = {{0, L"COM1"}, {8, L"COM9"}, {9, L"\\\\.\\COM10"}, {41, L"\\\\.\\COM42"},
                 {42, L""},    {-1, L""},    {127, L""},           {-128, L""}};
    for (const Case& c : cases) {
        EXPECT_EQ(PortName(c.index), c.name) << c.index;
    }
}

// A headless app whose waits end early, as when a message arrives: the wait must go on.
class EarlyWakeApp : public toolkit::headless::HeadlessApp {
  public:
    void WaitForMessage(std::uint32_t ms) override {
        waits.push_back(ms);
        fakeTick += std::min<std::uint32_t>(ms, 7);
    }
    std::vector<std::uint32_t> waits;
};

TEST(WaitPumping, LastsAtLeastItsTimeAcrossTheCounterWrap) {
    struct Case {
        std::uint32_t start, ms;
    } cases[] = {{1000, 200},       {0xFFFFFF00u, 200}, {0xFFFFFFFFu, 200},
                 {0xFFFFFFF0u, 16}, {0xFFFFFFFFu, 0},   {5, 0}};
    for (const Case& c : cases) {
        EarlyWakeApp app;
        app.fakeClock = true;
        app.fakeTick = c.start;
        toolkit::Application = &app;
        WaitPumping(c.ms);
        toolkit::Application = nullptr;
        const std::uint32_t elapsed = app.fakeTick - c.start;
        EXPECT_GE(elapsed, c.ms) << "start " << c.start;
        EXPECT_LT(elapsed, c.ms + 7) << "start " << c.start;
        EXPECT_GE(app.pumpCount, 1) << "messages are processed even when ms is 0";
        // Every pass processes messages and then waits for the time still left: no spinning.
        EXPECT_EQ(static_cast<std::size_t>(app.pumpCount), app.waits.size() + 1);
        std::uint32_t left = c.ms;
        for (std::uint32_t wait : app.waits) {
            EXPECT_EQ(wait, left);
            left -= std::min<std::uint32_t>(wait, 7);
        }
    }
}

TEST(WaitPumping, ProcessesInputDuringTheWaitOnTheRealClock) {
    toolkit::headless::HeadlessApp app;
    toolkit::Application = &app;
    bool delivered = false;
    app.pendingInput.push_back([&] { delivered = true; });
    const auto start = Clock::now();
    WaitPumping(60);
    const auto took = Clock::now() - start;
    toolkit::Application = nullptr;
    EXPECT_TRUE(delivered);
    EXPECT_GE(took, std::chrono::milliseconds(59));
    EXPECT_LT(app.pumpCount, 20) << "the wait sleeps between passes";
}

// --- against the simulator -----------------------------------------------------------------

TEST_F(SerialLink, IndexOpensItsPortAndNoOther) {
    struct Case {
        std::int8_t index;
        const char* port;
    } cases[] = {{0, "COM1"}, {8, "COM9"}, {9, "COM10"}, {41, "COM42"}};
    for (const Case& c : cases) {
        mark = serial_sim::Lines().size();
        ASSERT_TRUE(InitPort(c.index)) << c.port;
        ProbeBuffer probe{};
        std::copy(kProbe.begin(), kProbe.end(), probe.begin());
        EXPECT_EQ(TransactProbe(probe), 7) << c.port;
        EXPECT_EQ(probe[0], 0x02);
        EXPECT_EQ(probe[6], 0xE2);
        ClosePort();
        const std::vector<std::string> rx = Received();
        ASSERT_EQ(rx.size(), 1u) << c.port;
        EXPECT_EQ(rx[0], std::string(c.port) + " rx 02 49 00 D1 00 E3 00");
    }
    EXPECT_TRUE(app.boxes.empty());
}

TEST_F(SerialLink, IndexOutsideTheTableOpensNothing) {
    InitPort(kCom2);
    ASSERT_TRUE(PortIsOpen());
    const NativePort held = PortHandle;
    const std::size_t opens = Count(calls, kOpenCall);
    for (int index : {42, -1, 100, -42}) {
        OpenPort(index);
        EXPECT_EQ(PortHandle, held) << index;
        EXPECT_TRUE(PortIsOpen()) << index;
    }
    EXPECT_EQ(Count(calls, kOpenCall), opens);
    EXPECT_EQ(Count(calls, kCloseCall), 0u);

    // InitPort with such an index closes what was open (no leak) and reports a failed open.
    EXPECT_FALSE(InitPort(42));
    EXPECT_FALSE(PortIsOpen());
    EXPECT_EQ(Count(calls, kOpenCall), opens);
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(app.boxes[0].text, L"Ошибка открытия порта");
}

TEST_F(SerialLink, MissingPortShowsOneBoxAndMakesNoSetUpCall) {
    EXPECT_FALSE(InitPort(kCom3));
    ASSERT_EQ(app.boxes.size(), 1u);
    EXPECT_EQ(app.boxes[0].kind, toolkit::headless::Box::Notice);
    EXPECT_EQ(app.boxes[0].text, L"Ошибка открытия порта");
    EXPECT_EQ(app.boxes[0].caption, L"Внимание!");
    ASSERT_EQ(calls.size(), 1u) << "only the open, no line set-up";
    EXPECT_EQ(calls[0].name, kOpenCall);
    EXPECT_FALSE(PortIsOpen());
#ifdef _WIN32
    EXPECT_EQ(PortHandle, INVALID_HANDLE_VALUE);
#else
    EXPECT_EQ(PortHandle, -1);
#endif
    // The exchange on the failed port touches nothing and leaves zeros.
    EXPECT_EQ(Exchange(kReadK, 0, 100), 0);
    EXPECT_TRUE(AllZeroFrom(0));
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(SerialLink, SetUpLeavesTheLineAt9600EightDataBitsOneStopBit) {
    ASSERT_TRUE(InitPort(kCom2));
    EXPECT_TRUE(serial_sim::WaitForEvent(mark, "COM2 line baud=9600 data=8 stop=1"))
        << "the simulator's view of the pty after set-up";
}

TEST_F(SerialLink, BytesQueuedBeforeSetUpAreNotDelivered) {
    // COM4 holds AA BB CC for the reader whenever nobody has it open. Without the set-up's
    // purge they are read:
    OpenPort(kCom4);
    ASSERT_TRUE(PortIsOpen());
    ASSERT_TRUE(serial_sim::WaitForEvent(mark, "COM4 open")) << "so that it sees the close too";
    EXPECT_EQ(Transact(0, 0, 3), 3);
    EXPECT_EQ(Head(3), (Bytes{0xAA, 0xBB, 0xCC}));
    ClosePort();
    ASSERT_TRUE(serial_sim::WaitForEvent(mark, "COM4 close")) << "queued again once closed";

    ASSERT_TRUE(InitPort(kCom4));
    EXPECT_EQ(Transact(0, 0, 10), 0);
    EXPECT_TRUE(AllZeroFrom(0));
}

TEST_F(SerialLink, EveryByteValueRoundTripsZeroIncluded) {
    ASSERT_TRUE(InitPort(kCom5));  // echoes what it receives
    FrameBuffer.fill(0);
    for (int i = 0; i < 256; ++i) {
        FrameBuffer[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i);
    }
    // The count tells the received zeros from the cleared ones.
    EXPECT_EQ(Transact(256, 100, 256), 256);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(FrameBuffer[static_cast<std::size_t>(i)], i) << "byte " << i;
    }
    EXPECT_TRUE(AllZeroFrom(256));
}

TEST_F(SerialLink, ShortReplyLeavesTheRestOfTheBufferZero) {
    ASSERT_TRUE(InitPort(kCom6));  // its 8-byte read replies lose 5 bytes
    FrameBuffer.fill(0xEE);
    std::copy(kReadK.begin(), kReadK.end(), FrameBuffer.begin());
    EXPECT_EQ(Transact(7, 200, 100), 3);
    EXPECT_EQ(Head(3), (Bytes{0x02, 0x49, 0x02}));
    EXPECT_TRUE(AllZeroFrom(3));
}

TEST_F(SerialLink, RestOfALongReplyComesWithTheNextExchange) {
    ASSERT_TRUE(InitPort(kCom7));  // five bytes A0..A4 follow every reply
    EXPECT_EQ(Exchange(kWriteK8000, 200, 7), 7);
    EXPECT_EQ(Head(7), (Bytes{0x02, 0x49, 0x01, 0x35, 0x09, 0x00, 0x75}));
    EXPECT_TRUE(AllZeroFrom(7));

    EXPECT_EQ(Exchange(kReadK, 200, 100), 5 + 8 + 5);
    EXPECT_EQ(Head(13), (Bytes{0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0x02, 0x49, 0x02, 0xB5, 0x09, 0x40,
                               0x1F, 0x95}));
}

TEST_F(SerialLink, LineClosedMidReplyEndsTheExchangeWithTheBytesThatCame) {
    // COM8 starts its reply 250 ms after the request, during the read, and closes the line after
    // three bytes.
    ASSERT_TRUE(InitPort(kCom8));
    const auto start = Clock::now();
    const int got = Exchange(kReadK, 200, 100);
    const auto took = Clock::now() - start;
    EXPECT_EQ(got, 3);
    EXPECT_EQ(Head(3), (Bytes{0x02, 0x49, 0x02}));
    EXPECT_TRUE(AllZeroFrom(3));
    EXPECT_GE(took, std::chrono::milliseconds(200));
    EXPECT_LT(took, std::chrono::milliseconds(200 + 1515)) << "within the read's time-outs";
    EXPECT_TRUE(serial_sim::WaitForEvent(mark, "COM8 hangup"));
}

TEST_F(SerialLink, SilentLineReadEndsByTheTotalTimeout) {
    struct Case {
        int m;
        int floorMs;  // wait + 15 * m + 15
    } cases[] = {{7, 200 + 120}, {100, 200 + 1515}};
    ASSERT_TRUE(InitPort(kCom11));
    for (const Case& c : cases) {
        const auto start = Clock::now();
        EXPECT_EQ(Exchange(kReadK, 200, c.m), 0);
        const auto took =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        EXPECT_TRUE(AllZeroFrom(0));
        EXPECT_GE(took.count(), c.floorMs - 20) << "m=" << c.m;
        EXPECT_LT(took.count(), c.floorMs + 1000) << "m=" << c.m;
    }
}

TEST_F(SerialLink, ClosedPortIsNeverWrittenOrRead) {
    ASSERT_TRUE(InitPort(kCom2));
    ClosePort();
    const std::size_t before = calls.size();
    EXPECT_EQ(Exchange(kReadK, 0, 100), 0);
    ProbeBuffer probe{};
    EXPECT_EQ(TransactProbe(probe), 0);
    ClosePort();
    EXPECT_EQ(calls.size(), before) << "no call after the close";

    // A click during the wait that closes the port: the read that follows is not made.
    ASSERT_TRUE(InitPort(kCom2));
    app.pendingInput.push_back([] { ClosePort(); });
    EXPECT_EQ(Exchange(kReadK, 50, 100), 0);
    EXPECT_EQ(Count(calls, kWriteCall), 1u);
    EXPECT_EQ(Count(calls, kReadCall), 0u);
}

TEST_F(SerialLink, SetUpAgainClosesTheOpenPortFirst) {
    ASSERT_TRUE(InitPort(kCom2));
    const std::intptr_t first = calls.front().handle;
    ASSERT_TRUE(InitPort(kCom2)) << "the same port opens again";
    std::vector<std::string> order;
    for (const SerialCall& c : calls) {
        if (c.name == kOpenCall || c.name == kCloseCall) {
            order.push_back(c.name);
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{kOpenCall, kCloseCall, kOpenCall}));
    const auto close = std::find_if(calls.begin(), calls.end(),
                                    [](const SerialCall& c) { return c.name == kCloseCall; });
    ASSERT_NE(close, calls.end());
    EXPECT_EQ(close->handle, first);
    EXPECT_TRUE(app.boxes.empty());
}

// --- the simulated tachograph ------------------------------------------------------------------

TEST_F(SerialLink, TachographAnswersInTheRequestFormat) {
    struct Case {
        std::int8_t port;
        Bytes request;
        int m;
        Bytes reply;
    } cases[] = {
        {kCom2, kWriteK8000, 7, {0x02, 0x49, 0x01, 0x35, 0x09, 0x00, 0x75}},
        {kCom2, kReadK, 100, {0x02, 0x49, 0x02, 0xB5, 0x09, 0x40, 0x1F, 0x95}},
        {kCom2, kWriteOdo123456, 7, {0x02, 0x49, 0x01, 0x35, 0x0C, 0x00, 0x72}},
        {kCom2, kReadOdo, 100, {0x02, 0x49, 0x04, 0xB5, 0x0C, 0x40, 0xE2, 0x01, 0x00, 0xCC}},
        {kCom2, kProbe, 10, {0x02, 0x49, 0x01, 0xD1, 0x00, 0x00, 0xE2}},
        // COM12: K writes rejected, initial values k=1234 odo=1234567 b8=100 o=777, CAN code 4.
        {kCom12, kWriteK8000, 7, {0x02, 0x49, 0x01, 0x35, 0x09, 0x01, 0x74}},
        {kCom12, kReadK, 100, {0x02, 0x49, 0x02, 0xB5, 0x09, 0xD2, 0x04, 0x1E}},
        {kCom12, kReadOdo, 100, {0x02, 0x49, 0x04, 0xB5, 0x0C, 0x87, 0xD6, 0x12, 0x00, 0x80}},
        {kCom12, kReadB8, 100, {0x02, 0x49, 0x01, 0xB5, 0x0B, 0x64, 0x8F}},
        {kCom12, kReadCan, 100, {0x02, 0x49, 0x01, 0xB5, 0x0A, 0x04, 0xF0}},
        {kCom12, kReadO, 100, {0x02, 0x49, 0x02, 0xB5, 0x0D, 0x09, 0x03, 0xE4}},
    };
    std::int8_t open = -1;
    for (const Case& c : cases) {
        if (c.port != open) {
            ASSERT_TRUE(InitPort(c.port));
            open = c.port;
        }
        EXPECT_EQ(Exchange(c.request, 200, c.m), static_cast<int>(c.reply.size()));
        EXPECT_EQ(Head(c.reply.size()), c.reply);
    }
}

TEST_F(SerialLink, ProbeUsesItsOwnBufferAndClearsOnlyWhatItSent) {
    FrameBuffer.fill(0x5A);
    ProbeBuffer probe{};
    std::copy(kProbe.begin(), kProbe.end(), probe.begin());
    probe[7] = probe[8] = probe[9] = 0x77;
    ASSERT_TRUE(InitPort(kCom11));  // silent
    EXPECT_EQ(TransactProbe(probe), 0);
    EXPECT_EQ(probe, (ProbeBuffer{0, 0, 0, 0, 0, 0, 0, 0x77, 0x77, 0x77}));
    EXPECT_TRUE(std::all_of(FrameBuffer.begin(), FrameBuffer.end(),
                            [](std::uint8_t b) { return b == 0x5A; }));
    ASSERT_EQ(Received().size(), 1u);
    EXPECT_EQ(Received()[0], "COM11 rx 02 49 00 D1 00 E3 00");
}

TEST_F(SerialLink, NoiseDeviceAnswersWhatNoTachographWould) {
    ASSERT_TRUE(InitPort(kCom14));
    const int got = Exchange(kProbe, 400, 10);
    EXPECT_GT(got, 0);
    EXPECT_NE(FrameBuffer[0], 0x02);
}

}  // namespace
