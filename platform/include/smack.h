#pragma once

// The Smacker movie library's calls and its movie record, as callers use them.
#include <cstddef>

#include "windef.h"

// Open flags.
#define SMACKPRELOADALL 0x00000200u  // read the whole file at open
#define SMACKTRACK1 0x00002000u
#define SMACKTRACK2 0x00004000u
#define SMACKTRACK3 0x00008000u
#define SMACKTRACK4 0x00010000u
#define SMACKTRACK5 0x00020000u
#define SMACKTRACK6 0x00040000u
#define SMACKTRACK7 0x00080000u
#define SMACKTRACKS 0x000FE000u

// SmackToBuffer pixel formats: 8-bit indices (0), 16-bit colours, or 8-8-8 colours in 3 bytes
// (blue, green, red) or 4 (0x00RRGGBB), for screens deeper than 16 bits.
#define SMACKBUFFER555 0x80000000u
#define SMACKBUFFER565 0xC0000000u
#define SMACKBUFFER24 0xA0000000u
#define SMACKBUFFER32 0xE0000000u
#define SMACKBUFFERFORMAT 0xE0000000u

typedef struct SmackTag {
  DWORD Version;
  DWORD Width;
  DWORD Height;
  DWORD Frames;
  DWORD MSPerFrame;  // frame time in 1/100 ms
  DWORD SmackerType;
  DWORD LargestInTrack[7];
  DWORD tablesize;
  DWORD codesize;
  DWORD absize;
  DWORD detailsize;
  DWORD typesize;
  DWORD TrackType[7];
  DWORD extra;
  DWORD NewPalette;   // the palette changed with the frame last done
  BYTE Palette[772];  // 256 x RGB
  DWORD PalType;
  DWORD FrameNum;  // counted from 0
  DWORD FrameSize;
  DWORD SndSize;
  LONG LastRectx;
  LONG LastRecty;
  LONG LastRectw;
  LONG LastRecth;
  DWORD OpenFlags;
  DWORD LeftOfs;
  DWORD TopOfs;
  DWORD LargestFrameSize;
  DWORD Highest1SecRate;
  DWORD Highest1SecFrame;
  DWORD ReadError;
  DWORD addr32;
} Smack;

static_assert(offsetof(Smack, Width) == 4 && offsetof(Smack, Height) == 8 &&
              offsetof(Smack, Frames) == 12 && offsetof(Smack, MSPerFrame) == 16);
static_assert(offsetof(Smack, NewPalette) == 0x68 && offsetof(Smack, Palette) == 0x6C &&
              offsetof(Smack, PalType) == 0x370 && offsetof(Smack, FrameNum) == 0x374);
static_assert(offsetof(Smack, LastRectx) == 0x380 && offsetof(Smack, LastRecty) == 0x384 &&
              offsetof(Smack, LastRectw) == 0x388 && offsetof(Smack, LastRecth) == 0x38C);

// Playback statistics, 19 words.
typedef struct SmackSumTag {
  DWORD TotalTime;  // ms of playback, open time not counted
  DWORD MS100PerFrame;
  DWORD TotalOpenTime;
  DWORD TotalFrames;
  DWORD SkippedFrames;
  DWORD SoundSkips;
  DWORD TotalBlitTime;
  DWORD TotalReadTime;
  DWORD TotalDecompTime;
  DWORD TotalBackReadTime;
  DWORD TotalReadSpeed;
  DWORD SlowestFrameTime;
  DWORD Slowest2FrameTime;
  DWORD SlowestFrameNum;
  DWORD Slowest2FrameNum;
  DWORD AverageFrameSize;
  DWORD HighestMemAmount;
  DWORD TotalExtraMemory;
  DWORD HighestExtraUsed;
} SmackSum;

static_assert(sizeof(SmackSum) == 19 * 4);

Smack* SmackOpen(LPCSTR name, DWORD flags, DWORD extraBuffer);
void SmackSummary(Smack* smack, SmackSum* sum);
DWORD SmackDoFrame(Smack* smack);
void SmackNextFrame(Smack* smack);
void SmackToBuffer(Smack* smack, DWORD left, DWORD top, DWORD pitch, DWORD destHeight, void* buffer,
                   DWORD flags);
DWORD SmackToBufferRect(Smack* smack, DWORD surfaceType);
DWORD SmackWait(Smack* smack);
void SmackGoto(Smack* smack, DWORD frame);
void SmackClose(Smack* smack);
DWORD SmackSoundOnOff(Smack* smack, DWORD on);
