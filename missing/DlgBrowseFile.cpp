#include "missing/DlgBrowseFile.h"

#include <commctrl.h>

#include <utility>
#include <vector>

#include "base/Dialog.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "core/SettingsRecord.h"
#include "core/globals.h"
#include "missing/DlgBrowseFilter.h"
#include "missing/FolderTree.h"
#include "lists/ListEdit.h"

namespace kestrel {
namespace {

using namespace form5;

BrowseFilePresenter& Presenter() {
  static BrowseFilePresenter p;
  return p;
}

constexpr int kListWidth = 361;  // wider paths show " ..." over the edge
constexpr COLORREF kMaroon = RGB(128, 0, 0);
constexpr const wchar_t* kLocateSong = L"Locate &song";
constexpr const wchar_t* kLocateSongHint = L"Search currently selected folder (and it's subfolders) for the missing file";

const win::DialogItem kItems[] = {
    {Label3, L"STATIC",
     L"Use the directory tree to find the missing file, select it in the file list and then accept to replace it in "
     L"the song list file (see below). Note that the song list file will be rewritten.",
     SS_LEFT | SS_NOPREFIX, 8, 8, 464, 40},
    {idDrives, L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 8, 52, 224, 200},
    {idDirs, WC_TREEVIEWW, L"",
     WS_BORDER | WS_TABSTOP | TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
         TVS_DISABLEDRAGDROP,
     8, 80, 224, 236},
    {idFiles, WC_LISTVIEWW, L"",
     WS_BORDER | WS_TABSTOP | LVS_LIST | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS, 240, 52, 232, 240},
    {idImages, L"BUTTON", L"Show &icons", BS_AUTOCHECKBOX | WS_TABSTOP, 240, 298, 140, 18},
    {idLocateList, L"BUTTON", L"&Locate list", BS_PUSHBUTTON | WS_TABSTOP, 8, 326, 88, 25},
    {idLocateSong, L"BUTTON", kLocateSong, BS_PUSHBUTTON | WS_TABSTOP, 101, 326, 88, 25},
    {idFilter, L"BUTTON", L"&Filter files", BS_PUSHBUTTON | WS_TABSTOP, 194, 326, 88, 25},
    {idOK, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_DISABLED, 302, 326, 83, 25},
    {idCancel, L"BUTTON", L"&Cancel", BS_PUSHBUTTON | WS_TABSTOP, 389, 326, 83, 25},
    {Label2, L"STATIC", L"Song list file:", SS_LEFT | SS_NOPREFIX, 8, 364, 70, 16},
    {idList, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 80, 364, kListWidth, 16},
    {idDots, L"STATIC", L" ...", SS_LEFT | SS_NOPREFIX, 80 + kListWidth, 364, 20, 16},
    // Takes the focus after a walk, so that no control shows a stale one.
    {idHidden, L"EDIT", L"", ES_READONLY, 0, 0, 0, 0},
};

const win::DialogTemplate kForm5{L"", 480, 388, {L"MS Sans Serif", 8}, kItems, IDOK, IDCANCEL,
                                 win::Placement::CentreScreen, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                 WS_EX_DLGMODALFRAME, L"VocorderTForm5"};

std::wstring ListFilePath() {
  if (ListIndex < 0 || ListIndex >= static_cast<int>(Lists.size())) return {};
  return Lists[ListIndex].Path;
}

int TextWidth(HWND control, const std::wstring& s) {
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  ::GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return size.cx;
}

// Whether the drive can be made the current folder (and the old one back).
bool DriveAccessible(wchar_t letter) {
  const UINT oldMode = ::SetErrorMode(SEM_FAILCRITICALERRORS);  // no system box for an empty drive
  wchar_t old[MAX_PATH] = L"";
  ::GetCurrentDirectoryW(MAX_PATH, old);
  const wchar_t root[] = {letter, L':', L'\\', 0};
  bool ok = ::SetCurrentDirectoryW(root) != FALSE;
  ::SetCurrentDirectoryW(old);
  ::SetErrorMode(oldMode);
  return ok;
}

class TForm5 : public win::TDialog {
public:
  TForm5() : TDialog(kForm5) {}

