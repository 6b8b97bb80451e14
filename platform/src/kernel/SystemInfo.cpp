// Disk space, memory, processor and version answers. The version is that of a Windows 9x
// system (platform 1), which every program accepts.
#include <direct.h>
#include <sys/resource.h>
#include <sys/statvfs.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>

#include <windows.h>

#include "platform/src/kernel/LastError.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace {

constexpr unsigned kBytesPerSector = 512;

struct DiskGeometry {
  unsigned sectorsPerCluster = 1;
  unsigned totalClusters = 0;
  unsigned availableClusters = 0;
};

// Cluster counts are 32-bit: large disks get larger clusters, as on FAT32.
bool diskGeometry(const std::string& hostFolder, DiskGeometry& geometry)
{
  struct statvfs info;
  if (::statvfs(hostFolder.c_str(), &info) != 0) return false;
  const std::uint64_t blockBytes = info.f_frsize ? info.f_frsize : info.f_bsize;
  std::uint64_t sectorsPerCluster = std::max<std::uint64_t>(1, blockBytes / kBytesPerSector);
  const std::uint64_t totalBytes = static_cast<std::uint64_t>(info.f_blocks) * blockBytes;
  const std::uint64_t freeBytes = static_cast<std::uint64_t>(info.f_bavail) * blockBytes;
  while (totalBytes / (sectorsPerCluster * kBytesPerSector) > UINT_MAX)
    sectorsPerCluster *= 2;
  const std::uint64_t clusterBytes = sectorsPerCluster * kBytesPerSector;
  geometry.sectorsPerCluster = static_cast<unsigned>(sectorsPerCluster);
  geometry.totalClusters = static_cast<unsigned>(totalBytes / clusterBytes);
  geometry.availableClusters = static_cast<unsigned>(freeBytes / clusterBytes);
  return true;
}

std::uint64_t processVirtualBytes()
{
  std::ifstream statm("/proc/self/statm");
  std::uint64_t pages = 0;
  statm >> pages;
  return pages * static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
}

}  // namespace

unsigned _getdiskfree(unsigned drive, struct _diskfree_t* info)
{
  if (!info || drive > 26) return EINVAL;
  const char letter = drive == 0 ? 'C' : static_cast<char>('A' + drive - 1);
  const auto root = omwin::driveRoot(letter);
  DiskGeometry geometry;
  if (!root || !diskGeometry(*root, geometry)) return EINVAL;
  info->total_clusters = geometry.totalClusters;
  info->avail_clusters = geometry.availableClusters;
  info->sectors_per_cluster = geometry.sectorsPerCluster;
  info->bytes_per_sector = kBytesPerSector;
  return 0;
}

BOOL GetDiskFreeSpaceA(LPCSTR rootPath, LPDWORD sectorsPerCluster, LPDWORD bytesPerSector,
                       LPDWORD freeClusters, LPDWORD totalClusters)
{
  const auto host = omwin::hostPathFor(rootPath ? rootPath : "\\");
  DiskGeometry geometry;
  if (!host) return FALSE;
  if (!diskGeometry(*host, geometry)) {
    omwin::setLastErrorFromErrno(errno);
    return FALSE;
  }
  if (sectorsPerCluster) *sectorsPerCluster = geometry.sectorsPerCluster;
  if (bytesPerSector) *bytesPerSector = kBytesPerSector;
  if (freeClusters) *freeClusters = geometry.availableClusters;
  if (totalClusters) *totalClusters = geometry.totalClusters;
  return TRUE;
}

DWORD QueryDosDeviceA(LPCSTR deviceName, LPSTR targetPath, DWORD max)
{
  const bool drive = deviceName && std::strlen(deviceName) == 2 && deviceName[1] == ':';
  const auto root = drive ? omwin::driveRoot(deviceName[0]) : std::nullopt;
  if (!root) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
  }
  const DWORD needed = static_cast<DWORD>(root->size() + 2);
  if (!targetPath || max < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(targetPath, root->c_str(), root->size() + 1);
  targetPath[needed - 1] = '\0';
  return needed;
}

void GlobalMemoryStatus(LPMEMORYSTATUS status)
{
  if (!status) return;
  struct sysinfo info;
  std::memset(&info, 0, sizeof info);
  ::sysinfo(&info);
  const std::uint64_t unit = info.mem_unit ? info.mem_unit : 1;
  const std::uint64_t totalPhys = info.totalram * unit;
  const std::uint64_t availPhys = (info.freeram + info.bufferram) * unit;
  struct rlimit limit;
  std::uint64_t totalVirtual = 0x7FFFFFFE0000ull;  // a 64-bit process's user space
  if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    totalVirtual = limit.rlim_cur;
  const std::uint64_t used = std::min(processVirtualBytes(), totalVirtual);

  status->dwLength = sizeof(MEMORYSTATUS);
  status->dwMemoryLoad =
      totalPhys
          ? static_cast<DWORD>(100 - std::min<std::uint64_t>(100, availPhys * 100 / totalPhys))
          : 0;
  status->dwTotalPhys = totalPhys;
  status->dwAvailPhys = availPhys;
  status->dwTotalPageFile = totalPhys + info.totalswap * unit;
  status->dwAvailPageFile = availPhys + info.freeswap * unit;
  status->dwTotalVirtual = totalVirtual;
  status->dwAvailVirtual = totalVirtual - used;
}

void GetSystemInfo(LPSYSTEM_INFO info)
{
  if (!info) return;
  std::memset(info, 0, sizeof *info);
  const long processors = ::sysconf(_SC_NPROCESSORS_ONLN);
  info->wProcessorArchitecture = PROCESSOR_ARCHITECTURE_INTEL;
  info->dwPageSize = static_cast<DWORD>(::sysconf(_SC_PAGESIZE));
  info->lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(0x10000);
  info->lpMaximumApplicationAddress = reinterpret_cast<LPVOID>(0x7FFEFFFF);
  info->dwNumberOfProcessors = processors > 0 ? static_cast<DWORD>(processors) : 1;
  info->dwActiveProcessorMask = info->dwNumberOfProcessors >= 64
                                    ? ~DWORD_PTR{0}
                                    : (DWORD_PTR{1} << info->dwNumberOfProcessors) - 1;
  info->dwProcessorType = PROCESSOR_INTEL_PENTIUM;
  info->dwAllocationGranularity = 65536;
  info->wProcessorLevel = 6;
}

namespace {

constexpr DWORD kMajor = 4;
constexpr DWORD kMinor = 10;
constexpr DWORD kBuild = 2222;

}  // namespace

DWORD GetVersion(void)
{
  // Major in the low byte, minor in the next; the top bit marks a system that is not NT.
  return 0x80000000u | (kMinor << 8) | kMajor;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info)
{
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  info->dwMajorVersion = kMajor;
  info->dwMinorVersion = kMinor;
  info->dwBuildNumber = (kMajor << 24) | (kMinor << 16) | kBuild;
  info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
  std::memset(info->szCSDVersion, 0, sizeof info->szCSDVersion);
  return TRUE;
}
