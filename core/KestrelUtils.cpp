#include "core/KestrelUtils.h"

#include <windows.h>

#include "core/globals.h"

namespace kestrel {
namespace {

constexpr std::wstring_view kUnknownArtist = L"- Unknown -";

bool IsIllegal(wchar_t c) {
  return c == L'"' || c == L'*' || c == L':' || c == L'<' || c == L'>' || c == L'?' || c == L'|';
}

std::wstring_view DropLeadingBackslash(std::wstring_view p) {
  if (!p.empty() && p[0] == L'\\') p.remove_prefix(1);
  return p;
}

std::wstring Prefixed(std::wstring_view base, std::wstring_view p) {
  std::wstring r(base);
  r += DropLeadingBackslash(p);
  return r;
}

DWORD Attributes(std::wstring_view path) {
  if (path.empty() || path.find(L'\0') != std::wstring_view::npos) return INVALID_FILE_ATTRIBUTES;
  std::wstring p(path);
  return ::GetFileAttributesW(p.c_str());
}

}  // namespace

bool IsRelativePath(std::wstring_view p) {
  if (p.size() >= 2 && p[1] == L':') return false;
  return !IsNetworkPath(p);
}

bool IsNetworkPath(std::wstring_view p) { return p.size() >= 2 && p[0] == L'\\' && p[1] == L'\\'; }

bool HasIllegalChars(std::wstring_view p) {
  for (size_t i = 0; i < p.size(); ++i) {
    if (!IsIllegal(p[i])) continue;
    if (i == 1 && p[i] == L':') continue;  // the drive letter's colon
    return true;
  }
  return false;
}

std::wstring ResolveAppPath(std::wstring_view p) {
  return IsRelativePath(p) ? Prefixed(AppDir, p) : std::wstring(p);
}

std::wstring ResolveListPath(std::wstring_view p) {
  std::wstring r(p);
  if (IsRelativePath(r) && !ListDir.empty()) r = Prefixed(ListDir, r);
  if (IsRelativePath(r)) r = Prefixed(AppDir, r);
  return r;
}

std::wstring ResolveSongPath(std::wstring_view p, int listIndex) {
  std::wstring r(p);
  if (IsRelativePath(r) && !SongDir.empty()) r = Prefixed(SongDir, r);
  if (IsRelativePath(r) && listIndex >= 0 && listIndex < static_cast<int>(Lists.size()) &&
      !Lists[listIndex].Dir.empty())
    r = Prefixed(Lists[listIndex].Dir, r);
  return r;
}

std::wstring ArtistNameFromPath(std::wstring_view p) {
  size_t s = p.find_last_of(L"\\/");
  if (s == std::wstring_view::npos) return std::wstring(kUnknownArtist);
  std::wstring_view before = p.substr(0, s);
  size_t b = before.find_last_of(L"\\/:");
  if (b == std::wstring_view::npos) return std::wstring(before);
  if (before[b] == L':') return std::wstring(kUnknownArtist);
  return std::wstring(before.substr(b + 1));
}

std::wstring TitleFromPath(std::wstring_view p) {
  size_t e = p.find_last_of(L"./\\:");
  if (e == std::wstring_view::npos) return std::wstring(p);
  if (p[e] != L'.') return std::wstring(p.substr(e + 1));
  std::wstring_view before = p.substr(0, e);
  size_t s = before.find_last_of(L"\\/");
  return std::wstring(s == std::wstring_view::npos ? before : before.substr(s + 1));
}

std::wstring ExtractFilePath(std::wstring_view p) {
  size_t i = p.find_last_of(L"\\:");
  return i == std::wstring_view::npos ? std::wstring() : std::wstring(p.substr(0, i + 1));
}

std::wstring ExtractFileName(std::wstring_view p) {
  size_t i = p.find_last_of(L"\\:");
  return std::wstring(i == std::wstring_view::npos ? p : p.substr(i + 1));
}

std::wstring IncludeTrailingBackslash(std::wstring_view p) {
  std::wstring r(p);
  if (r.empty() || r.back() != L'\\') r += L'\\';
  return r;
}

bool FileExists(std::wstring_view path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(std::wstring_view path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace kestrel
