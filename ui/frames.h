// The window-facing side of the protocol: building requests from the values the window shows
// now, loading them into FrameBuffer, judging replies and decoding them into the controls.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "serial/serial.h"

// Clears all of FrameBuffer and writes the frame of a command (compared whole, case-sensitive)
// from the window's current values; an unknown name leaves the buffer all zero. A K, O-factor or
// odometer text that is not an integer, or a K or O-factor outside 0..65535, raises
// toolkit::EConvertError and leaves positions 0 to 4 of the frame and zeros.
void BuildRequest(std::string_view command);

// The bytes that go on the line for a command from the window's values now, the filler of a read
// included; empty for an unknown name. Raises as BuildRequest does. FrameBuffer is not touched.
std::vector<std::uint8_t> RequestFor(std::string_view command);

// Clears FrameBuffer and copies a request (at most its 400 bytes) in from byte 0.
void LoadRequest(std::span<const std::uint8_t> frame);

// Decodes the reply in FrameBuffer into the control of a field (k, odo, B8, CAN, o; compared
// whole, case-sensitive). A reply that was not received (no 0x02 at byte 0, or fewer bytes than
// the field reads) and an unknown name leave every control as it was and give false.
bool ShowReply(std::string_view field, int received);

// The write-reply test over FrameBuffer: at least 6 bytes arrived, 0x02 at 0 and 0x00 at 5.
bool WriteAccepted(int received);

// The probe-reply test over the search's buffer: 0x02 at 0 and 0xE2 at 6.
bool ProbeAnswered(const ProbeBuffer& buffer, int received);
