#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/KilledWriter.h"
#include "tests/support/TempFolder.h"

namespace {

using omtest::readHostFile;

class ProfileFilesTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    temp.write("Game/korvanix.INI",
               "; settings\r\n"
               "[Velmora Trasko Adventures - CD]\r\n"
               "UseDirectDraw = 0\r\n"
               "CDDrive=\"E:\\\"\r\n"
               "Volume=  75 percent\r\n"
               "\r\n"
               "[Other]\r\n"
               "UseDirectDraw=1\r\n");
  }
  std::string get(const char* section, const char* key, const char* fallback = "")
  {
    char buffer[1024];
    GetPrivateProfileStringA(section, key, fallback, buffer, sizeof buffer,
                             "G:\\game\\KORVANIX.ini");
    return buffer;
  }

  TempFolder temp;
  ScopedEnv drive{"OM_DRIVE_G", temp.path()};
  ScopedEnv windows{"OM_WINDOWS_DIR", temp / "WINDOWS"};
  const char* section = "Velmora Trasko Adventures - CD";
};

}  // namespace

TEST_F(ProfileFilesTest, ReadsSectionsAndKeysWithoutRegardToCase)
{
  EXPECT_EQ(get(section, "UseDirectDraw"), "0");
  EXPECT_EQ(get("velmora trasko adventures - cd", "usedirectdraw"), "0");
  EXPECT_EQ(get(section, "CDDrive"), "E:\\");  // the quotes are not part of the value
  EXPECT_EQ(get(section, "DisplayFullScreen", "0"), "0");
  EXPECT_EQ(get(section, "Missing", "fallback  "), "fallback");
  EXPECT_EQ(get("Other", "UseDirectDraw"), "1");
  EXPECT_EQ(GetPrivateProfileIntA(section, "Volume", 5, "G:\\game\\korvanix.ini"), 75u);
  EXPECT_EQ(GetPrivateProfileIntA(section, "Missing", 5, "G:\\game\\korvanix.ini"), 5u);
  EXPECT_EQ(GetPrivateProfileIntA(section, "CDDrive", 5, "G:\\game\\korvanix.ini"), 0u);

  char small[4];
  EXPECT_EQ(GetPrivateProfileStringA(section, "CDDrive", "", small, 2, "G:\\game\\korvanix.ini"),
            1u);
  EXPECT_STREQ(small, "E");
  // A missing file answers the default.
  char buffer[16];
  EXPECT_EQ(GetPrivateProfileStringA(section, "x", "0", buffer, sizeof buffer, "G:\\none.ini"), 1u);
  EXPECT_STREQ(buffer, "0");
}

TEST_F(ProfileFilesTest, ListsSectionAndKeyNames)
{
  char buffer[256];
  const DWORD length = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer,
                                                "G:\\game\\korvanix.ini");
  EXPECT_EQ(std::string(buffer, length), std::string(section) + '\0' + "Other" + '\0');
  const DWORD keys = GetPrivateProfileStringA(section, nullptr, "", buffer, sizeof buffer,
                                              "G:\\game\\korvanix.ini");
  EXPECT_EQ(std::string(buffer, keys), std::string("UseDirectDraw\0CDDrive\0Volume\0", 29));
  // Cut short: the answer is size - 2 and the list still ends with two terminators.
  EXPECT_EQ(GetPrivateProfileStringA(section, nullptr, "", buffer, 10, "G:\\game\\korvanix.ini"),
            8u);
  EXPECT_EQ(buffer[8], '\0');
  EXPECT_EQ(buffer[9], '\0');
}

