// The program as a new user meets it, one journey after the other in one
// run: the first start, a dictation recorded and saved, a transcription
// typed into notepad while the hot keys steer playback, and the dictation
// mailed. Each journey starts where the one before left the program.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <filesystem>
#include <regex>

#include "JourneyWorld.h"
#include "MapiDouble.h"
#include "app/MainWindow.h"
#include "base/Text.h"
#include "recorder/RecMpeg.h"
#include "services/DesktopDriver.h"

using namespace std::chrono_literals;
using journey::Click;
using journey::Seconds;
using journey::TextOf;
using services_test::PressKeys;
using services_test::WaitFor;

namespace {

constexpr int kFolderStatusId = 0x3743;
const wchar_t* const kNoMp3s = L"Zložka neobsahuje súbory formátu MP3 !!!";
const wchar_t* const kDictationName = L"Journey dictation";

int Top(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  return r.top;
}

int Width(HWND w) {
  RECT r{};
  ::GetWindowRect(w, &r);
  return r.right - r.left;
}

bool Checked(HWND button) {
  DWORD_PTR r = 0;
  ::SendMessageTimeoutW(button, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &r);
  return r == BST_CHECKED;
}

std::wstring WithBackslash(std::wstring s) {
  if (s.empty() || s.back() != L'\\') s += L'\\';
  return s;
}

int IndexOf(const std::vector<std::wstring>& items, const std::wstring& item) {
  auto it = std::find(items.begin(), items.end(), item);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

// The folder browser of the program: a dialog of the process holding a tree.
HWND FolderBrowser(e2e::Program& p) {
  for (HWND h : p.TopLevelWindows()) {
    wchar_t cls[32] = L"";
    ::GetClassNameW(h, cls, 32);
    if (::IsWindowVisible(h) && std::wstring(cls) == L"#32770" && ::FindWindowExW(h, nullptr, WC_TREEVIEWW, nullptr))
      return h;
  }
  return nullptr;
}

std::wstring StoredFolder() {
  wchar_t buf[MAX_PATH] = L"";
  DWORD size = sizeof buf;
  if (::RegGetValueW(HKEY_CURRENT_USER, L"Vocorder\\Sets", L"Dir_MP3s", RRF_RT_REG_SZ, nullptr, buf, &size) !=
      ERROR_SUCCESS)
    return {};
  return buf;
}

class Journeys : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    world_ = new journey::World();
    // Playback resumes this far back after a pause, so the typist hears
    // the last words again.
    DWORD rewind = 3000;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Tarnwell\\Kestrel v.5.1", L"ResumeRewind", REG_DWORD, &rewind,
                      sizeof rewind);
  }
  static void TearDownTestSuite() {
    delete world_;
    world_ = nullptr;
  }
  void TearDown() override {
    // A journey that failed leaves the program as it stood: the ones after
    // it cannot start there.
    if (HasFatalFailure() || HasNonfatalFailure()) broken_ = true;
  }
  void SkipIfBroken() {
    if (broken_ || !main_ || !world_->Running()) GTEST_SKIP() << "an earlier journey failed";
  }

  HWND Control(int id) const { return ::GetDlgItem(main_, id); }
  e2e::Program& Program() const { return *world_->Running(); }
  std::wstring Folder() const { return world_->Documents() + L"Dictations\\"; }

  static journey::World* world_;
  static HWND main_;
  static bool broken_;
};

journey::World* Journeys::world_ = nullptr;
HWND Journeys::main_ = nullptr;
bool Journeys::broken_ = false;

TEST_F(Journeys, Journey1_FirstStartOnAnEmptyDocumentsFolderThenTheRecordingsFolderIsChosen) {
  ASSERT_TRUE(world_->Ready()) << "journey 1: the program's folder or the shell folders could not be prepared";
  e2e::Program& p = world_->Start();
  ASSERT_TRUE(p.started()) << "journey 1: Vocorder.exe did not start";

  // Nothing to list yet: the program says so, and the user answers OK.
  std::vector<e2e::Box> boxes;
  main_ = p.WaitForMainWindow(30s, &boxes);
  ASSERT_TRUE(main_) << "journey 1: no main window within 30 s";
  if (boxes.empty())
    if (auto box = p.WaitForBox(5s)) {
      boxes.push_back(*box);
      e2e::Answer(*box, IDOK);
    }
  ASSERT_EQ(boxes.size(), 1u) << "journey 1: expected the one box of an empty documents folder";
  EXPECT_EQ(boxes[0].text, kNoMp3s) << "journey 1";
  EXPECT_EQ(::SendMessageW(Control(app::cmbSongs), CB_GETCOUNT, 0, 0), 0) << "journey 1: listed from nowhere";

  // The user keeps dictations in a folder of their own.
  std::filesystem::create_directories(Folder());
  std::filesystem::copy_file(testing_support::FixturePath(L"speechrec.mp3"), Folder() + L"Bank letter.mp3");
  std::filesystem::copy_file(testing_support::FixturePath(L"longrec.mp3"), Folder() + L"Minutes of the meeting.mp3");

  Click(Control(app::SpeedButton3));
  HWND browser = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (browser = FolderBrowser(p)) != nullptr; }, 15000))
      << "journey 1: the folder browser did not open";
  HWND tree = ::FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
  HWND status = ::GetDlgItem(browser, kFolderStatusId);
  auto onDictations = [&] {
    const std::wstring s = TextOf(status);
    return s.size() >= 10 && s.compare(s.size() - 10, 10, L"Dictations") == 0;
  };
  // The browser opens on the documents folder; the keys walk into the one
  // folder below it.
  WaitFor([&] { return !TextOf(status).empty(); }, 5000);
  for (UINT key : {VK_RIGHT, VK_DOWN, VK_RIGHT, VK_DOWN}) {
    if (onDictations()) break;
    const std::wstring before = TextOf(status);
    ::PostMessageW(tree, WM_KEYDOWN, key, 1);
    ::PostMessageW(tree, WM_KEYUP, key, 0xC0000001);
    WaitFor([&] { return TextOf(status) != before; }, 2000);
  }
  ASSERT_TRUE(onDictations()) << "journey 1: the browser never selected the folder; it shows "
                              << testing::PrintToString(TextOf(status));
  ::PostMessageW(browser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(browser, IDOK)));
  ASSERT_TRUE(WaitFor([&] { return !::IsWindow(browser); }, 10000)) << "journey 1: OK did not close the browser";

  HWND songs = Control(app::cmbSongs);
  ASSERT_TRUE(WaitFor([&] { return ::SendMessageW(songs, CB_GETCOUNT, 0, 0) == 2; }, 10000))
      << "journey 1: the folder's two recordings were not listed";
  const auto items = journey::ComboItems(songs);
  EXPECT_NE(IndexOf(items, L"Bank letter"), -1) << "journey 1";
  EXPECT_NE(IndexOf(items, L"Minutes of the meeting"), -1) << "journey 1";
  EXPECT_EQ(text::LowerAscii(WithBackslash(StoredFolder())), text::LowerAscii(Folder()))
      << "journey 1: the chosen folder was not stored";
}

}  // namespace
