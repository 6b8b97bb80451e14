#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "framework/OMIStreamFile.h"
#include "framework/xml.h"
#include "tests/support/TempFolder.h"

namespace {

std::string assigned(const char* text)
{
  OMXMLString string;
  string.assign(text, -1);
  return string.text();
}

bool parse(OMXMLDocument& document, const std::string& text)
{
  return document.parse(text.data(), text.size());
}

std::string attributes(const OMXMLElement& element)
{
  std::string out;
  element.attributes().firstThat([&out](OMXMLAttribute* attribute) {
    out += std::string(attribute->name.text()) + "=[" + attribute->value.text() + "]";
    return false;
  });
  return out;
}

std::string strings(const OMList<OMXMLString>& list)
{
  std::string out;
  list.firstThat([&out](OMXMLString* string) {
    out += std::string("[") + string->text() + "]";
    return false;
  });
  return out;
}

// A printable picture of a subtree, for comparing trees.
std::string describe(const OMXMLElement& element)
{
  std::string out = element.name().isSet() ? element.name().text() : "#root";
  out += "{" + attributes(element) + "|" + strings(element.texts()) + "|" +
         strings(element.comments()) + "|";
  element.children().firstThat([&out](OMXMLElement* child) {
    out += describe(*child);
    return false;
  });
  return out + "}";
}

std::string roundTrip(OMXMLDocument& document, const TempFolder& dir)
{
  const std::string path = dir.file("out.xml");
  EXPECT_TRUE(document.write(path.c_str()));
  return dir.read("out.xml");
}

}  // namespace

TEST(OMXMLString, AssignFoldsSpaceQuotesAndEntities)
{
  EXPECT_EQ(assigned("  a   b  "), "a b");
  EXPECT_EQ(assigned("\"a  b\""), "a  b");
  EXPECT_EQ(assigned("x&amp;y"), "x&y");
  EXPECT_EQ(assigned("x&foo;y"), "xfoo;y");
  EXPECT_EQ(assigned("&lt;&gt;&quot;&apos;"), "<>\"'");
  EXPECT_EQ(assigned("\t\na\r\n b"), "a b");
  EXPECT_EQ(assigned("ends with &"), "ends with");

  OMXMLString string;
  EXPECT_EQ(string.text(), nullptr);
  string.assign("abcdef", 3);
  EXPECT_STREQ(string.text(), "abc");
}

TEST(OMXMLDocument, ReadsElementsAttributesTextsAndComments)
{
  OMXMLDocument document;
  ASSERT_TRUE(parse(document,
                    "<?xml version=\"1.1\" standalone=\"no\"?>\n"
                    "<CHOR a=\"1\">\n<!-- about -->\n<ANIM x = 1 y=\"2 3\">one two\n</ANIM>\n"
                    "<EMPTY/>\n<WAVESOUND id=7/>\n<B c=\"d\" />\n<AFTER>t</AFTER>\n</CHOR>\n"));
  EXPECT_STREQ(document.version().text(), "1.1");
  EXPECT_EQ(document.standalone(), 0);
  EXPECT_EQ(describe(*document.root()),
            "#root{|||CHOR{a=[1]||[about]|ANIM{x=[1]y=[2 3]|[one][two]||}EMPTY{|||}"
            "WAVESOUND{id=[7]|||}B{c=[d]|||}AFTER{|[t]||}}}");
  OMXMLElement* anim = document.root()->findDescendant("ANIM");
  ASSERT_NE(anim, nullptr);
  EXPECT_STREQ(anim->parent()->name().text(), "CHOR");
  EXPECT_STREQ(anim->attributeValue("y"), "2 3");
  EXPECT_EQ(anim->attributeValue("z"), nullptr);
}

TEST(OMXMLDocument, EndTagFollowedByTagLosesNothing)
{
  OMXMLDocument document;
  ASSERT_TRUE(parse(document, "<a><b>1</b><c>2</c><d/><e>3</e></a>"));
  EXPECT_EQ(describe(*document.root()), "#root{|||a{|||b{|[1]||}c{|[2]||}d{|||}e{|[3]||}}}");
}

