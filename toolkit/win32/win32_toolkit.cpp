#include "toolkit/win32/win32_toolkit.h"
