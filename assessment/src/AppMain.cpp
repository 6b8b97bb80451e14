#include "assessment/src/AppMain.h"

#include <omcrt.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "assessment/src/AssessmentApp.h"
#include "assessment/src/AssessmentMenus.h"
#include "assessment/src/DeletionRegistry.h"
#include "assessment/src/DescriptorFile.h"
#include "assessment/src/FileReport.h"
#include "assessment/src/GlobalCommands.h"
#include "assessment/src/ProgramFiles.h"
#include "assessment/src/RDatFile.h"
#include "assessment/src/RKbdInp.h"
#include "assessment/src/StartupChecks.h"
#include "framework/OMApp.h"
#include "framework/OMCursor.h"
#include "framework/OMEditionAssert.h"
#include "framework/OMFontManager.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMLoadedFile.h"
#include "framework/OMMemCanvas.h"
#include "framework/OMNEFile.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMResourceReport.h"
#include "framework/OMSystem.h"
#include "framework/OMWndCanvas.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RAnswer.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/lib/RSmackerMovie.h"
#include "trinkets/src/AnimAction.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/SoundAction.h"
#include "trinkets/src/rthread/YThread.h"

namespace {

constexpr int stageWidth = 640;
constexpr int stageHeight = 480;
constexpr int cursorId = 5;

struct Program {
  std::unique_ptr<DescriptorFile> descriptor;
  std::unique_ptr<AssessmentApp> app;
  OMTrinketWindow* stage = nullptr;
  std::unique_ptr<OMCursor> cursor;
  std::unique_ptr<OMCursor> stageCursor;
  YThread* thread = nullptr;
  int screenWidth = 0;
  int screenHeight = 0;
  std::int32_t handOffMode = 0;
  char handOffLetter = 'm';
  void (*preExitHook)() = nullptr;
  bool preExitDone = false;
};

Program& program()
{
  static Program state;
  return state;
}

OMWord redrawStage(OMWord)
{
  if (OMTrinketWindow* stage = program().stage) stage->drawBackground();
  return 0;
}

std::unique_ptr<OMIStream> animationOpener(std::uint16_t id)
{
  return resourceById(id, "ASEQ");
}

std::unique_ptr<OMIStream> animationLoader(int id)
{
  return resourceById(id, "ASEQ");
}

std::unique_ptr<OMIStream> soundLoader(int id)
{
  return resourceById(id, "WAVE");
}

std::unique_ptr<OMIStream> soundOpener(std::uint16_t id, int)
{
  return resourceById(id, "WAVE");
}

OMIStream* fontLoader(std::uint16_t id)
{
  return resourceById(id, "NFNT").release();
}

std::thread::id& mainThread()
{
  static std::thread::id id;
  return id;
}

// A resource file the engine refuses is named as the program names its files; a message box
// only from the main thread (background loads read resource files too).
void sayRefusedResourceFile(const std::string& fileName, ResourceFileFault fault,
                            const std::string& detail)
{
  const std::string problem =
      fault == ResourceFileFault::refused
          ? "it is not a resource file that can be read (" + detail + ")"
          : "it is cut short: " + detail + " of its resources run past its end and are missing";
  const char* advice = "Its pictures and sounds are missing; install the product again";
  if (std::this_thread::get_id() == mainThread())
    filereport::report(fileName, problem, advice);
  else
    std::fprintf(stderr, "%s\n", filereport::describe(fileName, problem, advice).c_str());
}

void installLoaderHooks()
{
  mainThread() = std::this_thread::get_id();
  setRefusedResourceFileReporter(&sayRefusedResourceFile);
  // Movies look for their resource folder in the install folder too.
  char base[256];
  baseDirectory(base);
  RSmackerMovie::setSecondBaseFolder((std::string(base) + "\\").c_str());
  RSmackerMovie::setLoaderHooks(&pauseFileService, &resumeFileService);
  AnimAction::setAnimationOpener(&animationOpener);
  OMAnimation::animationResolver = &animationLoader;
  OMAnimation::soundResolver = &soundLoader;
  AnimAction::setSoundOpener(&soundOpener);
  SoundAction::setSoundOpener(&soundOpener);
  setNFNTLoader(&fontLoader);
}

void removeLoaderHooks()
{
  setRefusedResourceFileReporter(nullptr);
  RSmackerMovie::setSecondBaseFolder(nullptr);
  RSmackerMovie::setLoaderHooks(nullptr, nullptr);
  unloadAllFiles();
  AnimAction::setAnimationOpener(nullptr);
  OMAnimation::animationResolver = nullptr;
  OMAnimation::soundResolver = nullptr;
  AnimAction::setSoundOpener(nullptr);
  SoundAction::setSoundOpener(nullptr);
  setNFNTLoader(nullptr);
}

void setClassCursors(OMCursor* cursor)
{
  OMTrinket::setDefaultCursor(cursor, 0);
  OMTrinket::setDefaultTrackingCursor(cursor);
  OMTrinket::setDefaultHoverCursor(cursor);
  RPButton::setDefaultTrackingCursor(cursor);
  RPButton::setDefaultHoverCursor(cursor);
  RAnimation::setDefaultTrackingCursor(cursor);
  RAnimation::setDefaultHoverCursor(cursor);
  RAnswer::setDefaultTrackingCursor(cursor);
  RAnswer::setDefaultHoverCursor(cursor);
  RCharacter::setDefaultTrackingCursor(cursor);
  RCharacter::setDefaultHoverCursor(cursor);
}

void createStage(const OMRect& rect)
{
  Program& p = program();
  // The deep-canvas flag stays off: the stage's canvas has 8 bits.
  p.stage = new OMTrinketWindow(rect, nullptr, nullptr, 0);
  const OMRGBColor black = OMRGBColor::fromIndex(0);
  if (p.stage->canvas()) p.stage->canvas()->setBackground(black);
  if (p.stage->offscreen()) p.stage->offscreen()->setBackground(black);
  const OMLinkToFct paint(&redrawStage);
  p.stage->setPaintLink(&paint);
  // Windows are made hidden; the stage is what the user looks at and types into.
  ShowWindow(p.stage->handle(), SW_SHOW);
  p.stage->activate();
  RKbdInp::setListenWindow(p.stage);
}

void createCursors()
{
  Program& p = program();
  p.cursor = std::make_unique<OMCursor>(cursorId, nullptr);
  if (p.stage && p.stage->handle()) p.stage->setCursor(p.cursor.get());
  setClassCursors(p.cursor.get());
  p.stageCursor = std::make_unique<OMCursor>(cursorId, nullptr);
  if (p.stage) p.stage->setCursor(p.stageCursor.get());
}

// A descriptor that cannot be read, or lacks what the program finds its files by, stops the
// start before anything is read or written.
bool descriptorAllowsTheStart(const DescriptorFile& descriptor)
{
  const std::string& name = descriptor.fileName();
  const char* advice = "Put back the PLSDescriptor.txt that came with the product";
  if (!descriptor.isRead()) {
    filereport::reportAndStop(name, "it cannot be read: " + descriptor.readProblem(), advice);
    return false;
  }
  std::string key, problem;
  if (descriptor.lacksWhatTheProgramNeeds(key, problem)) {
    filereport::reportAndStop(name, problem, advice);
    return false;
  }
  descriptor.reportWrongValues();
  const std::string missing = missingInstallKey();
  if (!missing.empty()) {
    filereport::reportAndStop(name,
                              std::string("its \"WinExeNamePath\" \"") +
                                  descriptor.stringValue("WinExeNamePath", 1) +
                                  "\" names a product that is not installed: the registry has "
                                  "no key " +
                                  missing,
                              "Install the product again, or put back its own PLSDescriptor.txt");
    return false;
  }
  return true;
}

void startFirstScript()
{
  Program& p = program();
  readHandOffFile();
  p.thread = new YThread(firstScriptName(p.handOffMode, p.handOffLetter), &scriptPath);
  p.thread->start();
}

void tearDown()
{
  Program& p = program();
  RDatFile::saveAll();
  delete p.thread;
  p.thread = nullptr;
  removeDeletionHooks();
  removeLoaderHooks();
  OMAnimation::animationTickGate = 1;
  setClassCursors(nullptr);
  if (p.stage) p.stage->setCursor(nullptr);
  p.cursor.reset();
  p.stageCursor.reset();
  RKbdInp::setListenWindow(nullptr);
  delete p.stage;
  p.stage = nullptr;
  p.descriptor.reset();
  removeMenus();
  p.app.reset();
  resetResourceFileNames();
  resetGlobalCommands();
  // The resource file read last, or refused, is let go: the next run reads its files anew.
  OMNEFile::current().giveUp();
}

}  // namespace

