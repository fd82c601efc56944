#include "settings/TypingPage.h"

#include <commctrl.h>

#include "settings/SettingsDialog.h"
#include "settings/TypingSettings.h"

namespace kestrel {
namespace {

using namespace typing;

constexpr DWORD kBox = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr int kProbeId = 0x7FFE;

const win::DialogItem kTypingItems[] = {
    {idRewindLabel, L"STATIC", L"Po pauze pokračovať o", SS_LEFT, 12, 9, 118, 14},
    {idResumeRewind, L"COMBOBOX", L"", kList, 132, 6, 50, 200},
    {idRewindUnit, L"STATIC", L"s skôr", SS_LEFT, 186, 9, 66, 14},
    {idSpeedLabel, L"STATIC", L"Rýchlosť prehrávania:", SS_LEFT, 12, 30, 118, 14},
    {idSpeed, L"COMBOBOX", L"", kList, 132, 27, 60, 200},
    {idStampGroup, L"BUTTON", L"Časová značka", BS_GROUPBOX, 4, 46, 252, 52},
    {idStampBrackets, L"BUTTON", L"V hranatých zátvorkách [hh:mm:ss]", kBox, 12, 58, 236, 16},
    {idStampMillisLabel, L"STATIC", L"Milisekundy:", SS_LEFT, 12, 78, 88, 14},
    {idStampMillis, L"COMBOBOX", L"", kList, 102, 75, 146, 200},
    {idKeysGroup, L"BUTTON", L"Klávesové skratky", BS_GROUPBOX, 4, 100, 252, 106},
    {idStampHotKeyLabel, L"STATIC", L"Časová značka:", SS_LEFT, 12, 116, 88, 14},
    {idStampHotKey, HOTKEY_CLASSW, L"", WS_TABSTOP | WS_BORDER, 102, 114, 146, 16},
    {idSlowerHotKeyLabel, L"STATIC", L"Pomalšie:", SS_LEFT, 12, 134, 88, 14},
    {idSlowerHotKey, HOTKEY_CLASSW, L"", WS_TABSTOP | WS_BORDER, 102, 132, 146, 16},
    {idFasterHotKeyLabel, L"STATIC", L"Rýchlejšie:", SS_LEFT, 12, 152, 88, 14},
    {idFasterHotKey, HOTKEY_CLASSW, L"", WS_TABSTOP | WS_BORDER, 102, 150, 146, 16},
    {idSpeedResetHotKeyLabel, L"STATIC", L"Rýchlosť 100 %:", SS_LEFT, 12, 170, 88, 14},
    {idSpeedResetHotKey, HOTKEY_CLASSW, L"", WS_TABSTOP | WS_BORDER, 102, 168, 146, 16},
    {idReplayHotKeyLabel, L"STATIC", L"Opakovať úsek:", SS_LEFT, 12, 188, 88, 14},
    {idReplayHotKey, HOTKEY_CLASSW, L"", WS_TABSTOP | WS_BORDER, 102, 186, 102, 16},
    {idReplaySeconds, L"COMBOBOX", L"", kList, 208, 185, 40, 200},
};

// The hot key rows: their controls and settings.
struct HotKeyRow {
  int id;
  int TSettings::*field;
};
constexpr HotKeyRow kRows[TTypingPage::kHotKeys] = {
    {idStampHotKey, &TSettings::StampHotKey},
    {idSlowerHotKey, &TSettings::SlowerHotKey},
    {idFasterHotKey, &TSettings::FasterHotKey},
    {idSpeedResetHotKey, &TSettings::SpeedResetHotKey},
    {idReplayHotKey, &TSettings::ReplayHotKey},
};

constexpr const wchar_t* kMillisChoices[] = {L"podľa zobrazenia", L"vždy", L"nikdy"};

HotKeyProbe& Probe() {
  static HotKeyProbe probe;
  return probe;
}

bool SystemTakes(HWND window, WORD code) {
  UINT mods = 0;
  if (code & 0x2000) mods |= MOD_SHIFT;
  if (code & 0x4000) mods |= MOD_CONTROL;
  if (code & 0x8000) mods |= MOD_ALT;
  if (!::RegisterHotKey(window, kProbeId, mods, LOBYTE(code))) return false;
  ::UnregisterHotKey(window, kProbeId);
  return true;
}

bool ExtendedKey(BYTE vk) {
  switch (vk) {
    case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END: case VK_PRIOR: case VK_NEXT:
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_DIVIDE: case VK_NUMLOCK:
      return true;
  }
  return false;
}

int ComboIndex(HWND combo) { return static_cast<int>(::SendMessageW(combo, CB_GETCURSEL, 0, 0)); }

}  // namespace

WORD ShortcutFromHotKeyControl(WORD value) {
  const BYTE mods = HIBYTE(value);
  WORD code = LOBYTE(value);
  if (mods & HOTKEYF_SHIFT) code |= 0x2000;
  if (mods & HOTKEYF_CONTROL) code |= 0x4000;
  if (mods & HOTKEYF_ALT) code |= 0x8000;
  return code;
}

WORD HotKeyControlFromShortcut(WORD code) {
  BYTE mods = 0;
  if (code & 0x2000) mods |= HOTKEYF_SHIFT;
  if (code & 0x4000) mods |= HOTKEYF_CONTROL;
  if (code & 0x8000) mods |= HOTKEYF_ALT;
  // The control names Insert "Num 0" and the like without the flag.
  if (ExtendedKey(LOBYTE(code))) mods |= HOTKEYF_EXT;
  return MAKEWORD(LOBYTE(code), mods);
}

HotKeyProbe SetHotKeyProbe(HotKeyProbe probe) { return std::exchange(Probe(), std::move(probe)); }

TTypingPage::TTypingPage(TForm2& form) : TSettingsPage(form, kTypingItems) {}

void TTypingPage::OnCreate() {
  HWND rewind = Item(idResumeRewind);
  for (int ms = 0; ms <= kMaxResumeRewind; ms += kResumeRewindStep) {
    std::wstring t = std::to_wstring(ms / 1000) + L"," + std::to_wstring(ms % 1000 / 100);
    ::SendMessageW(rewind, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
  }
  for (int percent = kMinSpeed; percent <= kMaxSpeed; percent += kSpeedStep) {
    std::wstring t = std::to_wstring(percent) + L" %";
    ::SendMessageW(Item(idSpeed), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
  }
  for (const wchar_t* c : kMillisChoices)
    ::SendMessageW(Item(idStampMillis), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c));
  Form().SetHint(Item(idResumeRewind), L"Playback resumed after a pause starts this much earlier (0 = off)");
  Form().SetHint(Item(idSpeed), L"Playback speed at start; the speed hot keys change it while playing");
  for (int seconds = kMinReplaySeconds; seconds <= kMaxReplaySeconds; ++seconds) {
    std::wstring t = std::to_wstring(seconds) + L" s";
    ::SendMessageW(Item(idReplaySeconds), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(t.c_str()));
  }
  Form().SetHint(Item(idReplaySeconds), L"How many of the last seconds the replay key plays again and again");
  Form().SetHint(Item(idStampHotKey), L"Types the current position where the caret of the focused program is");
}

void TTypingPage::ShowHotKey(size_t row) {
  ::SendMessageW(Item(kRows[row].id), HKM_SETHOTKEY, HotKeyControlFromShortcut(accepted_[row]), 0);
}

void TTypingPage::Load(const TSettings& s) {
  ::SendMessageW(Item(idResumeRewind), CB_SETCURSEL, ClampResumeRewind(s.ResumeRewind) / kResumeRewindStep, 0);
  const int speed = IsValidSpeed(s.Speed) ? s.Speed : kDefaultSpeed;
  ::SendMessageW(Item(idSpeed), CB_SETCURSEL, (speed - kMinSpeed) / kSpeedStep, 0);
  SetBox(idStampBrackets, s.StampBrackets);
  ::SendMessageW(Item(idReplaySeconds), CB_SETCURSEL, ClampReplaySeconds(s.ReplaySeconds) - kMinReplaySeconds, 0);
  ::SendMessageW(Item(idStampMillis), CB_SETCURSEL, s.StampMillis <= smNever ? s.StampMillis : smAsReadout, 0);
  for (size_t row = 0; row < kHotKeys; ++row) {
    accepted_[row] = static_cast<WORD>(s.*kRows[row].field);
    ShowHotKey(row);
  }
}

void TTypingPage::Default() { Load(TSettings{}); }

void TTypingPage::Collect(SettingsValues& v) {
  const TSettings d;
  const int rewind = ComboIndex(Item(idResumeRewind));
  const int speed = ComboIndex(Item(idSpeed));
  const int millis = ComboIndex(Item(idStampMillis));
  const int replay = ComboIndex(Item(idReplaySeconds));
  v.values.ResumeRewind = rewind >= 0 ? rewind * kResumeRewindStep : d.ResumeRewind;
  v.values.Speed = speed >= 0 ? kMinSpeed + speed * kSpeedStep : d.Speed;
  v.values.StampBrackets = Checked(idStampBrackets);
  v.values.StampMillis = static_cast<uint8_t>(millis >= 0 ? millis : smAsReadout);
  v.values.ReplaySeconds = static_cast<uint8_t>(replay >= 0 ? kMinReplaySeconds + replay : d.ReplaySeconds);
  for (size_t row = 0; row < kHotKeys; ++row) v.values.*kRows[row].field = accepted_[row];
}

void TTypingPage::HotKeyChange(size_t row) {
  const WORD code =
      ShortcutFromHotKeyControl(static_cast<WORD>(::SendMessageW(Item(kRows[row].id), HKM_GETHOTKEY, 0, 0)));
  if (code == accepted_[row]) return;
  if (code != 0 && LOBYTE(code) == 0) return;  // modifiers held, the key still to come
  if (const auto why = Refusal(row, code)) {
    WarnHotKeyRefused(code, *why);
    ShowHotKey(row);
    return;
  }
  accepted_[row] = code;
}

std::optional<HotKeyRefusal> TTypingPage::Refusal(size_t row, WORD code) const {
  if (code == 0) return std::nullopt;  // no hot key at all
  if (!IsAllowedHotKey(code)) return HotKeyRefusal::NoModifier;
  if (IsFixedHotKey(code)) return HotKeyRefusal::Fixed;
  bool ours = false;
  for (size_t r = 0; r < kHotKeys; ++r) {
    if (r != row && accepted_[r] == code) return HotKeyRefusal::OnPage;
    // Held by the main window now, which the system counts as taken.
    if (code == static_cast<WORD>(Settings.*kRows[r].field)) ours = true;
  }
  if (ours || (Probe() ? Probe()(code) : SystemTakes(Handle(), code))) return std::nullopt;
  return HotKeyRefusal::Taken;
}

void TTypingPage::OnCommand(int id, int code, HWND control) {
  for (size_t row = 0; row < kHotKeys; ++row)
    if (id == kRows[row].id && code == EN_CHANGE) {
      HotKeyChange(row);
      return;
    }
  TSettingsPage::OnCommand(id, code, control);
}

}  // namespace kestrel
