#include "lists/KestrelLists.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <numeric>
#include <optional>
#include <utility>

#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "lists/ListFile.h"
#include "lists/TableBuilder.h"
#include "core/SettingsRecord.h"

namespace kestrel {
namespace {

IListView* g_view = nullptr;
std::optional<bool> g_shownGrouped;  // what the view was last told; nothing at start
bool g_refilling = false;            // inside ReloadList: selections start no playback

uint32_t UtcMillisecondsOfDay() {
  SYSTEMTIME t;
  ::GetSystemTime(&t);
  return ((t.wHour * 60u + t.wMinute) * 60u + t.wSecond) * 1000u + t.wMilliseconds;
}

ShuffleClock& Clock() {
  static ShuffleClock c = UtcMillisecondsOfDay;
  return c;
}

// The generator the shuffle is defined by: a linear congruential step and
// the upper half of the product with the range.
class Random {
public:
  explicit Random(uint32_t seed) : seed_(seed) {}
  int Below(int n) {
    seed_ = seed_ * 134775813u + 1u;
    return static_cast<int>((static_cast<uint64_t>(seed_) * static_cast<uint32_t>(n)) >> 32);
  }

private:
  uint32_t seed_;
};

const std::wstring& ChosenText(const song& s, bool displayForms, std::wstring& scratch) {
  if (!displayForms || s.Number == 0) return s.Title;
  scratch = DisplayForm(s);
  return scratch;
}

bool FirstSongIs(const artist& a, std::wstring_view name, std::wstring_view title, bool displayForms) {
  if (a.Songs.empty() || !text::Same(a.Name, name)) return false;
  std::wstring scratch;
  return text::Same(ChosenText(a.Songs.front(), displayForms, scratch), title);
}

void ClearTable(ArtistTable& table) {
  if (table.Count > 0 || !table.Artists.empty()) {
    table.Artists.clear();
    table.Count = 0;
  }
}

// A path line of a list file: nothing that Windows cannot name.
bool IsIllegalLine(std::wstring_view line) {
  if (HasIllegalChars(line)) return true;
  return std::any_of(line.begin(), line.end(), [](wchar_t c) { return c < L' '; });
}

// Numbering, then sorting or shuffling, as after every load.
void FinishTable(ArtistTable& table, bool grouped, bool sorted, int randomTimes) {
  NumberDuplicates(table, grouped);
  if (sorted) {
    SortList(table);
  } else if (randomTimes > 0 && Settings.EnableRandom) {
    for (int pass = 0; pass <= randomTimes; ++pass) ShuffleList(table);
  }
}

void SelectArtist(int index) {
  if (g_refilling)
    g_view->SelectArtistItemWithoutPlaying(index);
  else
    g_view->SelectArtistItem(index);
}

template <typename F>
void Keyed(std::vector<std::string>& keys, size_t n, F textOf) {
  keys.resize(n);
  for (size_t i = 0; i < n; ++i) keys[i] = text::SortKey(textOf(i));
}

// A stable sort by sort keys: the order of the stable insertion sort under
// the locale comparison.
template <typename T, typename F>
void StableSortBy(std::vector<T>& items, F textOf) {
  if (items.size() < 2) return;
  std::vector<std::string> keys;
  Keyed(keys, items.size(), [&](size_t i) -> const std::wstring& { return textOf(items[i]); });
  std::vector<size_t> order(items.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  std::vector<T> sorted;
  sorted.reserve(items.size());
  for (size_t i : order) sorted.push_back(std::move(items[i]));
  items = std::move(sorted);
}

}  // namespace

void SetListView(IListView* view) {
  g_view = view;
  g_shownGrouped.reset();
}

ShuffleClock SetShuffleClock(ShuffleClock clock) {
  if (!clock) clock = UtcMillisecondsOfDay;
  return std::exchange(Clock(), std::move(clock));
}

std::wstring DisplayForm(const song& s) {
  return s.Number == 0 ? s.Title : s.Title + L" (" + std::to_wstring(s.Number) + L")";
}

int AddArtist(ArtistTable& table, const std::wstring& name) {
  try {
    table.Artists.push_back(artist{name, {}, 0});
  } catch (const std::bad_alloc&) {
    ErrArrayAlloc(false);
    return -1;
  }
  ++table.Count;
  if (static_cast<int>(table.Artists.size()) != table.Count) return -1;
  return table.Count - 1;
}

int AddSongToArtist(ArtistTable& table, int artistIndex, const std::wstring& title, const std::wstring& path,
                    int number) {
  if (artistIndex < 0 || artistIndex >= static_cast<int>(table.Artists.size())) return -1;
  artist& a = table.Artists[artistIndex];
  try {
    a.Songs.push_back(song{number, title, path});
  } catch (const std::bad_alloc&) {
    ErrArrayAlloc(false);
    return -1;
  }
  ++a.Count;
  if (static_cast<int>(a.Songs.size()) != a.Count) return -1;
  return a.Count - 1;
}

int FindArtist(const ArtistTable& table, std::wstring_view name, int occurrence) {
  for (int i = 0; i < table.Count; ++i)
    if (text::Same(table.Artists[i].Name, name) && occurrence-- == 0) return i;
  return -1;
}

int FindSong(const ArtistTable& table, int artistIndex, std::wstring_view title, bool displayForms) {
  if (artistIndex < 0 || artistIndex >= table.Count) return -1;
  const auto& songs = table.Artists[artistIndex].Songs;
  std::wstring scratch;
  for (size_t j = 0; j < songs.size(); ++j)
    if (text::Same(ChosenText(songs[j], displayForms, scratch), title)) return static_cast<int>(j);
  return -1;
}

int CountSameTitle(const ArtistTable& table, int artistIndex, std::wstring_view title) {
  if (artistIndex < 0 || artistIndex >= table.Count) return 0;
  int n = 0;
  for (const song& s : table.Artists[artistIndex].Songs) n += text::Same(s.Title, title);
  return n > 0 ? n + 1 : 0;
}

bool EntryHasSong(const ArtistTable& table, int exceptIndex, std::wstring_view name, std::wstring_view title,
                  bool displayForms) {
  for (int i = 0; i < table.Count; ++i)
    if (i != exceptIndex && FirstSongIs(table.Artists[i], name, title, displayForms)) return true;
  return false;
}

int FindEntry(const ArtistTable& table, std::wstring_view name, std::wstring_view title) {
  for (int i = 0; i < table.Count; ++i)
    if (FirstSongIs(table.Artists[i], name, title, false)) return i;
  return -1;
}

int CountSameEntries(const ArtistTable& table, std::wstring_view name, std::wstring_view title) {
  int n = 0;
  for (int i = 0; i < table.Count; ++i) n += FirstSongIs(table.Artists[i], name, title, false);
  return n > 0 ? n + 1 : 0;
}

bool AddSong(ArtistTable& table, bool grouped, const std::wstring& path) {
  std::wstring name = ArtistNameFromPath(path);
  int i = grouped ? FindArtist(table, name, 0) : -1;
  if (i == -1) {
    i = AddArtist(table, name);
    if (i == -1) return false;
  }
  std::wstring t = TitleFromPath(path);
  int number = 0;
  if (grouped) {
    if (FindSong(table, i, t, true) != -1) number = CountSameTitle(table, i, t);
  } else if (EntryHasSong(table, -1, name, t, true)) {
    number = CountSameEntries(table, name, t);
  }
  return AddSongToArtist(table, i, t, path, number) != -1;
}

void NumberDuplicates(ArtistTable& table, bool grouped) { NumberDuplicatesIndexed(table, grouped); }

void SortList(ArtistTable& table) {
  if (table.Count >= 2) StableSortBy(table.Artists, [](const artist& a) -> const std::wstring& { return a.Name; });
  for (artist& a : table.Artists) StableSortBy(a.Songs, [](const song& s) -> const std::wstring& { return s.Title; });
}

void ShuffleList(ArtistTable& table) {
  Random random(Clock()());
  for (int i = 0; i < table.Count; ++i) std::swap(table.Artists[random.Below(table.Count)], table.Artists[i]);
  for (artist& a : table.Artists) {
    if (a.Count < 2) continue;
    for (int j = 0; j < a.Count; ++j) std::swap(a.Songs[random.Below(a.Count)], a.Songs[j]);
  }
}

bool LoadList(ArtistTable& table, bool grouped, bool sorted, int listIndex, int randomTimes) {
  if (listIndex < 0 || listIndex >= static_cast<int>(Lists.size())) return false;
  const std::wstring path = Lists[listIndex].Path;
  auto lines = ReadListFile(path);
  if (!lines) {
    ErrFileNotFound(path, false);
    return false;
  }

  ClearTable(table);
  TableBuilder builder(table, grouped);
  int illegal = 0;
  for (const std::wstring& line : *lines) {
    if (IsIllegalLine(line)) {
      ++illegal;
      continue;
    }
    if (Settings.IncludeExisting && !FileExists(ResolveSongPath(line, listIndex))) continue;
    if (!builder.Add(line)) return false;
  }
  if (illegal > 0) WarnIllegalSongs(path, illegal);
  FinishTable(table, grouped, sorted, randomTimes);
  return true;
}

bool RebuildList(ArtistTable& table, bool grouped, bool sorted, int randomTimes) {
  std::vector<std::wstring> paths;
  for (const artist& a : table.Artists)
    for (const song& s : a.Songs) paths.push_back(s.Path);
  ClearTable(table);
  TableBuilder builder(table, grouped);
  for (const std::wstring& p : paths)
    if (!builder.Add(p)) return false;
  FinishTable(table, grouped, sorted, randomTimes);
  return true;
}

bool ReloadList(ArtistTable& table, bool grouped, bool sorted, bool fromMemory, bool keepSelection,
                int randomTimes) {
  // Without a valid current artist there is nothing to keep; without a valid
  // current song only the artist is kept.
  std::wstring name, title;
  bool withSong = false;
  if (keepSelection) {
    if (CurrentArtist >= 0 && CurrentArtist < table.Count) {
      const artist& a = table.Artists[CurrentArtist];
      name = a.Name;
      if (CurrentSong >= 0 && CurrentSong < a.Count) {
        title = a.Songs[CurrentSong].Title;
        withSong = true;
      }
    } else {
      keepSelection = false;
    }
  }
  // The combo boxes are refilled and the selection restored without
  // starting playback.
  bool outer = std::exchange(g_refilling, true);
  ScopeExit done([outer] { g_refilling = outer; });
  bool ok = fromMemory ? RebuildList(table, grouped, sorted, randomTimes)
                       : LoadList(table, grouped, sorted, ListIndex, randomTimes);
  if (!ok) return false;
  if (g_view) {
    g_view->ClearArtists();
    g_view->ClearSongs();
  }
  FillArtists(table, grouped);
  if (keepSelection) SelectArtistAndSong(table, grouped, name, title, withSong);
  return true;
}

void ReloadAfterListChange(std::wstring_view artistName, std::wstring_view title) {
  // The song that followed is taken from the table as it was.
  std::optional<std::pair<std::wstring, std::wstring>> next;
  if (std::wstring p = NextSongPath(); !p.empty()) next.emplace(ArtistNameFromPath(p), TitleFromPath(p));

  const bool playSelected = std::exchange(Settings.PlaySelected, false);
  ScopeExit restore([playSelected] { Settings.PlaySelected = playSelected; });
  bool outer = std::exchange(g_refilling, true);
  ScopeExit done([outer] { g_refilling = outer; });

  ArtistTable& table = CurrentList;
  if (!LoadList(table, table.Grouped, table.Sorted, ListIndex, Settings.RandomTimes)) return;
  if (!g_view) return;
  g_view->ClearArtists();
  g_view->ClearSongs();
  FillArtists(table, table.Grouped);
  SelectArtistAndSong(table, table.Grouped, artistName, title, true);

  auto selectedTitleIs = [&](std::wstring_view t) {
    int k = g_view->SelectedSongItem();
    if (k < 0 || CurrentArtist < 0 || CurrentArtist >= table.Count) return false;
    const artist& a = table.Artists[CurrentArtist];
    return k < a.Count && text::Same(a.Songs[k].Title, t);
  };
  if (!selectedTitleIs(title) && next) SelectArtistAndSong(table, table.Grouped, next->first, next->second, true);
}

void ClickPlay() {
  if (g_view) g_view->PressPlay();
}

void FillArtists(const ArtistTable& table, bool grouped) {
  if (!g_view) return;
  g_view->ClearArtists();
  for (const artist& a : table.Artists) g_view->AddArtistItem(a.Name);
  if (g_shownGrouped != grouped) {
    g_shownGrouped = grouped;
    g_view->ShowGrouped(grouped);
  }
  if (table.Count == 0 || (table.Count == 1 && table.Artists[0].Count < 2))
    g_view->SetListButtonsEnabled(false);
  else if (table.Count >= 2)
    g_view->SetListButtonsEnabled(true);
}

void SelectFirstArtist() {
  if (g_view && g_view->ArtistItemCount() > 0) SelectArtist(0);
}

void SelectArtistAndSong(const ArtistTable& table, bool grouped, std::wstring_view name, std::wstring_view title,
                         bool withSong) {
  if (!g_view) return;
  if (grouped || !withSong) {
    int i = FindArtist(table, name, 0);
    if (i == -1) {
      SelectFirstArtist();
      return;
    }
    SelectArtist(i);
    if (!grouped || !withSong) return;
    int k = FindSong(table, i, title, false);
    if (k == -1)
      WarnSongGone(name, title);
    else
      g_view->SelectSongItem(k);
    return;
  }
  int i = FindEntry(table, name, title);
  if (i == -1)
    WarnSongGone(name, title);
  else
    SelectArtist(i);
}

bool HasNextSong() {
  const ArtistTable& t = CurrentList;
  int from = 0;
  if (CurrentArtist >= 0 && CurrentArtist < t.Count) {
    if (CurrentSong < t.Artists[CurrentArtist].Count - 1) return true;
    from = CurrentArtist + 1;
  }
  for (int i = from; i < t.Count; ++i)
    if (t.Artists[i].Count > 0) return true;
  return false;
}

bool HasPrevSong() {
  const ArtistTable& t = CurrentList;
  if (CurrentArtist < 0 || CurrentArtist >= t.Count) return false;
  // No song selected counts as not at the first: there is one to go back to.
  if (CurrentSong != 0) return true;
  for (int i = 0; i < CurrentArtist; ++i)
    if (t.Artists[i].Count > 0) return true;
  return false;
}

void UpdateNextPrevButtons() {
  if (g_view) g_view->SetNextPrevEnabled(HasNextSong(), HasPrevSong());
}

std::wstring NextSongPath() {
  const ArtistTable& t = CurrentList;
  int from = 0;
  if (CurrentArtist >= 0 && CurrentArtist < t.Count) {
    const artist& a = t.Artists[CurrentArtist];
    if (CurrentSong + 1 < a.Count && CurrentSong + 1 >= 0) return a.Songs[CurrentSong + 1].Path;
    from = CurrentArtist + 1;
  }
  for (int i = from; i < t.Count; ++i)
    if (t.Artists[i].Count > 0) return t.Artists[i].Songs.front().Path;
  return {};
}

}  // namespace kestrel
