// The recordings of the current folder: the combo boxes as the list model's
// view, choosing a recording (with the delayed start), the next recording,
// reloading, choosing the folder and copying a file into it.
#include <windows.h>
#include <commdlg.h>

#include "app/About.h"
#include "app/MainWindow.h"
#include "app/resource.h"
#include "base/LateLoad.h"
#include "base/ModalScope.h"
#include "recorder/RecMpeg.h"
#include "base/Files.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "lists/ListFile.h"
#include "settings/KestrelSettings.h"

namespace app {
namespace {

constexpr const wchar_t* kNoMp3s = L"Zložka neobsahuje súbory formátu MP3 !!!";

OpenFileDialog& FileDialog() {
  static OpenFileDialog dialog;
  return dialog;
}

std::optional<std::wstring> ShowOpenFileDialog(HWND owner, const std::wstring& initialDir) {
  if (win::ModalScope::Ending()) return std::nullopt;
  win::ModalScope modal;
  if (FileDialog()) return FileDialog()(owner, initialDir);
  wchar_t file[MAX_PATH * 4] = L"";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = L"Súbory MP3\0*.mp3\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH * 4;
  ofn.lpstrInitialDir = initialDir.c_str();
  ofn.lpstrTitle = L"Vložiť súbor MP3";
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!late::GetOpenFileNameW(&ofn)) return std::nullopt;
  return std::wstring(file);
}

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

OpenFileDialog SetOpenFileDialog(OpenFileDialog dialog) { return std::exchange(FileDialog(), std::move(dialog)); }

void TfrmVocorder::ClearArtists() { ::SendMessageW(Control(cmbArtists), CB_RESETCONTENT, 0, 0); }
void TfrmVocorder::ClearSongs() { ::SendMessageW(Control(cmbSongs), CB_RESETCONTENT, 0, 0); }

void TfrmVocorder::AddArtistItem(const std::wstring& name) {
  ::SendMessageW(Control(cmbArtists), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
}

int TfrmVocorder::ArtistItemCount() {
  return static_cast<int>(::SendMessageW(Control(cmbArtists), CB_GETCOUNT, 0, 0));
}

void TfrmVocorder::SelectArtistItem(int index) {
  ::SendMessageW(Control(cmbArtists), CB_SETCURSEL, index, 0);
  cmbArtistsChange();
}

void TfrmVocorder::SelectArtistItemWithoutPlaying(int index) {
  bool outer = std::exchange(selectingWithoutPlaying_, true);
  ScopeExit done([this, outer] { selectingWithoutPlaying_ = outer; });
  SelectArtistItem(index);
}

void TfrmVocorder::SelectSongItem(int index) {
  ::SendMessageW(Control(cmbSongs), CB_SETCURSEL, index, 0);
  kestrel::CurrentSong = index;
  lastSong_ = index;
}

int TfrmVocorder::SelectedSongItem() { return ComboIndex(Control(cmbSongs)); }

void TfrmVocorder::ShowGrouped(bool grouped) {
  SetFlatButtonGlyph(Control(idGroup), Glyph(grouped ? IDB_GROUPED : IDB_UNGROUPED));
  hints_.Set(Control(idGroup), grouped ? L"Ungroup Songs From Their Artist (F7)" : L"Group Songs To Their Artist (F7)");
}

void TfrmVocorder::SetListButtonsEnabled(bool enabled) {
  for (int id : {idGroup, idSort, idRandom, idFind}) ::EnableWindow(Control(id), enabled);
}

void TfrmVocorder::SetNextPrevEnabled(bool next, bool prev) {
  ::EnableWindow(Control(idNext), next);
  ::EnableWindow(Control(idPrev), prev);
}

// Posted: the click runs once the dialog that asks for it has closed, and
// what it fails with is shown as the window's own.
void TfrmVocorder::PressPlay() {
  ::PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(idPlay, BN_CLICKED), reinterpret_cast<LPARAM>(Control(idPlay)));
}

std::wstring TfrmVocorder::SelectedSongPath() const {
  const auto& t = kestrel::CurrentList;
  int a = kestrel::CurrentArtist, s = kestrel::CurrentSong;
  if (a < 0 || a >= t.Count || s < 0 || s >= t.Artists[a].Count) return {};
  return kestrel::ResolveSongPath(t.Artists[a].Songs[s].Path, kestrel::ListIndex);
}

void TfrmVocorder::cmbArtistsChange() {
  HWND artists = Control(cmbArtists);
  int i = ComboIndex(artists);
  lastArtist_ = i;
  kestrel::CurrentArtist = i;
  hints_.Set(artists, i >= 0 ? ComboText(artists, i) : std::wstring());
  ClearSongs();
  const auto& t = kestrel::CurrentList;
  if (i >= 0 && i < t.Count) {
    // A folder of hundreds of recordings: added to the drop-down's list box
    // itself with its drawing off (through the combo box each item cost
    // about a millisecond here, half a second before the window showed).
    HWND songs = Control(cmbSongs);
    COMBOBOXINFO info{sizeof(info)};
    HWND list = ::GetComboBoxInfo(songs, &info) ? info.hwndList : nullptr;
    const UINT add = list ? LB_ADDSTRING : CB_ADDSTRING;
    if (!list) list = songs;
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(songs, CB_INITSTORAGE, t.Artists[i].Songs.size(), t.Artists[i].Songs.size() * 64);
    for (const auto& s : t.Artists[i].Songs)
      ::SendMessageW(list, add, 0, reinterpret_cast<LPARAM>(s.Title.c_str()));
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(songs, nullptr, TRUE);
    if (t.Artists[i].Count > 0) ::SendMessageW(Control(cmbSongs), CB_SETCURSEL, 0, 0);
  }
  cmbSongsChange();
}

// A choice of another recording while the delayed start waits: the chosen
// one loads at once.
void TfrmVocorder::cmbArtistsClick() {
  RefocusKeySink();
  if (kestrel::Settings.EnableTime3 && kestrel::Settings.PlaySelected &&
      ComboIndex(Control(cmbArtists)) != lastArtist_ && DelayPending)
    StartAt = ::GetTickCount64();
}

void TfrmVocorder::cmbSongsClick() {
  RefocusKeySink();
  if (kestrel::Settings.EnableTime3 && kestrel::Settings.PlaySelected &&
      ComboIndex(Control(cmbSongs)) != lastSong_ && DelayPending)
    StartAt = ::GetTickCount64();
}

void TfrmVocorder::cmbSongsChange() {
  HWND songs = Control(cmbSongs);
  int k = ComboIndex(songs);
  lastSong_ = k;
  kestrel::CurrentSong = k;
  hints_.Set(songs, k >= 0 ? ComboText(songs, k) : std::wstring());
  kestrel::UpdateNextPrevButtons();
  RememberPosition();  // of the recording that was playing until now
  if (kestrel::Settings.PlaySelected && !selectingWithoutPlaying_ && k >= 0) {
    const ULONGLONG now = ::GetTickCount64();
    if (kestrel::Settings.EnableTime3 && now < StartAt) {
      // The delayed start: its timer loads the recording chosen by then.
      loadDue_ = true;
      ::SetTimer(hwnd_, idDelayTimer, static_cast<UINT>(StartAt - now), nullptr);
      return;
    }
    LoadSelection();
  }
  PostContinuation(ctSelectionSettled);
}

void TfrmVocorder::LoadSelection() {
  ::KillTimer(hwnd_, idDelayTimer);
  loadDue_ = false;
  DelayPending = false;
  // The recording before has remembered its place already.
  if (Player_->State() != PlayerState::Stopped) StopAndRewind(false);
  if (TimeSupported) ::SetWindowTextW(Control(idTime1), ZeroTimeText.c_str());
  idPlayClick();
  StopAndRewind(false);
}

void TfrmVocorder::DelayTimerTimer() {
  // A dialog or box is open: the recording loads once it has closed.
  if (win::ModalScope::Depth() > 0) return;
  ::KillTimer(hwnd_, idDelayTimer);
  if (!loadDue_) return;
  LoadSelection();
  PostContinuation(ctSelectionSettled);
}

void TfrmVocorder::CancelDelayedStart() {
  ::KillTimer(hwnd_, idDelayTimer);
  loadDue_ = false;
  DelayPending = false;
}

void TfrmVocorder::NextRecording(bool now) {
  const auto& s = kestrel::Settings;
  if (s.EnableTime3 && s.PlaySelected) {
    DelayPending = true;
    if (now) {
      StartAt = ::GetTickCount64();
    } else {
      StartAt = ::GetTickCount64() + static_cast<ULONGLONG>(s.Time3 * 86'400'000.0 + 0.5);
      MarkDelayPending(true);
    }
  }
  ::SendMessageW(Control(cmbArtists), CB_SHOWDROPDOWN, FALSE, 0);
  ::SendMessageW(Control(cmbSongs), CB_SHOWDROPDOWN, FALSE, 0);
  HWND songs = Control(cmbSongs);
  int k = ComboIndex(songs);
  int count = static_cast<int>(::SendMessageW(songs, CB_GETCOUNT, 0, 0));
  if (k >= 0 && k < count - 1) {
    ::SendMessageW(songs, CB_SETCURSEL, k + 1, 0);
    cmbSongsChange();
    return;
  }
  const auto& t = kestrel::CurrentList;
  for (int a = kestrel::CurrentArtist + 1; a < t.Count; ++a) {
    if (t.Artists[a].Count == 0) continue;
    ::SendMessageW(Control(cmbArtists), CB_SETCURSEL, a, 0);
    cmbArtistsChange();
    return;
  }
}

void TfrmVocorder::idChangeListClick() {
  bool wasEmpty = kestrel::CurrentList.Count == 0;
  kestrel::ReloadList(kestrel::CurrentList, kestrel::CurrentList.Grouped, kestrel::CurrentList.Sorted, false,
                      !wasEmpty, kestrel::Settings.RandomTimes);
  if (wasEmpty && kestrel::CurrentList.Count > 0) kestrel::SelectFirstArtist();
}

void TfrmVocorder::SpeedButton3Click() {
  if (PlayerBusy()) idStopClick();
  FD_->SetRootFolder(services::TShellFolder::sfoPersonal);
  std::wstring stored = store_.Read(L"Dir_MP3s");
  if (!stored.empty()) FD_->SetDirectory(stored);
  // Cancelling keeps the folder and the list as they were.
  if (!FD_->Execute() || FD_->Directory().empty()) return;
  store_.Write(L"Dir_MP3s", FD_->Directory());
  FolderPath = FD_->Directory();
  ShowFolderFiles(true);
}

void TfrmVocorder::LoadDefaultFolder() {
  FolderPath = reg::DocumentsFolder();
  store_.Write(L"Dir_MP3s", FolderPath);
  ShowFolderFiles(false);
}

void TfrmVocorder::ShowFolderFiles(bool fromBrowser) {
  FolderPath = kestrel::IncludeTrailingBackslash(FolderPath);
  std::vector<std::wstring> paths;
  WIN32_FIND_DATAW fd;
  win::FindHandle find(::FindFirstFileW((FolderPath + L"*.mp3").c_str(), &fd));
  if (find) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) paths.push_back(FolderPath + fd.cFileName);
    } while (::FindNextFileW(find.get(), &fd));
  }
  if (paths.empty()) {
    kestrel::ShowBox(kestrel::BoxKind::Plain, kestrel::BoxButtons::Ok,
                     fromBrowser ? FolderPath + L"\r" + kNoMp3s : std::wstring(kNoMp3s));
    return;
  }
  if (kestrel::Lists.empty()) return;
  // A list that could not be written stays as it was (and was reported).
  if (!kestrel::WriteListFile(kestrel::Lists[kestrel::ListIndex].Path, paths)) return;
  idChangeListClick();
  SetCaptionFromFolders();
}

