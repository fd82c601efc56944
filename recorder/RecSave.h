// Keeping a finished dictation: the name prompt and its checks, the
// question over a name that is taken, the copy into the recordings folder
// and its check, and the line in the current list file.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace recorder {

enum class TSaved { Saved, Cancelled, Failed };

// Whether the current list file can be read; when not, says so with the
// standard file-open failure.
bool CheckListFile(HWND owner);

class TDictationSaver {
public:
  // A message box of the window that saves; the id of the answer.
  using TAsk = std::function<int(const std::wstring& text, UINT type)>;
  // `cancelled` holds once the window's boxes were ended as by Cancel: the
  // saver then asks nothing more.
  TDictationSaver(HWND owner, TAsk ask, std::function<bool()> cancelled);

  // Saved: the recording is in the recordings folder, complete, and listed
  // (the temporary file may go). Cancelled: the user gave no name. Failed:
  // the list could not be read or the copy failed (said so). The temporary
  // file is left as it was in every case.
  TSaved Save(const std::wstring& temporary);

private:
  // Asks until the name is usable and free, or the user agreed to replace
  // the recording of that name; nothing when cancelled.
  std::optional<std::wstring> AskTarget(const std::wstring& folder);
  bool Copy(const std::wstring& temporary, const std::wstring& target, bool replace);

  HWND owner_;
  TAsk ask_;
  std::function<bool()> cancelled_;
};

}  // namespace recorder
