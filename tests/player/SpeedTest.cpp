// Playback at other speeds than the recording's own, through the real graph
// in real time: the pace, the positions in recording time, and the pitch.
#include "PitchEstimate.h"
#include "PlayerFixture.h"

#include "support/TestSupport.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace player_test;

namespace {

// The speech twice over: long enough that start-up costs are small beside it.
std::wstring LongRecording() { return Media(L"longwav.mp3"); }

double Seconds(int64_t units) { return static_cast<double>(units) / kSecond; }

class SpeedFixture : public PlayerFixture {
protected:
  // Plays from the start at the speed until the end of the file; gives the
  // wall time from play to the end and the recording's pace on the read-out.
  struct Run {
    double wallSeconds = 0;
    double readoutPace = 0;  // recording seconds per wall second
    int64_t endPosition = -1;
  };
  Run PlayToEnd(int percent) {
    player->Open(LongRecording());
    player->SetSpeed(percent);
    EXPECT_TRUE(player->SpeedSupported());
    events.clear();
    Run run;
    const ULONGLONG start = ::GetTickCount64();
    player->Play();
    // The pace of the read-out, over a stretch well inside the recording.
    PumpUntil([&] { return ::GetTickCount64() - start >= 1500; }, 3000);
    const int64_t p1 = player->GetPosition();
    const ULONGLONG t1 = ::GetTickCount64();
    PumpUntil([&] { return ::GetTickCount64() - t1 >= 3000; }, 5000);
    const int64_t p2 = player->GetPosition();
    run.readoutPace = Seconds(p2 - p1) / ((::GetTickCount64() - t1) / 1000.0);
    EXPECT_TRUE(WaitForCompletion(60000));
    run.wallSeconds = (::GetTickCount64() - start) / 1000.0;
    run.endPosition = player->GetPosition();
    player->Stop();
    return run;
  }
};

TEST_F(SpeedFixture, WallTimeAndReadoutFollowTheSpeedAndTheEndIsTheLength) {
  for (int percent : {50, 100, 200}) {
    SCOPED_TRACE(percent);
    const Run run = PlayToEnd(percent);
    const double length = Seconds(player->Duration());
    ASSERT_GT(length, 15.0);
    const double wanted = length * 100.0 / percent;
    EXPECT_NEAR(run.wallSeconds, wanted, 0.05 * wanted);
    EXPECT_NEAR(run.readoutPace, percent / 100.0, 0.05 * percent / 100.0);
    EXPECT_EQ(run.endPosition, player->Duration());
  }
}

TEST_F(SpeedFixture, SeekAndStepAtDoubleSpeedLandWhereTheyDoAtOwnSpeed) {
  // Where each lands, paused so that nothing moves between seek and read.
  auto land = [&](int percent) {
    player->Open(LongRecording());
    player->SetSpeed(percent);
    player->Play();
    player->TogglePause();
    player->SetPosition(7 * kSecond);
    const int64_t seek = player->GetPosition();
    player->SeekToBarPixel(437, 2 + 200, 2);
    const int64_t pixel = player->GetPosition();
    const int width = player->PositionToBarWidth(437, 2);
    player->Stop();
    return std::tuple{seek, pixel, width};
  };
  const auto own = land(100);
  const auto twice = land(200);
  EXPECT_EQ(std::get<0>(own), 7 * kSecond);
  EXPECT_EQ(std::get<0>(twice), std::get<0>(own));
  EXPECT_EQ(std::get<1>(twice), std::get<1>(own));
  EXPECT_EQ(std::get<2>(twice), std::get<2>(own));
}

TEST_F(SpeedFixture, ChangingSpeedWhilePlayingKeepsThePositionAndChangesThePace) {
  player->Open(LongRecording());
  player->Play();
  ASSERT_TRUE(WaitForPosition(2 * kSecond));
  const int64_t before = player->GetPosition();
  player->SetSpeed(200);
  const int64_t after = player->GetPosition();
  EXPECT_NEAR(Seconds(after), Seconds(before), 0.05);
  const ULONGLONG t = ::GetTickCount64();
  PumpUntil([&] { return ::GetTickCount64() - t >= 2000; }, 4000);
  const double pace = Seconds(player->GetPosition() - after) / ((::GetTickCount64() - t) / 1000.0);
  EXPECT_NEAR(pace, 2.0, 0.1);
  EXPECT_EQ(player->Speed(), 200);
  player->SetSpeed(20);  // out of range: clamped
  EXPECT_EQ(player->Speed(), 50);
  player->Stop();
}

// After a speed change the read-out follows what is heard: it reaches the
// length as the sound ends, also while the graph reports its end.
TEST_F(SpeedFixture, AfterASpeedChangeTheReadOutFollowsWhatIsHeardToTheEnd) {
  player->Open(LongRecording());
  player->SetSpeed(200);
  const int64_t length = player->Duration();
  player->SetPosition(length - 4 * kSecond);
  player->Play();
  ASSERT_TRUE(WaitForPosition(length - 3 * kSecond));
  player->SetSpeed(50);
  int64_t last = 0;
  ASSERT_TRUE(PumpUntil([&] { return Completed() || (last = player->GetPosition(), false); }, 20000));
  EXPECT_NEAR(Seconds(last), Seconds(length), 0.1);
}

TEST_F(SpeedFixture, EightBitPcmPlaysAtTheSpeedToo) {
  // A wave file's 8-bit samples reach the renderer without a decoder.
  player->Open(testing_support::FixturePath(L"speech11k8.wav"));
  player->SetSpeed(200);
  ASSERT_TRUE(player->SpeedSupported());
  events.clear();
  const ULONGLONG start = ::GetTickCount64();
  player->Play();
  ASSERT_TRUE(WaitForCompletion(30000));
  const double wall = (::GetTickCount64() - start) / 1000.0;
  const double wanted = Seconds(player->Duration()) / 2;
  EXPECT_NEAR(wall, wanted, 0.05 * wanted);
  EXPECT_EQ(player->GetPosition(), player->Duration());
  player->Stop();
}

// The capture file's samples: 32-bit float stereo at 48000 Hz (what the ALSA
// file device gets from Wine's mixer), folded to mono.
constexpr int kCaptureRate = 48000;

std::vector<float> Captured(const std::wstring& file) {
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  in.seekg(0, std::ios::end);
  const std::streamoff end = in.tellg();
  std::vector<float> mono;
  if (end <= 0) return mono;
  std::vector<float> stereo(static_cast<size_t>(end) / sizeof(float));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(stereo.data()), static_cast<std::streamsize>(stereo.size() * sizeof(float)));
  for (size_t i = 0; i + 1 < stereo.size(); i += 2) mono.push_back(0.5f * (stereo[i] + stereo[i + 1]));
  return mono;
}

