// Test programs keep freed heap memory instead of handing it back after every large free. Tests
// that repeat a job thousands of times (each job's compressor freed trims the heap, and each
// trim flushes every thread's address cache) ran twenty times slower on a loaded machine.
#include <cstdlib>  // defines __GLIBC__ where glibc is the C library

#if defined(__GLIBC__)
#include <malloc.h>

namespace {

const bool heapKept = [] { return ::mallopt(M_TRIM_THRESHOLD, 64 << 20) == 1; }();

}  // namespace
#endif
