#include "app/HotKeyTable.h"

#include <algorithm>
#include <cwchar>

#include "base/ModalScope.h"
#include "core/KestrelErrors.h"
#include "settings/TypingSettings.h"
#include "core/SettingsRecord.h"
#include "player/TPlayer.h"

namespace app {

namespace {

// The fixed keys are the ones the settings refuse to the changeable rows.
constexpr WORD Fixed(size_t i) { return static_cast<WORD>(kestrel::kFixedHotKeys[i]); }

}  // namespace

void THotKeyTable::Create() {
  auto& s = kestrel::Settings;
  bindings_ = {
      {Fixed(0), &THotKeyTable::HotKeyStartStopHotKey, L"HotKeyStartStop", nullptr},  // Ctrl+Space
      {Fixed(1), &THotKeyTable::HotKeyBackHotKey, L"HotKeyBack", nullptr},            // Ctrl+Left
      {Fixed(2), &THotKeyTable::HotKeyForwardHotKey, L"HotKeyForward", nullptr},      // Ctrl+Right
      {Fixed(3), &THotKeyTable::HotKeyForwardXHotKey, L"HotKeyForwardX", nullptr},    // Ctrl+PageUp
      {Fixed(4), &THotKeyTable::HotKeyBackXHotKey, L"HotKeyBackX", nullptr},          // Ctrl+PageDown
      {Fixed(5), &THotKeyTable::HotKeyRefreshHotKey, L"HotKeyRefresh", nullptr},      // Ctrl+F5
      {Fixed(6), &THotKeyTable::HotKeyVolUpHotKey, L"HotKeyVolUp", nullptr},          // Ctrl+Up
      {Fixed(7), &THotKeyTable::HotKeyVolDownHotKey, L"HotKeyVolDown", nullptr},      // Ctrl+Down
      {0, &THotKeyTable::HotKeyTimeStampHotKey, L"HotKeyTimeStamp", &s.StampHotKey},
      {0, &THotKeyTable::HotKeySlowerHotKey, L"HotKeySlower", &s.SlowerHotKey},
      {0, &THotKeyTable::HotKeyFasterHotKey, L"HotKeyFaster", &s.FasterHotKey},
      {0, &THotKeyTable::HotKeySpeedResetHotKey, L"HotKeySpeedReset", &s.SpeedResetHotKey},
      {0, &THotKeyTable::HotKeyReplayHotKey, L"HotKeyReplay", &s.ReplayHotKey},
  };
  keys_.clear();
  for (size_t i = 0; i < bindings_.size(); ++i) {
    auto key = std::make_unique<services::TfisHotKey>();
    // A held stamp or speed key would type or store on every repeat.
    key->SetNoRepeat(bindings_[i].setting != nullptr);
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
  // All let go before any is claimed, so that a key given from one row to
  // another in one save is not refused because the first still held it.
  std::vector<services::TfisHotKey*> keys;
  std::vector<WORD> codes;
  for (size_t i = 0; i < bindings_.size(); ++i) {
    if (!bindings_[i].setting) continue;
    keys.push_back(keys_[i].get());
    codes.push_back(static_cast<WORD>(*bindings_[i].setting));
  }
  services::TfisHotKey::SetKeys(keys, codes);
  // The page refused what the system would not give; a key taken by another
  // program since is told the same way, once.
  std::vector<WORD> refused;
  for (size_t j = 0; j < keys.size(); ++j)
    if (codes[j] != 0 && !keys[j]->Registered() && std::ranges::find(refused, codes[j]) == refused.end())
      refused.push_back(codes[j]);
  for (WORD code : refused) kestrel::WarnHotKeyRefused(code);
  return refused.empty();
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
