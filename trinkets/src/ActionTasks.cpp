#include "trinkets/src/ActionTasks.h"

#include "framework/OMList.h"
#include "framework/OMTask.h"

namespace {

int runsNoEarlier(OMTask* existing, OMTask* added)
{
  return added->word() >= existing->word();
}

struct TaskList {
  TaskList() { tasks.setOrdering(&runsNoEarlier); }
  OMList<OMTask> tasks;
};

OMList<OMTask>& taskList()
{
  static TaskList list;
  return list.tasks;
}

}  // namespace

void addActionTask(OMTask* task)
{
  if (!task) return;
  taskList().remove(task);
  taskList().add(task);
}

OMTask* removeActionTask(OMTask* task)
{
  return taskList().remove(task);
}

void runActionTasks()
{
  taskList().forEach([](OMTask* task) { OMTask::runOnce(task); });
}
