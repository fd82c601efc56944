// DirectShow headers with the interface identifiers MinGW's headers leave out,
// so that Microsoft::WRL::ComPtr can query for them by type.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <wrl/client.h>

__CRT_UUID_DECL(IBasicAudio, 0x56a868b3, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IMediaEvent, 0x56a868b6, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)
__CRT_UUID_DECL(IMediaEventEx, 0x56a868c0, 0x0ad4, 0x11ce, 0xb0, 0x3a, 0x00, 0x20, 0xaf, 0x0b, 0xa7, 0x70)

// Lives in strmiids; MinGW declares it only in a header it does not ship.
EXTERN_C const CLSID CLSID_NullRenderer;

namespace player {
using Microsoft::WRL::ComPtr;
}  // namespace player
