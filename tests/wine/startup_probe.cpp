// The program's start-up routine with a failure injected before one step, for the Wine tests.
// Arguments: the step number (1 to 5) and "toolkit" (a toolkit exception) or "other" (anything
// else).
#include <cwchar>
#include <stdexcept>
#include <string>

#include "app/startup.h"
#include "toolkit/toolkit.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int) {
    int failAt = 0;
    wchar_t kind[32] = {};
    if (swscanf(arguments, L"%d %31ls", &failAt, kind) != 2) {
        return 2;
    }
    bool toolkitKind = std::wstring(kind) == L"toolkit";
    return app::RunProgram(instance, [&](app::Step step) {
        if (static_cast<int>(step) != failAt) {
            return;
        }
        if (toolkitKind) {
            throw toolkit::Exception(L"Start-up failed");
        }
        throw std::runtime_error("not a toolkit exception");
    });
}
