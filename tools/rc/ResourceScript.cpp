#include "tools/rc/ResourceScript.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <sstream>

#include "platform/src/kernel/Codepage.h"

namespace omrc {

struct ResourceScript::Token {
  enum Kind { Word, Number, Text, Punct, End } kind = End;
  std::string text;
  long long value = 0;
  int line = 0;
};

namespace {

// A failure inside the parser; caught at compile() and never thrown past it.
struct ScriptError {
  std::string message;
};
// A text that is not UTF-8; the parser names its line.
struct TextError {};

// Little-endian byte building.
struct Bytes {
  std::vector<std::uint8_t> data;
  void u8(unsigned v) { data.push_back(static_cast<std::uint8_t>(v)); }
  void u16(unsigned v)
  {
    u8(v & 0xFF);
    u8((v >> 8) & 0xFF);
  }
  void u32(unsigned long v)
  {
    u16(v & 0xFFFF);
    u16((v >> 16) & 0xFFFF);
  }
  void align4()
  {
    while (data.size() % 4)
      u8(0);
  }
  void patch16(std::size_t at, unsigned v)
  {
    data[at] = static_cast<std::uint8_t>(v & 0xFF);
    data[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
  }
  void append(const std::vector<std::uint8_t>& more)
  {
    data.insert(data.end(), more.begin(), more.end());
  }
  void cp1252z(const std::string& utf8)
  {
    for (char c : omwin::utf8ToCp1252(utf8))
      u8(static_cast<unsigned char>(c));
    u8(0);
  }
  void utf16z(const std::string& utf8);
};

void Bytes::utf16z(const std::string& utf8)
{
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    int extra = lead < 0x80 ? 0 : (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : 3;
    char32_t code = extra == 0   ? lead
                    : extra == 1 ? lead & 0x1F
                    : extra == 2 ? lead & 0x0F
                                 : lead & 0x07;
    if ((lead >= 0x80 && lead < 0xC0) || lead >= 0xF8 || i + extra >= utf8.size())
      throw TextError{};
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<unsigned char>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) throw TextError{};
      code = (code << 6) | (next & 0x3F);
    }
    i += extra + 1;
    if (code >= 0x10000) {
      code -= 0x10000;
      u16(0xD800 + (code >> 10));
      u16(0xDC00 + (code & 0x3FF));
    } else {
      u16(code);
    }
  }
  u16(0);
}

// The numbers of the standard types this language names by word.
const std::map<std::string, unsigned>& standardTypes()
{
  static const std::map<std::string, unsigned> types = {
      {"CURSOR", 12},     {"BITMAP", 2},  {"ICON", 14},   {"MENU", 4},
      {"DIALOG", 5},      {"STRING", 6},  {"FONTDIR", 7}, {"FONT", 8},
      {"ACCELERATOR", 9}, {"RCDATA", 10}, {"VERSION", 16}};
  return types;
}

const std::map<std::string, unsigned>& controlClasses()
{
  static const std::map<std::string, unsigned> classes = {{"BUTTON", 0x80},    {"EDIT", 0x81},
                                                          {"STATIC", 0x82},    {"LISTBOX", 0x83},
                                                          {"SCROLLBAR", 0x84}, {"COMBOBOX", 0x85}};
  return classes;
}

std::string upper(std::string text)
{
  for (char& c : text)
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

// A name or number where Windows takes either (sz_Or_Ord).
struct NameOrNumber {
  bool present = false;
  bool isNumber = false;
  unsigned number = 0;
  std::string text;
};

void writeNameOrNumber(Bytes& out, const NameOrNumber& value)
{
  if (!value.present) {
    out.u16(0);
  } else if (value.isNumber) {
    out.u16(0xFFFF);
    out.u16(value.number);
  } else {
    out.utf16z(value.text);
  }
}

}  // namespace

class ResourceScript::Parser {
 public:
  Parser(ResourceScript& script, const std::string& text) : script_(script) { tokenise(text); }

  void parseAll()
  {
    while (peek().kind != Token::End) {
      try {
        parseStatement();
      } catch (const TextError&) {
        fail("a text is not valid UTF-8");
      }
    }
  }

 private:
  using Token = ResourceScript::Token;

  [[noreturn]] void fail(const std::string& message) const
  {
    throw ScriptError{"line " + std::to_string(peek().line) + ": " + message};
  }

