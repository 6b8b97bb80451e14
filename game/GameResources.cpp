#include "game/GameResources.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include <omcrt.h>

#include "framework/OMFontManager.h"
#include "framework/OMIStream.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMPathDirectory.h"
#include "framework/OMWaveSound.h"
#include "framework/OMXMLDocument.h"
#include "game/MachineChecks.h"
#include "game/OMStageWindow.h"
#include "game/RegistryCachePort.h"
#include "game/ResourceFileRegistry.h"
#include "game/ScenePortShell.h"
#include "trinkets/lib/RAnimation.h"
#include "trinkets/lib/RCharacter.h"
#include "trinkets/lib/RHotSpot.h"
#include "trinkets/lib/RAnswer.h"
#include "trinkets/lib/RPButton.h"
#include "trinkets/lib/RPentominoGame.h"
#include "trinkets/lib/RSelList.h"
#include "trinkets/lib/RSmackerMovie.h"
#include "trinkets/lib/RText.h"
#include "trinkets/lib/RXMLDatFile.h"
#include "trinkets/src/AnimAction.h"
#include "trinkets/src/OMAnimatedCursor.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/OMTrinketWindow.h"
#include "trinkets/src/SoundAction.h"
#include "trinkets/src/rthread/YNativeFunction.h"

namespace {

// What the resource cache actions of the scripts ask of the registry.
RegistryCachePort registryCachePort;

struct HotSpot {
  std::uint16_t id;
  std::uint32_t x;
  std::uint32_t y;
};

// Where each cursor's point is; other cursors point with their top left corner.
constexpr HotSpot kHotSpots[] = {
    {1, 0, 0},      {4062, 1, 1},   {4063, 7, 1},  {4064, 7, 5},   {4065, 7, 11},
    {4066, 16, 1},  {4070, 3, 1},   {4068, 1, 16}, {4072, 1, 28},  {4069, 17, 31},
    {4073, 30, 28}, {4067, 32, 16}, {4071, 28, 1}, {4077, 28, 26}, {0, 0, 0},
};

struct CachedCursor {
  int id;
  std::unique_ptr<OMAnimatedCursor> cursor;
};

std::vector<std::uint16_t> keptSounds;
std::vector<CachedCursor> cursors;

void registerFolder(const std::string& folder)
{
  if (!openResourceMap(folder.c_str())) scanResourceFiles(folder.c_str());
}

// A folder of the CD or the current directory: its scripts and resource files.
void addGameFolders(const std::string& root)
{
  addSearchPath((root + "scripts\\").c_str(), 1);
  const std::string resources = root + "RSC\\";
  addSearchPath(resources.c_str(), 1);
  registerFolder(resources);
}

std::unique_ptr<OMIStream> resolveAnimation(int id)
{
  return findAnimationResource(static_cast<std::uint16_t>(id));
}

std::unique_ptr<OMIStream> resolveSound(int id)
{
  return findSoundResource(static_cast<std::uint16_t>(id));
}

std::unique_ptr<OMIStream> resolvePalette(int id)
{
  return findPaletteResource(static_cast<std::uint16_t>(id));
}

OMIStream* loadFont(std::uint16_t id)
{
  return findFontResource(id).release();
}

OMCursor* lookUpCursor(std::uint16_t id)
{
  return cursorFromResource(id);
}

OMWord installCursorsFunction(OMWord)
{
  installCursors();
  return 0;
}

bool isOurCursor(const OMCursor* cursor)
{
  return cursor && std::any_of(cursors.begin(), cursors.end(), [&](const CachedCursor& cached) {
           return static_cast<const OMCursor*>(cached.cursor.get()) == cursor;
         });
}

// Nothing may show a cursor after it is gone: the class defaults, the lookup and the
// trinkets that were given one let go of them first.
void forgetCursors()
{
  OMTrinket::setDefaultCursor(nullptr, 0);
  OMTrinket::setDefaultTrackingCursor(nullptr);
  OMTrinket::setDefaultHoverCursor(nullptr);
  RAnimation::setDefaultTrackingCursor(nullptr);
  RAnimation::setDefaultHoverCursor(nullptr);
  RAnimation::setCursorLookup(nullptr);
  RCharacter::setDefaultTrackingCursor(nullptr);
  RCharacter::setDefaultHoverCursor(nullptr);
  RCharacter::setCursorLookup(nullptr);
  RAnswer::setDefaultTrackingCursor(nullptr);
  RAnswer::setDefaultHoverCursor(nullptr);
  RPButton::setDefaultTrackingCursor(nullptr);
  RPButton::setDefaultHoverCursor(nullptr);
  RText::setCursorHook(nullptr);
  RHotSpot::setCursorLookup(nullptr);
  RPentominoGame::setCursorLookup(nullptr);
  if (OMTrinketWindow* host = OMTrinketWindow::mainHost()) {
    host->trinkets().forEach([](OMTrinket* trinket) {
      if (isOurCursor(trinket->trackingCursor())) trinket->setTrackingCursor(nullptr);
      if (isOurCursor(trinket->hoverCursor())) trinket->setHoverCursor(nullptr);
    });
  }
}

// The XML documents' way to a resource id.
OMIStream* openXMLResource(int id, int)
{
  return findResourceStream(id, "XML", -1).release();
}

}  // namespace

