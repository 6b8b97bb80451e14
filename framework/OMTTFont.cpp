#include "framework/OMTTFont.h"

#include <algorithm>
#include <cstring>
#include <limits>

const OMClassDescriptor OMTTFont::classDescriptor = {"OMTTFont"};

namespace {

struct FamilySearch {
  const char* face;
  bool found;
};

int CALLBACK familyFound(const LOGFONTA* font, const TEXTMETRICA*, DWORD type, LPARAM data)
{
  auto* search = reinterpret_cast<FamilySearch*>(data);
  if ((type & TRUETYPE_FONTTYPE) && std::strcmp(font->lfFaceName, search->face) == 0) {
    search->found = true;
    return 0;
  }
  return 1;
}

std::string joined(const std::string& directory, const std::string& file)
{
  if (!directory.empty() && directory.back() == '\\') return directory + file;
  return directory + "\\" + file;
}

}  // namespace

bool OMTTFont::hasTrueTypeFamily(const char* faceName)
{
  if (!faceName || !*faceName) return false;
  FamilySearch search{faceName, false};
  HDC screen = GetDC(nullptr);
  EnumFontFamiliesA(screen, nullptr, familyFound, reinterpret_cast<LPARAM>(&search));
  ReleaseDC(nullptr, screen);
  return search.found;
}

OMTTFont::OMTTFont(const char* faceName, const char* fontFile, const char* ttfDirectory,
                   const char* fotDirectory)
    : OMFont(nullptr)
{
  if (fontFile && *fontFile) {
    char system[260] = {};
    GetSystemDirectoryA(system, sizeof system);
    const std::string ttfDir = ttfDirectory && *ttfDirectory ? ttfDirectory : system;
    const std::string fotDir = fotDirectory && *fotDirectory ? fotDirectory : system;
    const std::string fot = joined(fotDir, std::string(fontFile) + ".fot");
    const std::string ttf = joined(ttfDir, std::string(fontFile) + ".ttf");
    if (CreateScalableFontResourceA(0, fot.c_str(), ttf.c_str(), nullptr) &&
        AddFontResourceA(fot.c_str()))
      installedFile_ = fot;
  }
  if (hasTrueTypeFamily(faceName)) {
    name_ = faceName;
    hasFace_ = true;
  }
  setSize(16);
  setStyle(0);
}

OMTTFont::~OMTTFont()
{
  if (handle_) DeleteObject(handle_);
  if (!installedFile_.empty()) {
    RemoveFontResourceA(installedFile_.c_str());
    DeleteFileA(installedFile_.c_str());
  }
}

void OMTTFont::rebuild()
{
  HFONT previous = handle_;
  // The character height is the size negated; the one size that has no negation takes the
  // nearest that has.
  const int height = -std::max(size_, -std::numeric_limits<int>::max());
  handle_ = CreateFontA(height, 0, 0, 0, (style_ & bold) ? 700 : 0, (style_ & italic) ? 1 : 0,
                        (style_ & underline) ? 1 : 0, 0, 1, 0, 0, 0, 0,
                        hasFace_ ? name_.c_str() : nullptr);
  if (previous) DeleteObject(previous);
}

void OMTTFont::setSize(int size)
{
  size_ = size;
  rebuild();
}

void OMTTFont::setStyle(int style)
{
  style_ = style;
  rebuild();
}

int OMTTFont::ascent() const
{
  return gdiMetrics().tmAscent;
}

int OMTTFont::descent() const
{
  return gdiMetrics().tmDescent;
}

int OMTTFont::leading() const
{
  return gdiMetrics().tmExternalLeading;
}

int OMTTFont::textWidth(const char* text) const
{
  return gdiTextWidth(text);
}

OMRect OMTTFont::textBounds(const char* text) const
{
  if (!text || !*text) return OMRect(0, -ascent(), 0, descent());
  const std::size_t n = std::strlen(text);
  ABC first{}, last{};
  HDC screen = GetDC(nullptr);
  HGDIOBJ previous = SelectObject(screen, handle_);
  const UINT a = static_cast<unsigned char>(text[0]);
  const UINT z = static_cast<unsigned char>(text[n - 1]);
  GetCharABCWidthsA(screen, a, a, &first);
  GetCharABCWidthsA(screen, z, z, &last);
  SelectObject(screen, previous);
  ReleaseDC(nullptr, screen);
  return OMRect(first.abcA, -ascent(), textWidth(text) - last.abcC, descent());
}
