#include "services/RawPedals.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace services {
namespace {

constexpr wchar_t kReceiverClass[] = L"TRawPedalsReceiver";
constexpr UINT kFailed = static_cast<UINT>(-1);

RawInputCalls& Calls() {
  static RawInputCalls calls;
  return calls;
}

UINT ReadInput(HRAWINPUT input, void* data, UINT* size) {
  const auto& f = Calls().GetRawInputData;
  return f ? f(input, RID_INPUT, data, size, sizeof(RAWINPUTHEADER))
           : ::GetRawInputData(input, RID_INPUT, data, size, sizeof(RAWINPUTHEADER));
}

UINT ReadDeviceInfo(HANDLE device, UINT command, void* data, UINT* size) {
  const auto& f = Calls().GetRawInputDeviceInfo;
  return f ? f(device, command, data, size) : ::GetRawInputDeviceInfoW(device, command, data, size);
}

bool RegisterReceiverClass() {
  WNDCLASSEXW wc{};
  wc.lpszClassName = kReceiverClass;
  return win::TWindow::RegisterWindowClass(wc);
}

bool OurCollection(const RAWINPUTDEVICE& r) {
  const auto c = PedalCollections();
  return std::any_of(c.begin(), c.end(),
                     [&](const PedalCollection& p) { return p.usagePage == r.usUsagePage && p.usage == r.usUsage; });
}

}  // namespace

RawInputCalls SetRawInputCalls(RawInputCalls calls) { return std::exchange(Calls(), std::move(calls)); }

TRawPedals::TReceiver::TReceiver(TRawPedals& component) : component_(component) {
  // A top-level window that is never shown: it only receives raw input.
  if (RegisterReceiverClass()) CreateBound(WS_EX_TOOLWINDOW, kReceiverClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr);
}

LRESULT TRawPedals::TReceiver::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INPUT:
      component_.Input(reinterpret_cast<HRAWINPUT>(lp));
      break;  // the default procedure frees the input
    case WM_INPUT_DEVICE_CHANGE:
      component_.DeviceChange(wp, reinterpret_cast<HANDLE>(lp));
      return 0;
  }
  return TWindow::HandleMessage(msg, wp, lp);
}

TRawPedals::TRawPedals() { Register(); }

TRawPedals::~TRawPedals() { Unregister(); }

void TRawPedals::Register() {
  if (!ReceiverWindow()) return;
  std::vector<RAWINPUTDEVICE> list;
  for (const PedalCollection& c : PedalCollections())
    list.push_back({c.usagePage, c.usage, RIDEV_INPUTSINK | RIDEV_DEVNOTIFY, ReceiverWindow()});
  registered_ = ::RegisterRawInputDevices(list.data(), static_cast<UINT>(list.size()), sizeof(RAWINPUTDEVICE)) != 0;
}

void TRawPedals::Unregister() {
  if (!registered_) return;
  registered_ = false;
  // Only what is still ours: a later claim in this process took the rest.
  UINT count = 0;
  if (::GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE)) == kFailed || count == 0) return;
  std::vector<RAWINPUTDEVICE> all(count);
  const UINT got = ::GetRegisteredRawInputDevices(all.data(), &count, sizeof(RAWINPUTDEVICE));
  if (got == kFailed) return;
  std::vector<RAWINPUTDEVICE> remove;
  for (UINT i = 0; i < got; ++i)
    if (all[i].hwndTarget == ReceiverWindow() && OurCollection(all[i]))
      remove.push_back({all[i].usUsagePage, all[i].usUsage, RIDEV_REMOVE, nullptr});
  if (!remove.empty())
    ::RegisterRawInputDevices(remove.data(), static_cast<UINT>(remove.size()), sizeof(RAWINPUTDEVICE));
}

