#include "recorder/RecPaths.h"

#include <windows.h>

#include "base/Files.h"
#include "base/Text.h"
#include "base/WinHandles.h"
#include "lists/KestrelUtils.h"
#include "lists/globals.h"
#include "settings/Registry.h"

namespace recorder {
namespace {

std::wstring ReadString(HKEY root, const std::wstring& path, const wchar_t* name) {
  win::Key key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) return {};
  DWORD type = 0, size = 0;
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return {};
  std::wstring v(size / sizeof(wchar_t) + 1, L'\0');
  if (::RegQueryValueExW(key.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(v.data()), &size) != ERROR_SUCCESS)
    return {};
  v.resize(size / sizeof(wchar_t));
  while (!v.empty() && v.back() == L'\0') v.pop_back();
  return v;
}

std::wstring ProgramKeyName() {
  std::wstring name = kestrel::ExtractFileName(files::ModulePath());
  size_t dot = name.find_last_of(L'.');
  return dot == std::wstring::npos ? name : name.substr(0, dot);
}

}  // namespace

std::wstring TemporaryRecordingName() {
  wchar_t buf[144] = {};
  DWORD n = ::GetTempPathW(144, buf);
  std::wstring dir(buf, n < 144 ? n : 0);
  if (dir.empty() || dir.back() != L'\\') dir += L'\\';
  return dir + L"mpegrec_tmp.mp3";
}

std::wstring StoredRecordingsFolder() { return ReadString(kestrel::reg::UserRoot(), ProgramKeyName() + L"\\Sets", L"Dir_MP3s"); }

std::wstring DocumentsFolder() {
  return ReadString(kestrel::reg::UserRoot(), L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                    L"PERSONAL");
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

std::optional<std::vector<std::wstring>> ReadLines(const std::wstring& path) {
  std::optional<std::string> bytes = files::ReadAll(path);
  if (!bytes) return std::nullopt;
  std::wstring s = text::FromAnsi(*bytes);
  std::vector<std::wstring> lines;
  size_t i = 0;
  while (i < s.size()) {
    size_t e = s.find_first_of(L"\r\n", i);
    if (e == std::wstring::npos) e = s.size();
    lines.push_back(s.substr(i, e - i));
    if (e < s.size() && s[e] == L'\r' && e + 1 < s.size() && s[e + 1] == L'\n') ++e;
    i = e + 1;
  }
  return lines;
}

bool WriteLines(const std::wstring& path, const std::vector<std::wstring>& lines) {
  std::wstring s;
  for (const std::wstring& l : lines) s += l + L"\r\n";
  return files::WriteAll(path, text::ToAnsi(s));
}

void TRecClock::Tick() {
  if (++Seconds == 60) {
    Seconds = 0;
    ++Minutes;
  }
  Bar = Bar < kBarMax ? Bar + 1 : 0;
}

}  // namespace recorder
