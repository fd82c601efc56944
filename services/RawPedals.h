// TRawPedals: reads foot pedals through raw input and tells its observers
// which pedals are down. It claims the pedals' top-level collections for a
// hidden window of its own, so that the pedals work whichever program has
// the focus (the word processor), and hears pedals plugged in and out while
// it runs. A device is known by its vendor and product, read by its table
// or, when it is not in the table, through its buttons.
//
// Raw input goes to one window per collection in a process: make one
// component, on the thread that runs the message loop.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/Window.h"
#include "services/PedalSource.h"

namespace services {

// Stand-ins for GetRawInputData and GetRawInputDeviceInfoW, with their
// arguments and answers; an empty one is the system's own.
struct RawInputCalls {
  std::function<UINT(HRAWINPUT input, UINT command, void* data, UINT* size, UINT headerSize)> GetRawInputData;
  std::function<UINT(HANDLE device, UINT command, void* data, UINT* size)> GetRawInputDeviceInfo;
};
// Installs `calls` and returns the ones in use before.
RawInputCalls SetRawInputCalls(RawInputCalls calls);

class TRawPedals : public IPedalSource {
public:
  TRawPedals();
  ~TRawPedals() override;
  TRawPedals(const TRawPedals&) = delete;
  TRawPedals& operator=(const TRawPedals&) = delete;

  // Whether the system took the collections for this component.
  bool Registered() const { return registered_; }
  HWND ReceiverWindow() const { return receiver_.Handle(); }

  PedalSet Pressed() const override { return pressed_; }
  std::wstring DeviceName() const override;
  void Subscribe(IPedalObserver& observer) override;
  void Unsubscribe(IPedalObserver& observer) override;

private:
  // The hidden window that raw input is sent to.
  class TReceiver : public win::TWindow {
  public:
    explicit TReceiver(TRawPedals& component);

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    TRawPedals& component_;
  };

  struct Device {
    const KnownPedal* known = nullptr;
    std::vector<BYTE> preparsed;  // for a device read through its buttons
    std::wstring name;
    bool pedal = false;  // known, or with buttons; other devices are ignored
    PedalSet pressed = 0;
  };

  void Register();
  void Unregister();
  void Input(HRAWINPUT input);
  void DeviceChange(WPARAM change, HANDLE device);
  // The device's record, made on first sight; null when the system could
  // not say what it is (asked again next time).
  Device* Identify(HANDLE device);
  void UseDevice(HANDLE device);
  void Update();
  template <typename Call>
  void Notify(Call call);

  std::map<HANDLE, Device> devices_;
  HANDLE current_ = nullptr;  // the pedal last heard of
  PedalSet pressed_ = 0;      // of every pedal device together
  std::vector<IPedalObserver*> observers_;
  bool registered_ = false;
  TReceiver receiver_{*this};
};

}  // namespace services
