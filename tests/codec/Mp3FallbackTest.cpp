// The start-up fallback. One test, in order: this process starts on a Wine
// that has no Layer-3 encoder of its own.
#include "CodecTestSupport.h"

#include "codec/Mp3Fallback.h"

#include <gtest/gtest.h>

#include <string>

using namespace codec_test;

namespace {

BOOL CALLBACK CountOne(HACMDRIVERID id, DWORD_PTR instance, DWORD) {
  ACMDRIVERDETAILSW d{};
  d.cbStruct = sizeof d;
  if (acmDriverDetailsW(id, &d, 0) == MMSYSERR_NOERROR && std::wstring(d.szShortName) == L"Vocorder MP3")
    ++*reinterpret_cast<int*>(instance);
  return TRUE;
}

int CountOurs() {
  int n = 0;
  acmDriverEnum(CountOne, reinterpret_cast<DWORD_PTR>(&n), 0);
  return n;
}

TEST(Mp3Fallback, SwitchedOffLeavesNoEncoderThenAddsOurOnce) {
  ASSERT_FALSE(codec::CanSuggestMp3FromRecordingFormat()) << "this Wine has an encoder of its own";

  ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", L"1");
  EXPECT_FALSE(EnsureMp3Encoder());
  EXPECT_EQ(CountOurs(), 0);
  MPEGLAYER3WAVEFORMAT mp3;
  EXPECT_EQ(SuggestMp3(nullptr, Pcm(1, 11025, 8), mp3), ACMERR_NOTPOSSIBLE);

  // Any other value leaves the fallback on.
  ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", L"0");
  EXPECT_TRUE(EnsureMp3Encoder());
  EXPECT_EQ(CountOurs(), 1);
  ASSERT_EQ(SuggestMp3(nullptr, Pcm(1, 11025, 8), mp3), MMSYSERR_NOERROR);
  EXPECT_EQ(mp3.wfx.wFormatTag, WAVE_FORMAT_MPEGLAYER3);
  WAVEFORMATEX pcm = Pcm(1, 11025, 8);
  HACMSTREAM has = nullptr;
  ASSERT_EQ(acmStreamOpen(&has, nullptr, &pcm, &mp3.wfx, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME),
            MMSYSERR_NOERROR);
  EXPECT_EQ(acmStreamClose(has, 0), MMSYSERR_NOERROR);

  // Once there is an encoder, a second call adds nothing, switch or not.
  ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", L"1");
  EXPECT_TRUE(EnsureMp3Encoder());
  ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", nullptr);
  EXPECT_TRUE(EnsureMp3Encoder());
  EXPECT_EQ(CountOurs(), 1);
}

}  // namespace
