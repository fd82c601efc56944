// The record button: the recording window opens modally over the main
// window, records the spoken fixture from Wine's wave input, and the saved
// dictation is listed and played by the main window afterwards.
#include <gtest/gtest.h>

#include <thread>

#include "Desktop.h"
#include "Environments.h"
#include "InputSeam.h"
#include "WindowFixture.h"
#include "recorder/RecMpeg.h"

using namespace std::chrono_literals;
using testing_support::PumpUntil;
using testing_support::WaitUntil;

namespace {

[[maybe_unused]] testing::Environment* const mp3 =
    testing::AddGlobalTestEnvironment(new testing_support::Mp3EncoderEnvironment);

// Clicks a button of the recording window from the driver thread.
void Press(HWND dialog, int id) { desktop::Click(::GetDlgItem(dialog, id)); }

class RecordButton : public testing_support::WindowTest {};

TEST_F(RecordButton, TheRecordButtonRecordsSavesListsAndPlaysADictation) {
  UseList({Recording(recs, L"older.mp3")});
  MakeWindow();
  Click(app::idPlay);
  ASSERT_TRUE(PumpUntil([&] { return window->Player()->State() == PlayerState::Running; }, 10s));

  testing_support::InputSeam input(
      [](HWND, std::wstring_view, std::wstring_view, std::wstring_view) -> std::optional<std::wstring> {
        return L"dictation";
      });
  bool wasStopped = false, saved = false;
  std::thread driver([&] {
    HWND rec = nullptr;
    if (!WaitUntil([&] { return (rec = desktop::OwnWindow(nullptr, L"Záznam zvuku")) != nullptr; }, 20s))
      return;
    wasStopped = window->Player()->State() == PlayerState::Stopped;
    Press(rec, TFRecMpeg::idBitBtn1);  // "Štart"
    std::this_thread::sleep_for(3s);
    Press(rec, TFRecMpeg::idButton1);  // "Uložiť"
    saved = WaitUntil([&] { return testing_support::FileExists(recs.file(L"dictation.mp3")); }, 20s);
    Press(rec, TFRecMpeg::idBitBtn2);  // "Ukončiť"
  });
  Click(app::SpeedButton5);  // returns when the recording window is closed
  driver.join();

  EXPECT_TRUE(wasStopped) << "playback went on under the recording window";
  ASSERT_TRUE(saved);
  auto songs = Items(app::cmbSongs);
  ASSERT_NE(std::find(songs.begin(), songs.end(), L"dictation"), songs.end()) << "not listed after recording";

  HWND combo = window->Control(app::cmbSongs);
  ::SendMessageW(combo, CB_SETCURSEL, ::SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                      reinterpret_cast<LPARAM>(L"dictation")), 0);
  window->Recordings().cmbSongsChange();
  Click(app::idPlay);
  ASSERT_TRUE(PumpUntil([&] { return window->Player()->State() == PlayerState::Running; }, 10s));
  EXPECT_EQ(window->Player()->FileName(), recs.file(L"dictation.mp3"));
  EXPECT_GT(window->Player()->Duration(), 15'000'000) << "shorter than 1.5 s";
  EXPECT_TRUE(seam.boxes.empty());
}

}  // namespace
