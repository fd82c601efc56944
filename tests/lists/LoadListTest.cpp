// Loading list files, reloading, and what the main window's controls get.
#include <gtest/gtest.h>

#include <optional>

#include "FakeListView.h"
#include "MessageSeam.h"
#include "TestSupport.h"
#include "base/Text.h"
#include "lists/KestrelLists.h"
#include "core/SettingsRecord.h"

using namespace kestrel;
using namespace std::string_literals;
using testing_support::FakeView;
using testing_support::MessageSeam;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

class LoadListTest : public ::testing::Test {
protected:
  void SetUp() override {
    Settings = TSettings{};
    Lists = {{dir.file(L"l.m3u"), L"l.m3u", dir.dir()}};
    ListIndex = 0;
    SongDir.clear();
    CurrentList = ArtistTable{};
    CurrentArtist = CurrentSong = -1;
    SetListView(&view);
  }
  void TearDown() override { SetListView(nullptr); }

  void WriteList(std::string_view content) { WriteBytes(dir.file(L"l.m3u"), content); }
  bool Load(ArtistTable& t, bool grouped, bool sorted = false, int randomTimes = 0) {
    return LoadList(t, grouped, sorted, 0, randomTimes);
  }

  ScratchDir dir{L"list"};
  MessageSeam seam;
  FakeView view;
};

TEST_F(LoadListTest, LinesAreTrimmedAndEmptyOnesSkipped) {
  WriteList("  c:\\r\\a.mp3 \t\r\n\r\n\t\r\nc:\\r\\b.mp3\r\n");
  ArtistTable t;
  ASSERT_TRUE(Load(t, true));
  ASSERT_EQ(t.Count, 1);
  ASSERT_EQ(t.Artists[0].Count, 2);
  EXPECT_EQ(t.Artists[0].Songs[0].Path, L"c:\\r\\a.mp3");
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(LoadListTest, LineEndsAndCtrlZ) {
  // LF alone and a lone CR end lines too, so lists written elsewhere load
  // with one song per line; a Ctrl-Z ends the file.
  WriteList("c:\\r\\a.mp3\nc:\\r\\b.mp3\rc:\\r\\c.mp3\r\n\x1A" "c:\\r\\d.mp3\r\n");
  ArtistTable t;
  ASSERT_TRUE(Load(t, true));
  ASSERT_EQ(t.Count, 1);
  EXPECT_EQ(t.Artists[0].Count, 3);
}

TEST_F(LoadListTest, IllegalLinesAreSkippedAndReportedOnce) {
  WriteList("c:\\r\\what?.mp3\r\nc:\\r\\x:y.mp3\r\nc:/r/a.mp3\r\nc:\\r\\nul\0x.mp3\r\n"s);
  ArtistTable t;
  ASSERT_TRUE(Load(t, true));
  ASSERT_EQ(t.Count, 1);
  EXPECT_EQ(t.Artists[0].Songs[0].Path, L"c:/r/a.mp3");
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"The following list contains 3 songs with illegal characters in their path, which "
                              L"were not included,\r" + dir.file(L"l.m3u"));
}

TEST_F(LoadListTest, MissingListFileLeavesTheTableAlone) {
  ArtistTable t;
  AddSong(t, true, L"c:\\keep\\me.mp3");
  Lists[0].Path = dir.file(L"missing.m3u");
  EXPECT_FALSE(Load(t, true));
  EXPECT_EQ(t.Count, 1);
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().caption, L"Error");
}

TEST_F(LoadListTest, IncludeExistingLeavesOutMissingFilesSilently) {
  WriteBytes(dir.file(L"here.mp3"), "x");
  WriteList("here.mp3\r\ngone.mp3\r\n" + text::ToAnsi(dir.file(L"here.mp3")) + "\r\n");
  Settings.IncludeExisting = true;
  ArtistTable t;
  ASSERT_TRUE(Load(t, false));
  EXPECT_EQ(t.Count, 2);
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(LoadListTest, BadInputNeverCrashes) {
  std::string garbage;
  for (int i = 0; i < 20000; ++i) garbage += static_cast<char>((i * 131 + 7) % 256);
  WriteList(garbage);
  ArtistTable t;
  EXPECT_TRUE(Load(t, true));
  WriteList(std::string(100000, 'a') + "\r\nc:\\" + std::string(300, 'd') + "\\x.mp3\r\n");
  ASSERT_TRUE(Load(t, false));
  EXPECT_EQ(t.Count, 2);
  WriteList("\x1A");
  ASSERT_TRUE(Load(t, true));
  EXPECT_EQ(t.Count, 0);
}

TEST_F(LoadListTest, SortWinsOverShuffleAndZeroTimesDoesNotShuffle) {
  WriteList("c:\\b\\1.mp3\r\nc:\\a\\2.mp3\r\nc:\\c\\3.mp3\r\nc:\\d\\4.mp3\r\nc:\\e\\5.mp3\r\n");
  Settings.EnableRandom = true;
  auto old = SetShuffleClock([] { return 987654u; });
  ArtistTable t;
  ASSERT_TRUE(Load(t, true, true, 3));
  EXPECT_EQ(t.Artists[0].Name, L"a");
  ASSERT_TRUE(Load(t, true, false, 0));
  EXPECT_EQ(t.Artists[0].Name, L"b");
  EXPECT_EQ(t.Artists[4].Name, L"e");

  // Default times 3: four passes of the same seed.
  ASSERT_TRUE(Load(t, true, false, 3));
  ArtistTable expected;
  for (auto p : {L"c:\\b\\1.mp3", L"c:\\a\\2.mp3", L"c:\\c\\3.mp3", L"c:\\d\\4.mp3", L"c:\\e\\5.mp3"})
    AddSong(expected, true, p);
  for (int i = 0; i < 4; ++i) ShuffleList(expected);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t.Artists[i].Name, expected.Artists[i].Name);
  SetShuffleClock(old);
}

