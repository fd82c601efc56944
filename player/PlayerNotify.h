// The message by which the player tells its owner window about every change of
// its state. The player posts its own codes in order; the framework posts
// pnGraphEvent when a graph event is waiting. The code is in the long
// parameter; the word parameter is 0.
#pragma once

#include <windows.h>

constexpr UINT WM_PLAYERNOTIFY = WM_APP + 1;  // 0x8001

enum PlayerNotification : LPARAM {
  pnOpened = 0x800B,
  pnClosed = 0x800C,
  pnPlaying = 0x800D,
  pnStopped = 0x800E,
  pnRewound = 0x800F,
  pnGraphBuilt = 0x8010,
  pnGraphEvent = 0x8014,
  pnOpening = 0x801F,
  pnStopping = 0x8020,
  pnOpenFailed = 0x8029,
  pnCloseFailed = 0x802A,
  pnPlayFailed = 0x802B,
  pnStopFailed = 0x802C,
  pnRewindFailed = 0x802D,
  pnVolumeFailed = 0x802E,
  pnPositionFailed = 0x802F,
};
