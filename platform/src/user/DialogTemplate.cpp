#include "platform/src/user/DialogTemplate.h"

#include "platform/src/kernel/Codepage.h"

namespace omuser {
namespace {

// Reads little-endian words from a bounded buffer; every read past the end fails.
class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool u8(BYTE& out)
  {
    if (size_ - position_ < 1) return false;
    out = data_[position_++];
    return true;
  }
  bool u16(WORD& out)
  {
    if (size_ - position_ < 2) return false;
    out = static_cast<WORD>(data_[position_] | (data_[position_ + 1] << 8));
    position_ += 2;
    return true;
  }
  bool s16(short& out)
  {
    WORD w = 0;
    if (!u16(w)) return false;
    out = static_cast<short>(w);
    return true;
  }
  bool u32(DWORD& out)
  {
    WORD low = 0, high = 0;
    if (!u16(low) || !u16(high)) return false;
    out = static_cast<DWORD>(low) | (static_cast<DWORD>(high) << 16);
    return true;
  }
  // A zero-terminated UTF-16 text, turned into code page 1252.
  bool text(std::string& out)
  {
    out.clear();
    for (;;) {
      WORD c = 0;
      if (!u16(c)) return false;
      if (c == 0) break;
      char32_t code = c;
      if (c >= 0xD800 && c < 0xDC00 && size_ - position_ >= 2) {
        const WORD low = static_cast<WORD>(data_[position_] | (data_[position_ + 1] << 8));
        if (low >= 0xDC00 && low < 0xE000) {
          position_ += 2;
          code = 0x10000 + ((c - 0xD800u) << 10) + (low - 0xDC00u);
        }
      }
      out.push_back(omwin::cp1252FromUnicode(code));
    }
    return true;
  }
  bool nameOrOrdinal(NameOrOrdinal& out)
  {
    WORD first = 0;
    if (size_ - position_ < 2) return false;
    first = static_cast<WORD>(data_[position_] | (data_[position_ + 1] << 8));
    if (first == 0xFFFF) {
      position_ += 2;
      out.isOrdinal = true;
      return u16(out.ordinal);
    }
    return text(out.text);
  }
  bool bytes(std::size_t count, std::vector<std::uint8_t>& out)
  {
    if (size_ - position_ < count) return false;
    out.assign(data_ + position_, data_ + position_ + count);
    position_ += count;
    return true;
  }
  // Items start on a double-word boundary of the template.
  bool align4()
  {
    const std::size_t aligned = (position_ + 3) & ~static_cast<std::size_t>(3);
    if (aligned > size_) return false;
    position_ = aligned;
    return true;
  }
  std::size_t position() const { return position_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t position_ = 0;
};

bool fail(std::string* why, const char* text)
{
  if (why != nullptr) *why = text;
  return false;
}

}  // namespace

const char* DialogTemplate::classOfOrdinal(WORD ordinal)
{
  switch (ordinal) {
    case 0x80:
      return "Button";
    case 0x81:
      return "Edit";
    case 0x82:
      return "Static";
    case 0x83:
      return "ListBox";
    case 0x84:
      return "ScrollBar";
    case 0x85:
      return "ComboBox";
    default:
      return nullptr;
  }
}

bool DialogTemplate::parse(const void* data, std::size_t size, DialogTemplate& out,
                           std::string* why)
{
  out = DialogTemplate{};
  if (data == nullptr) return fail(why, "no template");
  Reader in(static_cast<const std::uint8_t*>(data), size);
  WORD version = 0, signature = 0;
  WORD count = 0;
  if (size >= 4) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    version = static_cast<WORD>(bytes[0] | (bytes[1] << 8));
    signature = static_cast<WORD>(bytes[2] | (bytes[3] << 8));
  }
  out.extended = version == 1 && signature == 0xFFFF;
  bool ok = true;
  if (out.extended) {
    ok = in.u16(version) && in.u16(signature) && in.u32(out.helpId) && in.u32(out.exStyle) &&
         in.u32(out.style);
  } else {
    ok = in.u32(out.style) && in.u32(out.exStyle);
  }
  ok = ok && in.u16(count) && in.s16(out.x) && in.s16(out.y) && in.s16(out.cx) && in.s16(out.cy);
  if (!ok) return fail(why, "the template's header is cut short");
  if (!in.nameOrOrdinal(out.menu) || !in.nameOrOrdinal(out.windowClass) || !in.text(out.caption))
    return fail(why, "the template's menu, class or caption is cut short");
  if (out.style & DS_SETFONT) {
    out.hasFont = true;
    ok = in.u16(out.pointSize);
    if (ok && out.extended) ok = in.u16(out.weight) && in.u8(out.italic) && in.u8(out.charset);
    if (!ok || !in.text(out.face)) return fail(why, "the template's font is cut short");
  }
  out.items.reserve(count);
  for (WORD i = 0; i < count; ++i) {
    DialogItem item;
    if (!in.align4()) return fail(why, "a control is past the end");
    if (out.extended) {
      ok = in.u32(item.helpId) && in.u32(item.exStyle) && in.u32(item.style);
    } else {
      ok = in.u32(item.style) && in.u32(item.exStyle);
    }
    ok = ok && in.s16(item.x) && in.s16(item.y) && in.s16(item.cx) && in.s16(item.cy);
    if (ok && out.extended) {
      ok = in.u32(item.id);
    } else if (ok) {
      WORD id = 0;
      ok = in.u16(id);
      item.id = id;
    }
    if (!ok) return fail(why, "a control is cut short");
    if (!in.nameOrOrdinal(item.windowClass) || !in.nameOrOrdinal(item.title))
      return fail(why, "a control's class or title is cut short");
    WORD extra = 0;
    if (!in.u16(extra)) return fail(why, "a control's creation data is cut short");
    if (extra != 0) {
      std::vector<std::uint8_t> rest;
      if (!in.bytes(extra, rest)) return fail(why, "a control's creation data is past the end");
      // The control sees the data behind its size word, as the system hands it over.
      item.creationData = {static_cast<std::uint8_t>(extra & 0xFF),
                           static_cast<std::uint8_t>(extra >> 8)};
      item.creationData.insert(item.creationData.end(), rest.begin(), rest.end());
    }
    if (item.windowClass.empty()) return fail(why, "a control has no class");
    out.items.push_back(std::move(item));
  }
  return true;
}

}  // namespace omuser
