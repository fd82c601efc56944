#include "PlayerFixture.h"

#include "player/GraphTools.h"
#include "player/PlayerScales.h"
#include "support/TestSupport.h"

#include <uuids.h>

using namespace player_test;
using Codes = std::vector<LPARAM>;

TEST_F(PlayerFixture, StartsStoppedWithNothingOpen) {
  EXPECT_EQ(player->NotifyWindow(), log.window());
  EXPECT_EQ(player->State(), PlayerState::Stopped);
  EXPECT_EQ(player->CurrentDevice(), -1);
  EXPECT_FALSE(player->ForceDevice);
  EXPECT_TRUE(player->DeviceVolume);
  EXPECT_TRUE(player->FileName().empty());
  EXPECT_EQ(player->Duration(), 0);
  EXPECT_EQ(player->PositionToBarWidth(204, 2), 0);
  // The main window's start-up check of the time format.
  EXPECT_TRUE(player->IsUsingTimeFormat(TIME_FORMAT_MEDIA_TIME));
  EXPECT_TRUE(player->SetTimeFormat(TIME_FORMAT_MEDIA_TIME));
  EXPECT_TRUE(player->HasTimeFormat(TIME_FORMAT_MEDIA_TIME));
  EXPECT_FALSE(player->HasTimeFormat(TIME_FORMAT_FRAME));
  EXPECT_EQ(player->ReadGraphEvent(), 0);
  PumpWaiting();
  EXPECT_TRUE(log.codes.empty());
}

TEST_F(PlayerFixture, TransportAnnouncesEachStepInOrder) {
  const std::wstring file = testing_support::FixturePath(L"speech11k8.wav");
  player->Open(file);
  EXPECT_TRUE(log.codes.empty()) << "told before the call was back";
  EXPECT_EQ(log.PlayerCodes(), (Codes{pnOpening, pnGraphBuilt, pnOpened}));
  EXPECT_EQ(player->FileName(), file);
  EXPECT_NEAR(static_cast<double>(player->Duration()), 9.2 * kSecond, 0.5 * kSecond);
  EXPECT_EQ(player->CurrentDevice(), DirectSound());
  EXPECT_EQ(player->GetPosition(), 0);

  log.Clear();
  player->Play();
  EXPECT_EQ(log.PlayerCodes(), Codes{pnPlaying});
  EXPECT_EQ(player->State(), PlayerState::Running);
  ASSERT_TRUE(WaitForPosition(kSecond / 4));

  log.Clear();
  player->TogglePause();
  EXPECT_EQ(player->State(), PlayerState::Paused);
  EXPECT_EQ(GraphState(), State_Paused);
  const int64_t paused = player->GetPosition();
  EXPECT_GT(paused, kSecond / 4);
  player->TogglePause();
  EXPECT_EQ(player->State(), PlayerState::Running);
  EXPECT_EQ(GraphState(), State_Running);
  EXPECT_TRUE(log.PlayerCodes().empty());
  ASSERT_TRUE(WaitForPosition(paused + kSecond / 10));

  log.Clear();
  player->Stop();
  EXPECT_EQ(log.PlayerCodes(), (Codes{pnStopping, pnStopped}));
  EXPECT_EQ(player->State(), PlayerState::Stopped);
  // Stop does not rewind. (Wine reports the position of the last pause or
  // seek once stopped, not the one where it stopped.)
  EXPECT_GE(player->GetPosition(), paused);

  log.Clear();
  player->Rewind();
  EXPECT_EQ(log.PlayerCodes(), Codes{pnRewound});
  EXPECT_EQ(player->GetPosition(), 0);

  log.Clear();
  player->Close();
  EXPECT_EQ(log.PlayerCodes(), Codes{pnClosed});
  EXPECT_TRUE(player->FileName().empty());
  EXPECT_TRUE(player::GraphFilters(player->Graph()).empty());
}

TEST_F(PlayerFixture, OpeningWhilePlayingStopsFirst) {
  player->Open(Media(L"speechwav.mp3"));
  player->Play();
  log.Clear();
  player->Open(testing_support::FixturePath(L"speech11k8.wav"));
  EXPECT_EQ(log.PlayerCodes(), (Codes{pnOpening, pnStopping, pnStopped, pnGraphBuilt, pnOpened}));
  EXPECT_EQ(player->State(), PlayerState::Stopped);
  EXPECT_EQ(player->GetPosition(), 0);
}

