// When the screensaver password is asked: by mode and platform family, how the stored
// switch is read, and what input may do while the prompt is up.
#include <gtest/gtest.h>

#include <vector>

#include "shell/password_rules.h"
#include "shell/saver_input.h"

namespace {

using M = SaverMode;

const char* Name(M mode) {
  switch (mode) {
    case M::Config:
      return "Config";
    case M::Preview:
      return "Preview";
    case M::Saver:
      return "Saver";
    case M::Test:
      return "Test";
    case M::ChangePassword:
      return "ChangePassword";
  }
  return "?";
}

TEST(PasswordRules, OnlyFullScreenRunsOn9xLoadTheVerifier) {
  struct Case {
    M mode;
    bool win9x;
    bool setUp;
  };
  // clang-format off
  const Case cases[] = {
      {M::Saver, true, true},
      {M::Saver, false, false},  // NT has no verifier: never load one
      {M::Test, true, true},
      {M::Test, false, false},
      {M::Preview, true, false},
      {M::Preview, false, false},
      {M::Config, true, false},
      {M::ChangePassword, true, false},
  };
  // clang-format on
  for (const Case& c : cases)
    EXPECT_EQ(ShouldSetUpPasswordCheck(c.mode, c.win9x), c.setUp) << Name(c.mode) << " win9x=" << c.win9x;
}

TEST(PasswordRules, SwitchIsALittleEndianNumberOfUpToFourBytes) {
  struct Case {
    std::vector<unsigned char> bytes;
    bool on;
  };
  const Case cases[] = {
      {{1, 0, 0, 0}, true},
      {{0, 0, 0, 0}, false},
      {{0, 0, 0, 0x80}, true},  // only the top byte set
      {{1}, true},              // a one-byte value fills the low byte
      {{0, 1}, true},
      {{0}, false},
      {{'0', 0}, true},  // a string "0" is a nonzero number: the type is not looked at
      {{}, false},       // an empty value reads as zero
  };
  for (const Case& c : cases)
    EXPECT_EQ(PasswordSwitchOn(c.bytes.data(), c.bytes.size()), c.on) << "size " << c.bytes.size();
  // Bytes past the fourth are never looked at.
  const unsigned char longer[] = {0, 0, 0, 0, 7, 7};
  EXPECT_FALSE(PasswordSwitchOn(longer, sizeof(longer)));
}

TEST(PasswordRules, WhoDecidesWhetherInputEndsTheRun) {
  using A = CloseAnswer;
  struct Case {
    CloseQuestion q;  // mode, win9x, verifierLoaded, verifying
    A answer;
  };
  const Case cases[] = {
      // The 9x family with the verifier loaded asks it, in Saver and Test alike.
      {{M::Saver, true, true, false}, A::AskVerifier},
      {{M::Test, true, true, false}, A::AskVerifier},
      // No verifier: input ends the run at once.
      {{M::Saver, true, false, false}, A::EndNow},
      {{M::Test, true, false, false}, A::EndNow},
      // The NT family never asks in Saver, even with a verifier loaded.
      {{M::Saver, false, true, false}, A::EndNow},
      {{M::Saver, false, false, false}, A::EndNow},
      {{M::Test, false, false, false}, A::EndNow},
      // Modes that do not end on input answer yes whatever is loaded.
      {{M::Preview, true, true, false}, A::EndNow},
      {{M::Config, true, true, false}, A::EndNow},
      // While the prompt is up nothing ends the run and nothing asks again, in both modes.
      {{M::Saver, true, true, true}, A::KeepRunning},
      {{M::Test, true, true, true}, A::KeepRunning},
      {{M::Test, false, true, true}, A::KeepRunning},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DecideMayClose(c.q), c.answer) << Name(c.q.mode) << " win9x=" << c.q.win9x
                                             << " loaded=" << c.q.verifierLoaded << " verifying=" << c.q.verifying;
}

TEST(PasswordRules, RefusalStartsTheMouseCountOver) {
  mouseMoveCount = 6;
  EXPECT_TRUE(TakeVerifierAnswer(true));
  EXPECT_EQ(mouseMoveCount, 6u);
  EXPECT_FALSE(TakeVerifierAnswer(false));
  EXPECT_EQ(mouseMoveCount, 0u);
}

}  // namespace
