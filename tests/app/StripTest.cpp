// The strip as a typist uses it: real mouse clicks, the focus after them,
// the position editor, the transport rules at their limits, the delayed
// start, and every text of the windows.
#include <gtest/gtest.h>

#include "Desktop.h"
#include "WindowFixture.h"
#include "base/Text.h"
#include "core/globals.h"
#include "recorder/RecMpeg.h"
#include "settings/KestrelSettings.h"

using namespace std::chrono_literals;
using namespace testing_support;

namespace {

using Strip = WindowTest;

int Width(HWND w) {
  RECT r;
  ::GetWindowRect(w, &r);
  return r.right - r.left;
}

// Clicks with the mouse itself, through the system's input queue: `clicks`
// presses in quick succession at a point of the control (its centre unless
// given), so that a second one is a double-click.
void MouseClick(HWND control, int clicks = 1, POINT at = {-1, -1}) {
  RECT r;
  ::GetWindowRect(control, &r);
  POINT p = at.x < 0 ? POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2} : POINT{r.left + at.x, r.top + at.y};
  std::vector<INPUT> in;
  INPUT move{INPUT_MOUSE};
  move.mi.dx = p.x * 65535 / (::GetSystemMetrics(SM_CXSCREEN) - 1);
  move.mi.dy = p.y * 65535 / (::GetSystemMetrics(SM_CYSCREEN) - 1);
  move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  in.push_back(move);
  for (int i = 0; i < clicks; ++i) {
    INPUT down{INPUT_MOUSE}, up{INPUT_MOUSE};
    down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    up.mi.dwFlags = MOUSEEVENTF_LEFTUP;
    in.push_back(down);
    in.push_back(up);
  }
  ASSERT_EQ(::SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT)), in.size());
  Pump(150ms);
}

class StripPlaying : public Strip {
protected:
  void SetUp() override {
    Strip::SetUp();
    kestrel::Settings.PlaySelected = false;
    UseList({Recording(recs, L"a.mp3", L"speechrec.mp3")});
    MakeWindow();
    frame = window->Control(app::idTrackFrm);
    bar = ::GetDlgItem(frame, app::idTrackBar);
  }
  void PlayPaused() {
    Click(app::idPlay);
    Click(app::idPlay);
    ASSERT_EQ(window->Player()->State(), PlayerState::Paused);
  }
  void SeekOnFrame(int x) {
    ::SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 3));
    Pump(300ms);  // the timer fills the bar to the new place
  }
  int64_t Position() { return window->Player()->GetPosition(); }
  HWND frame = nullptr, bar = nullptr;
};

// A quick second click is a click: play then pause, and two steps forward
// and back; after each the focus is on the key sink, so Space presses
// nothing.
TEST_F(StripPlaying, QuickClicksAllCountAndLeaveTheFocusOnTheKeySink) {
  HWND sink = window->Control(app::idNull);
  MouseClick(window->Control(app::idPlay), 2);
  EXPECT_EQ(window->Player()->State(), PlayerState::Paused) << "the pause was lost";
  EXPECT_EQ(::GetFocus(), sink);

  ::KillTimer(window->Handle(), app::idTimer);  // the fill moves by the steps only
  const int fill = Width(bar);
  MouseClick(window->Control(app::SpeedButton2), 2);
  EXPECT_EQ(Width(bar), fill + 2);
  MouseClick(window->Control(app::SpeedButton1), 2);
  EXPECT_EQ(Width(bar), fill);
  EXPECT_EQ(::GetFocus(), sink);
  EXPECT_EQ(window->Player()->State(), PlayerState::Paused);

  MouseClick(window->Control(app::idStop));
  EXPECT_EQ(window->Player()->State(), PlayerState::Stopped);
  EXPECT_EQ(::GetFocus(), sink);
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(StripPlaying, TheBarBeforeTheFirstPlayIgnoresClicks) {
  SeekOnFrame(200);
  ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 3));
  EXPECT_EQ(window->Player()->State(), PlayerState::Stopped);
  EXPECT_EQ(Width(bar), 0);
  EXPECT_TRUE(window->Player()->FileName().empty());
}

// A press on the fill seeks 2 pixels further than the same x on the frame.
TEST_F(StripPlaying, AClickOnTheFillSeeksPastTheMargin) {
  PlayPaused();
  SeekOnFrame(300);
  ASSERT_GT(Width(bar), 60);
  ::SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 3));
  const int64_t onFill = Position();
  ::SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(52, 3));
  EXPECT_EQ(Position(), onFill);
  ::SendMessageW(frame, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 3));
  EXPECT_LT(Position(), onFill);
}

