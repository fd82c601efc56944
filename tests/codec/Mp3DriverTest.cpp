// The driver's self-description as ACM reports it, and the machine-wide DLL's
// DriverProc export.
#include "CodecTestSupport.h"

#include "base/WinHandles.h"
#include "codec/Mp3Fallback.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace codec_test;

namespace {

BOOL CALLBACK CollectOurs(HACMDRIVERID id, DWORD_PTR instance, DWORD) {
  ACMDRIVERDETAILSW d{};
  d.cbStruct = sizeof d;
  if (acmDriverDetailsW(id, &d, 0) == MMSYSERR_NOERROR && std::wstring(d.szShortName) == L"Vocorder MP3")
    reinterpret_cast<std::vector<HACMDRIVERID>*>(instance)->push_back(id);
  return TRUE;
}

std::vector<HACMDRIVERID> OurDrivers() {
  std::vector<HACMDRIVERID> ids;
  acmDriverEnum(CollectOurs, reinterpret_cast<DWORD_PTR>(&ids), 0);
  return ids;
}

struct TFormats {
  std::vector<MPEGLAYER3WAVEFORMAT> Mp3;
  std::vector<std::wstring> Names;
};

BOOL CALLBACK CollectFormat(HACMDRIVERID, LPACMFORMATDETAILSW d, DWORD_PTR instance, DWORD) {
  auto* f = reinterpret_cast<TFormats*>(instance);
  f->Mp3.push_back(*reinterpret_cast<MPEGLAYER3WAVEFORMAT*>(d->pwfx));
  f->Names.push_back(d->szFormat);
  return TRUE;
}

class Mp3Driver : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", nullptr);
    ASSERT_TRUE(EnsureMp3Encoder());
  }
  void SetUp() override {
    auto ids = OurDrivers();
    ASSERT_EQ(ids.size(), 1u);
    id_ = ids[0];
    ASSERT_EQ(acmDriverOpen(had_.put(), id_, 0), MMSYSERR_NOERROR);
  }
  HACMDRIVERID id_ = nullptr;
  win::AcmDriver had_;
};

