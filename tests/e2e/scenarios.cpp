// The scenarios: what a technician does and what must be seen. The simulator that each one runs
// against is given beside its name in tests/e2e/CMakeLists.txt.
#include <algorithm>
#include <cstdio>
#include <sstream>
#include <thread>

#include "tests/e2e/scenario.h"

namespace e2e {

namespace {

using namespace std::chrono_literals;
using Strings = std::vector<std::string>;
using WStrings = std::vector<std::wstring>;

const std::wstring kNotice = L"Внимание!";
const std::wstring kTitle = L"Lorvan_Setup";
const std::wstring kWritten = L"Данные успешно записаны!";
const std::wstring kOpenFailed = L"Ошибка открытия порта";
const std::wstring kFound = L"Устройство обнаружено";
const std::wstring kNotFound = L"Устройство не найдено";
const std::wstring kSearchItem = L"Найти устр-во";
const std::wstring kAllWritesRejected =
    L" Ошибка записи К!\n Ошибка записи пробега!\n Ошибка записи CAN!\n Ошибка записи О!\n"
    L" Ошибка записи B8!";
const std::wstring kAllUnread =
    L"Ошибка чтения К!\nОшибка чтения пробега!\nОшибка чтения В8!\nОшибка чтения CAN!\n"
    L"Ошибка чтения О!";

using simlog::kProbe;
using simlog::kWriteB8Off;
using simlog::kWriteCanNone;
using simlog::kWriteK8000;
using simlog::kWriteO6000;
using simlog::kWriteOdoZero;
const Strings kReadAll = {simlog::kReadK, simlog::kReadOdo, simlog::kReadB8, simlog::kReadCan,
                          simlog::kReadO};
const Strings kWriteAllDefaults = {kWriteK8000, kWriteOdoZero, kWriteCanNone, kWriteO6000,
                                   kWriteB8Off};

std::string Quoted(const std::wstring& text) {
    std::string out = "\"";
    for (char c : Utf8(text)) {
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return out + "\"";
}

std::string Joined(const Strings& items) {
    std::string out = "[";
    for (const std::string& s : items) {
        out += (out.size() > 1 ? ", " : "") + s;
    }
    return out + "]";
}

std::string Joined(const WStrings& items) {
    Strings quoted;
    for (const std::wstring& s : items) {
        quoted.push_back(Quoted(s));
    }
    return Joined(quoted);
}

Strings On(int port, const Strings& frames) {
    Strings out;
    for (const std::string& f : frames) {
        out.push_back("COM" + std::to_string(port) + ": " + f);
    }
    return out;
}

Strings operator+(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// --- the user's actions ----------------------------------------------------------------------

Step SetText(const char* name, std::wstring text) {
    return [=](Run& r) { r.tool.SetText(name, text); };
}
Step Tick(const char* name, bool on) {
    return [=](Run& r) { r.tool.SetChecked(name, on); };
}
Step Pick(const char* name, int index) {
    return [=](Run& r) { r.tool.Pick(name, index); };
}
Step Type(const char* name, std::wstring text) {
    return [=](Run& r) { r.tool.Type(name, text); };
}
Step Click(const char* name) {
    return [=](Run& r) { r.tool.Click(name); };
}
Step CloseWindow() {
    return [](Run& r) { r.tool.Close(); };
}
Step Pause(std::chrono::milliseconds ms) {
    return [=](Run&) { std::this_thread::sleep_for(ms); };
}

// The tachograph is unplugged from a port: the runner of the scenario (on the Unix side) turns
// the port's entry in the ports folder into a directory, as the folder shows an absent port. It
// takes the request from <log>.unplug and removes that file when done.
Step Unplug(int port) {
    return [=](Run& r) {
        const std::wstring request = r.log.Path() + L".unplug";
        if (FILE* f = _wfopen(request.c_str(), L"wb")) {
            std::fprintf(f, "%d\n", port);
            std::fclose(f);
        }
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (GetFileAttributesW(request.c_str()) != INVALID_FILE_ATTRIBUTES) {
            if (std::chrono::steady_clock::now() > deadline) {
                r.errors.push_back("fatal: COM" + std::to_string(port) + " was not unplugged");
                return;
            }
            std::this_thread::sleep_for(20ms);
        }
    };
}

// --- what must be seen -----------------------------------------------------------------------

Step Box(std::wstring caption, std::wstring text, std::chrono::milliseconds within = 60s) {
    return [=](Run& r) {
        SeenBox box;
        if (!r.tool.NextBox(box, within)) {
            r.errors.push_back("fatal: no box " + Quoted(text) + " within " +
                               std::to_string(within.count()) + " ms");
            return;
        }
        r.boxes.push_back(box);
        if (box.caption != caption || box.text != text) {
            r.errors.push_back("box " + std::to_string(r.boxes.size()) + ": [" +
                               Quoted(box.caption) + "] " + Quoted(box.text) + ", expected [" +
                               Quoted(caption) + "] " + Quoted(text));
        }
    };
}
Step Notice(std::wstring text) {
    return Box(kNotice, std::move(text));
}
Step Error(std::wstring text) {
    return Box(kTitle, std::move(text));
}

// No box comes up for a while.
Step NoBox(std::chrono::milliseconds during = 1500ms) {
    return [=](Run& r) {
        SeenBox box;
        if (r.tool.NextBox(box, during)) {
            r.boxes.push_back(box);
            r.errors.push_back("unexpected box [" + Quoted(box.caption) + "] " + Quoted(box.text));
        }
    };
}

// Every request that reached the simulator so far, in order; waits for them to come, then a
// little longer for any that should not.
Step Frames(Strings expected) {
    return [=](Run& r) {
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (r.log.Received().size() < expected.size() &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(20ms);
        }
        std::this_thread::sleep_for(400ms);
        const Strings got = r.log.Received();
        if (got != expected) {
            r.errors.push_back("on the wire " + Joined(got) + ", expected " + Joined(expected));
        }
    };
}

// These ports saw nothing at all: not even an open.
Step Untouched(std::vector<int> ports) {
    return [=](Run& r) {
        for (const LogEntry& e : r.log.Read()) {
            if (e.event != "serve" &&
                std::find(ports.begin(), ports.end(), e.port) != ports.end()) {
                r.errors.push_back("COM" + std::to_string(e.port) + " saw " + e.event + " " +
                                   e.detail);
            }
        }
    };
}

Step Shows(const char* name, std::wstring text) {
    return [=](Run& r) {
        const std::wstring got = r.tool.Text(name);
        if (got != text) {
            r.errors.push_back(std::string(name) + " shows " + Quoted(got) + ", expected " +
                               Quoted(text));
        }
    };
}
Step Ticked(const char* name, bool on) {
    return [=](Run& r) {
        if (r.tool.Checked(name) != on) {
            r.errors.push_back(std::string(name) + (on ? " is not ticked" : " is ticked"));
        }
    };
}
Step Selected(const char* name, int index) {
    return [=](Run& r) {
        const int got = r.tool.Selected(name);
        if (got != index) {
            r.errors.push_back(std::string(name) + " has entry " + std::to_string(got) +
                               " selected, expected " + std::to_string(index));
        }
    };
}
Step Items(const char* name, WStrings items) {
    return [=](Run& r) {
        const WStrings got = r.tool.Items(name);
        if (got != items) {
            r.errors.push_back(std::string(name) + " lists " + Joined(got) + ", expected " +
                               Joined(items));
        }
    };
}
Step Exits(DWORD code) {
    return [=](Run& r) {
        DWORD got = 0;
        if (!r.tool.WaitExit(30s, got)) {
            r.errors.push_back("fatal: the program is still running");
        } else if (got != code) {
            r.errors.push_back("exit code " + std::to_string(got) + ", expected " +
                               std::to_string(code));
        }
    };
}
Step StillRunning() {
    return [](Run& r) {
        DWORD code = 0;
        if (r.tool.WaitExit(0ms, code)) {
            r.errors.push_back("fatal: the program ended with " + std::to_string(code));
        }
    };
}

// The five settings as the window shows them: K, odometer, B8, CAN entry, O-factor.
std::vector<Step> Settings(std::wstring k, std::wstring odo, bool b8, int can, std::wstring o) {
    return {Shows("Edit_k", k), Shows("Edit_odo", odo), Ticked("CheckBox_b8", b8),
            Selected("ComboBox_CAN", can), Shows("Edit_o", o)};
}

std::vector<Step> operator+(std::vector<Step> a, const std::vector<Step>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The disabled CAN selectors keep their entries.
const std::vector<Step> kDisabledUntouched = {
    Selected("ComboBox_speed", 1), Shows("ComboBox_speed", L"250 КБит/сек"),
    Selected("ComboBox_timeout", 1), Selected("sComboBox1", 1)};

std::vector<Scenario> Build() {
    return {
        // --- search ----------------------------------------------------------------------
        {"search_com3",
         {Click("Button_Search"), Notice(kFound), NoBox(),
          Items("ComboBox_port", {L"COM 3", kSearchItem}), Selected("ComboBox_port", 0),
          Shows("ComboBox_port", L"COM 3"), Frames(On(1, {kProbe}) + On(3, {kProbe})),
          Untouched({4, 5, 12, 42}), Click("Button_write_k"), Notice(kWritten),
          Frames(On(1, {kProbe}) + On(3, {kProbe, kWriteK8000}))}},
        {"search_com12",
         {Click("Button_Search"), Notice(kFound), Items("ComboBox_port", {L"COM 12", kSearchItem}),
          Selected("ComboBox_port", 0), Click("Button_write_B8"), Notice(kWritten),
          Frames(On(12, {kProbe, kWriteB8Off}))}},
        {"search_com42",
         {Click("Button_Search"), Notice(kFound), Items("ComboBox_port", {L"COM 42", kSearchItem}),
          Shows("ComboBox_port", L"COM 42"), Click("Button_write_B8"), Notice(kWritten),
          Frames(On(42, {kProbe, kWriteB8Off}))}},
        {"search_two_devices",
         {Click("Button_Search"), Notice(kFound), Items("ComboBox_port", {L"COM 6", kSearchItem}),
          Frames(On(6, {kProbe})), Untouched({9})}},
        // COM1 answers writes but not the probe: the writes after a failed search still go there.
        {"search_none",
         {Click("Button_Search"), Notice(kNotFound), NoBox(), Items("ComboBox_port", {kSearchItem}),
          Selected("ComboBox_port", -1), Shows("ComboBox_port", L"       "),
          Click("Button_write_k"), Notice(kWritten),
          Frames(On(1, {kProbe}) + On(2, {kProbe}) + On(1, {kWriteK8000}))}},
        {"search_moves",
         {Click("Button_Search"), Notice(kFound), Items("ComboBox_port", {L"COM 5", kSearchItem}),
          Unplug(5), Click("Button_Search"), Notice(kFound),
          Items("ComboBox_port", {L"COM 7", kSearchItem}), Selected("ComboBox_port", 0),
          Click("Button_write_k"), Notice(kWritten),
          Frames(On(5, {kProbe}) + On(7, {kProbe, kWriteK8000}))}},
        {"search_pick_entries",
         {Click("Button_Search"), Notice(kFound), Pick("ComboBox_port", 0), NoBox(),
          Click("Button_write_k"), Notice(kWritten),
          // Picking the search entry searches again.
          Pick("ComboBox_port", 1), Notice(kFound), Items("ComboBox_port", {L"COM 7", kSearchItem}),
          Selected("ComboBox_port", 0), Frames(On(7, {kProbe, kWriteK8000, kProbe}))}},
        {"search_typed",
         {Type("ComboBox_port", kSearchItem), Notice(kFound), NoBox(),
          Items("ComboBox_port", {L"COM 3", kSearchItem}), Selected("ComboBox_port", 0),
          Click("Button_write_k"), Notice(kWritten), Frames(On(3, {kProbe, kWriteK8000}))}},
        // Other texts in the selector only read the selection again: the write stays on COM1.
        {"selector_texts",
         {Type("ComboBox_port", L"Поиск......"), Type("ComboBox_port", L"       "),
          Type("ComboBox_port", L"COM 3"), NoBox(), Click("Button_write_k"), Notice(kWritten),
          Frames(On(1, {kWriteK8000}))}},

        // --- single writes ---------------------------------------------------------------
        {"write_each",
         {SetText("Edit_k", L"1234"), Click("Button_write_k"), Notice(kWritten),
          SetText("Edit_odo", L"012345,6"), Click("Button_write_odo"), Notice(kWritten),
          Tick("CheckBox_b8", true), Click("Button_write_B8"), Notice(kWritten),
          Pick("ComboBox_CAN", 1), SetText("Edit_o", L"$1F40"), Click("Button_write_CAN"),
          Notice(kWritten), NoBox(),
          Frames(On(
              1, {"02 49 02 35 09 D2 04 9E", "02 49 04 35 0C 40 E2 01 00 4C",
                  "02 49 02 35 0B 64 00 0E", "02 49 01 35 0A 01 73", "02 49 02 35 0D 40 1F 11"}))}},
        {"write_rejected",
         {Click("Button_write_k"), Notice(L"Ошибка записи К!"), Click("Button_write_odo"),
          Notice(L"Ошибка записи пробега!"), Click("Button_write_B8"), Notice(L"Ошибка записи В8!"),
          Click("Button_write_CAN"), Notice(L"Ошибка записи CAN!\n Ошибка записи O!"),
          Frames(On(1, {kWriteK8000, kWriteOdoZero, kWriteB8Off, kWriteCanNone, kWriteO6000}))}},
        {"write_can_protocol_rejected",
         {Click("Button_write_CAN"), Notice(L"Ошибка записи CAN!"),
          Frames(On(1, {kWriteCanNone, kWriteO6000}))}},
        {"write_can_o_rejected",
         {Click("Button_write_CAN"), Notice(L"\n Ошибка записи O!"),
          Frames(On(1, {kWriteCanNone, kWriteO6000}))}},
        {"write_short_reply",
         {Click("Button_write_k"), Notice(L"Ошибка записи К!"), Frames(On(1, {kWriteK8000}))}},
        {"write_missing_port",
         {Click("Button_write_k"), Notice(kOpenFailed), Notice(L"Ошибка записи К!"), NoBox(),
          Click("Button_write_CAN"), Notice(kOpenFailed),
          Notice(L"Ошибка записи CAN!\n Ошибка записи O!"), Frames({})}},
        {"write_bad_input",
         {SetText("Edit_k", L"12a"), Click("Button_write_k"),
          Error(L"''12a'' is not a valid integer value."), NoBox(), Frames({}), Untouched({1}),
          SetText("Edit_k", L"65536"), Click("Button_write_k"),
          Error(L"Значение ''65536'' вне диапазона 0..65535."), Frames({}), Untouched({1}),
          SetText("Edit_k", L"8000"), SetText("Edit_o", L"6k"), Click("Button_write_CAN"),
          Error(L"''6k'' is not a valid integer value."), Frames({}),
          // The port is free afterwards.
          Click("Button_write_k"), Notice(kWritten), Frames(On(1, {kWriteK8000})),
          Shows("Edit_o", L"6k")}},

        // --- write-all -------------------------------------------------------------------
        {"write_all_accepted",
         {Click("Button_write"), Notice(kWritten), NoBox(), Frames(On(1, kWriteAllDefaults))}},
        {"write_all_rejected",
         {Click("Button_write"), Notice(kAllWritesRejected), Frames(On(1, kWriteAllDefaults))}},
        {"write_all_only_k_accepted",
         {Click("Button_write"),
          Notice(L"\n Ошибка записи пробега!\n Ошибка записи CAN!\n Ошибка записи О!\n Ошибка "
                 L"записи B8!"),
          Frames(On(1, kWriteAllDefaults))}},
        {"write_all_bad_input",
         {SetText("Edit_o", L"6k"), Click("Button_write"),
          Error(L"''6k'' is not a valid integer value."), Frames({}), SetText("Edit_o", L"6000"),
          SetText("Edit_k", L"k"), Click("Button_write"),
          Error(L"''k'' is not a valid integer value."), Frames({}), Untouched({1}),
          SetText("Edit_k", L"8000"), Click("Button_write"), Notice(kWritten),
          Frames(On(1, kWriteAllDefaults))}},
        {"write_all_then_read_all",
         std::vector<Step>{
             SetText("Edit_k", L"4321"), SetText("Edit_odo", L"999999,9"),
             Tick("CheckBox_b8", true), Pick("ComboBox_CAN", 3), SetText("Edit_o", L"65535"),
             Click("Button_write"), Notice(kWritten), SetText("Edit_k", L"1"),
             SetText("Edit_odo", L"000000,0"), Tick("CheckBox_b8", false), Pick("ComboBox_CAN", 0),
             SetText("Edit_o", L"2"), Click("Button_read"), NoBox(2500ms),
             Frames(On(1, Strings{"02 49 02 35 09 E1 10 83", "02 49 04 35 0C 7F 96 98 00 C2",
                                  "02 49 01 35 0A 03 71", "02 49 02 35 0D FF FF 72",
                                  "02 49 02 35 0B 64 00 0E"} +
                              kReadAll))} +
             Settings(L"4321", L"999999,9", true, 3, L"65535")},

        // --- read-all --------------------------------------------------------------------
        {"read_all_values",
         std::vector<Step>{Click("Button_read"), NoBox(2500ms), Frames(On(1, kReadAll))} +
             Settings(L"1234", L"012345,6", true, 2, L"4321") + kDisabledUntouched},
        {"read_all_no_device",
         std::vector<Step>{SetText("Edit_k", L"77"), Click("Button_read"), Notice(kAllUnread),
                           NoBox(), Frames(On(1, kReadAll))} +
             Settings(L"77", L"000000,0", false, -1, L"6000") + kDisabledUntouched},
        {"read_all_one_silent",
         std::vector<Step>{SetText("Edit_odo", L"000042,0"), Click("Button_read"),
                           Notice(L"Ошибка чтения пробега!"), Frames(On(1, kReadAll))} +
             Settings(L"1234", L"000042,0", true, 2, L"4321")},
        {"read_all_can_code_4", std::vector<Step>{Pick("ComboBox_CAN", 2), Click("Button_read"),
                                                  NoBox(2500ms), Frames(On(1, kReadAll))} +
                                    Settings(L"8000", L"000000,0", false, 2, L"6000")},
        {"read_all_missing_port", std::vector<Step>{Click("Button_read"), Notice(kOpenFailed),
                                                    Notice(kAllUnread), Frames({})} +
                                      Settings(L"8000", L"000000,0", false, -1, L"6000")},

        // --- one at a time ---------------------------------------------------------------
        // Both clicks are queued at once: the second reaches the program during the first
        // write's wait.
        {"second_click_during_write",
         {Click("Button_write_k"), Click("Button_write_k"), Click("Button_write"),
          Click("Button_write_CAN"), Notice(kWritten), NoBox(), Frames(On(1, {kWriteK8000}))}},
        {"search_during_read_all", std::vector<Step>{Click("Button_read"), Click("Button_Search"),
                                                     Type("ComboBox_port", kSearchItem),
                                                     NoBox(3000ms), Frames(On(1, kReadAll))} +
                                       Settings(L"1234", L"012345,6", true, 2, L"4321")},
        {"close_during_write",
         {Click("Button_write_k"), CloseWindow(), Pause(100ms), StillRunning(), Notice(kWritten),
          Exits(0), Frames(On(1, {kWriteK8000}))}},
        {"close_during_read_all",
         {Click("Button_read"), CloseWindow(), Notice(kAllUnread), Exits(0),
          Frames(On(1, kReadAll))}},
    };
}

}  // namespace

const std::vector<Scenario>& Scenarios() {
    static const std::vector<Scenario> all = Build();
    return all;
}

std::vector<LogEntry> SimLog::Read() const {
    std::vector<LogEntry> entries;
    std::string text;
    if (FILE* f = _wfopen(path_.c_str(), L"rb")) {
        char chunk[4096];
        for (std::size_t got; (got = std::fread(chunk, 1, sizeof chunk, f)) > 0;) {
            text.append(chunk, got);
        }
        std::fclose(f);
    }
    return simlog::Parse(text);
}

std::vector<std::string> SimLog::Received() const {
    return simlog::Received(Read());
}

std::string Utf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::wstring Wide(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size);
    return out;
}

}  // namespace e2e
