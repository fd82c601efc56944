// TWaveIn against Wine's wave input, which reads the spoken fixture.
#include "WaveTestSupport.h"

#include "support/TestSupport.h"
#include "wave/TFWaveI.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <mutex>
#include <set>
#include <vector>

using namespace wave_test;

namespace {

std::string SourceSamples() { return testing_support::ReadBytes(testing_support::FixturePath(L"speech11k8.raw")); }

// Wine reads the unpaced file device in pieces and fills the reads it
// refuses with silence, so the capture is the source with gaps. Its loudest
// window must be found in the source: speech that came through the device.
struct Match {
  double spread = 0;
  double difference = 255;
};
Match LoudestWindowInSource(const std::string& captured, const std::string& source) {
  const size_t w = 1024;
  Match m;
  size_t at = 0;
  for (size_t i = 0; i + w <= captured.size(); i += w / 4) {
    double sp = Spread(captured.substr(i, w));
    if (sp > m.spread) m.spread = sp, at = i;
  }
  const std::string window = captured.substr(at, w);
  for (size_t lag = 0; lag + w <= source.size(); ++lag)
    m.difference = std::min(m.difference, MeanDifference(window, source.substr(lag, w)));
  return m;
}

// A recorder as the recording window runs one: two buffers in turn, each
// queued again from OnData until enough has arrived.
struct Capture {
  explicit Capture(TWaveIn& in, size_t wanted) : in(in), wanted(wanted) {
    in.OnData = [this](void* data, uint32_t size) {
      std::lock_guard<std::mutex> lock(m);
      threads.insert(::GetCurrentThreadId());
      bytes.append(static_cast<const char*>(data), size);
      ++deliveries;
      if (bytes.size() < this->wanted) this->in.AddBuffer(data, sizeof buffers[0]);
    };
  }
  size_t Size() {
    std::lock_guard<std::mutex> lock(m);
    return bytes.size();
  }
  TWaveIn& in;
  size_t wanted;
  std::mutex m;
  std::string bytes;
  std::set<DWORD> threads;
  int deliveries = 0;
  std::array<std::array<char, 1024>, 2> buffers{};
};

void Configure(TWaveIn& in) {
  in.SetDeviceID(0);
  in.SetSamples(TSamples::_11kHz);
  in.SetBits(TBits::_8);
  in.SetStereo(TStereo::disable);
}

}  // namespace

TEST(WaveFormat, PropertiesMakeThePcmDeviceFormat) {
  TWaveIn in;
  EXPECT_EQ(in.Samples(), TSamples::_8kHz);
  EXPECT_EQ(in.Bits(), TBits::_8);
  EXPECT_EQ(in.Stereo(), TStereo::disable);
  EXPECT_EQ(in.DeviceFormat().nSamplesPerSec, 8000u);
  Configure(in);
  const WAVEFORMATEX& f = in.DeviceFormat();
  EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(f.nSamplesPerSec, 11025u);
  EXPECT_EQ(f.wBitsPerSample, 8);
  EXPECT_EQ(f.nChannels, 1);
  EXPECT_EQ(f.nBlockAlign, 1);
  EXPECT_EQ(f.nAvgBytesPerSec, 11025u);
  EXPECT_EQ(f.cbSize, 0);
  in.SetSamples(TSamples::_44kHz);
  in.SetBits(TBits::_16);
  in.SetStereo(TStereo::enable);
  EXPECT_EQ(in.DeviceFormat().nBlockAlign, 4);
  EXPECT_EQ(in.DeviceFormat().nAvgBytesPerSec, 176400u);
}

