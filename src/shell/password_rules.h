// When the Windows 9x screensaver password is asked: whether a run loads the verifier, how
// the stored switch is read, and what input may do while a run is protected. The platform
// side (password_win.cpp) carries the answers out. Main thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shell/command_line.h"

// Whether a run in `mode` looks at the password switch and loads the verifier: Saver and
// Test runs on the 9x family only.
bool ShouldSetUpPasswordCheck(SaverMode mode, bool win9x);

// Whether the "ScreenSaveUsePassword" bytes read from the registry (at most four, stored
// little-endian; missing high bytes count as zero) switch the password on.
bool PasswordSwitchOn(const unsigned char* data, std::size_t size);

enum class CloseAnswer {
  EndNow,       // the run may end without a password
  KeepRunning,  // the run goes on, nothing is asked
  AskVerifier,  // the verifier decides
};

// What the saver answers to input that would end a run.
struct CloseQuestion {
  SaverMode mode;
  bool win9x;
  bool verifierLoaded;  // the verifier was found for this run
  bool verifying;       // its prompt is up right now
};
CloseAnswer DecideMayClose(const CloseQuestion& question);

// Takes the verifier's answer; after a refusal the run needs six new distinct mouse
// positions (or a key or button press) before it asks again. Returns whether the run may end.
bool TakeVerifierAnswer(bool accepted);
