#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "platform/host/HostClock.h"
#include "platform/src/kernel/CursorImage.h"
#include "tests/support/TempFolder.h"
#include "tools/rc/ResourceScript.h"

namespace {

std::vector<std::uint8_t> sampleFile(const char* name)
{
  std::ifstream in(std::string(OM_RESOURCE_SAMPLES) + "/" + name, std::ios::binary);
  return std::vector<std::uint8_t>((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
}

// The bytes of a resource of the program (or of module), or empty when absent.
std::vector<std::uint8_t> resourceBytes(LPCSTR name, LPCSTR type, HMODULE module = nullptr)
{
  HRSRC found = FindResourceA(module, name, type);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
  if (!bytes) return {};
  return std::vector<std::uint8_t>(bytes, bytes + SizeofResource(module, found));
}

// Reads a template field by field, little-endian.
class Reader {
 public:
  explicit Reader(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
  unsigned u8() { return at_ < bytes_.size() ? bytes_[at_++] : 0xDEAD; }
  unsigned u16()
  {
    const unsigned low = u8();
    return low | (u8() << 8);
  }
  unsigned long u32()
  {
    const unsigned long low = u16();
    return low | (static_cast<unsigned long>(u16()) << 16);
  }
  int i16() { return static_cast<std::int16_t>(u16()); }
  std::string utf16()
  {
    std::string text;
    for (unsigned c = u16(); c != 0 && c != 0xDEAD; c = u16())
      text += static_cast<char>(c);
    return text;
  }
  void align4() { at_ = (at_ + 3) & ~std::size_t{3}; }
  bool atEnd() const { return at_ == bytes_.size(); }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

std::vector<std::uint8_t> bytesOf(const char* text, std::size_t size)
{
  return std::vector<std::uint8_t>(text, text + size);
}

}  // namespace

TEST(ResourcesTest, TextsAreFoundByNumberAndTypeName)
{
  const char expected[] = "Not enough memory. Close other programs.";
  EXPECT_EQ(resourceBytes(MAKEINTRESOURCEA(1001), "TEXT"), bytesOf(expected, sizeof expected));
  EXPECT_EQ(resourceBytes("#1001", "text", GetModuleHandleA(nullptr)),
            bytesOf(expected, sizeof expected));
  const char quoted[] = "Caf\xE9 \"quoted\"";
  EXPECT_EQ(resourceBytes(MAKEINTRESOURCEA(1002), "TEXT"), bytesOf(quoted, sizeof quoted));
  EXPECT_TRUE(resourceBytes(MAKEINTRESOURCEA(1003), "TEXT").empty());
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
  EXPECT_TRUE(resourceBytes(MAKEINTRESOURCEA(1001), "ASEQ").empty());
  EXPECT_FALSE(FreeResource(LoadResource(nullptr, FindResourceA(nullptr, "#1001", "TEXT"))));
}

TEST(ResourcesTest, ClassicDialogTemplateFieldByField)
{
  Reader dialog(resourceBytes(MAKEINTRESOURCEA(129), RT_DIALOG));
  EXPECT_EQ(dialog.u32(), 0x80C80040ul);  // the font adds DS_SETFONT
  EXPECT_EQ(dialog.u32(), 0ul);
  EXPECT_EQ(dialog.u16(), 2u);
  EXPECT_EQ(dialog.i16(), 10);
  EXPECT_EQ(dialog.i16(), 20);
  EXPECT_EQ(dialog.i16(), 200);
  EXPECT_EQ(dialog.i16(), 100);
  EXPECT_EQ(dialog.u16(), 0u);  // no menu
  EXPECT_EQ(dialog.u16(), 0u);  // the standard class
  EXPECT_EQ(dialog.utf16(), "Warning");
  EXPECT_EQ(dialog.u16(), 8u);
  EXPECT_EQ(dialog.utf16(), "MS Sans Serif");

  dialog.align4();
  EXPECT_EQ(dialog.u32(), 0x50010001ul);
  EXPECT_EQ(dialog.u32(), 0ul);
  EXPECT_EQ(dialog.i16(), 75);
  EXPECT_EQ(dialog.i16(), 80);
  EXPECT_EQ(dialog.i16(), 50);
  EXPECT_EQ(dialog.i16(), 14);
  EXPECT_EQ(dialog.u16(), 1u);
  EXPECT_EQ(dialog.u16(), 0xFFFFu);
  EXPECT_EQ(dialog.u16(), 0x0080u);  // BUTTON
  EXPECT_EQ(dialog.utf16(), "OK");
  EXPECT_EQ(dialog.u16(), 0u);

  dialog.align4();
  EXPECT_EQ(dialog.u32(), 0x50000000ul);
  EXPECT_EQ(dialog.u32(), 0x4ul);
  EXPECT_EQ(dialog.i16(), 5);
  EXPECT_EQ(dialog.i16(), 5);
  EXPECT_EQ(dialog.i16(), 190);
  EXPECT_EQ(dialog.i16(), 60);
  EXPECT_EQ(dialog.u16(), 100u);
  EXPECT_EQ(dialog.u16(), 0xFFFFu);
  EXPECT_EQ(dialog.u16(), 0x0082u);  // STATIC
  EXPECT_EQ(dialog.utf16(), "Some text");
  EXPECT_EQ(dialog.u16(), 0u);
  EXPECT_TRUE(dialog.atEnd());
}

TEST(ResourcesTest, ExtendedDialogTemplateByName)
{
  Reader dialog(resourceBytes("about", RT_DIALOG));
  EXPECT_EQ(dialog.u16(), 1u);
  EXPECT_EQ(dialog.u16(), 0xFFFFu);
  EXPECT_EQ(dialog.u32(), 77ul);
  EXPECT_EQ(dialog.u32(), 0ul);
  EXPECT_EQ(dialog.u32(), 0x80C800C0ul);
  EXPECT_EQ(dialog.u16(), 1u);
  EXPECT_EQ(dialog.i16(), 0);
  EXPECT_EQ(dialog.i16(), 0);
  EXPECT_EQ(dialog.i16(), 160);
  EXPECT_EQ(dialog.i16(), 80);
  EXPECT_EQ(dialog.u16(), 0u);
  EXPECT_EQ(dialog.u16(), 0u);
  EXPECT_EQ(dialog.utf16(), "About");
  EXPECT_EQ(dialog.u16(), 9u);
  EXPECT_EQ(dialog.u16(), 700u);
  EXPECT_EQ(dialog.u8(), 1u);
  EXPECT_EQ(dialog.u8(), 0u);
  EXPECT_EQ(dialog.utf16(), "Arial");
  dialog.align4();
  EXPECT_EQ(dialog.u32(), 5ul);  // help id
  EXPECT_EQ(dialog.u32(), 0ul);
  EXPECT_EQ(dialog.u32(), 0x50010001ul);
  EXPECT_EQ(dialog.i16(), 55);
  EXPECT_EQ(dialog.i16(), 60);
  EXPECT_EQ(dialog.i16(), 50);
  EXPECT_EQ(dialog.i16(), 14);
  EXPECT_EQ(dialog.u32(), 2ul);
  EXPECT_EQ(dialog.utf16(), "Button");
  EXPECT_EQ(dialog.utf16(), "Close");
  EXPECT_EQ(dialog.u16(), 0u);
  EXPECT_TRUE(dialog.atEnd());
}

TEST(ResourcesTest, MenuTemplate)
{
  Reader menu(resourceBytes(MAKEINTRESOURCEA(333), RT_MENU));
  EXPECT_EQ(menu.u16(), 0u);
  EXPECT_EQ(menu.u16(), 0u);
  EXPECT_EQ(menu.u16(), 0x10u);  // a popup
  EXPECT_EQ(menu.utf16(), "&File");
  EXPECT_EQ(menu.u16(), 0u);
  EXPECT_EQ(menu.u16(), 101u);
  EXPECT_EQ(menu.utf16(), "&Open");
  EXPECT_EQ(menu.u16(), 0u);  // the separator
  EXPECT_EQ(menu.u16(), 0u);
  EXPECT_EQ(menu.utf16(), "");
  EXPECT_EQ(menu.u16(), 0x81u);  // grayed, last of its popup
  EXPECT_EQ(menu.u16(), 102u);
  EXPECT_EQ(menu.utf16(), "E&xit");
  EXPECT_EQ(menu.u16(), 0x90u);  // the last popup
  EXPECT_EQ(menu.utf16(), "&Help");
  EXPECT_EQ(menu.u16(), 0x80u);
  EXPECT_EQ(menu.u16(), 201u);
  EXPECT_EQ(menu.utf16(), "&About");
  EXPECT_TRUE(menu.atEnd());
}

TEST(ResourcesTest, IconAndCursorGroupsNameTheirImages)
{
  const auto icoFile = sampleFile("sample.ico");
  ASSERT_GT(icoFile.size(), 22u);
  Reader icons(resourceBytes(MAKEINTRESOURCEA(1), RT_GROUP_ICON));
  EXPECT_EQ(icons.u16(), 0u);
  EXPECT_EQ(icons.u16(), 1u);
  EXPECT_EQ(icons.u16(), 1u);
  EXPECT_EQ(icons.u8(), 16u);
  EXPECT_EQ(icons.u8(), 16u);
  EXPECT_EQ(icons.u8(), 0u);
  EXPECT_EQ(icons.u8(), 0u);
  EXPECT_EQ(icons.u16(), 1u);
  EXPECT_EQ(icons.u16(), 32u);
  EXPECT_EQ(icons.u32(), icoFile.size() - 22);
  const unsigned iconId = icons.u16();
  EXPECT_EQ(resourceBytes(MAKEINTRESOURCEA(iconId), RT_ICON),
            std::vector<std::uint8_t>(icoFile.begin() + 22, icoFile.end()));

  const auto curFile = sampleFile("sample.cur");
  Reader cursors(resourceBytes(MAKEINTRESOURCEA(5), RT_GROUP_CURSOR));
  EXPECT_EQ(cursors.u16(), 0u);
  EXPECT_EQ(cursors.u16(), 2u);
  EXPECT_EQ(cursors.u16(), 1u);
  EXPECT_EQ(cursors.u16(), 32u);
  EXPECT_EQ(cursors.u16(), 64u);  // image and mask
  EXPECT_EQ(cursors.u16(), 1u);
  EXPECT_EQ(cursors.u16(), 1u);  // bits per pixel of the image
  EXPECT_EQ(cursors.u32(), curFile.size() - 22 + 4);
  const unsigned cursorId = cursors.u16();
  std::vector<std::uint8_t> expected = {5, 0, 7, 0};  // the hot spot first
  expected.insert(expected.end(), curFile.begin() + 22, curFile.end());
  EXPECT_EQ(resourceBytes(MAKEINTRESOURCEA(cursorId), RT_CURSOR), expected);
}

TEST(ResourcesTest, BitmapsWavesAndInlineBytes)
{
  const auto bmp = sampleFile("sample.bmp");
  EXPECT_EQ(resourceBytes(MAKEINTRESOURCEA(300), RT_BITMAP),
            std::vector<std::uint8_t>(bmp.begin() + 14, bmp.end()));
  const auto wave = resourceBytes(MAKEINTRESOURCEA(6094), "WAVE");
  EXPECT_EQ(wave, sampleFile("sample.wav"));
  EXPECT_EQ(resourceBytes(MAKEINTRESOURCEA(7), RT_RCDATA),
            (std::vector<std::uint8_t>{1, 2, 255, 'a', 'b'}));

  // The exit dialog's sound: a WAVE resource played from memory.
  omhost::useManualClock(0);
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(6094), "WAVE");
  EXPECT_TRUE(sndPlaySoundA(static_cast<LPCSTR>(LockResource(LoadResource(nullptr, found))),
                            SND_MEMORY | SND_SYNC));
  EXPECT_EQ(timeGetTime(), 20u);
  omhost::useRealClock();
}

TEST(ResourcesTest, VersionBlockAnswersProductNameAndVersion)
{
  char path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameA(nullptr, path, sizeof path), 0u);
  DWORD handle = 99;
  const DWORD size = GetFileVersionInfoSizeA(path, &handle);
  ASSERT_GT(size, 0u);
  EXPECT_EQ(handle, 0u);
  std::vector<char> block(size);
  ASSERT_TRUE(GetFileVersionInfoA(path, handle, size, block.data()));
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(
      VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\ProductName", &value, &length));
  EXPECT_STREQ(static_cast<const char*>(value), "Korvanix Test");
  EXPECT_EQ(length, 14u);
  ASSERT_TRUE(
      VerQueryValueA(block.data(), "\\StringFileInfo\\040904e4\\ProductVersion", &value, &length));
  EXPECT_STREQ(static_cast<const char*>(value), "1.2");
  EXPECT_FALSE(
      VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\CompanyName", &value, &length));
  EXPECT_FALSE(
      VerQueryValueA(block.data(), "\\StringFileInfo\\04070000\\ProductName", &value, &length));
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
  ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
  VS_FIXEDFILEINFO fixed;
  std::memcpy(&fixed, value, sizeof fixed);
  EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
  EXPECT_EQ(fixed.dwFileVersionMS, 0x00010002u);
  EXPECT_EQ(fixed.dwFileVersionLS, 0x00030004u);
  EXPECT_EQ(fixed.dwProductVersionMS, 0x00010002u);
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
  EXPECT_EQ(length, 4u);

  // A short copy is cut and stays safe to query.
  std::vector<char> cut(40);
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(cut.size()), cut.data()));
  EXPECT_FALSE(
      VerQueryValueA(cut.data(), "\\StringFileInfo\\040904E4\\ProductName", &value, &length));

  // A file that is no loaded module has no version block.
  TempFolder temp;
  temp.write("other.exe", "MZ");
  ScopedEnv drive("OM_DRIVE_K", temp.path());
  EXPECT_EQ(GetFileVersionInfoSizeA("K:\\other.exe", &handle), 0u);
}

TEST(ResourcesTest, EnumerationCollectsTypesAndNames)
{
  std::set<std::string> types;
  ASSERT_TRUE(EnumResourceTypesA(
      nullptr,
      [](HMODULE, LPSTR type, LONG_PTR parameter) -> BOOL {
        auto* found = reinterpret_cast<std::set<std::string>*>(parameter);
        found->insert(IS_INTRESOURCE(type)
                          ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(type))
                          : std::string(type));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&types)));
  EXPECT_EQ(types, (std::set<std::string>{"TEXT", "WAVE", "#1", "#2", "#3", "#4", "#5", "#10",
                                          "#12", "#14", "#16"}));
  std::set<std::string> dialogs;
  ASSERT_TRUE(EnumResourceNamesA(
      nullptr, RT_DIALOG,
      [](HMODULE, LPCSTR, LPSTR name, LONG_PTR parameter) -> BOOL {
        auto* found = reinterpret_cast<std::set<std::string>*>(parameter);
        found->insert(IS_INTRESOURCE(name)
                          ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(name))
                          : std::string(name));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&dialogs)));
  EXPECT_EQ(dialogs, (std::set<std::string>{"#129", "ABOUT"}));
  EXPECT_FALSE(EnumResourceNamesA(
      nullptr, "NONE", [](HMODULE, LPCSTR, LPSTR, LONG_PTR) -> BOOL { return TRUE; }, 0));
}

