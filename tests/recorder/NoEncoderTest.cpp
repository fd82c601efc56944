// A machine without an MPEG Layer-3 encoder: the fallback is switched off
// before anything asks for one.
#include "RecorderDriver.h"

#include "codec/Mp3Fallback.h"
#include "core/globals.h"
#include "recorder/InputBox.h"
#include "support/InputSeam.h"
#include "support/MessageSeam.h"
#include "support/TestSupport.h"
#include "wave/TFWaveO.h"

#include <gtest/gtest.h>

using namespace recorder_test;

TEST(NoEncoder, NoFileIsMadeAndSavingEndsSilentlyAfterResettingTheWindow) {
  ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", L"1");
  ASSERT_FALSE(codec::EnsureMp3Encoder());

  testing_support::ScratchDir dir;
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
    // The recorder still runs.
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idStop));
    EXPECT_TRUE(WaitFor([&] { return TextOf(rec, TFRecMpeg::idLabel4) == L"1"; }, 3000));
    Click(rec, TFRecMpeg::idButton1);
    EXPECT_EQ(TextOf(rec, TFRecMpeg::idLabel4), L"0");
    EXPECT_TRUE(Enabled(rec, TFRecMpeg::idBitBtn1));
    EXPECT_FALSE(Enabled(rec, TFRecMpeg::idButton1));
  });
  EXPECT_FALSE(testing_support::FileExists(rec.TemporaryFile()));
  EXPECT_EQ(asked, 0);
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_EQ(testing_support::ReadBytes(list), "");
  kestrel::Lists.clear();
}
