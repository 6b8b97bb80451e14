// Writes the seed inputs of the fuzz targets, one folder per target, made with the project's
// own writers and compilers:
//   make_fuzz_seeds <seed folder> <an .ico file>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tools/AnimationWriter.h"
#include "tools/BackgroundWriter.h"
#include "tools/NEResourceWriter.h"
#include "tools/NFNTWriter.h"
#include "tools/WaveWriter.h"
#include "tools/rc/ResourceScript.h"
#include "trinkets/src/rthread/ScriptMessages.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
std::filesystem::path root;

void seed(const std::string& target, const std::string& name, const std::string& bytes)
{
  std::filesystem::create_directories(root / target);
  std::ofstream(root / target / name, std::ios::binary) << bytes;
}

std::string text(const Bytes& bytes)
{
  return std::string(bytes.begin(), bytes.end());
}

void resourceFiles()
{
  struct Layout {
    int shift;
    bool nameTable;
  };
  int n = 0;
  for (const Layout layout : {Layout{4, false}, Layout{0, true}, Layout{9, false}}) {
    NEResourceWriter writer;
    writer.setAlignShift(layout.shift);
    writer.setNameTable(layout.nameTable);
    writer.add("ASEQ", "100", Bytes(40, 0x11));
    writer.add("WAVE", "7", Bytes(300, 0x22));
    writer.add("CURSOR", "5", Bytes(20, 0x33));
    writer.add("TEXT", "greeting", Bytes{'h', 'i', 0});
    writer.add("291", "3", Bytes(3, 0x44));
    Bytes file;
    if (!writer.build(file)) continue;
    seed("NEResourceFile", "layout" + std::to_string(++n), text(file));
    // Cut short inside its last resource: the others are still read.
    file.resize(file.size() - 5);
    seed("NEResourceFile", "cut" + std::to_string(n), text(file));
  }
}

void soundAndFontSeeds()
{
  const Bytes tone = wavewriter::tone(11025, 440, 3000);
  seed("WaveSound", "riff", text(wavewriter::waveImage(11025, tone)));
  seed("WaveSound", "riff-odd-chunk",
       text(wavewriter::waveImage(22050, tone, {{"LIST", Bytes(3, 1)}})));
  seed("WaveSound", "format1", text(wavewriter::soundResource(1, false, 11025, tone)));
  seed("WaveSound", "format2-extended", text(wavewriter::soundResource(2, true, 22050, tone)));
  seed("WaveSound", "stereo", text(wavewriter::waveImageOfFormat(1, 2, 8, 11025, tone)));
  seed("NFNTFont", "pixel", text(nfntwriter::write(nfntwriter::pixelFont(), true)));
  seed("NFNTFont", "pixel-swapped", text(nfntwriter::write(nfntwriter::pixelFont(), false)));
}

void xmlDocuments()
{
  seed("XMLDocument", "variables",
       "<?xml version=\"1.0\" standalone=\"yes\"?>\n<ZEB_DATA_FILE>\n  <VARIABLES>\n"
       "    <score VALUE=\"12\"/>\n    <name VALUE=\"Ann &amp; Bo\"/>\n  </VARIABLES>\n"
       "</ZEB_DATA_FILE>\n");
  seed("XMLVariableFileFuzz", "variables",
       "<?xml version=\"1.0\" standalone=\"yes\"?>\n<ZEB_DATA_FILE>\n<VARIABLES>\n"
       "<score VALUE=\"12\">\n</score>\n<name VALUE=\"Ann &amp; &quot;Bo&quot;\">\n</name>\n"
       "<box.1 VALUE=\"0\">\n</box.1>\n</VARIABLES>\n<Level x=\"1\">\nsome words\n"
       "<VARIABLES>\n<inner>\n</inner>\n</VARIABLES>\n</Level>\n</ZEB_DATA_FILE>\n");
  seed("XMLDocument", "choreography",
       "<!DOCTYPE CHOR [ <!ENTITY x \"y\"> ]>\n<!-- lips -->\n<CHOR><ANIM ID=\"4\">"
       "<FRAMES>1 2 3</FRAMES><WAVESOUND ID='9'/></ANIM><LIPS><LIP1 T=\"0\">a</LIP1></LIPS>"
       "<![CDATA[raw <text>]]></CHOR>");
  seed("ChoreographyFuzz", "two-anims",
       "<CHOR FPS=\"10\"><ANIM ID=\"40\"><SEQ><FRAMES>0 1 -1 2</FRAMES></SEQ></ANIM>"
       "<ANIM ID=\"41\"/><WAVESOUND ID=\"30\"/></CHOR>");
  seed("ChoreographyFuzz", "no-rate",
       "<A><CHOR><ANIM ID=\"1\"><SEQ><FRAMES>1</FRAMES></SEQ>"
       "</ANIM></CHOR></A>");
  seed("LipSyncFuzz", "little", std::string("\x01\0\0\0\x02\0\x01\0\0\0\0\0\x07\0\0\0\0\0", 18));
  seed("LipSyncFuzz", "big", std::string("\0\x02\0\0\0\x03\0\x02\0\0\0\0\0\x01\0\0\0\0", 18));
  seed("CharacterCacheFileFuzz", "records",
       "AO: 20\tSequence: 1\tSound: 31\r\n   AO: 21\tSequence: 0\tSound: 7\nnoise\n");
}

