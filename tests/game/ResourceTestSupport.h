#pragma once

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "framework/OMBackgroundJob.h"
#include "framework/OMFileServices.h"
#include "framework/OMIStream.h"
#include "framework/OMPathDirectory.h"
#include "game/MachineChecks.h"
#include "game/ResourceFileRegistry.h"
#include "tests/framework/StreamDrain.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/TempFolder.h"
#include "tools/NEResourceWriter.h"

namespace restest {

struct Resource {
  std::string type;
  int id;
  std::string bytes;
};

// A text of that length in which no stretch repeats soon, so that a misplaced read shows.
inline std::string pattern(std::size_t length, int seed)
{
  std::string bytes(length, '\0');
  for (std::size_t i = 0; i < length; ++i)
    bytes[i] = static_cast<char>(i * 31 + seed + i / 97);
  return bytes;
}

// The first `length` bytes a stream hands out (resources are padded to their unit).
inline std::string content(OMIStream* stream, std::size_t length)
{
  return stream ? omtest::drain(*stream).substr(0, length) : "<null>";
}

// Writes a resource file at a path below a folder and returns its host path.
inline std::string writeResourceFile(const TempFolder& folder, const std::string& relative,
                                     const std::vector<Resource>& resources)
{
  NEResourceWriter writer;
  for (const Resource& r : resources)
    writer.add(r.type, std::to_string(r.id),
               NEResourceWriter::Bytes(r.bytes.begin(), r.bytes.end()));
  NEResourceWriter::Bytes file;
  EXPECT_TRUE(writer.build(file)) << writer.error();
  return folder.write(relative, std::string(file.begin(), file.end()));
}

inline std::vector<std::string> recordNames()
{
  std::vector<std::string> names;
  for (const auto& record : resourceFileRecords())
    names.push_back(record->name);
  return names;
}

// The game's folders: a work folder that is the current one (C:) and a CD folder on drive Q:,
// which the INI names as "CDDrive". The file services and the registry start and end empty.
class ResourceFolders : public ::testing::Test {
 protected:
  ResourceFolders()
  {
    omtest::startAppSession();
    terminateFileServices();
    work.write("korvanix.INI", "[Velmora Trasko Adventures - CD]\nCDDrive=Q:\\\n");
    resetShellSettings();
  }
  ~ResourceFolders() override
  {
    shutdownResourcePort();
    setResourcePortEventHook(nullptr);
    setSearchPathStrict(0);
    terminateFileServices();
    resetShellSettings();
  }

  // Drives the background jobs until the condition holds (or a generous bound passes).
  template <typename Condition>
  static bool stepJobsUntil(Condition done)
  {
    for (long pass = 0; pass < 20000000 && !done(); ++pass) {
      stepBackgroundJobs();
      std::this_thread::yield();
    }
    return done();
  }

  static void stepJobs(int passes)
  {
    for (int pass = 0; pass < passes; ++pass) {
      stepBackgroundJobs();
      std::this_thread::yield();
    }
  }

 public:
  TempFolder work;
  TempFolder cd;

 private:
  ScopedCurrentFolder inWork_{work.path()};
  ScopedEnv driveQ_{"OM_DRIVE_Q", cd.path()};
};

}  // namespace restest
