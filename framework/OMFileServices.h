#pragma once

// The file services keep open files in process-wide records (the current resource file, the
// info cache, the last queried file, the file cache, background jobs). They are never torn
// down by static destruction, whose order the platform's handles cannot follow; the platform
// layer's termination calls this instead. It closes every file and forgets every record.
void terminateFileServices();