// Every buffer size, also where one name fills the buffer exactly and another follows: the
// list stays inside the buffer and ends with two terminators.
TEST_F(ProfileFilesTest, NameListsCutShortStayInsideTheBuffer)
{
  temp.write("short.ini", "[ab]\n[c]\nk=1\nlong=2\n");
  const std::string sections("ab\0c\0", 5);
  const std::string keys("k\0long\0", 7);
  for (const auto& [section, full] : {std::pair<const char*, std::string>{nullptr, sections},
                                      std::pair<const char*, std::string>{"c", keys}}) {
    for (DWORD size = 2; size <= full.size() + 2; ++size) {
      SCOPED_TRACE(size);
      std::string buffer(size + 8, '#');
      const DWORD length =
          GetPrivateProfileStringA(section, nullptr, "", buffer.data(), size, "G:\\short.ini");
      EXPECT_EQ(buffer.substr(size), std::string(8, '#'));
      if (size > full.size()) {
        EXPECT_EQ(buffer.substr(0, length + 1), full + '\0');
        continue;
      }
      EXPECT_EQ(length, size - 2);
      EXPECT_EQ(buffer.substr(size - 2, 2), std::string(2, '\0'));
      EXPECT_EQ(buffer.substr(0, size - 2), full.substr(0, size - 2));
    }
  }
}

TEST_F(ProfileFilesTest, WritesKeepTheRestOfTheFile)
{
  const char* file = "G:\\GAME\\korvanix.ini";
  EXPECT_TRUE(WritePrivateProfileStringA(section, "usedirectdraw", "1", file));
  EXPECT_TRUE(WritePrivateProfileStringA(section, "NewKey", "new", file));
  EXPECT_TRUE(WritePrivateProfileStringA("Fresh", "a", "b", file));
  EXPECT_TRUE(WritePrivateProfileStringA("Other", nullptr, nullptr, file));
  EXPECT_TRUE(WritePrivateProfileStringA(section, "Volume", nullptr, file));
  EXPECT_EQ(readHostFile(temp / "Game/korvanix.INI"),
            "; settings\r\n"
            "[Velmora Trasko Adventures - CD]\r\n"
            "usedirectdraw=1\r\n"
            "CDDrive=\"E:\\\"\r\n"
            "NewKey=new\r\n"
            "\r\n"
            "[Fresh]\r\n"
            "a=b\r\n");
  EXPECT_EQ(get(section, "UseDirectDraw"), "1");
  EXPECT_EQ(get("fresh", "A"), "b");
  EXPECT_EQ(get("Other", "UseDirectDraw", "gone"), "gone");
  EXPECT_FALSE(WritePrivateProfileStringA(nullptr, "a", "b", file));
}

TEST_F(ProfileFilesTest, WinIniLivesInTheWindowsFolder)
{
  EXPECT_TRUE(WriteProfileStringA("windows", "device", "PDF,pdf,FILE:"));
  EXPECT_EQ(readHostFile(temp / "WINDOWS/WIN.INI"), "[windows]\r\ndevice=PDF,pdf,FILE:\r\n");
  char buffer[80];
  GetProfileStringA("Windows", "Device", ",,,", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, "PDF,pdf,FILE:");
  GetProfileStringA("windows", "other", ",,,", buffer, sizeof buffer);
  EXPECT_STREQ(buffer, ",,,");
}

TEST_F(ProfileFilesTest, AKilledWriterLeavesAWholeFile)
{
  const std::string first(20000, 'a');
  const std::string second(30000, 'b');
  const char* file = "G:\\game\\crash.ini";
  ASSERT_TRUE(WritePrivateProfileStringA("S", "k", first.c_str(), file));
  for (int round = 0; round < 6; ++round) {
    ASSERT_TRUE(killWriterMidway(
        [&](int i) {
          WritePrivateProfileStringA("S", "k", (i % 2 ? first : second).c_str(), file);
        },
        3 + round * 4));
    const std::string text = readHostFile(temp / "Game/crash.ini");
    ASSERT_TRUE(text == "[S]\r\nk=" + first + "\r\n" || text == "[S]\r\nk=" + second + "\r\n")
        << "round " << round << ": " << text.size();
  }
}
