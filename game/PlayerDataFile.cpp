// The player data file: read whole at start-up, one record re-read when a player is selected,
// and rewritten whole at each save. A save writes a temporary file beside the data file, puts
// it on the disk and renames it over the old one, so that a crash leaves one of the two whole.
#include <io.h>
#include <omcrt.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "framework/OMApp.h"
#include "framework/OMSafeSave.h"
#include "framework/OMSystem.h"
#include "game/RWorldPort.h"
#include "game/WorldDataFile.h"
#include "game/WorldField.h"
#include "game/WorldPlayer.h"

namespace {

const char versionLine[] = "Version";
constexpr int formatNumber = 2;
const char globalEnd[] = "GLOBAL_END";
const char temporaryName[] = "KORVANIX.TMP";
const char damagedCopyName[] = "KORVANIX.BAD";

// A file name in the data file's folder.
std::string besideDataFile(const char* name)
{
  const std::string& path = RWorldPort::dataFilePath();
  const std::size_t cut = path.find_last_of("\\/");
  return (cut == std::string::npos ? std::string() : path.substr(0, cut + 1)) + name;
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

File openFile(const std::string& path, const char* mode)
{
  return File(path.empty() ? nullptr : om_fopen(path.c_str(), mode));
}

bool isReadable(FILE* file)
{
  return !std::feof(file) && !std::ferror(file);
}

// Reads lines up to and including "GLOBAL_END"; false when the file ends first.
bool skipGlobals(FILE* file)
{
  char line[WorldField::textSize];
  while (readLine(file, line)) {
    if (std::strcmp(line, globalEnd) == 0) return true;
    if (!isReadable(file)) return false;
  }
  return false;
}

// A record of the current schema (and the templates) to read old records into.
std::unique_ptr<WorldPlayer> makeScratch()
{
  auto scratch = std::make_unique<WorldPlayer>();
  scratch->buildSchema();
  scratch->appendTemplates(RWorldPort::playerTemplates());
  return scratch;
}

WorldPlayer::ReadResult readFreshRecord(WorldPlayer& scratch, FILE* file)
{
  scratch.clearFieldValues();
  scratch.giveNewPlayerValues();
  return scratch.read(file);
}

// The version rule: "Version", more after it, and a format number of at least 2.
bool passesVersionRule(FILE* file)
{
  char line[WorldField::textSize];
  if (!readLine(file, line) || std::strcmp(line, versionLine) != 0 || std::feof(file)) return false;
  return readLine(file, line) && decimalValueOf(line) >= formatNumber;
}

// What saving has met since the data file was loaded.
struct SaveSession {
  bool failureShown = false;  // the player has been told of a failed save
  bool damagedKept = false;   // a damaged file without a copy: nothing is saved over it
};

SaveSession& saveSession()
{
  static SaveSession session;
  return session;
}

// Keeps the damaged file where no save will overwrite it. False when no copy could be made.
bool keepDamagedCopy()
{
  const bool copied = copyFileBytes(RWorldPort::dataFilePath(), besideDataFile(damagedCopyName));
  if (copied)
    std::fputs("KORVANIX.DAT is damaged; a copy is kept as KORVANIX.BAD\n", stderr);
  else
    std::fputs(
        "KORVANIX.DAT is damaged, and no copy of it could be kept; it is left as it is "
        "and nothing is saved over it until the game starts again\n",
        stderr);
  return copied;
}

bool writeGlobals(FILE* file)
{
  char number[16];
  std::snprintf(number, sizeof number, "%d", formatNumber);
  bool written = writeLine(file, versionLine) && writeLine(file, number);
  char value[WorldField::textSize];
  RWorldPort::globalFields().forEach([&](WorldField* field) {
    if (!field->saved()) return;
    value[0] = '\0';
    field->toText(value);
    written = writeLine(file, field->name()) && writeLine(file, value) && written;
  });
  return writeLine(file, globalEnd) && written;
}

// A record of a player under its name with new-player values: for a player whose record the
// old file does not hold.
bool writeNewRecord(FILE* out, const WorldPlayer& player)
{
  std::unique_ptr<WorldPlayer> fresh = makeScratch();
  fresh->clearFieldValues();
  fresh->giveNewPlayerValues();
  fresh->setName(player.name());
  return fresh->write(out);
}

// Writes every player of the list once, in list order: the active player's record from memory,
// the others' copied from the old file, found there under the name they were filed by (a
// rename shows in the file at the next save). Records are searched forward only, and each is
// used once, so two players of one name keep their own records.
bool writePlayers(FILE* out, FILE* old)
{
  WorldPlayer* active = RWorldPort::activePlayer();
  const bool oldRecords = old && skipGlobals(old);
  std::unique_ptr<WorldPlayer> scratch = oldRecords ? makeScratch() : nullptr;
  bool held = false;  // the scratch holds a named record not yet used
  bool whole = true;  // no damaged or cut record has been met: reading may go on
  bool written = true;
  RWorldPort::players().forEach([&](WorldPlayer* player) {
    const std::optional<std::string>& filed = player->filedName();
    bool found = false;
    if (scratch && filed) {
      while (whole && isReadable(old) && !(held && scratch->name() == *filed)) {
        const WorldPlayer::ReadResult record = readFreshRecord(*scratch, old);
        held = record.named;
        whole = record.complete;
      }
      found = held && scratch->name() == *filed;
      if (found) held = false;
    }
    if (player == active) {
      written = player->write(out) && written;
    } else if (found) {
      written = scratch->write(out) && written;
    } else {
      written = writeNewRecord(out, *player) && written;
    }
  });
  return written;
}

// Standard error hears of every failed save; the player of the first one in a session, so
// that progress is not lost unawares. Later saves try again.
void reportUnsaved(const std::string& reason)
{
  std::fputs("KORVANIX.DAT could not be saved; the file keeps its previous contents\n", stderr);
  if (saveSession().failureShown) return;
  saveSession().failureShown = true;
  const std::string text = RWorldPort::dataFilePath() + " could not be saved: " + reason +
                           ".\n\nThe file keeps its previous contents, so progress made since "
                           "then may be lost. The game tries again at the next save.";
  const OMApp* app = OMApp::instance();
  alertBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL,
           app && !app->productName().empty() ? app->productName().c_str() : nullptr);
}

std::string reasonOf(int error)
{
  return error != 0 ? std::strerror(error) : "the disk refused it";
}

}  // namespace

