#include "recorder/RecPaths.h"

#include <shlobj.h>

#include <cwchar>

#include "base/LateLoad.h"
#include "base/Text.h"
#include "core/KestrelUtils.h"
#include "core/globals.h"

namespace recorder {
namespace {

constexpr wchar_t kFileName[] = L"mpegrec_tmp.mp3";

bool IsFullPath(std::wstring_view path) {
  return kestrel::IsNetworkPath(path) || (path.size() >= 3 && path[1] == L':' && path[2] == L'\\');
}

bool IsDeviceName(std::wstring_view base) {
  // The part before the first dot counts, trailing blanks aside: "nul.x"
  // and "com1 " name devices too.
  base = base.substr(0, base.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  const std::wstring name = text::LowerAscii(base);
  for (const wchar_t* device : {L"con", L"prn", L"aux", L"nul"})
    if (name == device) return true;
  return name.size() == 4 && (name.starts_with(L"com") || name.starts_with(L"lpt")) && name[3] >= L'1' &&
         name[3] <= L'9';
}

}  // namespace

std::wstring FormerTemporaryRecordingName() {
  wchar_t buf[144] = {};
  DWORD n = ::GetTempPathW(144, buf);
  std::wstring dir(buf, n < 144 ? n : 0);
  return kestrel::IncludeTrailingBackslash(dir) + kFileName;
}

std::wstring TemporaryRecordingName() {
  wchar_t dir[MAX_PATH] = L"";
  if (FAILED(late::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, dir)) ||
      !*dir)
    return FormerTemporaryRecordingName();
  const std::wstring folder = kestrel::IncludeTrailingBackslash(dir) + L"Vocorder";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  return folder + L"\\" + kFileName;
}

std::wstring AsideName(const std::wstring& temporary, const SYSTEMTIME& now) {
  wchar_t stamp[40];
  std::swprintf(stamp, 40, L" unreadable %04u-%02u-%02u %02u-%02u-%02u", now.wYear, now.wMonth, now.wDay, now.wHour,
                now.wMinute, now.wSecond);
  const size_t dot = temporary.find_last_of(L".\\");
  const size_t cut = dot != std::wstring::npos && temporary[dot] == L'.' ? dot : temporary.size();
  return temporary.substr(0, cut) + stamp + temporary.substr(cut);
}

std::wstring RecordingsFolder(const std::vector<std::wstring>& lines, const std::wstring& stored,
                              const std::wstring& documents) {
  // A first line without a full folder would put the recording into the
  // current folder or the root of the current drive.
  if (!lines.empty() && IsFullPath(lines.front())) return kestrel::ExtractFilePath(lines.front());
  return stored.empty() ? documents : stored;
}

std::wstring TargetName(const std::wstring& folder, const std::wstring& answer) {
  std::wstring name = answer;
  size_t dot = name.find_last_of(L".\\:");
  if (dot != std::wstring::npos && name[dot] == L'.') name.resize(dot);
  return kestrel::IncludeTrailingBackslash(folder) + name + L".mp3";
}

bool IsUsableName(std::wstring_view answer) {
  for (wchar_t c : answer)
    if (c < L' ' || std::wcschr(L"\\/:*?\"<>|", c)) return false;
  const std::wstring target = TargetName(L"", std::wstring(answer));
  const std::wstring_view base = std::wstring_view(target).substr(1, target.size() - 5);  // "\" ... ".mp3"
  if (text::Trim(base).find_first_not_of(L'.') == std::wstring_view::npos) return false;
  return !IsDeviceName(base);
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
