// When the Windows 9x screensaver password is asked. Main thread only.
#include "shell/password_rules.h"

#include "shell/saver_input.h"

bool ShouldSetUpPasswordCheck(SaverMode mode, bool win9x) {
  // The verifier exists only on the 9x family; on NT a library of its name can only be one
  // that somebody put where the search would find it.
  return win9x && (mode == SaverMode::Saver || mode == SaverMode::Test);
}

bool PasswordSwitchOn(const unsigned char* data, std::size_t size) {
  if (size > 4) size = 4;
  uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= static_cast<uint32_t>(data[i]) << (8 * i);
  return value != 0;
}

CloseAnswer DecideMayClose(const CloseQuestion& q) {
  // Input that reaches the window while the prompt is up (a second key press, a nested
  // modal loop) must neither end the run behind the prompt's back nor stack a second prompt.
  if (q.verifying) return CloseAnswer::KeepRunning;
  if (q.mode == SaverMode::Saver && !q.win9x) return CloseAnswer::EndNow;  // the NT family asks itself
  if (!IsFullScreenMode(q.mode)) return CloseAnswer::EndNow;
  if (!q.verifierLoaded) return CloseAnswer::EndNow;
  return CloseAnswer::AskVerifier;
}

bool TakeVerifierAnswer(bool accepted) {
  if (accepted) return true;
  mouseMoveCount = 0;
  return false;
}
