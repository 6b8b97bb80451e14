#pragma once

#include <string>

// The one place that says what was wrong with a resource file or a resource: a refused file
// on standard error, a missing or damaged resource as a debug line (standard error under
// OM_TRACE). Each line is said once a run, however often the file is opened again or a script
// asks again.
void reportRefusedResourceFile(const std::string& fileName, const std::string& reason);
// A file read but cut short: its whole resources are kept, the cut ones refused.
void reportCutResourceFile(const std::string& fileName, int cutResources);
// A program that names its files its own way says a refused or cut file through this (null:
// the line on standard error); it is called once per file and fault, on the thread that read
// it, with the reason or the count of the cut resources as the detail.
enum class ResourceFileFault { refused, cutShort };
using RefusedResourceFileReporter = void (*)(const std::string& fileName, ResourceFileFault fault,
                                             const std::string& detail);
void setRefusedResourceFileReporter(RefusedResourceFileReporter reporter);
void traceOnce(const std::string& line);

// A new run (a new application object) has said nothing yet.
void forgetResourceReports();
