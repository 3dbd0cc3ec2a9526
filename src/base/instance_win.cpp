// The program's module handle. Main thread only.
#include "base/instance_win.h"

HINSTANCE instanceHandle = nullptr;
