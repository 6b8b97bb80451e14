#pragma once

class OMTask;

// Where actions and the script tick put their per-pass tasks. This is the engine's only task
// list and stands in for the application's until the application object exists; then these
// calls become OMApp::addTask and OMApp::removeTask, and the main loop's walk replaces
// runActionTasks. Nothing else may keep a task list of its own meanwhile.
void addActionTask(OMTask* task);
// The task, or null when it was not registered.
OMTask* removeActionTask(OMTask* task);
// One pass: every task once, in ascending order of its word. A task may add or remove tasks,
// itself included, while it runs.
void runActionTasks();