// Ctrl+Left steps back while paused and does nothing while stopped;
// Ctrl+PageUp near the end stops at the frame width minus 5.
TEST_F(StripPlaying, HotKeyStepsAndTheirLimits) {
  window->HotKeys().HotKeyBackHotKey();
  EXPECT_EQ(Position(), 0);
  EXPECT_EQ(window->Player()->State(), PlayerState::Stopped);

  PlayPaused();
  SeekOnFrame(Width(frame) / 2);
  const int64_t middle = Position();
  window->HotKeys().HotKeyBackHotKey();
  EXPECT_LT(Position(), middle);

  SeekOnFrame(Width(frame) - 20);
  ::KillTimer(window->Handle(), app::idTimer);
  window->HotKeys().HotKeyForwardXHotKey();
  EXPECT_EQ(Width(bar), Width(frame) - 5);
  EXPECT_LT(Position(), window->Player()->Duration());
  EXPECT_EQ(window->Player()->State(), PlayerState::Paused);
}

// With the rewind on resume at 5 s, only a resume from where the typist
// paused goes back: a step or a click on the bar, while paused or while
// playing, stays where it went.
TEST_F(StripPlaying, AMoveIsNotUndoneByTheRewindOnResume) {
  kestrel::Settings.ResumeRewind = 5000;
  Click(app::idPlay);
  const int x = Width(frame) * 2 / 3;  // about 6 s
  int64_t from = 0;
  auto pausedAt = [&](int at) {
    SeekOnFrame(at);
    Click(app::idPlay);
    from = Position();
  };
  auto playsOnFrom = [&](const char* move) {
    if (window->Player()->State() == PlayerState::Paused) Click(app::idPlay);
    EXPECT_EQ(window->Player()->State(), PlayerState::Running) << move;
    EXPECT_GT(Position(), from) << move;
  };
  pausedAt(x);
  MouseClick(window->Control(app::SpeedButton2));
  playsOnFrom("Vpred while paused");
  pausedAt(x);
  window->HotKeys().HotKeyForwardHotKey();
  playsOnFrom("Ctrl+Right while paused");
  pausedAt(x / 4);
  SeekOnFrame(x);
  playsOnFrom("a click on the bar while paused");
  from = Position();
  MouseClick(window->Control(app::SpeedButton2));
  playsOnFrom("Vpred while playing");
  pausedAt(x);  // the typist's own pause still resumes earlier
  Click(app::idPlay);
  EXPECT_LT(Position(), from - 40'000'000);
}

// A hot key that the system posts amid the notifications of the window's own
// work (an opening: the play button disabled, then enabled again) acts
// after them, on the window as that work left it.
TEST_F(StripPlaying, AHotKeyAmidTheWindowsOwnNotificationsActsAfterThem) {
  HWND main = window->Handle();
  ::PostMessageW(main, WM_PLAYERNOTIFY, 0, pnOpening);
  ::PostMessageW(window->HotKeys().Key(L"HotKeyStartStop")->ReceiverWindow(), WM_HOTKEY, 0,
                 MAKELPARAM(MOD_CONTROL, VK_SPACE));
  ::PostMessageW(main, WM_PLAYERNOTIFY, 0, pnOpened);
  Pump();
  EXPECT_EQ(window->Player()->State(), PlayerState::Running);
}

