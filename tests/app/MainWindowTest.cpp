// The main window driven through its real controls, with a real player.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "WindowFixture.h"
#include "base/Text.h"
#include "core/globals.h"
#include "settings/KestrelSettings.h"

using namespace std::chrono_literals;
using namespace testing_support;
using app::TfrmVocorder;

namespace {

using MainWindow = WindowTest;

TEST_F(MainWindow, StartsAsTheDesignedStripWithTheFirstFolderSelected) {
  UseList({Recording(recs, L"b.mp3"), Recording(recs, L"a.mp3")});
  MakeWindow();
  HWND h = window->Handle();
  wchar_t cls[64];
  ::GetClassNameW(h, cls, 64);
  EXPECT_STREQ(cls, L"TfrmVocorder");
  LONG_PTR ex = ::GetWindowLongPtrW(h, GWL_EXSTYLE);
  EXPECT_TRUE(ex & WS_EX_TOOLWINDOW);
  EXPECT_TRUE(ex & WS_EX_TOPMOST);
  RECT client;
  ::GetClientRect(h, &client);
  EXPECT_EQ(client.bottom, 65);
  EXPECT_EQ(window->Layout().GetVisibilityMask(), kestrel::DefaultVisibilityMask);

  std::wstring folder = recs.path().filename().wstring();
  EXPECT_EQ(app::WindowText(h), folder);
  EXPECT_EQ(Items(app::cmbSongs), (std::vector<std::wstring>{L"a", L"b"}));
  EXPECT_EQ(Selected(app::cmbSongs), 0);
  EXPECT_FALSE(::IsWindowEnabled(window->Control(app::idStop)));
  EXPECT_EQ(window->Strip().Hint(app::idPlay), L"Play ");
  EXPECT_EQ(window->Strip().Hint(app::idChangeList), L"Reload List From The File (F6)");
  EXPECT_EQ(window->Strip().Hint(app::idGroup), L"Ungroup Songs From Their Artist (F7)");
  EXPECT_EQ(window->Folders().FolderPath(), recs.dir());
  // Selecting with "PlaySelected" opened the first recording and left it
  // stopped at its start with its length shown.
  EXPECT_EQ(window->Player()->FileName(), recs.file(L"a.mp3"));
  EXPECT_EQ(Text(app::idTime1), L"00:00:00");
  EXPECT_EQ(Text(app::idTime2), L"00:00:02");
  EXPECT_EQ(window->Strip().PlayGlyph(), 0);
  EXPECT_TRUE(seam.boxes.empty()) << (seam.boxes.empty() ? "" : text::ToAnsi(seam.boxes[0].text));
}

// The strip's labels are drawn in its designed font and show whole: each
// text, measured in the font the control itself reports, fits the control,
// and the read-out row's elements do not overlap.
TEST_F(MainWindow, LabelsShowWholeInTheStripsFont) {
  MakeWindow();
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(window->Handle(), WM_GETFONT, 0, 0));
  ASSERT_NE(font, nullptr);
  LOGFONTW lf{};
  ::GetObjectW(font, sizeof lf, &lf);
  EXPECT_STREQ(lf.lfFaceName, L"Arial");
  EXPECT_EQ(lf.lfCharSet, EASTEUROPE_CHARSET);

  auto fits = [&](int id) {
    HWND c = window->Control(id);
    if (!c) c = ::GetDlgItem(window->Control(app::idTime2Frm), id);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(c, WM_GETFONT, 0, 0)), font) << "control " << id;
    const SIZE text = app::TextExtent(c);
    RECT r;
    ::GetClientRect(c, &r);
    EXPECT_LE(text.cx, r.right) << "control " << id << ": " << text::ToAnsi(app::WindowText(c));
    EXPECT_LE(text.cy, r.bottom + 1) << "control " << id << ": " << text::ToAnsi(app::WindowText(c));
  };
  for (int id : {app::Label3, app::idTime1, app::LAB, app::idTime2, app::Label1, app::idTimeEdit2a,
                 app::idTimeEdit2d, app::idTime2Sep1})
    fits(id);
  window->Layout().SetMillisMode(true, true);
  EXPECT_EQ(Text(app::idTime2), L"00:00:00:000");
  fits(app::idTime1);
  fits(app::idTime2);

  int reach = 0;
  for (int id : {app::Label3, app::idTime1, app::idTimeSplit, app::LAB, app::idTime2}) {
    RECT r;
    ::GetWindowRect(window->Control(id), &r);
    ::MapWindowPoints(nullptr, window->Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_GE(r.left, reach) << "control " << id << " overlaps the one before";
    reach = r.right;
  }
}

