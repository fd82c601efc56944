// The settings dialog's page "Prepis" (transcription): how far playback goes
// back when it resumes after a pause, the speed playback starts at, the form
// of the typed time stamps, and the hot keys of the time stamp and of the
// speed. A hot key the system will not register, or one that another row
// of the page already uses, one of the program's fixed keys, or one without
// Ctrl or Alt (see IsAllowedHotKey), is refused as it is chosen, with a
// message, and the control goes back to the last one accepted.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <optional>

#include "settings/SettingsPage.h"
#include "settings/TypingSettings.h"

namespace kestrel {

namespace typing {
enum ControlId : int {
  idRewindLabel = 400, idResumeRewind, idRewindUnit, idSpeedLabel, idSpeed,
  idStampGroup, idStampBrackets, idStampMillisLabel, idStampMillis,
  idKeysGroup, idStampHotKeyLabel, idStampHotKey, idSlowerHotKeyLabel, idSlowerHotKey,
  idFasterHotKeyLabel, idFasterHotKey, idSpeedResetHotKeyLabel, idSpeedResetHotKey,
  idReplayHotKeyLabel, idReplayHotKey, idReplaySeconds,
};
}  // namespace typing

// Shortcut codes (0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt, low byte the key)
// and the hot key control's values (HOTKEYF_* in the high byte).
WORD ShortcutFromHotKeyControl(WORD value);
WORD HotKeyControlFromShortcut(WORD code);

// Whether the system would register the shortcut now; the program asks the
// system, tests may answer (an empty function restores the system).
using HotKeyProbe = std::function<bool(WORD code)>;
HotKeyProbe SetHotKeyProbe(HotKeyProbe probe);

class TTypingPage : public TSettingsPage {
public:
  static constexpr size_t kHotKeys = 5;  // time stamp, slower, faster, 100 %, replay

  explicit TTypingPage(TForm2& form);

  const wchar_t* TabCaption() const override { return L"Prepis"; }
  void Load(const TSettings& s) override;
  void Default() override;
  void Collect(SettingsValues& v) override;

  // Handlers: a hot key control changed (row 0 .. kHotKeys - 1).
  void HotKeyChange(size_t row);

protected:
  void OnCreate() override;
  void OnCommand(int id, int code, HWND control) override;

private:
  void ShowHotKey(size_t row);
  // Why the row may not have the code; none when it may.
  std::optional<HotKeyRefusal> Refusal(size_t row, WORD code) const;

  std::array<WORD, kHotKeys> accepted_{};  // the last one accepted in each row
};

}  // namespace kestrel