bool initResources()
{
  setSearchPathStrict(1);
  addGameFolders("");
  const int localFiles = resourceFileCount();
  const std::string cdRoot = getCDRoot();
  if (!cdRoot.empty()) addGameFolders(cdRoot);
  if (resourceFileCount() == localFiles) return false;

  AnimAction::setAnimationOpener(&findAnimationResource);
  AnimAction::setSoundOpener(&findWaveResource);
  setBackgroundLoader(&findBackgroundResource);
  setPaletteLoader(&findPaletteResource);
  setNFNTLoader(&loadFont);
  OMAnimation::animationResolver = &resolveAnimation;
  OMAnimation::soundResolver = &resolveSound;
  OMAnimation::paletteResolver = &resolvePalette;
  RCharacter::setResourceLookup(&findTypedResource);
  OMXMLDocument::setResourceOpener(&openXMLResource);
  // The scene port's opener.
  setBackgroundMusicLoader(&findWaveResource);
  RSelList::setFontOpener(&findFontResource);
  SoundAction::setSoundOpener(&findWaveResource);
  RText::setFontByIdHook(&getNFNTFont);
  RText::setFontByNameHook(&getTrueTypeFont);
  RText::setFontCopyHook(&retainFont);
  RText::setFontReleaseHook(&releaseFont);
  const OMLinkToFct keep(&keepSound), release(&releaseKeptSound);
  RCharacter::setResourceKeeper(&keep);
  RCharacter::setResourceReleaser(&release);
  // Movies take the audio device: the program's sounds wait while one exists.
  RSmackerMovie::setSoundHooks(&pauseMixingSounds, &resumePausedSounds);

  setResourceCacheDirectory(getDataDirectory());
  RXMLDatFile::setDataDirectoryLookup(&getDataDirectory);
  ResourceCachePort::install(&registryCachePort);
  const OMLinkToFct install(&installCursorsFunction);
  registerScriptFunction("InstallCursors", &install);
  return true;
}

void reportMissingResourceFiles()
{
  const std::string root = getCDRoot();
  const bool lettered = root.size() >= 2 && root[1] == ':';
  const char letter = lettered ? static_cast<char>(std::toupper(root[0])) : 'C';
  const std::string drive = std::string(1, letter) + ":";
  char folder[1024] = {};
  if (QueryDosDeviceA(drive.c_str(), folder, sizeof folder) != 0)
    std::fprintf(stderr, "korvanix: no resource file under %s, which is the folder %s%s\n",
                 root.c_str(), folder,
                 letter == 'C' ? " (C: is the host's root)"
                               : (" (OM_DRIVE_" + std::string(1, letter) + ")").c_str());
  else
    std::fprintf(
        stderr,
        "korvanix: no resource file under %s: no folder is mapped to %s (set OM_DRIVE_%c)\n",
        root.c_str(), drive.c_str(), letter);
}

void shutdownResources()
{
  keptSounds.clear();
  RSelList::setFontOpener(nullptr);
  RXMLDatFile::setDataDirectoryLookup(nullptr);
  RCharacter::setResourceLookup(nullptr);
  OMXMLDocument::setResourceOpener(nullptr);
  RCharacter::setResourceKeeper(nullptr);
  RCharacter::setResourceReleaser(nullptr);
  forgetCursors();
  cursors.clear();
  ResourceCachePort::install(nullptr);
  shutdownResourcePort();
}

