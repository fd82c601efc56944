// The missing-file browser and its filter dialog over their real controls:
// the search of the folder tree and its three ways to stop, the duplicate
// check of OK, and the filter's default text and masks.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <deque>
#include <filesystem>

#include "MessageSeam.h"
#include "Pump.h"
#include "Seams.h"
#include "TestSupport.h"
#include "base/ScopeExit.h"
#include "base/Text.h"
#include "core/SettingsRecord.h"
#include "core/globals.h"
#include "missing/DlgBrowseFile.h"
#include "missing/DlgBrowseFilter.h"
#include "support/DialogDriver.h"

using namespace kestrel;
using namespace form5;
using testing_support::DialogDriver;
using testing_support::MessageSeam;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

constexpr wchar_t kNotFound[] = L"Can not find the file in this directory and it's subdirectories,\r'x.mp3'";
constexpr wchar_t kFound[] = L"One occurence found, continue to search for another?";

// Answers the message boxes; `onAsk` runs when the search offers a file.
using PresenterSeam = testing_support::ScopedSeam<&SetMessagePresenter, MessagePresenter>;
using FilterSeam = testing_support::ScopedSeam<&SetFilterPresenter, FilterPresenter>;

std::vector<std::wstring> ListedFiles(const DialogDriver& d) {
  std::vector<std::wstring> names;
  HWND list = d.Control(idFiles);
  int n = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n; ++i) {
    wchar_t buf[MAX_PATH] = L"";
    LVITEMW item{};
    item.pszText = buf;
    item.cchTextMax = MAX_PATH;
    ::SendMessageW(list, LVM_GETITEMTEXTW, i, reinterpret_cast<LPARAM>(&item));
    names.emplace_back(buf);
  }
  return names;
}

// The search goes on in the dialog's loop; its button's caption comes back
// when it has ended.
bool SearchEnds(const DialogDriver& d) {
  return testing_support::PumpUntil([&] { return d.Text(idLocateSong) == L"Locate &song"; });
}

class BrowseFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    Settings = TSettings{};
    Lists = {{list, L"l.m3u", dir.dir()}};
    ListIndex = 0;
    AppDir = dir.dir();
    WriteBytes(list, "gone\\x.mp3\r\n");
    std::filesystem::create_directories(dir.path() / L"Memos");
    std::filesystem::create_directories(dir.path() / L"b");
    WriteBytes(dir.file(L"Memos\\x.mp3"), "a");
    WriteBytes(dir.file(L"b\\x.mp3"), "b");
  }
  // The browser for the song gone\x.mp3; the script starts with the tree at
  // the list file's folder.
  std::optional<BrowsedFile> Browse(const DialogDriver::Script& script) {
    std::optional<BrowsedFile> chosen;
    DialogDriver::Run([&] { chosen = BrowseForFile(nullptr, L"Browse file 'x.mp3'", L"gone\\x.mp3"); },
                      [&](DialogDriver& d) {
                        d.Press(idLocateList);
                        script(d);
                      });
    return chosen;
  }
  // Every box, answered by `answer` (the search's offers included).
  void Answer(std::function<int(const std::wstring& text, HWND dialog)> answer) {
    presenter_.emplace([this, answer](HWND, std::wstring_view text, std::wstring_view, UINT) {
      boxes.emplace_back(text);
      return answer(boxes.back(), dialog_);
    });
  }
  int Count(std::wstring_view prefix) const {
    return static_cast<int>(
        std::count_if(boxes.begin(), boxes.end(), [&](const auto& b) { return b.starts_with(prefix); }));
  }

  ScratchDir dir{L"browse"};
  const std::wstring list = dir.file(L"l.m3u");
  MessageSeam seam;  // ends the program by an exception
  std::vector<std::wstring> boxes;
  HWND dialog_ = nullptr;
  std::optional<PresenterSeam> presenter_;
};

TEST_F(BrowseFileTest, YesToEveryOccurrenceEndsWithTheNotFoundBox) {
  Answer([](const std::wstring&, HWND) { return IDYES; });
  auto chosen = Browse([&](DialogDriver& d) {
    EXPECT_EQ(d.Caption(), L"Browse file 'x.mp3'");
    EXPECT_EQ(d.Text(idList), list);
    d.Press(idLocateSong);
    EXPECT_TRUE(SearchEnds(d));
    d.Press(idCancel);
  });
  EXPECT_FALSE(chosen);
  EXPECT_EQ(Count(kFound), 2);
  ASSERT_FALSE(boxes.empty());
  EXPECT_EQ(boxes.back(), kNotFound);
}

