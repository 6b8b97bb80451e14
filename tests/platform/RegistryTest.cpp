#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/KilledWriter.h"
#include "tests/support/TempFolder.h"

namespace {

using omtest::readHostFile;

class RegistryTest : public ::testing::Test {
 protected:
  std::string queryDefault(const char* subKey)
  {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
      return "<no key>";
    std::string buffer(65536, '\0');
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD type = 0;
    const LONG result = RegQueryValueExA(key, nullptr, nullptr, &type,
                                         reinterpret_cast<LPBYTE>(buffer.data()), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return "<no value>";
    return buffer.substr(0, size - 1);
  }
  void setDefault(const char* subKey, const std::string& text)
  {
    HKEY key = nullptr;
    DWORD disposition = 0;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, &disposition),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  TempFolder temp;
  ScopedEnv file{"OM_REGISTRY", temp / "registry.txt"};
};

const char* const kMainExe = "SOFTWARE\\Bramblewick\\Marlovind\\MainExe";

}  // namespace

TEST_F(RegistryTest, SetUpWritesWhatTheProgramReadsBack)
{
  EXPECT_EQ(queryDefault(kMainExe), "<no key>");
  setDefault(kMainExe, "C:\\Programs\\Marlovind\\MARLO.EXE");
  EXPECT_EQ(queryDefault(kMainExe), "C:\\Programs\\Marlovind\\MARLO.EXE");
  // Keys ignore case, and parent keys exist once a child does.
  EXPECT_EQ(queryDefault("software\\BRAMBLEWICK\\marlovind\\mainexe"),
            "C:\\Programs\\Marlovind\\MARLO.EXE");
  EXPECT_EQ(queryDefault("SOFTWARE\\Bramblewick"), "<no value>");
  EXPECT_EQ(queryDefault("SOFTWARE\\Bramble"), "<no key>");

  // The file is text a person can read, with the spelling the key was made with.
  const std::string text = readHostFile(temp / "registry.txt");
  EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick\\Marlovind\\MainExe]"),
            std::string::npos);
  EXPECT_NE(text.find("@=\"C:\\\\Programs\\\\Marlovind\\\\MARLO.EXE\""), std::string::npos);
}

TEST_F(RegistryTest, ValuesRoundTripThroughTheFile)
{
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Test", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const std::string quoteful = "say \"hi\"\\ caf\xE9";
  RegSetValueExA(key, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>(quoteful.c_str()),
                 static_cast<DWORD>(quoteful.size() + 1));
  const DWORD number = 0xDEADBEEF;
  RegSetValueExA(key, "Number", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                 sizeof number);
  const BYTE blob[3] = {0, 1, 255};
  RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, sizeof blob);
  RegCloseKey(key);

  // Another process would read the file afresh: force a reload by switching files and back.
  {
    ScopedEnv other("OM_REGISTRY", temp / "other.txt");
    EXPECT_EQ(queryDefault(kMainExe), "<no key>");
  }
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "software\\test", 0, KEY_READ, &key), ERROR_SUCCESS);
  char text[64];
  DWORD size = sizeof text;
  DWORD type = 0;
  ASSERT_EQ(RegQueryValueExA(key, "TEXT", nullptr, &type, reinterpret_cast<LPBYTE>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(std::string(text), quoteful);
  EXPECT_EQ(size, quoteful.size() + 1);
  DWORD read = 0;
  size = sizeof read;
  ASSERT_EQ(RegQueryValueExA(key, "number", nullptr, &type, reinterpret_cast<LPBYTE>(&read), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(read, number);
  BYTE bytes[8] = {};
  size = sizeof bytes;
  ASSERT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, bytes, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(bytes[2], 255);

  // Size queries, short buffers and missing values.
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
  EXPECT_EQ(size, quoteful.size() + 1);
  size = 4;
  EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size),
            ERROR_MORE_DATA);
  EXPECT_EQ(size, quoteful.size() + 1);
  EXPECT_EQ(RegQueryValueExA(key, "Absent", nullptr, nullptr, nullptr, &size),
            ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegDeleteValueA(key, "Blob"), ERROR_SUCCESS);
  EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegCloseKey(key), ERROR_SUCCESS);
  EXPECT_EQ(RegCloseKey(key), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, nullptr, &size), ERROR_INVALID_HANDLE);
}

TEST_F(RegistryTest, AHandEditedFileIsReadAndBrokenLinesAreSkipped)
{
  temp.write("registry.txt",
             "; edited by hand\r\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick\\Marlovind\\MarlovinDir]\r\n"
             "@=\"D:\\\\MARLO\"\r\n"
             "\"Broken=\"unterminated\r\n"
             "\"Count\"=dword:zz\r\n"
             "\"Bytes\"=hex(3):01,0g,ff\r\n"
             "\"Text\"=hex(1):41,00,42\r\n"
             "garbage line\r\n"
             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Nul]\r\n" +
                 std::string("@=\"cut\0here\"\r\n", 14));
  // A text ends at its first terminator, also after a save and a fresh read.
  EXPECT_EQ(queryDefault("SOFTWARE\\Nul"), "cut");
  setDefault("SOFTWARE\\Other", "x");
  {
    ScopedEnv other("OM_REGISTRY", temp / "other.txt");
    EXPECT_EQ(queryDefault("SOFTWARE\\Nul"), "<no key>");
  }
  EXPECT_EQ(queryDefault("SOFTWARE\\Nul"), "cut");
  EXPECT_EQ(queryDefault("SOFTWARE\\Bramblewick\\Marlovind\\MarlovinDir"), "D:\\MARLO");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Bramblewick\\Marlovind\\MarlovinDir", 0,
                          KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "Count", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(RegQueryValueExA(key, "Bytes", nullptr, nullptr, nullptr, &size), ERROR_FILE_NOT_FOUND);
  char text[8] = {};
  size = sizeof text;
  EXPECT_EQ(RegQueryValueExA(key, "Text", nullptr, nullptr, reinterpret_cast<LPBYTE>(text), &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(text, size), std::string("A\0", 2));
  RegCloseKey(key);
}

// A writer killed at any moment leaves the old file or the new one, never a torn one.
TEST_F(RegistryTest, AKilledWriterLeavesAWholeFile)
{
  const std::string first(20000, 'a');
  const std::string second(30000, 'b');
  setDefault(kMainExe, first);
  for (int round = 0; round < 6; ++round) {
    ASSERT_TRUE(killWriterMidway([&](int i) { setDefault(kMainExe, i % 2 ? first : second); },
                                 3 + round * 4));
    ScopedEnv elsewhere("OM_REGISTRY", temp / "elsewhere.txt");
    queryDefault(kMainExe);  // drops what this process had read
    ::setenv("OM_REGISTRY", (temp / "registry.txt").c_str(), 1);
    const std::string value = queryDefault(kMainExe);
    ASSERT_TRUE(value == first || value == second) << "round " << round << ": " << value.size();
  }
}
