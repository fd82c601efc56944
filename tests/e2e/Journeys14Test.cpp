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
#include "Screenshot.h"
#include "app/ControlIds.h"
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

// Waits until the width has held for a few ticks of the program's timer.
void Settle(HWND w) {
  int last = Width(w);
  for (int held = 0, tries = 0; held < 3 && tries < 30; ++tries) {
    ::Sleep(150);
    const int now = Width(w);
    held = now == last ? held + 1 : 0;
    last = now;
  }
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
  static bool Broken() { return broken_ || !main_ || !world_->Running(); }

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
  // Another copy would take the start over and end this one at once.
  ASSERT_FALSE(::FindWindowW(app::kMainWindowClass, nullptr))
      << "journey 1: a Vocorder from an earlier run is still running";
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

TEST_F(Journeys, Journey2_ADictationIsRecordedPausedResumedSavedListedAndPlayedToTheEnd) {
  if (Broken()) GTEST_SKIP() << "an earlier journey failed";
  e2e::Program& p = Program();
  Click(Control(app::SpeedButton5));
  HWND rec = journey::WaitForWindowOf(p.id(), L"TFRecMpeg", L"Záznam zvuku", 10s);
  ASSERT_TRUE(rec) << "journey 2: the recording window did not open; shown: " << journey::VisibleWindows(p);
  HWND seconds = ::GetDlgItem(rec, TFRecMpeg::idLabel4);
  HWND pause = ::GetDlgItem(rec, TFRecMpeg::idStop);
  auto secondsShown = [&] { return _wtoi(TextOf(seconds).c_str()); };

  Click(::GetDlgItem(rec, TFRecMpeg::idBitBtn1));
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(pause) != FALSE; }, 10000))
      << "journey 2: \"Štart\" did not start recording";
  ASSERT_TRUE(WaitFor([&] { return secondsShown() >= 2; }, 10000)) << "journey 2: the seconds did not count";
  EXPECT_TRUE(e2e::SaveScreenshot(rec, L"recording")) << "journey 2: no picture of the recording window";

  // A pause stops the count; "Stop" again records on.
  Click(pause);
  ASSERT_TRUE(WaitFor([&] { return Checked(pause); }, 5000)) << "journey 2: \"Stop\" did not pause";
  const int paused = secondsShown();
  ::Sleep(1500);
  EXPECT_EQ(secondsShown(), paused) << "journey 2: the count went on while paused";
  Click(pause);
  ASSERT_TRUE(WaitFor([&] { return !Checked(pause); }, 5000)) << "journey 2: \"Stop\" did not resume";
  EXPECT_TRUE(WaitFor([&] { return secondsShown() >= paused + 2; }, 10000)) << "journey 2: recording did not resume";

  // "Uložiť" asks for the name in the program's input box.
  Click(::GetDlgItem(rec, TFRecMpeg::idButton1));
  HWND box = journey::WaitForWindowOf(p.id(), nullptr, L"Zvukový záznam", 20s);
  ASSERT_TRUE(box) << "journey 2: no name was asked for; shown: " << journey::VisibleWindows(p);
  ASSERT_TRUE(journey::SetTextOf(::FindWindowExW(box, nullptr, L"Edit", nullptr), kDictationName))
      << "journey 2: the name could not be typed";
  ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(box, IDOK)));
  const std::wstring saved = Folder() + kDictationName + L".mp3";
  ASSERT_TRUE(WaitFor([&] { return testing_support::FileExists(saved); }, 20000))
      << "journey 2: the dictation was not saved into the recordings folder";
  // A RIFF WAVE file holding the sound, not an empty shell.
  EXPECT_EQ(testing_support::ReadBytes(saved).substr(0, 4), "RIFF") << "journey 2";
  EXPECT_GT(std::filesystem::file_size(saved), 2000u) << "journey 2: the dictation holds almost nothing";

  Click(::GetDlgItem(rec, TFRecMpeg::idBitBtn2));
  ASSERT_TRUE(WaitFor([&] { return !::IsWindowVisible(rec); }, 10000)) << "journey 2: \"Ukončiť\" left the window open";
  HWND songs = Control(app::cmbSongs);
  int index = -1;
  ASSERT_TRUE(WaitFor([&] { return (index = IndexOf(journey::ComboItems(songs), kDictationName)) >= 0; }, 10000))
      << "journey 2: the dictation was not listed";

  // Chosen and played: its length shows, the position runs to the end and
  // playback stops there by itself.
  journey::ChooseComboItem(main_, app::cmbSongs, index);
  HWND time1 = Control(app::idTime1);
  HWND time2 = Control(app::idTime2);
  ASSERT_TRUE(WaitFor([&] { return Seconds(TextOf(time2)) > 0; }, 10000))
      << "journey 2: the dictation's length never showed: " << testing::PrintToString(TextOf(time2));
  const int length = Seconds(TextOf(time2));
  Click(Control(app::idPlay));
  ASSERT_TRUE(WaitFor([&] { return ::IsWindowEnabled(Control(app::idStop)) != FALSE; }, 10000))
      << "journey 2: the dictation did not start playing";
  ASSERT_TRUE(WaitFor([&] { return Seconds(TextOf(time1)) >= 1; }, 10000)) << "journey 2: the position did not run";
  EXPECT_TRUE(e2e::SaveScreenshot(main_, L"strip")) << "journey 2: no picture of the strip";
  int reached = 0;
  const bool ended = WaitFor(
      [&] {
        reached = std::max(reached, Seconds(TextOf(time1)));
        return !::IsWindowEnabled(Control(app::idStop));
      },
      static_cast<DWORD>(length + 15) * 1000);
  ASSERT_TRUE(ended) << "journey 2: playback of " << length << " s did not end by itself";
  EXPECT_GE(reached, length - 1) << "journey 2: playback stopped before the end";
  EXPECT_EQ(TextOf(time1), L"00:00:00") << "journey 2: the position was not reset at the end";
}

