#include "framework/OMFontManager.h"

#include <memory>
#include <string>
#include <vector>

#include "framework/OMIStream.h"
#include "framework/OMList.h"
#include "framework/OMNFNTFont.h"
#include "framework/OMSysFont.h"
#include "framework/OMTTFont.h"

namespace {

enum Kind { byObject = 0, byId = 1, byFace = 2 };

struct FontKey {
  int kind = byObject;
  OMFont* font = nullptr;
  std::uint16_t id = 0;
  std::string face;
  int style = 0;
  int size = 0;

  bool operator==(const FontKey& other) const
  {
    if (kind != other.kind) return false;
    switch (kind) {
      case byObject:
        return font == other.font;
      case byId:
        return id == other.id;
      default:
        return face == other.face && style == other.style && size == other.size;
    }
  }
};

struct FontRecord {
  FontKey key;
  OMFont* font = nullptr;
  int refCount = 0;
};

struct SubstitutionRecord {
  FontKey source;
  FontKey target;
};

struct Manager {
  OMList<FontRecord> fonts;
  // Fonts that freeAllFonts found still held: no lookup finds them, their last release
  // deletes them.
  OMList<FontRecord> spared;
  OMList<SubstitutionRecord> substitutions;
  NFNTLoader loader = nullptr;
  // The sources whose substitutions are being followed: one met again closes a loop.
  std::vector<FontKey> following;
};

// Never destroyed: fonts hold platform handles, which static destruction cannot follow.
Manager& manager()
{
  static Manager& m = *new Manager;
  return m;
}

FontKey objectKey(OMFont* font)
{
  FontKey k;
  k.kind = byObject;
  k.font = font;
  return k;
}

FontKey idKey(std::uint16_t id)
{
  FontKey k;
  k.kind = byId;
  k.id = id;
  return k;
}

FontKey faceKey(const char* face, int style, int size)
{
  FontKey k;
  k.kind = byFace;
  k.face = face ? face : "";
  k.style = style;
  k.size = size;
  return k;
}

const SubstitutionRecord* substitutionFor(const FontKey& source)
{
  Manager& m = manager();
  for (const FontKey& k : m.following)
    if (k == source) return nullptr;
  return m.substitutions.firstThat([&](SubstitutionRecord* r) { return r->source == source; });
}

OMFont* resolve(const FontKey& target)
{
  switch (target.kind) {
    case byObject:
      return retainFont(target.font);
    case byId:
      return getNFNTFont(target.id);
    default:
      return getTrueTypeFont(target.face.c_str(), target.style, target.size);
  }
}

OMFont* follow(const FontKey& source, const SubstitutionRecord& substitution)
{
  Manager& m = manager();
  const FontKey target = substitution.target;
  m.following.push_back(source);
  OMFont* font = resolve(target);
  m.following.pop_back();
  return font;
}

FontRecord* recordWithKey(const FontKey& key)
{
  return manager().fonts.firstThat([&](FontRecord* r) { return r->key == key; });
}

// The record of a font object, spared or not.
FontRecord* recordOf(const OMFont* font)
{
  Manager& m = manager();
  const auto holds = [&](FontRecord* r) { return r->font == font; };
  if (FontRecord* record = m.fonts.firstThat(holds)) return record;
  return m.spared.firstThat(holds);
}

OMFont* addRecord(const FontKey& key, OMFont* font)
{
  auto* record = new FontRecord{key, font, 1};
  manager().fonts.add(record);
  return font;
}

void substitute(const FontKey& source, const FontKey& target)
{
  Manager& m = manager();
  if (SubstitutionRecord* old =
          m.substitutions.firstThat([&](SubstitutionRecord* r) { return r->source == source; })) {
    old->target = target;
    return;
  }
  m.substitutions.add(new SubstitutionRecord{source, target});
}

}  // namespace

