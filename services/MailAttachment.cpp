#include "services/MailAttachment.h"

#include <windows.h>

#include <utility>

#include "base/Text.h"

namespace services {
namespace {

// The client's path field: 256 bytes and the terminator.
constexpr size_t kMaxClientPath = 256;

ShortPathReader& Reader() {
  static ShortPathReader reader = nullptr;
  return reader;
}

std::wstring SystemShortPath(const std::wstring& path) {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD n = ::GetShortPathNameW(path.c_str(), buffer, MAX_PATH + 1);
  return n == 0 || n > MAX_PATH ? std::wstring() : std::wstring(buffer, n);
}

bool FileExists(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

std::wstring FileNameOf(const std::wstring& path) {
  const size_t p = path.find_last_of(L"\\/:");
  return p == std::wstring::npos ? path : path.substr(p + 1);
}

// The path as the client reads it, itself or in its short form.
std::optional<std::string> ClientPath(const std::wstring& path) {
  auto fits = [](const std::wstring& p) -> std::optional<std::string> {
    auto a = ExactAnsi(p);
    return a && !a->empty() && a->size() <= kMaxClientPath ? a : std::nullopt;
  };
  if (auto a = fits(path)) return a;
  const std::wstring shortPath = Reader() ? Reader()(path) : SystemShortPath(path);
  return shortPath.empty() ? std::nullopt : fits(shortPath);
}

// A copy that the client can be given, replacing one of the same name left
// by an earlier message (the client may read its files after it returns, so
// none is removed then).
std::optional<ClientAttachment> CopyForClient(const std::wstring& path) {
  const std::wstring folder = AttachmentCopyFolder();
  if (folder.empty()) return std::nullopt;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  std::wstring name = AnsiSafeName(FileNameOf(path));
  const std::wstring copy = folder + name;
  ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);  // a read-only one is replaced too
  if (!::CopyFileW(path.c_str(), copy.c_str(), FALSE)) return std::nullopt;
  if (auto clientPath = ClientPath(copy)) return ClientAttachment{std::move(*clientPath), std::move(name)};
  ::DeleteFileW(copy.c_str());
  return std::nullopt;
}

}  // namespace

ShortPathReader SetShortPathReader(ShortPathReader reader) { return std::exchange(Reader(), reader); }

std::optional<std::string> ExactAnsi(std::wstring_view s) {
  // The system's best fit turns characters into others ("ő" into "o"), which
  // would name another file: only a text that comes back unchanged will do.
  std::string a = text::ToAnsi(s);
  if (text::FromAnsi(a) != s) return std::nullopt;
  return a;
}

std::wstring AnsiSafeName(std::wstring_view name) {
  std::wstring out;
  for (size_t i = 0; i < name.size();) {
    const size_t n = IS_HIGH_SURROGATE(name[i]) && i + 1 < name.size() ? 2 : 1;
    const std::wstring_view c = name.substr(i, n);
    out += ExactAnsi(c) ? std::wstring(c) : L"_";
    i += n;
  }
  return out;
}

std::wstring AttachmentCopyFolder() {
  wchar_t temp[MAX_PATH + 1] = L"";
  const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
  if (n == 0 || n > MAX_PATH) return {};
  return std::wstring(temp, n) + L"Vocorder mail\\";
}

std::optional<ClientAttachment> PrepareAttachment(const std::wstring& path, AttachmentProblem& problem) {
  problem = AttachmentProblem::None;
  if (!FileExists(path)) {
    problem = AttachmentProblem::Missing;
    return std::nullopt;
  }
  if (auto clientPath = ClientPath(path))
    return ClientAttachment{std::move(*clientPath), AnsiSafeName(FileNameOf(path))};
  if (auto copy = CopyForClient(path)) return copy;
  problem = AttachmentProblem::Unreadable;
  return std::nullopt;
}

}  // namespace services
