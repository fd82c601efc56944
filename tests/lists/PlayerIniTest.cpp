#include <windows.h>

#include <gtest/gtest.h>

#include "MessageSeam.h"
#include "TestSupport.h"
#include "base/Text.h"
#include "lists/KestrelParams.h"
#include "core/globals.h"

using testing_support::MessageSeam;
using testing_support::ProgramEnded;
using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

using namespace std::string_literals;

namespace {

class PlayerIni : public ::testing::Test {
protected:
  void SetUp() override {
    ::GetCurrentDirectoryW(MAX_PATH, oldDir_);
    ::SetCurrentDirectoryW(dir.path().c_str());
    WriteBytes(dir.file(L"a.m3u"), "");
  }
  void TearDown() override { ::SetCurrentDirectoryW(oldDir_); }

  // Runs ReadPlayerIni over the content; true when it returned normally.
  bool Read(std::string_view ini) {
    WriteBytes(dir.file(L"Player.ini"), ini);
    try {
      kestrel::ReadPlayerIni(dir.dir());
      return true;
    } catch (const ProgramEnded&) {
      return false;
    }
  }
  std::wstring AppDir() const { return text::LowerAscii(dir.dir()); }
  std::wstring SyntaxText(int line) const {
    return L"Syntax error on line " + std::to_wstring(line) + L" in settings file,\r" + AppDir() + L"player.ini";
  }

  ScratchDir dir{L"ini"};
  MessageSeam seam;
  wchar_t oldDir_[MAX_PATH];
};

TEST_F(PlayerIni, TheProgramsOwnListIsEmptiedAndNamed) {
  WriteBytes(dir.file(L"listdir.m3u"), "c:\\old.mp3\r\n");
  ASSERT_TRUE(Read("list=listdir.m3u\r\n"));
  ASSERT_EQ(kestrel::Lists.size(), 1u);
  EXPECT_EQ(kestrel::Lists[0].Path, AppDir() + L"listdir.m3u");
  EXPECT_EQ(kestrel::Lists[0].Name, L"listdir.m3u");
  EXPECT_EQ(kestrel::Lists[0].Dir, AppDir());
  EXPECT_EQ(kestrel::FirstListPath, kestrel::Lists[0].Path);
  EXPECT_EQ(ReadBytes(dir.file(L"listdir.m3u")), "");
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(PlayerIni, MissingFileEndsTheProgramNamingItInTheProgramFolder) {
  ::DeleteFileW(dir.file(L"Player.ini").c_str());
  EXPECT_THROW(kestrel::ReadPlayerIni(dir.dir()), ProgramEnded);
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"Can not find the file,\r" + AppDir() + L"player.ini");
}

TEST_F(PlayerIni, CommentsBlankLinesAndEmptyOtherKeysAreAccepted) {
  ASSERT_TRUE(Read("; a comment\r\n\r\n   \r\n\t; indented comment\nvolume=\r\n  LiSt \t=  a.m3u  \r\n"));
  ASSERT_EQ(kestrel::Lists.size(), 1u);
  EXPECT_EQ(kestrel::Lists[0].Path, AppDir() + L"a.m3u");
}

TEST_F(PlayerIni, SyntaxErrorsNameTheirLine) {
  struct Case {
    const char* ini;
    int line;
  } cases[] = {
      {"list=a.m3u\r\n; c\r\nvolume=5\r\n", 3},         // another key with a value
      {"list=a.m3u\r\n\r\nlist=a.m3u\r\n", 3},          // a second list line
      {"list=a.m3u\nfoo\n", 2},                          // LF line ends
      {"\r\n\n\r\nlist=a.m3u\r\nab", 5},                 // unterminated last line
      {"songdir\r\nlist=a.m3u\r\n", 1},                  // a key without "="
      {"list=a.m3u\r\nvolume=1\rlist=x\r\n", 2},         // a lone CR stays in the value's line
  };
  for (const auto& c : cases) {
    seam.boxes.clear();
    EXPECT_FALSE(Read(c.ini)) << c.ini;
    ASSERT_EQ(seam.boxes.size(), 1u) << c.ini;
    EXPECT_EQ(seam.last().text, SyntaxText(c.line)) << c.ini;
  }
}

TEST_F(PlayerIni, LastCharacterOfTheFileIsNotPartOfAKey) {
  EXPECT_TRUE(Read("list=a.m3u\r\nx"));
  EXPECT_TRUE(Read("list=a.m3u\r\n;"));
  EXPECT_TRUE(Read("list=a.m3u"));  // a value runs to the end of the file
  EXPECT_EQ(kestrel::Lists[0].Path, AppDir() + L"a.m3u");
}

TEST_F(PlayerIni, ValuesEndAtLfOrCrLfAndDropALoneCr) {
  ASSERT_TRUE(Read("list=a.m\r3u\r\n"));
  ASSERT_EQ(kestrel::Lists.size(), 1u);
  EXPECT_EQ(kestrel::Lists[0].Path, AppDir() + L"a.m3u");
}

TEST_F(PlayerIni, ListDirAndDisplayName) {
  ScratchDir lists(L"lists");
  WriteBytes(lists.file(L"notes.m3u"), "");
  std::string ini = "listdir=" + text::ToAnsi(lists.path().wstring()) + "\r\nlist=notes.m3u : My notes\r\n";
  ASSERT_TRUE(Read(ini));
  ASSERT_EQ(kestrel::Lists.size(), 1u);
  EXPECT_EQ(kestrel::ListDir, lists.dir());
  EXPECT_EQ(kestrel::Lists[0].Path, lists.file(L"notes.m3u"));
  EXPECT_EQ(kestrel::Lists[0].Name, L"My notes");
  EXPECT_EQ(kestrel::Lists[0].Dir, lists.dir());
}

TEST_F(PlayerIni, InvalidDirectoriesWarnAndAreDropped) {
  ASSERT_TRUE(Read("songdir = Q:\\No\\Such \r\nlistdir=\r\nlist=a.m3u\r\n"));
  ASSERT_EQ(seam.boxes.size(), 2u);
  EXPECT_NE(seam.boxes[0].text.find(L"Invalid path specified in SONGDIR,\r'q:\\no\\such'"), std::wstring::npos);
  EXPECT_NE(seam.boxes[1].text.find(L"Invalid path specified in LISTDIR,\r''"), std::wstring::npos);
  EXPECT_EQ(kestrel::SongDir, L"");
  EXPECT_EQ(kestrel::ListDir, L"");
  ASSERT_EQ(kestrel::Lists.size(), 1u);
}

TEST_F(PlayerIni, NoUsableListEndsTheProgram) {
  const char* inis[] = {"; nothing\r\n", "list=missing.m3u\r\n", "\x1A" "list=a.m3u\r\n", ""};
  for (const char* ini : inis) {
    seam.boxes.clear();
    EXPECT_FALSE(Read(ini)) << ini;
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.last().text, L"Can not find any of song lists specified in Player.ini.");
  }
}

