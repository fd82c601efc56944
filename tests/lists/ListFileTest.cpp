// Appending to and rewriting list files, and what a failed write leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "MessageSeam.h"
#include "TestSupport.h"
#include "base/WinHandles.h"
#include "core/globals.h"
#include "lists/KestrelLists.h"
#include "lists/ListFile.h"

using namespace kestrel;
using testing_support::MessageSeam;
using testing_support::ReadBytes;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

// Writes go to the disk until `budget` bytes are used up, then fail as on
// a full volume.
class FullVolume {
public:
  explicit FullVolume(size_t budget) {
    old_ = SetListFileWriter([this, budget](HANDLE f, const void* data, DWORD size, DWORD* written) -> BOOL {
      *written = 0;
      if (used_ >= budget) {
        ::SetLastError(ERROR_DISK_FULL);
        return FALSE;
      }
      DWORD n = static_cast<DWORD>(std::min<size_t>(size, budget - used_));
      BOOL ok = ::WriteFile(f, data, n, written, nullptr);
      used_ += *written;
      return ok;
    });
  }
  ~FullVolume() { SetListFileWriter(std::move(old_)); }

private:
  ListFileWriter old_;
  size_t used_ = 0;
};

class ListFileTest : public ::testing::Test {
protected:
  size_t FilesInFolder() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++n;
    return n;
  }

  ScratchDir dir{L"lf"};
  const std::wstring list = dir.file(L"l.m3u");
  MessageSeam seam;
};

TEST_F(ListFileTest, RewriteAndAppend) {
  WriteBytes(list, "old\r\n");
  ASSERT_TRUE(WriteListFile(list, {L"c:\\r\\a.mp3", L"c:\\r\\b.mp3"}));
  EXPECT_EQ(ReadBytes(list), "c:\\r\\a.mp3\r\nc:\\r\\b.mp3\r\n");
  ASSERT_TRUE(WriteListFile(list, {}));
  EXPECT_EQ(ReadBytes(list), "");

  // An append keeps the file as it is and ends an unfinished last line first.
  WriteBytes(list, "  c:\\r\\a.mp3\n\nc:\\r\\b.mp3");
  ASSERT_TRUE(AppendListLine(list, L"c:\\r\\c.mp3"));
  EXPECT_EQ(ReadBytes(list), "  c:\\r\\a.mp3\n\nc:\\r\\b.mp3\r\nc:\\r\\c.mp3\r\n");
  EXPECT_EQ(*ReadListFile(list), (std::vector<std::wstring>{L"c:\\r\\a.mp3", L"c:\\r\\b.mp3", L"c:\\r\\c.mp3"}));

  // What follows a Ctrl-Z is never read: the new line goes before it.
  WriteBytes(list, "c:\\r\\a.mp3\r\n\x1A" "junk");
  ASSERT_TRUE(AppendListLine(list, L"c:\\r\\b.mp3"));
  EXPECT_EQ(*ReadListFile(list), (std::vector<std::wstring>{L"c:\\r\\a.mp3", L"c:\\r\\b.mp3"}));

  // A missing list file is created.
  const std::wstring fresh = dir.file(L"new.m3u");
  ASSERT_TRUE(AppendListLine(fresh, L"c:\\r\\a.mp3"));
  EXPECT_EQ(ReadBytes(fresh), "c:\\r\\a.mp3\r\n");

  EXPECT_EQ(FilesInFolder(), 2u) << "no temporary file is left behind";
  EXPECT_TRUE(seam.boxes.empty());
  EXPECT_FALSE(ReadListFile(dir.file(L"none.m3u")));
}

TEST_F(ListFileTest, AWriteFailingHalfWayKeepsTheOldListAndIsReportedOnce) {
  const std::string old = "c:\\r\\a.mp3\r\nc:\\r\\b.mp3\r\n";
  WriteBytes(list, old);
  {
    FullVolume full(8);
    EXPECT_FALSE(WriteListFile(list, {L"c:\\s\\1.mp3", L"c:\\s\\2.mp3", L"c:\\s\\3.mp3"}));
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.last().text, L"Can not create or write to the file,\r" + list);
    EXPECT_EQ(seam.last().caption, L"Error");
    EXPECT_EQ(ReadBytes(list), old);

    EXPECT_FALSE(AppendListLine(list, L"c:\\s\\4.mp3"));
    EXPECT_EQ(seam.boxes.size(), 2u);
    EXPECT_EQ(ReadBytes(list), old);
    EXPECT_EQ(FilesInFolder(), 1u) << "the temporary file is removed";
  }

  // The program goes on with the old list, and the next write succeeds.
  Lists = {{list, L"l.m3u", dir.dir()}};
  ListIndex = 0;
  ArtistTable t;
  ASSERT_TRUE(LoadList(t, true, false, 0, 0));
  ASSERT_EQ(t.Count, 1);
  EXPECT_EQ(t.Artists[0].Count, 2);
  EXPECT_TRUE(WriteListFile(list, {L"c:\\s\\1.mp3"}));
  EXPECT_EQ(ReadBytes(list), "c:\\s\\1.mp3\r\n");
  EXPECT_EQ(seam.boxes.size(), 2u);
}

TEST_F(ListFileTest, AListFileThatCannotBeReplacedStaysAsItWas) {
  const std::string old = "c:\\r\\a.mp3\r\n";
  WriteBytes(list, old);
  {
    // Held open without sharing, as another program might.
    win::File held(::CreateFileW(list.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    EXPECT_FALSE(WriteListFile(list, {L"c:\\s\\1.mp3"}, WriteFailure::Quiet));
  }
  EXPECT_TRUE(seam.boxes.empty()) << "quiet";
  EXPECT_EQ(ReadBytes(list), old);
  EXPECT_EQ(FilesInFolder(), 1u);
}

}  // namespace
