#include "lists/ResumePositions.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>

#include "base/Files.h"
#include "base/LateLoad.h"
#include "base/Text.h"
#include "core/KestrelUtils.h"
#include "lists/ListFile.h"

namespace kestrel {
namespace {

constexpr std::string_view kHeader = "Vocorder positions 1";
// Far more than 1,000 full paths; a larger file is not one of ours.
constexpr size_t kMaxFileBytes = 4u << 20;
// Positions are kept in milliseconds, enough for a typist's place.
constexpr int64_t kUnitsPerMs = 10'000;

std::optional<int64_t> ParseMs(std::string_view s) {
  if (s.empty() || s.size() > 15) return std::nullopt;
  int64_t v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + (c - '0');
  }
  return v;
}

}  // namespace

TResumePositions::TResumePositions(std::wstring file) : file_(std::move(file)) { Load(); }

void TResumePositions::Load() {
  entries_.clear();
  if (file_.empty()) return;
  auto bytes = files::ReadAll(file_);
  if (!bytes || bytes->size() > kMaxFileBytes) return;
  std::string_view rest = *bytes;
  std::vector<Entry> read;
  bool first = true;
  while (!rest.empty()) {
    size_t end = rest.find("\r\n");
    if (end == std::string_view::npos) return;  // every line ends, the last one too
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end + 2);
    if (first) {
      if (line != kHeader) return;
      first = false;
      continue;
    }
    size_t tab = line.find('\t');
    if (tab == std::string_view::npos) return;
    auto ms = ParseMs(line.substr(0, tab));
    std::wstring path = text::FromAnsi(line.substr(tab + 1));
    if (!ms || *ms == 0 || path.empty()) return;
    std::string key = text::SortKey(path);
    bool seen = std::any_of(read.begin(), read.end(), [&](const Entry& e) { return e.key == key; });
    if (seen) return;
    if (read.size() < kCapacity) read.push_back({std::move(key), std::move(path), *ms * kUnitsPerMs});
  }
  if (first) return;  // not even the header
  entries_ = std::move(read);
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
    content += text::ToAnsi(e.path);
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
