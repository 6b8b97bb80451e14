#pragma once

// GDI of our Win32-shaped layer: object handles and regions. Drawing, bitmaps, pens, brushes,
// fonts and palettes add their declarations below the region calls.
#include "windef.h"

// Object kinds as GetObjectType reports them.
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_METADC 4
#define OBJ_PAL 5
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_REGION 8
#define OBJ_METAFILE 9
#define OBJ_MEMDC 10
#define OBJ_EXTPEN 11
#define OBJ_ENHMETADC 12
#define OBJ_ENHMETAFILE 13

// Region kinds (results of CombineRgn, GetRgnBox, OffsetRgn).
#ifndef ERROR
#define ERROR 0
#endif
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3
#define RGN_ERROR ERROR

// CombineRgn modes.
#define RGN_AND 1
#define RGN_OR 2
#define RGN_XOR 3
#define RGN_DIFF 4
#define RGN_COPY 5

// Polygon fill modes.
#define ALTERNATE 1
#define WINDING 2

BOOL WINAPI DeleteObject(HGDIOBJ object);
DWORD WINAPI GetObjectType(HGDIOBJ object);

HRGN WINAPI CreateRectRgn(int left, int top, int right, int bottom);
HRGN WINAPI CreateRectRgnIndirect(const RECT* rect);
HRGN WINAPI CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN WINAPI CreateEllipticRgnIndirect(const RECT* rect);
HRGN WINAPI CreatePolygonRgn(const POINT* points, int count, int fillMode);
int WINAPI CombineRgn(HRGN destination, HRGN source1, HRGN source2, int mode);
int WINAPI OffsetRgn(HRGN region, int dx, int dy);
int WINAPI GetRgnBox(HRGN region, LPRECT box);
BOOL WINAPI PtInRegion(HRGN region, int x, int y);
BOOL WINAPI RectInRegion(HRGN region, const RECT* rect);
BOOL WINAPI EqualRgn(HRGN region1, HRGN region2);
BOOL WINAPI SetRectRgn(HRGN region, int left, int top, int right, int bottom);

// Colour references.
#define RGB(r, g, b)                                                                              \
  (static_cast<COLORREF>(static_cast<BYTE>(r) | (static_cast<DWORD>(static_cast<BYTE>(g)) << 8) | \
                         (static_cast<DWORD>(static_cast<BYTE>(b)) << 16)))
#define PALETTERGB(r, g, b) (0x02000000u | RGB(r, g, b))
#define PALETTEINDEX(i) \
  (static_cast<COLORREF>(0x01000000u | static_cast<DWORD>(static_cast<WORD>(i))))
#define GetRValue(c) (static_cast<BYTE>((c)&0xFF))
#define GetGValue(c) (static_cast<BYTE>(((c) >> 8) & 0xFF))
#define GetBValue(c) (static_cast<BYTE>(((c) >> 16) & 0xFF))
#define CLR_INVALID 0xFFFFFFFFu
#define GDI_ERROR 0xFFFFFFFFu
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<LONG_PTR>(-1)))

// Raster operations.
#define SRCCOPY 0x00CC0020u
#define SRCPAINT 0x00EE0086u
#define SRCAND 0x008800C6u
#define SRCINVERT 0x00660046u
#define PATCOPY 0x00F00021u
#define BLACKNESS 0x00000042u
#define WHITENESS 0x00FF0062u

// Stock objects.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define OEM_FIXED_FONT 10
#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define SYSTEM_FONT 13
#define DEVICE_DEFAULT_FONT 14
#define DEFAULT_PALETTE 15
#define SYSTEM_FIXED_FONT 16
#define DEFAULT_GUI_FONT 17

// Pens and brushes.
#define PS_SOLID 0
#define PS_NULL 5
#define PS_INSIDEFRAME 6
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

// Background modes.
#define TRANSPARENT 1
#define OPAQUE 2

// Text alignment.
#define TA_NOUPDATECP 0
#define TA_UPDATECP 1
#define TA_LEFT 0
#define TA_RIGHT 2
#define TA_CENTER 6
#define TA_TOP 0
#define TA_BOTTOM 8
#define TA_BASELINE 24

// ExtTextOutA options.
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// Bitmaps.
#define BI_RGB 0
#define BI_BITFIELDS 3
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define CBM_INIT 0x04

// Palettes.
#define PC_RESERVED 0x01
#define PC_EXPLICIT 0x02
#define PC_NOCOLLAPSE 0x04

// GetDeviceCaps.
#define HORZRES 8
#define VERTRES 10
#define BITSPIXEL 12
#define PLANES 14
#define NUMCOLORS 24
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define RASTERCAPS 38
#define SIZEPALETTE 104
#define NUMRESERVED 106
#define RC_PALETTE 0x0100
#define PHYSICALWIDTH 110
#define PHYSICALHEIGHT 111
#define PHYSICALOFFSETX 112
#define PHYSICALOFFSETY 113
#define RC_BITMAP64 0x0008
#define RC_STRETCHDIB 0x2000

