#include "assessment/src/GlobalCommands.h"

#include <omcrt.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "assessment/src/AOBackground.h"
#include "assessment/src/AppMain.h"
#include "assessment/src/AssessmentMenus.h"
#include "assessment/src/DescriptorFile.h"
#include "assessment/src/ProgramFiles.h"
#include "assessment/src/RDatFile.h"
#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMNEFile.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMRegion.h"
#include "framework/OMSystem.h"
#include "framework/OMWaveSound.h"
#include "framework/OMWndCanvas.h"
#include "trinkets/src/OMColorTable.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/rthread/YNativeFunction.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

using Palette = std::array<OMRGBColor, OMCanvas::paletteSize>;

constexpr int fileNameCount = 7;
constexpr std::size_t fileNameSize = 32;
constexpr std::uint16_t fadeStart = 0x240;
constexpr int cellWidth = 20;
constexpr int cellHeight = 15;
constexpr int gridColumns = 32;

struct Commands {
  Palette working{};
  Palette scratch{};
  Palette snapshot{};
  std::array<std::array<char, fileNameSize>, fileNameCount> fileNames{};
};

Commands& commands()
{
  static Commands state;
  return state;
}

int intArg()
{
  return DescriptorFile::toInt(popScriptArg());
}

// Paints the whole stage again from its layer on the next pass.
void redrawStage(OMTrinketWindow* stage)
{
  stage->drawBackground();
}

bool loadPalette(int id, Palette& palette)
{
  std::unique_ptr<OMIStream> stream = resourceById(id, "RRGB");
  return stream && loadColorTable(stream.release(), palette.data());
}

OMWord sceneCommand(OMWord)
{
  OMTrinketWindow* stage = assessmentStage();
  const DescriptorFile* descriptor = DescriptorFile::current();
  const std::string key = popScriptArg();
  if (!stage || !descriptor) return 0;
  const std::int32_t value = descriptor->intValue(key.c_str(), 1);
  // A missing key (-1) does nothing, as 0 does.
  if (value == -1 || (value & 0xFFFF) == 0) return 0;
  const int id = value & 0xFFFF;
  Palette& working = commands().working;
  if (AOBackground* layer = pictureLayer()) {
    loadPalette(id, working);
    stage->setPalette(working.data(), 0);
    layer->loadFromStream(resourceById(id, "ASEQ").release());
    redrawStage(stage);
    return 0;
  }
  OMMemCanvas* offscreen = stage->offscreen();
  auto layer = std::make_unique<AOBackground>(offscreen->width(), offscreen->height(),
                                              OMApp::offscreenDepth());
  layer->loadFromStream(resourceById(id, "ASEQ").release());
  stage->setBackground(layer.release());
  loadPalette(id, working);
  stage->setPalette(working.data(), 0);
  offscreen->setBackground(OMRGBColor::fromIndex(-2));
  if (OMWndCanvas* window = stage->canvas()) window->setBackground(OMRGBColor::fromIndex(248));
  redrawStage(stage);
  return 0;
}

OMWord storeFileName(OMWord which)
{
  std::array<char, fileNameSize>& name = commands().fileNames[static_cast<std::size_t>(which)];
  std::snprintf(name.data(), name.size(), "%s", popScriptArg());
  return 0;
}

void blackScreen(int index)
{
  OMTrinketWindow* stage = assessmentStage();
  AOBackground* layer = pictureLayer();
  if (!stage || !layer || !layer->canvas()) return;
  OMCanvas* canvas = layer->canvas();
  const bool paletteIndex = index != 0 && index >= 0 && index <= 255;
  canvas->setFillColor(paletteIndex ? OMRGBColor::fromIndex(index) : OMRGBColor(0, 0, 0));
  canvas->setFill(true);
  canvas->setFrame(false);
  canvas->drawRect(OMRect(0, 0, 640, 480));
  redrawStage(stage);
}

OMWord blackScreenCommand(OMWord)
{
  blackScreen(intArg());
  return 0;
}

OMWord helpCommand(OMWord)
{
  const std::string topic = popScriptArg();
  OMTrinketWindow* stage = assessmentStage();
  WinHelpA(stage ? stage->handle() : nullptr, "Tovik.HLP", HELP_KEY,
           reinterpret_cast<ULONG_PTR>(topic.c_str()));
  return 0;
}

OMWord nothingCommand(OMWord)
{
  return 0;
}