const char* const scripts[] = {
    "yield off\rs=0\rfor i 1 5\r  s=s+i*2\rsay s 1.5 -2\rcall show 'a b' 2.5\rx=[p q\r"
    "abc=abcdef\rk=2\rsay x.2 abc|k|2 abc||2 x.k\rprocedure show a b\r[\r  say a b\r"
    "  if b>2\r    say big\r  else\r    say small\r]\r",
    "n=3\rwhile n>0\r[\r  n=n-1\r]\ron idle\r[\r  say idle\r]\rinclude other.mps\r",
    "a=\"text\"\rb=a|\" more\"\rc=(1+2)*3/4-5\rif c<0 say neg\rpause 100\rexit 2\r",
};

std::unique_ptr<std::istream> openScript(const char* name)
{
  const std::string wanted = name ? name : "";
  for (std::size_t i = 0; i < std::size(scripts); ++i)
    if (wanted == "seed" + std::to_string(i) + ".mps")
      return std::make_unique<std::istringstream>(scripts[i]);
  return nullptr;
}

void scriptSeeds()
{
  for (std::size_t i = 0; i < std::size(scripts); ++i) {
    const std::string name = "seed" + std::to_string(i) + ".mps";
    seed("ScriptSource", name, scripts[i]);
    YThread thread(name.c_str(), &openScript);
    if (!thread.isLoaded()) continue;
    seed("ScriptImage", name + ".native", text(thread.compiledImage(false)));
    seed("ScriptImage", name + ".swapped", text(thread.compiledImage(true)));
  }
  scriptVariables.clear();
}

void textSeeds()
{
  seed("ProfileFile", "korvanix.ini",
       "; settings\r\n[Velmora Trasko Adventures - CD]\r\nUseDirectDraw = 0\r\n"
       "CDDrive=\"E:\\\"\r\nVolume=  75 percent\r\n\r\n[Other]\r\nUseDirectDraw=1\r\n");
  seed("ProfileFile", "unix.ini", "[a]\nk=1\nlong=2\n[b]\n=empty key\nnovalue\n");
  seed("RegistryFile", "registry.txt",
       "; Registry of the platform layer: one block per key, one value a line.\n\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick\\Tovik\\MarlovinDir]\n@=\"C:\\\\games\"\n"
       "\"Path\"=dword:0000002a\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Other]\n"
       "\"Path\"=hex(3):01,02,ff\n@=\"quoted \\\"word\\\"\"\n");
  seed("DescriptorFileFuzz", "PLSDescriptor.txt",
       "# the program's settings\r\nWinExeNamePath Tovik\r\nAODLL ao.rsc\r\n"
       "Title a \"b \\\"c\\\"\" d\r\n; comment\r\nDS 7 3 1 2 x 30 100 200 1 2 3 4\r\n"
       "DS 7 3 2 2 y 30 101 201 5 6 7 8 9\r\nDS 8 4 1 2 z -5 99999 -1\r\n.\r\nAfter 1\r\n");
  seed("DescriptorFileFuzz", "open-quote.txt", "Key \"runs\r\nto the end");
}

