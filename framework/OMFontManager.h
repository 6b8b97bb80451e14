#pragma once

#include <cstdint>

class OMFont;
class OMIStream;

// The font manager hands out shared, reference-counted fonts: bitmap fonts by NFNT resource
// id, TrueType fonts by face, style and size, and fonts registered as objects. Substitutions
// replace a font asked for by another; a missing font falls back to the system font.
using NFNTLoader = OMIStream* (*)(std::uint16_t id);

OMFont* getNFNTFont(std::uint16_t id);
OMFont* getTrueTypeFont(const char* faceName, int style, int size);
OMFont* retainFont(OMFont* font);
void releaseFont(OMFont* font);
// Forgets every font and substitution; a font still referenced lives on until its last
// release.
void freeAllFonts();
// The loader gives a new stream (deleted after use) or null.
void setNFNTLoader(NFNTLoader loader);

// Each replaces an earlier substitution for the same source; source first, then target.
void substituteFontWithFont(OMFont* font, OMFont* target);
void substituteFontWithFontId(OMFont* font, std::uint16_t targetId);
void substituteFontWithTrueType(OMFont* font, const char* face, int style, int size);
void substituteFontIdWithFont(std::uint16_t id, OMFont* target);
void substituteFontIdWithId(std::uint16_t id, std::uint16_t targetId);
void substituteFontIdWithTrueType(std::uint16_t id, const char* face, int style, int size);
void substituteTrueTypeWithFont(const char* face, int style, int size, OMFont* target);
void substituteTrueTypeWithFontId(const char* face, int style, int size, std::uint16_t targetId);
void substituteTrueTypeWithTrueType(const char* face, int style, int size, const char* targetFace,
                                    int targetStyle, int targetSize);
