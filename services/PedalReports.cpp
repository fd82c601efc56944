#include "services/PedalReports.h"

extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <algorithm>
#include <vector>

#include "base/LateLoad.h"

namespace services {
namespace {

// hid.dll is wanted only once a pedal that is not in the table speaks.
const win::LateProc<decltype(&::HidP_GetCaps)> HidP_GetCaps{L"hid.dll", "HidP_GetCaps"};
const win::LateProc<decltype(&::HidP_GetButtonCaps)> HidP_GetButtonCaps{L"hid.dll", "HidP_GetButtonCaps"};
const win::LateProc<decltype(&::HidP_GetUsages)> HidP_GetUsages{L"hid.dll", "HidP_GetUsages"};

constexpr KnownPedal kKnownPedals[] = {
    {0x05F3, 0x00FF, L"VEC USB Footpedal", 0x07},
    {0x0911, 0x1844, L"Philips ACC2310/2320", 0x07},
    {0x0911, 0x091A, L"Philips ACC2330", 0x0F},
};

constexpr PedalCollection kCollections[] = {
    {0x0C, 0x03},  // consumer: programmable buttons (the VEC pedals)
    {0x01, 0x04},  // generic desktop: joystick (the Philips pedals)
    {0x01, 0x05},  // generic desktop: game pad
};

// hid.dll reads through a pointer to the caller's copy; it never writes.
PHIDP_PREPARSED_DATA Preparsed(std::span<const BYTE> preparsed) {
  return reinterpret_cast<PHIDP_PREPARSED_DATA>(const_cast<BYTE*>(preparsed.data()));
}

}  // namespace

const KnownPedal* FindKnownPedal(USHORT vendor, USHORT product) {
  for (const KnownPedal& k : kKnownPedals)
    if (k.vendor == vendor && k.product == product) return &k;
  return nullptr;
}

std::optional<PedalSet> DecodeKnownReport(const KnownPedal& model, std::span<const BYTE> report) {
  if (report.size() < 2) return std::nullopt;
  return static_cast<PedalSet>(report[1] & model.pedals);
}

bool HasButtons(std::span<const BYTE> preparsed) {
  if (preparsed.empty()) return false;
  try {
    HIDP_CAPS caps{};
    if (HidP_GetCaps(Preparsed(preparsed), &caps) != HIDP_STATUS_SUCCESS || caps.NumberInputButtonCaps == 0)
      return false;
    std::vector<HIDP_BUTTON_CAPS> buttons(caps.NumberInputButtonCaps);
    USHORT count = caps.NumberInputButtonCaps;
    if (HidP_GetButtonCaps(HidP_Input, buttons.data(), &count, Preparsed(preparsed)) != HIDP_STATUS_SUCCESS)
      return false;
    return std::any_of(buttons.begin(), buttons.begin() + std::min(count, caps.NumberInputButtonCaps),
                       [](const HIDP_BUTTON_CAPS& b) { return b.UsagePage == HID_USAGE_PAGE_BUTTON; });
  } catch (const std::exception&) {  // no hid.dll
    return false;
  }
}

std::optional<PedalSet> DecodeButtonReport(std::span<const BYTE> preparsed, std::span<const BYTE> report) {
  if (preparsed.empty() || report.empty()) return std::nullopt;
  // Room for every button a report can hold, so that a device with many
  // buttons held at once is never answered "buffer too small".
  std::vector<USAGE> usages(report.size() * 8);
  ULONG count = static_cast<ULONG>(usages.size());
  std::vector<BYTE> copy(report.begin(), report.end());  // hid.dll takes a writable buffer
  try {
    if (HidP_GetUsages(HidP_Input, HID_USAGE_PAGE_BUTTON, 0, usages.data(), &count, Preparsed(preparsed),
                       reinterpret_cast<PCHAR>(copy.data()), static_cast<ULONG>(copy.size())) != HIDP_STATUS_SUCCESS)
      return std::nullopt;
  } catch (const std::exception&) {  // no hid.dll
    return std::nullopt;
  }
  PedalSet pressed = 0;
  for (ULONG i = 0; i < std::min<ULONG>(count, static_cast<ULONG>(usages.size())); ++i)
    if (usages[i] >= 1 && usages[i] <= kPedals) pressed |= PedalBit(usages[i] - 1);
  return pressed;
}

std::span<const PedalCollection> PedalCollections() { return kCollections; }

}  // namespace services
