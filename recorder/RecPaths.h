// The recording window's file and folder rules, apart from the window so
// that they can be tested directly.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace recorder {

// "mpegrec_tmp.mp3" in the program's folder of the user's application data
// (beside the remembered positions; made when missing), which clean-up
// tools and log-off leave alone; in the temporary folder when there is no
// such folder.
std::wstring TemporaryRecordingName();
// Where earlier versions kept it: the system temporary folder.
std::wstring FormerTemporaryRecordingName();
// The name a leftover that cannot be read is kept under, beside it.
std::wstring AsideName(const std::wstring& temporary, const SYSTEMTIME& now);

// The folder of the first line (with its "\") when that line names a full
// path; otherwise `stored`, or `documents` when that is empty too.
std::wstring RecordingsFolder(const std::vector<std::wstring>& lines, const std::wstring& stored,
                              const std::wstring& documents);
// folder + "\" when missing + the answer with its extension replaced by
// (or extended with) ".mp3".
std::wstring TargetName(const std::wstring& folder, const std::wstring& answer);
// Whether the typed name makes a file name of its own: none of the
// characters Windows forbids there, and no device name (CON, NUL, COM1 ...).
bool IsUsableName(std::wstring_view answer);

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