TEST_F(BrowseFileTest, ANetworkPathIsRefused) {
  Lists[0].Path = L"\\\\Server\\Share\\l.m3u";
  Answer([](const std::wstring&, HWND) { return IDOK; });
  Browse([](DialogDriver& d) { d.Press(idCancel); });
  EXPECT_EQ(boxes, (std::vector<std::wstring>{L"Sorry, NetWork paths are not supported,\r\\\\server\\share\\l.m3u"}));
}

TEST_F(BrowseFileTest, ADriveThatCannotBeReadOffersRetryUntilCancel) {
  // A drive letter for a folder that is not there, as a drive without media.
  ASSERT_TRUE(::DefineDosDeviceW(0, L"Q:", (dir.dir() + L"no-media").c_str()));
  ScopeExit undefine([] { ::DefineDosDeviceW(DDD_REMOVE_DEFINITION, L"Q:", nullptr); });
  Lists[0].Path = L"Q:\\l.m3u";
  std::deque<int> answers{IDRETRY, IDRETRY, IDCANCEL};
  Answer([&](const std::wstring& text, HWND) {
    if (!text.starts_with(L"Drive")) return IDOK;
    int a = answers.front();
    answers.pop_front();
    return a;
  });
  std::wstring drive;
  Browse([&](DialogDriver& d) {
    drive.resize(8);
    drive.resize(::GetWindowTextW(d.Control(idDrives), drive.data(), 8));
    d.Press(idCancel);
  });
  EXPECT_EQ(boxes, (std::vector<std::wstring>{L"Drive 'Q' is not accessible.", L"Drive 'Q' is not accessible.",
                                              L"Drive 'Q' is not accessible.", L"Can not find the path,\rq:\\"}));
  EXPECT_NE(drive, L"Q:") << "Cancel keeps the drive that was shown";
}

// How the user stops a running search: the button, Cancel, or the close box.
enum class StopBy { Stop, Cancel, CloseBox };

class SearchStop : public BrowseFileTest, public ::testing::WithParamInterface<StopBy> {};

TEST_P(SearchStop, StopsWithoutTheNotFoundBox) {
  // At the first offer the user clicks, and answers Yes to go on; the click
  // is seen at the next folder.
  Answer([this](const std::wstring& text, HWND) {
    if (!text.starts_with(kFound)) return IDOK;
    switch (GetParam()) {
      case StopBy::Stop: ::PostMessageW(::GetDlgItem(dialog_, idLocateSong), BM_CLICK, 0, 0); break;
      case StopBy::Cancel: ::PostMessageW(::GetDlgItem(dialog_, idCancel), BM_CLICK, 0, 0); break;
      case StopBy::CloseBox: ::PostMessageW(dialog_, WM_CLOSE, 0, 0); break;
    }
    return IDYES;
  });
  bool stillOpen = false;
  auto chosen = Browse([&](DialogDriver& d) {
    dialog_ = d.Window();
    d.Press(idLocateSong);
    EXPECT_TRUE(SearchEnds(d));
    stillOpen = ::IsWindowVisible(d.Window()) != FALSE;
    if (stillOpen) d.Press(idCancel);
  });
  EXPECT_FALSE(chosen);
  EXPECT_EQ(stillOpen, GetParam() == StopBy::Stop);
  EXPECT_EQ(Count(kFound), 1);
  EXPECT_EQ(Count(L"Can not find"), 0);
}

INSTANTIATE_TEST_SUITE_P(ByEachWay, SearchStop, ::testing::Values(StopBy::Stop, StopBy::Cancel, StopBy::CloseBox));

