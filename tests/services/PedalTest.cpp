// Foot pedals: the report decoders over canned reports (generic devices
// through Wine's own descriptor parser and hid.dll), the pedal control
// against a transport that logs its calls, and the raw input component
// against Wine's registration, fed through the raw input seam.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "Seams.h"
#include "services/PedalControl.h"
#include "services/RawPedals.h"

using namespace services;

namespace {

constexpr PedalSet L = PedalBit(0), M = PedalBit(1), R = PedalBit(2);

// Preparsed data of a device with this descriptor, made by the parser of
// Wine's HID stack, as raw input would hand it out.
std::vector<BYTE> PreparsedFrom(const std::vector<BYTE>& descriptor) {
  struct CollectionDesc {
    USHORT usagePage, usage;
    UCHAR number, reserved[15];
    USHORT inputLength, outputLength, featureLength, preparsedLength;
    BYTE* preparsed;
  };
  struct DeviceDesc {
    CollectionDesc* collections;
    ULONG collectionCount;
    void* reportIds;
    ULONG reportIdCount;
    ULONG debug[8];
  };
  using Describe = LONG(NTAPI*)(const BYTE*, ULONG, int, DeviceDesc*);
  using Free = void(NTAPI*)(DeviceDesc*);
  static HMODULE parser = ::LoadLibraryW(L"C:\\windows\\system32\\drivers\\hidparse.sys");
  if (!parser) return {};
  auto describe = reinterpret_cast<Describe>(reinterpret_cast<void (*)()>(::GetProcAddress(parser, "HidP_GetCollectionDescription")));
  auto free = reinterpret_cast<Free>(reinterpret_cast<void (*)()>(::GetProcAddress(parser, "HidP_FreeCollectionDescription")));
  DeviceDesc d{};
  if (describe(descriptor.data(), static_cast<ULONG>(descriptor.size()), 1, &d) < 0 || d.collectionCount == 0)
    return {};
  std::vector<BYTE> copy(d.collections[0].preparsed, d.collections[0].preparsed + d.collections[0].preparsedLength);
  free(&d);
  return copy;
}

// A game pad: report 2 holds buttons 1 to 4, report 3 only an axis.
const std::vector<BYTE> kButtonsDescriptor = {
    0x05, 0x01, 0x09, 0x05, 0xA1, 0x01, 0x85, 0x02, 0x05, 0x09, 0x19, 0x01, 0x29, 0x04, 0x15, 0x00, 0x25,
    0x01, 0x75, 0x01, 0x95, 0x04, 0x81, 0x02, 0x75, 0x04, 0x95, 0x01, 0x81, 0x03, 0x85, 0x03, 0x05, 0x01,
    0x09, 0x30, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0};
// A joystick with an axis and no buttons.
const std::vector<BYTE> kAxisDescriptor = {0x05, 0x01, 0x09, 0x04, 0xA1, 0x01, 0x09, 0x30, 0x15, 0x00,
                                           0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0};

}  // namespace

TEST(PedalReports, KnownModelsAndButtonDevicesGiveThePedalsThatAreDown) {
  const KnownPedal* vec = FindKnownPedal(0x05F3, 0x00FF);
  const KnownPedal* acc2310 = FindKnownPedal(0x0911, 0x1844);
  const KnownPedal* acc2330 = FindKnownPedal(0x0911, 0x091A);
  ASSERT_TRUE(vec && acc2310 && acc2330);
  EXPECT_FALSE(FindKnownPedal(0x0911, 0x1845));
  EXPECT_EQ(DecodeKnownReport(*vec, std::vector<BYTE>{0x00, 0x05, 0x00}), L | R);
  EXPECT_EQ(DecodeKnownReport(*vec, std::vector<BYTE>{0x00, 0xF8, 0xFF}), 0);  // no pedal of its own
  EXPECT_EQ(DecodeKnownReport(*acc2310, std::vector<BYTE>{0x00, 0x0F}), L | M | R);
  EXPECT_EQ(DecodeKnownReport(*acc2330, std::vector<BYTE>{0x00, 0x0F}), L | M | R | PedalBit(3));
  EXPECT_FALSE(DecodeKnownReport(*vec, std::vector<BYTE>{0x00}));

  const std::vector<BYTE> pad = PreparsedFrom(kButtonsDescriptor), axis = PreparsedFrom(kAxisDescriptor);
  ASSERT_FALSE(pad.empty() || axis.empty()) << "Wine's descriptor parser did not load";
  EXPECT_TRUE(HasButtons(pad));
  EXPECT_FALSE(HasButtons(axis));
  EXPECT_EQ(DecodeButtonReport(pad, std::vector<BYTE>{0x02, 0x09}), L | PedalBit(3));
  EXPECT_EQ(DecodeButtonReport(pad, std::vector<BYTE>{0x02, 0x00}), 0);
  EXPECT_FALSE(DecodeButtonReport(pad, std::vector<BYTE>{0x03, 0x7F}));  // the axis report
}

