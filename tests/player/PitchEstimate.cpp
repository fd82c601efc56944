#include "PitchEstimate.h"

#include <algorithm>
#include <cmath>

namespace player_test {

double Median(std::vector<double> pitches) {
  if (pitches.empty()) return 0;
  std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
  return pitches[pitches.size() / 2];
}

double MedianPitch(const std::vector<float>& input, int inputRate, int* voicedFrames) {
  const std::vector<double> pitches = VoicedPitches(input, inputRate);
  if (voicedFrames) *voicedFrames = static_cast<int>(pitches.size());
  return Median(pitches);
}

std::vector<double> VoicedPitches(const std::vector<float>& input, int inputRate) {
  // Averaged down to about 12 kHz, which keeps voice pitches well resolved
  // and the autocorrelation cheap.
  const int step = std::max(1, inputRate / 12000);
  const int rate = inputRate / step;
  std::vector<float> samples(input.size() / step);
  for (size_t i = 0; i < samples.size(); ++i) {
    float sum = 0;
    for (int k = 0; k < step; ++k) sum += input[i * step + k];
    samples[i] = sum / step;
  }
  // 30 ms frames every 15 ms.
  const size_t frame = static_cast<size_t>(rate) * 30 / 1000, hop = frame / 2;
  const size_t minLag = static_cast<size_t>(rate / 400), maxLag = static_cast<size_t>(rate / 40);
  std::vector<double> pitches;
  if (samples.size() < frame + maxLag) return pitches;

  std::vector<double> energy;
  for (size_t at = 0; at + frame + maxLag <= samples.size(); at += hop) {
    double e = 0;
    for (size_t i = 0; i < frame; ++i) e += double(samples[at + i]) * samples[at + i];
    energy.push_back(e);
  }
  const double loudest = *std::max_element(energy.begin(), energy.end());
  for (size_t f = 0; f < energy.size(); ++f) {
    if (energy[f] < 0.05 * loudest || energy[f] <= 0) continue;
    const float* x = samples.data() + f * hop;
    std::vector<double> r(maxLag + 2, 0.0);
    for (size_t lag = minLag; lag <= maxLag + 1; ++lag) {
      double c = 0, e2 = 0;
      for (size_t i = 0; i < frame; ++i) {
        c += double(x[i]) * x[i + lag];
        e2 += double(x[i + lag]) * x[i + lag];
      }
      r[lag] = c / std::sqrt(energy[f] * e2 + 1e-20);
    }
    size_t best = minLag;
    for (size_t lag = minLag; lag <= maxLag; ++lag)
      if (r[lag] > r[best]) best = lag;
    if (r[best] < 0.6 || best == minLag || best == maxLag) continue;
    // The shortest lag that comes close to the best is the period; longer
    // ones are its multiples.
    for (size_t lag = minLag + 1; lag < best; ++lag)
      if (r[lag] > 0.9 * r[best] && r[lag] >= r[lag - 1] && r[lag] >= r[lag + 1]) {
        best = lag;
        break;
      }
    const double a = r[best - 1], b = r[best], c = r[best + 1];
    const double denom = a - 2 * b + c;
    const double shift = denom != 0 ? 0.5 * (a - c) / denom : 0;
    pitches.push_back(rate / (double(best) + shift));
  }
  return pitches;
}

}  // namespace player_test