bool setUpProgram()
{
  Program& p = program();
  p.preExitDone = false;
  filereport::forgetReports();
  if (!passStartupChecks()) return false;
  const OMRect screen = startupFacts().screenRect();
  const int left = screen.width() / 2 - stageWidth / 2;
  const int top = screen.height() / 2 - stageHeight / 2;
  const OMRect stageRect(left, top, left + stageWidth, top + stageHeight);

  p.descriptor = std::make_unique<DescriptorFile>("PLSDescriptor.txt");
  if (!descriptorAllowsTheStart(*p.descriptor)) {
    p.descriptor.reset();
    return false;
  }
  p.app = std::make_unique<AssessmentApp>(screen, getScreenDepth(0));
  OMNEFile::armStreams();
  // A fatal script error ends through the main loop's own end; it and a broken assertion
  // both make the one pre-exit call first.
  OMProgramEnd::setPreExitCall(&runPreExit);
  setAssertionExitHook(&runPreExit);
  registerGlobalCommands();
  installMenus(p.app.get());
  p.screenHeight = screen.height();
  p.screenWidth = screen.width();
  createStage(stageRect);
  createCursors();
  installDeletionHooks();
  installLoaderHooks();
  // Each animation follows its own rate: nothing here beats a common step, and one step a
  // pass of the main loop would play them at the loop's speed.
  OMAnimation::animationTickGate = -1;
  startFirstScript();
  return true;
}