void resourceMapSeeds()
{
  seed("ResourceMapFuzz", "two-blocks",
       "2\n  Sounds.RSC x\nWAVE 1200\nwave 1201\nENDFILE\npics.rsc\nBK16 5\nRRGB 5\nENDFILE\n");
  seed("ResourceMapFuzz", "listed-twice",
       "1\r\na.rsc\r\nASEQ 1\r\nENDFILE\r\n\r\nA.RSC\r\nASEQ 2\r\nENDFILE\r\n");
  seed("ResourceMapFuzz", "odd-entries",
       "1\na.rsc\nXML 5\nBK16X 6\nWAVE 0\nWAVE 65536\nWAVE\nASEQ 1\nASEQ 2\nASEQ 3\nENDFILE\n");
  seed("ResourceMapFuzz", "unterminated", "1\na.rsc\nASEQ 1\nENDFILE\nb.rsc\nASEQ 2\nASEQ 3");
  seed("ResourceMapFuzz", "long-lines",
       "1\n" + std::string(300, 'n') + ".rsc\nASEQ" + std::string(200, ' ') + "7\nENDFILE\n");
}

const char programScript[] =
    "MENU 1\n{\n  POPUP \"&File\"\n  {\n    MENUITEM \"&Open\", 101\n    MENUITEM SEPARATOR\n"
    "    MENUITEM \"E&xit\", 102, GRAYED\n  }\n  POPUP \"&Help\" { MENUITEM \"&About\", 201 }\n}\n"
    "VERSION 1\n  FILEVERSION 1,2,3,4\n  PRODUCTVERSION 1,2,0,0\n{\n  BLOCK \"StringFileInfo\"\n"
    "  {\n    BLOCK \"040904E4\"\n    {\n      VALUE \"ProductName\", \"Korvanix Test\"\n"
    "      VALUE \"ProductVersion\", \"1.2\"\n    }\n  }\n"
    "  BLOCK \"VarFileInfo\" { VALUE \"Translation\", 0x409, 1252 }\n}\n"
    "DIALOG 129 10, 20, 200, 100\n  STYLE 0x80C80000\n  CAPTION \"Warning\"\n"
    "  FONT 8, \"MS Sans Serif\"\n{\n  CONTROL \"OK\", 1, BUTTON, 0x50010001, 75, 80, 50, 14\n}\n"
    "TEXT 1001 \"Caf\\xE9 \"\"quoted\"\"\"\nRCDATA 7 { 1, 2, 255, \"ab\" }\n";

// Extended templates with every kind of control the dialog trinket converts or skips.
void dialogSeeds()
{
  omrc::ResourceScript script({});
  const bool compiled = script.compile(
      "DIALOG 1 0, 0, 200, 100\n  STYLE 0x90000000\n  FONT 8, \"MS Sans Serif\"\n  EXTENDED\n{\n"
      "  CONTROL \"&Yes\", 7, BUTTON, 0x50010000, 10, 70, 50, 14\n"
      "  CONTROL \"Check\", 8, BUTTON, 0x50010003, 10, 50, 60, 10\n"
      "  CONTROL \"Hello\", 9, STATIC, 0x50000000, 10, 10, 100, 20\n"
      "  CONTROL 4000, 10, STATIC, 0x5000000E, 190, 10, 20, 20\n"
      "  CONTROL \"\", 11, LISTBOX, 0x50010000, 120, 60, 60, 30\n}\n");
  if (!compiled) {
    std::fprintf(stderr, "make_fuzz_seeds: %s\n", script.error().c_str());
    std::exit(1);
  }
  for (const auto& resource : script.resources())
    seed("DialogTrinketFuzz", "extended", text(resource.bytes));
}

// A program-resource input: the group's length, the group, then the other bytes.
std::string programInput(const Bytes& group, const Bytes& rest)
{
  std::string out;
  out += char(group.size() & 0xFF);
  out += char(group.size() >> 8);
  return out + text(group) + text(rest);
}

