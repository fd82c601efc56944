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

#include "Desktop.h"
#include "MailDoubleProbe.h"
#include "MapiDouble.h"
#include "Pump.h"
#include "Screenshot.h"
#include "Stage.h"
#include "app/ControlIds.h"
#include "base/Text.h"
#include "recorder/RecMpeg.h"

using namespace std::chrono_literals;
using desktop::Click;
using desktop::PressKeys;
using desktop::TextOf;
using desktop::Top;
using desktop::Width;
using testing_support::WaitUntil;

namespace {

constexpr int kFolderStatusId = 0x3743;
const wchar_t* const kNoMp3s = L"Zložka neobsahuje súbory formátu MP3 !!!";
const wchar_t* const kDictationName = L"Journey dictation";

// "00:01:05" (or with milliseconds) as seconds; -1 when it is no time.
int Seconds(const std::wstring& readout) {
  int h = 0, m = 0, s = 0;
  if (swscanf(readout.c_str(), L"%d:%d:%d", &h, &m, &s) != 3) return -1;
  return (h * 60 + m) * 60 + s;
}

// Waits until what `read` reads has held for `hold` (a few ticks of the
// program's timer); false when it kept changing.
template <typename Read>
bool Settle(Read read, std::chrono::milliseconds hold = 450ms) {
  auto last = read();
  auto since = std::chrono::steady_clock::now();
  return WaitUntil([&] {
    const auto now = read();
    if (now != last) {
      last = now;
      since = std::chrono::steady_clock::now();
    }
    return std::chrono::steady_clock::now() - since >= hold;
  }, 5s);
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
HWND FolderBrowser(desktop::Program& p) {
  for (HWND h : p.TopLevelWindows())
    if (::IsWindowVisible(h) && desktop::ClassOf(h) == L"#32770" && ::FindWindowExW(h, nullptr, WC_TREEVIEWW, nullptr))
      return h;
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
    stage_ = new e2e::Stage();
    ready_ = stage_->Ready() && stage_->AddMailDouble();
    // Playback resumes this far back after a pause, so the typist hears
    // the last words again.
    stage_->SetSetting(L"ResumeRewind", 3000);
  }
  static void TearDownTestSuite() {
    delete stage_;
    stage_ = nullptr;
  }
  void TearDown() override {
    // A journey that failed leaves the program as it stood: the ones after
    // it cannot start there.
    if (HasFatalFailure() || HasNonfatalFailure()) broken_ = true;
  }
  static bool Broken() { return broken_ || !main_ || !stage_->Running(); }

  HWND Control(int id) const { return ::GetDlgItem(main_, id); }
  desktop::Program& Program() const { return *stage_->Running(); }
  std::wstring Folder() const { return stage_->Documents() + L"\\Dictations\\"; }

  static e2e::Stage* stage_;
  static bool ready_;
  static HWND main_;
  static bool broken_;
};

e2e::Stage* Journeys::stage_ = nullptr;
bool Journeys::ready_ = false;
HWND Journeys::main_ = nullptr;
bool Journeys::broken_ = false;

TEST_F(Journeys, Journey1_FirstStartOnAnEmptyDocumentsFolderThenTheRecordingsFolderIsChosen) {
  ASSERT_TRUE(ready_) << "journey 1: the program's folder or the shell folders could not be prepared";
  // Another copy would take the start over and end this one at once.
  ASSERT_FALSE(::FindWindowW(app::kMainWindowClass, nullptr))
      << "journey 1: a Vocorder from an earlier run is still running";
  desktop::Program& p = stage_->Start();
  ASSERT_TRUE(p.started()) << "journey 1: Vocorder.exe did not start";

  // Nothing to list yet: the program says so, and the user answers OK.
  std::vector<desktop::Box> boxes;
  main_ = p.WaitForMainWindow(30s, &boxes);
  ASSERT_TRUE(main_) << "journey 1: no main window within 30 s";
  if (boxes.empty())
    if (auto box = p.WaitForBox(5s)) {
      boxes.push_back(*box);
      desktop::Answer(*box, IDOK);
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
  ASSERT_TRUE(WaitUntil([&] { return (browser = FolderBrowser(p)) != nullptr; }, 15s))
      << "journey 1: the folder browser did not open";
  HWND tree = ::FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
  HWND status = ::GetDlgItem(browser, kFolderStatusId);
  auto onDictations = [&] {
    const std::wstring s = TextOf(status);
    return s.size() >= 10 && s.compare(s.size() - 10, 10, L"Dictations") == 0;
  };
  // The browser opens on the documents folder; the keys walk into the one
  // folder below it.
  WaitUntil([&] { return !TextOf(status).empty(); }, 5000);
  for (UINT key : {VK_RIGHT, VK_DOWN, VK_RIGHT, VK_DOWN}) {
    if (onDictations()) break;
    const std::wstring before = TextOf(status);
    desktop::PressKey(tree, key);
    WaitUntil([&] { return TextOf(status) != before; }, 2000);
  }
  ASSERT_TRUE(onDictations()) << "journey 1: the browser never selected the folder; it shows "
                              << testing::PrintToString(TextOf(status));
  desktop::Press(browser, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(browser); }, 10000)) << "journey 1: OK did not close the browser";