  std::optional<BrowsedFile> Execute(HWND owner, std::wstring_view caption, std::wstring_view songPath) {
    static const bool classes = [] {
      INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
      return ::InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)classes;
    caption_ = caption;
    songPath_ = songPath;
    result_.reset();
    ShowModal(owner);
    return result_;
  }

private:
  enum class Search { Idle, Running, Stopping };

  void OnCreate() override;
  void OnInit() override;
  HWND InitialFocus() override { return Item(idDirs); }
  void OnCommand(int id, int code) override;
  void OnOK() override;
  void OnCancel() override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  LRESULT OnNotify(const NMHDR& n);

  void idDrivesChange();
  void idDirsChange(HTREEITEM node, UINT action);
  void idImagesClick() { files_.ShowIcons(::SendMessageW(Item(idImages), BM_GETCHECK, 0, 0) == BST_CHECKED); }
  void idLocateListClick() { LocatePath(ItemText(idList)); }
  void idLocateSongClick();
  void idFilterClick();

  void LocatePath(const std::wstring& path);
  // The search of the tree runs in slices on the dialog's timer, so that
  // the dialog's own loop keeps the Stop click, Cancel and the repaints
  // going; depth first, in the order the file system lists the entries.
  void SearchTreeStep();
  void EndSearch(const std::wstring& found);
  void FillDrives();
  bool SelectDriveItem(wchar_t letter);
  // Shows the drive (after Retry or Cancel while it cannot be accessed);
  // false when the change was abandoned.
  bool ChangeDrive(wchar_t letter);
  void ShowDrive(wchar_t letter);
  void ShowFiles(const std::wstring& folder);
  void EnableOK(bool on) { ::EnableWindow(Item(idOK), on); }

