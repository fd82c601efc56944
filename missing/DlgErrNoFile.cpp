#include "missing/DlgErrNoFile.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <utility>

#include "base/Dialog.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "core/SettingsRecord.h"
#include "core/globals.h"
#include "missing/DlgBrowseFile.h"
#include "lists/KestrelFiles.h"
#include "lists/KestrelLists.h"
#include "lists/ListEdit.h"

namespace kestrel {
namespace {

using namespace form4;

MissingFilePresenter& Presenter() {
  static MissingFilePresenter p;
  return p;
}

constexpr int kMargin = 11;
constexpr int kMaxWidth = 571;
constexpr int kButtonWidth = 75, kButtonHeight = 25, kButtonGap = 5;
constexpr int kLabelLeft = 54, kLabelTop = 28;

const win::DialogItem kItems[] = {
    {Image1, L"STATIC", L"", SS_ICON, kMargin, kMargin, 32, 32},
    {Label1, L"STATIC", L"Could not find the file,", SS_LEFT | SS_NOPREFIX, kLabelLeft, kMargin, 200, 14},
    {idFile, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX, kLabelLeft, kLabelTop, 200, 14},
    {idOK, L"BUTTON", L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 60, kButtonWidth, kButtonHeight},
    {idBrowse, L"BUTTON", L"&Browse", BS_PUSHBUTTON | WS_TABSTOP, 0, 60, kButtonWidth, kButtonHeight},
    {idRemove, L"BUTTON", L"&Remove", BS_PUSHBUTTON | WS_TABSTOP, 0, 60, kButtonWidth, kButtonHeight},
};

// OK is also the cancel button: Esc and the close box end the dialog as OK does.
const win::DialogTemplate kForm4{L"Error", 300, 97, {L"MS Sans Serif", 8}, kItems, IDOK, IDOK,
                                 win::Placement::CentreScreen, WS_POPUP | WS_CAPTION | WS_SYSMENU,
                                 WS_EX_DLGMODALFRAME, L"VocorderTForm4"};

// The size of a text in a control's font; wrapped within `width` when given.
SIZE TextSize(HWND control, const std::wstring& s, int width = 0) {
  HDC dc = ::GetDC(control);
  HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)));
  RECT r{0, 0, width, 0};
  UINT flags = DT_CALCRECT | DT_NOPREFIX | DT_EXPANDTABS | (width ? DT_WORDBREAK : DT_SINGLELINE);
  ::DrawTextW(dc, s.c_str(), static_cast<int>(s.size()), &r, flags);
  ::SelectObject(dc, old);
  ::ReleaseDC(control, dc);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

class TForm4 : public win::TDialog {
public:
  TForm4() : TDialog(kForm4) {}

