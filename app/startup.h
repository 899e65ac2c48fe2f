// The program entry: the start-up steps inside the guarded block, and the event loop.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <functional>

namespace app {

// The start-up steps, numbered in the order in which they run.
enum class Step {
    Initialize = 1,    // the application object
    TaskBarButton,     // the main window gets the task-bar button
    Title,             // "Lorvan_Setup"
    CreateMainWindow,  // Form1 from its stored layout
    RunLoop,           // until the main window is closed
};

// Runs the program and returns its exit code, which is 0 on every path. beforeStep, when set,
// is called before each step and may throw: test programs inject start-up failures with it.
int RunProgram(HINSTANCE instance, const std::function<void(Step)>& beforeStep = {});

}  // namespace app
