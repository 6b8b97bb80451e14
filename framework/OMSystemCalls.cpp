#include "framework/OMSystemCalls.h"

#include <string>

namespace {

// Windows paths reach the host with forward slashes.
std::string hostPath(const char* path)
{
  std::string host(path);
  for (char& c : host)
    if (c == '\\') c = '/';
  return host;
}

}  // namespace

namespace omsys {

std::FILE* openStdioFile(const char* path, const char* mode)
{
  if (!path || !*path) return nullptr;
  std::string hostMode;
  for (const char* c = mode; *c; ++c)
    if (*c != 't') hostMode.push_back(*c);
  return std::fopen(hostPath(path).c_str(), hostMode.c_str());
}

}  // namespace omsys
