#include "player/AudioDevices.h"
#include "player/PlayerError.h"

#include "PlayerTestSupport.h"

#include <gtest/gtest.h>
#include <uuids.h>

namespace {

std::wstring Text(const CLSID& id) {
  wchar_t buf[40];
  ::StringFromGUID2(id, buf, 40);
  return buf;
}

CLSID ClassOf(IBaseFilter* f) {
  CLSID id = {};
  f->GetClassID(&id);
  return id;
}

}  // namespace

TEST(AudioDevices, ListsTheRenderersOfTheSystem) {
  ASSERT_FALSE(AudioDeviceNames.empty());
  ASSERT_EQ(AudioDeviceNames.size(), AudioDeviceClsids.size());
  // Wine with the ALSA null device offers these two defaults.
  const int ds = player_test::DeviceNamed(L"Default DirectSound Device");
  const int wo = player_test::DeviceNamed(L"Default WaveOut Device");
  ASSERT_GE(ds, 0);
  ASSERT_GE(wo, 0);
  EXPECT_EQ(AudioDeviceClsids[ds], Text(CLSID_DSoundRender));
  EXPECT_EQ(AudioDeviceClsids[wo], Text(CLSID_AudioRender));
  for (auto& c : AudioDeviceClsids) {
    CLSID id;
    EXPECT_EQ(::CLSIDFromString(c.c_str(), &id), S_OK) << c;
  }
}

TEST(AudioDevices, DeviceIndexOfFindsExactNamesElseZero) {
  const int wo = player_test::DeviceNamed(L"Default WaveOut Device");
  ASSERT_GE(wo, 0);
  EXPECT_EQ(DeviceIndexOf(L"Default WaveOut Device"), wo);
  EXPECT_EQ(DeviceIndexOf(L"default waveout device"), 0);
  EXPECT_EQ(DeviceIndexOf(L""), 0);
  EXPECT_EQ(DeviceIndexOf(L"No such device"), 0);

  auto names = AudioDeviceNames;
  AudioDeviceNames.clear();
  EXPECT_EQ(DeviceIndexOf(L"Default WaveOut Device"), 0);
  AudioDeviceNames = names;
}

TEST(AudioDevices, EveryDeviceGivesASoundRenderer) {
  // (Wine implements both kinds by one renderer, so the class identifier the
  // filter reports does not tell them apart.)
  for (size_t i = 0; i < AudioDeviceNames.size(); ++i) {
    auto filter = CreateAudioDeviceFilter(static_cast<int>(i));
    ASSERT_TRUE(filter) << i;
    Microsoft::WRL::ComPtr<IBasicAudio> audio;
    EXPECT_EQ(filter.As(&audio), S_OK) << testing::PrintToString(AudioDeviceNames[i]);
  }
  EXPECT_THROW(CreateAudioDeviceFilter(static_cast<int>(AudioDeviceNames.size())), PlayerError);
  EXPECT_THROW(CreateAudioDeviceFilter(-1), PlayerError);
}

TEST(AudioDevices, ChangedListsAreFollowedByClassIdentifier) {
  const int ds = player_test::DeviceNamed(L"Default DirectSound Device");
  ASSERT_GE(ds, 0);
  // Any filter class will do to see that the entry is what counts.
  AudioDeviceClsids[ds] = Text(CLSID_NullRenderer);
  auto filter = CreateAudioDeviceFilter(ds);
  EXPECT_TRUE(IsEqualCLSID(ClassOf(filter.Get()), CLSID_NullRenderer));
  AudioDeviceClsids[ds] = L"not a class";
  EXPECT_THROW(CreateAudioDeviceFilter(ds), PlayerError);

  // Filling again gives the same lists as at start-up.
  auto names = AudioDeviceNames;
  EnumerateAudioDevices();
  EXPECT_EQ(AudioDeviceNames, names);
  EXPECT_EQ(AudioDeviceClsids[ds], Text(CLSID_DSoundRender));
}
