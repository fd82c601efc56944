// Replacing or removing a missing recording in the list file, and the
// missing-file dialog's Remove over its real controls.
#include <gtest/gtest.h>

#include <algorithm>

#include "lists/FakeListView.h"
#include "MessageSeam.h"
#include "TestSupport.h"
#include "base/Text.h"
#include "core/SettingsRecord.h"
#include "missing/DlgErrNoFile.h"
#include "lists/KestrelFiles.h"
#include "lists/KestrelLists.h"
#include "lists/ListEdit.h"
#include "lists/ListFile.h"
#include "support/DialogDriver.h"

using namespace kestrel;
using testing_support::DialogDriver;
using testing_support::FakeView;
using testing_support::MessageSeam;
using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

class MissingFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    Settings = TSettings{};
    Lists = {{list, L"l.m3u", dir.dir()}};
    ListIndex = 0;
    SongDir.clear();
    CurrentList = ArtistTable{};
    CurrentList.Grouped = true;
    CurrentArtist = CurrentSong = -1;
    SetListView(&view);
  }
  void TearDown() override {
    SetListView(nullptr);
    ::SetFileAttributesW(list.c_str(), FILE_ATTRIBUTE_NORMAL);  // so that the folder can go
  }

  ScratchDir dir{L"missing"};
  const std::wstring list = dir.file(L"l.m3u");
  const std::wstring backup = dir.file(L"l.bak");
  MessageSeam seam;
  FakeView view;
};

TEST_F(MissingFileTest, EveryOccurrenceIsReplacedAndTheLinesComeBackTrimmed) {
  WriteBytes(list, "  c:\\r\\gone.mp3\r\nc:\\r\\b.mp3  \r\n\r\n   \r\nC:\\R\\GONE.MP3\r\nr\\gone.mp3\r\n");
  ASSERT_TRUE(ReplaceSongInListFile(L"c:\\r\\gone.mp3", L"d:\\new\\found.mp3"));
  // The relative line names another file as far as the list is concerned.
  EXPECT_EQ(ReadBytes(list), "d:\\new\\found.mp3\r\nc:\\r\\b.mp3\r\nd:\\new\\found.mp3\r\nr\\gone.mp3\r\n");
  EXPECT_TRUE(seam.boxes.empty());
  EXPECT_FALSE(testing_support::FileExists(backup)) << "the backup goes unless BrowseBackup is on";

  ASSERT_TRUE(ReplaceSongInListFile(L"d:\\new\\found.mp3", L""));
  EXPECT_EQ(ReadBytes(list), "c:\\r\\b.mp3\r\nr\\gone.mp3\r\n");

  EXPECT_TRUE(ListFileContains(L"C:\\R\\B.MP3", list));
  EXPECT_FALSE(ListFileContains(dir.dir() + L"r\\gone.mp3", list)) << "a relative line is not resolved";
}

TEST_F(MissingFileTest, BrowseBackupKeepsTheOldListBesideTheNewOne) {
  EXPECT_EQ(BackupFileName(L"d:\\lists\\list.m3u"), L"d:\\lists\\list.bak");
  EXPECT_EQ(BackupFileName(L"d:\\lists.old\\list"), L"d:\\lists.old\\list.bak");

  Settings.BrowseBackup = true;
  WriteBytes(list, "c:\\r\\gone.mp3\r\n");
  ASSERT_TRUE(ReplaceSongInListFile(L"c:\\r\\gone.mp3", L"c:\\s\\here.mp3"));
  EXPECT_EQ(ReadBytes(backup), "c:\\r\\gone.mp3\r\n");
  EXPECT_EQ(ReadBytes(list), "c:\\s\\here.mp3\r\n");
}

TEST_F(MissingFileTest, AReadOnlyListIsRewrittenOnlyOnYesAndStaysReadOnly) {
  const std::string old = "c:\\r\\gone.mp3\r\n";
  WriteBytes(list, old);
  ASSERT_TRUE(SetReadOnly(list));

  seam.answers = {IDNO};
  EXPECT_FALSE(ReplaceSongInListFile(L"c:\\r\\gone.mp3", L"c:\\s\\here.mp3"));
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"This file is read-only, do you still wish to rewrite it?\r\r" + text::LowerAscii(list));
  EXPECT_EQ(ReadBytes(list), old);
  EXPECT_TRUE(IsReadOnly(list));
  EXPECT_FALSE(testing_support::FileExists(backup));

  seam.answers = {IDYES};
  EXPECT_TRUE(ReplaceSongInListFile(L"c:\\r\\gone.mp3", L"c:\\s\\here.mp3"));
  EXPECT_EQ(ReadBytes(list), "c:\\s\\here.mp3\r\n");
  EXPECT_TRUE(IsReadOnly(list));
  EXPECT_EQ(seam.boxes.size(), 2u);
}