class EveryFormat : public PlayerFixture, public testing::WithParamInterface<const wchar_t*> {};

TEST_P(EveryFormat, PlaysToTheEnd) {
  const std::wstring name = GetParam();
  player->Open(name == L"speech11k8.wav" ? testing_support::FixturePath(name) : Media(name.c_str()));
  EXPECT_NEAR(static_cast<double>(player->Duration()), 9.2 * kSecond, 0.5 * kSecond);
  player->Play();
  ASSERT_TRUE(WaitForPosition(kSecond / 5));
  EXPECT_FALSE(Completed());
  player->SetPosition(player->Duration() - kSecond / 2);
  ASSERT_TRUE(WaitForCompletion());
  // The end of the file leaves the state to the owner.
  EXPECT_EQ(player->State(), PlayerState::Running);
  player->Stop();
  player->Rewind();
  EXPECT_EQ(player->GetPosition(), 0);
}

INSTANTIATE_TEST_SUITE_P(Recordings, EveryFormat,
                         testing::Values(L"speech11k8.wav", L"speech.mp3", L"speechwav.mp3"));

TEST_F(PlayerFixture, PositionBarMapsPixelsAndPositions) {
  player->Open(Media(L"speechwav.mp3"));
  const int64_t d = player->Duration();
  ASSERT_GT(d, 0);
  player->SeekToBarPixel(204, 102, 2);
  EXPECT_NEAR(static_cast<double>(player->GetPosition()), d / 2.0, kSecond / 100.0);
  EXPECT_NEAR(player->PositionToBarWidth(204, 2), 100, 1);
  player->SeekToBarPixel(204, -30, 2);
  EXPECT_EQ(player->GetPosition(), 0);
  EXPECT_EQ(player->PositionToBarWidth(204, 2), 0);
  player->SeekToBarPixel(204, 400, 2);
  EXPECT_NEAR(static_cast<double>(player->GetPosition()), static_cast<double>(d), kSecond / 100.0);
  EXPECT_EQ(player->PositionToBarWidth(204, 2), 200);
}

TEST_F(PlayerFixture, ShortRecordingWithoutDurationKeepsTheBarEmpty) {
  // The framework learns no duration for a second of wrapped MP3.
  player->Open(Media(L"shortwav.mp3"));
  EXPECT_EQ(player->Duration(), 0);
  EXPECT_EQ(player->PositionToBarWidth(204, 2), 0);
  player->SeekToBarPixel(204, 150, 2);
  EXPECT_EQ(player->GetPosition(), 0);
  player->Play();
  EXPECT_EQ(player->PositionToBarWidth(204, 2), 0);
  player->Stop();
}

TEST_F(PlayerFixture, GraphVolumeAndTheKnob) {
  player->Open(Media(L"speechwav.mp3"));
  log.Clear();
  player->SetVolume(-2000);
  EXPECT_EQ(player->GetVolume(), -2000);
  // Frame 120, knob 20: 100 pixels of travel.
  EXPECT_EQ(player->VolumeToSliderOffset(120, 20, 0), GraphVolumeToOffset(-2000, 100));
  EXPECT_EQ(player->SliderOffsetToVolume(120, 20, 60, 0, 10), 50);
  EXPECT_EQ(player->GetVolume(), -556);
  EXPECT_EQ(player->VolumeToSliderOffset(120, 20, 0), 50);
  EXPECT_EQ(player->SliderOffsetToVolume(120, 20, -40, 0, 5), 0);
  EXPECT_EQ(player->GetVolume(), 0);
  EXPECT_EQ(player->SliderOffsetToVolume(120, 20, 500, 0, 5), 100);
  EXPECT_EQ(player->GetVolume(), -10000);
  EXPECT_EQ(player->VolumeToSliderOffset(120, 20, 0), 100);
  PumpWaiting();
  EXPECT_TRUE(log.PlayerCodes().empty());
}

