#include <gtest/gtest.h>

#include "MessageSeam.h"
#include "core/KestrelErrors.h"
#include "core/globals.h"

using testing_support::MessageSeam;
using testing_support::ProgramEnded;

namespace {

class Messages : public ::testing::Test {
protected:
  void SetUp() override { kestrel::AppDir = L"c:\\program files\\Vocorder\\"; }
  MessageSeam seam;
};

TEST_F(Messages, FileNotFoundShowsTheProgramFolderInLowerCaseAndCanEndTheProgram) {
  EXPECT_THROW(kestrel::ErrFileNotFound(L"Player.ini", true), ProgramEnded);
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"Can not find the file,\rc:\\program files\\vocorder\\player.ini");
  EXPECT_EQ(seam.last().caption, L"Error");
  EXPECT_EQ(seam.last().icon(), UINT(MB_ICONSTOP));
  EXPECT_EQ(seam.last().buttons(), UINT(MB_OK));

  kestrel::ErrFileNotFound(L"D:\\Lists\\A\u00C4.m3u", false);  // returns: stop off
  EXPECT_EQ(seam.last().text, L"Can not find the file,\rd:\\lists\\a\u00C4.m3u");
}

TEST_F(Messages, KindsHaveTheirCaptionsAndIcons) {
  kestrel::WarnRegistry();
  EXPECT_EQ(seam.last().caption, L"Warning");
  EXPECT_EQ(seam.last().icon(), UINT(MB_ICONEXCLAMATION));
  EXPECT_EQ(seam.last().text, L"Could't create or open a registry key!");

  kestrel::MsgSelectSong();
  EXPECT_EQ(seam.last().caption, L"Vocorder");
  EXPECT_EQ(seam.last().icon(), 0u);

  EXPECT_TRUE(kestrel::AskRemoveSong(L"C:\\Rec\\Memo.MP3"));
  EXPECT_EQ(seam.last().caption, L"Confirm");
  EXPECT_EQ(seam.last().icon(), UINT(MB_ICONQUESTION));
  EXPECT_EQ(seam.last().buttons(), UINT(MB_YESNO));
  EXPECT_EQ(seam.last().text, L"Do you accept to remove this song from the list?\r\r\tc:\\rec\\memo.mp3");
}

TEST_F(Messages, TextsAreBuiltExactly) {
  kestrel::WarnIllegalSongs(L"C:\\L.m3u", 1);
  EXPECT_EQ(seam.last().text,
            L"The following list contains 1 songs with illegal characters in their path, which were not "
            L"included,\rC:\\L.m3u");
  kestrel::WarnInvalidPath(L"SONGDIR", L"X:\\Nowhere");
  EXPECT_EQ(seam.last().text,
            L"Invalid path specified in SONGDIR,\r'x:\\nowhere'\r\rNote that if drive was not specified then it "
            L"is made\rrelative to the playlist or application directory.");
  kestrel::WarnSongGone(L"Rec", L"Memo (2)");
  EXPECT_EQ(seam.last().text, L"The song for artist \"Rec\" is no longer in the list,\r'Memo (2)'");
  EXPECT_THROW(kestrel::ErrSyntax(7), ProgramEnded);
  EXPECT_EQ(seam.last().text, L"Syntax error on line 7 in settings file,\rc:\\program files\\vocorder\\player.ini");
  EXPECT_THROW(kestrel::ErrNoListFound(), ProgramEnded);
  EXPECT_EQ(seam.last().text, L"Can not find any of song lists specified in Player.ini.");
  // Out of memory for a list entry: fatal only before the window runs.
  EXPECT_NO_THROW(kestrel::ErrArrayAlloc(false));
  EXPECT_THROW(kestrel::ErrArrayAlloc(true), ProgramEnded);
}

TEST_F(Messages, QuestionsReturnTheAnswer) {
  seam.answers = {IDNO, IDRETRY, IDCANCEL};
  EXPECT_FALSE(kestrel::AskForceDevice());
  EXPECT_EQ(kestrel::AskDriveRetry(L"A"), kestrel::DriveAnswer::Retry);
  EXPECT_EQ(seam.last().buttons(), UINT(MB_RETRYCANCEL));
  EXPECT_EQ(seam.last().text, L"Drive 'A' is not accessible.");
  EXPECT_EQ(kestrel::AskDriveRetry(L"A"), kestrel::DriveAnswer::Cancel);
}

}  // namespace