TEST(OMXMLDocument, PrologDefaultsAndDocType)
{
  OMXMLDocument plain;
  ASSERT_TRUE(parse(plain, "<a/>"));
  EXPECT_STREQ(plain.version().text(), "1.0");
  EXPECT_EQ(plain.standalone(), 1);
  EXPECT_FALSE(plain.docTypeName().isSet());

  OMXMLDocument typed;
  ASSERT_TRUE(parse(typed,
                    "<?xml version=\"1.0\" standalone=\"yes\"?>\n"
                    "<!DOCTYPE maze [<!ELEMENT maze ANY> [x]]>\n<maze/>\n"));
  EXPECT_STREQ(typed.docTypeName().text(), "maze");
  EXPECT_STREQ(typed.docTypeText(), "[<!ELEMENT maze ANY> [x]]");
  EXPECT_EQ(typed.standalone(), 0);
  EXPECT_NE(typed.root()->findDescendant("maze"), nullptr);
}

TEST(OMXMLDocument, CursorFindsAndStays)
{
  OMXMLDocument document;
  ASSERT_TRUE(parse(document, "<A>\n<B>\n<C/>\n</B>\n<C/>\n</A>\n"));
  EXPECT_EQ(document.find("missing"), nullptr);
  EXPECT_EQ(document.current(), document.root());
  OMXMLElement* b = document.find("B");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(document.find("B"), b);
  OMXMLElement* c = document.find("C");
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(c->parent(), b);
  // Children before grandchildren.
  document.setCurrent(document.root());
  EXPECT_EQ(document.find("C")->parent()->name().text(), std::string("A"));
}

TEST(OMXMLDocument, RoundTripKeepsTreeAndSpecialCharacters)
{
  TempFolder dir;
  OMXMLDocument built;
  built.setDocType("[x]", -1);
  built.setStandalone(0);
  built.docTypeName().set("ZEB_DATA_FILE");
  OMXMLElement* root = built.root()->addChild("ZEB_DATA_FILE");
  OMXMLElement* variables = root->addChild("VARIABLES");
  variables->addChild("NAME")->addAttribute("VALUE", "Tom & \"Jerry\" <3 >");
  variables->addChild("EMPTY")->addAttribute("VALUE", "");
  variables->addChild("SPACED")->addAttribute("VALUE", "a  b\tc");
  root->addText("plain");
  root->addText("two words");
  root->addText("a\"q&<b>");
  root->addText("tab\there");
  root->addComment("note --> & <stuff>");

  const std::string first = roundTrip(built, dir);
  OMXMLDocument read;
  ASSERT_TRUE(parse(read, first)) << read.error();
  EXPECT_EQ(describe(*read.root()), describe(*built.root()));
  EXPECT_STREQ(read.docTypeName().text(), "ZEB_DATA_FILE");
  EXPECT_STREQ(read.docTypeText(), "[x]");
  EXPECT_STREQ(read.root()->findDescendant("NAME")->attributeValue("VALUE"),
               "Tom & \"Jerry\" <3 >");

  // Written again, the text is the same.
  EXPECT_EQ(roundTrip(read, dir), first);
}

TEST(OMXMLDocument, WritesTheDocumentedShape)
{
  TempFolder dir;
  OMXMLDocument document;
  OMXMLElement* a = document.root()->addChild("a");
  a->addAttribute("k", "v");
  a->addText("one");
  a->addChild("b");
  EXPECT_EQ(roundTrip(document, dir),
            "<?xml version=\"1.0\" standalone=\"yes\"?>\n<a k=\"v\">\none \n<b>\n</b>\n</a>\n");
  EXPECT_FALSE(document.write((dir.file("missing") + "/x.xml").c_str()));
}

