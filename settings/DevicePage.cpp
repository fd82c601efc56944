#include "settings/DevicePage.h"

#include <algorithm>
#include <utility>

#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "player/AudioDevices.h"
#include "player/TPlayer.h"
#include "settings/SettingsDialog.h"

namespace kestrel {
namespace {

using namespace form2;

const win::DialogItem kItems[] = {
    {idDeviceGroup, L"BUTTON", L"Dostupné audio (out) zariadenia", BS_GROUPBOX, 4, 2, 252, 200},
    {idDevices, L"LISTBOX", L"",
     LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, 12, 18, 236,
     82, WS_EX_CLIENTEDGE},
    {SpeedButton1, L"BUTTON", L"&Preferované", BS_PUSHBUTTON | WS_TABSTOP, 12, 104, 114, 22},
    {idDeviceSelect, L"BUTTON", L"&Test - vybraté", BS_PUSHBUTTON | WS_TABSTOP, 134, 104, 114, 22},
    {idDriverVersionLabel, L"STATIC", L"Verzia ovládača:", SS_LEFT, 12, 134, 90, 14},
    {idDriverVersion, L"STATIC", L"?", SS_LEFT | SS_NOPREFIX, 104, 134, 144, 14},
    {idQualityLabel, L"STATIC", L"Úroveň kvality:", SS_LEFT, 12, 150, 90, 14},
    {idQuality, L"STATIC", L"?", SS_LEFT | SS_NOPREFIX, 104, 150, 144, 14},
    {idForceDevice, L"BUTTON", L"Použiť preferované zariadnia", BS_AUTOCHECKBOX | WS_TABSTOP, 12, 166, 236, 16},
    {idDeviceVolume, L"BUTTON", L"Použiť ovládač hlasitosti prefer. zariadenia", BS_AUTOCHECKBOX | WS_TABSTOP, 12,
     183, 236, 16},
};

constexpr int kRowHeight = 16;

std::wstring ErrorText(const std::exception& e) {
  if (auto* p = dynamic_cast<const PlayerError*>(&e)) return p->Text();
  return text::FromAnsi(e.what());
}
constexpr wchar_t kNotAvailable[] = L"not available";

WaveOutCapsReader& CapsReader() {
  static WaveOutCapsReader reader;
  return reader;
}

bool ReadCaps(UINT device, WAVEOUTCAPSW& caps) {
  if (CapsReader()) return CapsReader()(device, caps);
  return ::waveOutGetDevCapsW(device, &caps, sizeof caps) == MMSYSERR_NOERROR;
}

}  // namespace

WaveOutCapsReader SetWaveOutCapsReader(WaveOutCapsReader reader) { return std::exchange(CapsReader(), std::move(reader)); }

std::wstring DriverVersionText(MMVERSION version) {
  const unsigned low = version & 0xFFFF;
  if (low == 0) return kNotAvailable;
  return std::to_wstring(low >> 8) + L"." + std::to_wstring(low & 0xFF);
}

std::wstring QualityText(DWORD formats) {
  static constexpr struct {
    DWORD flag;
    const wchar_t* text;
  } kBest[] = {
      {WAVE_FORMAT_4S16, L"44.1 kHz, stereo, 16-bit"},  {WAVE_FORMAT_4M16, L"44.1 kHz, mono, 16-bit"},
      {WAVE_FORMAT_4S08, L"44.1 kHz, stereo, 8-bit"},   {WAVE_FORMAT_4M08, L"44.1 kHz, mono, 8-bit"},
      {WAVE_FORMAT_2S16, L"22.05 kHz, stereo, 16-bit"}, {WAVE_FORMAT_2M16, L"22.05 kHz, mono, 16-bit"},
      {WAVE_FORMAT_2S08, L"22.05 kHz, stereo, 8-bit"},  {WAVE_FORMAT_2M08, L"22.05 kHz, mono, 8-bit"},
      {WAVE_FORMAT_1S16, L"11.025 kHz, stereo, 16-bit"}, {WAVE_FORMAT_1M16, L"11.025 kHz, mono, 16-bit"},
      {WAVE_FORMAT_1S08, L"11.025 kHz, stereo, 8-bit"},  {WAVE_FORMAT_1M08, L"11.025 kHz, mono, 8-bit"},
  };
  for (const auto& b : kBest)
    if (formats & b.flag) return b.text;
  return kNotAvailable;
}

TDevicePage::TDevicePage(TForm2& form) : TSettingsPage(form, kItems) {}

void TDevicePage::OnCreate() {
  HWND list = Item(idDevices);
  for (const std::wstring& name : AudioDeviceNames)
    ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  ::SendMessageW(list, LB_SETITEMHEIGHT, 0, kRowHeight);
  SelectIndex(Form().Player().SelectedDevice);
  Form().SetHint(list, L"Device displayed in bold (if there is one) is currently used by player");
  Form().SetHint(Item(SpeedButton1), L"Select device which is currently saved in settings (user prefered)");
  Form().SetHint(Item(idDeviceSelect), L"Use selected device immediately");
  Form().SetHint(Item(idForceDevice),
                 L"Playback through prefered device (Checked) / Let Player decide which device to use (Unchecked)");
  Form().SetHint(Item(idDeviceVolume),
                 L"Use volume control of prefered device (Checked) / Use default WaveOut volume control (Unchecked)");
}

int TDevicePage::SelectedIndex() const { return static_cast<int>(::SendMessageW(Item(idDevices), LB_GETCURSEL, 0, 0)); }

void TDevicePage::SelectIndex(int index) { ::SendMessageW(Item(idDevices), LB_SETCURSEL, index, 0); }

void TDevicePage::Load(const TSettings& s) {
  nameBase_ = s.DeviceName;
  chosen_ = false;
  deviceBeforeTrial_ = -2;
  SelectIndex(DeviceIndexOf(s.DeviceName));
  idDevicesClick();
  SetBox(idForceDevice, s.ForceDevice);
  SetBox(idDeviceVolume, s.DeviceVolume);
}

void TDevicePage::Default() {
  // The first device is what an empty stored name stands for: a save after
  // Default stores no name rather than the first device's.
  nameBase_.clear();
  chosen_ = false;
  SelectIndex(0);
  idDevicesClick();
  SetBox(idForceDevice, false);
  SetBox(idDeviceVolume, true);
}

void TDevicePage::Collect(SettingsValues& v) {
  const int k = SelectedIndex();
  // A selection that is what the stored name already resolves to keeps the
  // stored name: an empty one, or one of a device now missing, unless the
  // user chose the row it stands on.
  const bool valid = k >= 0 && k < static_cast<int>(AudioDeviceNames.size());
  const bool missing = valid && !nameBase_.empty() && AudioDeviceNames[static_cast<size_t>(k)] != nameBase_;
  if (!valid || (k == DeviceIndexOf(nameBase_) && !(missing && chosen_)))
    v.values.DeviceName = nameBase_;
  else
    v.values.DeviceName = AudioDeviceNames[static_cast<size_t>(k)];
  v.values.ForceDevice = Checked(idForceDevice);
  v.values.DeviceVolume = Checked(idDeviceVolume);
}

void TDevicePage::idDevicesClick() {
  const int k = SelectedIndex();
  WAVEOUTCAPSW caps{};
  if (k < 0 || !ReadCaps(static_cast<UINT>(k), caps)) {
    SetText(idDriverVersion, kNotAvailable);
    SetText(idQuality, L"");
    return;
  }
  SetText(idDriverVersion, DriverVersionText(caps.vDriverVersion));
  SetText(idQuality, QualityText(caps.dwFormats));
}

void TDevicePage::SpeedButton1Click() {
  chosen_ = false;
  SelectIndex(DeviceIndexOf(Settings.DeviceName));
  idDevicesClick();
}

void TDevicePage::TryDevice() {
  TPlayer& player = Form().Player();
  ISettingsHost& host = Form().Host();
  const int k = SelectedIndex();
  if (deviceBeforeTrial_ == -2) deviceBeforeTrial_ = player.CurrentDevice();
  player.SelectedDevice = k;
  player.ApplyDevice();
  if (player.State() == PlayerState::Stopped && host.RecordingSelected() && AskPlayWithDevice()) host.ClickPlay();
  if (player.CurrentDevice() != k && !Checked(idForceDevice)) {
    const std::wstring path = host.SelectedRecordingPath();
    if (!path.empty() && FileExists(path) && AskForceDevice()) {
      SetBox(idForceDevice, true);
      TryDevice();
    }
  }
}

void TDevicePage::idDeviceSelectClick() {
  try {
    TryDevice();
  } catch (const std::exception& e) {
    const int inUse = Form().Player().CurrentDevice();
    if (inUse >= 0) SelectIndex(inUse);
    idDevicesClick();
    if (Settings.ErrPlaytime) ShowDeviceError(Form().Handle(), ErrorText(e));
  }
  ::InvalidateRect(Item(idDevices), nullptr, TRUE);
}

void TDevicePage::RestorePlayer() {
  TPlayer& player = Form().Player();
  const int before = std::exchange(deviceBeforeTrial_, -2);
  if (before >= 0 && !player.FileName().empty() && player.CurrentDevice() != before) {
    // Back onto the very device it played on, whatever the settings would
    // let the framework choose now.
    player.SelectedDevice = before;
    player.ForceDevice = true;
    try {
      player.ApplyDevice();
    } catch (const std::exception& e) {
      if (Settings.ErrPlaytime) ShowDeviceError(Form().Handle(), ErrorText(e));
    }
  }
  player.SelectedDevice = DeviceIndexOf(Settings.DeviceName);
  player.DeviceVolume = Settings.DeviceVolume;
  player.ForceDevice = Settings.ForceDevice;
}

void TDevicePage::idForceDeviceClick() { Form().Player().ForceDevice = Checked(idForceDevice); }

void TDevicePage::idDeviceVolumeClick() { Form().Player().DeviceVolume = Checked(idDeviceVolume); }

void TDevicePage::BoxClicked(int id) {
  if (id == idForceDevice) idForceDeviceClick();
  if (id == idDeviceVolume) idDeviceVolumeClick();
}

void TDevicePage::OnCommand(int id, int code, HWND control) {
  switch (id) {
    case idDevices:
      if (code == LBN_SELCHANGE) {
        chosen_ = true;
        idDevicesClick();
      }
      return;
    case SpeedButton1:
      if (code == BN_CLICKED) SpeedButton1Click();
      Form().FocusNull();
      return;
    case idDeviceSelect:
      if (code == BN_CLICKED) idDeviceSelectClick();
      Form().FocusNull();
      return;
  }
  TSettingsPage::OnCommand(id, code, control);
}

void TDevicePage::idDevicesDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.itemID == static_cast<UINT>(-1)) return;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  HDC dc = item.hDC;
  ::FillRect(dc, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  ::SetBkMode(dc, TRANSPARENT);
  ::SetTextColor(dc, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  const bool inUse = static_cast<int>(item.itemID) == Form().Player().CurrentDevice();
  HGDIOBJ old = ::SelectObject(dc, inUse ? Form().BoldFont() : Font());
  const int n = static_cast<int>(::SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0));
  std::wstring name(static_cast<size_t>(std::max(n, 0)) + 1, L'\0');
  ::SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(name.data()));
  name.resize(static_cast<size_t>(std::max(n, 0)));
  RECT r = item.rcItem;
  r.left += 2;
  ::DrawTextW(dc, name.c_str(), static_cast<int>(name.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  ::SelectObject(dc, old);
  if (item.itemState & ODS_FOCUS) ::DrawFocusRect(dc, &item.rcItem);
}

LRESULT TDevicePage::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_MEASUREITEM:
      reinterpret_cast<MEASUREITEMSTRUCT*>(lp)->itemHeight = kRowHeight;
      return TRUE;
    case WM_DRAWITEM:
      if (wp == static_cast<WPARAM>(idDevices)) {
        idDevicesDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
        return TRUE;
      }
      break;
  }
  return TSettingsPage::HandleMessage(msg, wp, lp);
}

}  // namespace kestrel
