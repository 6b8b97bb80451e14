#include <gtest/gtest.h>

#include <direct.h>
#include <io.h>
#include <windows.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "tests/support/TempFolder.h"

namespace {

using omtest::readHostFile;

class FilesTest : public ::testing::Test {
 protected:
  TempFolder temp;
  ScopedEnv driveE{"OM_DRIVE_E", temp.path()};
};

}  // namespace

// The plain file handler's pattern: open untranslated with create and 0600, size from _fstat,
// then seek and transfer.
TEST_F(FilesTest, LowLevelCallsOpenSeekReadAndWrite)
{
  const int fd = _open("E:\\Saves\\..\\Game.DAT", _O_BINARY | _O_CREAT | _O_RDWR, 0600);
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_write(fd, "hello world", 11), 11);
  struct _stat status;
  ASSERT_EQ(_fstat(fd, &status), 0);
  EXPECT_EQ(status.st_size, 11);
  EXPECT_EQ(status.st_mode & _S_IFMT, _S_IFREG);
  EXPECT_EQ(_lseek(fd, 6, 0), 6);
  char buffer[16] = {};
  EXPECT_EQ(_read(fd, buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "world");
  EXPECT_EQ(_lseek(fd, -5, 2), 6);
  EXPECT_EQ(_lseek(fd, 0, 7), -1);
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(readHostFile(temp / "Game.DAT"), "hello world");

  // Reopened read-only from another case; writing fails with -1.
  const int again = _open("e:\\game.dat", _O_BINARY | _O_RDONLY);
  ASSERT_GE(again, 0);
  EXPECT_EQ(_write(again, "x", 1), -1);
  _close(again);
  EXPECT_EQ(_open("E:\\missing.dat", _O_BINARY), -1);
  temp.makeFolder("Folder");
  EXPECT_EQ(_open("E:\\folder", _O_BINARY), -1);  // a folder is no file
  EXPECT_EQ(om_fopen("E:\\folder", "r"), nullptr);
  EXPECT_EQ(om_fopen("E:\\folder", "rb"), nullptr);
  EXPECT_EQ(_open("Z:\\unmapped.dat", _O_BINARY), -1);
}

TEST_F(FilesTest, StatReportsSizeFolderAndWriteBit)
{
  temp.write("Data/file.bin", std::string(1234, 'x'));
  struct _stat status;
  std::memset(&status, 0xAB, sizeof status);
  ASSERT_EQ(_stat("E:\\DATA\\FILE.BIN", &status), 0);
  EXPECT_EQ(status.st_size, 1234);
  EXPECT_TRUE(status.st_mode & _S_IWRITE);
  EXPECT_TRUE(status.st_mode & _S_IREAD);
  ASSERT_EQ(_stat("E:\\data", &status), 0);
  EXPECT_EQ(status.st_mode & _S_IFMT, _S_IFDIR);
  EXPECT_EQ(_stat("E:\\data\\nothing", &status), -1);

  std::filesystem::permissions(temp / "Data/file.bin", std::filesystem::perms::owner_read,
                               std::filesystem::perm_options::replace);
  if (::geteuid() != 0) {  // root may write anything
    ASSERT_EQ(_stat("E:\\data\\file.bin", &status), 0);
    EXPECT_FALSE(status.st_mode & _S_IWRITE);
  }
}

