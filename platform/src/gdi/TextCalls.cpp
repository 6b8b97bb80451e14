// Fonts and text.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/src/gdi/DeviceContext.h"
#include "platform/src/gdi/FontCatalog.h"
#include "platform/src/gdi/FontInstance.h"
#include "platform/src/gdi/GdiFont.h"
#include "platform/src/gdi/Rasterizer.h"

using namespace omgdi;

HFONT CreateFontIndirectA(const LOGFONTA* logFont)
{
  if (logFont == nullptr) return nullptr;
  return registerObject(std::make_unique<GdiFont>(*logFont));
}

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName)
{
  LOGFONTA logFont{};
  logFont.lfHeight = height;
  logFont.lfWidth = width;
  logFont.lfEscapement = escapement;
  logFont.lfOrientation = orientation;
  logFont.lfWeight = weight;
  logFont.lfItalic = italic ? 1 : 0;
  logFont.lfUnderline = underline ? 1 : 0;
  logFont.lfStrikeOut = strikeOut ? 1 : 0;
  logFont.lfCharSet = static_cast<BYTE>(charSet);
  logFont.lfOutPrecision = static_cast<BYTE>(outPrecision);
  logFont.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  logFont.lfQuality = static_cast<BYTE>(quality);
  logFont.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (faceName != nullptr) std::strncpy(logFont.lfFaceName, faceName, LF_FACESIZE - 1);
  return CreateFontIndirectA(&logFont);
}

namespace {

FontInstance* fontOf(DeviceContext& dc)
{
  GdiFont* font = lookup<GdiFont>(dc.state().font, OBJ_FONT);
  if (font == nullptr) font = lookup<GdiFont>(GetStockObject(SYSTEM_FONT), OBJ_FONT);
  return font == nullptr ? nullptr : FontCatalog::instance().instanceFor(*font);
}

FontInstance* fontOf(HDC hdc)
{
  DeviceContext* dc = lookupDC(hdc);
  return dc == nullptr ? nullptr : fontOf(*dc);
}

int lengthOf(LPCSTR text, int count)
{
  if (text == nullptr) return 0;
  return count < 0 ? static_cast<int>(std::strlen(text)) : count;
}

// Draws text with the context's font, colours, background mode and alignment.
bool drawText(DeviceContext& dc, int x, int y, UINT options, const RECT* rect, LPCSTR text,
              int count, const INT* dx)
{
  FontInstance* font = fontOf(dc);
  Surface* surface = dc.surface();
  if (font == nullptr || surface == nullptr) return false;
  const TEXTMETRICA& tm = font->metrics();
  int width = 0;
  for (int i = 0; i < count; ++i) {
    width += dx != nullptr ? dx[i] : font->glyph(static_cast<unsigned char>(text[i])).advance;
  }
  DcState& state = dc.state();
  const bool updatePosition = (state.textAlign & TA_UPDATECP) != 0;
  if (updatePosition) {
    x = state.position.x;
    y = state.position.y;
  }
  const UINT horizontal = state.textAlign & TA_CENTER;
  if (horizontal == TA_CENTER) {
    x -= width / 2;
  } else if (horizontal == TA_RIGHT) {
    x -= width;
  }
  const UINT vertical = state.textAlign & TA_BASELINE;
  const int baseline = vertical == TA_BASELINE ? y
                       : vertical == TA_BOTTOM ? y - tm.tmDescent
                                               : y + tm.tmAscent;
  if (updatePosition) state.position.x = horizontal == TA_RIGHT ? x : x + width;

  const POINT origin = dc.origin();
  std::vector<RECT> clip = dc.clipRects();
  if (rect != nullptr && (options & ETO_CLIPPED)) {
    const RECT limit{rect->left + origin.x, rect->top + origin.y, rect->right + origin.x,
                     rect->bottom + origin.y};
    clip = intersectRects(clip, {limit});
  }
  Rasterizer rasterizer(*surface, clip);
  std::uint32_t bkRaw = 0, textRaw = 0;
  const bool hasBk = dc.resolveColor(state.bkColor, bkRaw);
  if (rect != nullptr && (options & ETO_OPAQUE) && hasBk) {
    Rasterizer(*surface, dc.clipRects())
        .fillRect(RECT{rect->left + origin.x, rect->top + origin.y, rect->right + origin.x,
                       rect->bottom + origin.y},
                  bkRaw);
  }
  const int left = x + origin.x;
  const int base = baseline + origin.y;
  if (state.bkMode == OPAQUE && hasBk) {
    rasterizer.fillRect(RECT{left, base - tm.tmAscent, left + width, base + tm.tmDescent}, bkRaw);
  }
  if (!dc.resolveColor(state.textColor, textRaw)) return true;
  // Only glyphs that reach the clipping area are drawn pixel by pixel: most of a long text in
  // a large font lies outside it.
  const RECT reach = boundsOf(clip);
  int pen = left;
  for (int i = 0; i < count; ++i) {
    const FontInstance::Glyph& glyph = font->glyph(static_cast<unsigned char>(text[i]));
    const std::int64_t glyphLeft = std::int64_t(pen) + glyph.left;
    const std::int64_t glyphTop = std::int64_t(base) - glyph.top;
    if (glyphLeft < reach.right && glyphLeft + glyph.width > reach.left &&
        glyphTop < reach.bottom && glyphTop + glyph.rows > reach.top) {
      for (int gy = 0; gy < glyph.rows; ++gy) {
        for (int gx = 0; gx < glyph.width; ++gx) {
          if (glyph.ink[gy * glyph.width + gx]) {
            rasterizer.plot(pen + glyph.left + gx, base - glyph.top + gy, textRaw);
          }
        }
      }
    }
    pen += dx != nullptr ? dx[i] : glyph.advance;
  }
  if (tm.tmUnderlined) {
    const int top = base + font->underlinePosition();
    rasterizer.fillRect(RECT{left, top, left + width, top + font->underlineThickness()}, textRaw);
  }
  if (tm.tmStruckOut) {
    const int top = base - tm.tmAscent / 3;
    rasterizer.fillRect(RECT{left, top, left + width, top + font->underlineThickness()}, textRaw);
  }
  return true;
}

}  // namespace

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics)
{
  FontInstance* font = fontOf(hdc);
  if (font == nullptr || metrics == nullptr) return FALSE;
  *metrics = font->metrics();
  return TRUE;
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size)
{
  FontInstance* font = fontOf(hdc);
  if (font == nullptr || size == nullptr || (text == nullptr && count > 0) || count < 0) {
    return FALSE;
  }
  size->cx = font->textWidth(text, count);
  size->cy = font->metrics().tmHeight;
  return TRUE;
}

