#pragma once

#include <string>

// The one place that says what was wrong with a resource file or a resource: a refused file
// on standard error, a missing or damaged resource as a debug line (standard error under
// OM_TRACE). Each line is said once a run, however often the file is opened again or a script
// asks again.
void reportRefusedResourceFile(const std::string& line);
void traceOnce(const std::string& line);

// A new run (a new application object) has said nothing yet.
void forgetResourceReports();
