#include "trinkets/lib/CharacterChoreography.h"

#include <cstdlib>
#include <sstream>
#include <string>

#include "framework/OMXMLCursor.h"
#include "framework/OMXMLDocument.h"
#include "framework/OMXMLElement.h"

namespace {

int numberAttribute(const OMXMLElement& element, const char* name, int fallback)
{
  const char* value = element.attributeValue(name);
  return value ? std::atoi(value) : fallback;
}

std::string textOf(const OMXMLElement& element)
{
  std::string all;
  element.texts().firstThat([&](OMXMLString* text) {
    if (text->text()) all += std::string(text->text()) + " ";
    return false;
  });
  return all;
}

}  // namespace

bool CharacterChoreography::read(const char* text, std::size_t length, const char** problem)
{
  tracks_.clear();
  soundId_ = -1;
  OMXMLDocument document;
  if (!text || !document.parse(text, length) || !document.root()) {
    *problem = "not a document";
    return false;
  }
  OMXMLCursor cursor(&document, document.root());
  const OMXMLElement* chor = cursor.find("CHOR");
  if (!chor) {
    *problem = "no CHOR element";
    return false;
  }
  framesPerSecond_ = numberAttribute(*chor, "FPS", 0);
  if (framesPerSecond_ < 1) {
    *problem = "no frame rate";
    return false;
  }
  chor->children().firstThat([this](OMXMLElement* child) {
    if (child->name().equals("ANIM")) readTrack(*child);
    return false;
  });
  if (const OMXMLElement* sound = chor->findDescendant("WAVESOUND"))
    soundId_ = numberAttribute(*sound, "ID", -1);
  return true;
}

bool CharacterChoreography::readTrack(const OMXMLElement& anim)
{
  const OMXMLElement* sequence = anim.findDescendant("SEQ");
  const OMXMLElement* frames = sequence ? sequence->findDescendant("FRAMES") : nullptr;
  if (!frames) return false;
  Track track;
  track.animationId = numberAttribute(anim, "ID", 0);
  std::istringstream tokens(textOf(*frames));
  for (std::string token; tokens >> token;)
    track.frames.push_back(std::atoi(token.c_str()));
  tracks_.push_back(std::move(track));
  return true;
}