TEST_F(Journeys, Journey3_TranscribingIntoNotepadWithTheHotKeys) {
  if (Broken()) GTEST_SKIP() << "an earlier journey failed";
  HWND songs = Control(app::cmbSongs);
  const int index = IndexOf(journey::ComboItems(songs), L"Minutes of the meeting");
  ASSERT_GE(index, 0) << "journey 3: the longer recording is not listed";
  journey::ChooseComboItem(main_, app::cmbSongs, index);
  HWND time1 = Control(app::idTime1);
  HWND time2 = Control(app::idTime2);
  HWND speed = Control(app::idSpeed);
  HWND knob = Control(app::sldVolume);
  HWND bar = ::GetDlgItem(Control(app::idTrackFrm), app::idTrackBar);
  ASSERT_TRUE(WaitFor([&] { return Seconds(TextOf(time2)) >= 12; }, 10000))
      << "journey 3: the recording's length never showed";
  const std::wstring caption = TextOf(main_);

  services_test::FocusedNotepad notepad;
  ASSERT_NE(notepad.window(), nullptr) << "journey 3: notepad did not start";
  ASSERT_TRUE(notepad.focused()) << "journey 3: notepad did not get the focus";
  HWND edit = ::FindWindowExW(notepad.window(), nullptr, L"Edit", nullptr);
  ASSERT_TRUE(edit) << "journey 3: notepad has no edit control";
  auto typed = [&] { return TextOf(edit); };

  // Ctrl+Space plays; the typist writes along.
  ASSERT_TRUE(PressKeys("ctrl+space"));
  ASSERT_TRUE(WaitFor([&] { return Seconds(TextOf(time1)) >= 1; }, 10000)) << "journey 3: Ctrl+Space did not play";
  ASSERT_TRUE(journey::TypeKeys("Dear Sir, "));
  EXPECT_TRUE(WaitFor([&] { return typed() == L"Dear Sir, "; }, 5000))
      << "journey 3: notepad holds " << testing::PrintToString(typed());

  // Faster and quieter while playing.
  ASSERT_TRUE(PressKeys("alt+shift+Prior"));
  EXPECT_TRUE(WaitFor([&] { return TextOf(speed) == L"105 %"; }, 5000))
      << "journey 3: faster shows " << testing::PrintToString(TextOf(speed));
  const int knobTop = Top(knob);
  ASSERT_TRUE(PressKeys("ctrl+Down"));
  EXPECT_TRUE(WaitFor([&] { return Top(knob) > knobTop; }, 5000)) << "journey 3: Ctrl+Down did not lower the volume";

  // A pause, and the resume plays the last three seconds again.
  ASSERT_TRUE(WaitFor([&] { return Seconds(TextOf(time1)) >= 5; }, 15000)) << "journey 3: playback did not go on";
  ASSERT_TRUE(PressKeys("ctrl+space"));
  std::wstring at = TextOf(time1);
  // Still for a while once paused (the read-out only runs while playing).
  int still = 0;
  for (int tries = 0; still < 5 && tries < 25; ++tries) {
    ::Sleep(200);
    const std::wstring now = TextOf(time1);
    still = now == at ? still + 1 : 0;
    at = now;
  }
  ASSERT_GE(still, 5) << "journey 3: Ctrl+Space did not pause";
  const int pausedAt = Seconds(at);
  ASSERT_TRUE(journey::TypeKeys("we have received "));
  ASSERT_TRUE(PressKeys("ctrl+space"));
  int resumedAt = -1;
  ASSERT_TRUE(WaitFor(
      [&] {
        resumedAt = Seconds(TextOf(time1));
        return resumedAt != pausedAt;
      },
      5000))
      << "journey 3: Ctrl+Space did not resume";
  EXPECT_LE(resumedAt, pausedAt - 2) << "journey 3: paused at " << pausedAt << " s, resumed at " << resumedAt << " s";

  // Paused again, the steps and jumps move the position bar.
  ASSERT_TRUE(PressKeys("ctrl+space"));
  ASSERT_TRUE(WaitFor([&] { return Width(bar) > 0; }, 5000));
  Settle(bar);
  struct Step {
    const char* keys;
    int direction;
  };
  for (const Step& step : {Step{"ctrl+Left", -1}, Step{"ctrl+Right", +1}, Step{"ctrl+Prior", +1},
                           Step{"ctrl+Next", -1}}) {
    const int before = Width(bar);
    ASSERT_TRUE(PressKeys(step.keys));
    EXPECT_TRUE(WaitFor([&] { return (Width(bar) - before) * step.direction > 0; }, 5000))
        << "journey 3: " << step.keys << " did not move the position (bar " << before << " px)";
    // A step shows at once and is redrawn from the player's position on the
    // next tick.
    Settle(bar);
  }

  // A time stamp at the caret, then more text.
  ASSERT_TRUE(PressKeys("ctrl+Insert"));
  const std::wregex stamped(LR"(Dear Sir, we have received \[00:00:\d\d\])");
  EXPECT_TRUE(WaitFor([&] { return std::regex_match(typed(), stamped); }, 5000))
      << "journey 3: notepad holds " << testing::PrintToString(typed());
  ASSERT_TRUE(journey::TypeKeys(" your letter."));
  const std::wregex whole(LR"(Dear Sir, we have received \[00:00:\d\d\] your letter\.)");
  EXPECT_TRUE(WaitFor([&] { return std::regex_match(typed(), whole); }, 5000))
      << "journey 3: notepad holds " << testing::PrintToString(typed());
  if (const std::wstring now = typed(); std::regex_match(now, whole))
    EXPECT_LE(Seconds(now.substr(28, 8)), Seconds(TextOf(time2))) << "journey 3: the stamp lies past the end";

  // Nothing of it reached the player.
  EXPECT_TRUE(notepad.focused()) << "journey 3: the focus left notepad";
  EXPECT_EQ(TextOf(Control(app::idNull)), L"") << "journey 3";
  EXPECT_EQ(TextOf(main_), caption) << "journey 3";
  EXPECT_EQ(::SendMessageW(songs, CB_GETCURSEL, 0, 0), index) << "journey 3: the typing changed the recording";

  // Back to the typist's own volume and speed; playing on, then stopped.
  ASSERT_TRUE(PressKeys("ctrl+Up"));
  EXPECT_TRUE(WaitFor([&] { return Top(knob) == knobTop; }, 5000)) << "journey 3: Ctrl+Up did not raise the volume";
  ASSERT_TRUE(PressKeys("alt+shift+Home"));
  EXPECT_TRUE(WaitFor([&] { return TextOf(speed) == L"100 %"; }, 5000)) << "journey 3: the speed was not reset";
  const std::wstring before = TextOf(time1);
  ASSERT_TRUE(PressKeys("ctrl+space"));
  EXPECT_TRUE(WaitFor([&] { return TextOf(time1) != before; }, 5000)) << "journey 3: did not play on";
  Click(Control(app::idStop));
  EXPECT_TRUE(WaitFor([&] { return !::IsWindowEnabled(Control(app::idStop)); }, 5000)) << "journey 3: did not stop";
}