BOOL GetTextExtentPointA(HDC hdc, LPCSTR text, int count, LPSIZE size)
{
  return GetTextExtentPoint32A(hdc, text, count, size);
}

BOOL GetCharABCWidthsA(HDC hdc, UINT first, UINT last, LPABC widths)
{
  FontInstance* font = fontOf(hdc);
  if (font == nullptr || widths == nullptr || first > last || last > 255) return FALSE;
  for (UINT code = first; code <= last; ++code) {
    const FontInstance::Glyph& glyph = font->glyph(static_cast<unsigned char>(code));
    ABC& abc = widths[code - first];
    abc.abcA = glyph.left;
    abc.abcB = static_cast<UINT>(glyph.width);
    abc.abcC = glyph.advance - glyph.left - glyph.width;
  }
  return TRUE;
}

BOOL GetCharWidthA(HDC hdc, UINT first, UINT last, LPINT widths)
{
  FontInstance* font = fontOf(hdc);
  if (font == nullptr || widths == nullptr || first > last || last > 255) return FALSE;
  for (UINT code = first; code <= last; ++code) {
    widths[code - first] = font->glyph(static_cast<unsigned char>(code)).advance;
  }
  return TRUE;
}

int EnumFontFamiliesA(HDC hdc, LPCSTR family, FONTENUMPROCA proc, LPARAM lParam)
{
  if (proc == nullptr) return 0;
  int result = 1;
  for (const auto& [name, type] : FontCatalog::instance().families()) {
    if (family != nullptr && name != family) continue;
    ENUMLOGFONTA logFont{};
    std::strncpy(logFont.elfLogFont.lfFaceName, name.c_str(), LF_FACESIZE - 1);
    std::strncpy(reinterpret_cast<char*>(logFont.elfFullName), name.c_str(), LF_FULLFACESIZE - 1);
    logFont.elfLogFont.lfHeight = 16;
    logFont.elfLogFont.lfWeight = FW_NORMAL;
    NEWTEXTMETRICA metrics{};
    TEXTMETRICA plain{};
    HFONT font = CreateFontIndirectA(&logFont.elfLogFont);
    HDC dc = hdc != nullptr ? hdc : CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    GetTextMetricsA(dc, &plain);
    SelectObject(dc, old);
    if (dc != hdc) DeleteDC(dc);
    DeleteObject(font);
    std::memcpy(&metrics, &plain, sizeof(plain));
    result =
        proc(&logFont.elfLogFont, reinterpret_cast<const TEXTMETRICA*>(&metrics), type, lParam);
    if (result == 0) break;
  }
  return result;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || count < 0 || (text == nullptr && count > 0)) return FALSE;
  return drawText(*dc, x, y, 0, nullptr, text, count, nullptr) ? TRUE : FALSE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx)
{
  DeviceContext* dc = lookupDC(hdc);
  if (dc == nullptr || (text == nullptr && count > 0)) return FALSE;
  const int length = lengthOf(text, static_cast<int>(std::min<UINT>(count, 0x7FFFFFFF)));
  return drawText(*dc, x, y, options, rect, text, length, dx) ? TRUE : FALSE;
}

int AddFontResourceA(LPCSTR fileName)
{
  return fileName == nullptr ? 0 : FontCatalog::instance().addFile(fileName);
}

BOOL RemoveFontResourceA(LPCSTR fileName)
{
  return fileName != nullptr && FontCatalog::instance().removeFile(fileName) ? TRUE : FALSE;
}

BOOL CreateScalableFontResourceA(DWORD, LPCSTR fontResource, LPCSTR fontFile, LPCSTR currentPath)
{
  if (fontResource == nullptr || fontFile == nullptr) return FALSE;
  return FontCatalog::instance().writeResource(fontResource, fontFile,
                                               currentPath != nullptr ? currentPath : "")
             ? TRUE
             : FALSE;
}