void TfrmVocorder::SetCaptionFromFolders() {
  std::wstring caption;
  HWND artists = Control(cmbArtists);
  // The folder names side by side: a caption has no line breaks.
  for (int i = 0; i < ArtistItemCount(); ++i) caption += (i > 0 ? L", " : L"") + ComboText(artists, i);
  ::SetWindowTextW(hwnd_, caption.c_str());
}

void TfrmVocorder::SpeedButton4Click() {
  if (PlayerBusy()) idStopClick();
  std::wstring initial = store_.Read(L"DirFiles_MP3s");
  auto chosen = ShowOpenFileDialog(hwnd_, initial.empty() ? std::wstring(L"C:\\") : initial);
  if (!chosen) return;
  std::wstring dir = kestrel::ExtractFilePath(*chosen);
  if (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
  store_.Write(L"DirFiles_MP3s", dir);

  if (kestrel::Lists.empty()) return;
  const std::wstring listFile = kestrel::Lists[kestrel::ListIndex].Path;
  std::vector<std::wstring> lines = kestrel::ReadListFile(listFile).value_or(std::vector<std::wstring>());
  std::wstring target = lines.empty() ? std::wstring() : kestrel::ExtractFilePath(lines.front());
  if (target.empty()) target = kestrel::IncludeTrailingBackslash(reg::DocumentsFolder());

  files::ShellCopyResult copy =
      files::ShellCopy(*chosen, target, {.renameOnCollision = true, .semicolonsSeparate = true});
  if (!copy.done) return;
  // On a collision the shell names the copy anew; the list gets that name.
  std::wstring name = kestrel::ExtractFileName(copy.newPath.empty() ? *chosen : copy.newPath);
  // Appended as a line of its own; the rest of the file stays as it was.
  if (kestrel::AppendListLine(listFile, target + name)) idChangeListClick();
}

void TfrmVocorder::btnKonecClick() { ::PostMessageW(hwnd_, WM_CLOSE, 0, 0); }

void TfrmVocorder::SpeedButton5Click() {
  // The strip shows before the recording window is made, and opening the
  // first recording lets clicks through: one that early is dropped.
  if (!FRecMpeg_) return;
  if (PlayerBusy()) idStopClick();
  FRecMpeg_->ShowModal();
  // A saved recording has been added to the list file.
  idChangeListClick();
}

}  // namespace app
