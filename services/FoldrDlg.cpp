#include "services/FoldrDlg.h"

#include <commctrl.h>

#include "base/Text.h"
#include "services/ShellItems.h"
#include "base/LateLoad.h"
#include "base/ModalScope.h"

namespace services {

namespace {

constexpr UINT_PTR kSubclassId = 1;
// The shell dialog's status line.
constexpr int kStatusControlId = 0x3743;
// What a selection change asks the shell about the new item.
constexpr ULONG kSelectionAttributes = 0x800F0177;

UINT FocusTreeMessage() {
  static const UINT msg = ::RegisterWindowMessageW(L"TFolderDialog.FocusTree");
  return msg;
}

}  // namespace

// Lives on Execute's stack while the shell dialog runs; the component
// detaches itself from it when destroyed from inside one of its own events.
struct TFolderDialog::Session {
  TFolderDialog* dialog;
};

TFolderDialog::TFolderDialog(HWND owner) : owner_(owner) {}

TFolderDialog::~TFolderDialog() {
  *alive_ = false;
  if (session_) session_->dialog = nullptr;
  if (!dialog_) return;
  HWND dialog = std::exchange(dialog_, nullptr);
  ::RemoveWindowSubclass(dialog, &TFolderDialog::DialogProc, kSubclassId);
  buttonCopy_.Destroy();
  ::SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

bool TFolderDialog::Execute() {
  if (session_ || win::ModalScope::Ending()) return false;  // already showing, or the program closes
  win::ComScope com;
  Session session{this};
  session_ = &session;
  // Made again for every dialog: the shell compares item lists byte by byte,
  // and a folder's item list changes with the folder's times.
  MakeRoot();

  wchar_t name[MAX_PATH] = L"";
  BROWSEINFOW info{};
  info.hwndOwner = owner_ && ::IsWindow(owner_) ? owner_ : nullptr;
  info.pidlRoot = root_.get();
  info.pszDisplayName = name;
  info.lpszTitle = text_.empty() ? nullptr : text_.c_str();
  info.ulFlags = BrowseFlagsOf(options_);
  info.lpfn = &TFolderDialog::BrowseCallback;
  info.lParam = reinterpret_cast<LPARAM>(&session);

  // A copy: the owner may replace or free the component while it runs.
  const BrowseFunction browse = browse_;
  win::ItemIdList chosen;
  {
    win::ModalScope modal;
    chosen.reset(browse ? browse(info) : late::SHBrowseForFolderW(&info));
  }
  if (!session.dialog) return false;  // the component went while the dialog ran
  session_ = nullptr;
  selection_.reset();
  if (!chosen) {
    // The folder the owner had stays: a cancelled browse changes nothing.
    attributes_ = 0;
    return false;
  }
  result_ = std::move(chosen);
  imageIndex_ = info.iImage;
  name[MAX_PATH - 1] = L'\0';
  displayName_ = name;
  directory_ = PathOfItems(result_.get());
  return true;
}

void TFolderDialog::SetTop(short value) {
  top_ = value;
  if (dialog_) PlaceDialog();
}

void TFolderDialog::SetLeft(short value) {
  left_ = value;
  if (dialog_) PlaceDialog();
}

void TFolderDialog::SetTitle(const std::wstring& value) {
  title_ = value;
  if (dialog_) ::SetWindowTextW(dialog_, title_.c_str());
}

void TFolderDialog::SetDirectory(const std::wstring& value) {
  directory_ = value;
  if (dialog_) SelectPath(directory_);
}

void TFolderDialog::SetOptions(TFolderDialogOptions value) {
  const OptionChange change = ApplyOptionRules(options_, value);
  options_ = change.options;
  if (change.networkRoot) SetRootFolder(TShellFolder::sfoNetwork);
}

void TFolderDialog::SetRootFolder(TShellFolder value) {
  rootFolder_ = value;
  MakeRoot();
  selection_.reset();
  result_.reset();
}

void TFolderDialog::MakeRoot() {
  const int csidl = ShellFolderCsidl(rootFolder_);
  root_ = csidl < 0 ? win::ItemIdList() : SpecialFolderItems(csidl);
  // A root with a path is taken in the form the desktop parses paths into,
  // the form of every selection made by path: Wine's dialog cannot find a
  // parsed path below the other form of the same folder. The desktop keeps
  // its own form: its path is only that of the desktop folder.
  const std::wstring rootPath = csidl == CSIDL_DESKTOP ? std::wstring() : PathOfItems(root_.get());
  if (!rootPath.empty())
    if (win::ItemIdList parsed = FileSystemItems(rootPath)) root_ = ListedItems(parsed.get());
}

int CALLBACK TFolderDialog::BrowseCallback(HWND hwnd, UINT msg, LPARAM lp, LPARAM data) {
  auto* session = reinterpret_cast<Session*>(data);
  if (!session || !session->dialog) return 0;
  try {
    if (msg == BFFM_INITIALIZED)
      session->dialog->DialogStarted(hwnd);
    else if (msg == BFFM_SELCHANGED)
      session->dialog->SelectionChanged(hwnd, reinterpret_cast<PCIDLIST_ABSOLUTE>(lp));
  } catch (...) {
    // Nothing may unwind through the shell's dialog.
  }
  return 0;
}

LRESULT CALLBACK TFolderDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, &TFolderDialog::DialogProc, kSubclassId);
  auto* self = reinterpret_cast<TFolderDialog*>(data);
  bool handled = false;
  LRESULT result = 0;
  try {
    if (self) result = self->HandleDialogMessage(hwnd, msg, wp, lp, handled);
  } catch (...) {
    handled = false;
  }
  return handled ? result : ::DefSubclassProc(hwnd, msg, wp, lp);
}

