#include "player/PlayerScales.h"

#include <algorithm>
#include <cmath>

int AttenuationCurve(int x) {
  const double v = std::clamp(x, 0, 10000);
  return static_cast<int>(std::lround(v / (17.0 - 0.0016 * v)));
}

int FindCurveInput(int target, double span, double low) {
  for (;;) {
    const int mid = static_cast<int>(std::lround(span / 2 + low));
    const int c = AttenuationCurve(mid);
    if (c - 5 < target && target < c + 5) return mid;
    if (span < 1) return mid;
    if (c <= target) low += span / 2;
    span /= 2;
  }
}

int BarWidthFor(int64_t position, int64_t duration, int frameWidth, int margin) {
  const int64_t bar = frameWidth - 2 * static_cast<int64_t>(margin);
  if (duration <= 0 || bar <= 0) return 0;
  return static_cast<int>(std::clamp<int64_t>(bar * position / duration, 0, bar));
}

int64_t BarPixelToPosition(int pixel, int64_t duration, int frameWidth, int margin) {
  const int64_t bar = frameWidth - 2 * static_cast<int64_t>(margin);
  if (bar <= 0 || duration <= 0) return 0;
  const int64_t p = std::clamp<int64_t>(pixel, margin, frameWidth - margin);
  return (p - margin) * duration / bar;
}

int KnobTravel(int frameHeight, int knobHeight, int margin) {
  return std::max(0, frameHeight - knobHeight - 2 * margin);
}

int GraphVolumeToOffset(long graphVolume, int travel) {
  const int x = FindCurveInput(static_cast<int>(-std::clamp(graphVolume, -10000L, 0L)));
  return static_cast<int>(std::lround(static_cast<double>(x) * travel / 10000));
}

int WaveVolumeToOffset(long waveVolume, int travel) {
  const double v = std::clamp(waveVolume, 0L, 65535L);
  return travel - static_cast<int>(std::lround(v * travel / 65535));
}

long OffsetToGraphVolume(int offset, int travel) {
  if (travel <= 0) return 0;
  const int x = static_cast<int>(std::lround(10000.0 * offset / travel));
  return -AttenuationCurve(x);
}

long OffsetToWaveVolume(int offset, int travel) {
  if (travel <= 0) return 65535;
  const long v = std::lround(static_cast<double>(travel - offset) * 65535 / travel);
  return std::clamp(v, 0L, 65535L);
}
