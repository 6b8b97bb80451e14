#include "platform/src/gdi/FontCatalog.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <sstream>

#include "platform/src/gdi/FontInstance.h"
#include "platform/src/gdi/GdiFont.h"
#include "platform/src/kernel/WindowsPaths.h"

namespace omgdi {

namespace {

// Face names content asks for, and the free faces with the same metrics that stand in for
// them; the second stand-in is used when the first is not installed.
struct Substitute {
  const char* name;
  const char* face;
  const char* fallback;
  DWORD type;
};
constexpr Substitute substitutes[] = {
    {"Arial", "Liberation Sans", "DejaVu Sans", TRUETYPE_FONTTYPE},
    {"Times New Roman", "Liberation Serif", "DejaVu Serif", TRUETYPE_FONTTYPE},
    {"Courier New", "Liberation Mono", "DejaVu Sans Mono", TRUETYPE_FONTTYPE},
    {"MS Sans Serif", "Liberation Sans", "DejaVu Sans", RASTER_FONTTYPE},
    {"MS Serif", "Liberation Serif", "DejaVu Serif", RASTER_FONTTYPE},
    {"Helvetica", "Liberation Sans", "DejaVu Sans", 0},
    {"Times", "Liberation Serif", "DejaVu Serif", 0},
    {"Courier", "Liberation Mono", "DejaVu Sans Mono", 0},
    {"MS Shell Dlg", "Liberation Sans", "DejaVu Sans", 0},
    {"System", "DejaVu Sans", "Liberation Sans", RASTER_FONTTYPE},
    {"Fixedsys", "DejaVu Sans Mono", "Liberation Mono", 0},
};
constexpr const char* defaultFace = "Arial";
constexpr std::size_t maxInstances = 64;

bool sameName(const std::string& a, const std::string& b)
{
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
           return std::tolower(x) == std::tolower(y);
         });
}

// Our scalable font resource file: this first line, then the Windows path of the font file.
constexpr char fontResourceMark[] = "OM scalable font resource";
constexpr std::size_t fontResourceLimit = 2 * MAX_PATH;

// The font file a scalable font resource file names, or null when the file is not one.
std::optional<std::string> fontFileOfResource(const std::string& hostPath)
{
  std::ifstream in(hostPath, std::ios::binary);
  std::string text(fontResourceLimit + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(in.gcount()));
  if (text.size() > fontResourceLimit) return std::nullopt;
  std::istringstream lines(text);
  std::string mark, fontFile;
  if (!std::getline(lines, mark) || !std::getline(lines, fontFile)) return std::nullopt;
  auto endLine = [](std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
  };
  endLine(mark);
  endLine(fontFile);
  if (mark != fontResourceMark || fontFile.empty()) return std::nullopt;
  return omwin::hostPathFor(fontFile);
}

// The host file of a font given by its Windows path: the font file itself, or the one a
// scalable font resource names.
std::optional<std::string> fontHostFile(const std::string& windowsPath)
{
  std::optional<std::string> host = omwin::hostPathFor(windowsPath);
  if (!host) return std::nullopt;
  if (std::optional<std::string> named = fontFileOfResource(*host)) return named;
  return host;
}

// The system's scalable faces from its font catalogue (fontconfig's cache): no font file is
// opened. Sorted by file and index, so that equal family names resolve the same way on every
// run. False when the catalogue cannot be read.
bool listCatalogueFaces(std::vector<FontCatalog::Face>& faces)
{
  FcConfig* config = FcInitLoadConfigAndFonts();
  if (config == nullptr) return false;
  FcPattern* pattern = FcPatternBuild(nullptr, FC_SCALABLE, FcTypeBool, FcTrue, nullptr);
  FcObjectSet* wanted =
      FcObjectSetBuild(FC_FAMILY, FC_WEIGHT, FC_SLANT, FC_FILE, FC_INDEX, FC_FONTFORMAT, nullptr);
  FcFontSet* found = pattern && wanted ? FcFontList(config, pattern, wanted) : nullptr;
  std::vector<FontCatalog::Face> listed;
  for (int i = 0; found != nullptr && i < found->nfont; ++i) {
    const FcPattern* font = found->fonts[i];
    FcChar8* family = nullptr;
    FcChar8* file = nullptr;
    FcChar8* format = nullptr;
    int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN, index = 0;
    if (FcPatternGetString(font, FC_FAMILY, 0, &family) != FcResultMatch ||
        FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch)
      continue;
    // The same kinds of file as a folder scan takes.
    if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) == FcResultMatch &&
        std::string(reinterpret_cast<const char*>(format)) != "TrueType" &&
        std::string(reinterpret_cast<const char*>(format)) != "CFF")
      continue;
    FcPatternGetInteger(font, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(font, FC_SLANT, 0, &slant);
    FcPatternGetInteger(font, FC_INDEX, 0, &index);
    listed.push_back(FontCatalog::Face{reinterpret_cast<const char*>(family),
                                       weight >= FC_WEIGHT_BOLD, slant != FC_SLANT_ROMAN,
                                       reinterpret_cast<const char*>(file), index, false});
  }
  if (found != nullptr) FcFontSetDestroy(found);
  if (wanted != nullptr) FcObjectSetDestroy(wanted);
  if (pattern != nullptr) FcPatternDestroy(pattern);
  FcConfigDestroy(config);
  std::sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
    return a.path != b.path ? a.path < b.path : a.index < b.index;
  });
  faces.insert(faces.end(), listed.begin(), listed.end());
  return true;
}

}  // namespace

