#include "lists/TableBuilder.h"

#include "base/Text.h"
#include "lists/KestrelLists.h"
#include "core/KestrelUtils.h"

namespace kestrel {
namespace {

int Count(const std::unordered_map<std::string, int>& m, const std::string& key) {
  auto it = m.find(key);
  return it == m.end() ? 0 : it->second;
}

void Take(std::unordered_map<std::string, int>& m, const std::string& key) {
  auto it = m.find(key);
  if (it != m.end() && --it->second == 0) m.erase(it);
}

std::wstring Numbered(const std::wstring& title, int n) { return title + L" (" + std::to_wstring(n) + L")"; }

// The four numbering steps for one song of a group; keeps the counts in step.
void NumberSong(song& s, TitleCounts& counts) {
  int n = s.Number;
  std::wstring c;
  std::string key;
  for (;;) {
    c = Numbered(s.Title, n);
    key = text::SortKey(c);
    if (Count(counts.titles, key) == 0) break;
    do {
      ++n;
      c = Numbered(s.Title, n);
      key = text::SortKey(c);
    } while (Count(counts.displays, key) > 0);
  }
  Take(counts.titles, text::SortKey(s.Title));
  Take(counts.displays, text::SortKey(DisplayForm(s)));
  s.Title = c;
  s.Number = 0;
  ++counts.titles[key];
  ++counts.displays[key];
}

}  // namespace

void TitleCounts::Add(const song& s) {
  std::string t = text::SortKey(s.Title);
  ++displays[s.Number ? text::SortKey(DisplayForm(s)) : t];
  ++titles[std::move(t)];
}

TableBuilder::TableBuilder(ArtistTable& table, bool grouped) : table_(table), grouped_(grouped) {
  for (int i = 0; i < table_.Count; ++i) {
    const artist& a = table_.Artists[i];
    std::string nameKey = text::SortKey(a.Name);
    if (grouped_) {
      firstArtist_.try_emplace(nameKey, i);
      perArtist_.emplace_back();
      for (const song& s : a.Songs) perArtist_.back().Add(s);
    } else if (!a.Songs.empty()) {
      perName_[nameKey].Add(a.Songs.front());
    }
  }
}

TitleCounts& TableBuilder::GroupFor(int artistIndex, const std::string& nameKey) {
  if (!grouped_) return perName_[nameKey];
  if (static_cast<int>(perArtist_.size()) <= artistIndex) perArtist_.resize(artistIndex + 1);
  return perArtist_[artistIndex];
}

bool TableBuilder::Add(const std::wstring& path) {
  std::wstring name = ArtistNameFromPath(path);
  std::string nameKey = text::SortKey(name);
  int i = -1;
  if (grouped_) {
    auto it = firstArtist_.find(nameKey);
    if (it != firstArtist_.end()) i = it->second;
  }
  if (i == -1) {
    i = AddArtist(table_, name);
    if (i == -1) return false;
    if (grouped_) firstArtist_.try_emplace(nameKey, i);
  }
  std::wstring title = TitleFromPath(path);
  std::string titleKey = text::SortKey(title);
  TitleCounts& counts = GroupFor(i, nameKey);
  int number = 0;
  if (Count(counts.displays, titleKey) > 0) {
    int same = Count(counts.titles, titleKey);
    number = same > 0 ? same + 1 : 0;
  }
  int k = AddSongToArtist(table_, i, title, path, number);
  if (k == -1) return false;
  // An ungrouped entry counts for its name only through its first song.
  if (grouped_ || k == 0) counts.Add(table_.Artists[i].Songs[k]);
  return true;
}

void NumberDuplicatesIndexed(ArtistTable& table, bool grouped) {
  if (grouped) {
    for (artist& a : table.Artists) {
      bool any = false;
      for (const song& s : a.Songs) any = any || s.Number != 0;
      if (!any) continue;
      TitleCounts counts;
      for (const song& s : a.Songs) counts.Add(s);
      for (song& s : a.Songs)
        if (s.Number != 0) NumberSong(s, counts);
    }
    return;
  }
  // Ungrouped: the entries of one name form a group. The first entry of a
  // name numbers all later ones in order; the second entry then numbers the
  // first; a name with one entry numbers nothing.
  std::unordered_map<std::string, std::vector<int>> groups;
  std::vector<std::string> order;
  bool any = false;
  for (int i = 0; i < table.Count; ++i) {
    const artist& a = table.Artists[i];
    if (!a.Songs.empty() && a.Songs.front().Number != 0) any = true;
  }
  if (!any) return;
  for (int i = 0; i < table.Count; ++i) {
    std::string key = text::SortKey(table.Artists[i].Name);
    auto [it, fresh] = groups.try_emplace(key);
    if (fresh) order.push_back(key);
    it->second.push_back(i);
  }
  for (const std::string& key : order) {
    const std::vector<int>& members = groups[key];
    if (members.size() < 2) continue;
    TitleCounts counts;
    for (int m : members)
      if (!table.Artists[m].Songs.empty()) counts.Add(table.Artists[m].Songs.front());
    auto number = [&](int m) {
      auto& songs = table.Artists[m].Songs;
      if (!songs.empty() && songs.front().Number != 0) NumberSong(songs.front(), counts);
    };
    for (size_t k = 1; k < members.size(); ++k) number(members[k]);
    number(members[0]);
  }
}

}  // namespace kestrel
