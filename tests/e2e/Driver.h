// The end-to-end tests' names for the desktop driver (tests/support): the
// built program started as a user would and watched from outside.
#pragma once

#include "Program.h"
#include "Screenshot.h"

namespace e2e {

using desktop::Answer;
using desktop::Box;
using desktop::Program;
using desktop::ReadBox;
using desktop::SaveScreenshot;
using desktop::ScreenshotDir;
using desktop::VocorderExe;

}  // namespace e2e
