#pragma once

class OMTask;

// Where actions put their per-pass tasks. This stands in for the application's task list
// until the application object exists; then these calls become OMApp::addTask and
// OMApp::removeTask, and the main loop runs the tasks.
void addActionTask(OMTask* task);
// The task, or null when it was not registered.
OMTask* removeActionTask(OMTask* task);
// One pass: every task once, in ascending order of its word. A task may add or remove tasks,
// itself included, while it runs.
void runActionTasks();
