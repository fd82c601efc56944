// Drives the recording window through its real controls from a second
// thread while the test's thread runs the window's modal loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "Pump.h"
#include "recorder/RecMpeg.h"

namespace recorder_test {

using testing_support::WaitUntil;

// Runs `script` on a driver thread while rec.ShowModal() runs here; the
// script ends by pressing "Ukončiť" (done here too if it returned early).
void RunShown(TFRecMpeg& rec, const std::function<void()>& script);

void Click(TFRecMpeg& rec, int id);
std::wstring TextOf(TFRecMpeg& rec, int id);
bool Enabled(TFRecMpeg& rec, int id);
bool Checked(TFRecMpeg& rec, int id);
int BarPosition(TFRecMpeg& rec);

}  // namespace recorder_test
