// A machine without an MPEG Layer-3 encoder: the fallback is switched off
// before anything asks for one.
#include "RecorderDriver.h"

#include "codec/Mp3Fallback.h"
#include "core/globals.h"
#include "base/InputBox.h"
#include "recorder/RecPaths.h"
#include "recorder/RecTexts.h"
#include "support/InputSeam.h"
#include "support/MessageSeam.h"
#include "support/TestSupport.h"
#include "wave/TFWaveO.h"

#include <gtest/gtest.h>

using namespace recorder_test;

TEST(NoEncoder, NoFileIsMadeAndStartSaysWhyWithoutRunningTheCounters) {
  ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", L"1");
  ASSERT_FALSE(codec::EnsureMp3Encoder());

  testing_support::ScratchDir dir;
  ::DeleteFileW(recorder::TemporaryRecordingName().c_str());
  {
    TWaveOut out;
    out.SetSamples(TSamples::_11kHz);
    out.SetSaveFormat(TSaveFormat::MP3);
    out.SetSaveToFile(dir.file(L"x.mp3"));
    EXPECT_TRUE(out.SaveToFile().empty());
    EXPECT_FALSE(testing_support::FileExists(dir.file(L"x.mp3")));
  }

  const std::wstring list = dir.file(L"list.m3u");
  testing_support::WriteBytes(list, "");
  kestrel::Lists = {kestrel::list{list, L"list", dir.dir()}};
  kestrel::ListIndex = 0;
  int asked = 0;
  testing_support::InputSeam input([&](HWND, auto, auto, auto) {
    ++asked;
    return std::optional<std::wstring>(L"never");
  });
  testing_support::MessageSeam boxes;
  TFRecMpeg rec(nullptr);
  RunShown(rec, [&] {
    Click(rec, TFRecMpeg::idBitBtn1);
    ::Sleep(1300);
    EXPECT_EQ(TextOf(rec, TFRecMpeg::idLabel4), L"0") << "the counters run";
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idBitBtn1));
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idStop));
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idButton1));
  });
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.last().text, recorder::texts::kNoEncoder);
  EXPECT_NE(boxes.last().text.find(L"libmp3lame-0.dll"), std::wstring::npos) << "how to mend it";
  EXPECT_FALSE(testing_support::FileExists(rec.TemporaryFile()));
  EXPECT_FALSE(rec.HasUnsaved());
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(testing_support::ReadBytes(list), "");
  kestrel::Lists.clear();
}
