// The build's Windows Installer package, installed, installed again, upgraded and removed by
// msiexec as an administrator rolling it out would (/qn), with the files in the system folder,
// the entry in Programs and Features and the user's screensaver setting checked after each
// step. Runs in a Wine prefix of its own (tests/installer.cmake): the package changes the
// system folder. Takes --msi=<package> and --newer-msi=<the same files at the next version>;
// the files the packages were made of lie beside them. Test thread only.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/scoped_win.h"
#include "program_folder.h"
#include "scoped_registry_value.h"

namespace {

std::string packagePath;
std::string newerPackagePath;

const char kDesktopKey[] = "Control Panel\\Desktop";
const char kSettingsKey[] = "Software\\Quorda\\Orvel Screen 1.0";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kAbsent[] = "(absent)";
const char kOtherSaver[] = "C:\\savers\\other.scr";
const char* const kFiles[] = {"orvel.scr", "ov_Sample.avi"};

std::string SystemFile(const char* name) {
  char folder[MAX_PATH] = {};
  GetSystemDirectoryA(folder, MAX_PATH);
  return std::string(folder) + "\\" + name;
}

std::string BuiltFile(const char* name) { return packagePath.substr(0, packagePath.find_last_of('\\') + 1) + name; }

// The whole file, or kAbsent.
std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return kAbsent;
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), bytes.size());
}

// msiexec with a switch (/i, /x) on a package, quietly, and `properties`: its exit code.
unsigned long Msiexec(const char* action, const std::string& properties = "",
                      const std::string& package = packagePath) {
  return RunToEnd(SystemFile("msiexec.exe"), std::string(action) + " \"" + package + "\" /qn" + properties);
}

// A value's data (a text without its terminating zero), or kAbsent.
std::string ReadValue(HKEY root, const std::string& path, const char* name) {
  ScopedRegistryKey key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS) return kAbsent;
  char data[512] = {};
  DWORD size = sizeof(data) - 1;
  DWORD type = 0;
  if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
    return kAbsent;
  return type == REG_SZ ? std::string(data) : std::string(data, size);
}

std::string Lower(std::string text) {
  CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

// The product's entries in Programs and Features, each as "version, publisher".
std::vector<std::string> ListedProducts() {
  std::vector<std::string> listed;
  ScopedRegistryKey uninstall;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, uninstall.Receive()) != ERROR_SUCCESS)
    return listed;
  char name[256];
  for (DWORD i = 0; RegEnumKeyA(uninstall.Get(), i, name, sizeof(name)) == ERROR_SUCCESS; ++i) {
    const std::string entry = std::string(kUninstallKey) + "\\" + name;
    if (ReadValue(HKEY_LOCAL_MACHINE, entry, "DisplayName") != "Or vel Screen") continue;
    listed.push_back(ReadValue(HKEY_LOCAL_MACHINE, entry, "DisplayVersion") + ", " +
                     ReadValue(HKEY_LOCAL_MACHINE, entry, "Publisher"));
  }
  return listed;
}

// Installed as built: both files in the system folder, the product listed once.
void ExpectInstalled(const char* version = "1.0.0") {
  for (const char* name : kFiles) EXPECT_TRUE(Contents(SystemFile(name)) == Contents(BuiltFile(name))) << name;
  EXPECT_EQ(ListedProducts(), std::vector<std::string>{std::string(version) + ", Quorda"});
}

void ExpectRemoved() {
  for (const char* name : kFiles)
    EXPECT_EQ(GetFileAttributesA(SystemFile(name).c_str()), INVALID_FILE_ATTRIBUTES) << name;
  EXPECT_EQ(ListedProducts(), std::vector<std::string>{});
}

