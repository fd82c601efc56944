// Opening the settings key, with the distinctions the store needs (absent,
// present, failed). The values are read and written through base/Registry.h.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "base/Registry.h"
#include "base/WinHandles.h"

namespace kestrel {

enum class KeyOpen { Ok, Missing, Failed };
KeyOpen OpenSettingsKey(REGSAM access, win::Key& key);
// Opens the settings key for writing, creating it (and its parents) if needed.
bool CreateSettingsKey(win::Key& key);
bool SettingsKeyExists();

// Reads values of the open settings key for start-up. A value that is
// absent (or of another type) reads as nothing; any other registry error
// marks the reader failed, and from then on every read gives nothing, so
// the caller keeps what it had read.
class ValueReader {
public:
  explicit ValueReader(HKEY key) : key_(key) {}
  std::optional<DWORD> Dword(const wchar_t* name);
  std::optional<std::wstring> String(const wchar_t* name);
  bool Failed() const { return failed_; }

private:
  bool Query(const wchar_t* name, DWORD& type, BYTE* data, DWORD& size);
  HKEY key_;
  bool failed_ = false;
};

}  // namespace kestrel
