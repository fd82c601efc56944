// The arithmetic between the player's scales and the main window's pixels:
// the position bar, the volume knob and the attenuation curve that makes the
// knob's travel feel even to the ear. Pure functions, no platform calls.
#pragma once

#include <cstdint>

// Attenuation in hundredths of a decibel for a slider value x in 0..10000
// (clamped): x / (17 - 0.0016 x), to the nearest integer. 0 -> 0, 10000 -> 10000.
int AttenuationCurve(int x);

// The slider value whose attenuation is within 5 of target, by halving the
// span [low, low + span]. Near silence one slider step changes the attenuation
// by up to 17, so some targets are never reached within 5: the search then ends
// when the span drops below one, with the last midpoint.
int FindCurveInput(int target, double span = 10000, double low = 0);

// Filled width of a bar of frameWidth with margin on each side, for position
// of duration; 0 when duration is not positive, never more than the bar.
int BarWidthFor(int64_t position, int64_t duration, int frameWidth, int margin);
// The position shown at pixel (clamped to the bar); 0 for a bar of no width.
int64_t BarPixelToPosition(int pixel, int64_t duration, int frameWidth, int margin);

// Knob travel in pixels: frame height - knob height - 2 x margin (0 at least).
int KnobTravel(int frameHeight, int knobHeight, int margin);
// Knob offsets (0 = top = full volume, travel = silence) for both scales.
int GraphVolumeToOffset(long graphVolume, int travel);  // -10000..0
int WaveVolumeToOffset(long waveVolume, int travel);    // 0..65535
long OffsetToGraphVolume(int offset, int travel);
long OffsetToWaveVolume(int offset, int travel);
