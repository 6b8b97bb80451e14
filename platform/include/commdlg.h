#pragma once

// The common file dialogs, shown by the host (the headless one answers what a test queued,
// else cancelled). A cancel answers FALSE with CommDlgExtendedError 0.
#include "windef.h"

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNA {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;
  LPSTR lpstrFile;
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
  LPARAM lCustData;
  LPOFNHOOKPROC lpfnHook;
  LPCSTR lpTemplateName;
} OPENFILENAMEA, *LPOPENFILENAMEA;
typedef OPENFILENAMEA OPENFILENAME;

#define OFN_READONLY 0x00000001u
#define OFN_OVERWRITEPROMPT 0x00000002u
#define OFN_HIDEREADONLY 0x00000004u
#define OFN_NOCHANGEDIR 0x00000008u
#define OFN_PATHMUSTEXIST 0x00000800u
#define OFN_FILEMUSTEXIST 0x00001000u

#define CDERR_INITIALIZATION 0x0002u
#define FNERR_BUFFERTOOSMALL 0x3003u

BOOL GetOpenFileNameA(LPOPENFILENAMEA dialog);
BOOL GetSaveFileNameA(LPOPENFILENAMEA dialog);
DWORD CommDlgExtendedError(void);

// The print dialog shows nothing: it answers the default printer (its device mode, its names
// and, when asked, its device context), or FALSE with PDERR_NODEFAULTPRN without one.
typedef UINT_PTR(CALLBACK* LPPRINTHOOKPROC)(HWND, UINT, WPARAM, LPARAM);
typedef UINT_PTR(CALLBACK* LPSETUPHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagPDA {
  DWORD lStructSize;
  HWND hwndOwner;
  HGLOBAL hDevMode;
  HGLOBAL hDevNames;
  HDC hDC;
  DWORD Flags;
  WORD nFromPage;
  WORD nToPage;
  WORD nMinPage;
  WORD nMaxPage;
  WORD nCopies;
  HINSTANCE hInstance;
  LPARAM lCustData;
  LPPRINTHOOKPROC lpfnPrintHook;
  LPSETUPHOOKPROC lpfnSetupHook;
  LPCSTR lpPrintTemplateName;
  LPCSTR lpSetupTemplateName;
  HGLOBAL hPrintTemplate;
  HGLOBAL hSetupTemplate;
} PRINTDLGA, *LPPRINTDLGA;
typedef PRINTDLGA PRINTDLG;

// Offsets, in bytes from the structure's start, of the driver, device and port names.
typedef struct tagDEVNAMES {
  WORD wDriverOffset;
  WORD wDeviceOffset;
  WORD wOutputOffset;
  WORD wDefault;
} DEVNAMES, *LPDEVNAMES;

#define PD_RETURNDC 0x00000100u
#define PD_RETURNDEFAULT 0x00000400u
#define CDERR_STRUCTSIZE 0x0001u
#define PDERR_NODEFAULTPRN 0x1008u

BOOL PrintDlgA(LPPRINTDLGA dialog);