TEST_F(StripPlaying, TheKnobStopsAtBothEndsOfTheGroove) {
  Click(app::idPlay);
  RECT groove, knob;
  ::GetWindowRect(window->Control(app::sldVolumeFrm), &groove);
  for (int i = 0; i < 40; ++i) window->HotKeys().HotKeyVolDownHotKey();
  Pump(300ms);  // the timer follows the volume
  ::GetWindowRect(window->Control(app::sldVolume), &knob);
  EXPECT_EQ(knob.bottom, groove.bottom);
  for (int i = 0; i < 40; ++i) window->HotKeys().HotKeyVolUpHotKey();
  Pump(300ms);
  ::GetWindowRect(window->Control(app::sldVolume), &knob);
  EXPECT_EQ(knob.top, groove.top);
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(StripPlaying, TheLengthLimitStopsPlayback) {
  kestrel::Settings.EnableTime1 = true;
  kestrel::Settings.Time1 = 5'000'000;  // half a second
  Click(app::idPlay);
  ASSERT_TRUE(PumpUntil([&] { return window->Player()->State() == PlayerState::Stopped; }, 3s));
  EXPECT_EQ(Text(app::idTime1), L"00:00:00");
  EXPECT_EQ(window->Strip().PlayGlyph(), 0);
  EXPECT_EQ(window->Strip().RefreshInterval(), 100u);
}

// The read-out is split into the editor's fields; the focused field is
// grey; the milliseconds field follows the mode while the editor is open.
TEST_F(Strip, ThePositionEditor) {
  MakeWindow();
  ASSERT_TRUE(window->Readouts().TimeSupported());
  HWND editor = window->Control(app::idTime2Frm);
  auto item = [&](int id) { return ::GetDlgItem(editor, id); };
  auto grey = [&](int id) {
    ::UpdateWindow(item(id));
    HDC dc = ::GetDC(item(id));
    COLORREF c = ::GetPixel(dc, 0, 0);
    ::ReleaseDC(item(id), dc);
    return c == RGB(196, 196, 200);
  };
  // Times are supported: the read-out offers its editor with a hand.
  MouseClick(window->Control(app::idTime1), 0);
  EXPECT_EQ(::GetCursor(), ::LoadCursorW(nullptr, IDC_HAND));

  window->Layout().SetMillisMode(true, true);
  ::SetWindowTextW(window->Control(app::idTime1), L"00:01:23:456");
  MouseClick(window->Control(app::idTime1));
  ASSERT_TRUE(::IsWindowVisible(editor));
  EXPECT_EQ(app::WindowText(item(app::idTimeEdit2a)), L"00");
  EXPECT_EQ(app::WindowText(item(app::idTimeEdit2b)), L"01");
  EXPECT_EQ(app::WindowText(item(app::idTimeEdit2c)), L"23");
  EXPECT_EQ(app::WindowText(item(app::idTimeEdit2d)), L"456");
  EXPECT_EQ(::GetFocus(), item(app::idTimeEdit2dCursor));
  EXPECT_TRUE(grey(app::idTimeEdit2d));
  EXPECT_FALSE(grey(app::idTimeEdit2c));

  MouseClick(item(app::idTimeEdit2a));
  EXPECT_EQ(::GetFocus(), item(app::idTimeEdit2aCursor));
  EXPECT_TRUE(grey(app::idTimeEdit2a));
  EXPECT_FALSE(grey(app::idTimeEdit2d));

  // From the milliseconds field, leaving the mode moves to the seconds.
  MouseClick(item(app::idTimeEdit2d));
  window->Layout().SetMillisMode(false, true);
  EXPECT_FALSE(::IsWindowVisible(item(app::idTimeEdit2d)));
  EXPECT_EQ(::GetFocus(), item(app::idTimeEdit2cCursor));
  window->Layout().SetMillisMode(true, true);
  EXPECT_TRUE(::IsWindowVisible(item(app::idTimeEdit2d)));
  EXPECT_EQ(::GetFocus(), item(app::idTimeEdit2dCursor));
  // Hiding the read-out closes the editor and the focus goes to the sink.
  window->Layout().ApplyVisibilityMask(kestrel::DefaultVisibilityMask & ~0x80u);
  EXPECT_FALSE(::IsWindowVisible(editor));
  EXPECT_EQ(::GetFocus(), window->Control(app::idNull));
}

// The editor opened by a click on the read-out while another program has
// the keyboard takes it, with keys through the system's input queue: digits
// type into the field, the arrows move and change, Enter goes there and Esc
// does not; each gives the keyboard back. The hot keys work while it is
// open, and a click elsewhere closes it.
TEST_F(StripPlaying, ThePositionEditorGoesToATypedTime) {
  PlayPaused();
  desktop::FocusedNotepad notepad;
  HWND editor = window->Control(app::idTime2Frm);
  auto field = [&](int id) { return app::WindowText(::GetDlgItem(editor, id)); };
  auto typed = [&](std::initializer_list<WORD> vks, WORD modifier = 0) {
    ASSERT_TRUE(notepad.focused());
    MouseClick(window->Control(app::idTime1));
    ASSERT_TRUE(::IsWindowVisible(editor));
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(editor, app::idTimeEdit2cCursor));
    ASSERT_TRUE(desktop::SendKeys(vks, modifier));
    Pump(200ms);
  };
  typed({'0', '7', VK_UP, VK_UP, VK_DOWN, VK_LEFT, '0', '1', VK_LEFT, VK_DOWN, '0', '0', '0'});
  EXPECT_EQ(field(app::idTimeEdit2b) + field(app::idTimeEdit2c), L"0008");  // full minutes move on
  ASSERT_TRUE(desktop::SendKeys({'6', VK_RETURN}));
  EXPECT_TRUE(PumpUntil([&] { return notepad.focused(); }, 5s)) << "the keyboard did not go back";
  EXPECT_FALSE(::IsWindowVisible(editor));
  EXPECT_EQ(Text(app::idTime1), L"00:00:06");
  EXPECT_EQ(Position() / 10'000'000, 6);

  typed({'2', VK_ESCAPE});
  EXPECT_TRUE(PumpUntil([&] { return notepad.focused(); }, 5s));
  EXPECT_EQ(Position() / 10'000'000, 6);
  typed({VK_SPACE}, VK_CONTROL);  // a hot key, not a key of the editor
  EXPECT_TRUE(PumpUntil([&] { return window->Player()->State() == PlayerState::Running; }, 5s));
  EXPECT_TRUE(::IsWindowVisible(editor));
  MouseClick(window->Control(app::Label3));
  EXPECT_FALSE(::IsWindowVisible(editor));
}

