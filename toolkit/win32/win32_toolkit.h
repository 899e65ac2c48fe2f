// The Win32 backend of the toolkit: real child windows of the standard classes.
#pragma once

#include "toolkit/toolkit.h"

namespace toolkit::win32 {

// Creates the main window's frame; Run shows it and runs the event loop until it is closed.
class MainWindow;

}  // namespace toolkit::win32