TEST_F(Mp3Driver, DescribesItselfAsACodecWithTwoTags) {
  ACMDRIVERDETAILSW d{};
  d.cbStruct = sizeof d;
  ASSERT_EQ(acmDriverDetailsW(id_, &d, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(d.fccType, ACMDRIVERDETAILS_FCCTYPE_AUDIOCODEC);
  EXPECT_TRUE(d.fdwSupport & ACMDRIVERDETAILS_SUPPORTF_CODEC);
  EXPECT_EQ(d.cFormatTags, 2u);
  EXPECT_EQ(d.cFilterTags, 0u);

  ACMFORMATTAGDETAILSW t{};
  t.cbStruct = sizeof t;
  t.dwFormatTagIndex = 0;
  ASSERT_EQ(acmFormatTagDetailsW(had_.get(), &t, ACM_FORMATTAGDETAILSF_INDEX), MMSYSERR_NOERROR);
  EXPECT_EQ(t.dwFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(t.cStandardFormats, 28u);
  t.dwFormatTagIndex = 1;
  ASSERT_EQ(acmFormatTagDetailsW(had_.get(), &t, ACM_FORMATTAGDETAILSF_INDEX), MMSYSERR_NOERROR);
  EXPECT_EQ(t.dwFormatTag, WAVE_FORMAT_MPEGLAYER3);
  EXPECT_EQ(t.cbFormatSize, sizeof(MPEGLAYER3WAVEFORMAT));
  EXPECT_EQ(std::wstring(t.szFormatTag), L"MPEG Layer-3");
  t.dwFormatTag = WAVE_FORMAT_UNKNOWN;
  ASSERT_EQ(acmFormatTagDetailsW(had_.get(), &t, ACM_FORMATTAGDETAILSF_LARGESTSIZE), MMSYSERR_NOERROR);
  EXPECT_EQ(t.dwFormatTag, WAVE_FORMAT_MPEGLAYER3);
  t.dwFormatTag = WAVE_FORMAT_ADPCM;
  EXPECT_EQ(acmFormatTagDetailsW(had_.get(), &t, ACM_FORMATTAGDETAILSF_FORMATTAG), ACMERR_NOTPOSSIBLE);
  DWORD largest = 0;
  ASSERT_EQ(acmMetrics(reinterpret_cast<HACMOBJ>(had_.get()), ACM_METRIC_MAX_SIZE_FORMAT, &largest),
            MMSYSERR_NOERROR);
  EXPECT_EQ(largest, sizeof(MPEGLAYER3WAVEFORMAT));
}

TEST_F(Mp3Driver, EnumeratesLayer3FormatsThatAllOpen) {
  MPEGLAYER3WAVEFORMAT buffer{};
  ACMFORMATDETAILSW d{};
  d.cbStruct = sizeof d;
  d.dwFormatTag = WAVE_FORMAT_MPEGLAYER3;
  d.pwfx = &buffer.wfx;
  d.cbwfx = sizeof buffer;
  buffer.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  TFormats found;
  ASSERT_EQ(acmFormatEnumW(had_.get(), &d, CollectFormat, reinterpret_cast<DWORD_PTR>(&found),
                           ACM_FORMATENUMF_WFORMATTAG),
            MMSYSERR_NOERROR);
  ASSERT_EQ(found.Mp3.size(), 62u);
  bool sawSpeechDefault = false;
  for (size_t i = 0; i < found.Mp3.size(); ++i) {
    const MPEGLAYER3WAVEFORMAT& f = found.Mp3[i];
    SCOPED_TRACE(testing::Message() << f.wfx.nSamplesPerSec << " Hz " << f.wfx.nChannels << " ch "
                                    << f.wfx.nAvgBytesPerSec / 125 << " kbit/s");
    EXPECT_EQ(f.wfx.wFormatTag, WAVE_FORMAT_MPEGLAYER3);
    EXPECT_EQ(f.wfx.cbSize, MPEGLAYER3_WFX_EXTRA_BYTES);
    EXPECT_EQ(f.wfx.nBlockAlign, 1);
    EXPECT_FALSE(found.Names[i].empty());
    const DWORD spf = f.wfx.nSamplesPerSec >= 32000 ? 1152 : 576;
    EXPECT_EQ(f.nBlockSize, spf / 8 * f.wfx.nAvgBytesPerSec * 8 / f.wfx.nSamplesPerSec);
    if (f.wfx.nSamplesPerSec == 11025 && f.wfx.nChannels == 1 && f.wfx.nAvgBytesPerSec == 2000)
      sawSpeechDefault = true;
    WAVEFORMATEX pcm = Pcm(f.wfx.nChannels, f.wfx.nSamplesPerSec, 16);
    EXPECT_EQ(acmStreamOpen(nullptr, had_.get(), &pcm, const_cast<WAVEFORMATEX*>(&f.wfx), nullptr, 0, 0,
                            ACM_STREAMOPENF_QUERY),
              MMSYSERR_NOERROR);
  }
  EXPECT_TRUE(sawSpeechDefault);
}

TEST_F(Mp3Driver, LeavesDecodingToOtherCodecs) {
  WAVEFORMATEX pcm = Pcm(1, 11025, 8);
  MPEGLAYER3WAVEFORMAT mp3;
  ASSERT_EQ(SuggestMp3(had_.get(), pcm, mp3), MMSYSERR_NOERROR);
  WAVEFORMATEX out = Pcm(1, 11025, 16);
  EXPECT_EQ(acmStreamOpen(nullptr, had_.get(), &mp3.wfx, &out, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
            ACMERR_NOTPOSSIBLE);
  // Nor does it answer a PCM request, which belongs to the PCM converter.
  WAVEFORMATEX want = Pcm(1, 11025, 16);
  EXPECT_EQ(acmFormatSuggest(had_.get(), &pcm, &want, sizeof want, ACM_FORMATSUGGESTF_WFORMATTAG),
            ACMERR_NOTPOSSIBLE);
}

TEST(Mp3AcmDll, ExportsTheSameDriver) {
  std::wstring path = testing_support::BuildDir() + L"\\codec\\" + VOCORDER_MP3_ACM_NAME;
  win::Module dll(::LoadLibraryW(path.c_str()));
  ASSERT_TRUE(dll) << "cannot load the codec DLL";
  auto proc = reinterpret_cast<LPARAM>(::GetProcAddress(dll.get(), "DriverProc"));
  ASSERT_NE(proc, 0);
  HACMDRIVERID id = nullptr;
  ASSERT_EQ(acmDriverAddW(&id, dll.get(), proc, 0, ACM_DRIVERADDF_FUNCTION | ACM_DRIVERADDF_LOCAL),
            MMSYSERR_NOERROR);
  {
    win::AcmDriver had;
    ASSERT_EQ(acmDriverOpen(had.put(), id, 0), MMSYSERR_NOERROR);
    const TWav wav = ReadWav(testing_support::FixturePath(L"speech11k8.wav"));
    MPEGLAYER3WAVEFORMAT mp3;
    ASSERT_EQ(SuggestMp3(had.get(), wav.Format, mp3), MMSYSERR_NOERROR);
    TEncodeResult enc = Encode(had.get(), wav.Format, mp3, wav.Data.substr(0, 22050), 1024,
                               ACM_STREAMCONVERTF_BLOCKALIGN);
    ASSERT_EQ(enc.Status, MMSYSERR_NOERROR);
    TFrameWalk walk = WalkFrames(enc.Mp3, 11025, 1, 16);
    EXPECT_TRUE(walk.Valid) << walk.Problem;
  }
  EXPECT_EQ(acmDriverRemove(id, 0), MMSYSERR_NOERROR);
}

}  // namespace