TEST_F(Strip, NextMovesOnIntoTheNextFolder) {
  ScratchDir other(L"zz_other");
  UseList({Recording(recs, L"a.mp3"), Recording(other, L"x.mp3")});
  MakeWindow();
  ASSERT_EQ(Items(app::cmbArtists).size(), 2u);
  EXPECT_EQ(window->Strip().RefreshInterval(), 100u) << "the start-up stop sets the stopped interval";
  EXPECT_EQ(app::WindowText(window->Handle()).find_first_of(L"\r\n"), std::wstring::npos);
  Click(app::idNext);
  EXPECT_EQ(Selected(app::cmbArtists), 1);
  EXPECT_EQ(Items(app::cmbSongs), (std::vector<std::wstring>{L"x"}));
  EXPECT_EQ(window->Player()->FileName(), other.file(L"x.mp3"));
}

namespace {
HWND s_main;
// A timer callback is called by the system, so it has the system's calling
// convention (a lambda would not convert to it in the 32-bit build).
void CALLBACK ClickPlayLater(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  ::PostMessageW(s_main, WM_COMMAND, MAKEWPARAM(app::idPlay, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(s_main, app::idPlay)));
}
}  // namespace

// A play during the wait of a delayed start cancels it: the chosen
// recording plays at once and is not opened again when the wait ends.
TEST_F(Strip, PlayCancelsAPendingDelayedStart) {
  kestrel::Settings.EnableTime3 = true;
  kestrel::Settings.Time3 = 2.0 / 86400.0;
  UseList({Recording(recs, L"a.mp3", L"speechrec.mp3"), Recording(recs, L"b.mp3", L"speechrec.mp3")});
  MakeWindow();
  Click(app::idNext);
  ASSERT_TRUE(window->DelayedStart().Pending());
  Click(app::idPlay);
  EXPECT_EQ(window->Player()->State(), PlayerState::Running);
  Pump(2500ms);  // past the end of the wait
  EXPECT_EQ(window->Player()->FileName(), recs.file(L"b.mp3"));
  EXPECT_EQ(window->Player()->State(), PlayerState::Running);
  EXPECT_EQ(window->Strip().PlayGlyph(), 3);
}

TEST_F(Strip, ClosingDuringADelayedStartEndsCleanly) {
  kestrel::Settings.EnableTime3 = true;
  kestrel::Settings.Time3 = 2.0 / 86400.0;
  UseList({Recording(recs, L"a.mp3"), Recording(recs, L"b.mp3")});
  MakeWindow();
  ::PostMessageW(window->Handle(), WM_CLOSE, 0, 0);
  Click(app::idNext);
  EXPECT_EQ(window->Handle(), nullptr);
  EXPECT_EQ(window->Player(), nullptr);
}

