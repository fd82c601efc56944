#include "app/RecordingList.h"

#include <utility>

#include "app/resource.h"
#include "base/ScopeExit.h"
#include "core/SettingsRecord.h"
#include "core/globals.h"
#include "player/TPlayer.h"

namespace app {
namespace {

int ComboIndex(HWND combo) { return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

std::wstring ComboText(HWND combo, int index) {
  int n = static_cast<int>(::SendMessageW(combo, CB_GETLBTEXTLEN, index, 0));
  if (n < 0) return {};
  std::wstring s(static_cast<size_t>(n) + 1, L'\0');
  ::SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(s.data()));
  s.resize(n);
  return s;
}

}  // namespace

std::wstring TRecordingList::ArtistText(int index) const { return ComboText(strip_.Control(cmbArtists), index); }

bool TRecordingList::FillAtStart(const std::function<void()>& whenEmpty) {
  // Opening the selected recording waits until the window is shown (loading
  // it before costs a third of a second of the start).
  const bool outer = std::exchange(selectingWithoutPlaying_, true);
  ScopeExit selected([this, outer] { selectingWithoutPlaying_ = outer; });
  kestrel::FillArtists(kestrel::CurrentList, kestrel::CurrentList.Grouped);
  if (ArtistItemCount() == 0) {
    whenEmpty();
    return false;
  }
  SelectArtistItem(0);
  ::SetWindowTextW(strip_.Window(), ArtistText(0).c_str());
  return true;
}

void TRecordingList::OpenSelectionAfterShow() {
  if (kestrel::Settings.PlaySelected && SelectedSongItem() >= 0) cmbSongsChange();
}

void TRecordingList::ClearArtists() { ::SendMessageW(strip_.Control(cmbArtists), CB_RESETCONTENT, 0, 0); }
void TRecordingList::ClearSongs() { ::SendMessageW(strip_.Control(cmbSongs), CB_RESETCONTENT, 0, 0); }

void TRecordingList::AddArtistItem(const std::wstring& name) {
  ::SendMessageW(strip_.Control(cmbArtists), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

int TRecordingList::ArtistItemCount() {
  return static_cast<int>(::SendMessageW(strip_.Control(cmbArtists), CB_GETCOUNT, 0, 0));
}

void TRecordingList::SelectArtistItem(int index) {
  ::SendMessageW(strip_.Control(cmbArtists), CB_SETCURSEL, index, 0);
  cmbArtistsChange();
}

void TRecordingList::SelectArtistItemWithoutPlaying(int index) {
  const bool outer = std::exchange(selectingWithoutPlaying_, true);
  ScopeExit done([this, outer] { selectingWithoutPlaying_ = outer; });
  SelectArtistItem(index);
}

void TRecordingList::SelectSongItem(int index) {
  ::SendMessageW(strip_.Control(cmbSongs), CB_SETCURSEL, index, 0);
  kestrel::CurrentSong = index;
  lastSong_ = index;
}

int TRecordingList::SelectedSongItem() { return ComboIndex(strip_.Control(cmbSongs)); }

void TRecordingList::ShowGrouped(bool grouped) {
  SetFlatButtonGlyph(strip_.Control(idGroup), strip_.Glyph(grouped ? IDB_GROUPED : IDB_UNGROUPED));
  strip_.SetHint(idGroup, grouped ? L"Ungroup Songs From Their Artist (F7)" : L"Group Songs To Their Artist (F7)");
}

void TRecordingList::SetListButtonsEnabled(bool enabled) {
  for (int id : {idGroup, idSort, idRandom, idFind}) ::EnableWindow(strip_.Control(id), enabled);
}

void TRecordingList::SetNextPrevEnabled(bool next, bool prev) {
  ::EnableWindow(strip_.Control(idNext), next);
  ::EnableWindow(strip_.Control(idPrev), prev);
}

// Posted: the click runs once the dialog that asks for it has closed, and
// what it fails with is shown as the window's own.
void TRecordingList::PressPlay() {
  ::PostMessageW(strip_.Window(), WM_COMMAND, MAKEWPARAM(idPlay, BN_CLICKED),
                 reinterpret_cast<LPARAM>(strip_.Control(idPlay)));
}

void TRecordingList::cmbArtistsChange() {
  HWND artists = strip_.Control(cmbArtists);
  const int i = ComboIndex(artists);
  lastArtist_ = i;
  kestrel::CurrentArtist = i;
  strip_.SetHint(artists, i >= 0 ? ComboText(artists, i) : std::wstring());
  ClearSongs();
  const auto& t = kestrel::CurrentList;
  if (i >= 0 && i < t.Count) {
    // A folder of hundreds of recordings: added to the drop-down's list box
    // itself with its drawing off (through the combo box each item cost
    // about a millisecond here, half a second before the window showed).
    HWND songs = strip_.Control(cmbSongs);
    COMBOBOXINFO info{sizeof(info)};
    HWND list = ::GetComboBoxInfo(songs, &info) ? info.hwndList : nullptr;
    const UINT add = list ? LB_ADDSTRING : CB_ADDSTRING;
    if (!list) list = songs;
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(songs, CB_INITSTORAGE, t.Artists[i].Songs.size(), t.Artists[i].Songs.size() * 64);
    for (const auto& s : t.Artists[i].Songs) ::SendMessageW(list, add, 0, reinterpret_cast<LPARAM>(s.Title.c_str()));
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(songs, nullptr, TRUE);
    if (t.Artists[i].Count > 0) ::SendMessageW(songs, CB_SETCURSEL, 0, 0);
  }
  cmbSongsChange();
}

// A choice of another recording while the delayed start waits: the chosen
// one loads at once.
void TRecordingList::cmbArtistsClick() {
  keySink_.RefocusKeySink();
  if (ComboIndex(strip_.Control(cmbArtists)) != lastArtist_) delayed_.ChosenAnother();
}

void TRecordingList::cmbSongsClick() {
  keySink_.RefocusKeySink();
  if (ComboIndex(strip_.Control(cmbSongs)) != lastSong_) delayed_.ChosenAnother();
}

void TRecordingList::cmbSongsChange() {
  HWND songs = strip_.Control(cmbSongs);
  const int k = ComboIndex(songs);
  lastSong_ = k;
  kestrel::CurrentSong = k;
  strip_.SetHint(songs, k >= 0 ? ComboText(songs, k) : std::wstring());
  kestrel::UpdateNextPrevButtons();
  transport_.RememberPosition();  // of the recording that was playing until now
  if (kestrel::Settings.PlaySelected && !selectingWithoutPlaying_ && k >= 0) {
    if (delayed_.Defer()) return;  // its timer loads the recording chosen by then
    LoadSelection();
  }
  strip_.Post(ctSelectionSettled);
}

void TRecordingList::LoadSelection() {
  delayed_.Done();
  // The recording before has remembered its place already.
  if (strip_.Player().State() != PlayerState::Stopped) transport_.StopAndRewind(false);
  readouts_.ShowZero();
  transport_.idPlayClick();
  transport_.StopAndRewind(false);
}

void TRecordingList::DelayTimerTimer() {
  if (!delayed_.Due()) return;
  LoadSelection();
  strip_.Post(ctSelectionSettled);
}

void TRecordingList::NextRecording(bool now) {
  delayed_.StartFromNext(now);
  ::SendMessageW(strip_.Control(cmbArtists), CB_SHOWDROPDOWN, FALSE, 0);
  ::SendMessageW(strip_.Control(cmbSongs), CB_SHOWDROPDOWN, FALSE, 0);
  HWND songs = strip_.Control(cmbSongs);
  const int k = ComboIndex(songs);
  const int count = static_cast<int>(::SendMessageW(songs, CB_GETCOUNT, 0, 0));
  if (k >= 0 && k < count - 1) {
    ::SendMessageW(songs, CB_SETCURSEL, k + 1, 0);
    cmbSongsChange();
    return;
  }
  const auto& t = kestrel::CurrentList;
  for (int a = kestrel::CurrentArtist + 1; a < t.Count; ++a) {
    if (t.Artists[a].Count == 0) continue;
    ::SendMessageW(strip_.Control(cmbArtists), CB_SETCURSEL, a, 0);
    cmbArtistsChange();
    return;
  }
}

void TRecordingList::NextAfterMissing(bool now) {
  if (::IsWindowEnabled(strip_.Control(idNext)))
    NextRecording(now);
  else
    transport_.AutomaticStop();
  if (now && strip_.Player().State() == PlayerState::Stopped) delayed_.MarkDelayPending(false);
}

void TRecordingList::idChangeListClick() {
  const bool wasEmpty = kestrel::CurrentList.Count == 0;
  kestrel::ReloadList(kestrel::CurrentList, kestrel::CurrentList.Grouped, kestrel::CurrentList.Sorted, false,
                      !wasEmpty, kestrel::Settings.RandomTimes);
  if (wasEmpty && kestrel::CurrentList.Count > 0) kestrel::SelectFirstArtist();
}

void TRecordingList::SetCaptionFromFolders() {
  std::wstring caption;
  for (int i = 0; i < ArtistItemCount(); ++i) caption += (i > 0 ? L", " : L"") + ArtistText(i);
  ::SetWindowTextW(strip_.Window(), caption.c_str());
}

}  // namespace app
