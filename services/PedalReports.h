// What a foot pedal's input report says: which pedals are down. A pedal
// model known by its vendor and product is read by its table; any other
// HID device is read through its button usages with hid.dll. Decoding is a
// pure function of the report (and of the device's preparsed data).
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <span>

namespace services {

// Pedals by their place: left, middle, right, and the fourth that some
// models have. A device's buttons 1 to 4 are these pedals in that order.
inline constexpr int kPedals = 4;
// Which pedals are down: bit i for pedal i.
using PedalSet = uint8_t;
inline constexpr PedalSet PedalBit(int pedal) { return static_cast<PedalSet>(1u << pedal); }
inline constexpr PedalSet kSidePedals = PedalBit(0) | PedalBit(2);

// A model whose report is read by a table: the pedals are bits of the first
// data byte, bit i pedal i (the known models all put rewind, play, forward
// and the fourth pedal there in this order).
struct KnownPedal {
  USHORT vendor;
  USHORT product;
  const wchar_t* name;
  PedalSet pedals;  // the bits that are pedals
};
// Null for a device that is not in the table.
const KnownPedal* FindKnownPedal(USHORT vendor, USHORT product);

// `report` is one input report as raw input delivers it: the report ID
// first (0 on a device that numbers no reports), then the data. Nothing
// when it is too short to hold the pedals.
std::optional<PedalSet> DecodeKnownReport(const KnownPedal& model, std::span<const BYTE> report);

// Whether the input reports of a device (its preparsed data, as raw input
// gives it) carry buttons.
bool HasButtons(std::span<const BYTE> preparsed);
// The buttons 1 to kPedals that are down in a report of such a device.
// Nothing when the report carries no buttons (another report of the same
// device) or hid.dll cannot read it.
std::optional<PedalSet> DecodeButtonReport(std::span<const BYTE> preparsed, std::span<const BYTE> report);

// The top-level collections that pedals present themselves as.
struct PedalCollection {
  USHORT usagePage;
  USHORT usage;
};
std::span<const PedalCollection> PedalCollections();

}  // namespace services
