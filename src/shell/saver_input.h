// The input rules of the saver window: which messages end a run, which are swallowed, when
// the cursor goes. The window procedure asks DecideWindowMessage and carries out the
// answer. Main thread only (the window procedure and any modal loop on that thread).
#pragma once

#include <cstdint>

#include "shell/command_line.h"

// The platform's message and command numbers that the rules look at, repeated here so the
// core needs no platform header.
namespace WindowMessage {
constexpr uint32_t Destroy = 0x0002;
constexpr uint32_t Close = 0x0010;
constexpr uint32_t EraseBackground = 0x0014;
constexpr uint32_t SetCursor = 0x0020;
constexpr uint32_t KeyDown = 0x0100;
constexpr uint32_t SysCommand = 0x0112;
constexpr uint32_t MouseMove = 0x0200;
constexpr uint32_t LeftButtonDown = 0x0201;
constexpr uint32_t RightButtonDown = 0x0204;
constexpr uint32_t MiddleButtonDown = 0x0207;
constexpr uint32_t PowerBroadcast = 0x0218;
}  // namespace WindowMessage

namespace SystemCommand {
constexpr uintptr_t NextWindow = 0xF040;
constexpr uintptr_t PreviousWindow = 0xF050;
constexpr uintptr_t Close = 0xF060;
constexpr uintptr_t ScreenSave = 0xF140;
}  // namespace SystemCommand

constexpr uintptr_t kPowerSuspend = 4;  // PBT_APMSUSPEND

struct MousePosition {
  int32_t x;
  int32_t y;
};

// Distinct mouse positions seen since the full-screen run began or since the last refused
// password, and the last position recorded (never reset).
extern uint32_t mouseMoveCount;
extern MousePosition lastMousePos;

// What the window procedure knows when a message arrives.
struct WindowRuleState {
  SaverMode mode;
  bool verifyingPassword;  // the password prompt is up
  bool verifierLoaded;     // a password verifier is in use for this run
};

// What the window procedure does with a message, in this order: post the quit message,
// remove the cursor, ask whether the run may end (and post the close if so), post the
// close unconditionally, then either return `result` or hand the message to the default
// window procedure.
struct InputDecision {
  bool postQuit = false;
  bool removeCursor = false;
  bool askToClose = false;
  bool postClose = false;
  bool callDefault = true;
  intptr_t result = 0;
};

// Decides one message. Updates mouseMoveCount and lastMousePos for mouse moves.
InputDecision DecideWindowMessage(const WindowRuleState& state, uint32_t message, uintptr_t wParam, intptr_t lParam);
