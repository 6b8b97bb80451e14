#include "assessment/src/ProgramFiles.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "assessment/src/DescriptorFile.h"
#include "framework/OMEditionAssert.h"
#include "framework/OMIStreamDLL16.h"
#include "framework/OMIStreamFile.h"
#include "trinkets/src/OMStreamBytes.h"

namespace {

constexpr DWORD registryValueSize = 256;

struct ResourceFiles {
  bool built = false;
  std::optional<std::string> animations;  // "AODLL"
  std::optional<std::string> waves;       // "WaveDLL"
  std::string loader;                     // named by the race scene, else empty
};

ResourceFiles& files()
{
  static ResourceFiles state;
  return state;
}

const char* descriptorValue(const char* key)
{
  const DescriptorFile* descriptor = DescriptorFile::current();
  return descriptor ? descriptor->stringValue(key, 1) : nullptr;
}

std::string installKeyPath(const char* product, const char* suffix)
{
  return std::string("SOFTWARE\\Bramblewick\\") + product + suffix;
}

// Reads the default value of "SOFTWARE\Bramblewick\" + WinExeNamePath + suffix.
void readInstallValue(const char* suffix, char* buffer, bool checkHandle)
{
  buffer[0] = '\0';
  const char* product = descriptorValue("WinExeNamePath");
  HKEY hk = nullptr;
  LONG err1 = ERROR_FILE_NOT_FOUND;
  if (product) {
    err1 = RegOpenKeyExA(HKEY_LOCAL_MACHINE, installKeyPath(product, suffix).c_str(), 0,
                         KEY_QUERY_VALUE, &hk);
  } else {
    std::fprintf(stderr, "PLSDescriptor.txt has no WinExeNamePath\n");
  }
  OM_UNIT_ASSERT(!err1, "..\\src\\main");
  if (checkHandle) OM_UNIT_ASSERT(hk, "..\\src\\main");
  DWORD type = 0;
  DWORD size = registryValueSize;
  std::vector<BYTE> value(registryValueSize + 1, 0);
  LONG err2 = RegQueryValueExA(hk, nullptr, nullptr, &type, value.data(), &size);
  RegCloseKey(hk);
  // Only a text that ends inside the buffer will do.
  if (!err2 && (type != REG_SZ || std::memchr(value.data(), '\0', size) == nullptr))
    err2 = ERROR_MORE_DATA;
  OM_UNIT_ASSERT(!err2, "..\\src\\main");
  std::memcpy(buffer, value.data(), registryValueSize);
}

std::optional<std::string> resourceFilePath(const char* key)
{
  const char* name = descriptorValue(key);
  if (!name) {
    std::fprintf(stderr, "PLSDescriptor.txt has no %s: its resources are not served\n", key);
    return std::nullopt;
  }
  char base[registryValueSize];
  baseDirectory(base);
  return std::string(base) + "\\PRsc\\" + name;
}

void buildFileNames()
{
  ResourceFiles& f = files();
  if (f.built) return;
  f.built = true;
  f.animations = resourceFilePath("AODLL");
  f.waves = resourceFilePath("WaveDLL");
}

std::unique_ptr<OMIStream> openResource(int id, const char* type, const std::string& file)
{
  return std::make_unique<OMIStreamDLL16>(id & 0xFFFF, type, file.c_str(), -1, nullptr);
}

}  // namespace

void baseDirectory(char* buffer)
{
  readInstallValue("\\MarlovinDir", buffer, false);
}

void mainExePath(char* buffer)
{
  readInstallValue("\\MainExe", buffer, true);
}

std::string missingInstallKey()
{
  const char* product = descriptorValue("WinExeNamePath");
  if (!product) return "HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick";
  for (const char* suffix : {"\\MarlovinDir", "\\MainExe"}) {
    HKEY hk = nullptr;
    const std::string path = installKeyPath(product, suffix);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, &hk) != ERROR_SUCCESS)
      return "HKEY_LOCAL_MACHINE\\" + path;
    RegCloseKey(hk);
  }
  return {};
}

std::unique_ptr<OMIStream> resourceById(int id, const char* type)
{
  if (!type) return nullptr;
  ResourceFiles& f = files();
  if (!f.loader.empty()) {
    char base[registryValueSize];
    baseDirectory(base);
    const bool sound = std::strcmp(type, "SFX") == 0;
    return openResource(id, sound ? "WAVE" : type, std::string(base) + "\\PRsc\\" + f.loader);
  }
  buildFileNames();
  if (std::strcmp(type, "ASEQ") == 0 || std::strcmp(type, "RRGB") == 0)
    return f.animations ? openResource(id, type, *f.animations) : nullptr;
  if (std::strcmp(type, "WAVE") == 0 || std::strcmp(type, "SFX") == 0)
    return f.waves ? openResource(id, "WAVE", *f.waves) : nullptr;
  return nullptr;
}

void setLoaderFileName(const char* fileName)
{
  files().loader = fileName ? fileName : "";
}

void resetResourceFileNames()
{
  files() = ResourceFiles{};
}

std::unique_ptr<std::istream> scriptPath(const char* name)
{
  if (!name) return nullptr;
  char base[registryValueSize];
  baseDirectory(base);
  const std::string path = std::string(base) + "\\PScripts\\" + name;
  OMIStreamFile file(path.c_str(), -1, nullptr);
  std::vector<std::uint8_t> bytes;
  if (!readStreamBytes(file, bytes)) return nullptr;
  return std::make_unique<std::istringstream>(std::string(bytes.begin(), bytes.end()));
}
