// The remembered positions: kept across runs in their file, found by path in
// any case, the most recent ones only, and a damaged file read as none.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "lists/ResumePositions.h"

using namespace std::string_view_literals;
using kestrel::TResumePositions;
using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

constexpr int64_t kSecond = 10'000'000;

TEST(ResumePositions, KeptAcrossRunsByPathInAnyCaseMostRecentOnly) {
  ScratchDir dir{L"pos"};
  // The folder does not exist yet: the first write makes it.
  const std::wstring file = dir.file(L"Vocorder\\positions.txt");
  {
    TResumePositions p(file);
    EXPECT_EQ(p.Count(), 0u);
    EXPECT_TRUE(p.Remember(L"C:\\Diktáty\\Jan.mp3", 7 * kSecond));
    EXPECT_TRUE(p.Remember(L"C:\\Diktáty\\Done.mp3", 3 * kSecond));
    EXPECT_TRUE(p.Forget(L"c:\\diktáty\\DONE.MP3"));  // played to the end
  }
  TResumePositions again(file);
  EXPECT_EQ(again.Find(L"c:\\DIKTÁTY\\jan.mp3"), 7 * kSecond);
  EXPECT_FALSE(again.Find(L"C:\\Diktáty\\Done.mp3"));

  // Past the capacity the oldest go; using one makes it the most recent.
  for (size_t i = 0; i < TResumePositions::kCapacity; ++i) {
    again.Remember(L"C:\\r\\" + std::to_wstring(i) + L".mp3", kSecond);
    if (i == 500) again.Remember(L"C:\\Diktáty\\Jan.mp3", 8 * kSecond);
  }
  TResumePositions full(file);
  EXPECT_EQ(full.Count(), TResumePositions::kCapacity);
  EXPECT_FALSE(full.Find(L"C:\\r\\0.mp3"));
  EXPECT_EQ(full.Find(L"C:\\r\\999.mp3"), kSecond);
  EXPECT_EQ(full.Find(L"C:\\Diktáty\\Jan.mp3"), 8 * kSecond);
}

TEST(ResumePositions, DamagedLinesArePassedOverAndNamesOutsideTheAnsiCodePageStayApart) {
  ScratchDir dir{L"posbad"};
  const std::wstring file = dir.file(L"positions.txt");
  const std::string_view keepA[] = {
      "Vocorder positions 2\r\n7000\tC:\\a.mp3\r\n7x00\tC:\\b.mp3\r\n"sv,           // not a number
      "Vocorder positions 2\r\n7000 C:\\b.mp3\r\n7000\tC:\\a.mp3\r\n3000"sv,        // no tab, cut off
      "Vocorder positions 2\r\n7000\tC:\\a.mp3\r\n9000\tc:\\A.MP3\r\n"sv,         // named again
      "Vocorder positions 2\r\n922337203685478\tC:\\b.mp3\r\n7000\tC:\\a.mp3\r\n"sv,  // too large
      "Vocorder positions 2\r\n1\tC:\\\xff.mp3\r\n7000\tC:\\a.mp3\r\n"sv,           // not UTF-8
  };
  for (std::string_view bytes : keepA) {
    WriteBytes(file, bytes);
    TResumePositions p(file);
    EXPECT_EQ(p.Count(), 1u) << bytes;
    EXPECT_EQ(p.Find(L"C:\\a.mp3"), 7 * kSecond) << bytes;
  }
  WriteBytes(file, "7000\tC:\\a.mp3\r\n");  // no header: not ours
  EXPECT_EQ(TResumePositions(file).Count(), 0u);
  WriteBytes(file, "Vocorder positions 2\r\n922337203685477\tC:\\a.mp3\r\n");
  EXPECT_EQ(TResumePositions(file).Find(L"C:\\a.mp3"), 922337203685477 * 10'000);

  // An ANSI file is read; names apart only outside its code page stay apart in UTF-8.
  WriteBytes(file, "Vocorder positions 1\r\n7000\tC:\\Dikt\xE1ty\\a.mp3\r\n");
  TResumePositions p(file);
  EXPECT_EQ(p.Find(L"C:\\Diktáty\\a.mp3"), 7 * kSecond);
  ASSERT_TRUE(p.Remember(L"C:\\\u03A9.mp3", 2 * kSecond + 5'000));
  ASSERT_TRUE(p.Remember(L"C:\\\u03A8.mp3", 3 * kSecond));
  EXPECT_EQ(TResumePositions(file).Find(L"C:\\\u03A9.mp3"), 2 * kSecond);
  EXPECT_EQ(ReadBytes(file),
            "Vocorder positions 2\r\n3000\tC:\\\xCE\xA8.mp3\r\n2000\tC:\\\xCE\xA9.mp3\r\n"
            "7000\tC:\\Dikt\xC3\xA1ty\\a.mp3\r\n");
}

}  // namespace
