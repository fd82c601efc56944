#include "missing/FolderTree.h"

#include <shellapi.h>

#include <algorithm>

#include "base/LateLoad.h"
#include "base/Text.h"
#include "base/WinHandles.h"
#include "core/KestrelUtils.h"

namespace kestrel {
namespace {

constexpr LPARAM kLoaded = 1;

bool IsSubFolder(const WIN32_FIND_DATAW& fd) {
  if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // A link back up the tree would never end.
  if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return false;
  return std::wstring_view(fd.cFileName) != L"." && std::wstring_view(fd.cFileName) != L"..";
}

void SortByName(std::vector<std::wstring>& names) {
  std::sort(names.begin(), names.end(), [](const auto& a, const auto& b) { return text::Compare(a, b) < 0; });
}

}  // namespace

HTREEITEM FolderTree::AddNode(HTREEITEM parent, const std::wstring& name) {
  TVINSERTSTRUCTW ins{};
  ins.hParent = parent;
  ins.hInsertAfter = TVI_LAST;
  ins.item.mask = TVIF_TEXT | TVIF_CHILDREN | TVIF_PARAM;
  ins.item.pszText = const_cast<wchar_t*>(name.c_str());
  ins.item.cChildren = 1;  // until it is opened
  ins.item.lParam = 0;
  return reinterpret_cast<HTREEITEM>(::SendMessageW(tree_, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&ins)));
}

std::wstring FolderTree::TextOf(HTREEITEM node) const {
  wchar_t buf[MAX_PATH] = L"";
  TVITEMW item{};
  item.mask = TVIF_TEXT;
  item.hItem = node;
  item.pszText = buf;
  item.cchTextMax = MAX_PATH;
  ::SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return buf;
}

HTREEITEM FolderTree::ShowRoot(wchar_t letter) {
  ::SendMessageW(tree_, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
  HTREEITEM root = AddNode(TVI_ROOT, std::wstring(1, letter) + L":\\");
  Expand(root);
  Select(root);
  return root;
}

HTREEITEM FolderTree::Root() const {
  return reinterpret_cast<HTREEITEM>(::SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_ROOT, 0));
}

HTREEITEM FolderTree::Current() const {
  auto* node = reinterpret_cast<HTREEITEM>(::SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_CARET, 0));
  return node ? node : Root();
}

std::wstring FolderTree::PathOf(HTREEITEM node) const {
  std::vector<std::wstring> names;
  for (; node; node = reinterpret_cast<HTREEITEM>(
               ::SendMessageW(tree_, TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(node))))
    names.push_back(TextOf(node));
  if (names.empty()) return {};
  std::wstring path = names.back();  // "C:\"
  for (size_t i = names.size() - 1; i-- > 0;) {
    if (path.back() != L'\\') path += L'\\';
    path += names[i];
  }
  return path;
}

void FolderTree::LoadChildren(HTREEITEM node) {
  TVITEMW item{};
  item.mask = TVIF_PARAM;
  item.hItem = node;
  if (!::SendMessageW(tree_, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)) || item.lParam == kLoaded) return;
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW fd;
  win::FindHandle find(::FindFirstFileW((IncludeTrailingBackslash(PathOf(node)) + L"*").c_str(), &fd));
  if (find) {
    do {
      if (IsSubFolder(fd)) names.emplace_back(fd.cFileName);
    } while (::FindNextFileW(find.get(), &fd));
  }
  SortByName(names);
  for (const auto& n : names) AddNode(node, n);
  item.mask = TVIF_PARAM | TVIF_CHILDREN;
  item.lParam = kLoaded;
  item.cChildren = names.empty() ? 0 : 1;
  ::SendMessageW(tree_, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

void FolderTree::Expand(HTREEITEM node) {
  LoadChildren(node);
  ::SendMessageW(tree_, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(node));
}

void FolderTree::Collapse(HTREEITEM node) {
  ::SendMessageW(tree_, TVM_EXPAND, TVE_COLLAPSE, reinterpret_cast<LPARAM>(node));
}

bool FolderTree::IsExpanded(HTREEITEM node) const {
  return (::SendMessageW(tree_, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(node), TVIS_EXPANDED) & TVIS_EXPANDED) != 0;
}

HTREEITEM FolderTree::ChildNamed(HTREEITEM node, std::wstring_view name) {
  LoadChildren(node);
  auto next = [&](HTREEITEM from, WPARAM how) {
    return reinterpret_cast<HTREEITEM>(::SendMessageW(tree_, TVM_GETNEXTITEM, how, reinterpret_cast<LPARAM>(from)));
  };
  for (HTREEITEM c = next(node, TVGN_CHILD); c; c = next(c, TVGN_NEXT))
    if (text::Same(TextOf(c), name)) return c;
  return nullptr;
}

void FolderTree::Select(HTREEITEM node) {
  ::SendMessageW(tree_, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(node));
  ::SendMessageW(tree_, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(node));
}

void FileList::Attach(HWND list) {
  list_ = list;
  SHFILEINFOW info{};
  icons_ = reinterpret_cast<HIMAGELIST>(
      late::SHGetFileInfoW(L".txt", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
}

void FileList::ShowIcons(bool on) {
  ::SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(on ? icons_ : nullptr));
}

void FileList::Show(const std::wstring& folder, std::wstring_view masks) {
  folder_ = folder;
  const std::wstring base = IncludeTrailingBackslash(folder);
  std::vector<std::wstring> names;
  for (size_t start = 0; start <= masks.size();) {
    size_t end = std::min(masks.find(L';', start), masks.size());
    std::wstring mask(text::Trim(masks.substr(start, end - start)));
    start = end + 1;
    if (mask.empty()) continue;
    WIN32_FIND_DATAW fd;
    win::FindHandle find(::FindFirstFileW((base + mask).c_str(), &fd));
    if (!find) continue;
    do {
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      if (std::none_of(names.begin(), names.end(), [&](const auto& n) { return text::Same(n, fd.cFileName); }))
        names.emplace_back(fd.cFileName);
    } while (::FindNextFileW(find.get(), &fd));
  }
  SortByName(names);

  ::SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
  int i = 0;
  for (const auto& n : names) {
    SHFILEINFOW info{};
    late::SHGetFileInfoW(n.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                     SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = i++;
    item.pszText = const_cast<wchar_t*>(n.c_str());
    item.iImage = info.iIcon;
    ::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  }
  ::SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(list_, nullptr, TRUE);
}

std::wstring FileList::Selected() const {
  int i = static_cast<int>(::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
  if (i < 0) return {};
  wchar_t buf[MAX_PATH] = L"";
  LVITEMW item{};
  item.iSubItem = 0;
  item.pszText = buf;
  item.cchTextMax = MAX_PATH;
  ::SendMessageW(list_, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
  return buf;
}

std::vector<std::wstring> FileList::Names() const {
  std::vector<std::wstring> names;
  int n = static_cast<int>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t buf[MAX_PATH] = L"";
    LVITEMW item{};
    item.pszText = buf;
    item.cchTextMax = MAX_PATH;
    ::SendMessageW(list_, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
    names.emplace_back(buf);
  }
  return names;
}

bool FileList::Select(std::wstring_view name) {
  std::vector<std::wstring> names = Names();
  for (size_t i = 0; i < names.size(); ++i) {
    if (!text::Same(names[i], name)) continue;
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list_, LVM_SETITEMSTATE, i, reinterpret_cast<LPARAM>(&item));
    ::SendMessageW(list_, LVM_ENSUREVISIBLE, i, FALSE);
    return true;
  }
  return false;
}

}  // namespace kestrel