bool openResourceMap(const char* directory)
{
  const std::string path = std::string(directory ? directory : "") + "resource.map";
  std::FILE* file = om_fopen(path.c_str(), "r");
  if (!file) return false;
  std::fclose(file);
  parseResourceMap(path.c_str());
  return true;
}

std::unique_ptr<OMIStream> findSoundResource(std::uint16_t id)
{
  return findResourceStream(id, "WAVE", isSoundKept(id) ? 0 : -1);
}

std::unique_ptr<OMIStream> findAnimationResource(std::uint16_t id)
{
  return findResourceStream(id, "ASEQ", -1);
}

std::unique_ptr<OMIStream> findBackgroundResource(std::uint16_t id)
{
  return findResourceStream(id, "BK16", -1);
}

std::unique_ptr<OMIStream> findFontResource(std::uint16_t id)
{
  return findResourceStream(id, "NFNT", -1);
}

std::unique_ptr<OMIStream> findPaletteResource(std::uint16_t id)
{
  return findResourceStream(id, "RRGB", -1);
}

std::unique_ptr<OMIStream> findWaveResource(std::uint16_t id, std::int32_t option)
{
  return findResourceStream(id, "WAVE", option);
}

std::unique_ptr<OMIStream> findTypedResource(std::uint16_t id, const char* type)
{
  return findResourceStream(id, type, -1);
}

OMWord keepSound(OMWord id)
{
  const auto sound = static_cast<std::uint16_t>(id);
  if (!isSoundKept(sound)) keptSounds.push_back(sound);
  return 0;
}

OMWord releaseKeptSound(OMWord id)
{
  const auto found =
      std::find(keptSounds.begin(), keptSounds.end(), static_cast<std::uint16_t>(id));
  if (found != keptSounds.end()) keptSounds.erase(found);
  return 0;
}

bool isSoundKept(std::uint16_t id)
{
  return std::find(keptSounds.begin(), keptSounds.end(), id) != keptSounds.end();
}

int keptSoundCount()
{
  return static_cast<int>(keptSounds.size());
}

OMCursor* cursorFromResource(int id)
{
  for (const CachedCursor& cached : cursors)
    if (cached.id == id) return cached.cursor.get();
  OMTrinketWindow* host = OMTrinketWindow::mainHost();
  if (!host) return nullptr;
  std::unique_ptr<OMIStream> stream = findAnimationResource(static_cast<std::uint16_t>(id));
  if (!stream) return nullptr;
  auto cursor = std::make_unique<OMAnimatedCursor>(std::move(stream), host);
  for (const HotSpot* row = kHotSpots; row->id != 0; ++row) {
    if (row->id == id) {
      cursor->setHotSpot(
          OMPoint(static_cast<std::int32_t>(row->x), static_cast<std::int32_t>(row->y)));
      break;
    }
  }
  OMCursor* shared = cursor.get();
  cursors.push_back({id, std::move(cursor)});
  return shared;
}

OMCursor* defaultCursor()
{
  return cursorFromResource(4062);
}

OMCursor* cursorById(std::uint16_t id)
{
  return cursorFromResource(id);
}

int cachedCursorCount()
{
  return static_cast<int>(cursors.size());
}

void installCursors()
{
  OMTrinket::setDefaultCursor(cursorFromResource(1), 0);
  OMTrinket::setDefaultTrackingCursor(cursorFromResource(1));
  OMTrinket::setDefaultHoverCursor(cursorFromResource(1));
  RAnimation::setDefaultTrackingCursor(cursorFromResource(4062));
  RAnimation::setDefaultHoverCursor(cursorFromResource(4062));
  RCharacter::setDefaultTrackingCursor(cursorFromResource(4062));
  RCharacter::setDefaultHoverCursor(cursorFromResource(4062));
  RAnswer::setDefaultTrackingCursor(cursorFromResource(4065));
  RAnswer::setDefaultHoverCursor(cursorFromResource(4064));
  RPButton::setDefaultTrackingCursor(cursorFromResource(4062));
  RPButton::setDefaultHoverCursor(cursorFromResource(4062));
  RAnimation::setCursorLookup(&lookUpCursor);
  RCharacter::setCursorLookup(&lookUpCursor);
  RPentominoGame::setCursorLookup(&lookUpCursor);
  RHotSpot::setCursorLookup(&lookUpCursor);
  RText::setCursorHook(&lookUpCursor);
}
