#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The resource-script compiler: reads our resource language and builds the bytes of every
// resource, in the binary forms Windows programs read (DLGTEMPLATE, menu templates, icon and
// cursor groups, version blocks).
//
//   TEXT 1001 "Not enough memory."            a text, stored with its terminator
//   BITMAP 200 "picture.bmp"                   the file without its 14-byte file header
//   ICON 1 "program.ico"    CURSOR 5 "hand.cur"   groups and their images
//   WAVE 6094 "bell.wav"    RCDATA 7 { 1, 2, "abc" }   any other type: a file or inline bytes
//   MENU 333 { POPUP "&File" { MENUITEM "E&xit", 101  MENUITEM SEPARATOR } }
//   DIALOG ABOUT 0, 0, 200, 100  STYLE 0x80C80000  CAPTION "About"  FONT 8, "MS Sans Serif"
//     [EXTENDED]  { CONTROL "OK", 1, BUTTON, 0x50010001, 75, 80, 50, 14 }
//   VERSION 1 FILEVERSION 1,0,0,0 PRODUCTVERSION 1,0,0,0
//     { BLOCK "StringFileInfo" { BLOCK "040904E4" { VALUE "ProductName", "Korvanix" } } }
//
// Names and types are numbers or words/texts; numbers may be joined with "|". Scripts are
// UTF-8; texts become code page 1252, dialog and menu texts UTF-16. "//" starts a comment.
namespace omrc {

struct Resource {
  std::string typeName;  // empty for a numbered type
  unsigned typeId = 0;
  std::string name;  // empty for a numbered resource
  unsigned id = 0;
  std::vector<std::uint8_t> bytes;
};

class ResourceScript {
 public:
  // Files named by the script are looked for in these folders, in order.
  explicit ResourceScript(std::vector<std::string> fileFolders);

  // False with error() set on the first problem ("line 3: ...").
  bool compile(const std::string& text);
  const std::vector<Resource>& resources() const { return resources_; }
  // The resource of that type and name as a script writes them ("DIALOG", "129"); null when
  // there is none.
  const Resource* find(const std::string& type, const std::string& name) const;
  const std::vector<std::string>& filesRead() const { return filesRead_; }
  const std::string& error() const { return error_; }

 private:
  struct Token;
  class Parser;

  std::vector<std::string> fileFolders_;
  std::vector<Resource> resources_;
  std::vector<std::string> filesRead_;
  std::string error_;
};

// The C++ source that carries the resources: registered as the program's own, or, for a
// plug-in, exported under the name the module loader looks for.
std::string writeResourceSource(const std::vector<Resource>& resources, bool forPlugin,
                                const std::string& scriptName);

}  // namespace omrc
