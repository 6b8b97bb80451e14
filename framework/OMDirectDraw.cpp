#include "framework/OMDirectDraw.h"

#include "framework/OMAppInitTerm.h"

namespace {

OMDirectDrawLibrary library;
bool tried = false;

void freeDirectDraw()
{
  if (library.module) FreeLibrary(library.module);
  library = OMDirectDrawLibrary{};
  tried = false;
}

OMAppInitTerm directDrawModule(nullptr, &freeDirectDraw);

template <typename Function>
Function lookUp(HMODULE module, const char* name)
{
  return reinterpret_cast<Function>(GetProcAddress(module, name));
}

}  // namespace

const OMDirectDrawLibrary& loadDirectDrawLibrary()
{
  if (tried) return library;
  tried = true;
  library.module = LoadLibraryA("DDRAW.DLL");
  if (!library.module) return library;
  library.create = lookUp<LPDIRECTDRAWCREATE>(library.module, "DirectDrawCreate");
  library.enumerate = lookUp<LPDIRECTDRAWENUMERATEA>(library.module, "DirectDrawEnumerateA");
  library.enumerateEx = lookUp<LPDIRECTDRAWENUMERATEEXA>(library.module, "DirectDrawEnumerateExA");
  return library;
}
