#pragma once

#include <string>
#include <vector>

#include "assessment/src/AppMain.h"
#include "assessment/src/ProgramFiles.h"
#include "assessment/src/StartupChecks.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMProgramEnd.h"
#include "tests/support/AppTestSupport.h"
#include "tests/support/ScopedEdition.h"
#include "tests/support/TempFolder.h"
#include "tools/NEResourceWriter.h"
#include "trinkets/src/rthread/YNativeFunction.h"

// What every descriptor needs besides the product and its resource files for the program to
// start: the result file and one problem of a skill area.
inline const std::string startLines = "DataFile results.txt\r\nDS 1 1 2 1 a 1 0 0 0 0 0 0\r\n";

// The assessment program's surroundings, as its installer and its caller leave them: a work
// folder (the current one) with the descriptor and the users folder, a registry naming an
// install folder on drive D: with its scripts and its two resource files.
class AssessmentWorld {
 public:
  AssessmentWorld()
  {
    work.write("PLSDescriptor.txt",
               "WinExeNamePath Tovik\r\nAODLL ao.rsc\r\nWaveDLL wave.rsc\r\nExitButton 4711\r\n"
               "Title \"Math Racer\"\r\n" +
                   startLines);
    work.makeFolder("users");
    setRegistry("\"D:\"", "\"false\"");
    NEResourceWriter ao;
    ao.add("RRGB", "300", {1, 2, 3});
    ao.add("ASEQ", "300", {4, 5});
    writeResourceFile("ao.rsc", ao);
    NEResourceWriter wave;
    wave.add("WAVE", "7", {9, 9, 9, 9});
    writeResourceFile("wave.rsc", wave);
    OMProgramEnd::reset();
  }
  ~AssessmentWorld()
  {
    resetResourceFileNames();
    OMProgramEnd::reset();
  }

  // The registry's two values as the registry file writes them: quoted texts (backslashes
  // doubled) or typed values.
  // Each time in a file of its own: the registry reads a file once.
  void setRegistry(const std::string& marlovinDir, const std::string& mainExe)
  {
    const std::string name = "registry" + std::to_string(++registryFiles) + ".txt";
    ::setenv("OM_REGISTRY", (registryFile / name).c_str(), 1);
    registryFile.write(
        name, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick\\Tovik\\MarlovinDir]\n@=" + marlovinDir +
                  "\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bramblewick\\Tovik\\MainExe]\n@=" + mainExe +
                  "\n");
  }
  void writeResourceFile(const std::string& name, NEResourceWriter& writer)
  {
    NEResourceWriter::Bytes bytes;
    writer.build(bytes);
    install.write("PRsc/" + name, std::vector<unsigned char>(bytes.begin(), bytes.end()));
  }
  void writeScript(const std::string& name, const std::string& text)
  {
    install.write("PScripts/" + name, text);
  }

  TempFolder work, install, registryFile;
  int registryFiles = 0;
  ScopedEnv drive{"OM_DRIVE_D", install.path()};
  ScopedEnv registry{"OM_REGISTRY", ""};
  ScopedCurrentFolder inWork{work.path()};
  ScopedEdition edition{OMEdition::assessment};
};

// Runs the program's main on a fresh headless screen of that size and depth; a script
// function "Probe" calls the test's function, whose quitting ends the run.
inline omhost::HeadlessHost& runAppMain(int width, int height, int depth)
{
  omhost::HeadlessHost& host = omtest::startAppSession();
  host.screen().resize(width, height, depth);
  appMain();
  omhost::useRealClock();
  return host;
}

inline void registerProbe(OMWord (*probe)(OMWord))
{
  const OMLinkToFct link(probe);
  registerScriptFunction("Probe", &link);
}

// The texts of the message boxes shown.
inline std::vector<std::string> boxTexts(const omhost::HeadlessHost& host)
{
  std::vector<std::string> out;
  for (const auto& box : host.messageBoxes())
    out.push_back(box.text);
  return out;
}
