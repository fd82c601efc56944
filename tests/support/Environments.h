// What a whole test program sets up once, as the program's entry point does:
// register one with testing::AddGlobalTestEnvironment(new ...).
#pragma once

#include <gtest/gtest.h>

#include "Pump.h"
#include "codec/Mp3Fallback.h"
#include "player/AudioDevices.h"

namespace testing_support {

// The MPEG Layer-3 encoder the program adds for itself where no installed
// codec encodes (Wine has none).
class Mp3EncoderEnvironment : public testing::Environment {
public:
  void SetUp() override { ASSERT_TRUE(codec::EnsureMp3Encoder()); }
};

// COM and the device lists of the player. In a Wine prefix just made, while
// its audio service starts, the renderers have been listed without the
// DirectSound one: the list is read again until both are there.
class PlayerModuleEnvironment : public testing::Environment {
public:
  void SetUp() override {
    InitPlayerModule();
    WaitUntil([] { return AudioDeviceNames.size() >= 2 || (EnumerateAudioDevices(), AudioDeviceNames.size() >= 2); },
              std::chrono::seconds(15));
  }
  void TearDown() override { DonePlayerModule(); }
};

}  // namespace testing_support