// Empties the capture. Whether the device then opens the file afresh or
// writes on at its old offset, what follows holds only the next playback
// (and zeros, which count as silence).
void Truncate(const std::wstring& file) {
  HANDLE h = ::CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           TRUNCATE_EXISTING, 0, nullptr);
  if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
}

class PitchFixture : public SpeedFixture {
protected:
  // Median pitch of what playing the recording from 3 s to 12 s sent to the
  // device: the same words at every speed, as the voice's pitch moves with
  // its intonation. The capture device keeps only part of what is played, in
  // chunks, and the few frames a fast playback leaves would weigh single
  // words: the span is played again until enough voiced frames are pooled.
  double PlayedPitch(int percent, bool plainRate) {
    std::vector<double> pitches;
    for (int pass = 0; pass < 5 && pitches.size() < 200; ++pass) {
      player->Open(LongRecording());
      player->SetSpeed(percent);
      if (!player->Stretch()) return 0;
      player->Stretch()->SetPitchFollowsSpeed(plainRate);
      player->SetPosition(2 * kSecond);
      player->Play();
      // What reaches the device first after a start is lost in part, and at
      // double speed more words would be: the capture starts a second in.
      EXPECT_TRUE(PumpUntil([&] { return player->GetPosition() >= 3 * kSecond; }, 30000));
      Truncate(capture);
      EXPECT_TRUE(PumpUntil([&] { return player->GetPosition() >= 12 * kSecond; }, 30000));
      player->Stop();
      player->Close();
      const std::vector<double> more = VoicedPitches(Captured(capture), kCaptureRate);
      pitches.insert(pitches.end(), more.begin(), more.end());
    }
    // A doubled voice pitch is voiced in fewer of the estimator's frames.
    EXPECT_GE(pitches.size(), 5u) << "too little voiced output captured at " << percent << " %";
    const double pitch = Median(pitches);
    std::printf("%3d %% %s: median pitch %.1f Hz over %zu voiced frames\n", percent,
                plainRate ? "plain rate change" : "stretched", pitch, pitches.size());
    return pitch;
  }
  std::wstring capture = testing_support::UnixPathFromEnvironment(L"VOCORDER_SPEED_CAPTURE");
};

TEST_F(PitchFixture, PitchIsKeptAtHalfAndDoubleSpeedWhereAPlainRateChangeMovesIt) {
  ASSERT_FALSE(capture.empty()) << "VOCORDER_SPEED_CAPTURE names the ALSA file device's output";
  const double own = PlayedPitch(100, false);
  ASSERT_GT(own, 60.0);
  for (int percent : {50, 200}) {
    SCOPED_TRACE(percent);
    // Played through Wine and its unpaced capture device, double speed reads
    // one to three per cent high although the stretched samples keep the
    // pitch; a plain rate change moves it by half or double.
    EXPECT_NEAR(PlayedPitch(percent, false) / own, 1.0, percent > 100 ? 0.05 : 0.03);
    // The same check must catch what a plain rate change does to the voice.
    const double plain = PlayedPitch(percent, true);
    EXPECT_GT(std::abs(plain / own - 1.0), 0.03);
    EXPECT_NEAR(plain / own, percent / 100.0, 0.1 * percent / 100.0);
  }
}

}  // namespace
