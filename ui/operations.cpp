#include "ui/operations.h"

#include <array>
#include <cstdint>
#include <vector>

#include "protocol/protocol.h"
#include "serial/serial.h"
#include "toolkit/toolkit.h"
#include "ui/frames.h"
#include "ui/layout.h"
#include "ui/unit1.h"

namespace {

constexpr std::wstring_view kCaption = L"Внимание!";
constexpr std::wstring_view kWritten = L"Данные успешно записаны!";
constexpr std::wstring_view kFound = L"Устройство обнаружено";
constexpr std::wstring_view kNotFound = L"Устройство не найдено";
constexpr std::wstring_view kSearching = L"Поиск......";
constexpr std::wstring_view kNothingFound = L"       ";  // seven spaces

bool running = false;

void Notice(std::wstring_view text) {
    toolkit::Application->ShowNotice(text, kCaption);
}

// The selected port, opened and set up for the length of one operation; closed when the
// operation ends, however it ends. A failed open has shown its box and leaves nothing to close.
class HeldPort {
  public:
    explicit HeldPort(int index) { InitPort(static_cast<std::int8_t>(index)); }
    ~HeldPort() { ClosePort(); }
    HeldPort(const HeldPort&) = delete;
    HeldPort& operator=(const HeldPort&) = delete;
};

// The hourglass for the length of a search; the default cursor comes back before its box, and
// also when the search ends early.
class HourGlass {
  public:
    HourGlass() { toolkit::Application->SetCursor(toolkit::Cursor::HourGlass); }
    ~HourGlass() { Restore(); }
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;
    void Restore() {
        if (shown_) {
            shown_ = false;
            toolkit::Application->SetCursor(toolkit::Cursor::Default);
        }
    }

  private:
    bool shown_ = true;
};

// A request of an operation, built from the window before the port is opened.
struct Prepared {
    const char* command;
    std::vector<std::uint8_t> frame;
};

// Builds every request of an operation from the window's current values. A value that does not
// convert or is out of range throws here, before anything is opened or sent.
template <std::size_t N>
std::array<Prepared, N> Prepare(const std::array<const char*, N>& commands) {
    std::array<Prepared, N> prepared{};
    for (std::size_t i = 0; i < N; ++i) {
        prepared[i] = {commands[i], RequestFor(commands[i])};
    }
    return prepared;
}

// One exchange of a prepared request on the held port; returns how many reply bytes arrived.
int Exchange(const Prepared& request) {
    LoadRequest(request.frame);
    const protocol::Command* c = protocol::FindCommand(request.command);
    return Transact(c->sent, c->waitMs, c->replyBytes);
}

bool WriteExchange(const Prepared& request) {
    return WriteAccepted(Exchange(request));
}

}  // namespace

std::wstring ItemText(int index) {
    return Form1->ComboBox_port->Item(index);
}

void ParsePortItem(std::wstring_view text) {
    auto digit = [&](std::size_t i) { return static_cast<std::int32_t>(text[i] - L'0'); };
    if (text.size() == 5) {
        PortIndex = digit(4) - 1;
    } else if (text.size() == 6) {
        PortIndex = digit(4) * 10 + digit(5) - 1;
    }
}

void SearchDevice() {
    toolkit::ComboBox& port = *Form1->ComboBox_port;
    port.ClearItems();
    port.SetText(L"");
    HourGlass hourGlass;
    port.SetText(kSearching);
    bool found = false;
    for (int index = 0; index < kPortCount && !found; ++index) {
        OpenPort(index);
        if (!PortIsOpen()) {
            continue;
        }
        ClosePort();  // the test open is closed before the set-up opens the port again
        ProbeBuffer probe{};
        int received = 0;
        {
            HeldPort held(index);
            std::copy(protocol::ProbeFrame.begin(), protocol::ProbeFrame.end(), probe.begin());
            received = TransactProbe(probe);
        }
        if (ProbeAnswered(probe, received)) {
            found = true;
            port.AddItem(L"COM " + std::to_wstring(index + 1));
            hourGlass.Restore();
            Notice(kFound);
            port.SetItemIndex(port.Count() - 1);
        }
    }
    if (!found) {
        hourGlass.Restore();
        Notice(kNotFound);
        port.SetItemIndex(-1);
        port.SetText(kNothingFound);
    }
    port.AddItem(ui::kSearchItem);
    ParsePortItem(ItemText(port.ItemIndex()));
}

namespace ops {

bool OperationRunning() {
    return running;
}

void RunExclusive(const std::function<void()>& operation) {
    if (running) {
        return;
    }
    struct Running {
        Running() {
            running = true;
            toolkit::Application->OperationStarted();
        }
        ~Running() {
            running = false;
            toolkit::Application->OperationEnded();
        }
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
    } scope;
    operation();
}

void WriteOne(const char* command, std::wstring_view errorText) {
    auto requests = Prepare<1>({command});
    HeldPort held(PortIndex);
    Notice(WriteExchange(requests[0]) ? kWritten : errorText);
}

void WriteCan() {
    auto requests = Prepare<2>({"write_CAN", "write_o"});
    HeldPort held(PortIndex);
    int accepted = 0;
    ErrorText.clear();
    if (WriteExchange(requests[0])) {
        ++accepted;
    } else {
        ErrorText = L"Ошибка записи CAN!";
    }
    if (WriteExchange(requests[1])) {
        ++accepted;
    } else {
        ErrorText += L"\n Ошибка записи O!";  // Latin O
    }
    Notice(accepted == 2 ? std::wstring_view(kWritten) : std::wstring_view(ErrorText));
}

void WriteAll() {
    // Each rejected write adds its line; the first has no line feed before it. "B8" is Latin
    // here, "О" is Cyrillic.
    static constexpr std::array<std::wstring_view, 5> kLines = {
        L" Ошибка записи К!", L"\n Ошибка записи пробега!", L"\n Ошибка записи CAN!",
        L"\n Ошибка записи О!", L"\n Ошибка записи B8!"};
    auto requests = Prepare<5>({"write_k", "write_odo", "write_CAN", "write_o", "write_B8"});
    int accepted = 0;
    HeldPort held(PortIndex);
    ErrorText.clear();
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (WriteExchange(requests[i])) {
            ++accepted;
        } else {
            ErrorText += kLines[i];
        }
    }
    Notice(accepted == 5 ? std::wstring_view(kWritten) : std::wstring_view(ErrorText));
}

void ReadAll() {
    struct Field {
        const char* command;
        const char* field;
        std::wstring_view missing;  // the line that says its reply did not arrive
    };
    // К, В and О Cyrillic; CAN Latin.
    static constexpr std::array<Field, 5> kFields = {{
        {"read_k", "k", L"Ошибка чтения К!"},
        {"read_odo", "odo", L"Ошибка чтения пробега!"},
        {"read_B8", "B8", L"Ошибка чтения В8!"},
        {"read_CAN", "CAN", L"Ошибка чтения CAN!"},
        {"read_o", "o", L"Ошибка чтения О!"},
    }};
    std::wstring missing;
    HeldPort held(PortIndex);
    for (const Field& f : kFields) {
        const Prepared request{f.command, RequestFor(f.command)};
        if (!ShowReply(f.field, Exchange(request))) {
            missing += missing.empty() ? L"" : L"\n";
            missing += f.missing;
        }
    }
    // Only the fields whose reply did not arrive; the port is closed once the box is dismissed.
    if (!missing.empty()) {
        Notice(missing);
    }
}

}  // namespace ops