// Fonts.
#define FW_DONTCARE 0
#define FW_NORMAL 400
#define FW_BOLD 700
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define DEFAULT_QUALITY 0
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_DONTCARE 0x00
#define FF_ROMAN 0x10
#define FF_SWISS 0x20
#define FF_MODERN 0x30
#define LF_FACESIZE 32
#define LF_FULLFACESIZE 64
#define RASTER_FONTTYPE 0x0001
#define DEVICE_FONTTYPE 0x0002
#define TRUETYPE_FONTTYPE 0x0004
#define TMPF_FIXED_PITCH 0x01
#define TMPF_VECTOR 0x02
#define TMPF_TRUETYPE 0x04

typedef struct tagRGBQUAD {
  BYTE rgbBlue;
  BYTE rgbGreen;
  BYTE rgbRed;
  BYTE rgbReserved;
} RGBQUAD;

typedef struct tagBITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
} BITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
} BITMAPINFO, *LPBITMAPINFO;

#pragma pack(push, 2)
typedef struct tagBITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
} BITMAPFILEHEADER;
#pragma pack(pop)

typedef struct tagBITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
} BITMAP;

typedef struct tagDIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
} DIBSECTION;

typedef struct tagPALETTEENTRY {
  BYTE peRed;
  BYTE peGreen;
  BYTE peBlue;
  BYTE peFlags;
} PALETTEENTRY, *LPPALETTEENTRY;

typedef struct tagLOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
} LOGPALETTE, *LPLOGPALETTE;

typedef struct tagLOGPEN {
  UINT lopnStyle;
  POINT lopnWidth;
  COLORREF lopnColor;
} LOGPEN;

typedef struct tagLOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
} LOGBRUSH;

typedef struct tagLOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA, *LPLOGFONTA;

typedef struct tagTEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
} TEXTMETRICA, *LPTEXTMETRICA;

typedef struct tagNEWTEXTMETRICA {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
  DWORD ntmFlags;
  UINT ntmSizeEM;
  UINT ntmCellHeight;
  UINT ntmAvgWidth;
} NEWTEXTMETRICA;

typedef struct tagENUMLOGFONTA {
  LOGFONTA elfLogFont;
  BYTE elfFullName[LF_FULLFACESIZE];
  BYTE elfStyle[LF_FACESIZE];
} ENUMLOGFONTA;

typedef struct _ABC {
  int abcA;
  UINT abcB;
  int abcC;
} ABC, *LPABC;

typedef int(CALLBACK* FONTENUMPROCA)(const LOGFONTA*, const TEXTMETRICA*, DWORD, LPARAM);

// Device contexts. HWND NULL is the whole screen.
HDC GetDC(HWND hwnd);
int ReleaseDC(HWND hwnd, HDC hdc);
HDC CreateCompatibleDC(HDC hdc);
// The display: driver "DISPLAY", or a device named "\\\\.\\DisplayN" (N from 1). Anything
// else, such as a printer, gives NULL.
HDC CreateDCA(LPCSTR driver, LPCSTR device, LPCSTR port, const void* deviceMode);
BOOL DeleteDC(HDC hdc);
int SaveDC(HDC hdc);
BOOL RestoreDC(HDC hdc, int savedDC);
int GetDeviceCaps(HDC hdc, int index);
int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom);
int GetClipBox(HDC hdc, LPRECT rect);

// Objects.
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
HGDIOBJ GetStockObject(int index);
HGDIOBJ GetCurrentObject(HDC hdc, UINT type);
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);

// Bitmaps.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height);
HBITMAP CreateDIBitmap(HDC hdc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
UINT SetDIBColorTable(HDC hdc, UINT start, UINT count, const RGBQUAD* colors);
UINT GetDIBColorTable(HDC hdc, UINT start, UINT count, RGBQUAD* colors);
int GetDIBits(HDC hdc, HBITMAP bitmap, UINT startScan, UINT scanLines, LPVOID bits,
              LPBITMAPINFO info, UINT usage);
int SetDIBitsToDevice(HDC hdc, int xDest, int yDest, DWORD width, DWORD height, int xSrc, int ySrc,
                      UINT startScan, UINT scanLines, const void* bits, const BITMAPINFO* info,
                      UINT usage);
int StretchDIBits(HDC hdc, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc,
                  int srcWidth, int srcHeight, const void* bits, const BITMAPINFO* info, UINT usage,
                  DWORD rop);

// Blits.
BOOL BitBlt(HDC hdc, int x, int y, int width, int height, HDC hdcSrc, int xSrc, int ySrc,
            DWORD rop);
BOOL PatBlt(HDC hdc, int x, int y, int width, int height, DWORD rop);

// Palettes.
HPALETTE CreatePalette(const LOGPALETTE* palette);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, LPPALETTEENTRY entries);
UINT GetSystemPaletteEntries(HDC hdc, UINT start, UINT count, LPPALETTEENTRY entries);
HPALETTE SelectPalette(HDC hdc, HPALETTE palette, BOOL forceBackground);
UINT RealizePalette(HDC hdc);
BOOL UnrealizeObject(HGDIOBJ object);
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);
COLORREF GetNearestColor(HDC hdc, COLORREF color);