TEST_F(FilesTest, RemoveUnlinkAndRenameTakeWindowsPaths)
{
  temp.write("Users/User1.dat", "a");
  temp.write("Users/User2.dat", "b");
  EXPECT_EQ(om_rename("E:\\users\\user1.DAT", "E:\\USERS\\renamed.dat"), 0);
  EXPECT_TRUE(std::filesystem::exists(temp / "Users/renamed.dat"));
  // Renaming onto an existing file is refused, as on Windows.
  EXPECT_EQ(om_rename("E:\\users\\renamed.dat", "E:\\users\\user2.dat"), -1);
  EXPECT_EQ(om_remove("e:\\users\\RENAMED.DAT"), 0);
  EXPECT_EQ(_unlink("E:\\Users\\USER2.dat"), 0);
  EXPECT_TRUE(std::filesystem::is_empty(temp / "Users"));
  EXPECT_EQ(om_remove("E:\\users\\gone.dat"), -1);
  EXPECT_FALSE(DeleteFileA("E:\\users\\gone.dat"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST_F(FilesTest, TextReadingTurnsCrLfIntoLf)
{
  temp.write("resource.map", "first line\r\nsecond\r\nlone\rcr\r\n");
  for (const char* mode : {"r", "rt"}) {
    FILE* file = om_fopen("E:\\RESOURCE.MAP", mode);
    ASSERT_NE(file, nullptr) << mode;
    char line[80];
    ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
    EXPECT_STREQ(line, "first line\n");
    ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
    EXPECT_STREQ(line, "second\n");
    ASSERT_NE(std::fgets(line, sizeof line, file), nullptr);
    EXPECT_STREQ(line, "lone\rcr\n");  // only CR LF pairs are line ends
    EXPECT_EQ(std::fgets(line, sizeof line, file), nullptr);
    EXPECT_TRUE(std::feof(file));
    // Seeking works on the translated text.
    std::fseek(file, 0, SEEK_END);
    EXPECT_EQ(std::ftell(file), 26);
    std::rewind(file);
    EXPECT_EQ(std::fgetc(file), 'f');
    std::fclose(file);
  }
  // Binary reading keeps every byte.
  FILE* binary = om_fopen("E:\\resource.map", "rb");
  ASSERT_NE(binary, nullptr);
  std::fseek(binary, 0, SEEK_END);
  EXPECT_EQ(std::ftell(binary), 29);
  std::fclose(binary);
  EXPECT_EQ(om_fopen("E:\\absent.map", "r"), nullptr);
}

TEST_F(FilesTest, StdioWritesAndUpdatesThroughWindowsPaths)
{
  temp.makeFolder("Out");
  FILE* text = om_fopen("E:\\OUT\\result.txt", "wt");
  ASSERT_NE(text, nullptr);
  std::fprintf(text, "score %d\n", 42);
  std::fclose(text);
  EXPECT_EQ(readHostFile(temp / "Out/result.txt"), "score 42\n");

  FILE* append = om_fopen("E:\\out\\RESULT.TXT", "at");
  ASSERT_NE(append, nullptr);
  std::fputs("more\n", append);
  std::fclose(append);
  EXPECT_EQ(readHostFile(temp / "Out/result.txt"), "score 42\nmore\n");

  // Windows text mode: CR LF in the file, LF again when read as text; ftell counts the file.
  for (const char* mode : {"w", "wt"}) {
    FILE* windows = om_fopen_text("E:\\out\\pairs.txt", mode);
    ASSERT_NE(windows, nullptr) << mode;
    std::fputs("12 34\n5 6", windows);
    std::fputc('\n', windows);
    EXPECT_EQ(std::ftell(windows), 12);
    std::fclose(windows);
  }
  FILE* appended = om_fopen_text("E:\\out\\pairs.txt", "at");
  ASSERT_NE(appended, nullptr);
  std::fputs("\n", appended);
  std::fclose(appended);
  EXPECT_EQ(readHostFile(temp / "Out/pairs.txt"), "12 34\r\n5 6\r\n\r\n");
  FILE* back = om_fopen_text("E:\\out\\pairs.txt", "r");
  ASSERT_NE(back, nullptr);
  char line[16] = {};
  EXPECT_STREQ(std::fgets(line, sizeof line, back), "12 34\n");
  std::fclose(back);
  EXPECT_EQ(om_fopen_text("E:\\out", "w"), nullptr);
  EXPECT_EQ(om_fopen_text("Z:\\unmapped.txt", "w"), nullptr);

  FILE* update = om_fopen("E:\\out\\progress.dat", "wb+");
  ASSERT_NE(update, nullptr);
  const int values[3] = {1, 2, 3};
  EXPECT_EQ(std::fwrite(values, sizeof values[0], 3, update), 3u);
  std::rewind(update);
  int read[3] = {};
  EXPECT_EQ(std::fread(read, sizeof read[0], 3, update), 3u);
  EXPECT_EQ(read[2], 3);
  std::fclose(update);
  FILE* reopened = om_fopen("E:\\OUT\\PROGRESS.DAT", "rb+");
  ASSERT_NE(reopened, nullptr);
  std::fclose(reopened);
  EXPECT_EQ(om_fopen("E:\\out\\nope.dat", "rb+"), nullptr);
}

// The loader's direct copy: read the source in sector multiples, write the destination.
TEST_F(FilesTest, Win32FileCallsCopyAFile)
{
  std::string payload(5000, '\0');
  for (std::size_t i = 0; i < payload.size(); ++i)
    payload[i] = static_cast<char>(i * 7);
  temp.write("Src/Movie.SMK", payload);
  HANDLE source =
      CreateFileA("E:\\src\\movie.smk", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                  FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  ASSERT_NE(source, INVALID_HANDLE_VALUE);
  HANDLE destination = CreateFileA("E:\\src\\Copy.smk", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_FLAG_WRITE_THROUGH | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  ASSERT_NE(destination, INVALID_HANDLE_VALUE);
  DWORD high = 99;
  EXPECT_EQ(GetFileSize(source, &high), 5000u);
  EXPECT_EQ(high, 0u);

  char sector[512];
  DWORD count = 0;
  ASSERT_TRUE(ReadFile(source, sector, sizeof sector, &count, nullptr));
  EXPECT_EQ(count, 512u);
  EXPECT_EQ(SetFilePointer(source, 0, nullptr, FILE_BEGIN), 0u);
  char chunk[2048];
  for (;;) {
    ASSERT_TRUE(ReadFile(source, chunk, sizeof chunk, &count, nullptr));
    if (count == 0) break;  // end of file reads as success with nothing
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(destination, chunk, count, &written, nullptr));
    EXPECT_EQ(written, count);
  }
  EXPECT_EQ(GetFileSize(destination, nullptr), 5000u);
  EXPECT_EQ(SetFilePointer(source, -10, nullptr, FILE_END), 4990u);
  EXPECT_EQ(SetFilePointer(source, -5000, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_TRUE(CloseHandle(source));
  EXPECT_TRUE(CloseHandle(destination));
  EXPECT_FALSE(CloseHandle(source));  // closed handles stay invalid
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(ReadFile(source, chunk, 1, &count, nullptr));
  EXPECT_EQ(readHostFile(temp / "Src/Copy.smk"), payload);

  EXPECT_TRUE(DeleteFileA("E:\\SRC\\COPY.SMK"));
  EXPECT_FALSE(std::filesystem::exists(temp / "Src/Copy.smk"));
  EXPECT_EQ(CreateFileA("E:\\src\\none", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  HANDLE exclusive =
      CreateFileA("E:\\src\\movie.smk", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  EXPECT_EQ(exclusive, INVALID_HANDLE_VALUE);
}

TEST_F(FilesTest, ListingsMatchPatternsWithoutRegardToCase)
{
  temp.write("Res/B.rsc", "12345");
  temp.write("Res/a.RSC", "1");
  temp.write("Res/readme", "");
  temp.makeFolder("Res/Sub");
  auto list = [](const char* pattern) {
    std::map<std::string, WIN32_FIND_DATAA> found;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return found;
    do
      found[data.cFileName] = data;
    while (FindNextFileA(find, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(find));
    return found;
  };
  auto all = list("E:\\res\\*");
  ASSERT_EQ(all.size(), 6u);  // with "." and ".."
  EXPECT_EQ(all["B.rsc"].nFileSizeLow, 5u);
  EXPECT_FALSE(all["B.rsc"].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(all["Sub"].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(all[".."].dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(list("E:\\RES\\*.*").size(), 6u);  // "*.*" finds names without a dot too
  const auto rsc = list("E:\\Res\\*.rsc");
  ASSERT_EQ(rsc.size(), 2u);
  EXPECT_TRUE(rsc.count("a.RSC"));
  EXPECT_EQ(list("E:\\res\\?.RSC").size(), 2u);
  EXPECT_EQ(list("E:\\res\\README.*").size(), 1u);
  EXPECT_EQ(list("E:\\*").count(".."), 0u);  // a drive's root has no parent entry

  WIN32_FIND_DATAA data;
  EXPECT_EQ(FindFirstFileA("E:\\res\\*.xyz", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA("E:\\nofolder\\*", &data), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(FindFirstFileA("Y:\\*", &data), INVALID_HANDLE_VALUE);

  // Relative to the current folder, and the same order every time.
  ScopedCurrentFolder inside(temp / "Res");
  HANDLE find = FindFirstFileA("*.rsc", &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  EXPECT_STREQ(data.cFileName, "B.rsc");  // byte order: upper case first
  FindClose(find);
}

TEST_F(FilesTest, DiskSpaceAnswersInClusters)
{
  struct _diskfree_t info;
  ASSERT_EQ(_getdiskfree('E' - 64, &info), 0u);
  EXPECT_EQ(info.bytes_per_sector, 512u);
  EXPECT_GE(info.sectors_per_cluster, 1u);
  EXPECT_LE(info.avail_clusters, info.total_clusters);
  const double available =
      static_cast<double>(info.avail_clusters) * info.bytes_per_sector * info.sectors_per_cluster;
  const auto space = std::filesystem::space(temp.path());
  EXPECT_NEAR(available, static_cast<double>(space.available),
              static_cast<double>(space.available) * 0.05 + 1e7);
  EXPECT_NE(_getdiskfree('Y' - 64, &info), 0u);  // an empty drive
  EXPECT_EQ(_getdiskfree(0, &info), 0u);         // the current drive

  DWORD sectors = 0, bytes = 0, freeClusters = 0, total = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("E:\\", &sectors, &bytes, &freeClusters, &total));
  EXPECT_EQ(bytes, 512u);
  EXPECT_FALSE(GetDiskFreeSpaceA("Y:\\", &sectors, &bytes, &freeClusters, &total));
}

TEST(SystemTest, MemoryProcessorAndVersionAnswers)
{
  MEMORYSTATUS memory;
  GlobalMemoryStatus(&memory);
  EXPECT_EQ(memory.dwLength, sizeof(MEMORYSTATUS));
  EXPECT_GE(memory.dwAvailVirtual, 8388608u);
  EXPECT_GT(memory.dwTotalPhys, 0u);
  EXPECT_LE(memory.dwAvailPhys, memory.dwTotalPhys);

  SYSTEM_INFO info;
  GetSystemInfo(&info);
  EXPECT_NE(info.dwProcessorType, static_cast<DWORD>(PROCESSOR_INTEL_386));
  EXPECT_GE(info.dwNumberOfProcessors, 1u);
  EXPECT_GE(info.dwPageSize, 4096u);

  static_assert(sizeof(OSVERSIONINFOA) == 148);
  OSVERSIONINFOA version;
  std::memset(&version, 0, sizeof version);
  EXPECT_FALSE(GetVersionExA(&version));  // the size must be filled in
  version.dwOSVersionInfoSize = sizeof version;
  ASSERT_TRUE(GetVersionExA(&version));
  EXPECT_EQ(version.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
  EXPECT_EQ(LOBYTE(LOWORD(GetVersion())), version.dwMajorVersion);
  EXPECT_EQ(HIBYTE(LOWORD(GetVersion())), version.dwMinorVersion);
}

TEST(MemoryTest, VirtualBlocksArePageAlignedZeroedAndFreedOnce)
{
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  auto* block = static_cast<unsigned char*>(
      VirtualAlloc(nullptr, 10000, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % info.dwPageSize, 0u);
  // The page-rounded size is usable and starts zeroed.
  const std::size_t rounded = (10000 + info.dwPageSize - 1) / info.dwPageSize * info.dwPageSize;
  for (std::size_t i = 0; i < rounded; ++i)
    ASSERT_EQ(block[i], 0);
  block[rounded - 1] = 1;
  EXPECT_FALSE(VirtualFree(block, 10, MEM_RELEASE));
  EXPECT_TRUE(VirtualFree(block, 0, MEM_RELEASE));
  EXPECT_FALSE(VirtualFree(block, 0, MEM_RELEASE));
  EXPECT_EQ(VirtualAlloc(nullptr, 0, MEM_COMMIT, PAGE_READWRITE), nullptr);
}

TEST(MemoryTest, GlobalBlocksLockUnlockAndFree)
{
  HGLOBAL handle = GlobalAlloc(GHND, 64);
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(GlobalSize(handle), 64u);
  auto* bytes = static_cast<unsigned char*>(GlobalLock(handle));
  ASSERT_NE(bytes, nullptr);
  for (int i = 0; i < 64; ++i)
    EXPECT_EQ(bytes[i], 0);
  EXPECT_FALSE(GlobalUnlock(handle));  // the last unlock answers FALSE
  EXPECT_FALSE(GlobalUnlock(handle));  // and one more is refused
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
  EXPECT_EQ(GlobalFree(handle), nullptr);
  EXPECT_EQ(GlobalFree(handle), handle);  // freeing twice is refused
  EXPECT_EQ(GlobalLock(handle), nullptr);
}

TEST_F(FilesTest, MoveFileExRenamesInOneStepAndCommitFlushes)
{
  const struct {
    const char* from;
    const char* to;
    DWORD flags;
    bool moved;
    DWORD error;
  } cases[] = {
      {"E:\\data\\new.tmp", "E:\\DATA\\OLD.DAT", MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH,
       true, ERROR_SUCCESS},
      {"E:\\data\\new.tmp", "E:\\data\\old.dat", 0, false, ERROR_ALREADY_EXISTS},
      {"E:\\data\\new.tmp", "E:\\data\\fresh.dat", MOVEFILE_WRITE_THROUGH, true, ERROR_SUCCESS},
      {"E:\\data\\none.tmp", "E:\\data\\old.dat", MOVEFILE_REPLACE_EXISTING, false,
       ERROR_FILE_NOT_FOUND},
      {"E:\\data\\new.tmp", "E:\\data\\folder", MOVEFILE_REPLACE_EXISTING, false,
       ERROR_ACCESS_DENIED},
      {"E:\\data\\new.tmp", "E:\\data\\old.dat", MOVEFILE_DELAY_UNTIL_REBOOT, false,
       ERROR_INVALID_PARAMETER},
  };
  for (const auto& each : cases) {
    temp.write("Data/New.tmp", "new");
    temp.write("Data/Old.dat", "old");
    std::filesystem::remove(temp / "Data/fresh.dat");
    temp.makeFolder("Data/Folder");
    EXPECT_EQ(MoveFileExA(each.from, each.to, each.flags) != FALSE, each.moved) << each.to;
    EXPECT_EQ(GetLastError(), each.error) << each.to;
    const bool intoOld =
        std::string(each.to).ends_with("OLD.DAT") || std::string(each.to).ends_with("old.dat");
    EXPECT_EQ(readHostFile(temp / "Data/Old.dat"), each.moved && intoOld ? "new" : "old");
    EXPECT_EQ(std::filesystem::exists(temp / "Data/New.tmp"), !each.moved) << each.to;
  }
  EXPECT_TRUE(std::filesystem::is_directory(temp / "Data/Folder"));

  FILE* file = om_fopen("E:\\data\\commit.dat", "wb");
  ASSERT_NE(file, nullptr);
  ASSERT_GE(std::fputs("kept", file), 0);
  ASSERT_EQ(std::fflush(file), 0);
  EXPECT_EQ(_commit(_fileno(file)), 0);
  std::fclose(file);
  EXPECT_EQ(readHostFile(temp / "Data/commit.dat"), "kept");
  EXPECT_EQ(_commit(-1), -1);
  EXPECT_EQ(_fileno(nullptr), -1);
}