TEST(ResourcesTest, PluginsCarryTheirOwnResources)
{
  TempFolder temp;
  std::filesystem::copy_file(OM_SAMPLE_PLUGIN, temp / "Sparkle.qzl");
  ScopedEnv drive("OM_DRIVE_K", temp.path());
  HMODULE plugin = LoadLibraryA("K:\\sparkle.qzl");
  ASSERT_NE(plugin, nullptr);
  const char expected[] = "from the plug-in";
  EXPECT_EQ(resourceBytes(MAKEINTRESOURCEA(1), "TEXT", plugin), bytesOf(expected, sizeof expected));
  EXPECT_TRUE(resourceBytes(MAKEINTRESOURCEA(1001), "TEXT", plugin).empty());
  char path[MAX_PATH];
  GetModuleFileNameA(plugin, path, sizeof path);
  std::vector<char> block(GetFileVersionInfoSizeA(path, nullptr));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(block.size()), block.data()));
  LPVOID value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(
      VerQueryValueA(block.data(), "\\StringFileInfo\\040904E4\\ProductName", &value, &length));
  EXPECT_STREQ(static_cast<const char*>(value), "Sample plug-in");
  FreeLibrary(plugin);
}

TEST(ResourceScriptTest, BrokenScriptsAreRefusedWithTheirLine)
{
  TempFolder temp;
  temp.write("short.ico", std::string("\0\0\1\0\2\0", 6));
  temp.write("notbmp.bmp", std::string(60, 'x'));
  temp.makeFolder("folder");
  const std::pair<const char*, const char*> cases[] = {
      {"TEXT 1 \"open", "line 1: a text is not closed"},
      {"\n\nBITMAP 2 \"missing.bmp\"", "line 3: cannot read the file \"missing.bmp\""},
      {"BITMAP 2 \"\"", "line 1: cannot read the file \"\""},
      {"MENU 1\n{\n POPUP \"&He\xE2p\" { MENUITEM \"x\", 2 }\n}",
       "line 3: a text is not valid UTF-8"},
      {"\nWAVE 2 \"folder\"", "line 2: cannot read the file \"folder\""},
      {"TEXT 1 \"a\"\nTEXT 1 \"b\"", "line 2: a resource of this type and name exists already"},
      {"DIALOG 1 0, 0, 10 { }", "line 1: ',' expected"},
      {"DIALOG 1 0, 0, 10, 10 { CONTROL \"x\", 1, WIDGET, 0, 0, 0, 1, 1 }",
       "line 1: unknown control class WIDGET"},
      {"ICON 1 \"short.ico\"", "line 1: the picture list is cut short"},
      {"BITMAP 1 \"notbmp.bmp\"", "line 1: not a BMP file"},
      {"MENU 1 { }", "line 1: a menu needs at least one item"},
      {"RCDATA 1 { 300 }", "line 1: an inline byte must lie in 0..255"},
      {"DIALOG 1 0, 0, 99999, 1 { }", "line 1: a coordinate does not fit 16 bits"},
      {"TEXT 1 @", "line 1: unexpected character '@'"},
  };
  for (const auto& [script, message] : cases) {
    omrc::ResourceScript compiler({temp.path()});
    EXPECT_FALSE(compiler.compile(script)) << script;
    EXPECT_EQ(compiler.error(), message) << script;
  }
  omrc::ResourceScript compiler({temp.path()});
  EXPECT_TRUE(compiler.compile("// nothing but a comment\n"));
  EXPECT_TRUE(compiler.resources().empty());
}

