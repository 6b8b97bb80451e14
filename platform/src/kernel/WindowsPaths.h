#pragma once

#include <optional>
#include <string>
#include <string_view>

// The one place where Windows paths meet host paths.
//
// Drives: C: is the host root and holds the current folder; further drives come from
// OM_DRIVE_<letter>=<host folder>; any other drive is empty. "\" and "/" both separate, "."
// and ".." are resolved (never above a drive's root), and each component is looked up without
// regard to case: the exact name first, else the first of the case-insensitive matches in
// sorted order. Names are code page 1252 on the Windows side and UTF-8 on the host.
namespace omwin {

// The host path for a Windows path, whether or not the file exists (the components that do
// not exist are kept as given). Null, with the last error set, for a path that is too long,
// holds a character names may not hold, or lies on an empty drive.
std::optional<std::string> hostPathFor(std::string_view windowsPath);

// The Windows form of a host path ("C:\home\..."), on the mapped drive that holds it.
std::string windowsPathFor(std::string_view hostPath);

// The host folder a drive letter stands for, or null for an empty drive.
std::optional<std::string> driveRoot(char letter);

// The current folder, always on C:.
std::string currentDirectoryWindows();

// Per-user folders (OM_WINDOWS_DIR, default $XDG_DATA_HOME/om/WINDOWS, and its SYSTEM),
// created on first use. Host paths.
std::string windowsDirectoryHost();
std::string systemDirectoryHost();

// Splits "dir\\name" at the last separator: {"dir\\", "name"}; {"", name} without one,
// keeping a drive prefix ("D:") with the folder part.
std::pair<std::string, std::string> splitFolderAndName(std::string_view windowsPath);

}  // namespace omwin
