#include "base/Registry.h"

#include "base/Files.h"
#include "base/WinHandles.h"

namespace reg {
namespace {

HKEY g_userRoot = nullptr;

std::wstring ProgramName() {
  std::wstring path = files::ModulePath();
  size_t slash = path.find_last_of(L"\\/:");
  std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

}  // namespace

HKEY UserRoot() { return g_userRoot ? g_userRoot : HKEY_CURRENT_USER; }
void SetUserRoot(HKEY root) { g_userRoot = root; }

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

std::wstring ReadString(HKEY root, const std::wstring& subkey, const wchar_t* name) {
  win::Key key;
  if (::RegOpenKeyExW(root, subkey.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
  return ReadString(key.get(), name).value_or(std::wstring());
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

UserStore::UserStore() : UserStore(ProgramName()) {}
UserStore::UserStore(std::wstring keyName) : path_(std::move(keyName) + L"\\Sets") {}

std::wstring UserStore::Read(std::wstring_view name) const {
  return ReadString(UserRoot(), path_, std::wstring(name).c_str());
}

bool UserStore::Write(std::wstring_view name, std::wstring_view value) const {
  win::Key key;
  if (::RegCreateKeyExW(UserRoot(), path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr) !=
      ERROR_SUCCESS)
    return false;
  return WriteString(key.get(), std::wstring(name).c_str(), value);
}

std::wstring DocumentsFolder() {
  return ReadString(UserRoot(), L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", L"PERSONAL");
}

}  // namespace reg