  FolderTree tree_;
  FileList files_;
  wchar_t drive_ = 0;
  std::wstring mask_ = L"*.*";
  Search search_ = Search::Idle;
  bool stopRequested_ = false;
  struct Level {
    std::wstring folder;  // with a trailing backslash
    win::FindHandle find;
    bool listed = false;
  };
  std::vector<Level> levels_;  // the folders being searched, outermost first
  std::wstring searchName_;
  static constexpr UINT_PTR kSearchTimer = 1;
  HWND lastFocus_ = nullptr;  // the tree or the file list
  std::wstring caption_, songPath_;
  std::optional<BrowsedFile> result_;
};

void TForm5::OnCreate() {
  tree_.Attach(Item(idDirs));
  files_.Attach(Item(idFiles));
  ::SendMessageW(Item(idImages), BM_SETCHECK, BST_CHECKED, 0);
  files_.ShowIcons(true);
  SetHint(idLocateList, L"Show a path to the song list file");
  SetHint(idLocateSong, kLocateSongHint);
  SetHint(idFilter, L"Specify whitch files should appear in the file list");
  FillDrives();
  wchar_t cwd[MAX_PATH] = L"";
  ::GetCurrentDirectoryW(MAX_PATH, cwd);
  wchar_t start = static_cast<wchar_t>(::towupper(cwd[0]));
  if (cwd[1] != L':' || !SelectDriveItem(start)) start = L'C';
  if (!SelectDriveItem(start)) {
    wchar_t first[8] = L"";
    ::SendMessageW(Item(idDrives), CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(first));
    start = first[0];
  }
  if (start) ShowDrive(start);
}

void TForm5::OnInit() {
  ::SetWindowTextW(Handle(), caption_.c_str());
  FillDrives();
  SelectDriveItem(drive_);
  ::KillTimer(Handle(), kSearchTimer);
  levels_.clear();
  search_ = Search::Idle;
  stopRequested_ = false;
  // Reused for another song: nothing chosen yet.
  ListView_SetItemState(Item(idFiles), -1, 0, LVIS_SELECTED);
  EnableOK(false);
  const std::wstring list = ResolveAppPath(ListFilePath());
  SetItemText(idList, list);
  ::ShowWindow(Item(idDots), TextWidth(Item(idList), list) > kListWidth ? SW_SHOW : SW_HIDE);
  ::SetWindowPos(Handle(), Settings.AlwaysTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm5::FillDrives() {
  HWND combo = Item(idDrives);
  ::SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  const DWORD drives = ::GetLogicalDrives();
  for (int i = 0; i < 26; ++i) {
    if (!(drives & (1u << i))) continue;
    const wchar_t item[] = {static_cast<wchar_t>(L'A' + i), L':', 0};
    ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  }
}

bool TForm5::SelectDriveItem(wchar_t letter) {
  const wchar_t item[] = {letter, L':', 0};
  LRESULT i = ::SendMessageW(Item(idDrives), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(item));
  if (i == CB_ERR) return false;
  ::SendMessageW(Item(idDrives), CB_SETCURSEL, static_cast<WPARAM>(i), 0);
  return true;
}

bool TForm5::ChangeDrive(wchar_t letter) {
  if (letter != drive_) {
    while (!DriveAccessible(letter)) {
      if (AskDriveRetry(std::wstring(1, letter)) == DriveAnswer::Cancel) {
        SelectDriveItem(drive_);
        return false;
      }
    }
  }
  // The drive already shown goes back to its root.
  ShowDrive(letter);
  return true;
}

void TForm5::ShowDrive(wchar_t letter) {
  tree_.ShowRoot(letter);
  drive_ = letter;
  SelectDriveItem(letter);
  ShowFiles(tree_.PathOf(tree_.Root()));
}

void TForm5::ShowFiles(const std::wstring& folder) {
  EnableOK(false);
  files_.Show(folder, mask_);
}

void TForm5::idDrivesChange() {
  HWND combo = Item(idDrives);
  LRESULT i = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (i == CB_ERR) return;
  wchar_t item[8] = L"";
  ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
  ChangeDrive(item[0]);
}

void TForm5::idDirsChange(HTREEITEM node, UINT action) {
  if (!node || (action != TVC_BYMOUSE && action != TVC_BYKEYBOARD)) return;  // the program's own selections
  const std::wstring folder = tree_.PathOf(node);
  if (text::Same(folder, files_.Folder())) return;
  // A click opens or closes the folder; the keyboard has keys of its own for that.
  if (action == TVC_BYMOUSE) {
    if (tree_.IsExpanded(node))
      tree_.Collapse(node);
    else
      tree_.Expand(node);
  }
  ShowFiles(folder);
}

void TForm5::LocatePath(const std::wstring& path) {
  if (IsNetworkPath(path)) {
    WarnNetworkPath(path);
    return;
  }
  bool complete = false;
  const wchar_t letter = path.size() >= 2 && path[1] == L':' ? static_cast<wchar_t>(::towupper(path[0])) : 0;
  if (!letter || !SelectDriveItem(letter) || !ChangeDrive(letter)) {
    SelectDriveItem(drive_);
    ErrPathNotFound(path.substr(0, 3));
  } else {
    HTREEITEM node = tree_.Root();
    complete = true;
    size_t start = path.size() > 2 && path[2] == L'\\' ? 3 : 2;
    for (size_t end; (end = path.find(L'\\', start)) != std::wstring::npos; start = end + 1) {
      if (end == start) continue;
      tree_.Expand(node);
      HTREEITEM child = tree_.ChildNamed(node, std::wstring_view(path).substr(start, end - start));
      if (!child) {
        ErrPathNotFound(path.substr(0, end));
        complete = false;
        break;
      }
      node = child;
    }
    tree_.Select(node);
  }
  ShowFiles(tree_.PathOf(tree_.Current()));
  if (complete) {
    const std::wstring file = ExtractFileName(path);
    if (!file.empty() && files_.Select(file)) EnableOK(true);
  }
  ::SetFocus(Item(idHidden));
}

void TForm5::SearchTreeStep() {
  const ULONGLONG sliceEnd = ::GetTickCount64() + 30;
  while (!stopRequested_ && !levels_.empty() && ::GetTickCount64() < sliceEnd) {
    Level& level = levels_.back();
    WIN32_FIND_DATAW fd;
    bool more;
    if (!level.listed) {
      level.listed = true;
      level.find.reset(::FindFirstFileW((level.folder + L"*").c_str(), &fd));
      more = static_cast<bool>(level.find);
    } else {
      more = ::FindNextFileW(level.find.get(), &fd) != FALSE;
    }
    if (!more) {
      levels_.pop_back();
      continue;
    }
    const std::wstring entry = fd.cFileName;
    if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      if (entry == L"." || entry == L".." || (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) continue;
      std::wstring sub = level.folder + entry + L"\\";
      levels_.push_back(Level{std::move(sub), {}, false});
    } else if (text::Same(entry, searchName_)) {
      const std::wstring found = level.folder + entry;
      // No slice runs while the question is up.
      ::KillTimer(Handle(), kSearchTimer);
      if (!AskContinueSearch(found)) return EndSearch(found);
      if (stopRequested_ || search_ == Search::Idle) break;
      // What was clicked meanwhile is seen before the search goes on.
      ::SetTimer(Handle(), kSearchTimer, USER_TIMER_MINIMUM, nullptr);
      return;
    }
  }
  if (stopRequested_ || levels_.empty()) EndSearch({});
}

void TForm5::EndSearch(const std::wstring& found) {
  if (search_ == Search::Idle) return;
  ::KillTimer(Handle(), kSearchTimer);
  levels_.clear();
  search_ = Search::Idle;
  SetItemText(idLocateSong, kLocateSong);
  SetHint(idLocateSong, kLocateSongHint);
  ::SetCursor(::LoadCursorW(nullptr, IDC_ARROW));
  if (!found.empty())
    LocatePath(found);
  else if (!stopRequested_)
    ErrNotFoundInTree(searchName_);
}

void TForm5::idLocateSongClick() {
  if (search_ == Search::Running) {
    stopRequested_ = true;
    search_ = Search::Stopping;  // seen by the next slice
    return;
  }
  if (search_ == Search::Stopping) return;
  search_ = Search::Running;
  stopRequested_ = false;
  SetItemText(idLocateSong, L"&Stop");
  SetHint(idLocateSong, L"Stop the search");
  ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  searchName_ = ExtractFileName(songPath_);
  levels_.clear();
  levels_.push_back(Level{IncludeTrailingBackslash(tree_.PathOf(tree_.Current())), {}, false});
  ::SetTimer(Handle(), kSearchTimer, USER_TIMER_MINIMUM, nullptr);
}

void TForm5::idFilterClick() {
  FilterRequest r;
  r.caption = L"Filter files";
  r.prompt =
      L"Specify a filter mask for filenames. In format [*mp3; *au]. More than one extension can be seperated with "
      L"semicolon:";
  r.promptPoints = 8;
  r.text = mask_;
  r.defaultText = L"*.*";
  r.owner = Handle();
  auto chosen = ShowFilterDialog(r);
  if (!chosen) return;
  mask_ = *chosen;
  ShowFiles(files_.Folder());
}

void TForm5::OnOK() {
  const std::wstring name = files_.Selected();
  if (name.empty()) return;
  // The folder is the tree's, whose names were read from the disk.
  const std::wstring folder = IncludeTrailingBackslash(files_.Folder());
  const std::wstring full = folder + name;

  const bool top = Settings.AlwaysTop;
  auto setTopmost = [this](bool on) {
    ::SetWindowPos(Handle(), on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  };
  if (top) setTopmost(false);
  ScopeExit again([&] {
    if (top) setTopmost(true);
    if (::IsWindowVisible(Handle()) && lastFocus_) ::SetFocus(lastFocus_);
  });
  if (ListFileContains(full, ListFilePath())) {
    ShowBox(BoxKind::Information, BoxButtons::Ok,
            L"The selected song already exists in the current list file. It is not advisable to have two dublicates "
            L"in one list!");
    return;
  }
  const std::wstring question = L"Do you accept to replace the song \r\r\t" + text::LowerAscii(songPath_) + L"\r\r" +
                                L"with this one?" + L"\r\r" + L"\t" + text::LowerAscii(full);
  if (ShowBox(BoxKind::Confirmation, BoxButtons::YesNo, question) != IDYES) return;
  stopRequested_ = true;
  result_ = BrowsedFile{folder, name};
  EndModal(IDOK);
}

void TForm5::OnCancel() {
  stopRequested_ = true;
  if (!result_) EndModal(IDCANCEL);
}

void TForm5::OnCommand(int id, int code) {
  switch (id) {
    case idDrives: if (code == CBN_SELCHANGE) idDrivesChange(); return;
    case idImages: if (code == BN_CLICKED) idImagesClick(); return;
    case idLocateList: if (code == BN_CLICKED) idLocateListClick(); return;
    case idLocateSong: if (code == BN_CLICKED) idLocateSongClick(); return;
    case idFilter: if (code == BN_CLICKED) idFilterClick(); return;
  }
}

LRESULT TForm5::OnNotify(const NMHDR& n) {
  if (n.idFrom == idDirs) {
    const auto& tv = reinterpret_cast<const NMTREEVIEWW&>(n);
    switch (n.code) {
      case TVN_ITEMEXPANDINGW:
      case TVN_ITEMEXPANDINGA:
        if (tv.action & TVE_EXPAND) tree_.LoadChildren(tv.itemNew.hItem);
        return FALSE;
      case TVN_SELCHANGEDW:
      case TVN_SELCHANGEDA:
        idDirsChange(tv.itemNew.hItem, tv.action);
        return 0;
      case NM_SETFOCUS: lastFocus_ = n.hwndFrom; return 0;
    }
  } else if (n.idFrom == idFiles) {
    if (n.code == LVN_ITEMCHANGED) {
      const auto& lv = reinterpret_cast<const NMLISTVIEW&>(n);
      if ((lv.uChanged & LVIF_STATE) && (lv.uNewState & LVIS_SELECTED)) EnableOK(true);
    } else if (n.code == NM_SETFOCUS) {
      lastFocus_ = n.hwndFrom;
    }
  }
  return 0;
}

LRESULT TForm5::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lp));
    case WM_TIMER:
      if (wp == kSearchTimer) SearchTreeStep();
      return 0;
    case WM_CTLCOLORSTATIC: {
      HWND c = reinterpret_cast<HWND>(lp);
      if (c != Item(idList) && c != Item(idDots)) break;
      HDC dc = reinterpret_cast<HDC>(wp);
      ::SetTextColor(dc, kMaroon);
      ::SetBkColor(dc, ::GetSysColor(COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_SETCURSOR:
      // The wait cursor while searching, except where the search is stopped.
      if (search_ != Search::Idle && reinterpret_cast<HWND>(wp) != Item(idLocateSong) &&
          reinterpret_cast<HWND>(wp) != Item(idCancel)) {
        ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

// Made on first use and kept for the rest of the run.
TForm5& Form5() {
  static TForm5 form;
  return form;
}

}  // namespace

BrowseFilePresenter SetBrowseFilePresenter(BrowseFilePresenter presenter) {
  return std::exchange(Presenter(), std::move(presenter));
}

std::optional<BrowsedFile> BrowseForFile(HWND owner, std::wstring_view caption, std::wstring_view songPath) {
  if (Presenter()) return Presenter()(owner, caption, songPath);
  return Form5().Execute(owner, caption, songPath);
}

}  // namespace kestrel
