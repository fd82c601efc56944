#include "settings/SettingsKey.h"

#include "settings/KestrelSettings.h"

namespace kestrel {

KeyOpen OpenSettingsKey(REGSAM access, win::Key& key) {
  LONG r = ::RegOpenKeyExW(reg::UserRoot(), kSettingsKey, 0, access, key.put());
  if (r == ERROR_SUCCESS) return KeyOpen::Ok;
  return r == ERROR_FILE_NOT_FOUND || r == ERROR_PATH_NOT_FOUND ? KeyOpen::Missing : KeyOpen::Failed;
}

bool CreateSettingsKey(win::Key& key) {
  return ::RegCreateKeyExW(reg::UserRoot(), kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE,
                           nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

bool SettingsKeyExists() {
  win::Key key;
  return OpenSettingsKey(KEY_QUERY_VALUE, key) == KeyOpen::Ok;
}

}  // namespace kestrel
