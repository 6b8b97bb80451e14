#include <gtest/gtest.h>

#include <direct.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "game/MachineChecks.h"
#include "tests/game/WorldTestSupport.h"
#include "tests/support/AppTestSupport.h"

namespace {

std::string text(int id)
{
  char buffer[1024];
  loadTextResource(id, buffer);
  return buffer;
}

struct Machine {
  unsigned processor = PROCESSOR_INTEL_PENTIUM;
  unsigned long long virtualBytes = 1ull << 30;
  bool waveOut = true;
  int width = 640, height = 480, depth = 16;
  bool ddrawLoadable = true, ddrawProbe = true;
  double diskBytes = 1e9;
};

// The machine facts replaced, a fresh headless session, the world port's flags, and a
// current folder holding the INI file.
class MachineCheckTest : public worldtest::WorldTest {
 protected:
  MachineCheckTest() : host(omtest::startAppSession()) {}
  ~MachineCheckTest() override
  {
    resetMachineFacts();
    resetShellSettings();
    selectWindowedDisplay();
  }

  void use(const Machine& machine)
  {
    current = machine;
    MachineFacts& facts = machineFacts();
    facts.processorType = [this] { return current.processor; };
    facts.availableVirtualBytes = [this] { return current.virtualBytes; };
    facts.openWaveOut = [this] { return current.waveOut; };
    facts.screenSize = [this](int& w, int& h) {
      w = current.width;
      h = current.height;
    };
    facts.screenDepth = [this] { return current.depth; };
    facts.directDrawLoadable = [this] { return current.ddrawLoadable; };
    facts.probeDirectDraw = [this] { return current.ddrawProbe; };
    facts.freeDiskBytes = [this](const char*) { return current.diskBytes; };
  }

  void writeIni(const std::string& settings)
  {
    work.write("korvanix.INI", "[Velmora Trasko Adventures - CD]\n" + settings);
    resetShellSettings();
  }

  std::vector<std::string> boxes() const
  {
    std::vector<std::string> out;
    for (const auto& box : host.messageBoxes())
      out.push_back(box.text);
    return out;
  }
  // The message each warning dialog showed, in order.
  std::vector<std::string> warnings() const
  {
    std::vector<std::string> out;
    for (const auto& dialog : host.dialogs()) {
      if (dialog.messageBox) continue;
      for (const auto& [id, shown] : dialog.controls)
        if (id == 101) out.push_back(shown);
    }
    return out;
  }

