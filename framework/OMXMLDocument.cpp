#include "framework/OMXMLDocument.h"

#include <cstring>

#include "framework/OMIStreamFile.h"
#include "framework/OMQueriedFile.h"
#include "framework/OMSystemCalls.h"
#include "framework/OMXMLParser.h"

namespace {

OMXMLDocument::ResourceOpener theResourceOpener = nullptr;

bool hasWhiteSpace(const char* text)
{
  return std::strpbrk(text, " \t\r\n") != nullptr;
}

// The reader decodes these entities, so escaped text reads back as it was.
void writeEscaped(std::FILE* file, const char* text)
{
  for (const char* c = text ? text : ""; *c; ++c) {
    switch (*c) {
      case '&':
        std::fputs("&amp;", file);
        break;
      case '<':
        std::fputs("&lt;", file);
        break;
      case '>':
        std::fputs("&gt;", file);
        break;
      case '"':
        std::fputs("&quot;", file);
        break;
      default:
        std::fputc(*c, file);
    }
  }
}

// An element's start tag, comments and text tokens: what comes before its children.
void writeOpening(std::FILE* file, const OMXMLElement& element)
{
  if (element.name().isSet()) {
    std::fprintf(file, "<%s", element.name().text());
    element.attributes().firstThat([file](OMXMLAttribute* attribute) {
      std::fprintf(file, " %s=\"", attribute->name.text() ? attribute->name.text() : "");
      writeEscaped(file, attribute->value.text());
      std::fputc('"', file);
      return false;
    });
    std::fputs(">\n", file);
  }
  if (!element.comments().isEmpty()) {
    std::fputs("<!--\n", file);
    element.comments().firstThat([file](OMXMLString* comment) {
      writeEscaped(file, comment->text());
      std::fputc('\n', file);
      return false;
    });
    std::fputs("-->\n", file);
  }
  if (!element.texts().isEmpty()) {
    element.texts().firstThat([file](OMXMLString* token) {
      // Quoted when the reader would split or lose it otherwise.
      const char* text = token->text() ? token->text() : "";
      const bool quoted = !*text || hasWhiteSpace(text);
      if (quoted) std::fputc('"', file);
      writeEscaped(file, text);
      std::fputs(quoted ? "\" " : " ", file);
      return false;
    });
    std::fputc('\n', file);
  }
}

}  // namespace

OMXMLDocument::OMXMLDocument() : OMXMLCursor(this, nullptr), version_("1.0")
{
  reset();
}

OMXMLDocument::OMXMLDocument(OMIStream* stream, int deleteStream) : OMXMLDocument()
{
  parseStream(stream);
  if (deleteStream) delete stream;
}

OMXMLDocument::OMXMLDocument(int resourceId) : OMXMLDocument()
{
  if (!theResourceOpener) return;
  std::unique_ptr<OMIStream> stream(theResourceOpener(resourceId, 1));
  parseStream(stream.get());
}

OMXMLDocument::OMXMLDocument(const char* fileName) : OMXMLDocument()
{
  if (!queryFile(fileName).exists) return;
  OMIStreamFile stream(fileName, -1, nullptr);
  parseStream(&stream);
}

OMXMLDocument::~OMXMLDocument() = default;

void OMXMLDocument::parseStream(OMIStream* stream)
{
  if (!stream) return;
  std::string text;
  for (std::int32_t length = stream->load(0); length > 0; length = stream->load(0))
    text.append(reinterpret_cast<const char*>(stream->data()), std::size_t(length));
  parse(text.data(), text.size());
}

void OMXMLDocument::setResourceOpener(ResourceOpener opener)
{
  theResourceOpener = opener;
}

OMXMLDocument::ResourceOpener OMXMLDocument::resourceOpener()
{
  return theResourceOpener;
}

void OMXMLDocument::reset()
{
  root_ = std::make_unique<OMXMLElement>();
  setCurrent(root_.get());
  error_.clear();
}

void OMXMLDocument::setDocType(const char* text, int length)
{
  if (!text) {
    docTypeText_.reset();
    return;
  }
  docTypeText_ = length < 0 ? std::string(text) : std::string(text, std::size_t(length));
}

bool OMXMLDocument::parse(const char* text, std::size_t length)
{
  reset();
  if (!text) return true;
  OMXMLParser parser(*this, std::string_view(text, length));
  const bool parsed = parser.parse();
  error_ = parser.error();
  return parsed;
}

bool OMXMLDocument::write(const char* fileName) const
{
  forgetQueriedFile(fileName);
  std::FILE* file = omsys::openStdioFile(fileName, "wt");
  if (!file) return false;
  const bool written = write(file);
  return std::fclose(file) == 0 && written;
}

bool OMXMLDocument::write(std::FILE* file) const
{
  std::fprintf(file, "<?xml version=\"%s\" standalone=\"%s\"?>\n",
               version_.text() ? version_.text() : "", standalone_ ? "yes" : "no");
  if (docTypeName_.isSet())
    std::fprintf(file, "<!DOCTYPE %s %s>\n", docTypeName_.text(),
                 docTypeText() ? docTypeText() : "");
  writeElement(file, *root_);
  return std::ferror(file) == 0;
}

void OMXMLDocument::writeElement(std::FILE* file, const OMXMLElement& element) const
{
  // However deep the tree: the walk keeps its open elements off the stack.
  element.walk(
      [file](const OMXMLElement& each) {
        writeOpening(file, each);
        return true;
      },
      [file](const OMXMLElement& each) {
        if (each.name().isSet()) std::fprintf(file, "</%s>\n", each.name().text());
      });
}
