#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <windows.h>

namespace omgdi {

class FontInstance;
class GdiFont;

// The TrueType faces the process knows: the system's free fonts and the files added with
// AddFontResourceA. It answers which face file a logical font's name and style resolve to,
// and makes the sized instances that measure and draw text. FreeType stays inside this unit
// and FontInstance.
class FontCatalog {
 public:
  struct Face {
    std::string family;
    bool bold = false;
    bool italic = false;
    std::string path;
    long index = 0;
    bool added = false;  // from AddFontResourceA
  };

  static FontCatalog& instance();
  ~FontCatalog();

  // The sized instance for this logical font (made on first use, kept with the catalogue).
  FontInstance* instanceFor(const GdiFont& font);

  // Families as EnumFontFamiliesA reports them, with their font type.
  std::vector<std::pair<std::string, DWORD>> families();

  // Faces of a font file, or of the font file a scalable font resource file names (Windows
  // paths); answers how many were added (0 when it is no font).
  int addFile(const std::string& path);
  bool removeFile(const std::string& path);
  // CreateScalableFontResourceA: writes the resource file that names a TrueType font file
  // (overwriting an old one); false, with the last error set, when the font file is no font
  // or the resource file cannot be written.
  bool writeResource(const std::string& resource, const std::string& fontFile,
                     const std::string& currentPath);

  // The face a name and style resolve to: the family itself, else its free stand-in.
  const Face* resolve(const std::string& faceName, bool bold, bool italic, bool systemFont);

 private:
  FontCatalog();
  void scanSystemFonts();
  void scanFolder(const std::string& folder, int depth);
  int addFaces(const std::string& path, bool added);
  const Face* findFace(const std::string& family, bool bold, bool italic) const;
  // The cell height a bitmap family gives for a requested height (the height itself for
  // other families).
  LONG bitmapFamilyCell(const std::string& faceName, LONG height) const;

  struct Library;
  std::unique_ptr<Library> library_;
  bool scanned_ = false;
  std::vector<Face> faces_;
  std::map<std::string, std::unique_ptr<FontInstance>> instances_;
};

}  // namespace omgdi
