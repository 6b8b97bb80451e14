#include "game/MachineChecks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <direct.h>
#include <io.h>
#include <windows.h>

#include "framework/OMApp.h"
#include "framework/OMSystem.h"
#include "framework/OMWaveSound.h"
#include "game/RWorldPort.h"

namespace {

constexpr int kBufferSize = 1024;
// A folder leaves room in a path buffer for a separator and a file name.
constexpr int kFolderSize = kBufferSize - 32;
constexpr const char* kIniSection = "Velmora Trasko Adventures - CD";
constexpr const char* kIniName = "korvanix.INI";
constexpr int kWarningDialog = 129;
constexpr int kMessageControl = 101;
constexpr int kCheckBoxControl = 102;
constexpr int kLabelControl = 103;
constexpr unsigned long long kMinimumVirtualBytes = 8388608;
constexpr double kMinimumDiskBytes = 5242880.0;
constexpr int kMinimumDiskMegabytes = 5;

char iniPath[kBufferSize];
char dataDirectory[kBufferSize];
char dataDrive[2];
char cdRoot[kBufferSize];
char dataFilePath[kBufferSize];

MachineFacts platformFacts()
{
  MachineFacts facts;
  facts.processorType = [] {
    SYSTEM_INFO info{};
    GetSystemInfo(&info);
    return static_cast<unsigned>(info.dwProcessorType);
  };
  facts.availableVirtualBytes = [] {
    MEMORYSTATUS status{};
    status.dwLength = sizeof status;
    GlobalMemoryStatus(&status);
    return static_cast<unsigned long long>(status.dwAvailVirtual);
  };
  facts.openWaveOut = [] { return openWaveOut(1) != 0; };
  facts.screenSize = [](int& width, int& height) {
    const OMRect screen = getScreenRect(0);
    width = screen.right() - screen.left();
    height = screen.bottom() - screen.top();
  };
  facts.screenDepth = [] { return getScreenDepth(); };
  facts.directDrawLoadable = [] {
    HMODULE module = LoadLibraryA("DDRAW.DLL");
    if (!module) return false;
    FreeLibrary(module);
    return true;
  };
  facts.probeDirectDraw = [] { return probeDirectDraw(640, 480, 16); };
  facts.freeDiskBytes = [](const char* folder) {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    if (!GetDiskFreeSpaceA(folder, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
      return -1.0;
    return static_cast<double>(freeClusters) * bytesPerSector * sectorsPerCluster;
  };
  return facts;
}

MachineFacts facts = platformFacts();

bool isPresent(const char* path)
{
  struct _stat status {};
  return _stat(path, &status) == 0;
}

bool isWritable(const char* path)
{
  struct _stat status {};
  return _stat(path, &status) == 0 && (status.st_mode & _S_IWRITE) != 0;
}

void copyText(char* out, const char* text)
{
  std::snprintf(out, kBufferSize, "%s", text);
}

int settingNumber(const char* key)
{
  char value[kBufferSize];
  readSetting(key, value);
  return std::atoi(value);
}

struct WarningContext {
  const char* message;
  const char* label;
  const char* flagName;
};

INT_PTR CALLBACK warningProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
  auto* context = reinterpret_cast<WarningContext*>(GetWindowLongPtrA(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      context = reinterpret_cast<WarningContext*>(lParam);
      SetWindowLongPtrA(dialog, DWLP_USER, lParam);
      SetDlgItemTextA(dialog, kMessageControl, context->message);
      SetDlgItemTextA(dialog, kLabelControl, context->label);
      return TRUE;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if (id != IDOK && id != IDCANCEL) return FALSE;
      if (context && IsDlgButtonChecked(dialog, kCheckBoxControl) == BST_CHECKED)
        RWorldPort::setGlobalFieldText(context->flagName, "0");
      EndDialog(dialog, id);
      return TRUE;
    }
    default:
      return FALSE;
  }
}

bool fatal(int id)
{
  showTextResourceError(id);
  return false;
}

bool displayCheck(int& mode)
{
  if (settingNumber("UseDirectDraw") != 0) {
    if (facts.directDrawLoadable()) {
      if (facts.probeDirectDraw()) {
        selectDirectDrawDisplay();
        mode = settingNumber("DisplayFullScreen") != 0 ? 5 : 3;
        return true;
      }
      if (!showWarning(1001, 1027, "informDirectDrawSwitchFailedWarning")) return false;
    } else if (!showWarning(1002, 1027, "informDirectDrawNotFoundWarning")) {
      return false;
    }
    selectWindowedDisplay();
    mode = 3;
    return true;
  }
  int width = 0, height = 0;
  facts.screenSize(width, height);
  if (width < 640 || height < 480) return fatal(1016);
  if ((width != 640 || height != 480) && !showWarning(1015, 1027, "informResolutionWarning"))
    return false;
  const int depth = facts.screenDepth();
  if (depth < 16) return fatal(1018);
  if (depth > 16 && !showWarning(1017, 1027, "informColorsWarning")) return false;
  selectWindowedDisplay();
  mode = 3;
  return true;
}

bool diskCheck()
{
  // The free space of the data directory's own file system; unreadable space passes.
  const double available = facts.freeDiskBytes(getDataDirectory());
  if (available < 0 || available >= kMinimumDiskBytes) return true;
  const char drive[2] = {getDataDrive()[0], 0};
  char pieces[4][kBufferSize];
  for (int i = 0; i < 4; ++i)
    loadTextResource(1022 + i, pieces[i]);
  std::string text = pieces[0];
  text += drive;
  text += pieces[1];
  text += std::to_string(kMinimumDiskMegabytes);
  text += pieces[2];
  text += drive;
  text += pieces[3];
  showFatalMessage(text.c_str());
  return false;
}

}  // namespace

MachineFacts& machineFacts()
{
  return facts;
}

void resetMachineFacts()
{
  facts = platformFacts();
}

bool checkMachine(int& mode)
{
  if (facts.processorType() == PROCESSOR_INTEL_386) return fatal(1010);
  if (facts.availableVirtualBytes() < kMinimumVirtualBytes) return fatal(1020);
  if (!facts.openWaveOut()) return fatal(1019);
  int chosen = 3;
  if (!displayCheck(chosen)) return false;
  if (!diskCheck()) return false;
  mode = chosen;
  return true;
}

bool showWarning(int messageId, int checkBoxTextId, const char* flagName)
{
  char message[kBufferSize];
  char label[kBufferSize];
  loadTextResource(messageId, message);
  loadTextResource(checkBoxTextId, label);
  char flag[kBufferSize] = "1";
  RWorldPort::getGlobalFieldText(flagName, flag);
  if (std::atoi(flag) == 0) return true;
  WarningContext context{message, label, flagName};
  const INT_PTR result = DialogBoxParamA(OMApp::programInstance(), MAKEINTRESOURCEA(kWarningDialog),
                                         nullptr, &warningProc, reinterpret_cast<LPARAM>(&context));
  return result == IDOK;
}

void showFatalMessage(const char* text)
{
  MessageBoxA(nullptr, text, nullptr, MB_ICONHAND);
}

void showTextResourceError(int id)
{
  char text[kBufferSize];
  loadTextResource(id, text);
  showFatalMessage(text);
}

void loadTextResource(int id, char* out)
{
  HINSTANCE instance = OMApp::programInstance();
  HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(id), "TEXT");
  if (!found) {
    std::snprintf(out, kBufferSize, "TEXT resource %d not found.", id);
    return;
  }
  HGLOBAL loaded = LoadResource(instance, found);
  const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!text) {
    std::snprintf(out, kBufferSize, "TEXT resource %d not loaded.", id);
    return;
  }
  // The resource need not hold its terminator within its size; copy no further than it.
  const DWORD size = SizeofResource(instance, found);
  std::size_t length = 0;
  while (length < size && length < kBufferSize - 1 && text[length] != 0)
    ++length;
  std::memcpy(out, text, length);
  out[length] = 0;
}

