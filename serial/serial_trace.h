// A record of the platform calls the serial link makes, for tests: which call, on which handle,
// with which arguments, in which order. Off (null) in the product.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SerialCall {
    std::string name;      // "CreateFileW", "SetCommState", "open", "tcsetattr", ...
    std::intptr_t handle;  // the handle or descriptor the call used (for an open: its result)
    std::string args;      // the other arguments, as text
};

// When set, every platform call of the serial link is appended here.
extern std::vector<SerialCall>* SerialTrace;
