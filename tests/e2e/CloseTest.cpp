// The main window closed while each of the program's dialogs and boxes is
// open, by WM_CLOSE (what the task bar and the system send) or by its exit
// button's click (the window is disabled under a dialog: its close box and
// Alt+F4 do nothing then): the dialog ends as by its Cancel (an unsaved
// dictation is asked about first) and the program ends with exit code 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Program.h"
#include "Pump.h"
#include "TestSupport.h"
#include "app/ControlIds.h"
#include "missing/DlgBrowseFile.h"
#include "missing/DlgErrNoFile.h"
#include "recorder/RecMpeg.h"

using namespace std::chrono_literals;
using testing_support::ScratchDir;
using testing_support::WriteBytes;

namespace {

enum class CloseBy { Message, ExitButton };

struct Step {
  int pressId;            // a button of the window below
  const wchar_t* opens;   // the window class that shows then
  const wchar_t* text;    // for a box: the start of its text
};

struct Row {
  const char* name;
  bool missingRecording;  // the list's recording is gone and is browsed for
  std::vector<Step> steps;
  CloseBy closeBy;
  const wchar_t* question;  // asked after the close; answered No
  int runningId = 0;        // a count in the last window that must have left "0" first
};

const Row kRows[] = {
    {"settings", false, {{app::SpeedButton6, L"TForm2", nullptr}}, CloseBy::Message, nullptr},
    {"about", false, {{app::SpeedButton7, L"VocorderDialog", nullptr}}, CloseBy::ExitButton, nullptr},
    {"recording window", false, {{app::SpeedButton5, L"TFRecMpeg", nullptr}}, CloseBy::ExitButton, nullptr},
    {"recording", false,
     {{app::SpeedButton5, L"TFRecMpeg", nullptr}, {TFRecMpeg::idBitBtn1, nullptr, nullptr}},
     CloseBy::Message, L"Diktát nie je uložený. Uložiť ho?", TFRecMpeg::idLabel4},
    {"folder browser", false, {{app::SpeedButton3, L"#32770", nullptr}}, CloseBy::ExitButton, nullptr},
    {"open-file dialog", false, {{app::SpeedButton4, L"#32770", nullptr}}, CloseBy::Message, nullptr},
    {"missing file", true, {{0, L"VocorderTForm4", nullptr}}, CloseBy::ExitButton, nullptr},
    {"question box", true,
     {{0, L"VocorderTForm4", nullptr}, {kestrel::form4::idRemove, L"#32770", L"Do you accept to remove"}},
     CloseBy::Message, nullptr},
    {"file browser", true,
     {{0, L"VocorderTForm4", nullptr}, {kestrel::form4::idBrowse, L"VocorderTForm5", nullptr}},
     CloseBy::Message, nullptr},
    {"filter", true,
     {{0, L"VocorderTForm4", nullptr},
      {kestrel::form4::idBrowse, L"VocorderTForm5", nullptr},
      {kestrel::form5::idFilter, L"VocorderTForm6", nullptr}},
     CloseBy::ExitButton, nullptr},
};

class CloseWithDialogOpen : public ::testing::TestWithParam<Row> {
protected:
  void SetUp() override {
    std::filesystem::copy_file(desktop::VocorderExe(), dir.file(L"Vocorder.exe"));
    // The encoder beside it, as installed: the dictation is recorded.
    std::filesystem::copy_file(std::filesystem::path(desktop::VocorderExe()).parent_path() / L"libmp3lame-0.dll",
                               dir.file(L"libmp3lame-0.dll"));
    std::filesystem::copy_file(testing_support::FixturePath(L"shortrec.mp3"), dir.file(L"memo.mp3"));
  }
  void TearDown() override { ::RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey); }
  void BrowseUnexisting() {
    HKEY key;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    DWORD on = 1;
    ::RegSetValueExW(key, L"BrowseUnexisting", 0, REG_DWORD, reinterpret_cast<BYTE*>(&on), sizeof on);
    ::RegCloseKey(key);
  }

  static constexpr const wchar_t* kSettingsKey = L"Software\\Tarnwell\\Kestrel v.5.1";
  ScratchDir dir{L"close"};
};

TEST_P(CloseWithDialogOpen, EndsTheDialogAndTheProgramWithCodeZero) {
  const Row& row = GetParam();
  WriteBytes(dir.file(L"Player.ini"), "list=mine.m3u\r\n");
  WriteBytes(dir.file(L"mine.m3u"), row.missingRecording ? "gone\\memo.mp3\r\n" : "memo.mp3\r\n");
  if (row.missingRecording) BrowseUnexisting();
  desktop::Program p(dir.file(L"Vocorder.exe"), L"", dir.path().wstring());
  HWND main = p.WaitForMainWindow(30s);
  ASSERT_TRUE(main);
  // The start-up is over once the recording window has been made (a
  // missing recording's dialog comes before that).
  if (!row.missingRecording) ASSERT_TRUE(p.WaitForWindow(L"TFRecMpeg", 30s, {}, nullptr, false));
  HWND shown = main;
  for (const Step& step : row.steps) {
    std::vector<HWND> before = p.TopLevelWindows();  // those shown: the recording window is there hidden
    std::erase_if(before, [](HWND h) { return !::IsWindowVisible(h); });
    if (step.pressId)
      ::PostMessageW(shown, WM_COMMAND, MAKEWPARAM(step.pressId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(shown, step.pressId)));
    if (!step.opens) continue;
    shown = p.WaitForWindow(step.opens, 20s, before, step.text);
    ASSERT_TRUE(shown) << "no " << testing::PrintToString(std::wstring(step.opens));
  }
  if (row.runningId)
    ASSERT_TRUE(testing_support::WaitUntil([&] { return desktop::TextOf(::GetDlgItem(shown, row.runningId)) != L"0"; },
                                           20s))
        << "the count did not start";
  switch (row.closeBy) {
    case CloseBy::Message: ::PostMessageW(main, WM_CLOSE, 0, 0); break;
    case CloseBy::ExitButton:
      ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(app::btnKonec, BN_CLICKED),
                     reinterpret_cast<LPARAM>(::GetDlgItem(main, app::btnKonec)));
      break;
  }
  const auto course = p.RunToEnd(30s, false, p.TopLevelWindows());
  EXPECT_EQ(course.exitCode, 0u);
  std::vector<std::wstring> asked;
  for (const auto& box : course.boxes) asked.push_back(box.text);
  EXPECT_EQ(asked, row.question ? std::vector<std::wstring>{row.question} : std::vector<std::wstring>{});
}

INSTANTIATE_TEST_SUITE_P(EachDialog, CloseWithDialogOpen, ::testing::ValuesIn(kRows),
                         [](const testing::TestParamInfo<Row>& info) {
                           std::string name = info.param.name;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           std::replace(name.begin(), name.end(), '-', '_');
                           return name;
                         });

}  // namespace