TEST_F(MainWindow, PlaysToTheEndAndReturnsToThePlayPicture) {
  UseList({Recording(recs, L"a.mp3")});
  MakeWindow();
  Click(app::idPlay);
  EXPECT_EQ(window->Strip().PlayGlyph(), 3);  // the play button's own action: blue pause
  EXPECT_TRUE(::IsWindowEnabled(window->Control(app::idStop)));
  EXPECT_EQ(window->Strip().RefreshInterval(), 100u);
  EXPECT_TRUE(window->Bar().Polling());
  ASSERT_TRUE(PumpUntil([&] { return Text(app::idTime1) != L"00:00:00"; }, 5s));
  ASSERT_TRUE(PumpUntil([&] { return window->Player()->State() == PlayerState::Stopped; }, 10s));
  EXPECT_EQ(window->Strip().PlayGlyph(), 0);
  EXPECT_EQ(window->Strip().RefreshInterval(), 100u);
  EXPECT_FALSE(window->Bar().Polling());
  EXPECT_EQ(Text(app::idTime1), L"00:00:00");
  EXPECT_FALSE(::IsWindowEnabled(window->Control(app::idStop)));
}

TEST_F(MainWindow, PauseAndStop) {
  kestrel::Settings.PlaySelected = false;
  UseList({Recording(recs, L"a.mp3", L"speechrec.mp3")});
  MakeWindow();
  EXPECT_TRUE(window->Player()->FileName().empty());
  Click(app::idPlay);
  ASSERT_EQ(window->Player()->State(), PlayerState::Running);
  Click(app::idPlay);
  EXPECT_EQ(window->Player()->State(), PlayerState::Paused);
  EXPECT_EQ(window->Strip().PlayGlyph(), 1);
  Click(app::idStop);
  EXPECT_EQ(window->Player()->State(), PlayerState::Stopped);
  EXPECT_EQ(window->Strip().PlayGlyph(), 0);
  EXPECT_EQ(window->Player()->GetPosition(), 0);
}

// The mouse on the transport: a click on the bar seeks there, a step button
// held down pauses, steps on its timer and resumes when let go, and the
// knob dragged down turns the volume down and stays where it was put.
TEST_F(MainWindow, BarClickHeldStepAndVolumeDragByMouse) {
  kestrel::Settings.PlaySelected = false;
  UseList({Recording(recs, L"a.mp3", L"speechrec.mp3")});
  MakeWindow();
  auto mouse = [](HWND w, UINT msg, int x, int y) {
    ::SendMessageW(w, msg, msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(x, y));
  };
  auto width = [](HWND w) {
    RECT r;
    ::GetWindowRect(w, &r);
    return static_cast<int>(r.right - r.left);
  };
  Click(app::idPlay);
  ASSERT_EQ(window->Player()->State(), PlayerState::Running);
  const int64_t duration = window->Player()->Duration();
  ASSERT_GT(duration, 30'000'000);

  HWND frame = window->Control(app::idTrackFrm);
  HWND bar = ::GetDlgItem(frame, app::idTrackBar);
  mouse(frame, WM_LBUTTONDOWN, width(frame) / 2, 3);
  mouse(frame, WM_LBUTTONUP, width(frame) / 2, 3);
  const int64_t half = window->Player()->GetPosition();
  EXPECT_GT(half, duration * 3 / 10);
  EXPECT_LT(half, duration * 7 / 10);

  HWND forward = window->Control(app::SpeedButton2);
  const int before = width(bar);
  mouse(forward, WM_LBUTTONDOWN, 5, 5);
  EXPECT_EQ(window->Player()->State(), PlayerState::Paused) << "held step did not pause";
  testing_support::Pump(std::chrono::milliseconds(1500));
  const int held = width(bar);
  EXPECT_GT(held, before + 2) << "the step timer did not repeat";
  mouse(forward, WM_LBUTTONUP, 5, 5);
  EXPECT_EQ(window->Player()->State(), PlayerState::Running) << "did not resume when let go";
  EXPECT_GT(window->Player()->GetPosition(), half);

  HWND knob = window->Control(app::sldVolume);
  RECT k0;
  ::GetWindowRect(knob, &k0);
  mouse(knob, WM_LBUTTONDOWN, 4, 3);
  mouse(knob, WM_MOUSEMOVE, 4, 23);
  mouse(knob, WM_LBUTTONUP, 4, 23);
  testing_support::Pump(std::chrono::milliseconds(500));  // the timer polls the volume back
  RECT k1;
  ::GetWindowRect(knob, &k1);
  EXPECT_GT(k1.top, k0.top + 10) << "the knob did not follow the drag or was put back";
  EXPECT_TRUE(seam.boxes.empty());
}

