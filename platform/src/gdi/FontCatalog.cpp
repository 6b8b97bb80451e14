#include "platform/src/gdi/FontCatalog.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "platform/src/gdi/FontInstance.h"
#include "platform/src/gdi/GdiFont.h"

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

// Windows paths name host files with forward slashes.
std::string hostPath(const std::string& path)
{
  std::error_code error;
  if (std::filesystem::exists(path, error)) return path;
  std::string converted = path;
  std::replace(converted.begin(), converted.end(), '\\', '/');
  return converted;
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

void FontCatalog::scanSystemFonts()
{
  if (scanned_) return;
  scanned_ = true;
  std::vector<std::string> folders;
  if (const char* list = std::getenv("OM_FONT_DIRS"); list != nullptr && *list != '\0') {
    std::string rest = list;
    for (std::size_t colon; (colon = rest.find(':')) != std::string::npos;
         rest.erase(0, colon + 1)) {
      folders.push_back(rest.substr(0, colon));
    }
    folders.push_back(rest);
  } else {
    folders = {"/usr/share/fonts", "/usr/local/share/fonts"};
    if (const char* home = std::getenv("HOME"))
      folders.push_back(std::string(home) + "/.local/share/fonts");
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
  auto resource = resources_.find(path);
  const std::string file = hostPath(resource != resources_.end() ? resource->second : path);
  instances_.clear();
  return addFaces(file, true);
}

bool FontCatalog::removeFile(const std::string& path)
{
  auto resource = resources_.find(path);
  const std::string file = hostPath(resource != resources_.end() ? resource->second : path);
  const std::size_t before = faces_.size();
  std::erase_if(faces_, [&](const Face& face) { return face.added && face.path == file; });
  if (faces_.size() == before) return false;
  instances_.clear();
  return true;
}

bool FontCatalog::registerResource(const std::string& resource, const std::string& fontFile)
{
  FT_Face probe = nullptr;
  if (FT_New_Face(library_->handle, hostPath(fontFile).c_str(), 0, &probe) != 0) return false;
  FT_Done_Face(probe);
  resources_[resource] = fontFile;
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