// Every text of the windows as designed, in the code page they are shown
// in (1250), byte for byte.
TEST_F(Strip, EveryTextOfTheWindows) {
  MakeWindow();
  auto cp1250 = [](const std::wstring& s) {
    BOOL lost = FALSE;
    int n = ::WideCharToMultiByte(1250, WC_NO_BEST_FIT_CHARS, s.c_str(), static_cast<int>(s.size()), nullptr, 0,
                                  nullptr, &lost);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(1250, WC_NO_BEST_FIT_CHARS, s.c_str(), static_cast<int>(s.size()), out.data(), n, nullptr,
                          &lost);
    return lost ? std::string("<not in 1250>") : out;
  };
  struct Row {
    const char* what;
    std::wstring shown;
    const wchar_t* designed;
  };
  HWND rec = window->Actions().FRecMpeg()->Handle();
  auto recText = [&](int id) { return app::WindowText(::GetDlgItem(rec, id)); };
  const std::wstring editorHint = window->Strip().Hint(app::idTime2Frm);
  const Row rows[] = {
      {"Label3", Text(app::Label3), L"Prehraté:"},
      {"idTime1", Text(app::idTime1), L"00:00:00"},
      {"LAB", Text(app::LAB), L"Celková dĺžka:"},
      {"idTime2", Text(app::idTime2), L"00:00:00"},
      {"idTimeSplit", Text(app::idTimeSplit), L" "},
      {"Label1", Text(app::Label1), L"Zložka:"},
      {"idPlay hint", window->Strip().Hint(app::idPlay), L"Play "},
      {"idStop hint", window->Strip().Hint(app::idStop), L"Stop"},
      {"SpeedButton1 hint", window->Strip().Hint(app::SpeedButton1), L"Vzad"},
      {"SpeedButton2 hint", window->Strip().Hint(app::SpeedButton2), L"Vpred"},
      {"SpeedButton3 hint", window->Strip().Hint(app::SpeedButton3), L"Vybrať zložku so súbormi"},
      {"SpeedButton4 hint", window->Strip().Hint(app::SpeedButton4), L"Vložiť súbor s nahrávkou"},
      {"SpeedButton5 hint", window->Strip().Hint(app::SpeedButton5), L"Náhrávanie zvuku"},
      {"SpeedButton8 hint", window->Strip().Hint(app::SpeedButton8), L"Odoslať vybranú nahrávku E-Mailom"},
      {"SpeedButton6 hint", window->Strip().Hint(app::SpeedButton6), L"Nastavenia"},
      {"SpeedButton7 hint", window->Strip().Hint(app::SpeedButton7), L"O programe"},
      {"btnKonec hint", window->Strip().Hint(app::btnKonec), L"Ukončiť"},
      {"idTime1 hint", window->Strip().Hint(app::idTime1), L"Current Position (F9)"},
      {"idTime2 hint", window->Strip().Hint(app::idTime2), L"Song Length"},
      {"sldVolume hint", window->Strip().Hint(app::sldVolume), L"Volume"},
      {"idPrev hint", window->Strip().Hint(app::idPrev), L"Previous Song (Left)"},
      {"idNext hint", window->Strip().Hint(app::idNext), L"Next Song (Right)"},
      {"idSettings hint", window->Strip().Hint(app::idSettings), L"Edit Player Settings (F5)"},
      {"idChangeList hint", window->Strip().Hint(app::idChangeList), L"Reload List From The File (F6)"},
      {"idSort hint", window->Strip().Hint(app::idSort), L"Sort (F3)"},
      {"idRandom hint", window->Strip().Hint(app::idRandom), L"Randomize (F4)"},
      {"idFind hint", window->Strip().Hint(app::idFind), L"Search (F2)"},
      {"editor hint", editorHint, L"Press [Esc] to cancel time edit or press [Enter] to accept the new position"},
      {"TFRecMpeg caption", app::WindowText(rec), L"Záznam zvuku"},
      {"TFRecMpeg Label3", recText(TFRecMpeg::idLabel3), L"Sekúnd:"},
      {"TFRecMpeg Label4", recText(TFRecMpeg::idLabel4), L"0"},
      {"TFRecMpeg Label1", recText(TFRecMpeg::idLabel1), L"Dĺžka v minutách:"},
      {"TFRecMpeg Label2", recText(TFRecMpeg::idLabel2), L"0"},
      {"TFRecMpeg BitBtn1", recText(TFRecMpeg::idBitBtn1), L"Štart"},
      {"TFRecMpeg Stop", recText(TFRecMpeg::idStop), L"Stop"},
      {"TFRecMpeg Button1", recText(TFRecMpeg::idButton1), L"Uložiť"},
      {"TFRecMpeg BitBtn2", recText(TFRecMpeg::idBitBtn2), L"Ukončiť"},
  };
  for (const Row& r : rows) EXPECT_EQ(cp1250(r.shown), cp1250(r.designed)) << r.what;
}

}  // namespace
