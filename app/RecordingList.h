// TRecordingList: the recordings of the current folder in cmbSongs (and
// the folders in the hidden cmbArtists), as the list model's view: choosing
// a recording and opening it (after the delayed start's wait when the next
// button chose it), the next recording, and reloading the list.
#pragma once

#include <functional>
#include <string>

#include "app/DelayedStart.h"
#include "app/Readouts.h"
#include "app/Strip.h"
#include "app/Transport.h"
#include "lists/KestrelLists.h"

namespace app {

class TRecordingList : public kestrel::IListView {
public:
  TRecordingList(TStrip& strip, TReadouts& readouts, TTransport& transport, TDelayedStart& delayed,
                 TKeySink& keySink)
      : strip_(strip), readouts_(readouts), transport_(transport), delayed_(delayed), keySink_(keySink) {}

  // Fills the folder chooser from the list model and selects the first
  // folder without opening anything; the caption names it. When the list
  // holds no folder, `whenEmpty` fills it (from the documents folder), and
  // nothing is opened either. False then.
  bool FillAtStart(const std::function<void()>& whenEmpty);
  // What selecting the first recording does when "PlaySelected" is on: it
  // is opened and left stopped at its start with its length shown.
  void OpenSelectionAfterShow();

  void cmbArtistsChange();
  void cmbArtistsClick();
  void cmbSongsChange();
  void cmbSongsClick();
  void idNextClick() { NextRecording(false); }
  void idChangeListClick();
  // The next recording, after the delayed start's wait unless `now`.
  void NextRecording(bool now);
  // A missing recording that is not reported: the next one, or the
  // automatic stop when there is none.
  void NextAfterMissing(bool now);
  // idDelayTimer.
  void DelayTimerTimer();
  // The folders side by side: a caption has no line breaks.
  void SetCaptionFromFolders();
  std::wstring ArtistText(int index) const;

  // kestrel::IListView
  void ClearArtists() override;
  void ClearSongs() override;
  void AddArtistItem(const std::wstring& name) override;
  int ArtistItemCount() override;
  void SelectArtistItem(int index) override;
  void SelectSongItem(int index) override;
  int SelectedSongItem() override;
  void SelectArtistItemWithoutPlaying(int index) override;
  void ShowGrouped(bool grouped) override;
  void SetListButtonsEnabled(bool enabled) override;
  void SetNextPrevEnabled(bool next, bool prev) override;
  void PressPlay() override;

private:
  // Opens the chosen recording and leaves it stopped at its start, its
  // length shown.
  void LoadSelection();

  TStrip& strip_;
  TReadouts& readouts_;
  TTransport& transport_;
  TDelayedStart& delayed_;
  TKeySink& keySink_;
  bool selectingWithoutPlaying_ = false;  // the list model refills the combo boxes
  int lastArtist_ = -1;
  int lastSong_ = -1;
};

}  // namespace app