TEST_F(BrowseFileTest, OkRefusesAFileTheListHoldsAndAsksBeforeReplacing) {
  std::filesystem::remove(dir.file(L"b\\x.mp3"));  // one occurrence only
  WriteBytes(dir.file(L"Memos\\y.wav"), "w");
  WriteBytes(dir.file(L"Memos\\z.txt"), "t");
  std::deque<int> answers{IDNO, IDNO, IDYES};  // accept the offer; No, then Yes to replacing
  Answer([&](const std::wstring& text, HWND) {
    if (text.starts_with(L"The selected song")) return IDOK;
    int a = answers.front();
    answers.pop_front();
    return a;
  });
  std::optional<FilterRequest> asked;
  FilterSeam filter([&](const FilterRequest& r) -> std::optional<std::wstring> {
    asked = r;
    return L"*.mp3; *.wav";
  });
  const std::wstring found = dir.dir() + L"Memos\\x.mp3";
  auto chosen = Browse([&](DialogDriver& d) {
    d.Press(idFilter);
    EXPECT_TRUE(ListedFiles(d).empty()) << "the list's folder holds no file of the filter";
    // The accepted offer is shown selected.
    d.Press(idLocateSong);
    EXPECT_TRUE(SearchEnds(d));
    EXPECT_TRUE(d.Enabled(idOK));
    EXPECT_EQ(ListedFiles(d), (std::vector<std::wstring>{L"x.mp3", L"y.wav"})) << "both kinds of the filter";

    // A relative line of the list is another path: the question comes.
    d.Press(idOK);
    EXPECT_EQ(boxes.back(), L"Do you accept to replace the song \r\r\tgone\\x.mp3\r\rwith this one?\r\r\t" +
                                text::LowerAscii(found));
    EXPECT_TRUE(::IsWindowVisible(d.Window())) << "No keeps the browser open";

    // The same path as a line of the list (in other case) is a duplicate.
    WriteBytes(list, text::ToAnsi(text::Lower(found) + L"\r\n"));
    d.Press(idOK);
    EXPECT_EQ(boxes.back(),
              L"The selected song already exists in the current list file. It is not advisable to have two dublicates "
              L"in one list!");
    EXPECT_TRUE(::IsWindowVisible(d.Window()));

    WriteBytes(list, "gone\\x.mp3\r\n");
    d.Press(idOK);
  });
  EXPECT_EQ(boxes.front(), std::wstring(kFound) + L"\r\r" + found);
  ASSERT_TRUE(asked);
  EXPECT_EQ(asked->caption, L"Filter files");
  EXPECT_EQ(asked->defaultText, L"*.*");
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->fileName, L"x.mp3");
  EXPECT_TRUE(text::Same(chosen->folder, dir.dir() + L"Memos\\"));
  EXPECT_TRUE(chosen->folder.ends_with(L"\\Memos\\")) << "the folder's case as on disk";
}

// Shown again for another song, the browser has no file chosen.
TEST_F(BrowseFileTest, TheBrowserReusedHasNothingChosen) {
  Answer([](const std::wstring&, HWND) { return IDNO; });  // take the file found
  Browse([&](DialogDriver& d) {
    d.Press(idLocateSong);
    ASSERT_TRUE(SearchEnds(d));
    ASSERT_TRUE(d.Enabled(idOK));
    d.Press(idCancel);
  });
  DialogDriver::Run([&] { BrowseForFile(nullptr, L"Browse file 'y.mp3'", L"gone\\y.mp3"); }, [&](DialogDriver& d) {
    EXPECT_FALSE(d.Enabled(idOK));
    EXPECT_EQ(ListView_GetNextItem(d.Control(idFiles), -1, LVNI_SELECTED), -1);
    d.Press(idCancel);
  });
}

TEST(FilterDialog, AnEmptiedEditGetsTheDefaultTextAndOkTrims) {
  FilterRequest r;
  r.caption = L"Filter files";
  r.prompt = L"Specify a filter mask";
  r.text = L"*.mp3";
  r.defaultText = L"*.*";
  std::optional<std::wstring> chosen;
  DialogDriver::Run([&] { chosen = ShowFilterDialog(r); },
                    [&](DialogDriver& d) {
                      constexpr int kEdit = 101;
                      EXPECT_EQ(d.Caption(), L"Filter files");
                      EXPECT_EQ(d.Text(kEdit), L"*.mp3");
                      d.SetText(kEdit, L"");
                      EXPECT_EQ(d.Text(kEdit), L"*.*");
                      d.SetText(kEdit, L"  *.mp3;*.wav  ");
                      d.Key(VK_RETURN);
                    });
  EXPECT_EQ(chosen, std::optional<std::wstring>(L"*.mp3;*.wav"));
  // Blanks only: what an emptied edit shows.
  auto blanks = [](DialogDriver& d) { d.SetText(101, L"   "), d.Key(VK_RETURN); };
  DialogDriver::Run([&] { chosen = ShowFilterDialog(r); }, blanks);
  EXPECT_EQ(chosen, std::optional<std::wstring>(L"*.*"));
}

}  // namespace
