#include "lists/WorkFolder.h"

#include <windows.h>

#include <vector>

#include "base/Files.h"
#include "base/LateLoad.h"
#include "base/WinHandles.h"
#include "core/KestrelUtils.h"

namespace kestrel {
namespace {

// What the folder's access list lets this process's token do. Where there is
// no list to read (a file system without one), the attempt below decides.
bool AccessListAllows(const std::wstring& folder, DWORD access) {
  const SECURITY_INFORMATION parts = OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION |
                                     DACL_SECURITY_INFORMATION;
  DWORD size = 0;
  ::GetFileSecurityW(folder.c_str(), parts, nullptr, 0, &size);
  if (size == 0) return true;
  std::vector<BYTE> descriptor(size);
  if (!::GetFileSecurityW(folder.c_str(), parts, descriptor.data(), size, &size)) return true;

  win::Handle token, impersonation;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, token.put()) ||
      !::DuplicateToken(token.get(), SecurityImpersonation, impersonation.put()))
    return true;
  GENERIC_MAPPING mapping{FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS};
  ::MapGenericMask(&access, &mapping);
  PRIVILEGE_SET privileges{};
  DWORD privilegesSize = sizeof privileges;
  DWORD granted = 0;
  BOOL allowed = FALSE;
  if (!::AccessCheck(descriptor.data(), impersonation.get(), access, &mapping, &privileges, &privilegesSize, &granted,
                     &allowed))
    return true;
  return allowed != FALSE;
}

// A file made and gone again: it is deleted when its handle closes, also
// when the process ends on the way.
bool CanCreateFileIn(const std::wstring& folder) {
  const std::wstring probe = folder + L"vocorder-" + std::to_wstring(::GetCurrentProcessId()) + L".tmp";
  win::File file(::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  return static_cast<bool>(file);
}

bool CopyIfMissing(const std::wstring& from, const std::wstring& to) {
  return ::CopyFileW(from.c_str(), to.c_str(), TRUE) || ::GetLastError() == ERROR_FILE_EXISTS;
}

}  // namespace

bool MayWriteIn(const std::wstring& folder) {
  const std::wstring dir = IncludeTrailingBackslash(folder);
  return DirectoryExists(dir) && AccessListAllows(dir, FILE_ADD_FILE) && CanCreateFileIn(dir);
}

bool PrepareUserWorkFolder(const std::wstring& programFolder, const std::wstring& userFolder) {
  const std::wstring from = IncludeTrailingBackslash(programFolder);
  const std::wstring to = IncludeTrailingBackslash(userFolder);
  if (!::CreateDirectoryW(to.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) return false;
  bool copied = !FileExists(from + L"Player.ini") || CopyIfMissing(from + L"Player.ini", to + L"Player.ini");
  WIN32_FIND_DATAW found{};
  win::FindHandle lists(::FindFirstFileW((from + L"*.m3u").c_str(), &found));
  for (bool more = static_cast<bool>(lists); more; more = ::FindNextFileW(lists.get(), &found))
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      copied = CopyIfMissing(from + found.cFileName, to + found.cFileName) && copied;
  return copied;
}

std::wstring ChooseWorkFolder() {
  const std::wstring own = IncludeTrailingBackslash(ExtractFilePath(files::ModulePath()));
  if (MayWriteIn(own)) return own;
  wchar_t appData[MAX_PATH] = L"";
  if (FAILED(late::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                    appData)) ||
      !*appData)
    return own;
  const std::wstring user = IncludeTrailingBackslash(appData) + L"Vocorder\\";
  if (!PrepareUserWorkFolder(own, user) || !::SetCurrentDirectoryW(user.c_str())) return own;
  return user;
}

}  // namespace kestrel
