// The strip's mail and about buttons, and the recording window's about
// button, through their real controls. Mail goes to the mail client double
// (tests/services/mapi32) that lies beside this program.
#include <gtest/gtest.h>

#include <cstring>

#include "DialogDriver.h"
#include "MapiDouble.h"
#include "WindowFixture.h"
#include "app/About.h"
#include "base/Text.h"
#include "recorder/RecMpeg.h"
#include "services/Mapi.h"

using namespace std::chrono_literals;
using namespace testing_support;

namespace {

std::wstring FaceOf(HWND control) {
  LOGFONTW lf{};
  ::GetObjectW(reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0)), sizeof lf, &lf);
  return lf.lfFaceName;
}

// What the script saw of the shown about box.
struct AboutSeen {
  std::wstring caption, name, version, keys, keysFace;
  bool okDefault = false;
  bool hasIcon = false;
  RECT rect{};
};

enum class Closer { Click, Enter, Escape };

// Reads the box and closes it the given way.
DialogDriver::Script ReadAbout(AboutSeen& seen, Closer closer) {
  return [&seen, closer](DialogDriver& d) {
    seen.caption = d.Caption();
    seen.name = d.Text(app::TFAbout::Label1);
    seen.version = d.Text(app::TFAbout::Label2);
    seen.keys = d.Text(app::TFAbout::Label3);
    seen.keysFace = FaceOf(d.Control(app::TFAbout::Label3));
    seen.okDefault = (::GetWindowLongW(d.Control(IDOK), GWL_STYLE) & 0xF) == BS_DEFPUSHBUTTON &&
                     LOWORD(::SendMessageW(d.Window(), DM_GETDEFID, 0, 0)) == IDOK;
    seen.hasIcon = ::SendMessageW(d.Control(app::TFAbout::Image1), STM_GETICON, 0, 0) != 0;
    ::GetWindowRect(d.Window(), &seen.rect);
    switch (closer) {
      case Closer::Click: d.Press(IDOK); break;
      case Closer::Enter: d.Key(VK_RETURN); break;
      case Closer::Escape: d.Key(VK_ESCAPE); break;
    }
  };
}

class Actions : public WindowTest {
protected:
  void SetUp() override {
    WindowTest::SetUp();
    services::InitMapi();
    ASSERT_TRUE(services::MapiAvailable());
    auto get = reinterpret_cast<MapiDoubleStateFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"mapi32.dll"), "MapiDoubleState")));
    ASSERT_NE(get, nullptr) << "the system's mapi32 was loaded, not the double";
    client = get();
    std::memset(client, 0, sizeof *client);
  }
  void TearDown() override {
    WindowTest::TearDown();
    services::DoneMapi();
  }
  void Select(const std::wstring& title) {
    HWND combo = window->Control(app::cmbSongs);
    int i = static_cast<int>(::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(title.c_str())));
    ASSERT_GE(i, 0) << text::ToAnsi(title);
    ::SendMessageW(combo, CB_SETCURSEL, i, 0);
    window->Recordings().cmbSongsClick();
    window->Recordings().cmbSongsChange();
  }

  mapi_double::State* client = nullptr;
};

TEST_F(Actions, MailAttachesTheSelectedRecordingsOwnFile) {
  // A stored list with paths relative to its own folder, and two recordings
  // of one title: the second is shown as "a (2)" and is the .wav file.
  ScratchDir& list = home;
  std::filesystem::create_directory(list.path() / L"dict");
  Recording(list, L"dict\\a.mp3");
  Recording(list, L"dict\\a.wav");
  UseList({L"dict\\a.mp3", L"dict\\a.wav"});
  MakeWindow();
  ASSERT_EQ(Items(app::cmbSongs), (std::vector<std::wstring>{L"a", L"a (2)"}));
  Select(L"a (2)");
  seam.boxes.clear();

  Click(app::SpeedButton8);
  ASSERT_EQ(client->sendCount, 1);
  ASSERT_EQ(client->fileCount, 1u);
  EXPECT_EQ(text::FromAnsi(client->files[0].path), list.file(L"dict\\a.wav"));
  EXPECT_STREQ(client->files[0].name, "a.wav");
  EXPECT_EQ(client->recipCount, 0u);
  EXPECT_EQ(client->sendFlags, static_cast<FLAGS>(MAPI_DIALOG));  // the compose window opens
  EXPECT_EQ(client->sendParent, reinterpret_cast<ULONG_PTR>(window->Handle()));
  EXPECT_EQ(client->logoffCount, 1);
  EXPECT_TRUE(seam.boxes.empty());

  Select(L"a");
  Click(app::SpeedButton8);
  ASSERT_EQ(client->sendCount, 2);
  ASSERT_EQ(client->fileCount, 1u);  // the message was cleared in between
  EXPECT_EQ(text::FromAnsi(client->files[0].path), list.file(L"dict\\a.mp3"));
}

