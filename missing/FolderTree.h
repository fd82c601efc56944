// The folder tree and the file list of the missing-file browser, over the
// platform's tree view and list view: folders are read when a node is first
// opened, files are listed by one or more masks.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class FolderTree {
public:
  void Attach(HWND tree) { tree_ = tree; }
  HWND Window() const { return tree_; }

  // One drive's root ("C:\") as the only node, opened one level.
  HTREEITEM ShowRoot(wchar_t letter);
  HTREEITEM Root() const;
  // The selected node, or the root.
  HTREEITEM Current() const;
  // The node's folder: the root "C:\", below it "C:\a\b".
  std::wstring PathOf(HTREEITEM node) const;
  // Reads the node's sub-folders the first time it opens.
  void LoadChildren(HTREEITEM node);
  void Expand(HTREEITEM node);
  void Collapse(HTREEITEM node);
  bool IsExpanded(HTREEITEM node) const;
  // The child of node with this name (without regard to case), or null.
  HTREEITEM ChildNamed(HTREEITEM node, std::wstring_view name);
  // Selects the node as the program does (the tree tells no user action).
  void Select(HTREEITEM node);

private:
  HTREEITEM AddNode(HTREEITEM parent, const std::wstring& name);
  std::wstring TextOf(HTREEITEM node) const;

  HWND tree_ = nullptr;
};

class FileList {
public:
  void Attach(HWND list);
  // The system's small icons beside the names, or none.
  void ShowIcons(bool on);
  // The files of folder that match one of the masks ("*.mp3; *.wav"),
  // hidden and system files included, sorted by name.
  void Show(const std::wstring& folder, std::wstring_view masks);
  const std::wstring& Folder() const { return folder_; }
  // The selected file's name, or empty.
  std::wstring Selected() const;
  // Selects the file of this name (without regard to case); false if not listed.
  bool Select(std::wstring_view name);
  std::vector<std::wstring> Names() const;

private:
  HWND list_ = nullptr;
  HIMAGELIST icons_ = nullptr;  // the system's, shared
  std::wstring folder_;
};

}  // namespace kestrel
