// The recording window's file and folder rules, apart from the window so
// that they can be tested directly.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace recorder {

// The system temporary folder with "mpegrec_tmp.mp3".
std::wstring TemporaryRecordingName();

// The folder of the first line (with its "\"); with no line, `stored`, or
// `documents` when that is empty too.
std::wstring RecordingsFolder(const std::vector<std::wstring>& lines, const std::wstring& stored,
                              const std::wstring& documents);
// folder + "\" when missing + the answer with its extension replaced by
// (or extended with) ".mp3".
std::wstring TargetName(const std::wstring& folder, const std::wstring& answer);

// The current list file: the loaded list of the list model.
std::wstring CurrentListFile();

// Seconds, minutes and the progress bar's position of the elapsed-time display.
struct TRecClock {
  int Seconds = 0;
  int Minutes = 0;
  int Bar = 0;
  static constexpr int kBarMax = 60;
  void Reset() { Seconds = Minutes = Bar = 0; }
  void Tick();
};

}  // namespace recorder
