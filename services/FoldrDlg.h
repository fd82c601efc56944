// TFolderDialog: picks a folder with the shell's folder browser and adds what
// the bare shell dialog lacks: a root folder, an initial selection given as a
// path, a caption, a status line with the selected path shortened to fit,
// control over OK, placement, and an extra button copied from the owner.
//
// User-interface thread only; Execute runs the dialog modally.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>

#include "base/WinHandles.h"
#include "services/FolderLayout.h"
#include "services/FolderOptions.h"

namespace services {

class TFolderDialog {
public:
  using Event = std::function<void(TFolderDialog& sender)>;
  // What shows the dialog: SHBrowseForFolderW unless a test puts its own.
  // Returns the chosen item list (the caller frees it) or null on cancel.
  using BrowseFunction = std::function<PIDLIST_ABSOLUTE(BROWSEINFOW& info)>;

  // The dialog is owned by `owner` (none when null).
  explicit TFolderDialog(HWND owner = nullptr);
  ~TFolderDialog();
  TFolderDialog(const TFolderDialog&) = delete;
  TFolderDialog& operator=(const TFolderDialog&) = delete;

  // True when the user chose an item; Directory then holds its path (empty
  // when it has none). Cancelling leaves Directory as it was.
  bool Execute();

  HWND Owner() const { return owner_; }
  void SetOwner(HWND owner) { owner_ = owner; }

  // Kept for compatibility; no effect.
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value) { ctl3D_ = value; }
  short Top() const { return top_; }
  short Left() const { return left_; }
  void SetTop(short value);
  void SetLeft(short value);
  const std::wstring& Title() const { return title_; }
  void SetTitle(const std::wstring& value);
  const std::wstring& Directory() const { return directory_; }
  void SetDirectory(const std::wstring& value);
  const std::wstring& Text() const { return text_; }
  void SetText(const std::wstring& value) { text_ = value; }
  TFolderDialogOptions Options() const { return options_; }
  void SetOptions(TFolderDialogOptions value);
  TShellFolder RootFolder() const { return rootFolder_; }
  void SetRootFolder(TShellFolder value);
  // A button on the owner's form to copy into the dialog (none when null).
  HWND CustomButton() const { return customButton_; }
  void SetCustomButton(HWND button) { customButton_ = button; }

  Event OnShow;    // the dialog is about to be shown
  Event OnClose;   // the dialog window is being destroyed
  Event OnChange;  // the selection changed to an item with a path

  // Results of the last choice, and the attributes of the current selection.
  const std::wstring& DisplayName() const { return displayName_; }
  int ImageIndex() const { return imageIndex_; }
  ULONG SelectionAttributes() const { return attributes_; }
  // The open dialog's window; null while none is shown.
  HWND DialogWindow() const { return dialog_; }

  void SetBrowseFunction(BrowseFunction browse) { browse_ = std::move(browse); }

private:
  struct Session;
  static int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lp, LPARAM data);
  static LRESULT CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR data);
  LRESULT HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled);

  void DialogStarted(HWND dialog);
  void SelectionChanged(HWND dialog, PCIDLIST_ABSOLUTE items);
  void DialogDestroyed();
  // Raises an event; false when its handler freed the component.
  bool Raise(const Event& event);
  void MakeRoot();
  void PlaceDialog();
  void SelectPath(const std::wstring& path);
  void SetStatusText(const std::wstring& text);
  std::wstring FitStatusPath(const std::wstring& path) const;

  HWND owner_ = nullptr;
  bool ctl3D_ = true;
  short top_ = 0;
  short left_ = 0;
  std::wstring title_ = L"Browse for Folder";
  std::wstring directory_;
  std::wstring text_;
  TFolderDialogOptions options_ = kDefaultFolderDialogOptions;
  TShellFolder rootFolder_ = TShellFolder::sfoDesktopExpanded;
  HWND customButton_ = nullptr;

  win::ItemIdList root_;
  win::ItemIdList selection_;
  win::ItemIdList result_;
  std::wstring displayName_;
  int imageIndex_ = 0;
  ULONG attributes_ = 0;

  Session* session_ = nullptr;
  HWND dialog_ = nullptr;
  HWND ok_ = nullptr;
  SIZE clientSize_{};
  bool focusedTree_ = false;
  TCustomButtonCopy buttonCopy_;
  std::wstring lastStatus_;
  BrowseFunction browse_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace services
