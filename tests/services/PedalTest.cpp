// Foot pedals: the report decoders over canned reports (generic devices
// through Wine's own descriptor parser and hid.dll), the pedal control
// against a transport that logs its calls, and the raw input component
// against Wine's registration, fed through the raw input seam.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "RawInputDouble.h"
#include "Seams.h"
#include "services/PedalControl.h"
#include "services/RawPedals.h"

using namespace services;

namespace {

constexpr PedalSet L = PedalBit(0), M = PedalBit(1), R = PedalBit(2);
using Bytes = std::vector<BYTE>;

// Preparsed data of a device with this descriptor, made by the parser of
// Wine's HID stack, as raw input would hand it out.
std::vector<BYTE> PreparsedFrom(const std::vector<BYTE>& descriptor) {
  struct Collection {
    USHORT page, usage;
    UCHAR number, reserved[15];
    USHORT inputLength, outputLength, featureLength, preparsedLength;
    BYTE* preparsed;
  };
  struct Description {
    Collection* collections;
    ULONG collectionCount;
    void* reportIds;
    ULONG reportIdCount, debug[8];
  };
  static HMODULE parser = ::LoadLibraryW(L"C:\\windows\\system32\\drivers\\hidparse.sys");
  auto proc = [](const char* name) { return reinterpret_cast<void (*)()>(::GetProcAddress(parser, name)); };
  auto describe = reinterpret_cast<LONG(NTAPI*)(const BYTE*, ULONG, int, Description*)>(
      proc("HidP_GetCollectionDescription"));
  Description d{};
  if (!parser || describe(descriptor.data(), static_cast<ULONG>(descriptor.size()), 1, &d) < 0 || !d.collectionCount)
    return {};
  const Collection& c = d.collections[0];
  std::vector<BYTE> copy(c.preparsed, c.preparsed + c.preparsedLength);
  reinterpret_cast<void(NTAPI*)(Description*)>(proc("HidP_FreeCollectionDescription"))(&d);
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
  EXPECT_EQ(DecodeKnownReport(*vec, Bytes{0x00, 0x05, 0x00}), L | R);
  EXPECT_EQ(DecodeKnownReport(*vec, Bytes{0x00, 0xF8, 0xFF}), 0);  // no pedal of its own
  EXPECT_EQ(DecodeKnownReport(*acc2310, Bytes{0x00, 0x0F}), L | M | R);
  EXPECT_EQ(DecodeKnownReport(*acc2330, Bytes{0x00, 0x0F}), L | M | R | PedalBit(3));
  EXPECT_FALSE(DecodeKnownReport(*vec, Bytes{0x00}));

  const std::vector<BYTE> pad = PreparsedFrom(kButtonsDescriptor), axis = PreparsedFrom(kAxisDescriptor);
  ASSERT_FALSE(pad.empty() || axis.empty()) << "Wine's descriptor parser did not load";
  EXPECT_TRUE(HasButtons(pad));
  EXPECT_FALSE(HasButtons(axis));
  EXPECT_EQ(DecodeButtonReport(pad, Bytes{0x02, 0x09}), L | PedalBit(3));
  EXPECT_EQ(DecodeButtonReport(pad, Bytes{0x02, 0x00}), 0);
  EXPECT_FALSE(DecodeButtonReport(pad, Bytes{0x03, 0x7F}));  // the axis report
}

namespace {

// Logs the calls; Play and Pause come only in the state they are for.
struct Transport : IPedalTransport {
  bool Playing() override { return playing; }
  void Play() override { Log(!playing, "play "), playing = true; }
  void Pause() override { Log(playing, "pause "), playing = false; }
  void StepBack() override { log += "back "; }
  void StepForward() override { log += "fwd "; }
  void TimeStamp() override { log += "stamp "; }
  void Replay() override { log += "replay "; }

  void Log(bool allowed, const char* call) {
    EXPECT_TRUE(allowed) << call << "in the wrong state";
    log += call;
  }

  bool playing = false;
  std::string log;
};

constexpr int kTick = -1;
struct Step {
  int pedals;  // the pedals down now, or kTick
  const char* calls;  // what follows
};

class Pedals : public ::testing::Test {
protected:
  void Run(std::initializer_list<Step> steps) {
    int n = 0;
    for (const Step& s : steps) {
      s.pedals == kTick ? control.Tick() : control.PedalsChanged(static_cast<PedalSet>(s.pedals));
      EXPECT_EQ(std::exchange(transport.log, ""), s.calls) << "step " << n++;
    }
  }