// The user's screensaver choice and stored settings, whatever a test does with them, are put
// back afterwards; the package is removed whatever a test left behind.
class Package : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(Contents(packagePath), kAbsent) << packagePath;
    ASSERT_NE(Contents(newerPackagePath), kAbsent) << newerPackagePath;
    saver_.WriteText(kOtherSaver);
    active_.WriteText("0");
    options_.Write(REG_BINARY, "settings", 8);
  }
  void TearDown() override {
    Msiexec("/x");
    Msiexec("/x", "", newerPackagePath);
    for (const char* name : kFiles) DeleteFileA(SystemFile(name).c_str());
  }

  std::string UserSaver() const { return ReadValue(HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"); }

  ScopedRegistryValue saver_{HKEY_CURRENT_USER, kDesktopKey, "SCRNSAVE.EXE"};
  ScopedRegistryValue active_{HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"};
  ScopedRegistryValue options_{HKEY_CURRENT_USER, kSettingsKey, "Options"};
};

struct ChoiceCase {
  const char* name;
  const char* properties;     // on msiexec's command line
  bool becomesCurrent;        // the installed orvel.scr is the user's screensaver afterwards
  bool otherChosenMeanwhile;  // the user picks another saver before the removal
};

class SaverChoice : public Package, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(SaverChoice, InstallsListsAndRemovesCleanly) {
  const ChoiceCase& c = GetParam();
  ASSERT_EQ(Msiexec("/i", c.properties), 0u);
  ExpectInstalled();
  EXPECT_EQ(Lower(UserSaver()), Lower(c.becomesCurrent ? SystemFile("orvel.scr") : kOtherSaver));
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kDesktopKey, "ScreenSaveActive"), c.becomesCurrent ? "1" : "0");
  if (c.otherChosenMeanwhile) saver_.WriteText(kOtherSaver);

  ASSERT_EQ(Msiexec("/x"), 0u);
  ExpectRemoved();
  // Cleared only where it still named the removed file.
  EXPECT_EQ(UserSaver(), c.becomesCurrent && !c.otherChosenMeanwhile ? kAbsent : kOtherSaver);
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettingsKey, "Options"), "settings") << "the user's settings went too";
}

INSTANTIATE_TEST_SUITE_P(Installations, SaverChoice,
                         ::testing::Values(ChoiceCase{"NotAsked", "", false, false},
                                           ChoiceCase{"AskedNot", " SETASCURRENT=0", false, false},
                                           ChoiceCase{"Asked", " SETASCURRENT=1", true, false},
                                           ChoiceCase{"AskedThenAnotherChosen", " SETASCURRENT=1", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Package, InstalledAgainRepairsAndStaysListedOnce) {
  ASSERT_EQ(Msiexec("/i"), 0u);
  DeleteFileA(SystemFile("ov_Sample.avi").c_str());
  WriteFile(SystemFile("orvel.scr"), "damaged");
  ASSERT_EQ(Msiexec("/i"), 0u);
  ExpectInstalled();
}

TEST_F(Package, RemovesWhenTheFilesWereDeletedByHand) {
  ASSERT_EQ(Msiexec("/i"), 0u);
  for (const char* name : kFiles) ASSERT_TRUE(DeleteFileA(SystemFile(name).c_str())) << name;
  EXPECT_EQ(Msiexec("/x"), 0u);
  ExpectRemoved();
}

TEST_F(Package, ReplacesAnOlderCopyInTheSystemFolder) {
  // A copy of an earlier build put there by hand: a program of the same size with other bytes,
  // a shorter sample video.
  std::string program = Contents(BuiltFile("orvel.scr"));
  program[program.size() / 2] ^= 0x5a;
  WriteFile(SystemFile("orvel.scr"), program);
  const std::string sample = Contents(BuiltFile("ov_Sample.avi"));
  WriteFile(SystemFile("ov_Sample.avi"), sample.substr(0, sample.size() / 2));
  ASSERT_EQ(Msiexec("/i"), 0u);
  ExpectInstalled();
}

TEST_F(Package, NextVersionReplacesThisOneAndKeepsTheChoice) {
  ASSERT_EQ(Msiexec("/i", " SETASCURRENT=1"), 0u);
  ASSERT_EQ(Msiexec("/i", "", newerPackagePath), 0u);
  ExpectInstalled("1.1.0");
  EXPECT_EQ(Lower(UserSaver()), Lower(SystemFile("orvel.scr"))) << "the upgrade lost the user's choice";
  EXPECT_EQ(ReadValue(HKEY_CURRENT_USER, kSettingsKey, "Options"), "settings");

  EXPECT_NE(Msiexec("/i"), 0u) << "the older version went over the newer one";
  ExpectInstalled("1.1.0");

  ASSERT_EQ(Msiexec("/x", "", newerPackagePath), 0u);
  ExpectRemoved();
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--msi=", 6) == 0) packagePath = WindowsPath(argv[i] + 6);
    if (std::strncmp(argv[i], "--newer-msi=", 12) == 0) newerPackagePath = WindowsPath(argv[i] + 12);
  }
  if (packagePath.empty() || newerPackagePath.empty()) {
    std::fprintf(stderr, "usage: installer_tests --msi=<package> --newer-msi=<package>\n");
    return 2;
  }
  return RUN_ALL_TESTS();
}
