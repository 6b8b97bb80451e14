#include "assessment/src/ResultFile.h"

#include <omcrt.h>
#include <windows.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "assessment/src/DescriptorFile.h"
#include "assessment/src/FileReport.h"
#include "framework/OMEditionAssert.h"
#include "framework/OMSafeSave.h"

namespace {

const char unitName[] = "..\\src\\predata";
constexpr int pairCount = 50;
constexpr int firstGroup = 1;
constexpr int lastGroup = 29;
constexpr int percentNeeded = 76;

struct ResultFileState {
  std::FILE* out = nullptr;
  std::string name;
  std::string temporary;
  std::array<std::array<int, 2>, pairCount> pairs{};
};

ResultFileState& state()
{
  static ResultFileState file;
  return file;
}

// NAME.TMP beside the file: its extension replaced, or added.
std::string temporaryNameFor(const std::string& name)
{
  const std::size_t folder = name.find_last_of("\\/");
  const std::size_t dot = name.find_last_of('.');
  const bool hasExtension =
      dot != std::string::npos && (folder == std::string::npos || dot > folder);
  return (hasExtension ? name.substr(0, dot) : name) + ".TMP";
}

}  // namespace

bool resultFileOpen(const char* name)
{
  ResultFileState& file = state();
  if (file.out) std::fclose(file.out);
  file.name = name ? name : "";
  file.temporary = temporaryNameFor(file.name);
  // Text mode, as the Windows C library writes "wt": the lines end CR LF.
  errno = 0;
  file.out = file.name.empty() ? nullptr : om_fopen_text(file.temporary.c_str(), "wt");
  return file.out != nullptr;
}

void resultFileCreate(const char* name)
{
  std::FILE* in = resultFileOpen(name) ? state().out : nullptr;
  if (in == NULL) omAssertionBox("in!=NULL", unitName, __LINE__);
}

void resultFileWrite(int a, int b)
{
  ResultFileState& file = state();
  char line[32];
  const int len = std::snprintf(line, sizeof line, "%d %d\n", a, b);
  const std::size_t size =
      file.out ? std::fwrite(line, 1, static_cast<std::size_t>(len), file.out) : 0;
  if (static_cast<std::size_t>(len) != size) omAssertionBox("len==size", unitName, __LINE__);
}

void resultFileClose()
{
  ResultFileState& file = state();
  if (!file.out) return;
  // A text stream has no handle to commit while open: it is committed once closed.
  errno = 0;
  bool saved = std::fflush(file.out) == 0 && !std::ferror(file.out);
  saved = std::fclose(file.out) == 0 && saved;
  file.out = nullptr;
  saved = saved && commitClosedFile(file.temporary);
  const int error = errno;
  saved = saved && MoveFileExA(file.temporary.c_str(), file.name.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (saved) return;
  om_remove(file.temporary.c_str());
  // The main program reads whatever the file holds: the user hears that it is not this
  // session's before it is started.
  const std::string reason = error != 0 ? std::strerror(error) : "the disk refused it";
  const bool previous = resultFileExists(file.name.c_str()) != 0;
  filereport::report(file.name,
                     "this session's results could not be saved (" + reason + "), so " +
                         (previous ? "it still holds the previous session's results, which the "
                                     "main program will read"
                                   : "the main program will find no results"),
                     "Make room on the disk or make the file and its folder writable, then run "
                     "the assessment again");
}

int resultFileExists(const char* name)
{
  std::FILE* file = name ? om_fopen(name, "r") : nullptr;
  if (!file) return 0;
  std::fclose(file);
  return 1;
}

void resultFileRemove(const char* name)
{
  if (name) om_remove(name);
}

void resultFileRead(const char* name)
{
  ResultFileState& file = state();
  file.pairs = {};
  std::FILE* rin = name ? om_fopen_text(name, "rt") : nullptr;
  if (rin == NULL) omAssertionBox("rin!=NULL", unitName, __LINE__);
  char line[128];
  for (auto& pair : file.pairs) {
    if (!std::fgets(line, sizeof line, rin)) break;
    if (std::sscanf(line, "%d %d", &pair[0], &pair[1]) != 2) pair = {};
  }
  std::fclose(rin);
}

int resultFileValue(int i)
{
  if (i < 0 || i >= pairCount) return 0;
  const auto& pair = state().pairs[static_cast<std::size_t>(i)];
  return pair[0] == 0 ? 0 : pair[1];
}

std::int32_t skillAreaLevel(const SkillAreaSet& area)
{
  const auto total = static_cast<std::int64_t>(area.sets.size());
  if (total == 0) return 1;
  // A single set never asked still gets the lowest level the file can hold.
  if (total == 1) return area.sets.front()->result == 0 ? 1 : area.sets.front()->result;
  std::int64_t atThree = 0, atTwo = 0;
  for (const auto& set : area.sets) {
    if (set->result == 3) ++atThree;
    if (set->result == 2) ++atTwo;
  }
  if (atThree * 100 / total >= percentNeeded) return 3;
  if ((atThree + atTwo) * 100 / total < percentNeeded) return 1;
  return 2;
}

namespace {

bool holdsAResultGroup(const DescriptorFile& descriptor)
{
  for (int group = firstGroup; group <= lastGroup; ++group)
    if (descriptor.skillAreaByGroup(group)) return true;
  return false;
}

}  // namespace

void writeAssessmentResults(DescriptorFile& descriptor)
{
  const char* name = descriptor.stringValue("DataFile", 1);
  if (!holdsAResultGroup(descriptor)) {
    // An empty file would read as a session without results over the last one's: a
    // descriptor cut short must not cost the previous results.
    std::fprintf(stderr,
                 "%s: no skill area %d to %d was assessed (the descriptor has no \"DS\" line of "
                 "one), so the file is left as it was\n",
                 filereport::named(name ? name : "DataFile").c_str(), firstGroup, lastGroup);
    return;
  }
  if (!resultFileOpen(name)) {
    // The results cannot be kept: the program ends through its saving road, not an abort.
    const int error = errno;
    const std::string shown = name ? name : "DataFile";
    filereport::reportAndStop(shown,
                              "it cannot be written: its temporary file " +
                                  temporaryNameFor(shown) + " cannot be made (" +
                                  filereport::reasonOf(error) + ")",
                              "Make its folder writable, or remove what stands in the way");
    return;
  }
  for (int group = firstGroup; group <= lastGroup; ++group) {
    SkillAreaSet* area = descriptor.skillAreaByGroup(group);
    if (!area) continue;
    area->level = skillAreaLevel(*area);
    resultFileWrite(group, area->level);
  }
  resultFileClose();
}
