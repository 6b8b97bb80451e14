#pragma once

#include <cstdio>
#include <functional>
#include <string>

// Whole-file saves that a crash cannot half do. The writer fills a temporary file beside the
// target, which is flushed, put on the disk and renamed over the target; the old file is only
// read. A stale temporary file is overwritten, never read.

// False, with the temporary file removed and the target untouched, when any step failed;
// whyNot, when given, then says why in words a player can act on.
bool saveFileSafely(const std::string& path, const std::string& temporaryPath,
                    const std::function<bool(std::FILE*)>& write, std::string* whyNot = nullptr);
// Puts a closed file's contents on the disk (streams without a handle of their own, as text
// streams, cannot be committed while open).
bool commitClosedFile(const std::string& path);

// Copies a file's bytes to another (replaced); false when either side failed.
bool copyFileBytes(const std::string& from, const std::string& to);