TEST_F(PlayerFixture, WaveVolumeOfDeviceZero) {
  player->DeviceVolume = false;
  player->Open(Media(L"speechwav.mp3"));
  DWORD both = 0;
  if (::waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &both) == MMSYSERR_NOERROR) {
    player->SetVolume(30000);
    EXPECT_NEAR(player->GetVolume(), 30000, 2);
    EXPECT_EQ(player->SliderOffsetToVolume(120, 20, 25, 0, 0), 25);
    EXPECT_NEAR(player->GetVolume(), 49151, 2);
  } else {
    // Wine answers for opened devices only: the wave scale fails, announced.
    log.Clear();
    try {
      player->GetVolume();
      ADD_FAILURE() << "no error";
    } catch (const PlayerError& e) {
      EXPECT_EQ(e.Text(), player_text::kUnrecognized);
    }
    EXPECT_EQ(log.PlayerCodes(), Codes{pnVolumeFailed});
    EXPECT_THROW(player->SetVolume(30000), PlayerError);
    // Reopening does not depend on reading the volume.
    EXPECT_NO_THROW(player->Open(testing_support::FixturePath(L"speech11k8.wav")));
  }
}

TEST_F(PlayerFixture, ReopeningKeepsTheVolumeOfTheSameDevice) {
  ASSERT_GE(WaveOut(), 0);
  player->Open(Media(L"speechwav.mp3"));
  player->SetVolume(-1500);
  player->Open(testing_support::FixturePath(L"speech11k8.wav"));
  EXPECT_EQ(player->CurrentDevice(), DirectSound());
  EXPECT_EQ(player->GetVolume(), -1500);

  // Another device keeps its own volume.
  player->ForceDevice = true;
  player->SelectedDevice = WaveOut();
  player->Open(Media(L"speechwav.mp3"));
  EXPECT_EQ(player->CurrentDevice(), WaveOut());
  EXPECT_EQ(player->GetVolume(), 0);
}

TEST_F(PlayerFixture, ForcedDeviceRendersTheFile) {
  ASSERT_GE(WaveOut(), 0);
  player->ForceDevice = true;
  player->SelectedDevice = WaveOut();
  player->Open(Media(L"speechwav.mp3"));
  EXPECT_EQ(player->CurrentDevice(), WaveOut());
  EXPECT_EQ(player::AudioRendererName(player->Graph()), L"Default WaveOut Device");
  auto names = player::GraphFilterNames(player->Graph());
  EXPECT_EQ(std::count(names.begin(), names.end(), L"Default DirectSound Device"), 0);
  player->Play();
  EXPECT_TRUE(WaitForPosition(kSecond / 5));
}

TEST_F(PlayerFixture, InvalidForcedDeviceFailsTheOpen) {
  player->ForceDevice = true;
  player->SelectedDevice = static_cast<int>(AudioDeviceNames.size());
  const std::wstring file = Media(L"speechwav.mp3");
  try {
    player->Open(file);
    FAIL() << "opened";
  } catch (const PlayerError& e) {
    EXPECT_EQ(e.Text(), player_text::kInvalidDevice);
  }
  EXPECT_EQ(log.PlayerCodes(), (Codes{pnOpening, pnOpenFailed}));
  EXPECT_EQ(player->FileName(), file);
  player->SelectedDevice = -1;
  EXPECT_THROW(player->Open(file), PlayerError);
  player->SelectedDevice = DirectSound();
  EXPECT_NO_THROW(player->Open(file));
}

TEST_F(PlayerFixture, PictureStreamOpensNoWindowWhenTheDeviceIsForced) {
  player->ForceDevice = true;
  player->SelectedDevice = DirectSound();
  player->Open(Media(L"picture.avi"));
  auto names = player::GraphFilterNames(player->Graph());
  EXPECT_EQ(std::count(names.begin(), names.end(), L"Video Renderer"), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), L"Null Renderer"), 1);
  EXPECT_EQ(player->CurrentDevice(), DirectSound());
  EXPECT_NEAR(static_cast<double>(player->Duration()), 2.0 * kSecond, 0.1 * kSecond);
  player->Play();
  ASSERT_TRUE(WaitForPosition(kSecond / 2));
  EXPECT_EQ(VisibleWindowsOfProcess(), 0);
  // Played through: Wine's picture graphs break when seeked while running.
  ASSERT_TRUE(WaitForCompletion());
  EXPECT_EQ(VisibleWindowsOfProcess(), 0);
  player->Stop();
}