struct FontCatalog::Library {
  FT_Library handle = nullptr;
  Library() { FT_Init_FreeType(&handle); }
  ~Library()
  {
    if (handle != nullptr) FT_Done_FreeType(handle);
  }
};

FontCatalog& FontCatalog::instance()
{
  static FontCatalog catalog;
  return catalog;
}

FontCatalog::FontCatalog() : library_(std::make_unique<Library>()) {}

FontCatalog::~FontCatalog()
{
  // Faces before the library that made them.
  instances_.clear();
}

// The system's faces come from its font catalogue; OM_FONT_DIRS adds folders of its own.
// Without a catalogue, the usual font folders are scanned.
void FontCatalog::scanSystemFonts()
{
  if (scanned_) return;
  scanned_ = true;
  std::vector<std::string> folders;
  if (!listCatalogueFaces(faces_)) {
    folders = {"/usr/share/fonts", "/usr/local/share/fonts"};
    if (const char* home = std::getenv("HOME"))
      folders.push_back(std::string(home) + "/.local/share/fonts");
  }
  if (const char* list = std::getenv("OM_FONT_DIRS"); list != nullptr && *list != '\0') {
    std::string rest = list;
    for (std::size_t colon; (colon = rest.find(':')) != std::string::npos;
         rest.erase(0, colon + 1)) {
      folders.push_back(rest.substr(0, colon));
    }
    folders.push_back(rest);
  }
  for (const std::string& folder : folders)
    scanFolder(folder, 0);
}

void FontCatalog::scanFolder(const std::string& folder, int depth)
{
  std::error_code error;
  if (depth > 5 || !std::filesystem::is_directory(folder, error)) return;
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    entries.push_back(entry.path().string());
  }
  // A stable order, so that equal family names resolve the same way on every run.
  std::sort(entries.begin(), entries.end());
  for (const std::string& entry : entries) {
    if (std::filesystem::is_directory(entry, error)) {
      scanFolder(entry, depth + 1);
      continue;
    }
    std::string extension = std::filesystem::path(entry).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
    if (extension == ".ttf" || extension == ".otf" || extension == ".ttc") addFaces(entry, false);
  }
}

int FontCatalog::addFaces(const std::string& path, bool added)
{
  FT_Face probe = nullptr;
  if (FT_New_Face(library_->handle, path.c_str(), -1, &probe) != 0) return 0;
  const long count = probe->num_faces;
  FT_Done_Face(probe);
  int found = 0;
  for (long index = 0; index < count && index < 64; ++index) {
    FT_Face face = nullptr;
    if (FT_New_Face(library_->handle, path.c_str(), index, &face) != 0) continue;
    if (FT_IS_SCALABLE(face) && face->family_name != nullptr) {
      faces_.push_back(Face{face->family_name, (face->style_flags & FT_STYLE_FLAG_BOLD) != 0,
                            (face->style_flags & FT_STYLE_FLAG_ITALIC) != 0, path, index, added});
      ++found;
    }
    FT_Done_Face(face);
  }
  return found;
}

int FontCatalog::addFile(const std::string& path)
{
  scanSystemFonts();
  const std::optional<std::string> file = fontHostFile(path);
  if (!file) return 0;
  instances_.clear();
  return addFaces(*file, true);
}

bool FontCatalog::removeFile(const std::string& path)
{
  const std::optional<std::string> found = fontHostFile(path);
  if (!found) return false;
  const std::string& file = *found;
  const std::size_t before = faces_.size();
  std::erase_if(faces_, [&](const Face& face) { return face.added && face.path == file; });
  if (faces_.size() == before) return false;
  instances_.clear();
  return true;
}