  void Show(HWND owner, std::wstring_view fullPath) {
    fullPath_ = fullPath;
    // The recording shown is the one Browse and Remove act on, whatever
    // happens to the list while the dialog and its questions are up.
    shown_.reset();
    if (const song* s = CurrentSongRecord()) shown_ = Shown{s->Path, s->Title, CurrentList.Artists[CurrentArtist].Name};
    ShowModal(owner);
    // Unwrapped until the next showing lays it out again.
    SetWrapped(false);
  }

private:
  void OnCreate() override {
    // A system icon is shared: nothing to free.
    ::SendMessageW(Item(Image1), STM_SETICON, reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_HAND)), 0);
    SetHint(idBrowse, L"Browse and replace the missing file");
    SetHint(idRemove, L"Remove the missing file from the list file");
  }
  void OnInit() override;
  void OnCommand(int id, int code) override {
    if (code != BN_CLICKED) return;
    if (id == idBrowse) idBrowseClick();
    if (id == idRemove) idRemoveClick();
  }

  void idBrowseClick();
  void idRemoveClick();
  void SetWrapped(bool on);
  void Move(int id, int x, int y, int w, int h) {
    ::SetWindowPos(Item(id), nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // The selected song, or null.
  const song* CurrentSongRecord() const;

  struct Shown {
    std::wstring path, title, artist;  // the song's line, title and folder
  };
  std::wstring fullPath_;
  std::optional<Shown> shown_;
};

void TForm4::SetWrapped(bool on) {
  HWND label = Item(idFile);
  LONG_PTR style = ::GetWindowLongPtrW(label, GWL_STYLE) & ~LONG_PTR{SS_TYPEMASK};
  ::SetWindowLongPtrW(label, GWL_STYLE, style | (on ? SS_LEFT : SS_LEFTNOWORDWRAP));
}

void TForm4::OnInit() {
  SetItemText(idFile, fullPath_);
  SIZE text = TextSize(Item(idFile), fullPath_);
  int labelWidth = text.cx, labelHeight = text.cy;
  const int buttons = 3 * kButtonWidth + 2 * kButtonGap;
  int width = std::max(kLabelLeft + labelWidth + kMargin, 3 * kButtonWidth + 2 * kMargin + 10);
  const bool wrap = width > kMaxWidth;
  if (wrap) {
    labelWidth = kMaxWidth - kLabelLeft - kMargin;
    labelHeight = TextSize(Item(idFile), fullPath_, labelWidth).cy;
    width = kLabelLeft + labelWidth + kMargin;
  }
  SetWrapped(wrap);
  Move(idFile, kLabelLeft, kLabelTop, labelWidth, labelHeight);

  const int top = std::max(60, kLabelTop + labelHeight + 16);
  int x = (width - buttons) / 2;
  for (int id : {static_cast<int>(idOK), static_cast<int>(idBrowse), static_cast<int>(idRemove)}) {
    Move(id, x, top, kButtonWidth, kButtonHeight);
    x += kButtonWidth + kButtonGap;
  }
  RECT r{0, 0, width, top + kButtonHeight + 12};
  ::AdjustWindowRectEx(&r, Template().style, FALSE, Template().exStyle | WS_EX_CONTROLPARENT);
  ::SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

  // A list file on read-only media is never edited.
  const bool editable = ListIndex >= 0 && ListIndex < static_cast<int>(Lists.size()) &&
                        CanChangeAttributes(Lists[ListIndex].Path);
  ::EnableWindow(Item(idBrowse), editable);
  ::EnableWindow(Item(idRemove), editable);
}

const song* TForm4::CurrentSongRecord() const {
  const ArtistTable& t = CurrentList;
  if (CurrentArtist < 0 || CurrentArtist >= t.Count) return nullptr;
  const artist& a = t.Artists[CurrentArtist];
  if (CurrentSong < 0 || CurrentSong >= a.Count) return nullptr;
  return &a.Songs[CurrentSong];
}

void TForm4::idBrowseClick() {
  if (!shown_) return;
  const std::wstring songPath = shown_->path;
  auto chosen = BrowseForFile(Handle(), L"Browse file '" + ExtractFileName(songPath) + L"'", songPath);
  if (!chosen) return;
  if (!ReplaceSongInListFile(songPath, chosen->folder + chosen->fileName)) return;
  ReloadAfterListChange(ArtistNameFromPath(chosen->folder), TitleFromPath(chosen->fileName));
  if (Settings.PlaySelected) ClickPlay();
  EndModal(IDOK);
}

void TForm4::idRemoveClick() {
  if (!shown_ || !AskRemoveSong(shown_->path)) return;
  const Shown song = *shown_;
  if (!ReplaceSongInListFile(song.path, L"")) return;
  ReloadAfterListChange(song.artist, song.title);
  EndModal(IDOK);
}

// Made on first use and kept for the rest of the run.
TForm4& Form4() {
  static TForm4 form;
  return form;
}

}  // namespace

MissingFilePresenter SetMissingFilePresenter(MissingFilePresenter presenter) {
  return std::exchange(Presenter(), std::move(presenter));
}

void ShowMissingFile(std::wstring_view fullPath, HWND owner) {
  if (Presenter()) return Presenter()(fullPath, owner);
  Form4().Show(owner ? owner : ::GetActiveWindow(), fullPath);
}

}  // namespace kestrel
