// The playback speed: its three hot keys and its read-out on the time row.
#include "app/MainWindow.h"
#include "app/SpeedKeys.h"
#include "core/SettingsRecord.h"
#include "settings/KestrelSettings.h"

namespace app {

std::wstring SpeedText(int percent) { return std::to_wstring(percent) + L" %"; }

void TfrmVocorder::CreateSpeedControls() {
  Player_->SetSpeed(kestrel::Settings.Speed);
  ShowSpeed();
  hints_.Set(Control(idSpeed), kSpeedKeysHint);
}

void TfrmVocorder::CreateSpeedKeys() {
  // The keys are settings (the page "Prepis"); their defaults are these.
  const struct {
    int key;
    void (TfrmVocorder::*handler)();
  } defs[] = {
      {kestrel::Settings.SlowerHotKey, &TfrmVocorder::HotKeySlowerHotKey},
      {kestrel::Settings.FasterHotKey, &TfrmVocorder::HotKeyFasterHotKey},
      {kestrel::Settings.SpeedResetHotKey, &TfrmVocorder::HotKeySpeedResetHotKey},
  };
  for (size_t i = 0; i < speedKeys_.size(); ++i) {
    auto key = std::make_unique<services::TfisHotKey>();
    key->SetKey(static_cast<WORD>(defs[i].key));
    key->OnHotKey = [this, handler = defs[i].handler](services::TfisHotKey&) {
      QueueHotKey([this, handler] { (this->*handler)(); });
    };
    key->Loaded();
    speedKeys_[i] = std::move(key);
  }
}

void TfrmVocorder::HotKeySlowerHotKey() { ChangeSpeed(kestrel::StepSpeed(Player_->Speed(), -1)); }
void TfrmVocorder::HotKeyFasterHotKey() { ChangeSpeed(kestrel::StepSpeed(Player_->Speed(), +1)); }
void TfrmVocorder::HotKeySpeedResetHotKey() { ChangeSpeed(kestrel::kDefaultSpeed); }

void TfrmVocorder::ChangeSpeed(int percent) {
  if (!Player_ || percent == Player_->Speed()) return;
  // The new pace is heard and shown first; a failed store (already
  // reported) only costs keeping it for the next start.
  Player_->SetSpeed(percent);
  ShowSpeed();
  kestrel::StoreSpeedSetting(Player_->Speed());
}

void TfrmVocorder::ShowSpeed() { ::SetWindowTextW(Control(idSpeed), SpeedText(Player_->Speed()).c_str()); }

}  // namespace app
