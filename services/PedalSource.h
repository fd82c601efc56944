// Where pedal presses come from, for whoever wants to follow them: the
// transport's pedal control and the settings page's live view.
#pragma once

#include <string>

#include "services/PedalReports.h"

namespace services {

class IPedalObserver {
public:
  virtual ~IPedalObserver() = default;
  // The pedals that are down now changed.
  virtual void PedalsChanged(PedalSet pressed) = 0;
  // A pedal was plugged in or out, or another one spoke; the source's
  // DeviceName tells which one is in use now.
  virtual void PedalDeviceChanged() {}
};

class IPedalSource {
public:
  virtual ~IPedalSource() = default;
  virtual PedalSet Pressed() const = 0;
  // The pedal last heard of, as the user knows it; empty before any.
  virtual std::wstring DeviceName() const = 0;
  // An observer stays until it is unsubscribed, which it must be before it
  // goes; subscribing twice is subscribing once.
  virtual void Subscribe(IPedalObserver& observer) = 0;
  virtual void Unsubscribe(IPedalObserver& observer) = 0;
};

}  // namespace services
