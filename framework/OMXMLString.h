#pragma once

#include <optional>
#include <string>

// An owned text of the XML tree, or unset. Everything the reader stores goes through
// assign, which folds white space, drops quotes and decodes the five entities.
class OMXMLString {
 public:
  OMXMLString() = default;
  explicit OMXMLString(const char* text) { set(text); }

  // The text, or null when unset.
  const char* text() const { return value_ ? value_->c_str() : nullptr; }
  bool isSet() const { return value_.has_value(); }
  std::size_t length() const { return value_ ? value_->size() : 0; }
  bool equals(const char* text) const;

  // Takes the text as it is (null unsets); for trees built by the program.
  void set(const char* text);
  // Takes the text as the reader does; length -1 = up to the terminator.
  void assign(const char* text, int length);

 private:
  std::optional<std::string> value_;
};
