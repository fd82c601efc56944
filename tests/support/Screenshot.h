// Pictures of the program's windows as the screen shows them, for the README.
#pragma once

#include <windows.h>

#include <string>

namespace desktop {

// The folder the pictures go to: <build>\screenshots.
std::wstring ScreenshotDir();

// Saves what the screen shows of the window (frame included) as
// <ScreenshotDir>\<name>.png. False, with nothing written, when the window
// is not visible or the picture cannot be taken or encoded.
bool SaveScreenshot(HWND window, const std::wstring& name);

}  // namespace desktop