namespace {

class Transport : public IPedalTransport {
public:
  bool Playing() override { return playing; }
  void Play() override { Log(!playing, "play "), playing = true; }
  void Pause() override { Log(playing, "pause "), playing = false; }
  void StepBack() override { log += "back "; }
  void StepForward() override { log += "fwd "; }
  void TimeStamp() override { log += "stamp "; }
  void Replay() override { log += "replay "; }
  std::string Take() { return std::exchange(log, ""); }

  bool playing = false;

private:
  void Log(bool allowed, const char* call) {
    EXPECT_TRUE(allowed) << call << "in the wrong state";
    log += call;
  }
  std::string log;
};

class Pedals : public ::testing::Test {
protected:
  // Each step: the pedals now down, then the calls that must follow.
  void Expect(PedalSet now, const std::string& calls) {
    control.PedalsChanged(now);
    EXPECT_EQ(transport.Take(), calls) << "pedals " << int(now);
  }
  void ExpectTick(const std::string& calls) {
    EXPECT_TRUE(control.Stepping());
    control.Tick();
    EXPECT_EQ(transport.Take(), calls);
  }

  Transport transport;
  TPedalControl control{transport};
};

}  // namespace

TEST_F(Pedals, ThePlayPedalPlaysWhileHeldOrTogglesAndAStepWhileHeldWaitsForIt) {
  Expect(M, "play ");
  Expect(0, "pause ");
  Expect(M, "play ");
  // Rewind while the play pedal is held: playback waits while it steps.
  Expect(M | L, "");
  ExpectTick("pause back ");
  ExpectTick("back ");
  Expect(L, "");  // the play pedal let go meanwhile: no playing afterwards
  Expect(0, "");
  EXPECT_FALSE(control.Stepping());

  control.SetMapping({.hold = false});
  Expect(M, "play ");
  Expect(0, "");
  Expect(M, "pause ");
  Expect(0, "");
}

TEST_F(Pedals, ATapStepsOnceWhilePlayingAndAHoldResumesWhereItStopped) {
  transport.playing = true;
  Expect(L, "");
  Expect(0, "back ");
  Expect(R, "");
  ExpectTick("pause fwd ");
  ExpectTick("fwd ");
  Expect(0, "play ");
}

TEST_F(Pedals, BothSidePedalsTogetherAreTheirOwnActionWithoutAStep) {
  control.SetMapping({.both = PedalAction::Stamp});
  transport.playing = true;
  Expect(L, "");
  Expect(L | R, "stamp ");
  EXPECT_FALSE(control.Stepping());
  Expect(R, "");
  Expect(0, "");
  Expect(L | R, "stamp ");
  Expect(0, "");
  // Held long enough to step first: playback resumes after the chord.
  Expect(L, "");
  ExpectTick("pause back ");
  Expect(L | R, "stamp ");
  Expect(L, "play ");
  Expect(0, "");
}

namespace {

// Raw input as the system would hand it over: inputs and devices by handle.
class RawInput {
public:
  RawInput() {
    seam_.emplace(RawInputCalls{
        [this](HRAWINPUT h, UINT, void* data, UINT* size, UINT) { return Answer(inputs[h], data, size); },
        [this](HANDLE device, UINT command, void* data, UINT* size) {
          if (!devices.count(device)) return static_cast<UINT>(-1);
          if (command == RIDI_PREPARSEDDATA) return Answer(devices[device].preparsed, data, size);
          std::vector<BYTE> info(sizeof(RID_DEVICE_INFO));
          std::memcpy(info.data(), &devices[device].info, info.size());
          return Answer(info, data, size);
        }});
  }
  void AddHid(HANDLE device, USHORT vendor, USHORT product, std::vector<BYTE> preparsed = {}) {
    Device& d = devices[device];
    d.info.cbSize = sizeof d.info;
    d.info.dwType = RIM_TYPEHID;
    d.info.hid.dwVendorId = vendor;
    d.info.hid.dwProductId = product;
    d.preparsed = std::move(preparsed);
  }
  // An input of `count` reports of `reportSize` bytes each, `bytes` all of them.
  HRAWINPUT Input(HANDLE device, DWORD reportSize, DWORD count, const std::vector<BYTE>& bytes) {
    const size_t offset = offsetof(RAWINPUT, data.hid.bRawData);
    std::vector<BYTE> b(offset + bytes.size());
    RAWINPUT r{};
    r.header.dwType = RIM_TYPEHID;
    r.header.dwSize = static_cast<DWORD>(b.size());
    r.header.hDevice = device;
    r.data.hid.dwSizeHid = reportSize;
    r.data.hid.dwCount = count;
    std::memcpy(b.data(), &r, offset);
    std::memcpy(b.data() + offset, bytes.data(), bytes.size());
    const auto h = reinterpret_cast<HRAWINPUT>(static_cast<INT_PTR>(0x1000 + inputs.size()));
    inputs[h] = std::move(b);
    return h;
  }

private:
  struct Device {
    RID_DEVICE_INFO info{};
    std::vector<BYTE> preparsed;
  };
  static UINT Answer(const std::vector<BYTE>& bytes, void* data, UINT* size) {
    const auto n = static_cast<UINT>(bytes.size());
    if (!data) return *size = n, 0;
    if (*size < n) return *size = n, static_cast<UINT>(-1);
    std::memcpy(data, bytes.data(), n);
    return n;
  }

