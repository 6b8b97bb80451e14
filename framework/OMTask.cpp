#include "framework/OMTask.h"

#include "framework/OMApp.h"

OMTask::OMTask(const OMLink* link, std::uint32_t word) : word_(word), link_(cloneLink(link)) {}

OMTask::~OMTask()
{
  // After the application is gone there is no list to leave.
  if (OMApp* app = OMApp::instance()) app->removeTask(this);
}

void OMTask::run()
{
  if (link_) link_->call();
}

void OMTask::runOnce(OMTask* task)
{
  if (task && !task->isSuspended()) task->run();
}

void OMTask::setLink(const OMLink* link)
{
  std::unique_ptr<OMLink> replacement = cloneLink(link);
  link_ = std::move(replacement);
}
