// The program's start-up sequence before any window exists.
#pragma once

#include <functional>
#include <string_view>

namespace app {

enum class StartResult { Run, AlreadyRunning, RefusedFromCD };

// Runs a start-up step that comes before any window (COM and the audio
// device lists). A failure shows its text in the program's error box and
// gives false: the program then ends with exit code 0.
bool RunPlayerStartup(const std::function<void()>& step);
// Brings an existing main window ("TfrmVocorder") to the foreground; true if
// there was one.
bool ActivateRunningInstance();
// True when the first argument is "cd", in any case.
bool StartedFromCD(int argc, wchar_t** argv);
// "Player.ini", the settings, the CD rule and the current list. Fatal errors
// of "Player.ini" end the program inside.
StartResult LoadStartupData(bool fromCD);

}  // namespace app
