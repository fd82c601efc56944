// A player with a logging owner window, and the waits the tests build on.
#pragma once

#include "player/AudioDevices.h"
#include "player/TPlayer.h"

#include "PlayerTestSupport.h"

#include <gtest/gtest.h>
#include <evcode.h>

#include <memory>

namespace player_test {

constexpr int64_t kSecond = 10'000'000;

class PlayerFixture : public testing::Test {
protected:
  void SetUp() override {
    player = std::make_unique<TPlayer>(log.window());
    // The owner reads one graph event per pnGraphEvent, as the main window does.
    log.onNotify = [this](LPARAM code) {
      if (code == pnGraphEvent) events.push_back(player->ReadGraphEvent());
    };
  }
  void TearDown() override {
    log.onNotify = nullptr;
    player.reset();
  }

  bool Completed() const {
    for (long e : events)
      if (e == EC_COMPLETE) return true;
    return false;
  }
  // Pumps until the graph reports the end of the file.
  bool WaitForCompletion(unsigned ms = 5000) {
    return PumpUntil([this] { return Completed(); }, ms);
  }
  // Pumps until the position has passed at.
  bool WaitForPosition(int64_t at, unsigned ms = 5000) {
    return PumpUntil([&] { return player->GetPosition() > at; }, ms);
  }
  OAFilterState GraphState() {
    Microsoft::WRL::ComPtr<IMediaControl> control;
    player->Graph()->QueryInterface(IID_PPV_ARGS(&control));
    OAFilterState s = -1;
    control->GetState(1000, &s);
    return s;
  }
  int DirectSound() const { return DeviceNamed(L"Default DirectSound Device"); }
  int WaveOut() const { return DeviceNamed(L"Default WaveOut Device"); }

  NotifyLog log;
  std::vector<long> events;
  std::unique_ptr<TPlayer> player;
};

}  // namespace player_test
