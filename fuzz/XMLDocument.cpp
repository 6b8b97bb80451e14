// An XML document as the engine reads it, walked, written and read back: what the writer
// makes of an accepted document must read again.
#include <cctype>
#include <string>

#include "framework/OMXMLDocument.h"
#include "framework/OMXMLElement.h"
#include "fuzz/support/FuzzSupport.h"

namespace {

// Names the writer can put down as they are.
bool isPlainName(const char* name)
{
  if (!name || !*name) return false;
  for (; *name; ++name) {
    const unsigned char c = static_cast<unsigned char>(*name);
    if (!std::isalnum(c) && c != '_' && c != '-' && c != '.' && c != ':') return false;
  }
  return true;
}

// The number of elements; plain stays true while every name is plain.
int walk(const OMXMLElement* element, int depth, bool& plain)
{
  if (!element || depth > 200) return 0;
  int count = 1;
  plain = plain && isPlainName(element->name().text());
  (void)element->attributeValue("VALUE");
  element->children().firstThat([&](OMXMLElement* child) {
    count += walk(child, depth + 1, plain);
    return false;
  });
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  omfuzz::workFolder();
  OMXMLDocument document;
  if (!document.parse(reinterpret_cast<const char*>(data), size)) return 0;
  bool plain = true;
  const int elements = walk(document.root(), 0, plain);
  if (!document.root()) return 0;
  document.root()->findDescendant("VARIABLES");
  if (!document.write("written.xml")) return 0;
  OMXMLDocument again("written.xml");
  if (!again.root()) omfuzz::broken("a written document does not read again");
  // Names that are not plain may read back otherwise; a plain tree must come back whole.
  bool plainAgain = true;
  if (plain && walk(again.root(), 0, plainAgain) != elements)
    omfuzz::broken("a written document lost elements");
  return 0;
}
