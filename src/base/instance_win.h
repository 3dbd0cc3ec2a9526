// The program's module handle, set once at entry before any window or dialog is made and
// read by whatever loads the program's resources or registers a class. Main thread only.
#pragma once

#include <windows.h>

extern HINSTANCE instanceHandle;