// Steps at both ends of the bar stay inside the recording and the bar.
TEST_F(MainWindow, StepsNearBothEndsStayInTheRecording) {
  kestrel::Settings.PlaySelected = false;
  UseList({Recording(recs, L"a.mp3", L"speechrec.mp3")});
  MakeWindow();
  Click(app::idPlay);
  Click(app::idPlay);
  ASSERT_EQ(window->Player()->State(), PlayerState::Paused);
  HWND frame = window->Control(app::idTrackFrm);
  HWND bar = ::GetDlgItem(frame, app::idTrackBar);
  RECT f;
  ::GetWindowRect(frame, &f);
  const int frameWidth = f.right - f.left;
  auto barWidth = [&] {
    RECT r;
    ::GetWindowRect(bar, &r);
    return static_cast<int>(r.right - r.left);
  };
  const int64_t duration = window->Player()->Duration();

  ::SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(frameWidth - 2, 3));
  testing_support::Pump(std::chrono::milliseconds(300));  // the timer fills the bar to the new place
  for (int i = 0; i < 5; ++i) Click(app::SpeedButton2);
  EXPECT_LE(barWidth(), frameWidth);
  EXPECT_LE(window->Player()->GetPosition(), duration);
  EXPECT_GT(window->Player()->GetPosition(), duration * 8 / 10);
  EXPECT_EQ(window->Player()->State(), PlayerState::Paused);

  ::SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 3));
  testing_support::Pump(std::chrono::milliseconds(300));  // the timer fills the bar to the new place
  for (int i = 0; i < 5; ++i) Click(app::SpeedButton1);
  EXPECT_EQ(barWidth(), 0);
  EXPECT_GE(window->Player()->GetPosition(), 0);
  EXPECT_LT(window->Player()->GetPosition(), duration / 10);
  EXPECT_EQ(window->Player()->State(), PlayerState::Paused);
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(MainWindow, PlayWithoutSelectionAsksForOne) {
  MakeWindow();
  ASSERT_FALSE(seam.boxes.empty());  // the empty documents folder was reported
  seam.boxes.clear();
  Click(app::idPlay);
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"Select an artist please!");
}

TEST_F(MainWindow, AnEmptyListLoadsTheDocumentsFolder) {
  Recording(docs, L"memo.mp3");
  Recording(docs, L"other.wav");
  // The recording is opened once the window shows, not before it.
  std::wstring openWhenShown = L"?";
  MakeWindow([&] { openWhenShown = window->Player()->FileName(); });
  EXPECT_EQ(openWhenShown, L"");
  EXPECT_EQ(window->Player()->FileName(), docs.file(L"memo.mp3"));
  EXPECT_EQ(Items(app::cmbSongs), (std::vector<std::wstring>{L"memo"}));
  EXPECT_EQ(window->Folders().FolderPath(), docs.dir());
  EXPECT_EQ(ReadBytes(kestrel::Lists[0].Path), text::ToAnsi(docs.file(L"memo.mp3")) + "\r\n");
  EXPECT_EQ(app::WindowText(window->Handle()), docs.path().filename().wstring());
  reg::UserStore store;
  EXPECT_EQ(store.Read(L"Dir_MP3s"), docs.path().wstring());
}

