// Dialog templates from untrusted bytes as the dialog trinket takes them: read by the
// platform as DialogTemplateFuzz does, then turned into a dialog with its members and its
// freeze, and dismissed. Nothing may stay behind: no dialog, no suspended task, no paused
// sound, no frozen trinket flags.
#include <windows.h>

#include <omresource.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "framework/OMApp.h"
#include "framework/OMLinkToFct.h"
#include "framework/OMTask.h"
#include "framework/OMWaveSound.h"
#include "fuzz/support/FuzzSupport.h"
#include "platform/host/HostClock.h"
#include "platform/host/headless/HeadlessHost.h"
#include "platform/src/user/DialogTemplate.h"
#include "trinkets/lib/OMTrinketDialog.h"
#include "trinkets/src/OMTrinketWindow.h"

namespace {

constexpr unsigned kDialog = 5;

OMWord idle(OMWord)
{
  return 0;
}

struct Stage {
  Stage()
  {
    omfuzz::workFolder();
    omhost::useManualClock(10000);
    omhost::startHeadlessSession();
    app = std::make_unique<OMApp>(3, OMRect(0, 0, 640, 480), OMRGBColor(), 16, 0);
    host = std::make_unique<OMTrinketWindow>(nullptr, nullptr, OMRect(0, 0, 640, 480), 640, 480, 16,
                                             0);
    const OMLinkToFct link(&idle);
    task = std::make_unique<OMTask>(&link, 7);
    app->addTask(task.get());
  }
  std::unique_ptr<OMApp> app;
  std::unique_ptr<OMTrinketWindow> host;
  std::unique_ptr<OMTask> task;
};

// Keeps the panel small: a fuzzed size must not make the run slow.
void shrink(std::vector<std::uint8_t>& bytes)
{
  const bool extended =
      bytes.size() >= 4 && bytes[0] == 1 && bytes[1] == 0 && bytes[2] == 0xFF && bytes[3] == 0xFF;
  const std::size_t at = extended ? 22 : 14;
  for (std::size_t i = at; i < at + 4 && i + 1 < bytes.size(); i += 2)
    bytes[i + 1] &= 0x03;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
  static Stage stage;
  std::vector<std::uint8_t> bytes(data, data + size);
  shrink(bytes);
  omuser::DialogTemplate parsed;
  omuser::DialogTemplate::parse(bytes.data(), bytes.size(), parsed, nullptr);

  const OMResourceEntry entry{nullptr, kDialog,      nullptr,
                              1,       bytes.data(), static_cast<unsigned>(bytes.size())};
  const OMResourceTable table{&entry, 1};
  omRegisterProgramResources(&table);
  if (OMTrinketDialog::createFromTemplate(1, 1, stage.host.get())) {
    if (!OMTrinketDialog::currentDialog()) omfuzz::broken("a dialog was made but is not current");
    stage.app->runPass();
    OMTrinketDialog::currentDialog()->dismiss(1);
  }
  omRegisterProgramResources(nullptr);

  if (OMTrinketDialog::currentDialog()) omfuzz::broken("a dialog stayed");
  if (stage.task->isSuspended()) omfuzz::broken("a task stayed suspended");
  if (isSoundOutputPaused()) omfuzz::broken("the sound output stayed paused");
  if (stage.host->defaultTrinketFlags() != 0) omfuzz::broken("trinkets stayed frozen");
  return 0;
}