TEST(ResourcesTest, CursorAndIconPicturesDecodeFromTheirGroups)
{
  // The sample cursor: 32 by 32, 1 bit, bytes i * 7 + 1, mask bytes 0xFF where i % 3 == 0.
  const auto cursor = omwin::loadCursorImage(nullptr, MAKEINTRESOURCEA(5), false);
  ASSERT_TRUE(cursor);
  EXPECT_EQ(cursor->width, 32);
  EXPECT_EQ(cursor->height, 32);
  EXPECT_EQ(cursor->hotSpot.x, 5);
  EXPECT_EQ(cursor->hotSpot.y, 7);
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const int byteIndex = (31 - y) * 4 + x / 8;
      const unsigned bit = ((byteIndex * 7 + 1) >> (7 - x % 8)) & 1;
      const bool transparent = byteIndex % 3 == 0;
      const std::uint32_t expected = transparent ? 0 : 0xFF000000u | (bit ? 0xFFFFFFu : 0u);
      ASSERT_EQ(cursor->pixels[y * 32 + x], expected) << x << "," << y;
    }
  }

  // The sample icon: 16 by 16, 32 bits with alpha, bytes i * 7 + 32.
  const auto icon = omwin::loadCursorImage(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), true);
  ASSERT_TRUE(icon);
  EXPECT_EQ(icon->width, 16);
  EXPECT_EQ(icon->height, 16);
  auto byteAt = [](int index) { return static_cast<std::uint32_t>((index * 7 + 32) & 0xFF); };
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      const int base = (15 - y) * 64 + x * 4;
      const std::uint32_t alpha = byteAt(base + 3);
      const std::uint32_t expected = alpha == 0 ? 0
                                                : (alpha << 24) | (byteAt(base + 2) << 16) |
                                                      (byteAt(base + 1) << 8) | byteAt(base);
      ASSERT_EQ(icon->pixels[y * 16 + x], expected) << x << "," << y;
    }
  }
  EXPECT_FALSE(omwin::loadCursorImage(nullptr, MAKEINTRESOURCEA(6), false));
  EXPECT_FALSE(omwin::loadCursorImage(nullptr, MAKEINTRESOURCEA(5), true));  // no such icon
}

