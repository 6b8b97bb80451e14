// How the program names a file it could not read or write: by its Windows path and by the
// host file behind it, once a run.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "assessment/src/FileReport.h"
#include "tests/support/TempFolder.h"

namespace {

TEST(FileReportTest, NamesTheHostFileBehindEachKindOfWindowsPath)
{
  TempFolder work;
  TempFolder cd;
  const std::string workHost = std::filesystem::canonical(work.path()).string();
  ScopedCurrentFolder inWork(workHost);
  ScopedEnv driveD("OM_DRIVE_D", cd.path() + "/");
  ::unsetenv("OM_DRIVE_Q");

  struct Row {
    std::string windowsPath;
    std::string hostPath;
  };
  const Row rows[] = {
      {"users\\users.dat", workHost + "/users/users.dat"},  // relative: the current folder
      {"C:\\tmp\\tovik.dat", "/tmp/tovik.dat"},             // C: is the host's root
      {"d:\\PRsc\\art.rsc", cd.path() + "/PRsc/art.rsc"},   // a mapped drive, any case
      {"Q:\\results.txt", "Q:\\results.txt"},               // no folder behind the drive
      {"MIXED\\case.dat", workHost + "/Mixed/Case.DAT"},    // as the disk spells them
      {"mixed\\NEW.DAT", workHost + "/Mixed/NEW.DAT"},      // a file not there yet
  };
  work.write("Mixed/Case.DAT", "");
  for (const Row& row : rows) {
    EXPECT_EQ(filereport::hostPathOf(row.windowsPath), row.hostPath) << row.windowsPath;
  }
  EXPECT_EQ(filereport::describe("users\\users.dat", "it is damaged", "It was kept as users.BAD."),
            "users\\users.dat (" + workHost + "/users/users.dat): it is damaged. It was kept as "
                                              "users.BAD.");
}

TEST(FileReportTest, SaysEachTextOnceARun)
{
  filereport::forgetReports();
  testing::internal::CaptureStderr();
  EXPECT_TRUE(filereport::report("C:\\a.dat", "it could not be saved", "Free some space."));
  EXPECT_FALSE(filereport::report("C:\\a.dat", "it could not be saved", "Free some space."));
  EXPECT_TRUE(filereport::report("C:\\b.dat", "it could not be saved", "Free some space."));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_EQ(said,
            "C:\\a.dat (/a.dat): it could not be saved. Free some space.\n"
            "C:\\b.dat (/b.dat): it could not be saved. Free some space.\n");
  filereport::forgetReports();
}

}  // namespace
