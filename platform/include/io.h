#pragma once

// The Windows C library's low-level file calls. Paths are Windows paths ("D:\\data\\x.dat",
// any letter case); the platform maps them to host files.
#include <sys/stat.h>
#include <sys/types.h>
#include <ctime>

#define _O_RDONLY 0x0000
#define _O_WRONLY 0x0001
#define _O_RDWR 0x0002
#define _O_APPEND 0x0008
#define _O_CREAT 0x0100
#define _O_TRUNC 0x0200
#define _O_EXCL 0x0400
#define _O_TEXT 0x4000
#define _O_BINARY 0x8000

#define _S_IFMT 0xF000
#define _S_IFDIR 0x4000
#define _S_IFREG 0x8000
#define _S_IREAD 0x0100
#define _S_IWRITE 0x0080
#define _S_IEXEC 0x0040

// The time fields are reached as st_atime/st_mtime/st_ctime; the host's <sys/stat.h> spells
// those through st_atim etc., so the record keeps that shape.
struct _stat {
  unsigned int st_dev;
  unsigned short st_ino;
  unsigned short st_mode;
  short st_nlink;
  short st_uid;
  short st_gid;
  unsigned int st_rdev;
  long st_size;
  struct timespec st_atim;
  struct timespec st_mtim;
  struct timespec st_ctim;
};

int _open(const char* path, int flags, ...);
int _read(int handle, void* buffer, unsigned int count);
int _write(int handle, const void* buffer, unsigned int count);
long _lseek(int handle, long offset, int origin);
int _close(int handle);
int _fstat(int handle, struct _stat* status);
int _stat(const char* path, struct _stat* status);
int _unlink(const char* path);
// Writes the file's data through to the disk: 0, or -1 for a bad handle or a failed write.
int _commit(int handle);
