// Test programs never open a window, also when run by hand without OM_HOST.
#include <cstdlib>

namespace {

const bool headlessByDefault = [] { return ::setenv("OM_HOST", "headless", 0) == 0; }();

}  // namespace
