// The artist and song table: loading a list file into it, numbering
// duplicate titles, sorting, shuffling, and feeding the main window's combo
// boxes and list buttons.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/globals.h"

namespace kestrel {

// The main window's controls as the list model drives them.
class IListView {
public:
  virtual ~IListView() = default;
  virtual void ClearArtists() = 0;  // cmbArtists
  virtual void ClearSongs() = 0;    // cmbSongs
  virtual void AddArtistItem(const std::wstring& name) = 0;
  virtual int ArtistItemCount() = 0;
  // Sets cmbArtists to the index and runs cmbArtistsChange, which starts
  // playing the first recording when the user's settings say so.
  virtual void SelectArtistItem(int index) = 0;
  // The same, but the recording is only selected, never played: the list
  // model's own refills must not start playback.
  virtual void SelectArtistItemWithoutPlaying(int index) = 0;
  // Sets cmbSongs to the index (no change handler runs).
  virtual void SelectSongItem(int index) = 0;
  // The index selected in cmbSongs, -1 for none.
  virtual int SelectedSongItem() = 0;
  // Whether the table is grouped now; told only when it changes (and once
  // after SetListView). The window chooses the group button's picture and hint.
  virtual void ShowGrouped(bool grouped) = 0;
  // idGroup, idSort, idRandom and idFind together.
  virtual void SetListButtonsEnabled(bool enabled) = 0;
  virtual void SetNextPrevEnabled(bool next, bool prev) = 0;
  // Clicks the play button as the user would.
  virtual void PressPlay() {}
};

void SetListView(IListView* view);

// The clock the shuffle seeds from: milliseconds since midnight, UTC.
using ShuffleClock = std::function<uint32_t()>;
ShuffleClock SetShuffleClock(ShuffleClock clock);

int AddArtist(ArtistTable& table, const std::wstring& name);
int AddSongToArtist(ArtistTable& table, int artistIndex, const std::wstring& title, const std::wstring& path,
                    int number);
bool AddSong(ArtistTable& table, bool grouped, const std::wstring& path);

int FindArtist(const ArtistTable& table, std::wstring_view name, int occurrence);
int FindSong(const ArtistTable& table, int artistIndex, std::wstring_view title, bool displayForms);
bool EntryHasSong(const ArtistTable& table, int exceptIndex, std::wstring_view name, std::wstring_view title,
                  bool displayForms);
int FindEntry(const ArtistTable& table, std::wstring_view name, std::wstring_view title);
int CountSameTitle(const ArtistTable& table, int artistIndex, std::wstring_view title);
int CountSameEntries(const ArtistTable& table, std::wstring_view name, std::wstring_view title);
std::wstring DisplayForm(const song& s);

void NumberDuplicates(ArtistTable& table, bool grouped);
void SortList(ArtistTable& table);
void ShuffleList(ArtistTable& table);

bool LoadList(ArtistTable& table, bool grouped, bool sorted, int listIndex, int randomTimes);
bool RebuildList(ArtistTable& table, bool grouped, bool sorted, int randomTimes);
bool ReloadList(ArtistTable& table, bool grouped, bool sorted, bool fromMemory, bool keepSelection,
                int randomTimes);

// After the missing-file dialogs changed the list file: reloads
// CurrentList and selects the song (artist name and title), or else the one
// that followed the current song before the reload; nothing starts playing.
void ReloadAfterListChange(std::wstring_view artistName, std::wstring_view title);
// The main window's play button, clicked as the user would.
void ClickPlay();

void FillArtists(const ArtistTable& table, bool grouped);
void SelectArtistAndSong(const ArtistTable& table, bool grouped, std::wstring_view name, std::wstring_view title,
                         bool withSong);
void SelectFirstArtist();

bool HasNextSong();
bool HasPrevSong();
void UpdateNextPrevButtons();
std::wstring NextSongPath();

}  // namespace kestrel