TEST(ResourcesTest, BrokenIconBitmapsAreRefused)
{
  std::vector<std::uint8_t> header(40, 0);
  header[0] = 40;
  header[4] = 32;  // width
  header[8] = 64;  // height with mask
  header[12] = 1;  // planes
  header[14] = 8;  // bits: needs 256 colours and 32 * 32 bytes, which are missing
  EXPECT_FALSE(omwin::decodeIconBitmap(header.data(), header.size()));
  header[14] = 3;  // no such depth
  EXPECT_FALSE(omwin::decodeIconBitmap(header.data(), header.size()));
  header[0] = 200;  // a header longer than the data
  EXPECT_FALSE(omwin::decodeIconBitmap(header.data(), header.size()));
  EXPECT_FALSE(omwin::decodeIconBitmap(header.data(), 10));
}

// LoadMenuA turns a "MENU" template into a bar of popups: texts, ids, separators and item
// state come out as the template gave them; a missing menu gives NULL.
TEST(ResourcesTest, LoadMenuBuildsTheBarAndItsPopups)
{
  HMENU bar = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(333));
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(GetMenuItemCount(bar), 2);
  char text[64] = {};
  GetMenuStringA(bar, 0, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&File");
  GetMenuStringA(bar, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "&Help");

  HMENU file = GetSubMenu(bar, 0);
  ASSERT_NE(file, nullptr);
  ASSERT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuItemID(file, 0), 101u);
  EXPECT_EQ(GetMenuItemID(file, 1), 0u);  // the separator
  EXPECT_EQ(GetMenuItemID(file, 2), 102u);
  EXPECT_TRUE(GetMenuState(file, 2, MF_BYPOSITION) & MF_GRAYED);
  EXPECT_FALSE(GetMenuState(file, 0, MF_BYPOSITION) & MF_GRAYED);
  GetMenuStringA(file, 2, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "E&xit");
  EXPECT_EQ(GetMenuItemID(GetSubMenu(bar, 1), 0), 201u);
  EXPECT_TRUE(DestroyMenu(bar));

  EXPECT_EQ(LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(334)), nullptr);
}
