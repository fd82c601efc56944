#include "services/ShellItems.h"

#include <shlobj.h>
#include <wrl/client.h>

#include <cstring>
#include <cwchar>
#include <vector>

#include "base/LateLoad.h"

namespace services {

using Microsoft::WRL::ComPtr;

namespace {

// Item lists are runs of SHITEMID (a 16-bit size, then the data) ended by a
// zero size.
const SHITEMID* FirstId(const void* items) { return static_cast<const SHITEMID*>(items); }
const SHITEMID* NextId(const SHITEMID* id) {
  return reinterpret_cast<const SHITEMID*>(reinterpret_cast<const BYTE*>(id) + id->cb);
}

// One item as a list of its own, in `storage`.
PCUITEMID_CHILD SingleItem(const SHITEMID* id, std::vector<BYTE>& storage) {
  storage.assign(reinterpret_cast<const BYTE*>(id), reinterpret_cast<const BYTE*>(id) + id->cb);
  storage.push_back(0);
  storage.push_back(0);
  return reinterpret_cast<PCUITEMID_CHILD>(storage.data());
}

void AppendId(std::vector<BYTE>& list, const SHITEMID* id) {
  list.insert(list.end(), reinterpret_cast<const BYTE*>(id), reinterpret_cast<const BYTE*>(id) + id->cb);
}

// The child of `folder` that the folder itself calls equal to `child`, as
// the folder lists it.
win::ItemIdList ListedChild(IShellFolder* folder, PCUITEMID_CHILD child) {
  ComPtr<IEnumIDList> children;
  if (folder->EnumObjects(nullptr, SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN, &children) != S_OK || !children)
    return {};
  PITEMID_CHILD listed = nullptr;
  while (children->Next(1, &listed, nullptr) == S_OK) {
    win::ItemIdList owned(reinterpret_cast<PIDLIST_ABSOLUTE>(listed));
    const HRESULT hr = folder->CompareIDs(0, listed, child);
    if (SUCCEEDED(hr) && HRESULT_CODE(hr) == 0) return owned;
  }
  return {};
}

}  // namespace

win::ItemIdList SpecialFolderItems(int csidl) {
  PIDLIST_ABSOLUTE items = nullptr;
  if (FAILED(late::SHGetSpecialFolderLocation(nullptr, csidl, &items))) return {};
  return win::ItemIdList(items);
}

win::ItemIdList CloneItems(PCIDLIST_ABSOLUTE items) {
  if (!items) return {};
  return win::ItemIdList(late::ILClone(items));
}

std::wstring PathOfItems(PCIDLIST_ABSOLUTE items) {
  if (!items) return {};
  wchar_t path[MAX_PATH] = L"";
  if (!late::SHGetPathFromIDListW(items, path)) return {};
  std::wstring result = path;
  // Wine ends the paths of special folders with a backslash; a folder's path
  // carries one only when it is a drive root.
  if (result.size() > 3 && result.back() == L'\\') result.pop_back();
  return result;
}

ULONG AttributesOfItems(PCIDLIST_ABSOLUTE items, ULONG requested) {
  if (!items) return 0;
  ComPtr<IShellFolder> parent;
  PCUITEMID_CHILD child = nullptr;
  if (FAILED(late::SHBindToParent(items, IID_PPV_ARGS(&parent), &child))) return 0;
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

namespace {

win::ItemIdList RebuildFromListings(PCIDLIST_ABSOLUTE items) {
  ComPtr<IShellFolder> folder;
  if (FAILED(late::SHGetDesktopFolder(&folder))) return CloneItems(items);
  std::vector<BYTE> list, single;
  const SHITEMID* id = FirstId(items);
  for (; id->cb != 0 && folder; id = NextId(id)) {
    PCUITEMID_CHILD child = SingleItem(id, single);
    win::ItemIdList listed = ListedChild(folder.Get(), child);
    PCUITEMID_CHILD use = listed ? reinterpret_cast<PCUITEMID_CHILD>(listed.get()) : child;
    AppendId(list, FirstId(use));
    ComPtr<IShellFolder> next;
    if (FAILED(folder->BindToObject(use, nullptr, IID_PPV_ARGS(&next)))) next.Reset();
    folder = next;
  }
  for (; id->cb != 0; id = NextId(id)) AppendId(list, id);
  list.push_back(0);
  list.push_back(0);
  auto* out = static_cast<BYTE*>(::CoTaskMemAlloc(list.size()));
  if (!out) return {};
  std::memcpy(out, list.data(), list.size());
  return win::ItemIdList(reinterpret_cast<PIDLIST_ABSOLUTE>(out));
}

// Reads a folder and every folder in it, once each.
void ReadFolderAndSubfolders(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  win::FindHandle entries(::FindFirstFileW((folder + L"*").c_str(), &found));
  if (!entries) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (!std::wcscmp(found.cFileName, L".") || !std::wcscmp(found.cFileName, L"..")) continue;
    WIN32_FIND_DATAW inner;
    win::FindHandle read(::FindFirstFileW((folder + found.cFileName + L"\\*").c_str(), &inner));
  } while (::FindNextFileW(entries.get(), &found));
}

}  // namespace

void SettleFolderTimes(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return;
  std::wstring folder = path.substr(0, 3);
  size_t start = 3;
  for (;;) {
    ReadFolderAndSubfolders(folder);
    if (start >= path.size()) break;
    const size_t end = path.find(L'\\', start);
    folder += path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    folder += L'\\';
    if (end == std::wstring::npos) {
      ReadFolderAndSubfolders(folder);
      break;
    }
    start = end + 1;
  }
}

win::ItemIdList ListedItems(PCIDLIST_ABSOLUTE items) {
  if (!items) return {};
  const std::wstring path = PathOfItems(items);
  if (!path.empty()) SettleFolderTimes(path);
  return RebuildFromListings(items);
}

win::ItemIdList FileSystemItems(const std::wstring& path) {
  if (path.empty()) return {};
  ComPtr<IShellFolder> desktop;
  if (FAILED(late::SHGetDesktopFolder(&desktop))) return {};
  std::vector<wchar_t> name(path.begin(), path.end());
  name.push_back(L'\0');
  PIDLIST_RELATIVE items = nullptr;
  ULONG attributes = SFGAO_FILESYSTEM;
  if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, name.data(), nullptr, &items, &attributes))) return {};
  win::ItemIdList owned(reinterpret_cast<PIDLIST_ABSOLUTE>(items));
  if (!(attributes & SFGAO_FILESYSTEM)) return {};
  // Wine's desktop reports the attributes of a parsed "::{class}" item
  // unfiltered; the item's own folder tells the truth.
  if (!AttributesOfItems(owned.get(), SFGAO_FILESYSTEM)) return {};
  return owned;
}

}  // namespace services
