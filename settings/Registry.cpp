#include "settings/Registry.h"

#include "settings/KestrelSettings.h"

namespace kestrel::reg {

namespace {
HKEY g_userRoot = nullptr;
}

HKEY UserRoot() { return g_userRoot ? g_userRoot : HKEY_CURRENT_USER; }
void SetUserRoot(HKEY root) { g_userRoot = root; }

Open OpenSettingsKey(REGSAM access, win::Key& key) {
  LONG r = ::RegOpenKeyExW(UserRoot(), kSettingsKey, 0, access, key.put());
  if (r == ERROR_SUCCESS) return Open::Ok;
  return r == ERROR_FILE_NOT_FOUND || r == ERROR_PATH_NOT_FOUND ? Open::Missing : Open::Failed;
}

bool CreateSettingsKey(win::Key& key) {
  return ::RegCreateKeyExW(UserRoot(), kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE, nullptr, key.put(), nullptr) == ERROR_SUCCESS;
}

bool SettingsKeyExists() {
  win::Key key;
  return OpenSettingsKey(KEY_QUERY_VALUE, key) == Open::Ok;
}

bool ValueExists(HKEY key, const wchar_t* name) {
  return ::RegQueryValueExW(key, name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::optional<DWORD> ReadDword(HKEY key, const wchar_t* name) {
  DWORD type = 0, value = 0, size = sizeof(value);
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof(value))
    return std::nullopt;
  return value;
}

std::optional<std::wstring> ReadString(HKEY key, const wchar_t* name) {
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  std::wstring s(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(s.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(s.data()), &got) != ERROR_SUCCESS)
    return std::nullopt;
  s.resize(got / sizeof(wchar_t));
  while (!s.empty() && s.back() == L'\0') s.pop_back();
  return s;
}

bool WriteDword(HKEY key, const wchar_t* name, DWORD value) {
  return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value)) ==
         ERROR_SUCCESS;
}

bool WriteString(HKEY key, const wchar_t* name, std::wstring_view value) {
  std::wstring v(value);
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool DeleteValue(HKEY key, const wchar_t* name) { return ::RegDeleteValueW(key, name) == ERROR_SUCCESS; }

}  // namespace kestrel::reg
