// The input rules of the saver window. Main thread only.
#include "shell/saver_input.h"

uint32_t mouseMoveCount = 0;
MousePosition lastMousePos = {-1, -1};

namespace {

constexpr uint32_t kMovesBeforeClose = 5;  // the sixth distinct position ends the run

InputDecision Handled(intptr_t result) {
  InputDecision d;
  d.callDefault = false;
  d.result = result;
  return d;
}

bool IsSwallowedCommand(uintptr_t command) {
  return command == SystemCommand::Close || command == SystemCommand::NextWindow ||
         command == SystemCommand::PreviousWindow || command == SystemCommand::ScreenSave;
}

}  // namespace

InputDecision DecideWindowMessage(const WindowRuleState& state, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  const bool fullScreen = IsFullScreenMode(state.mode);
  InputDecision d;

  switch (message) {
    case WindowMessage::Destroy:
      d.postQuit = true;
      d.callDefault = false;
      return d;

    case WindowMessage::EraseBackground:
      // The device's presents fill the window; erasing would only flash. In Test mode the
      // password prompt may need the window's background behind it.
      if (state.mode == SaverMode::Preview || state.mode == SaverMode::Saver ||
          (state.mode == SaverMode::Test && !state.verifyingPassword))
        return Handled(1);
      return d;

    case WindowMessage::SetCursor:
      if (fullScreen && !state.verifyingPassword) {
        d.removeCursor = true;
        d.callDefault = false;
        d.result = 1;
      }
      return d;

    case WindowMessage::KeyDown:
    case WindowMessage::LeftButtonDown:
    case WindowMessage::RightButtonDown:
    case WindowMessage::MiddleButtonDown:
      d.askToClose = fullScreen;
      return d;

    case WindowMessage::MouseMove: {
      if (!fullScreen) return d;
      const MousePosition pos = {static_cast<int16_t>(lParam & 0xFFFF), static_cast<int16_t>((lParam >> 16) & 0xFFFF)};
      if (pos.x == lastMousePos.x && pos.y == lastMousePos.y) return d;
      lastMousePos = pos;
      ++mouseMoveCount;
      d.askToClose = mouseMoveCount > kMovesBeforeClose;
      return d;
    }

    case WindowMessage::SysCommand:
      if (fullScreen && IsSwallowedCommand(wParam)) return Handled(0);
      return d;

    case WindowMessage::PowerBroadcast:
      // A suspend ends the run unless the password would then be bypassed.
      d.postClose = wParam == kPowerSuspend && !state.verifierLoaded;
      return d;

    default:
      return d;
  }
}
