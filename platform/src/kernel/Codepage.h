#pragma once

#include <optional>
#include <string>
#include <string_view>

// The engine's texts are Windows code page 1252; the host's file names are UTF-8.
namespace omwin {

std::string cp1252ToUtf8(std::string_view text);
// Characters the code page cannot hold become '?'.
std::string utf8ToCp1252(std::string_view text);
// Null when the text holds a character the code page cannot hold (or is not UTF-8).
std::optional<std::string> utf8ToCp1252Exact(std::string_view text);
// One Unicode character in the code page; '?' when it has no place there.
char cp1252FromUnicode(char32_t character);
// Lower case as Windows folds file names in this code page.
char foldCp1252(char c);
bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace omwin