TEST(WaveDevices, PreferredDeviceComesFromTheSoundMapperByExactName) {
  const std::vector<std::wstring> names = wave::WaveInNames();
  ASSERT_FALSE(names.empty()) << "Wine has no wave input";
  EXPECT_EQ(wave::MatchDevice(names, names[0]), 0);
  EXPECT_EQ(wave::MatchDevice({L"Alpha", L"Beta", L"Beta"}, L"Beta"), 1);
  EXPECT_EQ(wave::MatchDevice({L"Alpha"}, L"alpha"), -1);

  win::Key key;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Multimedia\\Sound Mapper", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, key.put(), nullptr),
            ERROR_SUCCESS);
  auto set = [&](const std::wstring& v) {
    ::RegSetValueExW(key.get(), L"Record", 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                     static_cast<DWORD>((v.size() + 1) * sizeof(wchar_t)));
  };
  set(L"A device that is not installed");
  EXPECT_EQ(TWaveIn().DeviceID(), -1);
  set(names[0]);
  {
    TWaveIn in;
    EXPECT_EQ(in.DeviceID(), 0);
  }
  ::RegDeleteValueW(key.get(), L"Record");
  EXPECT_EQ(TWaveIn().DeviceID(), -1);
}

TEST(WaveIn, CapturesTheRecordingIntoBuffersOnTheWorkerThread) {
  TWaveIn in;
  Configure(in);
  std::atomic<int> opened{0}, closed{0};
  std::atomic<DWORD> openThread{0};
  in.OnOpen = [&](TWaveIn& sender) {
    EXPECT_EQ(&sender, &in);
    openThread = ::GetCurrentThreadId();
    ++opened;
  };
  in.OnClose = [&](TWaveIn&) { ++closed; };
  Capture capture(in, 4 * 11025);

  ASSERT_EQ(in.Open(), MMSYSERR_NOERROR);
  EXPECT_TRUE(in.Recording());
  EXPECT_TRUE(in.IsActive());
  // Queued at once after Open, as the recording window does.
  ASSERT_EQ(in.AddBuffer(capture.buffers[0].data(), 1024), MMSYSERR_NOERROR);
  ASSERT_EQ(in.AddBuffer(capture.buffers[1].data(), 1024), MMSYSERR_NOERROR);
  EXPECT_EQ(in.Open(), MMSYSERR_NOERROR) << "a second Open of an open device";
  ASSERT_TRUE(PumpUntil([&] { return capture.Size() >= capture.wanted; }, 20000)) << capture.Size();
  EXPECT_EQ(opened, 1);

  EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
  EXPECT_EQ(closed, 1) << "the close notification arrives before Close returns";
  EXPECT_FALSE(in.IsActive());
  EXPECT_FALSE(in.Recording());
  EXPECT_EQ(in.BusySlots(), 0);
  EXPECT_EQ(in.AddBuffer(capture.buffers[0].data(), 1024), 1u) << "nothing to record into";

  std::lock_guard<std::mutex> lock(capture.m);
  ASSERT_EQ(capture.threads.size(), 1u);
  EXPECT_NE(*capture.threads.begin(), ::GetCurrentThreadId());
  EXPECT_EQ(*capture.threads.begin(), openThread.load());
  // The speech, not silence.
  Match match = LoudestWindowInSource(capture.bytes, SourceSamples());
  EXPECT_GT(match.spread, 4.0);
  EXPECT_LT(match.difference, match.spread / 3);
}