  HWND songs = Control(app::cmbSongs);
  ASSERT_TRUE(WaitUntil([&] { return ::SendMessageW(songs, CB_GETCOUNT, 0, 0) == 2; }, 10000))
      << "journey 1: the folder's two recordings were not listed";
  const auto items = desktop::ComboItems(songs);
  EXPECT_NE(IndexOf(items, L"Bank letter"), -1) << "journey 1";
  EXPECT_NE(IndexOf(items, L"Minutes of the meeting"), -1) << "journey 1";
  EXPECT_EQ(text::LowerAscii(WithBackslash(StoredFolder())), text::LowerAscii(Folder()))
      << "journey 1: the chosen folder was not stored";
}

TEST_F(Journeys, Journey2_ADictationIsRecordedPausedResumedSavedListedAndPlayedToTheEnd) {
  if (Broken()) GTEST_SKIP() << "an earlier journey failed";
  desktop::Program& p = Program();
  Click(Control(app::SpeedButton5));
  HWND rec = p.WaitForWindow(L"TFRecMpeg", L"Záznam zvuku", 10s);
  ASSERT_TRUE(rec) << "journey 2: the recording window did not open; shown: " << p.Describe();
  HWND seconds = ::GetDlgItem(rec, TFRecMpeg::idLabel4);
  HWND pause = ::GetDlgItem(rec, TFRecMpeg::idStop);
  auto secondsShown = [&] { return _wtoi(TextOf(seconds).c_str()); };

  Click(::GetDlgItem(rec, TFRecMpeg::idBitBtn1));
  ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(pause) != FALSE; }, 10000))
      << "journey 2: \"Štart\" did not start recording";
  ASSERT_TRUE(WaitUntil([&] { return secondsShown() >= 2; }, 10000)) << "journey 2: the seconds did not count";
  EXPECT_TRUE(desktop::SaveScreenshot(rec, L"recording")) << "journey 2: no picture of the recording window";

  // A pause stops the count; "Stop" again records on.
  Click(pause);
  ASSERT_TRUE(WaitUntil([&] { return desktop::Checked(pause); }, 5000)) << "journey 2: \"Stop\" did not pause";
  const int paused = secondsShown();
  ::Sleep(1500);
  EXPECT_EQ(secondsShown(), paused) << "journey 2: the count went on while paused";
  Click(pause);
  ASSERT_TRUE(WaitUntil([&] { return !desktop::Checked(pause); }, 5000)) << "journey 2: \"Stop\" did not resume";
  EXPECT_TRUE(WaitUntil([&] { return secondsShown() >= paused + 2; }, 10000)) << "journey 2: recording did not resume";

  // "Uložiť" asks for the name in the program's input box.
  Click(::GetDlgItem(rec, TFRecMpeg::idButton1));
  HWND box = p.WaitForWindow(nullptr, L"Zvukový záznam", 20s);
  ASSERT_TRUE(box) << "journey 2: no name was asked for; shown: " << p.Describe();
  ASSERT_TRUE(desktop::SetTextOf(::FindWindowExW(box, nullptr, L"Edit", nullptr), kDictationName))
      << "journey 2: the name could not be typed";
  desktop::Press(box, IDOK);
  const std::wstring saved = Folder() + kDictationName + L".mp3";
  ASSERT_TRUE(WaitUntil([&] { return testing_support::FileExists(saved); }, 20000))
      << "journey 2: the dictation was not saved into the recordings folder";
  // A RIFF WAVE file holding the sound, not an empty shell.
  EXPECT_EQ(testing_support::ReadBytes(saved).substr(0, 4), "RIFF") << "journey 2";
  EXPECT_GT(std::filesystem::file_size(saved), 2000u) << "journey 2: the dictation holds almost nothing";

  Click(::GetDlgItem(rec, TFRecMpeg::idBitBtn2));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(rec); }, 10000)) << "journey 2: \"Ukončiť\" left the window open";
  HWND songs = Control(app::cmbSongs);
  int index = -1;
  ASSERT_TRUE(WaitUntil([&] { return (index = IndexOf(desktop::ComboItems(songs), kDictationName)) >= 0; }, 10000))
      << "journey 2: the dictation was not listed";

  // Chosen and played: its length shows, the position runs to the end and
  // playback stops there by itself.
  desktop::ChooseComboItem(main_, app::cmbSongs, index);
  HWND time1 = Control(app::idTime1);
  HWND time2 = Control(app::idTime2);
  ASSERT_TRUE(WaitUntil([&] { return Seconds(TextOf(time2)) > 0; }, 10000))
      << "journey 2: the dictation's length never showed: " << testing::PrintToString(TextOf(time2));
  const int length = Seconds(TextOf(time2));
  Click(Control(app::idPlay));
  ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(Control(app::idStop)) != FALSE; }, 10000))
      << "journey 2: the dictation did not start playing";
  ASSERT_TRUE(WaitUntil([&] { return Seconds(TextOf(time1)) >= 1; }, 10000)) << "journey 2: the position did not run";
  EXPECT_TRUE(desktop::SaveScreenshot(main_, L"strip")) << "journey 2: no picture of the strip";
  int reached = 0;
  const bool ended = WaitUntil(
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
  const int index = IndexOf(desktop::ComboItems(songs), L"Minutes of the meeting");
  ASSERT_GE(index, 0) << "journey 3: the longer recording is not listed";
  desktop::ChooseComboItem(main_, app::cmbSongs, index);
  HWND time1 = Control(app::idTime1);
  HWND time2 = Control(app::idTime2);
  HWND speed = Control(app::idSpeed);
  HWND knob = Control(app::sldVolume);
  HWND bar = ::GetDlgItem(Control(app::idTrackFrm), app::idTrackBar);
  ASSERT_TRUE(WaitUntil([&] { return Seconds(TextOf(time2)) >= 12; }, 10000))
      << "journey 3: the recording's length never showed";
  const std::wstring caption = TextOf(main_);

  desktop::FocusedNotepad& notepad = stage_->Notepad();
  ASSERT_NE(notepad.window(), nullptr) << "journey 3: notepad did not start";
  ASSERT_TRUE(notepad.focused()) << "journey 3: notepad did not get the focus";
  HWND edit = notepad.edit();
  ASSERT_TRUE(edit) << "journey 3: notepad has no edit control";
  auto typed = [&] { return TextOf(edit); };

  // Ctrl+Space plays; the typist writes along.
  ASSERT_TRUE(PressKeys("ctrl+space"));
  ASSERT_TRUE(WaitUntil([&] { return Seconds(TextOf(time1)) >= 1; }, 10000)) << "journey 3: Ctrl+Space did not play";
  ASSERT_TRUE(desktop::TypeKeys("Dear Sir, "));
  EXPECT_TRUE(WaitUntil([&] { return typed() == L"Dear Sir, "; }, 5000))
      << "journey 3: notepad holds " << testing::PrintToString(typed());

  // Faster and quieter while playing.
  ASSERT_TRUE(PressKeys("alt+shift+Prior"));
  EXPECT_TRUE(WaitUntil([&] { return TextOf(speed) == L"105 %"; }, 5000))
      << "journey 3: faster shows " << testing::PrintToString(TextOf(speed));
  const int knobTop = Top(knob);
  ASSERT_TRUE(PressKeys("ctrl+Down"));
  EXPECT_TRUE(WaitUntil([&] { return Top(knob) > knobTop; }, 5000)) << "journey 3: Ctrl+Down did not lower the volume";

  // A pause, and the resume plays the last three seconds again.
  ASSERT_TRUE(WaitUntil([&] { return Seconds(TextOf(time1)) >= 5; }, 15000)) << "journey 3: playback did not go on";
  ASSERT_TRUE(PressKeys("ctrl+space"));
  // Still for a while once paused (the read-out only runs while playing).
  ASSERT_TRUE(Settle([&] { return TextOf(time1); }, 1500ms)) << "journey 3: Ctrl+Space did not pause";
  const int pausedAt = Seconds(TextOf(time1));
  ASSERT_TRUE(desktop::TypeKeys("we have received "));
  ASSERT_TRUE(PressKeys("ctrl+space"));
  int resumedAt = -1;
  ASSERT_TRUE(WaitUntil(
      [&] {
        resumedAt = Seconds(TextOf(time1));
        return resumedAt != pausedAt;
      },
      5000))
      << "journey 3: Ctrl+Space did not resume";
  EXPECT_LE(resumedAt, pausedAt - 2) << "journey 3: paused at " << pausedAt << " s, resumed at " << resumedAt << " s";

  // Paused again, the steps and jumps move the position bar.
  ASSERT_TRUE(PressKeys("ctrl+space"));
  ASSERT_TRUE(WaitUntil([&] { return Width(bar) > 0; }, 5000));
  Settle([&] { return Width(bar); });
  struct Step {
    const char* keys;
    int direction;
  };
  for (const Step& step : {Step{"ctrl+Left", -1}, Step{"ctrl+Right", +1}, Step{"ctrl+Prior", +1},
                           Step{"ctrl+Next", -1}}) {
    const int before = Width(bar);
    ASSERT_TRUE(PressKeys(step.keys));
    EXPECT_TRUE(WaitUntil([&] { return (Width(bar) - before) * step.direction > 0; }, 5000))
        << "journey 3: " << step.keys << " did not move the position (bar " << before << " px)";
    // A step shows at once and is redrawn from the player's position on the
    // next tick.
    Settle([&] { return Width(bar); });
  }

  // A time stamp at the caret, then more text.
  ASSERT_TRUE(PressKeys("ctrl+Insert"));
  const std::wregex stamped(LR"(Dear Sir, we have received \[00:00:\d\d\])");
  EXPECT_TRUE(WaitUntil([&] { return std::regex_match(typed(), stamped); }, 5000))
      << "journey 3: notepad holds " << testing::PrintToString(typed());
  ASSERT_TRUE(desktop::TypeKeys(" your letter."));
  const std::wregex whole(LR"(Dear Sir, we have received \[00:00:\d\d\] your letter\.)");
  EXPECT_TRUE(WaitUntil([&] { return std::regex_match(typed(), whole); }, 5000))
      << "journey 3: notepad holds " << testing::PrintToString(typed());
  if (const std::wstring now = typed(); std::regex_match(now, whole)) {
    EXPECT_LE(Seconds(now.substr(28, 8)), Seconds(TextOf(time2))) << "journey 3: the stamp lies past the end";
  }

  // Nothing of it reached the player.
  EXPECT_TRUE(notepad.focused()) << "journey 3: the focus left notepad";
  EXPECT_EQ(TextOf(Control(app::idNull)), L"") << "journey 3";
  EXPECT_EQ(TextOf(main_), caption) << "journey 3";
  EXPECT_EQ(::SendMessageW(songs, CB_GETCURSEL, 0, 0), index) << "journey 3: the typing changed the recording";

  // Back to the typist's own volume and speed; playing on, then stopped.
  ASSERT_TRUE(PressKeys("ctrl+Up"));
  EXPECT_TRUE(WaitUntil([&] { return Top(knob) == knobTop; }, 5000)) << "journey 3: Ctrl+Up did not raise the volume";
  ASSERT_TRUE(PressKeys("alt+shift+Home"));
  EXPECT_TRUE(WaitUntil([&] { return TextOf(speed) == L"100 %"; }, 5000)) << "journey 3: the speed was not reset";
  const std::wstring before = TextOf(time1);
  ASSERT_TRUE(PressKeys("ctrl+space"));
  EXPECT_TRUE(WaitUntil([&] { return TextOf(time1) != before; }, 5000)) << "journey 3: did not play on";
  Click(Control(app::idStop));
  EXPECT_TRUE(WaitUntil([&] { return !::IsWindowEnabled(Control(app::idStop)); }, 5000)) << "journey 3: did not stop";
}

TEST_F(Journeys, Journey4_TheSelectedDictationIsMailed) {
  if (Broken()) GTEST_SKIP() << "an earlier journey failed";
  HWND songs = Control(app::cmbSongs);
  const int index = IndexOf(desktop::ComboItems(songs), kDictationName);
  ASSERT_GE(index, 0) << "journey 4: the dictation is not listed";
  desktop::ChooseComboItem(main_, app::cmbSongs, index);
  ASSERT_TRUE(WaitUntil([&] { return ::SendMessageW(songs, CB_GETCURSEL, 0, 0) == index; }, 5000));

  e2e::MailDoubleProbe mail(Program().id());
  auto before = mail.Read();
  ASSERT_TRUE(before) << "journey 4: the program did not load the mail double";
  ASSERT_EQ(before->sendCount, 0) << "journey 4";
  Click(Control(app::SpeedButton8));
  std::unique_ptr<mapi_double::State> seen;
  ASSERT_TRUE(WaitUntil([&] { return (seen = mail.Read()) && seen->sendCount == 1; }, 10000))
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
