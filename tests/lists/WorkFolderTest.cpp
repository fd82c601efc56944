// Where the working files go: the program's folder when the user may write
// there, else the user's own folder filled from the installed defaults.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestSupport.h"
#include "lists/WorkFolder.h"

namespace {

TEST(WorkFolder, MayWriteOnlyWhereTheUserMayCreateFilesAndLeavesNothingThere) {
  testing_support::ScratchDir dir(L"wf");
  EXPECT_TRUE(kestrel::MayWriteIn(dir.dir()));
  ASSERT_TRUE(testing_support::SetFolderWritable(dir.dir(), false));
  EXPECT_FALSE(kestrel::MayWriteIn(dir.dir())) << "read-only for everyone, as Program Files is for a user";
  ASSERT_TRUE(testing_support::SetFolderWritable(dir.dir(), true));
  EXPECT_FALSE(kestrel::MayWriteIn(dir.dir() + L"missing"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST(WorkFolder, TheUserFolderStartsFromTheInstalledDefaultsAndKeepsWhatTheUserChanged) {
  testing_support::ScratchDir program(L"wfp"), profile(L"wfu");
  testing_support::WriteBytes(program.file(L"Player.ini"), "list=office.m3u\r\n");
  testing_support::WriteBytes(program.file(L"office.m3u"), "C:\\letters\\a.mp3\r\n");
  const std::wstring user = profile.dir() + L"Vocorder\\";
  ASSERT_TRUE(kestrel::PrepareUserWorkFolder(program.dir(), user));
  EXPECT_EQ(testing_support::ReadBytes(user + L"Player.ini"), "list=office.m3u\r\n");
  EXPECT_EQ(testing_support::ReadBytes(user + L"office.m3u"), "C:\\letters\\a.mp3\r\n");

  testing_support::WriteBytes(user + L"Player.ini", "list=mine.m3u\r\n");
  testing_support::WriteBytes(program.file(L"new.m3u"), "C:\\b.mp3\r\n");
  ASSERT_TRUE(kestrel::PrepareUserWorkFolder(program.dir(), user));
  EXPECT_EQ(testing_support::ReadBytes(user + L"Player.ini"), "list=mine.m3u\r\n");
  EXPECT_EQ(testing_support::ReadBytes(user + L"new.m3u"), "C:\\b.mp3\r\n") << "a default a later installation added";
  EXPECT_FALSE(kestrel::PrepareUserWorkFolder(program.dir(), profile.dir() + L"no\\such\\folder"));
}

}  // namespace
