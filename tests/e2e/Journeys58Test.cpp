// The later journeys of a user, each with the built programs started as a
// user starts them and driven through their windows from outside: the
// settings kept across a restart, a recording found again after it was
// moved, the start from the word processor, and quitting while recording.
#include <gtest/gtest.h>

#include <filesystem>

#include "Desktop.h"
#include "Installation.h"
#include "Pump.h"
#include "Screenshot.h"
#include "Stage.h"
#include "TestSupport.h"
#include "app/ControlIds.h"
#include "missing/DlgBrowseFile.h"
#include "missing/DlgErrNoFile.h"
#include "recorder/RecMpeg.h"
#include "settings/SettingsDialog.h"

using namespace std::chrono_literals;
using desktop::Click;
using desktop::Descendant;
using desktop::TextOf;
using e2e::Stage;
using testing_support::WaitUntil;

namespace {

constexpr auto kStart = 30s;  // a first start under a cold wineserver
constexpr auto kShow = 15s;   // a window or box following a click

// The position read-out moves on: the recording plays.
bool Plays(HWND main, std::chrono::milliseconds timeout) {
  HWND time1 = ::GetDlgItem(main, app::idTime1);
  const std::wstring before = TextOf(time1);
  return WaitUntil([&] { return TextOf(time1) != before; }, timeout);
}

int SelectedRow(HWND list) { return static_cast<int>(::SendMessageW(list, LB_GETCURSEL, 0, 0)); }

std::wstring Row(HWND list, int row) {
  wchar_t buf[512] = L"";
  ::SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(buf));
  return buf;
}

// The settings dialog through the strip's settings button.
HWND OpenSettings(desktop::Program& p, HWND main) {
  Click(::GetDlgItem(main, app::SpeedButton6));
  return p.WaitForWindow(L"TForm2", kShow);
}

TEST(Journey5, TheDeviceAndASettingChosenInTheDialogAreKeptAfterARestart) {
  Stage stage;
  stage.AddRecording(L"speechrec.mp3", L"letter to the bank.mp3");
  using namespace kestrel::form2;
  std::wstring chosen;
  {
    HWND main = stage.Launch();
    ASSERT_TRUE(main) << "journey 5: the program showed no window";
    desktop::Program& p = *stage.Running();
    HWND form = OpenSettings(p, main);
    ASSERT_TRUE(form) << "journey 5: the settings button opened no dialog";
    EXPECT_EQ(TextOf(form), L"Vocorder - nastavenia");
    HWND list = Descendant(form, idDevices);
    HWND volume = Descendant(form, idDeviceVolume);
    ASSERT_TRUE(list && volume) << "journey 5: the device page's controls";
    ASSERT_GE(::SendMessageW(list, LB_GETCOUNT, 0, 0), 2) << "journey 5: needs two output devices";
    EXPECT_EQ(SelectedRow(list), 0) << "journey 5: a first start prefers the first device";
    EXPECT_TRUE(desktop::Checked(volume));
    EXPECT_TRUE(desktop::SaveScreenshot(form, L"settings")) << "journey 5: no picture of the dialog";

    // A click on the second row, as the list box reports one.
    ::SendMessageW(list, LB_SETCURSEL, 1, 0);
    ::PostMessageW(::GetParent(list), WM_COMMAND, MAKEWPARAM(idDevices, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    chosen = Row(list, 1);
    Click(volume);
    ASSERT_TRUE(WaitUntil([&] { return !desktop::Checked(volume); }, kShow)) << "journey 5: the box did not clear";
    Click(Descendant(form, idSave));
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(form); }, kShow)) << "journey 5: Save did not close it";
    EXPECT_EQ(stage.Text(L"DeviceName"), chosen);
    EXPECT_EQ(stage.Dword(L"DeviceVolume"), 0u);
    ASSERT_TRUE(p.Quit(main)) << "journey 5: the program did not end";
  }
  HWND main = stage.Launch();
  ASSERT_TRUE(main) << "journey 5: the program showed no window after the restart";
  desktop::Program& p = *stage.Running();
  HWND form = OpenSettings(p, main);
  ASSERT_TRUE(form) << "journey 5: no dialog after the restart";
  HWND list = Descendant(form, idDevices);
  EXPECT_EQ(SelectedRow(list), 1) << "journey 5: the chosen device is not the preferred one";
  EXPECT_EQ(Row(list, SelectedRow(list)), chosen);
  EXPECT_FALSE(desktop::Checked(Descendant(form, idDeviceVolume))) << "journey 5: the setting was not kept";
  EXPECT_EQ(stage.Text(L"DeviceName"), chosen);
  EXPECT_EQ(stage.Dword(L"DeviceVolume"), 0u);
  Click(Descendant(form, idCancel));
  ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(form); }, kShow)) << "journey 5: Storno did not close it";
  EXPECT_TRUE(p.Quit(main)) << "journey 5: the program did not end";
}

