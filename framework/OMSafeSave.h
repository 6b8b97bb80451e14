#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Whole-file saves that a crash cannot half do. The writer fills a temporary file beside the
// target, which is flushed, put on the disk and renamed over the target; the old file is only
// read. A stale temporary file is overwritten, never read.

// False, with the temporary file removed and the target untouched, when any step failed.
// textMode opens the temporary file as the Windows C library's "wt" does (lines end CR LF).
bool saveFileSafely(const std::string& path, const std::string& temporaryPath,
                    const std::function<bool(std::FILE*)>& write, bool textMode = false);

// Copies a file's bytes to another (replaced); false when either side failed.
bool copyFileBytes(const std::string& from, const std::string& to);
