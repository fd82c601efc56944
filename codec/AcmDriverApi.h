// The driver side of the audio compression manager: the messages a codec's
// DriverProc receives and the structures they carry. MinGW ships only the
// application side (msacm.h); these follow the published driver interface.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>

#ifndef ACMDM_DRIVER_NOTIFY
#define ACMDM_DRIVER_NOTIFY (ACMDM_BASE + 1)
#define ACMDM_DRIVER_DETAILS (ACMDM_BASE + 10)
#define ACMDM_HARDWARE_WAVE_CAPS_INPUT (ACMDM_BASE + 20)
#define ACMDM_HARDWARE_WAVE_CAPS_OUTPUT (ACMDM_BASE + 21)
#define ACMDM_FORMATTAG_DETAILS (ACMDM_BASE + 25)
#define ACMDM_FORMAT_DETAILS (ACMDM_BASE + 26)
#define ACMDM_FORMAT_SUGGEST (ACMDM_BASE + 27)
#define ACMDM_FILTERTAG_DETAILS (ACMDM_BASE + 50)
#define ACMDM_FILTER_DETAILS (ACMDM_BASE + 51)
#define ACMDM_STREAM_OPEN (ACMDM_BASE + 76)
#define ACMDM_STREAM_CLOSE (ACMDM_BASE + 77)
#define ACMDM_STREAM_SIZE (ACMDM_BASE + 78)
#define ACMDM_STREAM_CONVERT (ACMDM_BASE + 79)
#define ACMDM_STREAM_RESET (ACMDM_BASE + 80)
#define ACMDM_STREAM_PREPARE (ACMDM_BASE + 81)
#define ACMDM_STREAM_UNPREPARE (ACMDM_BASE + 82)
#define ACMDM_STREAM_UPDATE (ACMDM_BASE + 83)
#endif

// lParam2 of DRV_OPEN; null when the driver is opened only to be configured.
struct ACMDRVOPENDESCW {
  DWORD cbStruct;
  FOURCC fccType;
  FOURCC fccComp;
  DWORD dwVersion;
  DWORD dwFlags;
  DWORD dwError;
  LPCWSTR pszSectionName;
  LPCWSTR pszAliasName;
  DWORD dnDevNode;
};

// lParam1 of every ACMDM_STREAM_* message: one open conversion stream.
// dwDriver is the driver's own per-stream value.
struct ACMDRVSTREAMINSTANCE {
  DWORD cbStruct;
  LPWAVEFORMATEX pwfxSrc;
  LPWAVEFORMATEX pwfxDst;
  LPWAVEFILTER pwfltr;
  DWORD_PTR dwCallback;
  DWORD_PTR dwInstance;
  DWORD fdwOpen;
  DWORD fdwDriver;
  DWORD_PTR dwDriver;
  HACMSTREAM has;
};

// lParam2 of ACMDM_STREAM_CONVERT, _PREPARE and _UNPREPARE: the caller's
// ACMSTREAMHEADER seen with its reserved words named.
#include <pshpack1.h>
struct ACMDRVSTREAMHEADER {
  DWORD cbStruct;
  DWORD fdwStatus;
  DWORD_PTR dwUser;
  LPBYTE pbSrc;
  DWORD cbSrcLength;
  DWORD cbSrcLengthUsed;
  DWORD_PTR dwSrcUser;
  LPBYTE pbDst;
  DWORD cbDstLength;
  DWORD cbDstLengthUsed;
  DWORD_PTR dwDstUser;
  DWORD fdwConvert;
  ACMDRVSTREAMHEADER* padshNext;
  DWORD fdwDriver;
  DWORD_PTR dwDriver;
  DWORD fdwPrepared;
  DWORD_PTR dwPrepared;
  LPBYTE pbPreparedSrc;
  DWORD cbPreparedSrcLength;
  LPBYTE pbPreparedDst;
  DWORD cbPreparedDstLength;
};
#include <poppack.h>

// lParam2 of ACMDM_STREAM_SIZE; fdwSize says which length is given.
struct ACMDRVSTREAMSIZE {
  DWORD cbStruct;
  DWORD fdwSize;
  DWORD cbSrcLength;
  DWORD cbDstLength;
};

// lParam1 of ACMDM_FORMAT_SUGGEST.
struct ACMDRVFORMATSUGGEST {
  DWORD cbStruct;
  DWORD fdwSuggest;
  LPWAVEFORMATEX pwfxSrc;
  DWORD cbwfxSrc;
  LPWAVEFORMATEX pwfxDst;
  DWORD cbwfxDst;
};

static_assert(sizeof(ACMDRVSTREAMHEADER) == sizeof(ACMSTREAMHEADER),
              "the driver's view of a stream header must match the caller's");