TEST_F(MissingFileTest, ARewriteThatFailsHalfWayKeepsTheOldLinesAndSaysSoOnce) {
  const std::string old = "c:\\r\\gone.mp3\r\nc:\\r\\b.mp3\r\nc:\\r\\c.mp3\r\n";
  WriteBytes(list, old);
  ASSERT_TRUE(SetReadOnly(list));
  seam.answers = {IDYES};
  size_t budget = 10;  // the disk fills up within the first line
  auto previous = SetListFileWriter([&](HANDLE f, const void* data, DWORD size, DWORD* written) -> BOOL {
    *written = 0;
    if (budget == 0) return FALSE;
    DWORD n = std::min<DWORD>(size, static_cast<DWORD>(budget));
    budget -= n;
    return ::WriteFile(f, data, n, written, nullptr);
  });
  EXPECT_FALSE(ReplaceSongInListFile(L"c:\\r\\gone.mp3", L"c:\\s\\here.mp3"));
  SetListFileWriter(std::move(previous));

  EXPECT_EQ(ReadBytes(list), old);
  EXPECT_TRUE(IsReadOnly(list)) << "the old lines keep their protection";
  EXPECT_EQ(ReadBytes(backup), old) << "the backup stays after a failure";
  ASSERT_EQ(seam.boxes.size(), 2u);  // the read-only question, then the one error
  EXPECT_EQ(seam.last().text, L"Can not create or write to the file,\r" + list);
}

TEST_F(MissingFileTest, AListThatCannotBeEditedDisablesBrowseAndRemoveAndALongPathWraps) {
  Lists[0].Path = dir.file(L"not-there.m3u");
  const std::wstring longPath = L"c:\\" + std::wstring(40, L'x') + L"\\" + std::wstring(40, L'y') + L"\\" +
                                std::wstring(40, L'z') + L"\\recording.mp3";
  DialogDriver::Run([&] { ShowMissingFile(longPath); },
                    [&](DialogDriver& d) {
                      EXPECT_EQ(d.Caption(), L"Error");
                      EXPECT_EQ(d.Text(form4::idFile), longPath);
                      EXPECT_FALSE(d.Enabled(form4::idBrowse));
                      EXPECT_FALSE(d.Enabled(form4::idRemove));
                      RECT client, label;
                      ::GetClientRect(d.Window(), &client);
                      ::GetWindowRect(d.Control(form4::idFile), &label);
                      EXPECT_EQ(client.right, 571);
                      EXPECT_GT(label.bottom - label.top, 20) << "the path wraps onto more lines";
                      d.Key(VK_ESCAPE);
                    });
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(MissingFileTest, RemoveDropsTheSongAndSelectsTheOneThatFollowed) {
  const std::wstring gone = dir.file(L"r\\a.mp3");
  WriteBytes(list, text::ToAnsi(gone + L"\r\n" + dir.file(L"r\\b.mp3") + L"\r\n" + dir.file(L"r\\c.mp3") + L"\r\n"));
  ASSERT_TRUE(ReloadList(CurrentList, true, false, false, false, 0));
  view.SelectArtistItem(0);
  view.SelectSongItem(0);  // r / a, whose file is missing
  Settings.PlaySelected = true;

  DialogDriver::Run([&] { ShowMissingFile(gone); },
                    [&](DialogDriver& d) {
                      EXPECT_TRUE(d.Enabled(form4::idRemove));
                      d.Press(form4::idRemove);
                    });
  ASSERT_EQ(seam.boxes.size(), 2u);
  EXPECT_EQ(seam.boxes[0].text, L"Do you accept to remove this song from the list?\r\r\t" + text::LowerAscii(gone));
  EXPECT_EQ(seam.boxes[1].text, L"The song for artist \"r\" is no longer in the list,\r'a'");
  EXPECT_EQ(ReadBytes(list), text::ToAnsi(dir.file(L"r\\b.mp3") + L"\r\n" + dir.file(L"r\\c.mp3") + L"\r\n"));
  ASSERT_EQ(CurrentList.Count, 1);
  EXPECT_EQ(view.selectedSong, 0);
  EXPECT_EQ(CurrentList.Artists[0].Songs[0].Title, L"b");
  EXPECT_FALSE(view.playing) << "the reload selects without playing";
  EXPECT_TRUE(Settings.PlaySelected);
  EXPECT_EQ(view.playClicks, 0) << "only Browse plays the song";
}

}  // namespace
