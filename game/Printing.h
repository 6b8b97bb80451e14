#pragma once

#include <windows.h>

#include "framework/OMRect.h"

class OMCanvas;

// Prints an offscreen canvas on the default printer, without a dialog, as the print
// parameters ask (orientation, source, page rectangle, centring, margins).
// The result is 0 when the page was printed.
int printCanvas(OMCanvas* canvas, const char* documentName);
// 1 when the printer cannot take large bitmaps (no RC_BITMAP64), else 0; kept as the last
// job's raster-capability result.
int checkPrinterBitmaps(HDC dc);
int printOnDevice(HDC dc, OMCanvas* canvas, const char* documentName, int depth);
// Fits a source of (right - left) x (bottom - top) into the target keeping its aspect; x and
// y receive the free space, which the caller halves to centre.
void fitAspect(int targetWidth, int targetHeight, int left, int top, int right, int bottom, int& x,
               int& y, int& width, int& height);
// A page rectangle in points as device pixels.
OMRect pageRectToDevice(HDC dc, const OMRect& rect);
