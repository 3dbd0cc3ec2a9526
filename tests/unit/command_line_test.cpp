// The command-line grammar, case by case, as the Windows host and users write it.
#include <gtest/gtest.h>

#include "shell/command_line.h"

namespace {

struct CommandLineCase {
  const char* text;
  SaverMode mode;
  uint32_t hostWindow;
};

void PrintTo(const CommandLineCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, GivesModeAndWindow) {
  const CommandLineCase& c = GetParam();
  const SaverArguments args = ParseSaverArguments(c.text);
  EXPECT_EQ(static_cast<int>(args.mode), static_cast<int>(c.mode));
  EXPECT_EQ(args.hostWindow, c.hostWindow);
}

using M = SaverMode;

const CommandLineCase kCases[] = {
    // Nothing after the program path: configure without an owner.
    {"orvel.scr", M::Config, 0},
    {"\"C:\\Program Files\\orvel.scr\"", M::Config, 0},
    {"\"C:\\Program Files\\orvel.scr\" ", M::Config, 0},
    {"", M::Config, 0},
    {"orvel.scr   ", M::Config, 0},
    {"orvel.scr word", M::Config, 0},
    // Configure with an owner, however the number is attached.
    {"orvel.scr /c", M::Config, 0},
    {"orvel.scr /c:1234", M::Config, 1234},
    {"orvel.scr /c 1234", M::Config, 1234},
    {"orvel.scr /C:99", M::Config, 99},
    {"orvel.scr -c5", M::Config, 5},
    // Preview: "/" or "-", either case, number direct, after a colon or a blank.
    {"orvel.scr /p 4242", M::Preview, 4242},
    {"orvel.scr /P 4242", M::Preview, 4242},
    {"orvel.scr -p4242", M::Preview, 4242},
    {"orvel.scr -P:4242", M::Preview, 4242},
    {"orvel.scr /p", M::Preview, 0},
    {"orvel.scr /p -17", M::Preview, 17},  // the minus is skipped like any separator
    {"orvel.scr /p 12 34", M::Preview, 12},
    // Full-screen runs.
    {"orvel.scr /s", M::Saver, 0},
    {"orvel.scr /S", M::Saver, 0},
    {"orvel.scr -s 123", M::Saver, 0},  // no number is read for s
    {"orvel.scr /x", M::Saver, 0},
    {"orvel.scr /7", M::Saver, 0},
    {"orvel.scr / p", M::Saver, 0},
    {"orvel.scr /", M::Saver, 0},
    {"orvel.scr -", M::Saver, 0},
    {"orvel.scr /t", M::Test, 0},
    {"orvel.scr /T 55", M::Test, 0},
    // Password change, with and without an owner.
    {"orvel.scr /a 1234", M::ChangePassword, 1234},
    {"orvel.scr /A", M::ChangePassword, 0},
    // The program path is skipped whole when quoted, up to the first blank otherwise.
    {"\"C:\\my-saver\\or/vel.scr\" /p 7", M::Preview, 7},
    {"\"C:\\my-saver\\orvel.scr\"", M::Config, 0},
    {"C:\\my-saver\\orvel.scr /s", M::Saver, 0},
    {"C:\\my saver\\orvel.scr /p 8", M::Preview, 8},  // "saver\..." is searched; its "/p" wins
    {"C:\\my -tools\\orvel.scr /s", M::Test, 0},      // the "-t" after the first blank wins
    {"\"C:\\unterminated /s", M::Config, 0},          // an open quote swallows everything
    // Stray words before the switch are ignored, unless they hold a "-".
    {"orvel.scr stray /p 31", M::Preview, 31},
    {"orvel.scr stray-word /p 31", M::Saver, 0},
    {"orvel.scr x-c 9", M::Config, 9},
    // Window numbers that cannot be 32-bit handles name no window.
    {"orvel.scr /p 4294967295", M::Preview, 4294967295u},
    {"orvel.scr /p 4294967296", M::Preview, 0},
    {"orvel.scr /p 99999999999999999999999999999999", M::Preview, 0},
    {"orvel.scr /c 000000000000000000000000000012", M::Config, 12},
};

INSTANTIATE_TEST_SUITE_P(Grammar, CommandLineTest, ::testing::ValuesIn(kCases));

TEST(CommandLine, NullTextIsConfigure) {
  const SaverArguments args = ParseSaverArguments(nullptr);
  EXPECT_EQ(args.mode, SaverMode::Config);
  EXPECT_EQ(args.hostWindow, 0u);
}

}  // namespace