TEST(WaveIn, RefusesASeventeenthBufferAndReturnsAllOnClose) {
  TWaveIn in;
  Configure(in);
  // Buffers far longer than the test: none comes back before Close.
  std::vector<std::vector<char>> buffers(17, std::vector<char>(1 << 20));
  std::atomic<int> returned{0};
  std::atomic<uint32_t> recorded{0};
  in.OnData = [&](void*, uint32_t size) {
    recorded += size;
    ++returned;
  };
  ASSERT_EQ(in.Open(), MMSYSERR_NOERROR);
  for (int i = 0; i < 16; ++i) ASSERT_EQ(in.AddBuffer(buffers[i].data(), 1 << 20), MMSYSERR_NOERROR) << i;
  EXPECT_EQ(in.BusySlots(), 16);
  EXPECT_EQ(in.AddBuffer(buffers[16].data(), 1 << 20), 7u);

  // StopDevice alone returns and unprepares every buffer; the device stays open.
  in.StopDevice();
  EXPECT_FALSE(in.Recording());
  EXPECT_TRUE(PumpUntil([&] { return returned == 16; }, 5000)) << returned;
  EXPECT_EQ(in.BusySlots(), 0);
  EXPECT_TRUE(in.IsActive());
  EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
  EXPECT_EQ(returned, 16);
  EXPECT_FALSE(in.IsActive());
  EXPECT_EQ(in.Close(), MMSYSERR_NOERROR) << "closing a closed input";
  EXPECT_FALSE(in.IsActive());

  // Reopened, the slots are all free again.
  ASSERT_EQ(in.Open(), MMSYSERR_NOERROR);
  EXPECT_EQ(in.AddBuffer(buffers[0].data(), 1 << 20), MMSYSERR_NOERROR);
  EXPECT_EQ(in.BusySlots(), 1);
  EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
}

