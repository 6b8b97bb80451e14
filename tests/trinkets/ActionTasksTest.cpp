// The stand-in task list that actions and the script tick use until the application object
// has its own.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "framework/OMLinkToFct.h"
#include "framework/OMTask.h"
#include "trinkets/src/ActionTasks.h"

namespace {

std::vector<int> ran;
std::vector<std::unique_ptr<OMTask>> tasks;
// What the task with a given id does after logging itself.
std::vector<void (*)()> sideEffects;

OMWord logRun(OMWord id)
{
  ran.push_back(static_cast<int>(id));
  if (id < sideEffects.size() && sideEffects[id]) sideEffects[id]();
  return 1;
}

class ActionTasksTest : public ::testing::Test {
 protected:
  void TearDown() override
  {
    for (const auto& task : tasks)
      removeActionTask(task.get());
    tasks.clear();
    sideEffects.clear();
    ran.clear();
  }
  // A task with the given id (what it logs) and ordering word, not yet registered.
  static OMTask* makeTask(int id, std::uint32_t word)
  {
    const OMLinkToFct link(&logRun, static_cast<OMWord>(id));
    tasks.push_back(std::make_unique<OMTask>(&link, word));
    if (sideEffects.size() <= static_cast<std::size_t>(id)) sideEffects.resize(id + 1);
    return tasks.back().get();
  }
};

// Tasks run in ascending order of their word, equal words in the order they were added; a
// task added again keeps one place, and a suspended one is skipped.
TEST_F(ActionTasksTest, TasksRunByWordOncePerPass)
{
  addActionTask(makeTask(0, 5));
  addActionTask(makeTask(1, 1));
  addActionTask(makeTask(2, 5));
  addActionTask(makeTask(3, 3));
  runActionTasks();
  EXPECT_EQ(ran, (std::vector<int>{1, 3, 0, 2}));
  ran.clear();
  addActionTask(tasks[0].get());  // moves behind the other task of word 5
  tasks[3]->suspend();
  runActionTasks();
  EXPECT_EQ(ran, (std::vector<int>{1, 2, 0}));
}

TEST_F(ActionTasksTest, RemovingAnswersTheTaskOnlyWhenItWasRegistered)
{
  OMTask* task = makeTask(0, 0);
  EXPECT_EQ(removeActionTask(task), nullptr);
  addActionTask(task);
  EXPECT_EQ(removeActionTask(task), task);
  EXPECT_EQ(removeActionTask(task), nullptr);
  addActionTask(nullptr);
  runActionTasks();
  EXPECT_TRUE(ran.empty());
}

// A running task may remove itself or a later task (which then does not run in that pass),
// and may add one.
TEST_F(ActionTasksTest, TasksMayChangeTheListWhileItRuns)
{
  addActionTask(makeTask(0, 1));
  addActionTask(makeTask(1, 2));
  addActionTask(makeTask(2, 3));
  makeTask(3, 0);
  sideEffects[0] = [] {
    removeActionTask(tasks[0].get());
    removeActionTask(tasks[1].get());
  };
  sideEffects[2] = [] { addActionTask(tasks[3].get()); };
  runActionTasks();
  EXPECT_EQ(ran, (std::vector<int>{0, 2}));
  ran.clear();
  sideEffects[2] = nullptr;
  runActionTasks();
  EXPECT_EQ(ran, (std::vector<int>{3, 2}));
}

}  // namespace
