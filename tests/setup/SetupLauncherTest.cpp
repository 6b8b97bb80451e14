#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "setup/SetupLauncher.h"
#include "tests/support/TempFolder.h"

extern char** environ;

namespace {

struct LaunchResult {
  int exitCode = -1;
  std::string errors;
};

// Runs a copy of the launcher that lies at the root of the CD drive D:.
class SetupLauncherTest : public ::testing::Test {
 protected:
  void SetUp() override
  {
    cd = std::filesystem::canonical(temp.makeFolder("cd")).string();
    std::filesystem::copy_file(SETUP_PATH, cd + "/SETUP");
  }

  // Runs the launcher with the test's environment less the variables named.
  LaunchResult launch(std::vector<std::string> arguments,
                      const std::vector<std::string>& removed = {})
  {
    ScopedEnv drive("OM_DRIVE_D", cd);
    std::vector<char*> environment;
    for (char** variable = environ; *variable; ++variable) {
      const std::string entry = *variable;
      const std::string name = entry.substr(0, entry.find('='));
      if (std::find(removed.begin(), removed.end(), name) == removed.end())
        environment.push_back(*variable);
    }
    environment.push_back(nullptr);
    arguments.insert(arguments.begin(), cd + "/SETUP");
    std::vector<char*> argv;
    for (auto& argument : arguments)
      argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, (temp / "errors").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t child = 0;
    LaunchResult run;
    if (::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environment.data()) == 0) {
      int status = 0;
      ::waitpid(child, &status, 0);
      if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.errors = temp.read("errors");
    return run;
  }

  // What the installer wrote about itself, or "<nothing>" after ten seconds.
  std::string installerReport()
  {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
      if (std::filesystem::exists(temp / "report")) return temp.read("report");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return "<nothing>";
  }

  TempFolder temp;
  std::string cd;
};

TEST_F(SetupLauncherTest, StartsTheInstallerInItsFolderWithoutTheLaunchersArguments)
{
  // Written whole, then renamed, so that the test never reads half a line.
  const std::string installer =
      temp.write("cd/install/Vud/Setup32.exe",
                 "#!/bin/sh\necho \"$(pwd)|$#|$*\" > " + (temp / "partial") + " && mv " +
                     (temp / "partial") + " " + (temp / "report") + "\n");
  ::chmod(installer.c_str(), 0755);

  // As the tests run it (headless), and on a machine without any display: the launcher
  // makes no window, so it needs none.
  const std::vector<std::string> environments[] = {
      {}, {"DISPLAY", "WAYLAND_DISPLAY", "OM_HOST", "SDL_VIDEODRIVER"}};
  for (const std::vector<std::string>& removed : environments) {
    SCOPED_TRACE(removed.size());
    std::filesystem::remove(temp / "report");
    const LaunchResult run = launch({"/S", "second argument"}, removed);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(installerReport(), cd + "/install/Vud|0|\n");
  }
}

TEST_F(SetupLauncherTest, AMissingInstallerIsReportedAndAnswersZero)
{
  temp.makeFolder("cd/INSTALL/VUD");
  const LaunchResult run = launch({});
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.errors, "setup: cannot start D:\\INSTALL\\VUD\\SETUP32.EXE\n");
}

DWORD pathWithoutBackslash(HMODULE, LPSTR fileName, DWORD size)
{
  const char path[] = "SETUP.EXE";
  std::strncpy(fileName, path, size);
  return sizeof path - 1;
}

TEST(SetupLauncherSeamTest, AModulePathWithoutABackslashEndsSilently)
{
  const auto kept = setupModuleFileName;
  setupModuleFileName = pathWithoutBackslash;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(WinMain(GetModuleHandleA(nullptr), nullptr, nullptr, SW_SHOWNORMAL), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  setupModuleFileName = kept;
  EXPECT_TRUE(isSupportedWindows());
}

}  // namespace