  std::map<HRAWINPUT, std::vector<BYTE>> inputs;
  std::map<HANDLE, Device> devices;
  std::optional<testing_support::ScopedSeam<&SetRawInputCalls, RawInputCalls>> seam_;
};

class Watcher : public IPedalObserver {
public:
  void PedalsChanged(PedalSet pressed) override { seen.push_back(pressed); }
  std::vector<PedalSet> seen;
};

bool HasCollection(const PedalCollection& c, HWND target) {
  RAWINPUTDEVICE list[32];
  UINT count = 32;
  const UINT n = ::GetRegisteredRawInputDevices(list, &count, sizeof list[0]);
  for (UINT i = 0; i < n && i < 32; ++i)
    if (list[i].usUsagePage == c.usagePage && list[i].usUsage == c.usage)
      return list[i].hwndTarget == target && (list[i].dwFlags & RIDEV_INPUTSINK) && (list[i].dwFlags & RIDEV_DEVNOTIFY);
  return false;
}

}  // namespace

TEST(RawPedals, ClaimsThePedalCollectionsInTheBackgroundAndGivesThemBack) {
  HWND window = nullptr;
  {
    TRawPedals pedals;
    ASSERT_TRUE(pedals.Registered());
    window = pedals.ReceiverWindow();
    for (const PedalCollection& c : PedalCollections()) EXPECT_TRUE(HasCollection(c, window)) << c.usage;
  }
  UINT count = 0;
  ::GetRegisteredRawInputDevices(nullptr, &count, sizeof(RAWINPUTDEVICE));
  EXPECT_EQ(count, 0u);
}

TEST(RawPedals, ReportsOfEveryPedalReachTheObserversUntilTheDeviceIsPulledOut) {
  RawInput raw;
  const HANDLE vec = reinterpret_cast<HANDLE>(0x11), pad = reinterpret_cast<HANDLE>(0x12);
  const HANDLE axis = reinterpret_cast<HANDLE>(0x13);
  raw.AddHid(vec, 0x05F3, 0x00FF);
  raw.AddHid(pad, 0x07B4, 0x0218, PreparsedFrom(kButtonsDescriptor));
  raw.AddHid(axis, 0x046D, 0xC215, PreparsedFrom(kAxisDescriptor));
  TRawPedals pedals;
  Watcher watcher;
  pedals.Subscribe(watcher);
  auto input = [&](HRAWINPUT h) { ::SendMessageW(pedals.ReceiverWindow(), WM_INPUT, RIM_INPUTSINK, reinterpret_cast<LPARAM>(h)); };
  auto change = [&](WPARAM what, HANDLE device) {
    ::SendMessageW(pedals.ReceiverWindow(), WM_INPUT_DEVICE_CHANGE, what, reinterpret_cast<LPARAM>(device));
  };
  EXPECT_EQ(pedals.DeviceName(), L"");
  // A tap that came as two reports in one input.
  input(raw.Input(vec, 3, 2, {0x00, 0x01, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(watcher.seen, (std::vector<PedalSet>{L, 0}));
  EXPECT_EQ(pedals.DeviceName(), L"VEC USB Footpedal");
  input(raw.Input(pad, 2, 1, {0x02, 0x02}));
  input(raw.Input(vec, 3, 1, {0x00, 0x04, 0x00}));
  EXPECT_EQ(pedals.Pressed(), M | R);
  EXPECT_EQ(pedals.DeviceName(), L"VEC USB Footpedal");
  // Ignored: reports that claim more than came, and a device without buttons.
  input(raw.Input(vec, 3, 2, {0x00, 0x00, 0x00}));
  input(raw.Input(axis, 1, 1, {0x7F}));
  EXPECT_EQ(pedals.Pressed(), M | R);
  change(GIDC_REMOVAL, vec);
  EXPECT_EQ(pedals.Pressed(), M);
  EXPECT_EQ(pedals.DeviceName(), L"HID 07B4:0218");
  change(GIDC_REMOVAL, pad);
  EXPECT_EQ(watcher.seen, (std::vector<PedalSet>{L, 0, M, M | R, M, 0}));
  EXPECT_EQ(pedals.DeviceName(), L"");
  pedals.Unsubscribe(watcher);
}
