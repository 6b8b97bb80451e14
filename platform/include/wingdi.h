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