TEST(Journey6, ARecordingMovedBehindTheProgramsBackIsFoundAgainAndPlays) {
  Stage stage;
  // The dialog's visible page offers no control for it: a setting an earlier
  // installation stored.
  stage.SetSetting(L"BrowseUnexisting", 1);
  const std::wstring name = L"000 minutes of the meeting.mp3";  // first, so selected at start
  const std::wstring old = stage.AddRecording(L"speechrec.mp3", name);
  stage.AddRecording(L"speechrec.mp3", L"letter to the bank.mp3");
  HWND main = stage.Launch();
  ASSERT_TRUE(main) << "journey 6: the program showed no window";
  desktop::Program& p = *stage.Running();
  ASSERT_EQ(TextOf(::GetDlgItem(main, app::cmbSongs)), L"000 minutes of the meeting");

  const std::wstring archive = stage.Folder() + L"\\archive";
  std::filesystem::create_directories(archive);
  ASSERT_TRUE(::MoveFileW(old.c_str(), (archive + L"\\" + name).c_str()));

  Click(::GetDlgItem(main, app::idPlay));
  HWND missing = p.WaitForWindow(L"VocorderTForm4", kShow);
  ASSERT_TRUE(missing) << "journey 6: playing the moved recording showed no missing-file dialog";
  EXPECT_EQ(TextOf(::GetDlgItem(missing, kestrel::form4::idFile)), old);
  EXPECT_TRUE(desktop::SaveScreenshot(missing, L"missing-file")) << "journey 6: no picture of the dialog";

  // Browse; the list file's folder, then a search below it for the file.
  using namespace kestrel::form5;
  Click(::GetDlgItem(missing, kestrel::form4::idBrowse));
  HWND browser = p.WaitForWindow(L"VocorderTForm5", kShow);
  ASSERT_TRUE(browser) << "journey 6: Browse opened no browser";
  EXPECT_EQ(TextOf(browser), L"Browse file '" + name + L"'");
  Click(::GetDlgItem(browser, idLocateList));
  HWND locateSong = ::GetDlgItem(browser, idLocateSong);
  Click(locateSong);
  auto found = p.WaitForBox(L"One occurence found", kShow);
  ASSERT_TRUE(found) << "journey 6: the search below the list's folder found nothing";
  EXPECT_NE(found->text.find(archive + L"\\" + name), std::wstring::npos) << testing::PrintToString(found->text);
  desktop::Answer(*found, IDNO);  // no further search: this one
  // The button's caption comes back once the found file is selected.
  ASSERT_TRUE(WaitUntil([&] { return TextOf(locateSong) == L"Locate &song"; }, kShow))
      << "journey 6: the search did not end";
  HWND ok = ::GetDlgItem(browser, idOK);
  ASSERT_TRUE(::IsWindowEnabled(ok)) << "journey 6: the found file is not selected";
  Click(ok);
  auto replace = p.WaitForBox(L"Do you accept to replace the song", kShow);
  ASSERT_TRUE(replace) << "journey 6: OK asked nothing";
  desktop::Answer(*replace, IDYES);

  ASSERT_TRUE(WaitUntil([&] { return !p.Window(L"VocorderTForm4"); }, kShow))
      << "journey 6: the missing-file dialog stayed";
  EXPECT_TRUE(Plays(main, kShow)) << "journey 6: the found recording does not play";
  const std::string list = testing_support::ReadBytes(stage.ListFile());
  EXPECT_NE(list.find("\\archive\\000 minutes of the meeting.mp3"), std::string::npos) << list;
  EXPECT_EQ(TextOf(::GetDlgItem(main, app::cmbSongs)), L"000 minutes of the meeting");
  EXPECT_TRUE(p.Quit(main)) << "journey 6";
}

// The word processor's double (tests/installer/WordHost.cpp): loads the
// add-ins its list names, clicks the add-in's button and shuts down.
std::optional<DWORD> ClickTheWordButton() {
  return desktop::RunToEnd(testing_support::BuildDir() + L"\\tests\\installer\\installer_wordhost.exe", L"");
}