OMFont* getNFNTFont(std::uint16_t id)
{
  const FontKey key = idKey(id);
  if (const SubstitutionRecord* s = substitutionFor(key)) return follow(key, *s);
  if (FontRecord* record = recordWithKey(key)) {
    ++record->refCount;
    return record->font;
  }
  Manager& m = manager();
  std::unique_ptr<OMIStream> stream(m.loader ? m.loader(id) : nullptr);
  if (stream) {
    auto font = std::make_unique<OMNFNTFont>(stream.get());
    stream.reset();
    // A damaged font falls back like a missing one.
    if (font->isValid()) return addRecord(key, font.release());
  }
  return retainFont(new OMSysFont);
}

OMFont* getTrueTypeFont(const char* faceName, int style, int size)
{
  const FontKey key = faceKey(faceName, style, size);
  if (const SubstitutionRecord* s = substitutionFor(key)) return follow(key, *s);
  if (FontRecord* record = recordWithKey(key)) {
    ++record->refCount;
    return record->font;
  }
  if (OMTTFont::hasTrueTypeFamily(faceName)) {
    auto* font = new OMTTFont(faceName, nullptr, nullptr, nullptr);
    font->setStyle(style);
    font->setSize(size);
    return addRecord(key, font);
  }
  return retainFont(new OMSysFont);
}

OMFont* retainFont(OMFont* font)
{
  if (!font) return nullptr;
  const FontKey key = objectKey(font);
  if (const SubstitutionRecord* s = substitutionFor(key)) return follow(key, *s);
  if (FontRecord* record = recordOf(font)) {
    ++record->refCount;
    return font;
  }
  return addRecord(key, font);
}

void releaseFont(OMFont* font)
{
  FontRecord* record = recordOf(font);
  if (!record || --record->refCount > 0) return;
  Manager& m = manager();
  if (m.fonts.contains(record))
    m.fonts.remove(record);
  else
    m.spared.remove(record);
  delete record->font;
  delete record;
}

void freeAllFonts()
{
  Manager& m = manager();
  // A font still referenced (a live text trinket's) must not go under its holder: it is only
  // forgotten, and its holder's release deletes it.
  while (FontRecord* record = m.fonts.first()) {
    m.fonts.remove(record);
    if (record->refCount > 0) {
      m.spared.add(record);
    } else {
      delete record->font;
      delete record;
    }
  }
  m.substitutions.deleteAll(1);
}

void setNFNTLoader(NFNTLoader loader)
{
  manager().loader = loader;
}

void substituteFontWithFont(OMFont* font, OMFont* target)
{
  substitute(objectKey(font), objectKey(target));
}

void substituteFontWithFontId(OMFont* font, std::uint16_t targetId)
{
  substitute(objectKey(font), idKey(targetId));
}

void substituteFontWithTrueType(OMFont* font, const char* face, int style, int size)
{
  substitute(objectKey(font), faceKey(face, style, size));
}

void substituteFontIdWithFont(std::uint16_t id, OMFont* target)
{
  substitute(idKey(id), objectKey(target));
}

void substituteFontIdWithId(std::uint16_t id, std::uint16_t targetId)
{
  substitute(idKey(id), idKey(targetId));
}

void substituteFontIdWithTrueType(std::uint16_t id, const char* face, int style, int size)
{
  substitute(idKey(id), faceKey(face, style, size));
}

void substituteTrueTypeWithFont(const char* face, int style, int size, OMFont* target)
{
  substitute(faceKey(face, style, size), objectKey(target));
}

void substituteTrueTypeWithFontId(const char* face, int style, int size, std::uint16_t targetId)
{
  substitute(faceKey(face, style, size), idKey(targetId));
}

void substituteTrueTypeWithTrueType(const char* face, int style, int size, const char* targetFace,
                                    int targetStyle, int targetSize)
{
  substitute(faceKey(face, style, size), faceKey(targetFace, targetStyle, targetSize));
}