OMWord copyPalCommand(OMWord)
{
  const int id = intArg(), first = intArg(), last = intArg(), target = intArg();
  OMTrinketWindow* stage = assessmentStage();
  if (!stage || !pictureLayer()) return 0;
  Commands& c = commands();
  loadPalette(id, c.scratch);
  for (int k = first; k <= last; ++k) {
    const int to = target + (k - first);
    // Entries outside the table are passed over.
    if (k < 0 || k > 255 || to < 0 || to > 255) continue;
    c.working[static_cast<std::size_t>(to)] = c.scratch[static_cast<std::size_t>(k)];
  }
  stage->setPalette(c.working.data(), 0);
  redrawStage(stage);
  return 0;
}

bool fileOpens(const std::string& path)
{
  std::FILE* file = om_fopen(path.c_str(), "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

// Whether the lesson's resource file opens, asking for its CD until it does; false when the
// user cancels.
bool findLessonFile(int lesson)
{
  char name[64];
  std::snprintf(name, sizeof name, "rsc\\lsn%03d.rsc", lesson);
  if (fileOpens(name)) return true;
  const int cd = fileOpens("lessons\\lsn012\\lsn012.rsc") ? 2 : 1;
  std::snprintf(name, sizeof name, "lessons\\lsn%03d\\lsn%03d.rsc", lesson, lesson);
  char prompt[96];
  std::snprintf(prompt, sizeof prompt, "Please insert the Gradewell for the SAT/ACT CD #%d.", cd);
  while (!fileOpens(name))
    if (alertBox(prompt, 0x3001, "Alert") == IDCANCEL) return false;
  return true;
}

OMWord checkCDCommand(OMWord)
{
  const int lesson = intArg();
  // The CD may change: the resource file kept open must not be read again.
  OMNEFile::resetStreams();
  if (!findLessonFile(lesson)) {
    // Nothing more of the script runs; the main loop ends after this pass.
    if (YThread* thread = assessmentThread()) thread->stop();
    OMProgramEnd::request(1);
    return 0;
  }
  OMNEFile::armStreams();
  return 0;
}

OMWord execCommand(OMWord)
{
  const std::string argument = popScriptArg();
  execMainProgram(argument.c_str());
  return 0;
}

OMWord fadeToBlackCommand(OMWord)
{
  fadeToBlack(intArg());
  return 0;
}

OMWord fadeFromBlackCommand(OMWord)
{
  fadeFromBlack();
  return 0;
}

OMWord setMenuCommand(OMWord)
{
  setMenuState(intArg());
  return 0;
}

OMWord exitTovikCommand(OMWord)
{
  showExitDialog();
  return 0;
}

OMWord randomNumberCommand(OMWord)
{
  const int a = intArg(), b = intArg();
  const std::string excluded = popScriptArg();
  if (a == b) {
    setScriptResultInt(a);
    return 0;
  }
  const long long lo = std::min(a, b);
  const long long span = static_cast<long long>(std::max(a, b)) - lo + 1;
  long long r = std::rand() % span;
  if (!excluded.empty() && r == DescriptorFile::toInt(excluded) - lo) r = (r + 1) % span;
  setScriptResultInt(static_cast<std::int32_t>(lo + r));
  return 0;
}

// The engine's one switch, which the game's command of the same name sets too.
OMWord corralCommand(OMWord)
{
  OMTrinket::setConfineDrags(intArg());
  return 0;
}

// Each cell of the fade in the register's order; the cells of 0 and 576 are not visited.
template <typename DrawCell>
void walkFadeCells(DrawCell drawCell)
{
  for (std::uint16_t r = nextFadeStep(fadeStart); r != fadeStart; r = nextFadeStep(r)) {
    const int row = r / gridColumns, column = r % gridColumns;
    if (row * cellHeight + cellHeight <= 480)
      drawCell(OMRect(column * cellWidth, row * cellHeight, column * cellWidth + cellWidth,
                      row * cellHeight + cellHeight));
  }
}

}  // namespace

AOBackground* pictureLayer()
{
  OMTrinketWindow* stage = assessmentStage();
  return stage ? dynamic_cast<AOBackground*>(stage->background()) : nullptr;
}

std::uint16_t nextFadeStep(std::uint16_t value)
{
  return (value & 1) ? static_cast<std::uint16_t>((value >> 1) ^ fadeStart)
                     : static_cast<std::uint16_t>(value >> 1);
}

void fadeToBlack(int index)
{
  OMTrinketWindow* stage = assessmentStage();
  if (stage && stage->canvas()) {
    OMCanvas* window = stage->canvas();
    window->setFillColor(OMRGBColor(0, 0, 0));
    window->setFill(true);
    window->setFrame(false);
    walkFadeCells([window](const OMRect& cell) { window->drawRect(cell); });
  }
  blackScreen(index);
}

void blackenStageWindow()
{
  OMTrinketWindow* stage = assessmentStage();
  OMCanvas* window = stage ? stage->canvas() : nullptr;
  if (!window) return;
  window->setFillColor(OMRGBColor(0, 0, 0));
  window->setFill(true);
  window->setFrame(false);
  window->drawRect(OMRect(0, 0, window->width(), window->height()));
}

void fadeFromBlack()
{
  OMTrinketWindow* stage = assessmentStage();
  if (!stage || !stage->canvas()) return;
  stage->redrawBackground(
      OMRegion(OMRect(0, 0, stage->offscreen()->width(), stage->offscreen()->height())));
  AOBackground* layer = pictureLayer();
  OMCanvas* source = layer ? layer->canvas() : nullptr;
  if (!source) return;
  OMCanvas* window = stage->canvas();
  walkFadeCells([window, source](const OMRect& cell) {
    window->copyBits(source, cell.left(), cell.top(), cell.width(), cell.height(), cell.left(),
                     cell.top(), SRCCOPY, nullptr);
  });
}

void execMainProgram(const char* argument)
{
  detachAllSounds();
  closeWaveOut();
  if (YThread* thread = assessmentThread()) thread->stop();
  OMApp* app = assessmentApp();
  if (argument && std::strcmp(argument, "false") == 0) {
    if (app) app->quit();
    return;
  }
  char commandLine[256];
  mainExePath(commandLine);
  // The main program reads the data files as soon as it starts.
  RDatFile::saveAll();
  if (WinExec(commandLine, SW_SHOW) > 32) {
    if (app) app->quit();
    return;
  }
  alertBox("Unable to launch Application.", 0x3000, "Alert");
}

void takePaletteSnapshot()
{
  OMTrinketWindow* stage = assessmentStage();
  if (!stage || !stage->offscreen()) return;
  Palette colors{};
  stage->offscreen()->getPalette(colors.data());
  std::copy(colors.begin() + 10, colors.begin() + 246, commands().snapshot.begin() + 10);
}

int nearestSnapshotEntry(int red, int green, int blue)
{
  const Palette& snapshot = commands().snapshot;
  int best = 10, bestDistance = -1;
  for (int i = 10; i <= 245; ++i) {
    const OMRGBColor& entry = snapshot[static_cast<std::size_t>(i)];
    const int distance = std::abs(red - entry.red / 256) + std::abs(green - entry.green / 256) +
                         std::abs(blue - entry.blue / 256);
    if (distance < 10) return i;
    if (bestDistance < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

const OMRGBColor* workingPalette()
{
  return commands().working.data();
}

const char* storedFileName(int which)
{
  if (which < 0 || which >= fileNameCount) return "";
  return commands().fileNames[static_cast<std::size_t>(which)].data();
}

void resetGlobalCommands()
{
  commands() = Commands{};
}

void registerGlobalCommands()
{
  struct Entry {
    const char* name;
    OMLinkToFct::Function function;
    OMWord bound;
  };
  // The file-name commands store in this order: AOFile, WAVFile, SFXFile, VOCFile, RRGBFile,
  // MUSFile, TXTFile.
  const Entry entries[] = {
      {"Scene", &sceneCommand, 0},
      {"AOFile", &storeFileName, 0},
      {"WAVFile", &storeFileName, 1},
      {"SFXFile", &storeFileName, 2},
      {"VOCFile", &storeFileName, 3},
      {"MUSFile", &storeFileName, 5},
      {"RRGBFile", &storeFileName, 4},
      {"TXTFile", &storeFileName, 6},
      {"BlackScreen", &blackScreenCommand, 0},
      {"Help", &helpCommand, 0},
      {"HelpFile", &nothingCommand, 0},
      {"copyPal", &copyPalCommand, 0},
      {"checkCD", &checkCDCommand, 0},
      {"exec", &execCommand, 0},
      {"fadeToBlack", &fadeToBlackCommand, 0},
      {"fadeFromBlack", &fadeFromBlackCommand, 0},
      {"setMenu", &setMenuCommand, 0},
      {"exitTovik", &exitTovikCommand, 0},
      {"RandomNumber", &randomNumberCommand, 0},
      {"SetCorralTrinketNormalization", &corralCommand, 0},
  };
  for (const Entry& entry : entries) {
    const OMLinkToFct link(entry.function, entry.bound);
    registerScriptFunction(entry.name, &link);
  }
}