TEST_F(Journeys, Journey4_TheSelectedDictationIsMailed) {
  if (Broken()) GTEST_SKIP() << "an earlier journey failed";
  HWND songs = Control(app::cmbSongs);
  const int index = IndexOf(journey::ComboItems(songs), kDictationName);
  ASSERT_GE(index, 0) << "journey 4: the dictation is not listed";
  journey::ChooseComboItem(main_, app::cmbSongs, index);
  ASSERT_TRUE(WaitFor([&] { return ::SendMessageW(songs, CB_GETCURSEL, 0, 0) == index; }, 5000));

  journey::MailDoubleProbe mail(Program().id());
  auto before = mail.Read();
  ASSERT_TRUE(before) << "journey 4: the program did not load the mail double";
  ASSERT_EQ(before->sendCount, 0) << "journey 4";
  Click(Control(app::SpeedButton8));
  std::unique_ptr<mapi_double::State> seen;
  ASSERT_TRUE(WaitFor([&] { return (seen = mail.Read()) && seen->sendCount == 1; }, 10000))
      << "journey 4: no mail was sent";
  ASSERT_EQ(seen->fileCount, 1u) << "journey 4: attachments";
  const std::wstring path = Folder() + kDictationName + L".mp3";
  EXPECT_EQ(text::LowerAscii(text::FromAnsi(seen->files[0].path)), text::LowerAscii(path)) << "journey 4";
  // Mail clients of old take names of twelve characters at most.
  EXPECT_EQ(text::FromAnsi(seen->files[0].name), L"ictation.mp3") << "journey 4";
  EXPECT_TRUE(seen->sendFlags & MAPI_DIALOG) << "journey 4: the user did not get to see the mail";
  // The mail client answered: the program shows nothing of its own.
  EXPECT_FALSE(Program().WaitForBox(1s)) << "journey 4: a box followed the mail";

  ::PostMessageW(main_, WM_CLOSE, 0, 0);
  EXPECT_EQ(Program().WaitForExit(30s), 0u) << "journey 4: the program did not end when closed";
}

}  // namespace
