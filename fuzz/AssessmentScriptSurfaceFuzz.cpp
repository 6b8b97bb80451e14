// Generated scripts over everything the assessment program's registries offer, run in the
// program as its main runs it: its descriptor, registry keys, resource files, stage and global
// commands, on a headless session with the stepping clock, for a bounded number of passes,
// then taken down again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "assessment/src/AppMain.h"
#include "framework/OMApp.h"
#include "framework/OMEdition.h"
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/SurfaceContent.h"
#include "fuzz/support/SurfaceRun.h"

namespace {

const std::string installFolder = "install";

std::vector<surfacecontent::File> files()
{
  using surfacecontent::textFile;
  return {textFile("PLSDescriptor.txt",
                   "WinExeNamePath Tovik\r\nAODLL ao.rsc\r\nWaveDLL wave.rsc\r\n"
                   "ExitButton 4711\r\nTitle \"Math Racer\"\r\n"
                   "DataFile results.txt\r\nDS 1 1 2 1 a 1 0 0 0 0 0 0\r\n"),
          textFile("users/.keep", ""),
          // The main program that the program starts when it is done is not there.
          textFile("registry.txt",
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick\\Tovik\\MarlovinDir]\n@=\"D:\"\n\n"
                   "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick\\Tovik\\MainExe]\n"
                   "@=\"D:\\\\nothere.exe\"\n"),
          {installFolder + "/PRsc/ao.rsc",
           surfacecontent::resourceFile({"ASEQ", "RRGB", "NFNT", "BK16"})},
          {installFolder + "/PRsc/wave.rsc", surfacecontent::resourceFile({"WAVE"})},
          // The script a switch goes to: it comes back to the first one.
          textFile(installFolder + "/PScripts/other.mps", "say other\rexit\r")};
}

void runLoop()
{
  if (OMApp* app = assessmentApp()) app->run();
}

const SurfaceRun::Program& assessment()
{
  static const SurfaceRun::Program program = [] {
    const std::string work = omfuzz::workFolder();
    ::setenv("OM_DRIVE_D", (work + "/" + installFolder).c_str(), 1);
    ::setenv("OM_REGISTRY", (work + "/registry.txt").c_str(), 1);
    return SurfaceRun::Program{files(),
                               installFolder + "/PScripts/mthRacer.mps",
                               &setUpProgram,
                               &runLoop,
                               &tearDownProgram,
                               surfacecontent::scriptContent({"\"mthRacer.mps\"", "\"other.mps\"",
                                                              "\"ao.rsc\"", "\"results.txt\""}),
                               surfacecontent::idWords()};
  }();
  return program;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
  OMEdition::set(OMEdition::assessment);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  SurfaceRun::run(assessment(), data, size);
  return 0;
}
