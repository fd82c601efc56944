#include "recorder/RecPaths.h"

#include <windows.h>

#include "core/KestrelUtils.h"
#include "core/globals.h"

namespace recorder {

std::wstring TemporaryRecordingName() {
  wchar_t buf[144] = {};
  DWORD n = ::GetTempPathW(144, buf);
  std::wstring dir(buf, n < 144 ? n : 0);
  if (dir.empty() || dir.back() != L'\\') dir += L'\\';
  return dir + L"mpegrec_tmp.mp3";
}

std::wstring RecordingsFolder(const std::vector<std::wstring>& lines, const std::wstring& stored,
                              const std::wstring& documents) {
  if (lines.empty()) return stored.empty() ? documents : stored;
  return kestrel::ExtractFilePath(lines.front());
}

std::wstring TargetName(const std::wstring& folder, const std::wstring& answer) {
  std::wstring name = answer;
  size_t dot = name.find_last_of(L".\\:");
  if (dot != std::wstring::npos && name[dot] == L'.') name.resize(dot);
  return kestrel::IncludeTrailingBackslash(folder) + name + L".mp3";
}

std::wstring CurrentListFile() {
  if (kestrel::ListIndex >= 0 && kestrel::ListIndex < static_cast<int>(kestrel::Lists.size()))
    return kestrel::Lists[static_cast<size_t>(kestrel::ListIndex)].Path;
  return kestrel::FirstListPath;
}

void TRecClock::Tick() {
  if (++Seconds == 60) {
    Seconds = 0;
    ++Minutes;
  }
  Bar = Bar < kBarMax ? Bar + 1 : 0;
}

}  // namespace recorder
