#include "services/ShellItems.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <vector>

namespace services {

using Microsoft::WRL::ComPtr;

win::ItemIdList SpecialFolderItems(int csidl) {
  PIDLIST_ABSOLUTE items = nullptr;
  if (FAILED(::SHGetSpecialFolderLocation(nullptr, csidl, &items))) return {};
  return win::ItemIdList(items);
}

win::ItemIdList CloneItems(PCIDLIST_ABSOLUTE items) {
  if (!items) return {};
  return win::ItemIdList(::ILClone(items));
}

std::wstring PathOfItems(PCIDLIST_ABSOLUTE items) {
  if (!items) return {};
  wchar_t path[MAX_PATH] = L"";
  if (!::SHGetPathFromIDListW(items, path)) return {};
  return path;
}

ULONG AttributesOfItems(PCIDLIST_ABSOLUTE items, ULONG requested) {
  if (!items) return 0;
  ComPtr<IShellFolder> parent;
  PCUITEMID_CHILD child = nullptr;
  if (FAILED(::SHBindToParent(items, IID_PPV_ARGS(&parent), &child))) return 0;
  SFGAOF attributes = requested;
  if (FAILED(parent->GetAttributesOf(1, &child, &attributes))) return 0;
  return attributes & requested;
}

std::wstring SelectableFolderPath(std::wstring path) {
  if (path.size() >= 2 && path.compare(path.size() - 2, 2, L"\\.") == 0) path.pop_back();
  if (path.empty()) return {};
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return path;
  // A drive root ("D:\") of a drive without a medium has no attributes yet
  // is still a place to choose.
  if (path.size() == 3 && path[1] == L':' && path[2] == L'\\' && ::GetDriveTypeW(path.c_str()) > DRIVE_NO_ROOT_DIR)
    return path;
  return {};
}

win::ItemIdList FileSystemItems(const std::wstring& path) {
  if (path.empty()) return {};
  ComPtr<IShellFolder> desktop;
  if (FAILED(::SHGetDesktopFolder(&desktop))) return {};
  std::vector<wchar_t> name(path.begin(), path.end());
  name.push_back(L'\0');
  PIDLIST_RELATIVE items = nullptr;
  ULONG attributes = SFGAO_FILESYSTEM;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &items, &attributes))) return {};
  win::ItemIdList owned(reinterpret_cast<PIDLIST_ABSOLUTE>(items));
  if (!(attributes & SFGAO_FILESYSTEM)) return {};
  return owned;
}

}  // namespace services