void programSeeds(const std::string& iconFile)
{
  seed("ResourceScript", "program.rc", programScript);
  seed("ResourceScript", "icon.rc", "ICON 1 \"setup.ico\"\nCURSOR 2 \"missing.cur\"\n");
  omrc::ResourceScript script({std::filesystem::path(iconFile).parent_path().string()});
  const std::string withIcon = std::string(programScript) + "ICON 1 \"" +
                               std::filesystem::path(iconFile).filename().string() + "\"\n";
  if (!script.compile(withIcon)) {
    std::fprintf(stderr, "make_fuzz_seeds: %s\n", script.error().c_str());
    std::exit(1);
  }
  Bytes group, picture;
  for (const auto& resource : script.resources()) {
    if (resource.typeId == 14) group = resource.bytes;
    if (resource.typeId == 3) picture = resource.bytes;
    if (resource.typeId == 4) {
      seed("ProgramResources", "menu", programInput({}, resource.bytes));
      seed("MenuTemplateFuzz", "menu", text(resource.bytes));
    }
    if (resource.typeId == 16)
      seed("ProgramResources", "version", programInput({}, resource.bytes));
    if (resource.typeId == 5) seed("DialogTrinketFuzz", "dialog", text(resource.bytes));
  }
  seed("ProgramResources", "icon", programInput(group, picture));
  dialogSeeds();
  // A 4 by 4 picture of 8 bits: header, 256 colours, rows of 4 bytes.
  Bytes bitmap = {40, 0, 0, 0, 4, 0, 0, 0, 4, 0, 0, 0, 1, 0, 8, 0};
  bitmap.resize(40, 0);
  for (int i = 0; i < 256 * 4; ++i)
    bitmap.push_back(std::uint8_t(i));
  for (int i = 0; i < 16; ++i)
    bitmap.push_back(std::uint8_t(i * 16 + 3));
  seed("ProgramResources", "bitmap", programInput({}, bitmap));
}

// Animations with every control code and kind of row code, in both byte orders; packed
// backgrounds of even and odd widths.
void imageSeeds()
{
  AnimationWriter writer;
  Bytes pixels;
  for (int i = 0; i < 19 * 11; ++i)
    pixels.push_back(std::uint8_t(i % 7 < 3 ? 0 : i / 5 % 4 + 1));
  writer.addImage(AnimationWriter::Image::fromPixels(19, 11, pixels, 0));
  AnimationWriter::Image coded;
  coded.width = 300;
  coded.height = 2;
  using Code = AnimationWriter::Code;
  coded.rows = {{Code{Code::fill, 255, 9, {}}, Code{Code::skip, 0, 0, {}},
                 Code{Code::literal, 45, 0, Bytes(45, 3)}},
                {Code{Code::skip, 46, 0, {}}, Code{Code::literal, 254, 0, Bytes(254, 200)}}};
  writer.addImage(coded);
  writer.addImage(AnimationWriter::Image::fromPixels(1, 1, {5}, -1));
  const std::int16_t codes[] = {AnimationWriter::hold, AnimationWriter::sound,
                                AnimationWriter::special, -7, AnimationWriter::loop};
  AnimationWriter::Sequence first;
  for (int i = 0; i < 5; ++i) {
    first.entries.push_back({std::int16_t(i * 3), std::int16_t(-i), std::int16_t(i % 3), 120});
    first.entries.push_back({0, 0, codes[i], std::int16_t(i == 1 ? 4 : 0)});
  }
  writer.addSequence(first);
  writer.addSequence({{{0, 0, 2, 0}, {0, 0, AnimationWriter::end, 0}}, true});
  writer.setPlacement(-20, 300, 9);
  writer.setFrameRate(12);
  for (bool bigEndian : {false, true}) {
    writer.setBigEndian(bigEndian);
    Bytes resource;
    if (writer.build(resource))
      seed("AnimationFuzz", bigEndian ? "big-endian" : "little-endian", text(resource));
  }
  for (int width : {16, 9}) {
    std::vector<std::uint16_t> background;
    for (int i = 0; i < width * 7; ++i)
      background.push_back(i % 5 == 0 ? 0x7FFF : pixel555(i * 3, i * 7, 255 - i));
    seed("BackgroundFuzz", "width" + std::to_string(width),
         text(writeBackground(width, 7, background)));
  }
}

}  // namespace