TEST_F(Actions, MailWithoutASelectionAsksForOne) {
  MakeWindow();  // an empty list and documents folder: nothing selected
  seam.boxes.clear();
  Click(app::SpeedButton8);
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"Vyberte nahrávku !!!");
  EXPECT_EQ(client->logonCount, 0);
}

TEST_F(Actions, MailWithoutAMailServiceShowsTheErrorBox) {
  UseList({Recording(recs, L"memo.mp3")});
  MakeWindow();
  ASSERT_EQ(Selected(app::cmbSongs), 0);
  seam.boxes.clear();
  services::DoneMapi();
  Click(app::SpeedButton8);
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"MAPI services are not available on this system");
  EXPECT_EQ(seam.last().icon(), static_cast<UINT>(MB_ICONSTOP));
}

TEST_F(Actions, TheAboutBoxFromTheStripShowsItsTextsAndClosesByOkEnterAndEsc) {
  MakeWindow();
  const size_t boxes = seam.boxes.size();
  for (Closer closer : {Closer::Click, Closer::Enter, Closer::Escape}) {
    AboutSeen seen;
    // Fails the test when the box is still open after the script.
    DialogDriver::Run([&] { Click(app::SpeedButton7); }, ReadAbout(seen, closer), 5s);
    EXPECT_FALSE(::IsWindowVisible(window->Actions().FAbout().Handle())) << static_cast<int>(closer);
    if (closer != Closer::Click) continue;
    EXPECT_EQ(seen.caption, L"O programe ");
    EXPECT_EQ(seen.name, L"Program Vocorder");
    EXPECT_EQ(seen.version, L"v. 1.05");
    EXPECT_EQ(seen.keys,
              L"Štart/Pause  : CTRL+medzerník \r\nVpred pomaly : CTRL+šipka vpravo\r\nVpred rýchlo : CTRL+PageUp\r\n"
              L"Vzad pomaly  : CTRL+šipka vľavo\r\nVzad rýchlo  : CTRL+PageDown");
    EXPECT_EQ(seen.keysFace, L"Courier New");
    EXPECT_TRUE(seen.okDefault);
    EXPECT_TRUE(seen.hasIcon);
    int cx = (seen.rect.left + seen.rect.right) / 2, cy = (seen.rect.top + seen.rect.bottom) / 2;
    EXPECT_NEAR(cx, ::GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR(cy, ::GetSystemMetrics(SM_CYSCREEN) / 2, 1);
  }
  EXPECT_EQ(seam.boxes.size(), boxes);
}

TEST_F(Actions, TheRecordingWindowsAboutButtonShowsTheBoxAtItsTop) {
  MakeWindow();
  AboutSeen seen;
  RECT rec{};
  DialogDriver::Run([&] { Click(app::SpeedButton5); },  // returns when the recording window is closed
                    [&](DialogDriver& r) {
                      ASSERT_EQ(r.Caption(), L"Záznam zvuku");
                      ::GetWindowRect(r.Window(), &rec);
                      DialogDriver::Run([&] { r.Press(TFRecMpeg::idSpeedButton2); }, ReadAbout(seen, Closer::Escape),
                                        5s);
                      r.Press(TFRecMpeg::idBitBtn2);  // "Ukončiť"
                    });
  EXPECT_EQ(seen.name, L"Program Vocorder");
  EXPECT_EQ(seen.rect.top, rec.top);
  EXPECT_NEAR((seen.rect.left + seen.rect.right) / 2, (rec.left + rec.right) / 2, 1);
  EXPECT_FALSE(::IsWindowVisible(window->Actions().FRecMpeg()->Handle()));
}

TEST_F(Actions, TheExitButtonClosesTheProgram) {
  MakeWindow();
  HWND h = window->Handle();
  Click(app::btnKonec);
  EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(h); }, 5s));
}

}  // namespace
