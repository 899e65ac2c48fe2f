// The operations behind the window's buttons and port selector: the device search, the port
// selector's entries, and the rule that only one operation holds the port at a time.
#pragma once

#include <functional>
#include <string>
#include <string_view>

// The text of the port selector's entry at an index; empty when the index names no entry.
std::wstring ItemText(int index);

// Sets PortIndex from a port entry ("COM 3", "COM 12"); any text of another length leaves it.
void ParsePortItem(std::wstring_view text);

// Probes COM1 to COM42 in ascending order and offers the first port that answers.
void SearchDevice();

namespace ops {

// True from the first step of an operation to the dismissal of its last box.
bool OperationRunning();

// Runs an operation unless one is already running, in which case the request is dropped: it
// starts nothing, now or later. The application is told when the operation starts and ends, so
// that a close of the window in between waits for its end. Exceptions pass through.
void RunExclusive(const std::function<void()>& operation);

// The operations themselves, run through RunExclusive by the handlers.
void WriteOne(const char* command, std::wstring_view errorText);  // K, odometer, B8
void WriteCan();                                                  // protocol, then O-factor
void WriteAll();
void ReadAll();

}  // namespace ops