TRawPedals::Device* TRawPedals::Identify(HANDLE device) {
  if (auto it = devices_.find(device); it != devices_.end()) return &it->second;
  RID_DEVICE_INFO info{};
  info.cbSize = sizeof info;
  UINT size = sizeof info;
  const UINT got = ReadDeviceInfo(device, RIDI_DEVICEINFO, &info, &size);
  if (got == 0 || got == kFailed) return nullptr;
  Device d;
  if (info.dwType == RIM_TYPEHID) {
    const auto vendor = static_cast<USHORT>(info.hid.dwVendorId);
    const auto product = static_cast<USHORT>(info.hid.dwProductId);
    d.known = FindKnownPedal(vendor, product);
    if (d.known) {
      d.name = d.known->name;
      d.pedal = true;
    } else {
      UINT length = 0;
      if (ReadDeviceInfo(device, RIDI_PREPARSEDDATA, nullptr, &length) != 0 || length == 0) return nullptr;
      d.preparsed.resize(length);
      if (ReadDeviceInfo(device, RIDI_PREPARSEDDATA, d.preparsed.data(), &length) != d.preparsed.size())
        return nullptr;
      d.pedal = HasButtons(d.preparsed);
      wchar_t name[32];
      std::swprintf(name, 32, L"HID %04X:%04X", vendor, product);
      d.name = name;
    }
  }
  return &devices_.emplace(device, std::move(d)).first->second;
}

void TRawPedals::Input(HRAWINPUT input) {
  UINT size = 0;
  if (ReadInput(input, nullptr, &size) != 0 || size < sizeof(RAWINPUTHEADER)) return;
  // RAWINPUT holds pointer-sized fields: keep the buffer aligned for them.
  std::vector<ULONGLONG> buffer((size + sizeof(ULONGLONG) - 1) / sizeof(ULONGLONG));
  if (ReadInput(input, buffer.data(), &size) != size) return;
  const auto* raw = reinterpret_cast<const RAWINPUT*>(buffer.data());
  const auto* start = reinterpret_cast<const BYTE*>(raw);
  const auto* reports = raw->data.hid.bRawData;
  const auto offset = static_cast<size_t>(reports - start);
  if (raw->header.dwType != RIM_TYPEHID || size < offset) return;
  // The sizes come from the sender: the reports must lie inside what came.
  const DWORD each = raw->data.hid.dwSizeHid, count = raw->data.hid.dwCount;
  if (each == 0 || static_cast<ULONGLONG>(each) * count > size - offset) return;

  const HANDLE handle = raw->header.hDevice;
  Device* d = Identify(handle);
  if (!d || !d->pedal) return;
  // A press and its release may come in one message: each report counts.
  for (DWORD i = 0; i < count; ++i) {
    const std::span<const BYTE> report(reports + static_cast<size_t>(i) * each, each);
    const auto state = d->known ? DecodeKnownReport(*d->known, report) : DecodeButtonReport(d->preparsed, report);
    if (!state) continue;
    UseDevice(handle);
    d->pressed = *state;
    Update();
  }
}

void TRawPedals::DeviceChange(WPARAM change, HANDLE device) {
  if (change == GIDC_ARRIVAL) {
    if (Device* d = Identify(device); d && d->pedal) UseDevice(device);
    return;
  }
  if (change != GIDC_REMOVAL) return;
  const auto it = devices_.find(device);
  if (it == devices_.end()) return;
  const bool pedal = it->second.pedal;
  devices_.erase(it);
  if (!pedal) return;
  if (current_ == device) {
    current_ = nullptr;
    for (const auto& [h, d] : devices_)
      if (d.pedal) current_ = h;
    Notify([](IPedalObserver& o) { o.PedalDeviceChanged(); });
  }
  // Pedals held on a device pulled out are let go.
  Update();
}

void TRawPedals::UseDevice(HANDLE device) {
  if (current_ == device) return;
  current_ = device;
  Notify([](IPedalObserver& o) { o.PedalDeviceChanged(); });
}

void TRawPedals::Update() {
  PedalSet all = 0;
  for (const auto& [h, d] : devices_) all |= d.pressed;
  if (all == pressed_) return;
  pressed_ = all;
  Notify([all](IPedalObserver& o) { o.PedalsChanged(all); });
}

template <typename Call>
void TRawPedals::Notify(Call call) {
  // An observer may unsubscribe itself or another one on the way.
  const std::vector<IPedalObserver*> observers = observers_;
  for (IPedalObserver* o : observers)
    if (std::find(observers_.begin(), observers_.end(), o) != observers_.end()) call(*o);
}

std::wstring TRawPedals::DeviceName() const {
  const auto it = devices_.find(current_);
  return it == devices_.end() ? std::wstring() : it->second.name;
}

void TRawPedals::Subscribe(IPedalObserver& observer) {
  if (std::find(observers_.begin(), observers_.end(), &observer) == observers_.end()) observers_.push_back(&observer);
}

void TRawPedals::Unsubscribe(IPedalObserver& observer) { std::erase(observers_, &observer); }

}  // namespace services
