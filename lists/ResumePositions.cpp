#include "lists/ResumePositions.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "base/Files.h"
#include "base/LateLoad.h"
#include "base/Text.h"
#include "core/KestrelUtils.h"
#include "lists/ListFile.h"

namespace kestrel {
namespace {

// Paths in UTF-8; the first files held them in the ANSI code page, where
// two names that differ only outside it read as one.
constexpr std::string_view kHeader = "Vocorder positions 2";
constexpr std::string_view kAnsiHeader = "Vocorder positions 1";
// Far more than 1,000 full paths; a larger file is not one of ours.
constexpr size_t kMaxFileBytes = 4u << 20;
// Positions are kept in milliseconds, enough for a typist's place.
constexpr int64_t kUnitsPerMs = 10'000;
constexpr int64_t kMaxMs = INT64_MAX / kUnitsPerMs;

std::optional<int64_t> ParseMs(std::string_view s) {
  if (s.empty()) return std::nullopt;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9' || v > (kMaxMs - (c - '0')) / 10) return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

// "milliseconds<TAB>path"; none for a line that is not one.
std::optional<std::pair<int64_t, std::wstring>> ParseLine(std::string_view line, bool utf8) {
  const size_t tab = line.find('\t');
  if (tab == std::string_view::npos) return std::nullopt;
  const auto ms = ParseMs(line.substr(0, tab));
  const auto path = utf8 ? text::FromUtf8(line.substr(tab + 1)) : text::FromAnsi(line.substr(tab + 1));
  if (!ms || *ms == 0 || !path || path->empty()) return std::nullopt;
  return std::pair{*ms * kUnitsPerMs, *path};
}

}  // namespace

TResumePositions::TResumePositions(std::wstring file) : file_(std::move(file)) { Load(); }

void TResumePositions::Load() {
  entries_.clear();
  if (file_.empty()) return;
  auto bytes = files::ReadAll(file_);
  if (!bytes || bytes->size() > kMaxFileBytes) return;
  std::string_view rest = *bytes;
  const size_t headerEnd = rest.find("\r\n");
  if (headerEnd == std::string_view::npos) return;
  const bool utf8 = rest.substr(0, headerEnd) == kHeader;
  if (!utf8 && rest.substr(0, headerEnd) != kAnsiHeader) return;  // not one of ours
  rest.remove_prefix(headerEnd + 2);
  // A line that cannot be read, or a recording named again, is passed over;
  // the others still count. A last line without its end was cut off.
  for (size_t end; entries_.size() < kCapacity && (end = rest.find("\r\n")) != std::string_view::npos;
       rest.remove_prefix(end + 2)) {
    auto entry = ParseLine(rest.substr(0, end), utf8);
    if (!entry) continue;
    std::string key = text::SortKey(entry->second);
    if (Locate(key) == entries_.end()) entries_.push_back({std::move(key), std::move(entry->second), entry->first});
  }
}

std::vector<TResumePositions::Entry>::iterator TResumePositions::Locate(std::string_view key) {
  return std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
}

std::optional<int64_t> TResumePositions::Find(std::wstring_view path) const {
  std::string key = text::SortKey(path);
  for (const Entry& e : entries_)
    if (e.key == key) return e.position;
  return std::nullopt;
}

bool TResumePositions::Remember(std::wstring_view path, int64_t position) {
  if (path.empty()) return true;
  std::string key = text::SortKey(path);
  // What is written is what a later run reads back.
  int64_t kept = position > 0 ? position / kUnitsPerMs * kUnitsPerMs : 0;
  auto it = Locate(key);
  if (kept <= 0) {
    if (it == entries_.end()) return true;
    entries_.erase(it);
    return Save();
  }
  if (it != entries_.end() && it == entries_.begin() && it->position == kept) return true;  // nothing new: no write
  if (it != entries_.end()) entries_.erase(it);
  entries_.insert(entries_.begin(), {std::move(key), std::wstring(path), kept});
  if (entries_.size() > kCapacity) entries_.resize(kCapacity);
  return Save();
}

bool TResumePositions::Save() const {
  if (file_.empty()) return false;
  std::wstring dir = ExtractFilePath(file_);
  if (!dir.empty()) ::CreateDirectoryW(dir.c_str(), nullptr);  // the first save makes the folder
  std::string content(kHeader);
  content += "\r\n";
  for (const Entry& e : entries_) {
    content += std::to_string(e.position / kUnitsPerMs);
    content += '\t';
    content += text::ToUtf8(e.path);
    content += "\r\n";
  }
  return ReplaceFileContent(file_, content);
}

namespace {
std::wstring& FileOverride() {
  static std::wstring file;
  return file;
}
}  // namespace

std::wstring ResumePositionsFile() { return FileOverride().empty() ? DefaultResumePositionsFile() : FileOverride(); }
void SetResumePositionsFile(std::wstring file) { FileOverride() = std::move(file); }

std::wstring DefaultResumePositionsFile() {
  wchar_t dir[MAX_PATH] = L"";
  if (FAILED(late::SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, dir)) ||
      !*dir)
    return {};
  return IncludeTrailingBackslash(dir) + L"Vocorder\\positions.txt";
}

}  // namespace kestrel