  // ---- tokens -------------------------------------------------------------------------------
  void tokenise(const std::string& text)
  {
    int line = 1;
    std::size_t i = 0;
    auto error = [&](const std::string& message) {
      throw ScriptError{"line " + std::to_string(line) + ": " + message};
    };
    while (i < text.size()) {
      const char c = text[i];
      if (c == '\n') {
        ++line;
        ++i;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++i;
      } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '/') {
        while (i < text.size() && text[i] != '\n')
          ++i;
      } else if (c == '"') {
        tokens_.push_back({Token::Text, readText(text, i, error), 0, line});
      } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                 (c == '-' && i + 1 < text.size() &&
                  std::isdigit(static_cast<unsigned char>(text[i + 1])))) {
        std::size_t used = 0;
        long long value = 0;
        try {
          value = std::stoll(text.substr(i, 24), &used, 0);
        } catch (...) {
          error("a number is out of range");
        }
        i += used;
        if (i < text.size() && (text[i] == 'L' || text[i] == 'l')) ++i;
        tokens_.push_back({Token::Number, "", value, line});
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
        std::size_t start = i;
        while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) ||
                                   text[i] == '_' || text[i] == '.'))
          ++i;
        tokens_.push_back({Token::Word, text.substr(start, i - start), 0, line});
      } else if (c == '{' || c == '}' || c == ',' || c == '|') {
        tokens_.push_back({Token::Punct, std::string(1, c), 0, line});
        ++i;
      } else {
        error(std::string("unexpected character '") + c + "'");
      }
    }
    tokens_.push_back({Token::End, "", 0, line});
  }

  template <class Error>
  static std::string readText(const std::string& text, std::size_t& i, Error error)
  {
    std::string result;
    ++i;  // the opening quote
    while (true) {
      if (i >= text.size() || text[i] == '\n') error("a text is not closed");
      const char c = text[i++];
      if (c == '"') {
        if (i < text.size() && text[i] == '"') {  // "" stands for one quote
          result += '"';
          ++i;
          continue;
        }
        return result;
      }
      if (c != '\\') {
        result += c;
        continue;
      }
      if (i >= text.size()) error("a text is not closed");
      const char escaped = text[i++];
      switch (escaped) {
        case 'n':
          result += '\n';
          break;
        case 'r':
          result += '\r';
          break;
        case 't':
          result += '\t';
          break;
        case '0':
          result += '\0';
          break;
        case 'x': {
          std::size_t used = 0;
          const std::string digits = text.substr(i, 2);
          unsigned value = 0;
          try {
            value = static_cast<unsigned>(std::stoul(digits, &used, 16));
          } catch (...) {
            error("a \\x escape needs hexadecimal digits");
          }
          i += used;
          // A byte of the code page, kept as its UTF-8 form until the text is encoded.
          result += omwin::cp1252ToUtf8(std::string(1, static_cast<char>(value)));
          break;
        }
        default:
          result += escaped;
          break;
      }
    }
  }

  const Token& peek() const { return tokens_[position_]; }
  Token next()
  {
    Token token = tokens_[position_];
    if (token.kind != Token::End) ++position_;
    return token;
  }
  bool isPunct(const char* text) const
  {
    return peek().kind == Token::Punct && peek().text == text;
  }
  bool isWord(const char* word) const
  {
    return peek().kind == Token::Word && upper(peek().text) == word;
  }
  void expectPunct(const char* text)
  {
    if (!isPunct(text)) fail(std::string("'") + text + "' expected");
    next();
  }
  bool skipComma()
  {
    if (!isPunct(",")) return false;
    next();
    return true;
  }

  long long number()
  {
    if (peek().kind != Token::Number) fail("a number expected");
    long long value = next().value;
    while (isPunct("|")) {
      next();
      if (peek().kind != Token::Number) fail("a number expected after '|'");
      value |= next().value;
    }
    return value;
  }
  unsigned word16(const char* what)
  {
    const long long value = number();
    if (value < -32768 || value > 65535) fail(std::string(what) + " does not fit 16 bits");
    return static_cast<unsigned>(value) & 0xFFFF;
  }
  unsigned long word32()
  {
    const long long value = number();
    if (value < -2147483648LL || value > 0xFFFFFFFFLL) fail("a number does not fit 32 bits");
    return static_cast<unsigned long>(value) & 0xFFFFFFFFul;
  }
  std::string text()
  {
    if (peek().kind != Token::Text) fail("a text expected");
    std::string result = next().text;
    while (peek().kind == Token::Text)
      result += next().text;  // adjacent texts join
    return result;
  }
  NameOrNumber nameOrNumber()
  {
    NameOrNumber value;
    value.present = true;
    if (peek().kind == Token::Number) {
      value.isNumber = true;
      value.number = word16("a resource number");
    } else if (peek().kind == Token::Text || peek().kind == Token::Word) {
      value.text = peek().kind == Token::Text ? text() : next().text;
    } else {
      fail("a name or number expected");
    }
    return value;
  }

  // ---- statements ---------------------------------------------------------------------------
  void add(Resource resource)
  {
    for (const auto& other : script_.resources_) {
      const bool sameType = other.typeName == resource.typeName && other.typeId == resource.typeId;
      const bool sameName = upper(other.name) == upper(resource.name) && other.id == resource.id;
      if (sameType && sameName) fail("a resource of this type and name exists already");
    }
    script_.resources_.push_back(std::move(resource));
  }

  Resource resourceOf(const std::string& typeWord, unsigned typeNumber, const NameOrNumber& name)
  {
    Resource resource;
    if (typeWord.empty())
      resource.typeId = typeNumber;
    else
      resource.typeName = omwin::utf8ToCp1252(typeWord);
    if (name.isNumber)
      resource.id = name.number;
    else
      resource.name = omwin::utf8ToCp1252(name.text);
    if (!name.isNumber && name.text.empty()) fail("a resource name may not be empty");
    return resource;
  }

  void parseStatement()
  {
    std::string typeWord;
    unsigned typeNumber = 0;
    if (peek().kind == Token::Word) {
      typeWord = upper(next().text);
    } else if (peek().kind == Token::Number) {
      typeNumber = word16("a type number");
    } else {
      fail("a resource type expected");
    }
    const NameOrNumber name = nameOrNumber();
    const auto standard = standardTypes().find(typeWord);
    if (standard != standardTypes().end()) {
      typeNumber = standard->second;
      Resource resource = resourceOf("", typeNumber, name);
      if (typeWord == "DIALOG")
        resource.bytes = dialog();
      else if (typeWord == "MENU")
        resource.bytes = menu();
      else if (typeWord == "VERSION")
        resource.bytes = version();
      else if (typeWord == "BITMAP")
        resource.bytes = bitmap(fileBytes(text()));
      else if (typeWord == "ICON" || typeWord == "CURSOR") {
        iconGroup(resource, typeWord == "CURSOR");
        return;
      } else
        resource.bytes = rawBody();
      add(std::move(resource));
      return;
    }
    Resource resource = resourceOf(typeWord, typeNumber, name);
    if (typeWord == "TEXT") {
      Bytes out;
      out.cp1252z(text());
      resource.bytes = out.data;
    } else {
      resource.bytes = rawBody();
    }
    add(std::move(resource));
  }

  // A file's bytes, or inline bytes in braces.
  std::vector<std::uint8_t> rawBody()
  {
    if (peek().kind == Token::Text) return fileBytes(text());
    expectPunct("{");
    Bytes out;
    while (!isPunct("}")) {
      if (peek().kind == Token::Text) {
        for (char c : omwin::utf8ToCp1252(text()))
          out.u8(static_cast<unsigned char>(c));
      } else {
        const long long value = number();
        if (value < -128 || value > 255) fail("an inline byte must lie in 0..255");
        out.u8(static_cast<unsigned>(value) & 0xFF);
      }
      if (!skipComma() && !isPunct("}")) fail("',' or '}' expected");
    }
    next();
    return out.data;
  }

  std::vector<std::uint8_t> fileBytes(const std::string& name)
  {
    const std::string cannotRead = "cannot read the file \"" + name + "\"";
    // An empty name would name the folder itself, and reading a folder throws.
    if (name.empty()) fail(cannotRead);
    for (const auto& folder : script_.fileFolders_) {
      const std::string path = folder.empty() ? name : folder + "/" + name;
      std::error_code error;
      if (!std::filesystem::is_regular_file(path, error)) continue;
      std::ifstream in(path, std::ios::binary);
      if (!in) continue;
      try {
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        script_.filesRead_.push_back(path);
        return bytes;
      } catch (const std::ios_base::failure&) {
        fail(cannotRead);
      }
    }
    fail(cannotRead);
  }

  std::vector<std::uint8_t> bitmap(const std::vector<std::uint8_t>& file)
  {
    if (file.size() < 14 + 40 || file[0] != 'B' || file[1] != 'M') fail("not a BMP file");
    return std::vector<std::uint8_t>(file.begin() + 14, file.end());
  }

  static unsigned read16(const std::vector<std::uint8_t>& b, std::size_t at)
  {
    return b[at] | (b[at + 1] << 8);
  }
  static unsigned long read32(const std::vector<std::uint8_t>& b, std::size_t at)
  {
    return read16(b, at) | (static_cast<unsigned long>(read16(b, at + 2)) << 16);
  }

  // An .ico or .cur file becomes one image resource per picture and the group naming them.
  void iconGroup(Resource group, bool cursor)
  {
    const auto file = fileBytes(text());
    const unsigned fileType = cursor ? 2 : 1;
    if (file.size() < 6 || read16(file, 0) != 0 || read16(file, 2) != fileType)
      fail(cursor ? "not a cursor file" : "not an icon file");
    const unsigned count = read16(file, 4);
    if (count == 0 || file.size() < 6 + 16 * count) fail("the picture list is cut short");
    Bytes directory;
    directory.u16(0);
    directory.u16(fileType);
    directory.u16(count);
    for (unsigned i = 0; i < count; ++i) {
      const std::size_t entry = 6 + 16 * i;
      const unsigned long size = read32(file, entry + 8);
      const unsigned long offset = read32(file, entry + 12);
      if (offset > file.size() || size > file.size() - offset || size < 4)
        fail("a picture lies outside the file");
      const std::vector<std::uint8_t> image(file.begin() + offset, file.begin() + offset + size);
      Resource picture;
      picture.typeId = cursor ? 1 : 3;
      picture.id = nextPictureId(picture.typeId);
      const unsigned width = file[entry] ? file[entry] : 256;
      const unsigned height = file[entry + 1] ? file[entry + 1] : 256;
      if (cursor) {
        Bytes data;
        data.u16(read16(file, entry + 4));  // hot spot
        data.u16(read16(file, entry + 6));
        data.append(image);
        picture.bytes = data.data;
        const unsigned bitCount =
            read32(image, 0) == 40 && image.size() >= 16 ? read16(image, 14) : 0;
        directory.u16(width);
        directory.u16(height * 2);  // image and mask
        directory.u16(1);
        directory.u16(bitCount);
        directory.u32(size + 4);
      } else {
        picture.bytes = image;
        for (int k = 0; k < 4; ++k)
          directory.u8(file[entry + k]);
        directory.u16(read16(file, entry + 4));
        directory.u16(read16(file, entry + 6));
        directory.u32(size);
      }
      directory.u16(picture.id);
      add(std::move(picture));
    }
    group.bytes = directory.data;
    add(std::move(group));
  }

  unsigned nextPictureId(unsigned typeId)
  {
    unsigned id = 1;
    for (const auto& resource : script_.resources_) {
      if (resource.typeName.empty() && resource.typeId == typeId && resource.name.empty() &&
          resource.id >= id)
        id = resource.id + 1;
    }
    return id;
  }

  // ---- dialogs ------------------------------------------------------------------------------
  struct Control {
    NameOrNumber title;
    unsigned long id = 0;
    NameOrNumber windowClass;
    unsigned long style = 0;
    unsigned long exStyle = 0;
    unsigned long helpId = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
  };

  int coordinate()
  {
    const long long value = number();
    if (value < -32768 || value > 32767) fail("a coordinate does not fit 16 bits");
    return static_cast<int>(value);
  }

  std::vector<std::uint8_t> dialog()
  {
    const int x = coordinate();
    expectPunct(",");
    const int y = coordinate();
    expectPunct(",");
    const int cx = coordinate();
    expectPunct(",");
    const int cy = coordinate();
    unsigned long style = 0, exStyle = 0, helpId = 0;
    bool extended = false;
    bool hasFont = false;
    unsigned fontSize = 0, fontWeight = 0, fontItalic = 0, fontCharset = 1;
    std::string caption, fontFace;
    NameOrNumber menuName, className;
    while (!isPunct("{")) {
      if (peek().kind != Token::Word) fail("a dialog option or '{' expected");
      const std::string option = upper(next().text);
      if (option == "STYLE")
        style = word32();
      else if (option == "EXSTYLE")
        exStyle = word32();
      else if (option == "HELPID")
        helpId = word32();
      else if (option == "CAPTION")
        caption = text();
      else if (option == "EXTENDED")
        extended = true;
      else if (option == "MENU")
        menuName = nameOrNumber();
      else if (option == "CLASS")
        className = nameOrNumber();
      else if (option == "FONT") {
        hasFont = true;
        fontSize = word16("a font size");
        expectPunct(",");
        fontFace = text();
        if (skipComma()) {
          fontWeight = word16("a font weight");
          expectPunct(",");
          fontItalic = word16("the italic flag") & 0xFF;
          expectPunct(",");
          fontCharset = word16("a character set") & 0xFF;
        }
      } else {
        fail("unknown dialog option " + option);
      }
    }
    next();
    std::vector<Control> controls;
    while (!isPunct("}")) {
      if (!isWord("CONTROL")) fail("CONTROL or '}' expected");
      next();
      controls.push_back(control());
    }
    next();
    constexpr unsigned long kSetFont = 0x40;  // DS_SETFONT
    if (hasFont) style |= kSetFont;
    if (controls.size() > 65535) fail("too many controls");

    Bytes out;
    if (extended) {
      out.u16(1);
      out.u16(0xFFFF);
      out.u32(helpId);
      out.u32(exStyle);
      out.u32(style);
    } else {
      out.u32(style);
      out.u32(exStyle);
    }
    out.u16(static_cast<unsigned>(controls.size()));
    out.u16(static_cast<unsigned>(x));
    out.u16(static_cast<unsigned>(y));
    out.u16(static_cast<unsigned>(cx));
    out.u16(static_cast<unsigned>(cy));
    writeNameOrNumber(out, menuName);
    writeNameOrNumber(out, className);
    out.utf16z(caption);
    if (style & kSetFont) {
      out.u16(fontSize);
      if (extended) {
        out.u16(fontWeight);
        out.u8(fontItalic);
        out.u8(fontCharset);
      }
      out.utf16z(fontFace);
    }
    for (const auto& item : controls) {
      out.align4();
      if (extended) {
        out.u32(item.helpId);
        out.u32(item.exStyle);
        out.u32(item.style);
      } else {
        out.u32(item.style);
        out.u32(item.exStyle);
      }
      out.u16(static_cast<unsigned>(item.x));
      out.u16(static_cast<unsigned>(item.y));
      out.u16(static_cast<unsigned>(item.cx));
      out.u16(static_cast<unsigned>(item.cy));
      if (extended)
        out.u32(item.id);
      else
        out.u16(item.id & 0xFFFF);
      writeNameOrNumber(out, item.windowClass);
      writeNameOrNumber(out, item.title);
      out.u16(0);  // no creation data
    }
    return out.data;
  }

  Control control()
  {
    Control item;
    item.title = nameOrNumber();
    if (!item.title.isNumber && peek().kind == Token::Word) fail("a control title is a text");
    expectPunct(",");
    item.id = word32();
    expectPunct(",");
    if (peek().kind == Token::Word) {
      const std::string word = upper(next().text);
      const auto known = controlClasses().find(word);
      if (known == controlClasses().end()) fail("unknown control class " + word);
      item.windowClass = {true, true, known->second, ""};
    } else {
      item.windowClass = nameOrNumber();
    }
    expectPunct(",");
    item.style = word32();
    expectPunct(",");
    item.x = coordinate();
    expectPunct(",");
    item.y = coordinate();
    expectPunct(",");
    item.cx = coordinate();
    expectPunct(",");
    item.cy = coordinate();
    if (skipComma()) {
      item.exStyle = word32();
      if (skipComma()) item.helpId = word32();
    }
    return item;
  }

  // ---- menus --------------------------------------------------------------------------------
  std::vector<std::uint8_t> menu()
  {
    Bytes out;
    out.u16(0);  // version
    out.u16(0);  // header size
    menuItems(out);
    return out.data;
  }

  void menuItems(Bytes& out)
  {
    expectPunct("{");
    if (isPunct("}")) fail("a menu needs at least one item");
    while (!isPunct("}")) {
      if (peek().kind != Token::Word) fail("POPUP, MENUITEM or '}' expected");
      const std::string kind = upper(next().text);
      const std::size_t flagsAt = out.data.size();
      unsigned flags = 0;
      if (kind == "POPUP") {
        const std::string title = text();
        flags = 0x10 | menuFlags();
        out.u16(flags);
        out.utf16z(title);
        menuItems(out);
      } else if (kind == "MENUITEM") {
        if (isWord("SEPARATOR")) {
          next();
          out.u16(0);
          out.u16(0);
          out.u16(0);
        } else {
          const std::string title = text();
          expectPunct(",");
          const unsigned id = word16("a menu id");
          flags = menuFlags();
          out.u16(flags);
          out.u16(id);
          out.utf16z(title);
        }
      } else {
        fail("POPUP or MENUITEM expected");
      }
      if (isPunct("}"))
        out.patch16(flagsAt, (out.data[flagsAt] | (out.data[flagsAt + 1] << 8)) | 0x80);
    }
    next();
  }

  unsigned menuFlags()
  {
    static const std::map<std::string, unsigned> names = {
        {"GRAYED", 0x01},       {"INACTIVE", 0x02},  {"CHECKED", 0x08},
        {"MENUBARBREAK", 0x20}, {"MENUBREAK", 0x40}, {"HELP", 0x4000}};
    unsigned flags = 0;
    while (isPunct(",") || (peek().kind == Token::Word && names.count(upper(peek().text)))) {
      if (isPunct(",")) next();
      if (peek().kind != Token::Word || !names.count(upper(peek().text)))
        fail("a menu flag expected");
      flags |= names.at(upper(next().text));
    }
    return flags;
  }

  // ---- version blocks -----------------------------------------------------------------------
  void versionNumbers(unsigned long& high, unsigned long& low)
  {
    unsigned parts[4] = {};
    for (int i = 0; i < 4; ++i) {
      if (i) expectPunct(",");
      parts[i] = word16("a version part");
    }
    high = (static_cast<unsigned long>(parts[0]) << 16) | parts[1];
    low = (static_cast<unsigned long>(parts[2]) << 16) | parts[3];
  }

  // {u16 length, u16 value length, key, pad, value, pad, children}
  void node(Bytes& out, const std::string& key, const std::vector<std::uint8_t>& value,
            const std::function<void()>& children)
  {
    out.align4();
    const std::size_t start = out.data.size();
    out.u16(0);
    if (value.size() > 0xFFFF) fail("a version value is too long");
    out.u16(static_cast<unsigned>(value.size()));
    out.cp1252z(key);
    out.align4();
    out.append(value);
    if (children) children();
    const std::size_t length = out.data.size() - start;
    if (length > 0xFFFF) fail("a version block is too long");
    out.patch16(start, static_cast<unsigned>(length));
  }

  std::vector<std::uint8_t> version()
  {
    unsigned long fileMS = 0, fileLS = 0, productMS = 0, productLS = 0;
    unsigned long flagsMask = 0x3F, flags = 0, os = 0x4, type = 0x1, subtype = 0;
    while (!isPunct("{")) {
      if (peek().kind != Token::Word) fail("a version option or '{' expected");
      const std::string option = upper(next().text);
      if (option == "FILEVERSION")
        versionNumbers(fileMS, fileLS);
      else if (option == "PRODUCTVERSION")
        versionNumbers(productMS, productLS);
      else if (option == "FILEFLAGSMASK")
        flagsMask = word32();
      else if (option == "FILEFLAGS")
        flags = word32();
      else if (option == "FILEOS")
        os = word32();
      else if (option == "FILETYPE")
        type = word32();
      else if (option == "FILESUBTYPE")
        subtype = word32();
      else
        fail("unknown version option " + option);
    }
    Bytes fixed;
    fixed.u32(0xFEEF04BDul);
    fixed.u32(0x00010000ul);
    fixed.u32(fileMS);
    fixed.u32(fileLS);
    fixed.u32(productMS);
    fixed.u32(productLS);
    fixed.u32(flagsMask);
    fixed.u32(flags);
    fixed.u32(os);
    fixed.u32(type);
    fixed.u32(subtype);
    fixed.u32(0);
    fixed.u32(0);
    Bytes out;
    node(out, "VS_VERSION_INFO", fixed.data, [&] { versionChildren(out); });
    return out.data;
  }

  void versionChildren(Bytes& out)
  {
    expectPunct("{");
    while (!isPunct("}")) {
      if (isWord("BLOCK")) {
        next();
        const std::string key = text();
        node(out, key, {}, [&] { versionChildren(out); });
      } else if (isWord("VALUE")) {
        next();
        const std::string key = text();
        Bytes value;
        while (skipComma()) {
          if (peek().kind == Token::Text)
            value.cp1252z(text());
          else
            value.u16(word16("a version value"));
        }
        node(out, key, value.data, nullptr);
      } else {
        fail("BLOCK, VALUE or '}' expected");
      }
    }
    next();
  }

  ResourceScript& script_;
  std::vector<Token> tokens_;
  std::size_t position_ = 0;
};

