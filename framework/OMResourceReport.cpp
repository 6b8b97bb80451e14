#include "framework/OMResourceReport.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <set>

namespace {

// Resources are also read by background jobs.
struct SaidLines {
  std::mutex lock;
  std::set<std::string> lines;
};

SaidLines& saidLines()
{
  static SaidLines said;
  return said;
}

bool isNew(const std::string& line)
{
  SaidLines& said = saidLines();
  const std::lock_guard<std::mutex> guard(said.lock);
  return said.lines.insert(line).second;
}

std::atomic<RefusedResourceFileReporter> refusedReporter{nullptr};

}  // namespace

namespace {

void sayOnce(const std::string& fileName, ResourceFileFault fault, const std::string& detail,
             const std::string& line)
{
  if (!isNew(line)) return;
  if (const RefusedResourceFileReporter reporter = refusedReporter.load()) {
    reporter(fileName, fault, detail);
    return;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
}

}  // namespace

void reportRefusedResourceFile(const std::string& fileName, const std::string& reason)
{
  sayOnce(fileName, ResourceFileFault::refused, reason,
          "NE resource file \"" + fileName + "\" refused: " + reason);
}

void reportCutResourceFile(const std::string& fileName, int cutResources)
{
  const std::string count = std::to_string(cutResources);
  sayOnce(fileName, ResourceFileFault::cutShort, count,
          "NE resource file \"" + fileName + "\" cut short: " + count +
              " resources run past its end and are refused");
}

void setRefusedResourceFileReporter(RefusedResourceFileReporter reporter)
{
  refusedReporter.store(reporter);
}

// A line not printed is not said: tracing may be switched on later in the run.
void traceOnce(const std::string& line)
{
  if (std::getenv("OM_TRACE") != nullptr && isNew(line)) OutputDebugStringA(line.c_str());
}

void forgetResourceReports()
{
  SaidLines& said = saidLines();
  const std::lock_guard<std::mutex> guard(said.lock);
  said.lines.clear();
}
