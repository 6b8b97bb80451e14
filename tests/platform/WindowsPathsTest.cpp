#include <gtest/gtest.h>

#include <direct.h>
#include <windows.h>

#include <cstdlib>
#include <filesystem>

#include "platform/src/kernel/Codepage.h"
#include "platform/src/kernel/WindowsPaths.h"
#include "tests/support/TempFolder.h"

using omwin::hostPathFor;
using omwin::windowsPathFor;

namespace {

class WindowsPathsTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    temp.write("Data/Scripts/Startup.mps", "x");
    temp.write("Data/Scripts/other.MPS", "y");
    temp.makeFolder("Data/Empty");
  }
  std::string hostOf(const std::string& windowsPath)
  {
    const auto mapped = hostPathFor(windowsPath);
    return mapped ? *mapped : std::string("<refused>");
  }

  TempFolder temp;
  ScopedEnv driveD{"OM_DRIVE_D", temp.path()};
};

}  // namespace

TEST_F(WindowsPathsTest, MixedCaseNamesAreFoundFromAnyCase)
{
  const std::string expected = temp / "Data/Scripts/Startup.mps";
  EXPECT_EQ(hostOf("D:\\Data\\Scripts\\Startup.mps"), expected);
  EXPECT_EQ(hostOf("D:\\DATA\\SCRIPTS\\STARTUP.MPS"), expected);
  EXPECT_EQ(hostOf("d:/data/scripts/startup.mps"), expected);
  EXPECT_EQ(hostOf("D:\\data\\Scripts/OTHER.mps"), temp / "Data/Scripts/other.MPS");
}

TEST_F(WindowsPathsTest, DotAndDotDotResolveAndStopAtTheDriveRoot)
{
  const std::string expected = temp / "Data/Scripts/Startup.mps";
  EXPECT_EQ(hostOf("D:\\data\\.\\empty\\..\\scripts\\startup.mps"), expected);
  // ".." above the root stays at the root: the drive cannot be left.
  EXPECT_EQ(hostOf("D:\\..\\..\\data\\scripts\\startup.mps"), expected);
  EXPECT_EQ(hostOf("D:\\"), temp.path());
}

TEST_F(WindowsPathsTest, MissingComponentsAreKeptAsGivenBelowTheLastMatch)
{
  EXPECT_EQ(hostOf("D:\\DATA\\New\\File.TXT"), temp / "Data/New/File.TXT");
  EXPECT_EQ(hostOf("D:\\data\\scripts\\NEW.mps"), temp / "Data/Scripts/NEW.mps");
}

TEST_F(WindowsPathsTest, NamesDifferingOnlyInCaseGiveTheFirstSortedEveryTime)
{
  temp.write("Data/Twin/readme.txt", "lower");
  temp.write("Data/Twin/README.TXT", "upper");
  temp.write("Data/Twin/ReadMe.txt", "mixed");
  // The exact name wins; otherwise the first in sorted (byte) order.
  EXPECT_EQ(hostOf("D:\\data\\twin\\ReadMe.txt"), temp / "Data/Twin/ReadMe.txt");
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(hostOf("D:\\data\\twin\\readMe.TXT"), temp / "Data/Twin/README.TXT");
}

TEST_F(WindowsPathsTest, UnmappedDrivesAndBadNamesAreRefused)
{
  ::unsetenv("OM_DRIVE_Q");
  SetLastError(0);
  EXPECT_FALSE(hostPathFor("Q:\\anything"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_READY));
  EXPECT_FALSE(hostPathFor(""));
  EXPECT_FALSE(hostPathFor("D:\\bad|name"));
  EXPECT_FALSE(hostPathFor("D:\\what?.txt"));
  EXPECT_FALSE(hostPathFor("\\\\server\\share\\file"));
  // A relative drive variable is no mapping.
  ScopedEnv relative("OM_DRIVE_R", "relative/folder");
  EXPECT_FALSE(hostPathFor("R:\\x"));
}

TEST_F(WindowsPathsTest, NamesLongerThanWindowsAllowsAreRefused)
{
  SetLastError(0);
  EXPECT_FALSE(hostPathFor("D:\\" + std::string(256, 'a')));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
  EXPECT_TRUE(hostPathFor("D:\\" + std::string(255, 'a')));
  // The whole path, too: 3 + 2 * 128 + ... reaches MAX_PATH.
  const std::string segment(127, 'b');
  EXPECT_FALSE(hostPathFor("D:\\" + segment + "\\" + segment + "\\x"));
  // Resolved relative paths count with the current folder prepended.
  ScopedCurrentFolder inside(temp.path());
  EXPECT_FALSE(hostPathFor(std::string(255, 'c') + "\\" + std::string(10, 'd')));
}