// The assessment program's binary data files: the variable data file (used count, then slots
// of a 32-byte name, a 32-byte value and a time) and the progress file.
void assessmentDataSeeds()
{
  const auto slot = [](std::string name, std::string value) {
    name.resize(32, '\0');
    value.resize(32, '\0');
    return name + value + std::string("\x00\xca\x9a\x3b", 4);
  };
  const std::string users = std::string("\4\0\0\0", 4) + slot("user1", "Ann") +
                            slot("currentUser", "user1") + slot("newUserID", "2") +
                            slot("totalUsers", "1");
  seed("DataFileFuzz", "users.dat", users);
  seed("DataFileFuzz", "arrays.dat",
       std::string("\2\0\0\0", 4) + slot("a0to29", std::string(30, '.')) + slot("b", "x"));
  seed("UserStoreFuzz", "users.dat", users);
  seed("UserStoreFuzz", "gaps.dat",
       std::string("\5\0\0\0", 4) + slot("user2", "Bob") + slot("user1", "empty") +
           slot("user7", "amy") + slot("newUserID", "5") + slot("totalUsers", "9"));
  std::string progress(7284, '\0');
  progress.replace(0, 4, "\1\0\1\3");
  progress.replace(4 + 2 * 9, 2, "\x2c\x40");
  progress.replace(4 + 164, 3, "Ann");
  progress.replace(4 + 182 + 164, 3, "Bob");
  seed("ProgressFileFuzz", "tovik.dat", progress);
}

// The script surface targets read their input as choices of a script generator: rows of
// bytes of a fixed pseudo-random sequence, short and long, make scripts of every kind; and
// each part of the sweep through the whole surface ("; sweep N", SurfaceSweep's twelve),
// whose values such a row chooses. Two scripts beside them: one turns the game's class-wide
// switches, the other shows an animation that they move, so that a switch that stays from
// one run to the next shows in the suite's check that runs do not depend on each other.
void scriptSurfaceSeeds()
{
  std::uint32_t state = 20240601;
  const auto choices = [&state](std::size_t size) {
    std::string bytes(size, '\0');
    for (char& byte : bytes) {
      state = state * 1664525u + 1013904223u;
      byte = static_cast<char>(state >> 24);
    }
    return bytes;
  };
  for (const char* target : {"GameScriptSurfaceFuzz", "AssessmentScriptSurfaceFuzz"}) {
    for (const std::size_t size : {96, 512, 1024, 2048})
      seed(target, "choices" + std::to_string(size), choices(size));
    for (int part = 0; part < 12; ++part)
      seed(target, "sweep" + std::to_string(part),
           "; sweep " + std::to_string(part) + "\n" + choices(256));
  }
  // Named so that the animation comes first in the check's forward replay and straight after
  // the switches in its backward one.
  const std::string animation = "Scene 9 11\nDisplayScreen\no1=OMAnimation 200 150 7\n"
                                "set o1 movable 1\npause 1\n\n; input\n"
                                "at 10200 press 225 175\nat 10400 move 900 700\n";
  seed("GameScriptSurfaceFuzz", "animation-switches",
       "; script\nSetUseEmbeddedAnimationCoordinates 0\nSetCorralTrinketNormalization 1\n" +
           animation);
  seed("GameScriptSurfaceFuzz", "animation-shown", "; script\n" + animation);
}

int main(int argc, char** argv)
{
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_fuzz_seeds <seed folder> <icon file>\n");
    return 2;
  }
  root = argv[1];
  // A seed that includes a missing file is refused quietly, not by ending the program.
  setScriptAlertHandler([](const char*) {});
  setScriptExitHandler([](int) {});
  resourceFiles();
  soundAndFontSeeds();
  xmlDocuments();
  scriptSeeds();
  textSeeds();
  resourceMapSeeds();
  programSeeds(argv[2]);
  imageSeeds();
  assessmentDataSeeds();
  scriptSurfaceSeeds();
  return 0;
}