void tearDownProgram()
{
  OMProgramEnd::setPreExitCall(nullptr);
  setAssertionExitHook(nullptr);
  tearDown();
}

int appMain()
{
  if (setUpProgram()) program().app->run();
  tearDownProgram();
  return assessmentExitStatus();
}

OMApp* assessmentApp()
{
  return program().app.get();
}

OMTrinketWindow* assessmentStage()
{
  return program().stage;
}

YThread* assessmentThread()
{
  return program().thread;
}

std::int32_t handOffMode()
{
  return program().handOffMode;
}

char handOffLetter()
{
  return program().handOffLetter;
}

void readHandOffFile()
{
  Program& p = program();
  p.handOffMode = 0;
  p.handOffLetter = 'm';
  std::FILE* file = om_fopen("users\\tovik.dat", "rb+");
  if (!file) return;
  unsigned char mode[4];
  if (std::fread(mode, 1, sizeof mode, file) == sizeof mode) {
    p.handOffMode = static_cast<std::int32_t>(mode[0] | mode[1] << 8 | mode[2] << 16 |
                                              static_cast<std::uint32_t>(mode[3]) << 24);
    char letter = 0;
    if (std::fread(&letter, 1, 1, file) == 1) p.handOffLetter = letter;
  }
  std::fclose(file);
  om_remove("users\\tovik.dat");
}

const char* firstScriptName(std::int32_t mode, char letter)
{
  switch (mode) {
    case 1:
      return letter == 'm' ? "rtnsm.mps" : "rtnmm.mps";
    case 2:
      return "exit.mps";
    case 3:
      return "rtnsi.mps";
    default:
      return "mthRacer.mps";
  }
}

int assessmentExitStatus()
{
  return OMProgramEnd::exitStatus();
}

void setPreExitHook(void (*hook)())
{
  program().preExitHook = hook;
}

void runPreExit()
{
  // The data files first: nothing after this may be reached.
  RDatFile::saveAll();
  Program& p = program();
  if (p.preExitDone) return;
  p.preExitDone = true;
  endOpenDialogs();
  if (p.preExitHook) p.preExitHook();
}

void checkScreenChange()
{
  Program& p = program();
  OMApp* app = p.app.get();
  if (!app || !p.stage || IsIconic(app->frameWindow())) return;
  const OMRect screen = getScreenRect(0);
  if (screen.height() == p.screenHeight && screen.width() == p.screenWidth) return;
  p.screenHeight = screen.height();
  p.screenWidth = screen.width();
  // The horizontal offset comes from the width: the two were once given the other way round.
  SetWindowPos(p.stage->handle(), nullptr, (p.screenWidth - stageWidth) / 2,
               (p.screenHeight - 500) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