TEST_F(MainWindow, TheFolderBrowserMakesAFoldersRecordingsTheList) {
  UseList({Recording(recs, L"a.mp3")});
  MakeWindow();
  ScratchDir other(L"other");
  Recording(other, L"x.mp3");
  Recording(other, L"y.mp3");
  std::wstring chosen = other.path().wstring();
  window->Folders().FD().SetBrowseFunction([&](BROWSEINFOW&) { return ::ILCreateFromPathW(chosen.c_str()); });
  Click(app::SpeedButton3);
  EXPECT_EQ(Items(app::cmbSongs), (std::vector<std::wstring>{L"x", L"y"}));
  EXPECT_EQ(window->Folders().FolderPath(), other.dir());
  EXPECT_EQ(reg::UserStore().Read(L"Dir_MP3s"), chosen);

  // A folder without recordings: the message, and the list stays.
  ScratchDir empty(L"empty");
  chosen = empty.path().wstring();
  std::string before = ReadBytes(kestrel::Lists[0].Path);
  Click(app::SpeedButton3);
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, empty.dir() + L"\rZložka neobsahuje súbory formátu MP3 !!!");
  EXPECT_EQ(ReadBytes(kestrel::Lists[0].Path), before);

  // Cancelling keeps the folder and the list.
  window->Folders().FD().SetBrowseFunction([](BROWSEINFOW&) -> PIDLIST_ABSOLUTE { return nullptr; });
  Click(app::SpeedButton3);
  EXPECT_EQ(Items(app::cmbSongs), (std::vector<std::wstring>{L"x", L"y"}));
  EXPECT_EQ(ReadBytes(kestrel::Lists[0].Path), before);
}

TEST_F(MainWindow, AddingAFileCopiesItIntoTheFolderOfTheList) {
  UseList({Recording(recs, L"a.mp3")});
  MakeWindow();
  ScratchDir elsewhere(L"src");
  std::wstring source = Recording(elsewhere, L"new one.mp3");
  std::wstring initial;
  std::optional<std::wstring> choice = source;
  OpenFileSeam dialog([&](HWND, const std::wstring& dir) -> std::optional<std::wstring> {
    initial = dir;
    return choice;
  });
  Click(app::SpeedButton4);
  EXPECT_EQ(initial, L"C:\\");
  EXPECT_TRUE(FileExists(recs.file(L"new one.mp3")));
  EXPECT_EQ(Items(app::cmbSongs), (std::vector<std::wstring>{L"a", L"new one"}));
  EXPECT_EQ(reg::UserStore().Read(L"DirFiles_MP3s"), elsewhere.path().wstring());

  // Cancelled: nothing changes; the stored folder is offered next time.
  std::string before = ReadBytes(kestrel::Lists[0].Path);
  choice.reset();
  Click(app::SpeedButton4);
  EXPECT_EQ(initial, elsewhere.path().wstring());
  EXPECT_EQ(ReadBytes(kestrel::Lists[0].Path), before);
}

TEST_F(MainWindow, TheDelayedStartWaitsThenLoadsTheNextRecording) {
  kestrel::Settings.EnableTime3 = true;
  kestrel::Settings.Time3 = 0.4 / 86400.0;
  UseList({Recording(recs, L"a.mp3"), Recording(recs, L"b.mp3")});
  MakeWindow();
  Click(app::idNext);
  EXPECT_EQ(Selected(app::cmbSongs), 1);
  EXPECT_EQ(window->Strip().PlayGlyph(), 1);  // the pending marker
  EXPECT_NE(window->Player()->FileName(), recs.file(L"b.mp3")) << "loaded before the wait";
  EXPECT_TRUE(PumpUntil([&] { return window->Player()->FileName() == recs.file(L"b.mp3"); }, 2s));
  Pump();
  EXPECT_EQ(window->Strip().PlayGlyph(), 0);  // the pending marker is cleared again
  EXPECT_FALSE(::IsWindowEnabled(window->Control(app::idNext)));
}

