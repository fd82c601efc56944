// The settings dialog's page "Pedál" (foot pedal): what each pedal does,
// whether the play pedal plays while held or each press plays or pauses,
// and a live view in which each pedal lights while it is down, with the
// name of the pedal last heard of, so that a new user sees that the pedal
// is found and which of its pedals is which.
#pragma once

#include <windows.h>

#include "base/WinHandles.h"
#include "services/PedalSource.h"
#include "settings/SettingsPage.h"

namespace kestrel {

namespace pedal {
enum ControlId : int {
  idPedalGroup = 500,
  idPedalLeftLabel, idPedalLeftLight, idPedalLeft,
  idPedalMiddleLabel, idPedalMiddleLight, idPedalMiddle,
  idPedalRightLabel, idPedalRightLight, idPedalRight,
  idPedalFourthLabel, idPedalFourthLight, idPedalFourth,
  idPedalBothLabel, idPedalBothLight, idPedalBoth,
  idPlayGroup, idPedalHold, idPedalToggle, idPedalDevice,
};
}  // namespace pedal

class TPedalPage : public TSettingsPage, private services::IPedalObserver {
public:
  explicit TPedalPage(TForm2& form);
  ~TPedalPage() override;

  const wchar_t* TabCaption() const override { return L"Pedál"; }
  // Also starts following the host's pedals, until the dialog closes.
  void Load(const TSettings& s) override;
  void Default() override;
  void Collect(SettingsValues& v) override;
  void Closed() override;

protected:
  void OnCreate() override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void ShowSettings(const TSettings& s);
  void PedalsChanged(services::PedalSet pressed) override;
  void PedalDeviceChanged() override;
  void Follow(services::IPedalSource* source);

  services::IPedalSource* source_ = nullptr;
  unsigned lit_ = 0;  // bit r: the light of row r is on
  win::GdiObject litBrush_;
};

}  // namespace kestrel