ResourceScript::ResourceScript(std::vector<std::string> fileFolders)
    : fileFolders_(std::move(fileFolders))
{
  if (fileFolders_.empty()) fileFolders_.push_back("");
}

bool ResourceScript::compile(const std::string& text)
{
  resources_.clear();
  error_.clear();
  try {
    Parser parser(*this, text);
    parser.parseAll();
  } catch (const ScriptError& failure) {
    error_ = failure.message;
    return false;
  }
  return true;
}

namespace {

std::string cString(const std::string& bytes)
{
  std::string result = "\"";
  char escape[8];
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\' || c < 0x20 || c >= 0x7F || c == '?') {
      std::snprintf(escape, sizeof escape, "\\%03o", c);
      result += escape;
    } else {
      result += static_cast<char>(c);
    }
  }
  return result + "\"";
}

}  // namespace

const Resource* ResourceScript::find(const std::string& type, const std::string& name) const
{
  // A word or a number, compared as the script would name it.
  auto matches = [](const std::string& wanted, const std::string& text, unsigned number) {
    if (!text.empty()) return upper(wanted) == upper(text);
    char* end = nullptr;
    const unsigned long value = std::strtoul(wanted.c_str(), &end, 10);
    return !wanted.empty() && *end == 0 && value == number;
  };
  const auto standard = standardTypes().find(upper(type));
  const std::string typeKey =
      standard != standardTypes().end() ? std::to_string(standard->second) : type;
  for (const Resource& resource : resources_)
    if (matches(typeKey, resource.typeName, resource.typeId) &&
        matches(name, resource.name, resource.id))
      return &resource;
  return nullptr;
}