TEST_F(MainWindow, AMissingRecordingMovesOnWhenNotReported) {
  kestrel::Settings.ErrUnexisting = false;
  kestrel::Settings.PlaySelected = false;
  UseList({recs.file(L"gone.mp3"), Recording(recs, L"here.mp3")});
  MakeWindow();
  Click(app::idPlay);
  EXPECT_EQ(Selected(app::cmbSongs), 1);
  EXPECT_TRUE(seam.boxes.empty());

  kestrel::Settings.ErrUnexisting = true;
  ::SendMessageW(window->Control(app::cmbSongs), CB_SETCURSEL, 0, 0);
  window->Recordings().cmbSongsChange();
  Click(app::idPlay);
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"Can not find the file,\r" + text::LowerAscii(recs.file(L"gone.mp3")));
}

TEST_F(MainWindow, BadRecordingsGiveAPlayerErrorAndTheWindowGoesOn) {
  kestrel::Settings.PlaySelected = false;
  WriteBytes(recs.file(L"empty.mp3"), "");
  // Noise without structure: Wine's splitter takes a file of one repeated
  // byte for sound and renders it.
  std::string junk(20000, '\0');
  for (size_t i = 0; i < junk.size(); ++i) junk[i] = static_cast<char>((i * 7919 + 13) % 251);
  WriteBytes(recs.file(L"junk.mp3"), junk);
  UseList({recs.file(L"empty.mp3"), recs.file(L"junk.mp3"), Recording(recs, L"good.mp3")});
  MakeWindow();
  // The list is sorted: choose by name.
  auto choose = [&](const wchar_t* name) {
    HWND songs = window->Control(app::cmbSongs);
    LRESULT k = ::SendMessageW(songs, CB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
    ASSERT_NE(k, CB_ERR) << name;
    ::SendMessageW(songs, CB_SETCURSEL, k, 0);
  };
  for (const wchar_t* i : {L"empty", L"junk"}) {
    seam.boxes.clear();
    seam.answers = {IDNO};  // no device settings now
    choose(i);
    window->Recordings().cmbSongsChange();
    Click(app::idPlay);
    ASSERT_EQ(seam.boxes.size(), 1u) << i;
    EXPECT_EQ(seam.last().caption, L"Error");
    EXPECT_EQ(seam.last().text.rfind(L"Device reported the following error:\r", 0), 0u) << i;
    EXPECT_TRUE(::IsWindowEnabled(window->Control(app::idPlay)));
    EXPECT_TRUE(window->Player()->FileName().empty());  // closed on pnOpenFailed
  }
  choose(L"good");
  window->Recordings().cmbSongsChange();
  Click(app::idPlay);
  EXPECT_EQ(window->Player()->State(), PlayerState::Running);
}

TEST_F(MainWindow, TheStoredPositionIsKeptOnTheScreen) {
  reg::UserStore store;
  store.Write(L"Left", L"-50");
  store.Write(L"Top", L"100000");
  MakeWindow();
  RECT r;
  ::GetWindowRect(window->Handle(), &r);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.bottom, ::GetSystemMetrics(SM_CYSCREEN));
  ::SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(store.Read(L"Left"), L"0");
  EXPECT_EQ(store.Read(L"Top"), std::to_wstring(r.top));
}

TEST_F(MainWindow, LayoutsShowAndHideElements) {
  MakeWindow();
  window->Layout().ApplyVisibilityMask(0x00003 | 0x00008 | 0x00080 | 0x00200);
  EXPECT_FALSE(::IsWindowVisible(window->Control(app::idStop)));
  EXPECT_FALSE(::IsWindowVisible(window->Control(app::idTrackFrm)));
  EXPECT_FALSE(::IsWindowVisible(window->Control(app::idTimeSplit)));
  EXPECT_TRUE(window->Readouts().ShowMillis());
  EXPECT_EQ(Text(app::idTime1), L"00:00:00:000");
  EXPECT_EQ(window->Layout().GetVisibilityMask(), 0x00003u | 0x00008u | 0x00080u | 0x00200u);
  window->Layout().ApplyVisibilityMask(kestrel::DefaultVisibilityMask);
  EXPECT_EQ(Text(app::idTime1), L"00:00:00");
  EXPECT_EQ(Text(app::idTime2), L"00:00:00");
  EXPECT_EQ(window->Layout().GetVisibilityMask(), kestrel::DefaultVisibilityMask);
}

}  // namespace
