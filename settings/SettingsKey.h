// Opening the settings key, with the distinctions the store needs (absent,
// present, failed). The values are read and written through base/Registry.h.
#pragma once

#include <windows.h>

#include "base/Registry.h"
#include "base/WinHandles.h"

namespace kestrel {

enum class KeyOpen { Ok, Missing, Failed };
KeyOpen OpenSettingsKey(REGSAM access, win::Key& key);
// Opens the settings key for writing, creating it (and its parents) if needed.
bool CreateSettingsKey(win::Key& key);
bool SettingsKeyExists();

}  // namespace kestrel