LRESULT TFolderDialog::HandleDialogMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
  if (hwnd != dialog_) return 0;
  switch (msg) {
    case WM_COMMAND:
      if (LOWORD(wp) == TCustomButtonCopy::kId && buttonCopy_.get() &&
          reinterpret_cast<HWND>(lp) == buttonCopy_.get()) {
        buttonCopy_.ForwardCommand(HIWORD(wp));
        handled = true;
      } else if (LOWORD(wp) == IDOK) {
        buttonCopy_.HandOverCheck();
      }
      break;
    case WM_SHOWWINDOW:
      // The dialog manager sets its own focus after showing; ours comes after.
      if (wp && !focusedTree_) {
        focusedTree_ = true;
        ::PostMessageW(hwnd, FocusTreeMessage(), 0, 0);
      }
      break;
    case WM_DESTROY:
      DialogDestroyed();
      break;
    default:
      if (msg == FocusTreeMessage()) {
        if (HWND tree = ::FindWindowExW(hwnd, nullptr, WC_TREEVIEWW, nullptr))
          ::SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tree), TRUE);
        handled = true;
      }
      break;
  }
  return 0;
}

void TFolderDialog::DialogStarted(HWND dialog) {
  dialog_ = dialog;
  focusedTree_ = false;
  lastStatus_.clear();
  ::SetWindowSubclass(dialog, &TFolderDialog::DialogProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
  RECT client{};
  ::GetClientRect(dialog, &client);
  clientSize_ = {client.right, client.bottom};
  ok_ = ::GetDlgItem(dialog, IDOK);

  PlaceDialog();
  if (!directory_.empty() && !text::Same(directory_, PathOfItems(result_.get())))
    SelectPath(directory_);
  else if (result_)
    ::SendMessageW(dialog, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(result_.get()));
  result_.reset();

  if (customButton_) buttonCopy_.Create(dialog, customButton_, options_, !ok_ || ::IsWindowEnabled(ok_));
  ::SetWindowTextW(dialog, title_.c_str());
  Raise(OnShow);
}

void TFolderDialog::SelectionChanged(HWND dialog, PCIDLIST_ABSOLUTE items) {
  selection_ = CloneItems(items);
  attributes_ = AttributesOfItems(items, kSelectionAttributes);
  const std::wstring path = PathOfItems(items);
  if (dialog != dialog_) return;

  if (options_ & bfFileSysDirsOnly) {
    ::SendMessageW(dialog, BFFM_ENABLEOK, 0, path.empty() ? FALSE : TRUE);
    if (options_ & bfSyncCustomButton) buttonCopy_.Enable(!path.empty());
  }
  if (!path.empty()) {
    if (options_ & bfShowPathInStatusArea) SetStatusText(FitStatusPath(path));
    Raise(OnChange);
  } else if (options_ & (bfFileSysDirsOnly | bfShowPathInStatusArea)) {
    SetStatusText(L"");
  }
}

bool TFolderDialog::Raise(const Event& event) {
  if (!event) return true;
  // Copies of both: the owner may free the component from its handler.
  const Event handler = event;
  const std::shared_ptr<bool> alive = alive_;
  handler(*this);
  return *alive;
}

void TFolderDialog::DialogDestroyed() {
  if (!Raise(OnClose)) return;
  buttonCopy_.Destroy();
  dialog_ = nullptr;
  ok_ = nullptr;
}

void TFolderDialog::PlaceDialog() {
  RECT window{};
  ::GetWindowRect(dialog_, &window);
  PlacementInput in;
  in.options = options_;
  in.hasOwner = owner_ && ::IsWindow(owner_);
  if (in.hasOwner) {
    ::GetWindowRect(owner_, &in.ownerWindow);
    ::ClientToScreen(owner_, &in.ownerClientOrigin);
  }
  in.screen = {::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  in.dialog = {window.right - window.left, window.bottom - window.top};
  in.left = left_;
  in.top = top_;
  const POINT p = DialogPosition(in);
  ::SetWindowPos(dialog_, nullptr, p.x, p.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TFolderDialog::SelectPath(const std::wstring& path) {
  win::ItemIdList parsed = FileSystemItems(SelectableFolderPath(path));
  if (!parsed) return;  // the selection stays as it is
  win::ItemIdList items = ListedItems(parsed.get());
  if (dialog_)
    ::SendMessageW(dialog_, BFFM_SETSELECTIONW, FALSE, reinterpret_cast<LPARAM>(items.get()));
  else
    selection_ = std::move(items);
}

void TFolderDialog::SetStatusText(const std::wstring& text) {
  if (!dialog_ || text == lastStatus_) return;
  lastStatus_ = text;
  ::SendMessageW(dialog_, BFFM_SETSTATUSTEXTW, 0, reinterpret_cast<LPARAM>(lastStatus_.c_str()));
}

std::wstring TFolderDialog::FitStatusPath(const std::wstring& path) const {
  HWND status = ::GetDlgItem(dialog_, kStatusControlId);
  int width = 0;
  HFONT font = nullptr;
  if (status) {
    RECT r{};
    ::GetClientRect(status, &r);
    width = r.right;
    font = reinterpret_cast<HFONT>(::SendMessageW(status, WM_GETFONT, 0, 0));
  } else {
    // A dialog of another layout: the line spans the client area less the
    // standard margins of 7 dialog units.
    RECT margin{0, 0, 7, 7};
    ::MapDialogRect(dialog_, &margin);
    width = clientSize_.cx - 2 * margin.right;
  }
  if (!font) font = reinterpret_cast<HFONT>(::SendMessageW(dialog_, WM_GETFONT, 0, 0));
  return ShortenPath(font, path, width, (options_ & bfShowPathInStatusArea) != 0);
}

}  // namespace services
