#pragma once

#include <optional>
#include <string>

namespace omwin {

// Replaces a file so that a crash at any moment leaves the old or the new contents, never a
// mixture: the text goes to a temporary file beside it, is flushed to the disk, and is renamed
// over the old one.
bool writeFileAtomically(const std::string& hostPath, const std::string& contents);

// The whole file, or null when it cannot be read.
std::optional<std::string> readWholeHostFile(const std::string& hostPath);

}  // namespace omwin
