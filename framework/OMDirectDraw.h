#pragma once

#include <ddraw.h>

// "DDRAW.DLL", loaded once at run time; its term frees it. The functions are null when the
// library or the function is missing.
struct OMDirectDrawLibrary {
  HMODULE module = nullptr;
  LPDIRECTDRAWCREATE create = nullptr;
  LPDIRECTDRAWENUMERATEA enumerate = nullptr;
  LPDIRECTDRAWENUMERATEEXA enumerateEx = nullptr;

  bool usable() const { return create && (enumerate || enumerateEx); }
};

const OMDirectDrawLibrary& loadDirectDrawLibrary();