TEST(OMXMLElement, EditsTheTree)
{
  OMXMLDocument document;
  OMXMLElement* root = document.root()->addChild("R");
  OMXMLElement* x = root->addChild("X");
  root->addChild("Y");
  x->addAttribute("VALUE", "1");
  x->setAttribute("VALUE", "2");
  x->setAttribute("OTHER", "3");
  EXPECT_EQ(attributes(*x), "VALUE=[2]OTHER=[3]");

  std::unique_ptr<OMXMLElement> removed = x->removeFromParent();
  ASSERT_EQ(removed.get(), x);
  EXPECT_EQ(x->parent(), nullptr);
  EXPECT_EQ(root->children().count(), 1);
  EXPECT_EQ(root->findDescendant("X"), nullptr);
  // A root stays with its owner.
  EXPECT_EQ(document.root()->removeFromParent(), nullptr);

  OMXMLElement* moved = root->findDescendant("Y")->addChild(std::move(removed));
  EXPECT_EQ(moved->parent()->name().text(), std::string("Y"));
  EXPECT_EQ(describe(*document.root()), "#root{|||R{|||Y{|||X{VALUE=[2]OTHER=[3]|||}}}}");
}

TEST(OMXMLDocument, MalformedInputStopsWithAnError)
{
  const char* broken[] = {
      "<a><!-- never closed",
      "<?xml version=\"1.0\"",
      "<!DOCTYPE x [ <!ELEMENT x ANY> ",
      "<!DOCTYPE x",
      "<a",
      "<a><b",
  };
  for (const char* text : broken) {
    OMXMLDocument document;
    EXPECT_FALSE(parse(document, text)) << text;
    EXPECT_NE(document.error(), nullptr) << text;
  }
}

// A double quote that no other closes ends at the bound of its scan: the next "<" for text,
// the tag's end for names and values. The writer of stored files escapes nothing, so a value
// holding one quote reads so and the elements after it stay.
TEST(OMXMLDocument, ALoneQuoteEndsWhereItsScanEnds)
{
  const struct {
    const char* text;
    const char* tree;
  } cases[] = {
      {"<a>5\" tall</a><b/>", "#root{|||a{|[5 tall]||}b{|||}}"},
      {"<a>a \"quote that never ends</a>", "#root{|||a{|[a][quote that never ends]||}}"},
      {"<a x=\"open>text</a>", "#root{|||a{x=[open]|[text]||}}"},
      {"<size VALUE=\"5\"\">\n</size>\n<b VALUE=\"6\">\n</b>\n",
       "#root{|||size{VALUE=[5]|||}b{VALUE=[6]|||}}"},
      {"<?xml version=\"1.0 standalone=\"no\"?>\n<a/>", "#root{|||a{|||}}"},
      {"<!DOCTYPE \"x>\n<a/>", "#root{|||a{|||}}"},
  };
  for (const auto& c : cases) {
    OMXMLDocument document;
    EXPECT_TRUE(parse(document, c.text)) << c.text << ": " << document.error();
    EXPECT_EQ(describe(*document.root()), c.tree) << c.text;
  }
}

// However deep the writer nests a tree, it reads back whole, and trees that deep are written,
// searched and freed.
TEST(OMXMLDocument, TreesOfAnyDepthReadBack)
{
  TempFolder dir;
  constexpr int depth = 100000;
  {
    OMXMLDocument built;
    OMXMLElement* element = built.root();
    for (int level = 0; level < depth; ++level)
      element = element->addChild(level + 1 == depth ? "deepest" : "e");
    element->addAttribute("VALUE", "7");
    ASSERT_TRUE(built.write(dir.file("deep.xml").c_str()));
  }
  OMXMLDocument read(dir.file("deep.xml").c_str());
  EXPECT_EQ(read.error(), nullptr);
  const OMXMLElement* deepest = read.root()->findDescendant("deepest");
  ASSERT_NE(deepest, nullptr);
  EXPECT_STREQ(deepest->attributeValue("VALUE"), "7");
  int levels = 0;
  for (const OMXMLElement* up = deepest; up->parent(); up = up->parent())
    ++levels;
  EXPECT_EQ(levels, depth);
  EXPECT_EQ(read.root()->findDescendant("missing"), nullptr);
}