std::string writeResourceSource(const std::vector<Resource>& resources, bool forPlugin,
                                const std::string& scriptName)
{
  std::ostringstream out;
  out << "// Made by the resource compiler from " << scriptName << "; edit the script instead.\n"
      << "#include <omresource.h>\n\nnamespace {\n\n";
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const auto& bytes = resources[i].bytes;
    out << "const unsigned char resource" << i << "[] = {";
    for (std::size_t k = 0; k < bytes.size(); ++k) {
      out << (k % 16 == 0 ? "\n    " : " ") << static_cast<unsigned>(bytes[k]) << ",";
    }
    if (bytes.empty()) out << "0";
    out << "};\n";
  }
  out << "\nconst OMResourceEntry entries[] = {\n";
  for (std::size_t i = 0; i < resources.size(); ++i) {
    const auto& resource = resources[i];
    out << "    {" << (resource.typeName.empty() ? "nullptr" : cString(resource.typeName)) << ", "
        << resource.typeId << ", " << (resource.name.empty() ? "nullptr" : cString(resource.name))
        << ", " << resource.id << ", resource" << i << ", " << resource.bytes.size() << "},\n";
  }
  if (resources.empty()) out << "    {nullptr, 0, nullptr, 0, nullptr, 0},\n";
  out << "};\n\n}  // namespace\n\n";
  const std::size_t count = resources.size();
  if (forPlugin) {
    out << "extern \"C\" const OMResourceTable omModuleResources = {entries, " << count << "};\n";
  } else {
    out << "namespace {\n\nconst OMResourceTable table = {entries, " << count << "};\n"
        << "[[maybe_unused]] const bool registered = (omRegisterProgramResources(&table), "
           "true);\n\n"
        << "}  // namespace\n";
  }
  return out.str();
}

}  // namespace omrc
