// The settings of the foot pedals (which pedal does what, and whether the
// play pedal plays while held or toggles), read and stored under the same
// rule as the others: a value exists only while it differs from its default.
#pragma once

#include <windows.h>

#include "core/SettingsRecord.h"
#include "services/PedalControl.h"
#include "settings/SettingsKey.h"

namespace kestrel {

// Values that are absent, of another type or out of range keep the default.
void ReadPedalSettings(ValueReader& key, TSettings& settings);
// After the typing settings in the save sequence, in this order:
// "PedalLeft", "PedalMiddle", "PedalRight", "PedalFourth", "PedalBoth",
// "PedalHold". False after a failure (already reported).
bool StorePedalSettings(HKEY key, const TSettings& values);

// What the settings make the pedals do.
services::PedalMapping PedalMappingOf(const TSettings& settings);

}  // namespace kestrel