TEST_F(WindowsPathsTest, RelativeAndRootedPathsUseTheCurrentFolderOnC)
{
  ScopedCurrentFolder inside(temp / "Data");
  EXPECT_EQ(hostOf("scripts\\startup.mps"), temp / "Data/Scripts/Startup.mps");
  EXPECT_EQ(hostOf("C:scripts\\startup.mps"), temp / "Data/Scripts/Startup.mps");
  EXPECT_EQ(hostOf("..\\DATA\\Scripts\\startup.mps"), temp / "Data/Scripts/Startup.mps");
  EXPECT_EQ(hostOf("\\tmp"), std::string("/tmp"));
  EXPECT_EQ(hostOf("C:\\"), std::string("/"));
}

TEST_F(WindowsPathsTest, HostPathsGetTheirDriveBack)
{
  EXPECT_EQ(windowsPathFor(temp / "Data/Scripts"), "D:\\Data\\Scripts");
  EXPECT_EQ(windowsPathFor(temp.path()), "D:\\");
  EXPECT_EQ(windowsPathFor("/usr/lib"), "C:\\usr\\lib");
  // Round trip through the mapping.
  EXPECT_EQ(hostOf(windowsPathFor(temp / "Data/Scripts/Startup.mps")),
            temp / "Data/Scripts/Startup.mps");
}

TEST_F(WindowsPathsTest, HostNamesAreConvertedBetweenUtf8AndTheCodePage)
{
  temp.write("Data/Caf\xC3\xA9.txt", "x");  // "Café" in UTF-8
  EXPECT_EQ(hostOf("D:\\data\\CAF\xC9.TXT"), temp / "Data/Caf\xC3\xA9.txt");
  EXPECT_EQ(windowsPathFor(temp / "Data/Caf\xC3\xA9.txt"), "D:\\Data\\Caf\xE9.txt");
  EXPECT_EQ(omwin::cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
  EXPECT_EQ(omwin::utf8ToCp1252("\xE2\x82\xAC\xE4\xB8\xAD"), "\x80?");
  EXPECT_FALSE(omwin::utf8ToCp1252Exact("\xE4\xB8"));  // truncated sequence
}

TEST_F(WindowsPathsTest, CurrentFolderAnswersInWindowsForm)
{
  ScopedCurrentFolder inside(temp / "Data/Scripts");
  // The current folder's drive is always C:, even inside a mapped drive.
  const std::string expected = "C:" + [&] {
    std::string p = temp / "Data/Scripts";
    for (char& c : p)
      c = (c == '/') ? '\\' : c;
    return p;
  }();
  char buffer[1024];
  ASSERT_NE(_getcwd(buffer, sizeof buffer), nullptr);
  EXPECT_EQ(std::string(buffer), expected);
  EXPECT_EQ(_getcwd(buffer, 3), nullptr);  // too small
  char* allocated = _getcwd(nullptr, 0);
  ASSERT_NE(allocated, nullptr);
  EXPECT_EQ(std::string(allocated), expected);
  std::free(allocated);

  EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), expected.size());
  EXPECT_EQ(std::string(buffer), expected);
  EXPECT_EQ(GetCurrentDirectoryA(4, buffer), expected.size() + 1);
}

TEST_F(WindowsPathsTest, WindowsAndSystemFoldersArePerUserAndCreated)
{
  ScopedEnv windows("OM_WINDOWS_DIR", temp / "user/WINDOWS");
  char buffer[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer, length), "D:\\user\\WINDOWS");
  EXPECT_TRUE(std::filesystem::is_directory(temp / "user/WINDOWS"));
  GetSystemDirectoryA(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), "D:\\user\\WINDOWS\\SYSTEM");
  EXPECT_TRUE(std::filesystem::is_directory(temp / "user/WINDOWS/SYSTEM"));
  EXPECT_EQ(GetWindowsDirectoryA(buffer, 5), std::string("D:\\user\\WINDOWS").size() + 1);

  ::unsetenv("OM_WINDOWS_DIR");
  ScopedEnv xdg("XDG_DATA_HOME", temp / "xdg");
  GetWindowsDirectoryA(buffer, sizeof buffer);
  EXPECT_EQ(std::string(buffer), "D:\\xdg\\om\\WINDOWS");
}
