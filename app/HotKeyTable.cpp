#include "app/HotKeyTable.h"

#include <cwchar>

#include "base/ModalScope.h"
#include "core/KestrelErrors.h"
#include "settings/TypingSettings.h"
#include "core/SettingsRecord.h"
#include "player/TPlayer.h"

namespace app {

using services::scCtrl;

void THotKeyTable::Create() {
  auto& s = kestrel::Settings;
  bindings_ = {
      {scCtrl | VK_SPACE, &THotKeyTable::HotKeyStartStopHotKey, L"HotKeyStartStop", nullptr},
      {scCtrl | VK_LEFT, &THotKeyTable::HotKeyBackHotKey, L"HotKeyBack", nullptr},
      {scCtrl | VK_RIGHT, &THotKeyTable::HotKeyForwardHotKey, L"HotKeyForward", nullptr},
      {scCtrl | VK_PRIOR, &THotKeyTable::HotKeyForwardXHotKey, L"HotKeyForwardX", nullptr},
      {scCtrl | VK_NEXT, &THotKeyTable::HotKeyBackXHotKey, L"HotKeyBackX", nullptr},
      {scCtrl | VK_F5, &THotKeyTable::HotKeyRefreshHotKey, L"HotKeyRefresh", nullptr},
      {scCtrl | VK_UP, &THotKeyTable::HotKeyVolUpHotKey, L"HotKeyVolUp", nullptr},
      {scCtrl | VK_DOWN, &THotKeyTable::HotKeyVolDownHotKey, L"HotKeyVolDown", nullptr},
      {0, &THotKeyTable::HotKeyTimeStampHotKey, L"HotKeyTimeStamp", &s.StampHotKey},
      {0, &THotKeyTable::HotKeySlowerHotKey, L"HotKeySlower", &s.SlowerHotKey},
      {0, &THotKeyTable::HotKeyFasterHotKey, L"HotKeyFaster", &s.FasterHotKey},
      {0, &THotKeyTable::HotKeySpeedResetHotKey, L"HotKeySpeedReset", &s.SpeedResetHotKey},
      {0, &THotKeyTable::HotKeyReplayHotKey, L"HotKeyReplay", &s.ReplayHotKey},
  };
  keys_.clear();
  for (size_t i = 0; i < bindings_.size(); ++i) {
    auto key = std::make_unique<services::TfisHotKey>();
    key->SetKey(bindings_[i].setting ? static_cast<WORD>(*bindings_[i].setting) : bindings_[i].key);
    key->OnHotKey = [this, i](services::TfisHotKey&) { Pressed(i); };
    key->Loaded();
    keys_.push_back(std::move(key));
  }
}

void THotKeyTable::Release() {
  keys_.clear();
  pressed_.clear();
}

services::TfisHotKey* THotKeyTable::Key(const wchar_t* name) const {
  for (size_t i = 0; i < bindings_.size(); ++i)
    if (std::wcscmp(bindings_[i].name, name) == 0) return keys_[i].get();
  return nullptr;
}

void THotKeyTable::Pressed(size_t binding) {
  // What a key changes may lie under an open dialog or box.
  if (win::ModalScope::Depth() > 0) return;
  pressed_.push_back(binding);
  strip_.Post(ctHotKey);
}

void THotKeyTable::RunPressed() {
  if (pressed_.empty()) return;
  const size_t binding = pressed_.front();
  pressed_.pop_front();
  if (win::ModalScope::Depth() > 0) return;
  (this->*bindings_[binding].handler)();
}

bool THotKeyTable::ApplyTypingSettings() {
  bool all = true;
  // The page refused what the system would not give; a key taken by another
  // program since is told the same way, once, when it is changed to.
  for (size_t i = 0; i < bindings_.size(); ++i) {
    if (!bindings_[i].setting) continue;
    services::TfisHotKey& key = *keys_[i];
    const WORD code = static_cast<WORD>(*bindings_[i].setting);
    const bool changed = key.Key() != code;
    key.SetKey(code);
    if (code == 0 || key.Registered()) continue;
    all = false;
    if (changed) kestrel::WarnHotKeyRefused(code);
  }
  return all;
}

void THotKeyTable::HotKeyStartStopHotKey() {
  if (!::IsWindowEnabled(strip_.Control(idPlay))) return;
  replay_.End();
  transport_.idPlayClick();
}
void THotKeyTable::HotKeyBackHotKey() {
  replay_.End();
  transport_.StepBack();
}
void THotKeyTable::HotKeyForwardHotKey() {
  replay_.End();
  transport_.StepForwardByHotKey();
}
void THotKeyTable::HotKeyForwardXHotKey() {
  replay_.End();
  transport_.FastForward();
}
void THotKeyTable::HotKeyBackXHotKey() {
  replay_.End();
  transport_.FastBack();
}
void THotKeyTable::HotKeyRefreshHotKey() { recordings_.idChangeListClick(); }
void THotKeyTable::HotKeyVolUpHotKey() { knob_.VolumeByHotKey(-1); }
void THotKeyTable::HotKeyVolDownHotKey() { knob_.VolumeByHotKey(+1); }
void THotKeyTable::HotKeyTimeStampHotKey() { transport_.HotKeyTimeStampHotKey(); }
void THotKeyTable::HotKeySlowerHotKey() { transport_.ChangeSpeed(kestrel::StepSpeed(strip_.Player().Speed(), -1)); }
void THotKeyTable::HotKeyFasterHotKey() { transport_.ChangeSpeed(kestrel::StepSpeed(strip_.Player().Speed(), +1)); }
void THotKeyTable::HotKeySpeedResetHotKey() { transport_.ChangeSpeed(kestrel::kDefaultSpeed); }
void THotKeyTable::HotKeyReplayHotKey() { replay_.Toggle(); }

}  // namespace app
