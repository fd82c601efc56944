// The voice's fundamental frequency in captured output, for checking that a
// speed change keeps the pitch.
#pragma once

#include <vector>

namespace player_test {

// Median fundamental frequency (Hz) over the voiced frames of mono samples
// at `rate`: frames loud enough (against the loudest) whose normalised
// autocorrelation peaks clearly within 40 .. 400 Hz. 0 when none is voiced.
double MedianPitch(const std::vector<float>& samples, int rate, int* voicedFrames = nullptr);
// The pitch (Hz) of each voiced frame, as MedianPitch weighs them.
std::vector<double> VoicedPitches(const std::vector<float>& samples, int rate);
// The median of pitches; 0 for none.
double Median(std::vector<double> pitches);

}  // namespace player_test