void RWorldPort::loadData()
{
  saveSession() = SaveSession();
  File file = openFile(dataFilePath(), "rb");
  if (!file) return;
  bool damaged = false;
  if (!passesVersionRule(file.get())) {
    // An empty file is no damage: there is nothing to keep.
    std::fseek(file.get(), 0, SEEK_END);
    damaged = std::ftell(file.get()) > 0;
  } else {
    char name[WorldField::textSize];
    char value[WorldField::textSize];
    bool got = readLine(file.get(), name);
    bool shifted = false;  // a line lost or doubled made "GLOBAL_END" a value
    while (got && isReadable(file.get()) && std::strcmp(name, globalEnd) != 0) {
      if (!readLine(file.get(), value)) break;
      shifted = std::strcmp(value, globalEnd) == 0;
      if (shifted) break;
      setGlobalFieldText(name, value);
      got = readLine(file.get(), name);
    }
    damaged = shifted || !got || std::strcmp(name, globalEnd) != 0;
    // The players follow "GLOBAL_END" wherever the pairs put it.
    if (!damaged || shifted) {
      std::unique_ptr<WorldPlayer> scratch = makeScratch();
      while (isReadable(file.get())) {
        const WorldPlayer::ReadResult record = readFreshRecord(*scratch, file.get());
        // Only a record that got as far as its name makes a player.
        if (record.named) {
          auto player = std::make_unique<WorldPlayer>();
          player->setName(scratch->name());
          player->setFiledName(scratch->name());
          player->giveNewPlayerValues();
          players().add(player.release());
        }
        if (!record.complete) {
          damaged = true;
          break;
        }
      }
    }
  }
  file.reset();
  if (damaged) saveSession().damagedKept = !keepDamagedCopy();
}

void RWorldPort::reloadPlayer(WorldPlayer* player)
{
  if (!player) return;
  // Values for a player whose record the file does not hold.
  player->giveNewPlayerValues();
  const std::optional<std::string> filed = player->filedName();
  if (!filed) return;
  File file = openFile(dataFilePath(), "rb");
  if (!file || !skipGlobals(file.get())) return;
  // Players filed under one name match their records in order.
  int rank = 0;
  bool reached = false;
  players().forEach([&](WorldPlayer* other) {
    if (other == player) reached = true;
    if (!reached && other->filedName() == filed) ++rank;
  });
  std::unique_ptr<WorldPlayer> scratch = makeScratch();
  while (isReadable(file.get())) {
    const WorldPlayer::ReadResult record = readFreshRecord(*scratch, file.get());
    if (record.named && scratch->name() == *filed && rank-- == 0) {
      player->copyStateFrom(*scratch);
      return;
    }
    if (!record.complete) return;
  }
}

bool RWorldPort::saveData()
{
  if (saveSession().damagedKept) return false;
  const std::string& path = dataFilePath();
  if (path.empty()) {
    reportUnsaved("the game has no folder for it");
    return false;
  }
  struct _stat status;
  const bool exists = _stat(path.c_str(), &status) == 0;
  errno = 0;
  File old = openFile(path, "rb");
  // An old file that cannot be read still holds the other players: it is not replaced.
  if (exists && !old) {
    reportUnsaved(reasonOf(errno));
    return false;
  }
  std::string whyNot;
  const bool saved = saveFileSafely(
      path, besideDataFile(temporaryName),
      [&](FILE* out) {
        bool written = writeGlobals(out);
        written = writePlayers(out, old.get()) && written;
        // Closed before the rename, which may not replace an open file.
        old.reset();
        return written;
      },
      &whyNot);
  old.reset();
  if (!saved) {
    reportUnsaved(whyNot);
    return false;
  }
  players().forEach([](WorldPlayer* player) { player->setFiledName(player->name()); });
  return true;
}
