// Lorvan_Setup: writes the settings of a Lorvan tachograph over a COM port and reads them back.
// The program takes no arguments and always exits with 0.
#include "app/startup.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return app::RunProgram(instance);
}
