#include "settings/PedalSettings.h"

#include <iterator>

#include "settings/KestrelSettings.h"

namespace kestrel {
namespace {

// The pedals' values in the store's order; the first four are the pedals
// by place.
struct PedalValue {
  const wchar_t* name;
  uint8_t TSettings::*field;
};
constexpr PedalValue kPedalValues[] = {
    {L"PedalLeft", &TSettings::PedalLeft},     {L"PedalMiddle", &TSettings::PedalMiddle},
    {L"PedalRight", &TSettings::PedalRight},   {L"PedalFourth", &TSettings::PedalFourth},
    {L"PedalBoth", &TSettings::PedalBoth},
};
static_assert(std::size(kPedalValues) == services::kPedals + 1);

services::PedalAction Action(uint8_t value) {
  return value < services::kPedalActions ? static_cast<services::PedalAction>(value) : services::PedalAction::Nothing;
}

}  // namespace

void ReadPedalSettings(ValueReader& key, TSettings& s) {
  for (const PedalValue& p : kPedalValues)
    if (auto v = key.Dword(p.name); v && *v < services::kPedalActions) s.*p.field = static_cast<uint8_t>(*v);
  if (auto v = key.Dword(L"PedalHold")) s.PedalHold = *v != 0;
}

bool StorePedalSettings(HKEY k, const TSettings& v) {
  const TSettings d;
  for (const PedalValue& p : kPedalValues) {
    // A value from nowhere known is stored as nothing rather than as itself.
    const uint8_t value = v.*p.field < services::kPedalActions ? v.*p.field : 0;
    if (!StoreIntegerSetting(k, p.name, value, d.*p.field, Settings.*p.field)) return false;
  }
  return StoreBoolSetting(k, L"PedalHold", v.PedalHold, d.PedalHold, Settings.PedalHold);
}

services::PedalMapping PedalMappingOf(const TSettings& s) {
  services::PedalMapping m;
  for (size_t i = 0; i < m.pedal.size(); ++i) m.pedal[i] = Action(s.*kPedalValues[i].field);
  m.both = Action(s.PedalBoth);
  m.hold = s.PedalHold;
  return m;
}

}  // namespace kestrel
