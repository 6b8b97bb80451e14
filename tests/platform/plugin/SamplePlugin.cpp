// A plug-in for the module tests: its static initialiser must have run once it is loaded.
namespace {

int initialised = 0;

struct Initialiser {
  Initialiser() { ++initialised; }
} initialiser;

}  // namespace

extern "C" int samplePluginInitialised()
{
  return initialised;
}
