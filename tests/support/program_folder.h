// Where the running test program or benchmark lies, and the files the build puts beside it
// (generated videos, stand-in libraries, probe programs). Any thread.
#pragma once

#include <string>

// The folder of the running program, without a trailing backslash.
std::string ProgramFolder();

// `relative` (backslashes) inside that folder.
std::string ProgramFile(const std::string& relative);