void readSetting(const char* key, char* out)
{
  if (iniPath[0] == 0) {
    char current[kFolderSize] = "";
    if (!_getcwd(current, kFolderSize)) current[0] = 0;
    std::snprintf(iniPath, kBufferSize, "%s\\%s", current, kIniName);
  }
  GetPrivateProfileStringA(kIniSection, key, "", out, kBufferSize, iniPath);
}

const char* getCDRoot()
{
  if (cdRoot[0] == 0) {
    readSetting("CDDrive", cdRoot);
    if (cdRoot[0] == 0) copyText(cdRoot, "D:\\");
  }
  return cdRoot;
}

const char* getDataDirectory()
{
  if (dataDirectory[0] == 0) {
    char current[kFolderSize] = "";
    if (!_getcwd(current, kFolderSize)) current[0] = 0;
    char ini[kBufferSize];
    std::snprintf(ini, kBufferSize, "%s\\%s", current, kIniName);
    const bool hasIni = isPresent(ini);
    // The data file is saved through a temporary file beside it: the folder must take files.
    const bool writable = hasIni && isWritable(ini) && isWritable(current);
    if (writable) {
      std::snprintf(dataDirectory, kBufferSize, "%s\\", current);
    } else {
      char windows[kFolderSize] = "";
      GetWindowsDirectoryA(windows, kFolderSize);
      std::snprintf(dataDirectory, kBufferSize, "%s\\", windows);
      if (hasIni)
        std::fprintf(stderr, "The work folder %s is read-only: KORVANIX.DAT is kept in %s\n",
                     current, dataDirectory);
    }
  }
  return dataDirectory;
}

const char* getDataDrive()
{
  if (dataDrive[0] == 0) dataDrive[0] = getDataDirectory()[0];
  return dataDrive;
}

const char* getDataFilePath()
{
  if (dataFilePath[0] == 0)
    std::snprintf(dataFilePath, kBufferSize, "%sKORVANIX.DAT", getDataDirectory());
  return dataFilePath;
}

void selectDirectDrawDisplay()
{
  OMApp::useDirectDrawDrawing();
}

void selectWindowedDisplay()
{
  OMApp::useGdiDrawing();
}

int randomExcept(int n, int excluded)
{
  if (n < 1) return 0;
  const int r = std::rand() % n;
  return r == excluded ? (r + 1) % n : r;
}

void resetShellSettings()
{
  iniPath[0] = dataDirectory[0] = dataDrive[0] = cdRoot[0] = dataFilePath[0] = 0;
}