TEST_F(PlayerIni, CtrlZEndsTheFile) { EXPECT_TRUE(Read("list=a.m3u\r\n\x1Avolume=5\r\n")); }

TEST_F(PlayerIni, GarbageNeverCrashes) {
  std::string nul = "list=a.m3u\r\n\0\0x\r\n"s;
  EXPECT_FALSE(Read(nul));
  EXPECT_EQ(seam.last().text, SyntaxText(2));

  std::string nulInValue = "list=a.m3u\0tail\r\n"s;
  EXPECT_FALSE(Read(nulInValue));  // a NUL in a path names no file
  EXPECT_EQ(seam.last().text, L"Can not find any of song lists specified in Player.ini.");

  EXPECT_FALSE(Read(std::string(100000, 'k') + "\r\nlist=a.m3u\r\n"));
  EXPECT_EQ(seam.last().text, SyntaxText(1));

  std::string path300 = "list=" + std::string(300, 'p') + ".m3u\r\n";
  EXPECT_FALSE(Read(path300));
  EXPECT_EQ(seam.last().text, L"Can not find any of song lists specified in Player.ini.");

  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919 + 13) % 256);
  Read(binary);
  EXPECT_FALSE(seam.boxes.empty());
}

TEST(AddList, ColonRulesAndDisplayNames) {
  ScratchDir dir(L"addlist");
  WriteBytes(dir.file(L"a.m3u"), "");
  kestrel::Lists.clear();
  kestrel::FirstListPath.clear();
  std::wstring path = dir.file(L"a.m3u");
  EXPECT_EQ(kestrel::AddList(path), 0);
  EXPECT_EQ(kestrel::Lists[0].Name, L"a.m3u");
  EXPECT_EQ(kestrel::AddList(path + L"  :  Dictations"), 1);
  EXPECT_EQ(kestrel::Lists[1].Name, L"Dictations");
  EXPECT_EQ(kestrel::Lists[1].Path, path);
  EXPECT_EQ(kestrel::AddList(path + L"x"), -1);
  EXPECT_EQ(kestrel::AddList(L"c:"), -1);
  EXPECT_EQ(kestrel::Lists.size(), 2u);
  EXPECT_EQ(kestrel::FirstListPath, path);
}

}  // namespace