bool FontCatalog::writeResource(const std::string& resource, const std::string& fontFile,
                                const std::string& currentPath)
{
  // A font file without a folder lies in the current path when one is given.
  std::string fontPath = fontFile;
  if (!currentPath.empty() && fontFile.find_first_of("\\/:") == std::string::npos)
    fontPath = currentPath + (currentPath.back() == '\\' ? "" : "\\") + fontFile;
  const std::optional<std::string> fontHost = omwin::hostPathFor(fontPath);
  const std::optional<std::string> resourceHost = omwin::hostPathFor(resource);
  if (!fontHost || !resourceHost) return false;
  FT_Face probe = nullptr;
  if (FT_New_Face(library_->handle, fontHost->c_str(), 0, &probe) != 0) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  FT_Done_Face(probe);
  std::ofstream out(*resourceHost, std::ios::binary | std::ios::trunc);
  out << fontResourceMark << "\r\n" << omwin::windowsPathFor(*fontHost) << "\r\n";
  out.close();
  if (!out) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  return true;
}

const FontCatalog::Face* FontCatalog::findFace(const std::string& family, bool bold,
                                               bool italic) const
{
  const Face* best = nullptr;
  int bestScore = -1;
  for (const Face& face : faces_) {
    if (!sameName(face.family, family)) continue;
    const int score = (face.bold == bold ? 2 : 0) + (face.italic == italic ? 1 : 0);
    if (score > bestScore) {
      best = &face;
      bestScore = score;
    }
  }
  return best;
}

const FontCatalog::Face* FontCatalog::resolve(const std::string& faceName, bool bold, bool italic,
                                              bool systemFont)
{
  scanSystemFonts();
  const std::string wanted = systemFont ? "System" : faceName.empty() ? defaultFace : faceName;
  if (!systemFont) {
    if (const Face* face = findFace(wanted, bold, italic)) return face;
  }
  for (const Substitute& substitute : substitutes) {
    if (!sameName(wanted, substitute.name)) continue;
    if (const Face* face = findFace(substitute.face, bold, italic)) return face;
    if (const Face* face = findFace(substitute.fallback, bold, italic)) return face;
  }
  // Unknown names get the default face, as Windows gives its default for them.
  if (const Face* face = findFace("Liberation Sans", bold, italic)) return face;
  if (const Face* face = findFace("DejaVu Sans", bold, italic)) return face;
  return faces_.empty() ? nullptr : &faces_.front();
}

LONG FontCatalog::bitmapFamilyCell(const std::string& faceName, LONG height) const
{
  // "MS Sans Serif" is a bitmap family on Windows, made in a few sizes: character and cell
  // heights of each. A request gets the largest size that fits it (else the smallest), so the
  // stand-in face is drawn with that size's cell.
  static constexpr LONG sizes[][2] = {{11, 13}, {13, 16}, {16, 20}, {19, 24}, {24, 29}, {32, 37}};
  if (!sameName(faceName, "MS Sans Serif") || findFace(faceName, false, false) != nullptr) {
    return height;
  }
  const bool byCharacter = height < 0;
  const LONG wanted = height == 0 ? 13 : (byCharacter ? -height : height);
  LONG cell = sizes[0][1];
  for (const auto& size : sizes) {
    if ((byCharacter ? size[0] : size[1]) <= wanted) cell = size[1];
  }
  return cell;
}

FontInstance* FontCatalog::instanceFor(const GdiFont& font)
{
  LOGFONTA logFont = font.logFont();
  const bool bold = logFont.lfWeight >= 600;
  const bool italic = logFont.lfItalic != 0;
  const Face* face = resolve(logFont.lfFaceName, bold, italic, font.isSystemFont());
  if (face == nullptr) return nullptr;
  logFont.lfHeight = bitmapFamilyCell(logFont.lfFaceName, logFont.lfHeight);
  const std::string key =
      face->path + "#" + std::to_string(face->index) + "#" + std::to_string(logFont.lfHeight) +
      "#" + std::to_string(logFont.lfWeight) + "#" + std::to_string(logFont.lfItalic) + "#" +
      std::to_string(logFont.lfUnderline) + "#" + std::to_string(logFont.lfStrikeOut);
  auto found = instances_.find(key);
  if (found != instances_.end()) return found->second.get();
  if (instances_.size() >= maxInstances) instances_.clear();
  std::unique_ptr<FontInstance> made = FontInstance::open(
      library_->handle, face->path, face->index, logFont, bold && !face->bold, face->family);
  FontInstance* raw = made.get();
  if (made) instances_.emplace(key, std::move(made));
  return raw;
}

std::vector<std::pair<std::string, DWORD>> FontCatalog::families()
{
  scanSystemFonts();
  std::vector<std::pair<std::string, DWORD>> result;
  std::set<std::string> seen;
  for (const Face& face : faces_) {
    if (seen.insert(face.family).second) result.emplace_back(face.family, TRUETYPE_FONTTYPE);
  }
  for (const Substitute& substitute : substitutes) {
    if (substitute.type == 0 || seen.count(substitute.name) != 0) continue;
    if (findFace(substitute.face, false, false) || findFace(substitute.fallback, false, false)) {
      seen.insert(substitute.name);
      result.emplace_back(substitute.name, substitute.type);
    }
  }
  return result;
}

}  // namespace omgdi
