#pragma once

// Current folder and disk space, in Windows form.
struct _diskfree_t {
  unsigned total_clusters;
  unsigned avail_clusters;
  unsigned sectors_per_cluster;
  unsigned bytes_per_sector;
};

// With a null buffer the answer is allocated with malloc (at least size bytes).
char* _getcwd(char* buffer, int size);
// drive: 1 for A:, 3 for C:, ...; 0 for the current drive. 0 on success.
unsigned _getdiskfree(unsigned drive, struct _diskfree_t* info);
// Makes a folder; 0 on success, -1 with errno (EEXIST when it is there already).
int _mkdir(const char* path);
