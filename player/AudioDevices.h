// The program-wide list of audio output devices, filled once at start-up and
// shared by the main window, the settings dialog and the player.
#pragma once

#include "player/DShow.h"

#include <string>
#include <vector>

// Parallel lists: entry i of one belongs to entry i of the other.
extern std::vector<std::wstring> AudioDeviceNames;   // friendly names
extern std::vector<std::wstring> AudioDeviceClsids;  // "{...}" registry form

// Index of name in AudioDeviceNames (exact match); 0 when name is empty or absent.
int DeviceIndexOf(const std::wstring& name);

// The entry point calls this first, before any window exists: initialises COM
// (apartment-threaded) for the calling thread and fills the device lists.
// Raises PlayerError when the device enumerator cannot be used; an empty
// device category leaves the lists empty.
void InitPlayerModule();
// At program end, on the same thread: frees the lists and uninitialises COM.
void DonePlayerModule();

// The lists' filling on its own, for a thread that has COM already.
void EnumerateAudioDevices();

// Creates the renderer of device index, through the enumerator's own moniker
// when it is known (the class identifier alone names only the kind of
// renderer, which plays on the default device), else from the class
// identifier. Result codes go through CheckResult; an index outside the
// lists raises player_text::kInvalidDevice.
player::ComPtr<IBaseFilter> CreateAudioDeviceFilter(int index);
