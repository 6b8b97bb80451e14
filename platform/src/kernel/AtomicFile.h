#pragma once

#include <optional>
#include <string>

namespace omwin {

// Replaces a file so that a crash at any moment leaves the old or the new contents, never a
// mixture: the text goes to a temporary file beside it, is flushed to the disk, and is renamed
// over the old one.
bool writeFileAtomically(const std::string& hostPath, const std::string& contents);

// Puts the folder entry of a host path (its creation, rename or removal) on the disk.
void syncFolderOf(const std::string& hostPath);

// The whole file, or null when it cannot be read.
std::optional<std::string> readWholeHostFile(const std::string& hostPath);

}  // namespace omwin
