// The artist and song table: building, numbering, sorting, shuffling.
#include <gtest/gtest.h>

#include <random>

#include "MessageSeam.h"
#include "base/Text.h"
#include "lists/KestrelLists.h"
#include "lists/TableBuilder.h"

using namespace kestrel;

namespace {

std::vector<std::wstring> Titles(const ArtistTable& t) {
  std::vector<std::wstring> out;
  for (const auto& a : t.Artists)
    for (const auto& s : a.Songs) out.push_back(DisplayForm(s));
  return out;
}

std::vector<std::wstring> Names(const ArtistTable& t) {
  std::vector<std::wstring> out;
  for (const auto& a : t.Artists) out.push_back(a.Name);
  return out;
}

ArtistTable Build(bool grouped, std::initializer_list<const wchar_t*> paths) {
  ArtistTable t;
  for (auto p : paths) EXPECT_TRUE(AddSong(t, grouped, p));
  NumberDuplicates(t, grouped);
  return t;
}

// The numbering exactly as defined, scanning the table with the public
// look-ups; the indexed numbering must agree with it.
void NumberDuplicatesByScanning(ArtistTable& table, bool grouped) {
  auto numbered = [](const std::wstring& t, int n) { return t + L" (" + std::to_wstring(n) + L")"; };
  if (grouped) {
    for (int i = 0; i < table.Count; ++i) {
      for (auto& s : table.Artists[i].Songs) {
        if (s.Number == 0) continue;
        int n = s.Number;
        std::wstring c = numbered(s.Title, n);
        auto anyTitle = [&](const std::wstring& x) {
          for (auto& o : table.Artists[i].Songs)
            if (text::Same(o.Title, x)) return true;
          return false;
        };
        auto anyDisplay = [&](const std::wstring& x) {
          for (auto& o : table.Artists[i].Songs)
            if (text::Same(DisplayForm(o), x)) return true;
          return false;
        };
        while (anyTitle(c)) {
          c = numbered(s.Title, ++n);
          while (anyDisplay(c)) c = numbered(s.Title, ++n);
        }
        s.Title = c;
        s.Number = 0;
      }
    }
    return;
  }
  for (int i = 0; i < table.Count; ++i) {
    for (int j = 0; j < table.Count; ++j) {
      if (j == i || !text::Same(table.Artists[j].Name, table.Artists[i].Name) || table.Artists[j].Songs.empty())
        continue;
      song& s = table.Artists[j].Songs.front();
      if (s.Number == 0) continue;
      const std::wstring name = table.Artists[j].Name;
      int n = s.Number;
      std::wstring c = numbered(s.Title, n);
      while (EntryHasSong(table, j, name, c, false)) {
        c = numbered(s.Title, ++n);
        while (EntryHasSong(table, j, name, c, true)) c = numbered(s.Title, ++n);
      }
      s.Title = c;
      s.Number = 0;
    }
  }
}

bool SameTables(const ArtistTable& a, const ArtistTable& b) {
  if (a.Count != b.Count) return false;
  for (int i = 0; i < a.Count; ++i) {
    const artist &x = a.Artists[i], &y = b.Artists[i];
    if (x.Name != y.Name || x.Count != y.Count) return false;
    for (int j = 0; j < x.Count; ++j)
      if (x.Songs[j].Title != y.Songs[j].Title || x.Songs[j].Path != y.Songs[j].Path ||
          x.Songs[j].Number != y.Songs[j].Number)
        return false;
  }
  return true;
}

TEST(ListModel, GroupedNumberingWithinOneArtist) {
  ArtistTable t = Build(true, {L"c:\\r\\a.mp3", L"c:\\r\\a.wav", L"c:\\r\\A.mp3"});
  ASSERT_EQ(t.Count, 1);
  EXPECT_EQ(t.Artists[0].Name, L"r");
  EXPECT_EQ(Titles(t), (std::vector<std::wstring>{L"a", L"a (2)", L"A (3)"}));
  for (auto& s : t.Artists[0].Songs) EXPECT_EQ(s.Number, 0);
}

TEST(ListModel, UngroupedNumberingAcrossEntriesOfOneName) {
  ArtistTable t = Build(false, {L"c:\\r\\a.mp3", L"c:\\r\\a.wav", L"c:\\r\\A.mp3", L"c:\\s\\a.mp3"});
  ASSERT_EQ(t.Count, 4);
  EXPECT_EQ(Names(t), (std::vector<std::wstring>{L"r", L"r", L"r", L"s"}));
  EXPECT_EQ(Titles(t), (std::vector<std::wstring>{L"a", L"a (2)", L"A (3)", L"a"}));
}

TEST(ListModel, GeneratedTitlesSkipToTheNextFreeNumber) {
  for (bool grouped : {true, false}) {
    ArtistTable t = Build(grouped, {L"c:\\r\\a (2).mp3", L"c:\\r\\a.mp3", L"c:\\r\\a.wav"});
    EXPECT_EQ(Titles(t), (std::vector<std::wstring>{L"a (2)", L"a", L"a (3)"})) << grouped;
  }
  // Folders of the same name in different places group together.
  ArtistTable t = Build(true, {L"c:\\x\\Rec\\m.mp3", L"d:\\REC\\m.mp3", L"d:\\other\\m.mp3"});
  EXPECT_EQ(Names(t), (std::vector<std::wstring>{L"Rec", L"other"}));
  EXPECT_EQ(Titles(t), (std::vector<std::wstring>{L"m", L"m (2)", L"m"}));
}

TEST(ListModel, IndexedBuildingAgreesWithScanning) {
  // Random lists over few folders and titles, many collisions, in both modes.
  std::mt19937 rng(12345);
  const wchar_t* folders[] = {L"r", L"R", L"s", L"t"};
  const wchar_t* titles[] = {L"a", L"A", L"a (2)", L"a (3)", L"b", L"a (2) (2)", L"B (2)", L"c"};
  const wchar_t* exts[] = {L".mp3", L".wav", L""};
  for (int round = 0; round < 60; ++round) {
    std::vector<std::wstring> paths;
    int n = 1 + static_cast<int>(rng() % 40);
    for (int i = 0; i < n; ++i)
      paths.push_back(std::wstring(L"c:\\") + folders[rng() % 4] + L"\\" + titles[rng() % 8] + exts[rng() % 3]);
    for (bool grouped : {true, false}) {
      ArtistTable scanned, indexed;
      TableBuilder builder(indexed, grouped);
      for (auto& p : paths) {
        ASSERT_TRUE(AddSong(scanned, grouped, p));
        ASSERT_TRUE(builder.Add(p));
      }
      ASSERT_TRUE(SameTables(scanned, indexed)) << "adding, round " << round;
      NumberDuplicatesByScanning(scanned, grouped);
      NumberDuplicates(indexed, grouped);
      ASSERT_TRUE(SameTables(scanned, indexed)) << "numbering, round " << round << " grouped " << grouped;
    }
  }
}

TEST(ListModel, NumberingOfAnyTableFollowsTheEntryOrderRule) {
  // Ungrouped: the first entry of a name is numbered last; a lone entry never.
  ArtistTable t;
  for (auto [name, title, number] : {std::tuple{L"r", L"x", 2}, {L"r", L"x", 0}, {L"r", L"x (2)", 0},
                                     {L"lone", L"y", 4}}) {
    int i = AddArtist(t, name);
    AddSongToArtist(t, i, title, L"p", number);
  }
  ArtistTable scanned = t;
  NumberDuplicates(t, false);
  NumberDuplicatesByScanning(scanned, false);
  EXPECT_TRUE(SameTables(t, scanned));
  EXPECT_EQ(t.Artists[0].Songs[0].Title, L"x (3)");
  EXPECT_EQ(t.Artists[3].Songs[0].Number, 4);
}

TEST(ListModel, SortIsStableAndLocaleAware) {
  ArtistTable t = Build(true, {L"c:\\r\\b.mp3", L"c:\\r\\A.mp3", L"c:\\r\\a.mp3"});
  // "A" and "a" differ only in case: the sort keeps them in their order, and
  // the numbering already made the second one unique.
  SortList(t);
  EXPECT_EQ(Titles(t), (std::vector<std::wstring>{L"A", L"a (2)", L"b"}));

  ArtistTable u;
  for (auto name : {L"b", L"A", L"a"}) AddSongToArtist(u, AddArtist(u, L"r"), name, L"p", 0);
  SortList(u);  // one entry each: the songs stay, the entries sort by name only
  EXPECT_EQ(Titles(u), (std::vector<std::wstring>{L"b", L"A", L"a"}));

  ArtistTable one;
  int i = AddArtist(one, L"only");
  for (auto name : {L"b", L"A", L"a"}) AddSongToArtist(one, i, name, L"p", 0);
  SortList(one);
  EXPECT_EQ(Titles(one), (std::vector<std::wstring>{L"A", L"a", L"b"}));
}

TEST(ListModel, SortMatchesTheStableInsertionSort) {
  std::mt19937 rng(7);
  const wchar_t* words[] = {L"memo", L"Memo", L"m\u00E9mo", L"memo 2", L"memo-2", L"memo_2", L"\u010Caj",
                            L"caj",  L"Zeta", L"zeta",      L"10",     L"9",      L"a'b",    L"ab"};
  for (int round = 0; round < 20; ++round) {
    ArtistTable t;
    int n = 2 + static_cast<int>(rng() % 30);
    for (int k = 0; k < n; ++k) {
      int a = AddArtist(t, words[rng() % 14]);
      AddSongToArtist(t, a, words[rng() % 14], std::to_wstring(k), 0);
    }
    std::vector<artist> expected = t.Artists;
    for (size_t k = 1; k < expected.size(); ++k)
      for (size_t m = k; m > 0 && text::Compare(expected[m - 1].Name, expected[m].Name) > 0; --m)
        std::swap(expected[m - 1], expected[m]);
    SortList(t);
    for (size_t k = 0; k < expected.size(); ++k) {
      EXPECT_EQ(t.Artists[k].Name, expected[k].Name) << round << ":" << k;
      EXPECT_EQ(t.Artists[k].Songs[0].Path, expected[k].Songs[0].Path) << round << ":" << k;
    }
  }
}

TEST(ListModel, ShuffleFollowsTheSeededGenerator) {
  auto make = [] {
    ArtistTable t;
    for (int a = 0; a < 5; ++a) {
      int i = AddArtist(t, L"a" + std::to_wstring(a));
      for (int s = 0; s < a; ++s) AddSongToArtist(t, i, L"s" + std::to_wstring(s), L"p", 0);
    }
    return t;
  };
  auto old = SetShuffleClock([] { return 45296789u; });  // 12:34:56.789
  ArtistTable t = make(), same = make();
  ShuffleList(t);
  ShuffleList(same);
  EXPECT_TRUE(SameTables(t, same));

  // The same passes computed from the generator's definition.
  ArtistTable expected = make();
  uint32_t seed = 45296789u;
  auto below = [&](int n) {
    seed = seed * 134775813u + 1u;
    return static_cast<int>((uint64_t(seed) * uint32_t(n)) >> 32);
  };
  for (int i = 0; i < expected.Count; ++i) std::swap(expected.Artists[below(expected.Count)], expected.Artists[i]);
  for (auto& a : expected.Artists)
    if (a.Count >= 2)
      for (int j = 0; j < a.Count; ++j) std::swap(a.Songs[below(a.Count)], a.Songs[j]);
  EXPECT_TRUE(SameTables(t, expected));
  EXPECT_NE(Names(t), Names(make()));  // this seed does move the artists

  SetShuffleClock([] { return 1u; });
  ArtistTable other = make();
  ShuffleList(other);
  EXPECT_FALSE(SameTables(other, t));
  SetShuffleClock(old);
}

}  // namespace
