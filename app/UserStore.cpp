#include "app/UserStore.h"

#include <windows.h>

#include "base/Files.h"
#include "base/WinHandles.h"
#include "lists/KestrelUtils.h"
#include "settings/Registry.h"

namespace app {
namespace {

std::wstring ProgramName() {
  std::wstring name = kestrel::ExtractFileName(files::ModulePath());
  size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

std::wstring ReadString(HKEY root, const std::wstring& path, std::wstring_view name) {
  win::Key key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return {};
  std::wstring n(name);
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.get(), n.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  std::wstring value(size / sizeof(wchar_t) + 1, L'\0');
  DWORD got = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(key.get(), n.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &got) !=
      ERROR_SUCCESS)
    return {};
  value.resize(got / sizeof(wchar_t));
  while (!value.empty() && value.back() == L'\0') value.pop_back();
  return value;
}

}  // namespace

UserStore::UserStore() : UserStore(ProgramName()) {}
UserStore::UserStore(std::wstring keyName) : path_(std::move(keyName) + L"\\Sets") {}

std::wstring UserStore::Read(std::wstring_view name) const { return ReadString(kestrel::reg::UserRoot(), path_, name); }

bool UserStore::Write(std::wstring_view name, std::wstring_view value) const {
  win::Key key;
  if (::RegCreateKeyExW(kestrel::reg::UserRoot(), path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
    return false;
  std::wstring n(name), v(value);
  return ::RegSetValueExW(key.get(), n.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

std::wstring DocumentsFolder() {
  return ReadString(kestrel::reg::UserRoot(), L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                    L"PERSONAL");
}

}  // namespace app
