#include "ui/frames.h"

#include <algorithm>
#include <string>

#include "protocol/protocol.h"
#include "toolkit/toolkit.h"
#include "ui/unit1.h"

namespace {

// The text that a command converts, as the window shows it now.
std::wstring SourceText(protocol::Source source) {
    switch (source) {
        case protocol::Source::K:
            return Form1->Edit_k->Text();
        case protocol::Source::O:
            return Form1->Edit_o->Text();
        case protocol::Source::Odometer:
            return protocol::JoinOdometer(Form1->Edit_odo->Text());
        default:
            return {};
    }
}

std::uint32_t ValueFor(protocol::Source source) {
    switch (source) {
        case protocol::Source::None:
            return 0;
        case protocol::Source::Can:
            return protocol::CanCode(Form1->ComboBox_CAN->ItemIndex());
        case protocol::Source::B8:
            return protocol::B8Value(Form1->CheckBox_b8->Checked());
        default:
            break;
    }
    std::wstring text = SourceText(source);
    protocol::Conversion c = protocol::ConvertFor(source, text);
    switch (c.refusal) {
        case protocol::Refusal::None:
            return c.value;
        case protocol::Refusal::NotAnInteger:
            throw toolkit::EConvertError(protocol::NotAnIntegerMessage(text));
        case protocol::Refusal::OutOfRange:
            throw toolkit::EConvertError(protocol::OutOfRangeMessage(text));
    }
    return 0;
}

// Clears the frame and builds a command into it; the header stands before the value is read, so
// a refused text leaves positions 0 to 4 and zeros. Null for a name not in the command set.
const protocol::Command* BuildInto(std::string_view name,
                                   std::span<std::uint8_t, protocol::kFrameSize> frame) {
    std::fill(frame.begin(), frame.end(), std::uint8_t{0});
    const protocol::Command* command = protocol::FindCommand(name);
    if (command == nullptr) {
        return nullptr;
    }
    protocol::WriteHeader(*command, frame);
    protocol::WriteValue(*command, ValueFor(command->source), frame);
    return command;
}

}  // namespace

void BuildRequest(std::string_view command) {
    BuildInto(command, FrameBuffer);
}

std::vector<std::uint8_t> RequestFor(std::string_view command) {
    protocol::Frame frame{};
    const protocol::Command* c = BuildInto(command, frame);
    if (c == nullptr) {
        return {};
    }
    return {frame.begin(), frame.begin() + c->sent};
}

void LoadRequest(std::span<const std::uint8_t> frame) {
    FrameBuffer.fill(0);
    std::copy_n(frame.begin(), std::min(frame.size(), FrameBuffer.size()), FrameBuffer.begin());
}

bool ShowReply(std::string_view field, int received) {
    std::optional<protocol::Field> f = protocol::FindField(field);
    if (!f || !protocol::ReplyReceived(*f, FrameBuffer, received)) {
        return false;
    }
    switch (*f) {
        case protocol::Field::K:
            Form1->Edit_k->SetText(protocol::DecodeNumber(FrameBuffer));
            break;
        case protocol::Field::O:
            Form1->Edit_o->SetText(protocol::DecodeNumber(FrameBuffer));
            break;
        case protocol::Field::Odo:
            Form1->Edit_odo->SetText(protocol::DecodeOdometer(FrameBuffer));
            break;
        case protocol::Field::B8:
            Form1->CheckBox_b8->SetChecked(protocol::DecodeB8(FrameBuffer));
            break;
        case protocol::Field::Can:
            // An unknown code keeps the selection that the list has.
            if (std::optional<int> entry = protocol::DecodeCan(FrameBuffer)) {
                Form1->ComboBox_CAN->SetItemIndex(*entry);
            }
            break;
    }
    return true;
}

bool WriteAccepted(int received) {
    return protocol::WriteAccepted(FrameBuffer, received);
}

bool ProbeAnswered(const ProbeBuffer& buffer, int received) {
    return protocol::ProbeAnswered(buffer, received);
}