  Transport transport;
  TPedalControl control{transport};
};

}  // namespace

TEST_F(Pedals, ThePlayPedalPlaysWhileHeldOrTogglesAndAStepWhileHeldWaitsForIt) {
  // Rewind while the play pedal is held: playback waits while it steps,
  // and the play pedal let go meanwhile means no playing afterwards.
  Run({{M, "play "}, {0, "pause "}, {M, "play "}, {M | L, ""}, {kTick, "pause back "}, {kTick, "back "}, {L, ""},
       {0, ""}});
  EXPECT_FALSE(control.Stepping());
  control.SetMapping({.hold = false});
  Run({{M, "play "}, {0, ""}, {M, "pause "}, {0, ""}});
}

TEST_F(Pedals, ATapStepsOnceWhilePlayingAndAHoldResumesWhereItStopped) {
  transport.playing = true;
  Run({{L, ""}, {0, "back "}, {R, ""}, {kTick, "pause fwd "}, {kTick, "fwd "}, {0, "play "}});
}

TEST_F(Pedals, BothSidePedalsTogetherAreTheirOwnActionWithoutAStep) {
  control.SetMapping({.both = PedalAction::Stamp});
  transport.playing = true;
  Run({{L, ""}, {L | R, "stamp "}, {R, ""}, {0, ""}, {L | R, "stamp "}, {0, ""}});
  // Held long enough to step first: playback resumes after the chord.
  Run({{L, ""}, {kTick, "pause back "}, {L | R, "stamp "}, {L, "play "}, {0, ""}});
}

namespace {

class Watcher : public IPedalObserver {
public:
  void PedalsChanged(PedalSet pressed) override { seen.push_back(pressed); }
  std::vector<PedalSet> seen;
};

}  // namespace

TEST(RawPedals, ClaimsThePedalCollectionsInTheBackgroundAndGivesThemBack) {
  auto registered = [] {
    std::vector<RAWINPUTDEVICE> list(32);
    UINT count = 32;
    list.resize(std::min<UINT>(::GetRegisteredRawInputDevices(list.data(), &count, sizeof list[0]), 32));
    return list;
  };
  {
    TRawPedals pedals;
    ASSERT_TRUE(pedals.Registered());
    const auto list = registered();
    for (const PedalCollection& c : PedalCollections())
      EXPECT_TRUE(std::any_of(list.begin(), list.end(), [&](const RAWINPUTDEVICE& r) {
        return r.usUsagePage == c.usagePage && r.usUsage == c.usage && r.hwndTarget == pedals.ReceiverWindow() &&
               r.dwFlags == (RIDEV_INPUTSINK | RIDEV_DEVNOTIFY);
      })) << c.usage;
  }
  EXPECT_TRUE(registered().empty());
}

TEST(RawPedals, ReportsOfEveryPedalReachTheObserversUntilTheDeviceIsPulledOut) {
  testing_support::RawInput raw;
  const auto vec = HANDLE(0x11), pad = HANDLE(0x12), axis = HANDLE(0x13);
  raw.AddHid(vec, 0x05F3, 0x00FF);
  raw.AddHid(pad, 0x07B4, 0x0218, PreparsedFrom(kButtonsDescriptor));
  raw.AddHid(axis, 0x046D, 0xC215, PreparsedFrom(kAxisDescriptor));
  TRawPedals pedals;
  Watcher watcher;
  pedals.Subscribe(watcher);
  auto input = [&](HRAWINPUT h) { ::SendMessageW(pedals.ReceiverWindow(), WM_INPUT, RIM_INPUTSINK, LPARAM(h)); };
  auto removed = [&](HANDLE d) { ::SendMessageW(pedals.ReceiverWindow(), WM_INPUT_DEVICE_CHANGE, GIDC_REMOVAL, LPARAM(d)); };
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
  removed(vec);
  EXPECT_EQ(pedals.Pressed(), M);
  EXPECT_EQ(pedals.DeviceName(), L"HID 07B4:0218");
  removed(pad);
  EXPECT_EQ(watcher.seen, (std::vector<PedalSet>{L, 0, M, M | R, M, 0}));
  EXPECT_EQ(pedals.DeviceName(), L"");
  pedals.Unsubscribe(watcher);
}
