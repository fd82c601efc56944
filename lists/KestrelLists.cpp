#include "lists/KestrelLists.h"

#include <windows.h>

#include <algorithm>
#include <new>
#include <numeric>
#include <utility>

#include "base/Files.h"
#include "base/Text.h"
#include "lists/KestrelErrors.h"
#include "lists/KestrelUtils.h"
#include "lists/TableBuilder.h"
#include "settings/KestrelSettings.h"

namespace kestrel {
namespace {

IListView* g_view = nullptr;
int g_groupGlyph = 0;  // the glyph on idGroup; none at start

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

// Lines end with CR LF, LF or a lone CR; a Ctrl-Z ends the file.
std::vector<std::wstring_view> SplitLines(std::wstring_view s) {
  std::vector<std::wstring_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != L'\r' && s[i] != L'\n') continue;
    lines.push_back(s.substr(start, i - start));
    if (s[i] == L'\r' && i + 1 < s.size() && s[i + 1] == L'\n') ++i;
    start = i + 1;
  }
  if (start < s.size()) lines.push_back(s.substr(start));
  return lines;
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

// "PlaySelected" is off while the combo boxes are refilled, so that the
// selections made here start no playback.
class PlaySelectedOff {
public:
  PlaySelectedOff() : saved_(Settings.PlaySelected) { Settings.PlaySelected = false; }
  ~PlaySelectedOff() { Settings.PlaySelected = saved_; }
  PlaySelectedOff(const PlaySelectedOff&) = delete;
  PlaySelectedOff& operator=(const PlaySelectedOff&) = delete;

private:
  bool saved_;
};

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
  g_groupGlyph = 0;
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
    ErrArrayAlloc();
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
    ErrArrayAlloc();
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
  auto bytes = files::ReadAll(path);
  if (!bytes) {
    ErrFileNotFound(path, false);
    return false;
  }
  std::wstring content = text::FromAnsi(*bytes);
  if (size_t z = content.find(L'\x1A'); z != std::wstring::npos) content.resize(z);

  ClearTable(table);
  TableBuilder builder(table, grouped);
  int illegal = 0;
  for (std::wstring_view raw : SplitLines(content)) {
    std::wstring_view line = text::Trim(raw);
    if (line.empty()) continue;
    if (IsIllegalLine(line)) {
      ++illegal;
      continue;
    }
    if (Settings.IncludeExisting && !FileExists(ResolveSongPath(line, listIndex))) continue;
    if (!builder.Add(std::wstring(line))) return false;
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
  PlaySelectedOff quiet;
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

void FillArtists(const ArtistTable& table, bool grouped) {
  if (!g_view) return;
  g_view->ClearArtists();
  for (const artist& a : table.Artists) g_view->AddArtistItem(a.Name);
  int glyph = grouped ? kGroupedGlyph : kUngroupedGlyph;
  if (glyph != g_groupGlyph) {
    g_groupGlyph = glyph;
    g_view->SetGroupButton(glyph, grouped ? L"Ungroup Songs From Their Artist (F7)"
                                          : L"Group Songs To Their Artist (F7)");
  }
  if (table.Count == 0 || (table.Count == 1 && table.Artists[0].Count < 2))
    g_view->SetListButtonsEnabled(false);
  else if (table.Count >= 2)
    g_view->SetListButtonsEnabled(true);
}

void SelectFirstArtist() {
  if (g_view && g_view->ArtistItemCount() > 0) g_view->SelectArtistItem(0);
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
    g_view->SelectArtistItem(i);
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
    g_view->SelectArtistItem(i);
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
  if (CurrentSong > 0) return true;
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