  omhost::HeadlessHost& host;
  Machine current;
  TempFolder work;
  ScopedCurrentFolder inWork{work.path()};
};

TEST_F(MachineCheckTest, EachFactLeadsToItsMessageWarningAndMode)
{
  Machine big;
  big.width = 1024;
  big.height = 768;
  Machine deep;
  deep.depth = 32;
  Machine shallow;
  shallow.depth = 8;
  Machine small;
  small.width = 600;
  small.height = 400;
  Machine oldCpu;
  oldCpu.processor = PROCESSOR_INTEL_386;
  Machine lowMemory;
  lowMemory.virtualBytes = 8388607;
  Machine silent;
  silent.waveOut = false;
  Machine noDirectDraw = small;
  noDirectDraw.ddrawLoadable = false;
  Machine directDrawFails = shallow;
  directDrawFails.ddrawProbe = false;
  Machine fullScreen = small;
  fullScreen.depth = 8;

  struct Case {
    const char* name;
    Machine machine;
    const char* ini;
    std::vector<int> answers;  // dialog answers, in order
    bool passes;
    int mode;
    std::vector<int> boxIds;
    std::vector<int> warningIds;
    bool directDraw;
  };
  const Case cases[] = {
      {"plain", Machine{}, "", {}, true, 3, {}, {}, false},
      {"386", oldCpu, "", {}, false, -1, {1010}, {}, false},
      {"memory", lowMemory, "", {}, false, -1, {1020}, {}, false},
      {"wave-out", silent, "", {}, false, -1, {1019}, {}, false},
      {"large, continue", big, "", {IDOK}, true, 3, {}, {1015}, false},
      {"large, quit", big, "", {IDCANCEL}, false, -1, {}, {1015}, false},
      {"deep", deep, "", {IDOK}, true, 3, {}, {1017}, false},
      {"shallow", shallow, "", {}, false, -1, {1018}, {}, false},
      {"small", small, "", {}, false, -1, {1016}, {}, false},
      {"no DirectDraw", noDirectDraw, "UseDirectDraw=1\n", {IDOK}, true, 3, {}, {1002}, false},
      {"no switch", directDrawFails, "UseDirectDraw=1\n", {IDOK}, true, 3, {}, {1001}, false},
      {"full screen",
       fullScreen,
       "UseDirectDraw=1\nDisplayFullScreen=1\n",
       {},
       true,
       5,
       {},
       {},
       true},
      {"DirectDraw window", fullScreen, "UseDirectDraw=7\n", {}, true, 3, {}, {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host.clearMessageBoxes();
    const std::size_t warningsBefore = warnings().size();
    writeIni(c.ini);
    use(c.machine);
    for (int answer : c.answers)
      host.queueDialogAnswer(answer);
    int mode = -1;
    EXPECT_EQ(checkMachine(mode), c.passes);
    EXPECT_EQ(mode, c.mode);
    std::vector<std::string> wantedBoxes, wantedWarnings;
    for (int id : c.boxIds)
      wantedBoxes.push_back(text(id));
    for (int id : c.warningIds)
      wantedWarnings.push_back(text(id));
    EXPECT_EQ(boxes(), wantedBoxes);
    std::vector<std::string> shown = warnings();
    shown.erase(shown.begin(), shown.begin() + static_cast<long>(warningsBefore));
    EXPECT_EQ(shown, wantedWarnings);
    EXPECT_EQ(OMApp::isDirectDrawWanted(), c.directDraw);
    selectWindowedDisplay();
  }
}

TEST_F(MachineCheckTest, TheWarningDialogShowsItsTextsAndATickSwitchesItOffForGood)
{
  Machine big;
  big.width = 1024;
  big.height = 768;
  use(big);
  writeIni("");
  // Ticked, then Quit: refused, and the flag goes to "0" all the same.
  host.queueDialogAnswer(102);
  host.queueDialogAnswer(IDCANCEL);
  int mode = -1;
  EXPECT_FALSE(checkMachine(mode));
  ASSERT_EQ(host.dialogs().size(), 1u);
  const omhost::DialogRecord& dialog = host.dialogs()[0];
  EXPECT_EQ(dialog.caption, "Velmora Trasko Adventures");
  std::vector<std::pair<int, std::string>> wanted = {
      {1, "Continue"},
      {2, "Quit"},
      {101, text(1015)},
      {102, ""},
      {103, "Check here to keep this message from reappearing."}};
  EXPECT_EQ(dialog.controls, wanted);
  char flag[1024] = "";
  RWorldPort::getGlobalFieldText("informResolutionWarning", flag);
  EXPECT_STREQ(flag, "0");

  // Saved with the data file, and never shown again after a restart.
  session.restart();
  EXPECT_TRUE(checkMachine(mode));
  EXPECT_EQ(mode, 3);
  EXPECT_EQ(host.dialogs().size(), 1u);
  // The other warnings keep their own flags.
  Machine deep;
  deep.depth = 24;
  use(deep);
  host.queueDialogAnswer(IDOK);
  EXPECT_TRUE(checkMachine(mode));
  EXPECT_EQ(host.dialogs().size(), 2u);
}

TEST_F(MachineCheckTest, LowDiskSpaceNamesTheDataDrive)
{
  Machine full;
  full.diskBytes = 5242879;
  use(full);
  writeIni("");
  int mode = 9;
  EXPECT_FALSE(checkMachine(mode));
  EXPECT_EQ(mode, 9);
  const std::string drive(1, getDataDirectory()[0]);
  EXPECT_EQ(boxes(), std::vector<std::string>{"There is not enough space on Drive " + drive +
                                              " to run Velmora Trasko Adventures.  Please make "
                                              "sure that at least 5MB are free on Drive " +
                                              drive + " and restart the program."});
  // Exactly 5 MB passes, and so does space that cannot be read.
  host.clearMessageBoxes();
  for (double bytes : {5242880.0, -1.0}) {
    current.diskBytes = bytes;
    EXPECT_TRUE(checkMachine(mode));
  }
  EXPECT_TRUE(boxes().empty());
}

TEST_F(MachineCheckTest, SettingsAndFoldersComeFromTheIniFile)
{
  TempFolder windows;
  ScopedEnv windowsFolder("OM_WINDOWS_DIR", windows.path());
  char current[1024];
  ASSERT_NE(_getcwd(current, sizeof current), nullptr);
  char windowsPath[1024];
  GetWindowsDirectoryA(windowsPath, sizeof windowsPath);
  const std::string here = std::string(current) + "\\";
  const std::string elsewhere = std::string(windowsPath) + "\\";

  struct Case {
    const char* name;
    std::optional<std::string> ini;  // none: no file
    bool readOnly;
    std::string cdRoot;
    std::string dataDirectory;
  };
  const Case cases[] = {
      {"writable", "CDDrive=E:\\CD\\\n", false, "E:\\CD\\", here},
      {"read-only", "CDDrive=E:\\\n", true, "E:\\", elsewhere},
      {"missing", std::nullopt, false, "D:\\", elsewhere},
      {"empty drive", "CDDrive=\nUseDirectDraw=\n", false, "D:\\", here},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string ini = work / "korvanix.INI";
    ::chmod(ini.c_str(), 0644);
    std::filesystem::remove(ini);
    if (c.ini) writeIni(*c.ini);
    if (c.readOnly) {
      ::chmod(ini.c_str(), 0444);
      // With an administrator's rights the platform reports every file writable.
      if (::access(ini.c_str(), W_OK) == 0) continue;
    }
    resetShellSettings();
    EXPECT_EQ(getCDRoot(), c.cdRoot);
    EXPECT_EQ(getDataDirectory(), c.dataDirectory);
    EXPECT_EQ(getDataDrive(), c.dataDirectory.substr(0, 1));
    EXPECT_EQ(getDataFilePath(), c.dataDirectory + "KORVANIX.DAT");
    char value[1024];
    readSetting("UseDirectDraw", value);
    EXPECT_STREQ(value, "");
  }
  // Filled once: a later change of folder changes nothing.
  const std::string before = getDataDirectory();
  ScopedCurrentFolder away(windows.path());
  EXPECT_EQ(getDataDirectory(), before);
  ::chmod((work / "korvanix.INI").c_str(), 0644);
}

// A work folder that takes no files sends the data file to the Windows folder, and standard
// error says where, once. Administrators write anywhere: the check then runs as nobody.
TEST_F(MachineCheckTest, AReadOnlyWorkFolderSendsTheDataFileToTheWindowsFolder)
{
  TempFolder windows;
  ScopedEnv windowsFolder("OM_WINDOWS_DIR", windows.path());
  char windowsPath[1024];
  GetWindowsDirectoryA(windowsPath, sizeof windowsPath);
  char current[1024];
  ASSERT_NE(_getcwd(current, sizeof current), nullptr);
  writeIni("");
  ::chmod((work / "korvanix.INI").c_str(), 0666);
  ::chmod(windows.path().c_str(), 0777);
  ::chmod(work.path().c_str(), 0555);
  const std::string said = windows / "said.txt";
  const pid_t child = ::fork();
  if (child == 0) {
    const bool unprivileged = ::geteuid() != 0 || ::setuid(65534) == 0;
    if (!unprivileged || !std::freopen(said.c_str(), "w", stderr)) ::_exit(2);
    resetShellSettings();
    const std::string first = getDataFilePath();
    const bool same = getDataDirectory() + std::string("KORVANIX.DAT") == first;
    std::fprintf(stderr, "path %s\n", first.c_str());
    std::fflush(stderr);
    ::_exit(same ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ::chmod(work.path().c_str(), 0755);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  const std::string elsewhere = std::string(windowsPath) + "\\";
  EXPECT_EQ(windows.read("said.txt"), "The work folder " + std::string(current) +
                                          " is read-only: KORVANIX.DAT is kept in " + elsewhere +
                                          "\npath " + elsewhere + "KORVANIX.DAT\n");
}

TEST(TextResourceTest, MissingTextsSayWhichOneAndRandomExceptStaysInRange)
{
  EXPECT_EQ(text(1099), "TEXT resource 1099 not found.");
  EXPECT_EQ(text(1010), "Velmora Trasko Adventures requires at least a 486 to run.");
  // Double blanks are kept.
  EXPECT_NE(text(1020).find("Adventures.  Quit"), std::string::npos);

  EXPECT_EQ(randomExcept(0, -1), 0);
  EXPECT_EQ(randomExcept(-4, 0), 0);
  for (int i = 0; i < 50; ++i)
    EXPECT_EQ(randomExcept(1, 0), 0);
  std::set<int> seen;
  for (int i = 0; i < 2000; ++i) {
    const int r = randomExcept(5, 2);
    ASSERT_GE(r, 0);
    ASSERT_LT(r, 5);
    seen.insert(r);
  }
  EXPECT_EQ(seen, (std::set<int>{0, 1, 3, 4}));
}

}  // namespace
