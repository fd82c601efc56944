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
    {idStampGroup, L"BUTTON", L"Časová značka", BS_GROUPBOX, 4, 34, 252, 92},
    {idStampBrackets, L"BUTTON", L"V hranatých zátvorkách [hh:mm:ss]", kBox, 12, 52, 236, 16},
    {idStampMillisLabel, L"STATIC", L"Milisekundy:", SS_LEFT, 12, 77, 88, 14},
    {idStampMillis, L"COMBOBOX", L"", kList, 102, 74, 146, 200},
    {idStampHotKeyLabel, L"STATIC", L"Klávesová skratka:", SS_LEFT, 12, 101, 88, 14},
    {idStampHotKey, HOTKEY_CLASSW, L"", WS_TABSTOP | WS_BORDER, 102, 98, 146, 18},
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
  for (const wchar_t* c : kMillisChoices)
    ::SendMessageW(Item(idStampMillis), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c));
  // Modifiers alone are no hot key: the control offers none but what it is given.
  ::SendMessageW(Item(idStampHotKey), HKM_SETRULES, HKCOMB_NONE, 0);
  Form().SetHint(Item(idResumeRewind), L"Playback resumed after a pause starts this much earlier (0 = off)");
  Form().SetHint(Item(idStampHotKey), L"Types the current position where the caret of the focused program is");
}

void TTypingPage::ShowHotKey(WORD code) {
  ::SendMessageW(Item(idStampHotKey), HKM_SETHOTKEY, HotKeyControlFromShortcut(code), 0);
}

void TTypingPage::Load(const TSettings& s) {
  ::SendMessageW(Item(idResumeRewind), CB_SETCURSEL, ClampResumeRewind(s.ResumeRewind) / kResumeRewindStep, 0);
  SetBox(idStampBrackets, s.StampBrackets);
  ::SendMessageW(Item(idStampMillis), CB_SETCURSEL, s.StampMillis <= smNever ? s.StampMillis : smAsReadout, 0);
  stampHotKey_ = static_cast<WORD>(s.StampHotKey);
  ShowHotKey(stampHotKey_);
}

void TTypingPage::Default() { Load(TSettings{}); }

void TTypingPage::Collect(SettingsValues& v) {
  const int rewind = ComboIndex(Item(idResumeRewind));
  const int millis = ComboIndex(Item(idStampMillis));
  v.values.ResumeRewind = rewind >= 0 ? rewind * kResumeRewindStep : TSettings{}.ResumeRewind;
  v.values.StampBrackets = Checked(idStampBrackets);
  v.values.StampMillis = static_cast<uint8_t>(millis >= 0 ? millis : smAsReadout);
  v.values.StampHotKey = stampHotKey_;
}

void TTypingPage::idStampHotKeyChange() {
  const WORD code = ShortcutFromHotKeyControl(
      static_cast<WORD>(::SendMessageW(Item(idStampHotKey), HKM_GETHOTKEY, 0, 0)));
  if (code == stampHotKey_) return;
  if (code != 0 && LOBYTE(code) == 0) return;  // modifiers held, the key still to come
  // The stored one is held by the main window, which the system counts as taken.
  const bool taken = code == 0 || code == static_cast<WORD>(Settings.StampHotKey) ||
                     (Probe() ? Probe()(code) : SystemTakes(Handle(), code));
  if (!taken) {
    WarnHotKeyRefused(code);
    ShowHotKey(stampHotKey_);
    return;
  }
  stampHotKey_ = code;
}

void TTypingPage::OnCommand(int id, int code, HWND control) {
  if (id == idStampHotKey && code == EN_CHANGE) {
    idStampHotKeyChange();
    return;
  }
  TSettingsPage::OnCommand(id, code, control);
}

}  // namespace kestrel
