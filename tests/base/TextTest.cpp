#include "base/Text.h"

#include <gtest/gtest.h>

TEST(Text, CompareIgnoresCaseAndFollowsLocale) {
  EXPECT_EQ(text::Compare(L"abc", L"ABC"), 0);
  EXPECT_LT(text::Compare(L"a", L"b"), 0);
  EXPECT_GT(text::Compare(L"B", L"a"), 0);
  EXPECT_TRUE(text::Same(L"Memo", L"mEMO"));
  EXPECT_FALSE(text::Same(L"a", L"a "));
}

TEST(Text, SortKeysAreEqualExactlyForEqualTexts) {
  const wchar_t* words[] = {L"a", L"A", L"a (2)", L"A (2)", L"b", L"\u010Caj", L"\u010Daj", L"caj", L"", L"x y"};
  for (auto a : words)
    for (auto b : words)
      EXPECT_EQ(text::SortKey(a) == text::SortKey(b), text::Same(a, b)) << "'" << a << "' vs '" << b << "'";
}

TEST(Text, LowerAsciiTouchesOnlyAtoZ) {
  EXPECT_EQ(text::LowerAscii(L"D:\\Lists\\A.M3U \u010C"), L"d:\\lists\\a.m3u \u010C");
}

TEST(Text, TrimDropsBlanksAndControlCharacters) {
  EXPECT_EQ(text::Trim(L" \t\x01 a b \r\n"), L"a b");
  EXPECT_EQ(text::Trim(L"   "), L"");
}

TEST(Text, AnsiRoundTrip) {
  std::wstring s = L"C:\\rec\\memo 1.mp3";
  EXPECT_EQ(text::FromAnsi(text::ToAnsi(s)), s);
  EXPECT_EQ(text::FromAnsi(std::string("a\0b", 3)).size(), 3u);
}

TEST(Text, ToIntAcceptsOnlyDecimalNumbers) {
  EXPECT_EQ(text::ToInt(L" -50 "), -50);
  EXPECT_EQ(text::ToInt(L"120"), 120);
  EXPECT_FALSE(text::ToInt(L"12px"));
  EXPECT_FALSE(text::ToInt(L""));
  EXPECT_FALSE(text::ToInt(L"-"));
}
