#include "lists/ListFile.h"

#include <utility>

#include "base/Files.h"
#include "base/Text.h"
#include "base/WinHandles.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"

namespace kestrel {
namespace {

constexpr wchar_t kCtrlZ = L'\x1A';

ListFileWriter& Writer() {
  static ListFileWriter w;
  return w;
}

bool WriteBytes(HANDLE file, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD put = 0;
    DWORD n = static_cast<DWORD>(bytes.size() - done);
    BOOL ok = Writer() ? Writer()(file, bytes.data() + done, n, &put)
                       : ::WriteFile(file, bytes.data() + done, n, &put, nullptr);
    if (!ok || put == 0) return false;
    done += put;
  }
  return true;
}

// The new content goes to a temporary file beside the list file; only a
// complete, flushed copy replaces the list file.
bool ReplaceContent(const std::wstring& path, std::string_view bytes) {
  if (path.empty() || path.find(L'\0') != std::wstring::npos) return false;
  std::wstring dir = ExtractFilePath(path);
  if (dir.empty()) dir = L".";
  wchar_t temp[MAX_PATH + 1] = {};
  if (!::GetTempFileNameW(dir.c_str(), L"lst", 0, temp)) return false;
  bool ok;
  {
    win::File f(::CreateFileW(temp, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ok = f && WriteBytes(f.get(), bytes) && ::FlushFileBuffers(f.get());
  }
  ok = ok && ::MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) ::DeleteFileW(temp);
  return ok;
}

bool Written(bool ok, const std::wstring& path, WriteFailure failure) {
  if (!ok && failure == WriteFailure::Report) ErrWriteFile(path);
  return ok;
}

}  // namespace

std::vector<std::wstring> SplitListLines(std::wstring_view s) {
  if (size_t z = s.find(kCtrlZ); z != std::wstring_view::npos) s = s.substr(0, z);
  std::vector<std::wstring> lines;
  auto add = [&](std::wstring_view raw) {
    std::wstring_view line = text::Trim(raw);
    if (!line.empty()) lines.emplace_back(line);
  };
  size_t start = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != L'\r' && s[i] != L'\n') continue;
    add(s.substr(start, i - start));
    if (s[i] == L'\r' && i + 1 < s.size() && s[i + 1] == L'\n') ++i;
    start = i + 1;
  }
  if (start < s.size()) add(s.substr(start));
  return lines;
}

std::optional<std::vector<std::wstring>> ReadListFile(const std::wstring& path) {
  auto bytes = files::ReadAll(path);
  if (!bytes) return std::nullopt;
  return SplitListLines(text::FromAnsi(*bytes));
}

bool WriteListFile(const std::wstring& path, const std::vector<std::wstring>& lines, WriteFailure failure) {
  std::wstring content;
  for (const std::wstring& l : lines) content += l + L"\r\n";
  return Written(ReplaceContent(path, text::ToAnsi(content)), path, failure);
}

bool AppendListLine(const std::wstring& path, const std::wstring& line) {
  std::string bytes;
  if (FileExists(path)) {
    auto old = files::ReadAll(path);
    if (!old) return Written(false, path, WriteFailure::Report);
    bytes = std::move(*old);
  }
  // What follows a Ctrl-Z is never read, so the new line goes before it.
  if (size_t z = bytes.find('\x1A'); z != std::string::npos) bytes.resize(z);
  if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') bytes += "\r\n";
  bytes += text::ToAnsi(line + L"\r\n");
  return Written(ReplaceContent(path, bytes), path, WriteFailure::Report);
}

bool ReplaceFileContent(const std::wstring& path, std::string_view bytes) { return ReplaceContent(path, bytes); }

ListFileWriter SetListFileWriter(ListFileWriter writer) { return std::exchange(Writer(), std::move(writer)); }

}  // namespace kestrel
