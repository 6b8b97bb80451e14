#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "tests/support/TempFolder.h"

namespace {

constexpr UINT kShow = 5;
constexpr INT kShowNormal = 1;

class ProgramStartTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    ASSERT_EQ(::mkfifo((temp / "report").c_str(), 0600), 0);
    // The started program writes its folder and arguments into the pipe.
    const std::string script = temp.write(
        "Install/VUD/Run.sh", "#!/bin/sh\necho \"$(pwd) $*\" > " + (temp / "report") + "\n");
    ::chmod(script.c_str(), 0755);
  }
  // What the started program reported, or "<nothing>" after ten seconds.
  std::string report()
  {
    const int fd = ::open((temp / "report").c_str(), O_RDONLY | O_NONBLOCK);
    std::string text;
    pollfd wait{fd, POLLIN, 0};
    while (::poll(&wait, 1, 10000) > 0) {
      char buffer[256];
      const ssize_t count = ::read(fd, buffer, sizeof buffer);
      if (count <= 0) break;
      text.append(buffer, static_cast<std::size_t>(count));
      if (text.back() == '\n') break;
    }
    ::close(fd);
    return text.empty() ? "<nothing>" : text;
  }

  TempFolder temp;
  ScopedEnv drive{"OM_DRIVE_H", temp.path()};
};

}  // namespace

TEST_F(ProgramStartTest, WinExecStartsAHostProgramWithItsArguments)
{
  EXPECT_GT(WinExec("H:\\install\\vud\\RUN.SH first \"second word\"", kShow), 32u);
  const std::string text = report();
  EXPECT_NE(text.find("first second word"), std::string::npos) << text;
}

TEST_F(ProgramStartTest, ShellExecuteRunsTheFileInTheWorkingFolder)
{
  const HINSTANCE result =
      ShellExecuteA(nullptr, nullptr, "run.sh", "", "H:\\INSTALL\\vud", kShowNormal);
  EXPECT_GT(reinterpret_cast<std::uintptr_t>(result), 32u);
  EXPECT_EQ(report(), std::filesystem::canonical(temp / "Install/VUD").string() + " \n");
}

TEST_F(ProgramStartTest, FailuresAnswerWindowsErrorValues)
{
  EXPECT_EQ(WinExec("H:\\missing.exe", kShow), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(WinExec("", kShow), static_cast<UINT>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(WinExec("Q:\\unmapped.exe", kShow), static_cast<UINT>(ERROR_PATH_NOT_FOUND));
  // Neither executable nor a Windows program.
  temp.write("notes.txt", "hello");
  EXPECT_EQ(WinExec("H:\\notes.txt", kShow), static_cast<UINT>(ERROR_BAD_FORMAT));
  EXPECT_LE(reinterpret_cast<std::uintptr_t>(
                ShellExecuteA(nullptr, nullptr, "SETUP32.EXE", "", "H:\\install\\vud", 1)),
            32u);
}

TEST_F(ProgramStartTest, WindowsProgramsNeedWine)
{
  temp.write("Prog.exe", "MZ\x90");
  ScopedEnv noWine("PATH", temp / "nowhere");
  EXPECT_EQ(WinExec("H:\\prog.exe", kShow), static_cast<UINT>(ERROR_BAD_FORMAT));
}

TEST(HelpAndDialogsTest, HelpIsLoggedAndDialogsAnswerCancelled)
{
  ::testing::internal::CaptureStderr();
  EXPECT_TRUE(WinHelpA(nullptr, "Tovik.HLP", HELP_KEY, reinterpret_cast<ULONG_PTR>("Main Menu")));
  EXPECT_TRUE(WinHelpA(nullptr, "winhelp.hlp", HELP_CONTENTS, 0));
  const std::string logged = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(logged.find("Tovik.HLP"), std::string::npos);
  EXPECT_NE(logged.find("Main Menu"), std::string::npos);
  EXPECT_NE(logged.find("winhelp.hlp"), std::string::npos);

  char file[128] = "*.mps";
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.lpstrFile = file;
  dialog.nMaxFile = sizeof file;
  dialog.lpstrTitle = "Script";
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  EXPECT_FALSE(GetOpenFileNameA(&dialog));
  EXPECT_FALSE(GetSaveFileNameA(&dialog));
  EXPECT_EQ(CommDlgExtendedError(), 0u);
}