TEST(OMXMLDocument, ForgivingShapesStillParse)
{
  OMXMLDocument document;
  // A missing end tag ends the element at the end of the text; "&" without a name is dropped.
  EXPECT_TRUE(parse(document, "<a><b>x & y</b>"));
  EXPECT_EQ(describe(*document.root()), "#root{|||a{|||b{|[x][][y]||}}}");
  // Every prefix of a good document is handled without reading past it.
  const std::string good = "<?xml version=\"1.0\"?><a k=\"v\"><!--c--><b>t</b></a>";
  for (std::size_t length = 0; length <= good.size(); ++length) {
    const std::string prefix = good.substr(0, length);
    OMXMLDocument partial;
    partial.parse(prefix.data(), prefix.size());
  }
  SUCCEED();
}

TEST(OMXMLDocument, ReadsFilesStreamsAndResources)
{
  TempFolder dir;
  dir.write("doc.xml",
            std::string("<?xml version=\"1.0\"?>\n<ZEB_DATA_FILE>\n<VARIABLES>\n"
                        "<X VALUE=\"1 &amp; 2\">\n</X>\n</VARIABLES>\n</ZEB_DATA_FILE>\n"));
  OMXMLDocument fromFile(dir.file("doc.xml").c_str());
  OMXMLElement* x = fromFile.find("X");
  ASSERT_NE(x, nullptr);
  EXPECT_STREQ(x->attributeValue("VALUE"), "1 & 2");

  OMXMLDocument missing(dir.file("none.xml").c_str());
  EXPECT_TRUE(missing.root()->children().isEmpty());

  auto* stream = new OMIStreamFile(dir.file("doc.xml").c_str(), 16, nullptr);
  OMXMLDocument fromStream(stream, 1);
  EXPECT_NE(fromStream.root()->findDescendant("VARIABLES"), nullptr);

  OMXMLDocument noOpener(5);
  EXPECT_TRUE(noOpener.root()->children().isEmpty());
  static std::string path;
  path = dir.file("doc.xml");
  static int askedId;
  OMXMLDocument::setResourceOpener([](int id, int whole) -> OMIStream* {
    askedId = id * 10 + whole;
    return new OMIStreamFile(path.c_str(), -1, nullptr);
  });
  OMXMLDocument fromResource(7);
  OMXMLDocument::setResourceOpener(nullptr);
  EXPECT_EQ(askedId, 71);
  EXPECT_NE(fromResource.root()->findDescendant("X"), nullptr);
}

TEST(OMXMLDocument, DamagedDocumentsNeverReadPastTheirText)
{
  const std::string good =
      "<?xml version=\"1.0\" standalone=\"yes\"?>\n<!DOCTYPE c [x]>\n<CHOR a=\"1 2\" b=q>\n"
      "<!-- note -->\n<ANIM x=\"&lt;\">one \"two three\" &amp;</ANIM>\n<E/>\n<F "
      "g=\"h\"/>\n</CHOR>\n";
  const char replacements[] = {'<', '>', '"', '/', '!', '-', '?', '&', ' ', '\0', '[', ']'};
  std::uint32_t seed = 12345;
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = good;
    for (int change = 0; change < 1 + round % 4; ++change) {
      seed = seed * 1103515245 + 12345;
      const std::size_t at = (seed >> 8) % damaged.size();
      damaged[at] = replacements[(seed >> 20) % sizeof replacements];
    }
    // Exactly the damaged bytes, without a terminator behind them.
    std::unique_ptr<char[]> exact(new char[damaged.size()]);
    std::memcpy(exact.get(), damaged.data(), damaged.size());
    OMXMLDocument document;
    const bool parsed = document.parse(exact.get(), damaged.size());
    EXPECT_EQ(parsed, document.error() == nullptr);
  }
}