TEST(WaveIn, CloseRetriesWhileTheDeviceStillPlays) {
  int calls = 0;
  EXPECT_EQ(wave::CloseRetrying([&] { return ++calls < 3 ? WAVERR_STILLPLAYING : MMSYSERR_NOERROR; }, 1000),
            MMSYSERR_NOERROR);
  EXPECT_EQ(calls, 3);
  calls = 0;
  const ULONGLONG start = ::GetTickCount64();
  EXPECT_EQ(wave::CloseRetrying([&] { return ++calls, WAVERR_STILLPLAYING; }, 1000), WAVERR_STILLPLAYING);
  const ULONGLONG took = ::GetTickCount64() - start;
  EXPECT_GE(took, 1000u);
  EXPECT_LT(took, 3000u);
  EXPECT_GE(calls, 10);
  calls = 0;
  EXPECT_EQ(wave::CloseRetrying([&] { return ++calls, MMSYSERR_INVALHANDLE; }, 1000), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(calls, 1) << "only the still-playing answer is retried";
}

TEST(WaveIn, DestroyingAnOpenInputClosesItsDevice) {
  std::atomic<int> closed{0};
  std::array<char, 4096> buffer{};
  {
    TWaveIn in;
    Configure(in);
    in.OnClose = [&](TWaveIn&) { ++closed; };
    ASSERT_EQ(in.Open(), MMSYSERR_NOERROR);
    ASSERT_EQ(in.AddBuffer(buffer.data(), buffer.size()), MMSYSERR_NOERROR);
  }
  EXPECT_EQ(closed, 1);
}

TEST(WaveIn, RefusedOpenChangesNothing) {
  TWaveIn in;
  in.SetDeviceID(57);
  EXPECT_NE(in.Open(), MMSYSERR_NOERROR);
  EXPECT_FALSE(in.IsActive());
  EXPECT_FALSE(in.Recording());
  char b[16];
  EXPECT_EQ(in.AddBuffer(b, sizeof b), 1u);
}

TEST(WaveIn, FileModeDeliversTheFileConvertedToTheProperties) {
  TWaveIn in;
  Configure(in);
  std::mutex m;
  std::string got;
  std::set<DWORD> threads;
  in.OnData = [&](void* data, uint32_t size) {
    std::lock_guard<std::mutex> lock(m);
    got.append(static_cast<const char*>(data), size);
    threads.insert(::GetCurrentThreadId());
  };
  // 16-bit samples read back as the 8-bit format of the properties.
  in.SetLoadFromFile(testing_support::FixturePath(L"speech11k16.wav") + L"   ");
  EXPECT_EQ(in.LoadFromFile(), testing_support::FixturePath(L"speech11k16.wav"));
  ASSERT_TRUE(in.IsActive());
  std::vector<std::array<char, 4096>> buffers(4000);
  size_t i = 0;
  MMRESULT r;
  while ((r = in.AddBuffer(buffers[i].data(), 4096)) == MMSYSERR_NOERROR) {
    ++i;
    ASSERT_LT(i, buffers.size());
    // Keep below the sixteen slots: wait for the worker now and then.
    if (i % 8 == 0) PumpUntil([&] { return in.BusySlots() == 0; }, 5000);
  }
  EXPECT_EQ(r, 1u) << "the end of the file";
  EXPECT_FALSE(in.IsActive());
  EXPECT_TRUE(in.LoadFromFile().empty());
  ASSERT_TRUE(PumpUntil([&] { return in.BusySlots() == 0; }, 5000));

  std::lock_guard<std::mutex> lock(m);
  ASSERT_EQ(threads.size(), 1u);
  EXPECT_NE(*threads.begin(), ::GetCurrentThreadId());
  const std::string source = SourceSamples();
  EXPECT_NEAR(static_cast<double>(got.size()), static_cast<double>(source.size()), 64);
  EXPECT_LT(MeanDifference(got, source), 2.0);
}

TEST(WaveIn, FileModeOnAMissingFileStaysOff) {
  TWaveIn in;
  testing_support::ScratchDir dir;
  in.SetLoadFromFile(dir.file(L"missing.wav"));
  EXPECT_TRUE(in.LoadFromFile().empty());
  EXPECT_FALSE(in.IsActive());
  char b[64];
  EXPECT_EQ(in.AddBuffer(b, sizeof b), 1u);
  in.SetLoadFromFile(testing_support::FixturePath(L"speech11k8.wav"));
  EXPECT_TRUE(in.IsActive());
  in.SetLoadFromFile(L"");
  EXPECT_FALSE(in.IsActive());
  EXPECT_TRUE(in.LoadFromFile().empty());
}

TEST(WaveIn, PauseReturnsTheSoundOfTheBufferBeingFilledAndKeepsTheOthersForResume) {
  TWaveIn in;
  Configure(in);
  constexpr uint32_t kSize = 1 << 20;  // far longer than the test
  std::vector<std::vector<char>> buffers(2, std::vector<char>(kSize));
  std::mutex m;
  std::vector<std::pair<void*, uint32_t>> back;
  in.OnData = [&](void* data, uint32_t size) {
    std::lock_guard<std::mutex> lock(m);
    back.emplace_back(data, size);
  };
  ASSERT_EQ(in.Open(), MMSYSERR_NOERROR);
  for (auto& b : buffers) ASSERT_EQ(in.AddBuffer(b.data(), kSize), MMSYSERR_NOERROR);
  ::Sleep(300);  // the device captures meanwhile
  ASSERT_EQ(in.Pause(), MMSYSERR_NOERROR);
  ASSERT_TRUE(PumpUntil([&] { return in.BusySlots() == 1; }, 5000)) << "the queued buffer came back too";
  EXPECT_EQ(in.Resume(), MMSYSERR_NOERROR);
  in.Close();
  std::lock_guard<std::mutex> lock(m);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].first, buffers[0].data());
  EXPECT_GT(back[0].second, 0u) << "the sound before the pause was dropped";
}

TEST(WaveIn, WhatAnEventThrowsIsReportedAndTheWorkerGoesOn) {
  TWaveIn in;
  Configure(in);
  std::array<std::array<char, 1024>, 2> buffers{};
  std::atomic<int> calls{0}, reported{0};
  in.OnData = [&](void*, uint32_t) {
    if (++calls == 1) throw std::runtime_error("disk gone");
  };
  in.OnFailure = [&](const std::string& what) { reported += what == "disk gone"; };
  ASSERT_EQ(in.Open(), MMSYSERR_NOERROR);
  for (auto& b : buffers) ASSERT_EQ(in.AddBuffer(b.data(), 1024), MMSYSERR_NOERROR);
  EXPECT_TRUE(PumpUntil([&] { return calls == 2; }, 5000)) << "the worker ended";
  EXPECT_EQ(in.Close(), MMSYSERR_NOERROR);
  EXPECT_EQ(reported, 1);
}