TEST_F(LoadListTest, RebuildDerivesTitlesAgain) {
  WriteList("c:\\r\\a.mp3\r\nc:\\r\\a.wav\r\nc:\\s\\z.mp3\r\n");
  ArtistTable t;
  ASSERT_TRUE(Load(t, true));
  ASSERT_TRUE(RebuildList(t, false, false, 0));  // ungroup from memory
  ASSERT_EQ(t.Count, 3);
  EXPECT_EQ(t.Artists[1].Songs[0].Title, L"a (2)");
  ASSERT_TRUE(RebuildList(t, true, true, 0));
  ASSERT_EQ(t.Count, 2);
  EXPECT_EQ(t.Artists[0].Songs[1].Title, L"a (2)");
}

TEST_F(LoadListTest, FillArtistsSetsTheGroupButtonAndListButtons) {
  ArtistTable t;
  FillArtists(t, true);
  EXPECT_EQ(view.listButtons, 0);
  EXPECT_EQ(view.grouped, true);
  FillArtists(t, true);
  EXPECT_EQ(view.groupedChanges, 1);  // only told when it changes

  AddSong(t, true, L"c:\\r\\1.mp3");
  view.listButtons = -1;
  FillArtists(t, false);
  EXPECT_EQ(view.listButtons, 0);
  EXPECT_EQ(view.grouped, false);

  for (int i = 2; i <= 5; ++i) AddSong(t, true, L"c:\\r\\" + std::to_wstring(i) + L".mp3");
  view.listButtons = -1;
  FillArtists(t, true);
  EXPECT_EQ(view.listButtons, -1);  // one artist with 5 songs: left as they were

  AddSong(t, true, L"c:\\s\\1.mp3");
  FillArtists(t, true);
  EXPECT_EQ(view.listButtons, 1);
  EXPECT_EQ(view.artists, (std::vector<std::wstring>{L"r", L"s"}));
}

TEST_F(LoadListTest, ReloadKeepsTheSelectionAndWarnsWhenTheSongIsGone) {
  WriteList("c:\\r\\a.mp3\r\nc:\\r\\b.mp3\r\nc:\\s\\c.mp3\r\n");
  ASSERT_TRUE(ReloadList(CurrentList, true, true, false, false, 0));
  EXPECT_EQ(view.artists, (std::vector<std::wstring>{L"r", L"s"}));
  view.SelectArtistItem(0);
  view.SelectSongItem(1);  // r / b

  WriteList("c:\\r\\b.mp3\r\nc:\\r\\a.mp3\r\nc:\\s\\c.mp3\r\n");
  ASSERT_TRUE(ReloadList(CurrentList, true, false, false, true, 0));
  EXPECT_EQ(view.selectedArtist, 0);
  EXPECT_EQ(view.selectedSong, 0);  // b is first now
  EXPECT_FALSE(view.playing) << "a reload selects without playing";
  EXPECT_TRUE(Settings.PlaySelected);

  WriteList("c:\\r\\a.mp3\r\nc:\\s\\c.mp3\r\n");
  ASSERT_TRUE(ReloadList(CurrentList, true, false, false, true, 0));
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"The song for artist \"r\" is no longer in the list,\r'b'");
  EXPECT_EQ(view.selectedArtist, 0);  // the artist stays selected

  view.SelectArtistItem(1);  // s / c
  WriteList("c:\\r\\a.mp3\r\n");
  ASSERT_TRUE(ReloadList(CurrentList, true, false, false, true, 0));
  EXPECT_EQ(view.selectedArtist, 0);  // artist gone: the first one
  EXPECT_FALSE(view.playing);
  SelectFirstArtist();  // as the main window does after loading into an empty list
  EXPECT_TRUE(view.playing);

  // Ungrouped: the entry holding the song is selected.
  WriteList("c:\\r\\a.mp3\r\nc:\\r\\b.mp3\r\n");
  ASSERT_TRUE(ReloadList(CurrentList, false, false, false, false, 0));
  view.SelectArtistItem(1);
  ASSERT_TRUE(ReloadList(CurrentList, false, false, true, true, 0));
  EXPECT_EQ(view.selectedArtist, 1);
}

TEST_F(LoadListTest, NextAndPrevious) {
  WriteList("c:\\r\\a.mp3\r\nc:\\r\\b.mp3\r\nc:\\s\\c.mp3\r\n");
  ASSERT_TRUE(Load(CurrentList, true));
  AddArtist(CurrentList, L"empty");
  CurrentArtist = 0;
  CurrentSong = 0;
  EXPECT_TRUE(HasNextSong());
  EXPECT_FALSE(HasPrevSong());
  EXPECT_EQ(NextSongPath(), L"c:\\r\\b.mp3");
  CurrentSong = 1;
  EXPECT_EQ(NextSongPath(), L"c:\\s\\c.mp3");
  UpdateNextPrevButtons();
  EXPECT_TRUE(view.next);
  EXPECT_TRUE(view.prev);
  CurrentArtist = 1;
  CurrentSong = 0;
  EXPECT_FALSE(HasNextSong());  // only an empty artist follows
  EXPECT_TRUE(HasPrevSong());
  EXPECT_EQ(NextSongPath(), L"");
  // A folder chosen with no recording selected has one to go back to.
  CurrentArtist = 0;
  CurrentSong = -1;
  EXPECT_TRUE(HasPrevSong());
}

}  // namespace
