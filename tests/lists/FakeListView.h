// The main window's combo boxes and buttons, as the list model's tests see them.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "core/globals.h"
#include "lists/KestrelLists.h"

namespace testing_support {

// The main window's combo boxes and buttons, as the list model sees them.
class FakeView : public kestrel::IListView {
public:
  void ClearArtists() override { artists.clear(); }
  void ClearSongs() override { selectedSong = -1; }
  void AddArtistItem(const std::wstring& name) override { artists.push_back(name); }
  int ArtistItemCount() override { return static_cast<int>(artists.size()); }
  void SelectArtistItem(int index) override {
    selectedArtist = index;
    kestrel::CurrentArtist = index;
    kestrel::CurrentSong = 0;  // the artist-change handler selects the first song
    selectedSong = 0;
    playing = true;
  }
  void SelectArtistItemWithoutPlaying(int index) override {
    SelectArtistItem(index);
    playing = false;
  }
  void SelectSongItem(int index) override {
    selectedSong = index;
    kestrel::CurrentSong = index;
  }
  int SelectedSongItem() override { return selectedSong; }
  void ShowGrouped(bool g) override {
    grouped = g;
    ++groupedChanges;
  }
  void SetListButtonsEnabled(bool enabled) override { listButtons = enabled ? 1 : 0; }
  void SetNextPrevEnabled(bool n, bool p) override {
    next = n;
    prev = p;
  }
  void PressPlay() override { ++playClicks; }

  std::vector<std::wstring> artists;
  int selectedArtist = -1, selectedSong = -1;
  std::optional<bool> grouped;
  int groupedChanges = 0;
  int listButtons = -1;  // -1: never set
  bool next = false, prev = false;
  bool playing = false;  // the last selection would start playback
  int playClicks = 0;
};

}  // namespace testing_support
