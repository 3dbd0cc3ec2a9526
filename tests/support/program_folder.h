// Where the running test program or benchmark lies, the files the build puts beside it
// (generated videos, stand-in libraries, probe programs), and running one of those programs
// to its end. Any thread.
#pragma once

#include <string>

// The folder of the running program, without a trailing backslash.
std::string ProgramFolder();

// `relative` (backslashes) inside that folder.
std::string ProgramFile(const std::string& relative);

// A solid-colour video the build writes into run-inputs\ beside the test programs.
std::string RunInput(const char* name);

// A path the build passed in Unix form as Wine shows it: the root of the Unix file system is
// drive Z:, and the separators are backslashes.
std::string WindowsPath(std::string path);

// Runs the program at `path` with `arguments` and waits for it: its exit code, or ~0 when it
// did not start or had not ended after 30 s.
unsigned long RunToEnd(const std::string& path, const std::string& arguments = "");
