#include "framework/OMResourceReport.h"

#include <windows.h>

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

}  // namespace

void reportRefusedResourceFile(const std::string& line)
{
  if (isNew(line)) std::fprintf(stderr, "%s\n", line.c_str());
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
