#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "framework/OMLink.h"
#include "framework/OMList.h"

// A named game-state value that gives and takes its value as text. Scripts see it as a data
// property of the world port (through its links); the data file stores it when its saved flag
// is set.
class WorldField {
 public:
  // Every text buffer a field writes into holds this many bytes.
  static constexpr std::size_t textSize = 1024;
  // The longest value a data-file line holds and reads back as one line: the reader's buffer
  // also takes the line feed and the end.
  static constexpr std::size_t maxTextLength = textSize - 2;

  // Keeps clones of the links; either may be null.
  WorldField(const char* name, const OMLink* setter, const OMLink* getter, int saved);
  virtual ~WorldField();
  WorldField(const WorldField&) = delete;
  WorldField& operator=(const WorldField&) = delete;

  virtual std::unique_ptr<WorldField> clone() const;
  // Writes the value into a buffer of textSize bytes, or nothing without a getter.
  virtual void toText(char* buffer);
  virtual void fromText(const char* text);

  const char* name() const { return name_.c_str(); }
  int saved() const { return saved_; }
  OMLink* getter() const { return getter_.get(); }
  OMLink* setter() const { return setter_.get(); }

 protected:
  // Access modes of the value fields: 0 only the setter link, 1 only the getter, 2 both.
  enum Mode { writeOnly = 0, readOnly = 1, readWrite = 2 };
  WorldField(const char* name, int saved);
  // Links to this field's own toText and fromText, as far as the mode gives them.
  void bindSelf(int mode);
  // The mode that gives the links this field has.
  int mode() const;

 private:
  OMWord getByLink(OMWord buffer);
  OMWord setByLink(OMWord text);

  std::string name_;
  int saved_;
  std::unique_ptr<OMLink> getter_;
  std::unique_ptr<OMLink> setter_;
};

// The first field of the list with exactly that name, or null.
WorldField* findWorldField(const OMList<WorldField>& fields, const char* name);
// Copies at most maxTextLength bytes of the text, ended.
void copyFieldText(char* buffer, const char* text);
// The text cut to maxTextLength bytes: what a field keeps of it.
std::string fieldTextOf(const char* text);
// The decimal number that begins the text: leading blanks and a sign are taken, no digits give
// 0, and a number too large for 32 bits is held at the limit.
int decimalValueOf(const char* text);
