#include "fuzz/support/SurfaceRun.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>

#include "framework/OMApp.h"
#include "framework/OMFileServices.h"
#include "framework/OMProgramEnd.h"
#include "framework/OMProgramEntry.h"
#include "fuzz/support/BoundedHost.h"
#include "fuzz/support/FuzzSupport.h"
#include "fuzz/support/HostileWords.h"
#include "fuzz/support/SurfaceSweep.h"
#include "platform/host/HostClock.h"
#include "platform/src/user/InstanceRegistry.h"
#include "trinkets/src/OMAnimation.h"
#include "trinkets/src/OMPluginLibrary.h"
#include "trinkets/src/OMSParameter.h"
#include "trinkets/src/OMTrinket.h"
#include "trinkets/src/rthread/ThreadStack.h"
#include "trinkets/src/rthread/YScriptEngine.h"
#include "trinkets/src/rthread/YThread.h"
#include "trinkets/src/rthread/eventRecord.h"
#include "trinkets/src/rvar/YVariableTable.h"

namespace {

std::optional<ScriptSurface>& gathered()
{
  static std::optional<ScriptSurface> surface;
  return surface;
}

void emptyWorkFolder()
{
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(omfuzz::workFolder(), error))
    std::filesystem::remove_all(entry.path(), error);
}

void preset(const char* name, const std::string& text)
{
  YVariable* variable = scriptVariables.at(scriptVariables.find(name, -1));
  if (variable && variable->kind == YVariable::plainVariable)
    variable->setText(text.data(), static_cast<int>(text.size()));
}

}  // namespace

SurfaceScript::Content SurfaceRun::timed(SurfaceScript::Content content)
{
  content.start = clockStart;
  content.length = runLength;
  return content;
}

void SurfaceRun::run(const Program& program, const std::uint8_t* data, std::size_t size)
{
  const ScriptSurface& reachable = surface(program);
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  std::string script, input;
  Kind kind = generated;
  if (bytes.starts_with(scriptMark)) {
    kind = written;
    // A script written with line feeds, as the language ends its lines with carriage returns;
    // after a line "; input", the headless host's input script.
    const std::size_t split = bytes.find(inputMark);
    script = bytes.substr(0, split);
    std::replace(script.begin(), script.end(), '\n', '\r');
    if (split != std::string::npos) input = bytes.substr(split + std::strlen(inputMark));
  } else if (bytes.starts_with(sweepMark)) {
    // "; sweep N", a line end, then the choices of the values.
    const std::size_t lineEnd = bytes.find('\n');
    const int part = std::atoi(bytes.c_str() + std::strlen(sweepMark)) % SurfaceSweep::parts;
    const std::size_t rest = lineEnd == std::string::npos ? size : lineEnd + 1;
    const SurfaceSweep sweep(part < 0 ? part + SurfaceSweep::parts : part, data + rest, size - rest,
                             reachable, timed(program.content));
    script = sweep.text();
    input = sweep.input();
  } else {
    const SurfaceScript made(data, size, reachable, timed(program.content));
    script = made.text();
    input = made.input();
  }
  // To read what an input does: the script and the input script it makes ("only": without
  // running them).
  if (const char* show = std::getenv("OM_FUZZ_SHOW_SCRIPT")) {
    std::fprintf(stderr, "--- script\n%s\n--- input\n%s---\n", script.c_str(), input.c_str());
    if (std::strcmp(show, "only") == 0) return;
  }
  RunRecord record(data, size);
  RunRecord* recording = RunRecord::wanted() ? &record : nullptr;
  once(program, script, input, kind, recording);
  if (recording) recording->append();
}

const ScriptSurface& SurfaceRun::surface(const Program& program)
{
  if (!gathered()) {
    // No folder of a run holds a plug-in library, and nothing a run writes is one: a name that
    // no class has is then refused without a search on the disk, with the search's answer.
    setKnownPluginLibraries(std::vector<std::string>{});
    // A share of slow instructions holds a pass on the stepping clock for as long as they
    // take: smaller shares keep a run's passes short, and its loops without end cheap.
    YThread::setInstructionShares(instructionShare, hostAnswerInterval);
    once(program, "wait\r", "", gathering);
    std::fprintf(stderr, "script surface: %s\n", gathered()->summary().c_str());
  }
  return *gathered();
}

void SurfaceRun::once(const Program& program, const std::string& script, const std::string& input,
                      Kind kind, RunRecord* record)
{
  emptyWorkFolder();
  for (const surfacecontent::File& file : program.files)
    surfacecontent::writeFile(file.path, file.bytes);
  surfacecontent::writeFile(program.firstScript, script);
  BoundedHost& host = BoundedHost::startSession(clockStart + runLength, passLimit, record);
  omhost::useSteppingClock(clockStep, clockStart);
  omuser::InstanceRegistry::instance().setEnabled(false);
  // The generators make input scripts that parse; one written by hand (or a fuzzer's change to
  // one) that does not is left out.
  std::string error;
  if (!host.parseInputScript(input, error) && kind != written) omfuzz::broken(error.c_str());
  std::srand(1);
  // Class-wide switches that scripts set and a program's end leaves as they are.
  const int confineDrags = OMTrinket::confineDrags();
  const int embeddedCoordinates = OMAnimation::useEmbeddedAnimationCoordinates;
  running() = Running{&program, kind == gathering};
  char commandLine[] = "";
  runProgramEntry(GetModuleHandleA(nullptr), commandLine, &programMain);
  running() = Running{};
  checkNothingStayed();
  if (record) {
    record->takeDialogs(host);
    record->takeFiles(omfuzz::workFolder());
  }
  OMTrinket::setConfineDrags(confineDrags);
  OMAnimation::useEmbeddedAnimationCoordinates = embeddedCoordinates;
  OMProgramEnd::reset();
  // The search paths, resource files and cached files, which the process's exit would take.
  terminateFileServices();
  clearScriptStack();
  scriptEngine::pauseDeadline() = 0;
  clearScriptArgs();
  BoundedHost::endSession();
  omhost::useManualClock(clockStart);
}

SurfaceRun::Running& SurfaceRun::running()
{
  static Running current;
  return current;
}

int SurfaceRun::programMain()
{
  const Running& now = running();
  if (!now.program->start()) omfuzz::broken("the program did not start");
  if (now.gathering) {
    gathered() = ScriptSurface::gather(now.program->resourceIds);
  } else {
    presetVariables();
    now.program->runLoop();
  }
  now.program->end();
  return 0;
}

void SurfaceRun::presetVariables()
{
  static const std::string huge(hugeTextSize, '7');
  preset(HostileWords::hugeText, huge);
  preset(HostileWords::markerText, std::string(1, YVariable::objectMarker));
  preset(HostileWords::markedText, std::string(1, YVariable::objectMarker) + "o1");
}

void SurfaceRun::checkNothingStayed()
{
  if (!scriptEngine::threads().empty()) omfuzz::broken("a script thread stayed");
  if (eventRecordCount() != 0) omfuzz::broken("event records stayed");
  if (OMApp::instance()) omfuzz::broken("the application object stayed");
  if (scriptVariables.count() > 3) omfuzz::broken("script variables stayed");
}