TEST(Journey7, TheWordButtonStartsTheProgramAndASecondClickBringsTheRunningOneForward) {
  Stage stage;
  stage.AddRecording(L"speechrec.mp3", L"letter to the bank.mp3");
  // The word processor's keys, which the installer makes for its list.
  stage.KeepAside(L"Software\\Microsoft\\Office");
  ASSERT_FALSE(testing_support::PathExists(e2e::kInstallFolder)) << "journey 7: already installed";
  e2e::Installation installed;
  ASSERT_EQ(installed.exitCode(), 0u) << "journey 7: the silent setup failed";

  desktop::FocusedNotepad& notepad = stage.Notepad();
  ASSERT_TRUE(notepad.focused()) << "journey 7: notepad did not get the focus";
  ASSERT_EQ(ClickTheWordButton(), 0u) << "journey 7: the word processor's double did not load and click the add-in";
  HWND main = desktop::MainWindowOf(installed.Exe(), kStart);
  ASSERT_TRUE(main) << "journey 7: the button started no program";
  const std::vector<DWORD> first = desktop::ProcessesOf(installed.Exe());
  ASSERT_EQ(first.size(), 1u);

  // The typist goes back to the text, then clicks the button again.
  ASSERT_TRUE(notepad.Refocus()) << "journey 7: notepad did not take the focus back";
  ASSERT_EQ(ClickTheWordButton(), 0u) << "journey 7: the second click failed";
  EXPECT_TRUE(WaitUntil([&] { return ::GetForegroundWindow() == main; }, kShow))
      << "journey 7: the running program did not come forward";
  EXPECT_TRUE(WaitUntil([&] { return desktop::ProcessesOf(installed.Exe()) == first; }, kShow))
      << "journey 7: a second program kept running";
  EXPECT_TRUE(::IsWindowVisible(main));

  ::PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(desktop::WaitForProcesses(first, kStart)) << "journey 7: the program did not end";
}

TEST(Journey8, QuittingWhileRecordingSavesTheDictationWhenAsked) {
  Stage stage;
  stage.AddRecording(L"speechrec.mp3", L"letter to the bank.mp3");
  const std::wstring saved = stage.Documents() + L"\\000 dictation before leaving.mp3";
  {
    desktop::Program& p = stage.Start();
    HWND main = p.WaitForMainWindow(kStart);
    ASSERT_TRUE(main) << "journey 8: the program showed no window";
    // At once, as an impatient user does: a click while the program still
    // starts may be dropped (never crash it), so it is repeated.
    HWND rec = nullptr;
    for (int click = 0; click < 5 && !rec; ++click) {
      Click(::GetDlgItem(main, app::SpeedButton5));
      rec = p.WaitForWindow(L"TFRecMpeg", 3s);
    }
    ASSERT_TRUE(rec) << "journey 8: the record button showed no recording window; " << p.Describe();
    Click(::GetDlgItem(rec, TFRecMpeg::idBitBtn1));
    // Two seconds on the window's counter: sound has reached the file.
    HWND seconds = ::GetDlgItem(rec, TFRecMpeg::idLabel4);
    ASSERT_TRUE(WaitUntil([&] { return _wtoi(TextOf(seconds).c_str()) >= 2; }, kShow))
        << "journey 8: the recording did not run";

    ::PostMessageW(main, WM_CLOSE, 0, 0);
    auto ask = p.WaitForBox(L"Diktát nie je uložený", kShow);
    ASSERT_TRUE(ask) << "journey 8: quitting asked nothing";
    desktop::Answer(*ask, IDYES);
    HWND input = p.WaitForWindow(nullptr, L"Zvukový záznam", kShow);
    ASSERT_TRUE(input) << "journey 8: no name was asked for";
    const std::wstring title = L"000 dictation before leaving";
    ::SendMessageW(::GetDlgItem(input, 100), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()));
    Click(::GetDlgItem(input, IDOK));
    ASSERT_EQ(p.WaitForExit(kStart), 0u) << "journey 8: the program did not end after saving";
  }
  ASSERT_TRUE(testing_support::FileExists(saved)) << "journey 8: the dictation was not saved";
  const std::string bytes = testing_support::ReadBytes(saved);
  ASSERT_GT(bytes.size(), 44u);
  EXPECT_EQ(bytes.substr(0, 4), "RIFF");
  EXPECT_EQ(bytes.substr(8, 4), "WAVE");
  EXPECT_NE(bytes.find("data"), std::string::npos);

  // Listed after a restart, first, and it plays.
  HWND main = stage.Launch();
  ASSERT_TRUE(main) << "journey 8: the program showed no window after the restart";
  desktop::Program& p = *stage.Running();
  const auto songs = desktop::ComboItems(::GetDlgItem(main, app::cmbSongs));
  ASSERT_FALSE(songs.empty());
  EXPECT_EQ(songs[0], L"000 dictation before leaving") << "journey 8: the dictation is not listed";
  Click(::GetDlgItem(main, app::idPlay));
  EXPECT_TRUE(Plays(main, kShow)) << "journey 8: the dictation does not play";
  EXPECT_TRUE(p.Quit(main)) << "journey 8: the program did not end";
}

}  // namespace