TEST_F(PlayerFixture, PictureStreamShowsItsWindowOtherwise) {
  // The counterpart of the test above: the check does see a picture window.
  player->Open(Media(L"picture.avi"));
  player->Play();
  EXPECT_TRUE(PumpUntil([] { return VisibleWindowsOfProcess() > 0; }, 5000));
  ASSERT_TRUE(WaitForCompletion());
  player->Close();
  EXPECT_TRUE(PumpUntil([] { return VisibleWindowsOfProcess() == 0; }, 5000));
}

TEST_F(PlayerFixture, FileWithoutSoundFailsWhenTheDeviceIsForced) {
  player->ForceDevice = true;
  player->SelectedDevice = DirectSound();
  try {
    player->Open(Media(L"silent.avi"));
    FAIL() << "opened";
  } catch (const PlayerError& e) {
    EXPECT_EQ(e.Text(), player_text::kNoAudioStream);
  }
  EXPECT_EQ(log.PlayerCodes().back(), pnOpenFailed);
  // What the main window does on pnOpenFailed, then the next recording.
  player->Close();
  player->Open(Media(L"speechwav.mp3"));
  player->Play();
  EXPECT_TRUE(WaitForPosition(kSecond / 5));
  EXPECT_EQ(VisibleWindowsOfProcess(), 0);
}

TEST_F(PlayerFixture, ApplyDeviceMovesPlaybackToTheNewDevice) {
  ASSERT_GE(WaveOut(), 0);
  player->ForceDevice = true;
  player->SelectedDevice = DirectSound();
  player->ApplyDevice();  // nothing open: nothing to do
  EXPECT_TRUE(log.PlayerCodes().empty());

  player->Open(Media(L"speechwav.mp3"));
  player->ApplyDevice();  // already there
  player->SetPosition(3 * kSecond);
  player->Play();
  log.Clear();
  player->SelectedDevice = WaveOut();
  player->ApplyDevice();
  EXPECT_EQ(log.PlayerCodes(), Codes{pnGraphBuilt});
  EXPECT_EQ(player->CurrentDevice(), WaveOut());
  EXPECT_EQ(player->State(), PlayerState::Running);
  EXPECT_EQ(GraphState(), State_Running);
  EXPECT_GE(player->GetPosition(), 3 * kSecond);
  EXPECT_LT(player->GetPosition(), 5 * kSecond);

  player->TogglePause();
  player->SelectedDevice = DirectSound();
  player->ApplyDevice();
  EXPECT_EQ(player->State(), PlayerState::Paused);
  EXPECT_EQ(GraphState(), State_Paused);
  EXPECT_EQ(player->CurrentDevice(), DirectSound());
}

TEST_F(PlayerFixture, FailedApplyDeviceStopsAndAnnounces) {
  player->ForceDevice = true;
  player->SelectedDevice = DirectSound();
  player->Open(Media(L"speechwav.mp3"));
  player->Play();
  log.Clear();
  player->SelectedDevice = 1000;
  EXPECT_THROW(player->ApplyDevice(), PlayerError);
  EXPECT_EQ(log.PlayerCodes(), (Codes{pnStopped, pnOpenFailed}));
  EXPECT_EQ(player->State(), PlayerState::Stopped);
  player->Close();
  player->SelectedDevice = DirectSound();
  player->Open(Media(L"speechwav.mp3"));
  player->Play();
  EXPECT_TRUE(WaitForPosition(kSecond / 5));
}

TEST_F(PlayerFixture, ClosingWhilePausedLeavesItStopped) {
  player->Open(Media(L"speechwav.mp3"));
  player->Play();
  player->TogglePause();
  log.Clear();
  player->Close();
  EXPECT_EQ(log.PlayerCodes(), Codes{pnClosed});
  EXPECT_EQ(player->State(), PlayerState::Stopped);
  // Closing what is closed is harmless.
  EXPECT_NO_THROW(player->Close());
}

TEST_F(PlayerFixture, NothingArrivesAfterThePlayerIsGone) {
  player->Open(Media(L"speechwav.mp3"));
  player->Play();
  player->SetPosition(player->Duration() - kSecond / 5);
  log.onNotify = nullptr;
  player.reset();
  log.Clear();
  // Long enough for the end of the file to have been posted, had it played on.
  PumpUntil([] { return false; }, 700);
  EXPECT_TRUE(log.codes.empty());
}
