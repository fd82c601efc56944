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

bool ValueReader::Query(const wchar_t* name, DWORD& type, BYTE* data, DWORD& size) {
  if (failed_) return false;
  const LONG r = ::RegQueryValueExW(key_, name, nullptr, &type, data, &size);
  if (r == ERROR_SUCCESS) return true;
  if (r != ERROR_FILE_NOT_FOUND) failed_ = true;
  return false;
}

std::optional<DWORD> ValueReader::Dword(const wchar_t* name) {
  DWORD type = 0, value = 0, size = sizeof(value);
  if (!Query(name, type, nullptr, size) || type != REG_DWORD || size != sizeof(value)) return std::nullopt;
  if (!Query(name, type, reinterpret_cast<BYTE*>(&value), size) || type != REG_DWORD) return std::nullopt;
  return value;
}

std::optional<std::wstring> ValueReader::String(const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (!Query(name, type, nullptr, size) || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
  std::wstring s(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(s.size() * sizeof(wchar_t));
  if (!Query(name, type, reinterpret_cast<BYTE*>(s.data()), got)) return std::nullopt;
  s.resize(got / sizeof(wchar_t));
  while (!s.empty() && s.back() == L'\0') s.pop_back();
  return s;
}

}  // namespace kestrel