// Colours and modes.
COLORREF SetTextColor(HDC hdc, COLORREF color);
COLORREF GetTextColor(HDC hdc);
COLORREF SetBkColor(HDC hdc, COLORREF color);
COLORREF GetBkColor(HDC hdc);
int SetBkMode(HDC hdc, int mode);
int GetBkMode(HDC hdc);
UINT SetTextAlign(HDC hdc, UINT align);
UINT GetTextAlign(HDC hdc);

// Pens, brushes and drawing.
HPEN CreatePen(int style, int width, COLORREF color);
HBRUSH CreateSolidBrush(COLORREF color);
BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom);
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT oldPoint);
BOOL LineTo(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC hdc, int x, int y);

// Fonts and text.
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
HFONT CreateFontIndirectA(const LOGFONTA* font);
BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA metrics);
BOOL GetTextExtentPointA(HDC hdc, LPCSTR text, int count, LPSIZE size);
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, LPSIZE size);
BOOL GetCharABCWidthsA(HDC hdc, UINT first, UINT last, LPABC widths);
BOOL GetCharWidthA(HDC hdc, UINT first, UINT last, LPINT widths);
int EnumFontFamiliesA(HDC hdc, LPCSTR family, FONTENUMPROCA proc, LPARAM lParam);
BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count);
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* dx);
int AddFontResourceA(LPCSTR fileName);
BOOL RemoveFontResourceA(LPCSTR fileName);
BOOL CreateScalableFontResourceA(DWORD hidden, LPCSTR fontResource, LPCSTR fontFile,
                                 LPCSTR currentPath);

// Rectangle fills of the window layer, drawn by the GDI renderer.
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int FrameRect(HDC hdc, const RECT* rect, HBRUSH brush);

// Clipping to regions and drawing them.
int SelectClipRgn(HDC hdc, HRGN region);
BOOL FillRgn(HDC hdc, HRGN region, HBRUSH brush);
BOOL PaintRgn(HDC hdc, HRGN region);
BOOL FrameRgn(HDC hdc, HRGN region, HBRUSH brush, int width, int height);

// Printing. A printer's context draws into a white page; each page ends as a page of a PDF
// file that the host writes.
#define CCHDEVICENAME 32
#define CCHFORMNAME 32
#define DM_ORIENTATION 0x00000001u
#define DM_PAPERSIZE 0x00000002u
#define DM_PRINTQUALITY 0x00000400u
#define DMORIENT_PORTRAIT 1
#define DMORIENT_LANDSCAPE 2
#define DMPAPER_LETTER 1
#define DMRES_HIGH (-4)

typedef struct _devicemodeA {
  BYTE dmDeviceName[CCHDEVICENAME];
  WORD dmSpecVersion;
  WORD dmDriverVersion;
  WORD dmSize;
  WORD dmDriverExtra;
  DWORD dmFields;
  short dmOrientation;
  short dmPaperSize;
  short dmPaperLength;
  short dmPaperWidth;
  short dmScale;
  short dmCopies;
  short dmDefaultSource;
  short dmPrintQuality;
  short dmColor;
  short dmDuplex;
  short dmYResolution;
  short dmTTOption;
  short dmCollate;
  BYTE dmFormName[CCHFORMNAME];
  WORD dmLogPixels;
  DWORD dmBitsPerPel;
  DWORD dmPelsWidth;
  DWORD dmPelsHeight;
  DWORD dmDisplayFlags;
  DWORD dmDisplayFrequency;
} DEVMODEA, *LPDEVMODEA;
typedef DEVMODEA DEVMODE;

typedef struct _DOCINFOA {
  int cbSize;
  LPCSTR lpszDocName;
  LPCSTR lpszOutput;
  LPCSTR lpszDatatype;
  DWORD fwType;
} DOCINFOA, *LPDOCINFOA;
typedef DOCINFOA DOCINFO;

#define SP_ERROR (-1)

int StartDocA(HDC hdc, const DOCINFOA* info);
int StartPage(HDC hdc);
int EndPage(HDC hdc);
int EndDoc(HDC hdc);
int AbortDoc(HDC hdc);
BOOL GdiFlush(void);
