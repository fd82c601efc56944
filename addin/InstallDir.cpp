#include "addin/InstallDir.h"

#include "base/WinHandles.h"

#include <vector>

namespace addin {

namespace {

// The recorded folder, or an empty text. The 32-bit view is asked for
// explicitly: a 64-bit host loads a 64-bit add-in, and the installer of the
// 32-bit program writes only there.
std::wstring RecordedFolder() {
  win::Key key;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kInstallKey, 0, KEY_QUERY_VALUE | KEY_WOW64_32KEY, key.put()) !=
      ERROR_SUCCESS)
    return {};
  DWORD size = 0;
  if (::RegGetValueW(key.get(), nullptr, kInstallValue, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS ||
      size < sizeof(wchar_t))
    return {};
  std::vector<wchar_t> text(size / sizeof(wchar_t) + 1);
  size = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (::RegGetValueW(key.get(), nullptr, kInstallValue, RRF_RT_REG_SZ, nullptr, text.data(), &size) != ERROR_SUCCESS)
    return {};
  return text.data();
}

}  // namespace

std::wstring ProgramFolder(const std::wstring& fallback) {
  std::wstring folder = RecordedFolder();
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  return folder.empty() ? fallback : folder;
}

}  // namespace addin
