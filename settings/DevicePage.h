// The settings dialog's device page "Zariadenia": the player's audio output
// devices, the driver version and best format of the selected one, the
// device in use in bold, and the trial of a device on the player at once.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <functional>
#include <string>

#include "settings/SettingsPage.h"

namespace kestrel {

// Reads the capabilities of a wave output device; false when it cannot be
// asked. Tests answer it; the program asks the system.
using WaveOutCapsReader = std::function<bool(UINT device, WAVEOUTCAPSW& caps)>;
// Installs a reader (an empty one restores the system's); returns the old one.
WaveOutCapsReader SetWaveOutCapsReader(WaveOutCapsReader reader);

// The version's low word as "major.minor" (5.10), "not available" for 0.
std::wstring DriverVersionText(MMVERSION version);
// The best format of the standard capability flags, "not available" for none.
std::wstring QualityText(DWORD formats);

class TDevicePage : public TSettingsPage {
public:
  explicit TDevicePage(TForm2& form);

  const wchar_t* TabCaption() const override { return L"Zariadenia"; }
  void Load(const TSettings& s) override;
  void Default() override;
  void Collect(SettingsValues& v) override;

  int SelectedIndex() const;
  void SelectIndex(int index);
  // Undoes the trials of this showing: the player's device choice as the
  // settings say, and a recording moved by a trial back where it played.
  void RestorePlayer();
  // After a save the trials stand: the recording stays where it was moved.
  void KeepTrials() { deviceBeforeTrial_ = -2; }

  // Handlers.
  void idDevicesClick();
  void SpeedButton1Click();
  void idDeviceSelectClick();
  void idForceDeviceClick();
  void idDeviceVolumeClick();

protected:
  void OnCreate() override;
  void BoxClicked(int id) override;
  void OnCommand(int id, int code, HWND control) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void idDevicesDrawItem(const DRAWITEMSTRUCT& item);
  void TryDevice();

  std::wstring nameBase_;    // the stored name the selection is measured against
  bool chosen_ = false;      // the user picked a row in the list since
  int deviceBeforeTrial_ = -2;  // the device in use before this showing's first trial
};

}  // namespace kestrel
