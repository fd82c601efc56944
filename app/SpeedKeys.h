// The playback speed's hot keys and read-out.
//
// Alt+Shift with the paging keys: Ctrl+Alt is AltGr on the Slovak keyboard
// (it types characters), Ctrl+Shift with arrows and paging keys extends the
// selection in a word processor, and the word processor gives Alt+Shift with
// PageUp, PageDown and Home only to selecting within a table. Ctrl+PageUp and
// Ctrl+PageDown already wind; the same keys with Alt+Shift change the pace.
#pragma once

#include <windows.h>

#include "services/FisHotKey.h"

namespace app {

// Shortcut codes as TfisHotKey takes them.
inline constexpr WORD kHotKeySlower = services::scAlt | services::scShift | VK_NEXT;      // Alt+Shift+PageDown
inline constexpr WORD kHotKeyFaster = services::scAlt | services::scShift | VK_PRIOR;     // Alt+Shift+PageUp
inline constexpr WORD kHotKeySpeedReset = services::scAlt | services::scShift | VK_HOME;  // Alt+Shift+Home

// The keys as the typist is told them (the read-out's hint).
inline constexpr wchar_t kSpeedKeysHint[] =
    L"Playback speed: slower Alt+Shift+PageDown, faster Alt+Shift+PageUp, 100 % Alt+Shift+Home";

// "100 %": the read-out's text for a speed in percent.
std::wstring SpeedText(int percent);

}  // namespace app
