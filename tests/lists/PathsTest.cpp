#include <gtest/gtest.h>

#include "core/KestrelUtils.h"
#include "core/globals.h"

using namespace kestrel;

TEST(Paths, ArtistAndTitleFromPath) {
  struct Case {
    const wchar_t *path, *artist, *title;
  } cases[] = {
      {L"c:\\song.mp3", L"- Unknown -", L"song"},
      {L"d:\\rec\\Memo.2.mp3", L"rec", L"Memo.2"},
      {L"rec\\a.mp3", L"rec", L"a"},
      {L"a.mp3", L"- Unknown -", L"a"},
      {L"c:/r/a.mp3", L"r", L"a"},
      {L"\\\\server\\share\\x.wav", L"share", L"x"},
      {L"d:\\rec\\noext", L"rec", L"noext"},
      {L"d:\\rec.d\\noext", L"rec.d", L"noext"},
      {L"", L"- Unknown -", L""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ArtistNameFromPath(c.path), c.artist) << c.path;
    EXPECT_EQ(TitleFromPath(c.path), c.title) << c.path;
  }
}

TEST(Paths, RelativeNetworkAndIllegal) {
  EXPECT_TRUE(IsRelativePath(L"a\\b.mp3"));
  EXPECT_TRUE(IsRelativePath(L"\\a.mp3"));
  EXPECT_FALSE(IsRelativePath(L"c:a.mp3"));
  EXPECT_FALSE(IsRelativePath(L"\\\\srv\\a.mp3"));
  EXPECT_TRUE(IsNetworkPath(L"\\\\srv\\a.mp3"));
  EXPECT_FALSE(IsNetworkPath(L"\\a.mp3"));

  EXPECT_TRUE(HasIllegalChars(L"c:\\r\\what?.mp3"));
  EXPECT_TRUE(HasIllegalChars(L"c:\\r\\x:y.mp3"));
  EXPECT_TRUE(HasIllegalChars(L":c\\a.mp3"));
  EXPECT_TRUE(HasIllegalChars(L"a\"b"));
  EXPECT_TRUE(HasIllegalChars(L"<a"));
  EXPECT_TRUE(HasIllegalChars(L"a|"));
  EXPECT_FALSE(HasIllegalChars(L"c:/r/a.mp3"));
  EXPECT_FALSE(HasIllegalChars(L"c:\\r\\a (2).mp3"));
}

TEST(Paths, Resolution) {
  AppDir = L"c:\\app\\";
  ListDir.clear();
  SongDir.clear();
  Lists = {{L"d:\\lists\\l.m3u", L"l.m3u", L"d:\\lists\\"}};

  EXPECT_EQ(ResolveSongPath(L"\\r\\a.mp3", 0), L"d:\\lists\\r\\a.mp3");
  EXPECT_EQ(ResolveSongPath(L"\\\\srv\\a.mp3", 0), L"\\\\srv\\a.mp3");
  EXPECT_EQ(ResolveSongPath(L"e:\\a.mp3", 0), L"e:\\a.mp3");
  EXPECT_EQ(ResolveSongPath(L"a.mp3", 5), L"a.mp3");

  SongDir = L"sub\\";  // a relative song folder lies in the list's folder
  EXPECT_EQ(ResolveSongPath(L"a.mp3", 0), L"d:\\lists\\sub\\a.mp3");
  SongDir = L"e:\\songs\\";
  EXPECT_EQ(ResolveSongPath(L"\\a.mp3", 0), L"e:\\songs\\a.mp3");

  EXPECT_EQ(ResolveListPath(L"l.m3u"), L"c:\\app\\l.m3u");
  ListDir = L"d:\\lists\\";
  EXPECT_EQ(ResolveListPath(L"l.m3u"), L"d:\\lists\\l.m3u");
  ListDir = L"rel\\";
  EXPECT_EQ(ResolveListPath(L"l.m3u"), L"c:\\app\\rel\\l.m3u");
  EXPECT_EQ(ResolveAppPath(L"Player.ini"), L"c:\\app\\Player.ini");
  EXPECT_EQ(ResolveAppPath(L"x:\\Player.ini"), L"x:\\Player.ini");
  ListDir.clear();
  SongDir.clear();
}
