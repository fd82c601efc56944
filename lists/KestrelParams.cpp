#include "lists/KestrelParams.h"

#include <new>

#include "base/Files.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "core/globals.h"
#include "lists/ListFile.h"

namespace kestrel {
namespace {

constexpr wchar_t kCR = L'\r';
constexpr wchar_t kLF = L'\n';
constexpr wchar_t kCtrlZ = L'\x1A';

// Walks "Player.ini" one character at a time, as its format is defined:
// a key buffer, values read to the end of their line, and a line counter
// for the syntax error.
class IniReader {
public:
  explicit IniReader(std::wstring text) : s_(std::move(text)) {}

  void Run() {
    while (pos_ < s_.size()) {
      wchar_t c = s_[pos_++];
      if (c == L'\t') c = L' ';
      if (c == kCR || c == kLF) {
        if (!key_.empty()) ErrSyntax(line_);
        if (c == kLF) ++line_;
        continue;
      }
      if (pos_ == s_.size()) {  // the file's last character is never part of a key
        if (!key_.empty()) ErrSyntax(line_);
        break;
      }
      if (key_.empty()) {
        if (c == L' ') continue;
        if (c == L';') {
          RestOfLine();
          continue;
        }
      }
      if (c == L'=') {
        EndOfKey();
        continue;
      }
      key_ += c;
    }
  }

private:
  void EndOfKey() {
    std::wstring key(text::Trim(key_));
    key_.clear();
    if (text::Same(key, L"list") && !listTaken_) {
      listTaken_ = true;
      std::wstring value(text::Trim(RestOfLine()));
      AddList(ResolveListPath(value));
    } else if (text::Same(key, L"songdir")) {
      SongDir = CheckedDir(L"SONGDIR", text::Trim(RestOfLine()));
    } else if (text::Same(key, L"listdir")) {
      ListDir = CheckedDir(L"LISTDIR", text::Trim(RestOfLine()));
    }
    // Any other key, and a later "list": the rest of the line becomes a new
    // key, so a non-empty rest is a syntax error at the line's end.
  }

  static std::wstring CheckedDir(const wchar_t* name, std::wstring_view value) {
    std::wstring dir = IncludeTrailingBackslash(value);
    if (dir == L"\\" || !DirectoryExists(dir)) {
      WarnInvalidPath(name, std::wstring_view(dir).substr(0, dir.size() - 1));
      return {};
    }
    return dir;
  }

  // Up to an LF, a CR LF pair or the end of the file; a lone CR is dropped.
  std::wstring RestOfLine() {
    std::wstring v;
    while (pos_ < s_.size()) {
      wchar_t c = s_[pos_++];
      if (c == kLF) {
        ++line_;
        break;
      }
      if (c == kCR) {
        if (pos_ >= s_.size()) break;
        c = s_[pos_++];
        if (c == kLF) {
          ++line_;
          break;
        }
      }
      v += c;
    }
    return v;
  }

  std::wstring s_;
  size_t pos_ = 0;
  int line_ = 1;
  std::wstring key_;
  bool listTaken_ = false;
};

}  // namespace

int AddList(std::wstring_view entry) {
  std::wstring path, name;
  size_t colon = std::wstring_view::npos;
  if (entry.size() > 2) {
    size_t i = entry.find_last_of(L':');
    if (i != std::wstring_view::npos && i >= 2) colon = i;
  }
  if (colon != std::wstring_view::npos) {
    name = text::TrimLeft(entry.substr(colon + 1));
    path = text::TrimRight(entry.substr(0, colon));
  } else {
    path = entry;
    name = ExtractFileName(entry);
  }
  if (!FileExists(path)) return -1;
  if (FirstListPath.empty()) FirstListPath = path;
  try {
    Lists.push_back(list{path, name, ExtractFilePath(path)});
  } catch (const std::bad_alloc&) {
    ErrArrayAlloc(true);
  }
  return static_cast<int>(Lists.size()) - 1;
}

void ReadPlayerIni(std::wstring_view appDir) {
  AppDir = IncludeTrailingBackslash(text::LowerAscii(appDir));
  Lists.clear();
  FirstListPath.clear();
  SongDir.clear();
  ListDir.clear();

  // The program's own list starts empty at every run. A program folder that
  // cannot be written leaves the old file as it was, without a message:
  // the list file named in "Player.ini" may well be another one.
  WriteListFile(AppDir + L"listdir.m3u", {}, WriteFailure::Quiet);

  auto bytes = files::ReadAll(L"Player.ini");
  if (!bytes) ErrFileNotFound(L"Player.ini", true);
  std::wstring content = text::FromAnsi(*bytes);
  if (size_t z = content.find(kCtrlZ); z != std::wstring::npos) content.resize(z);
  IniReader(std::move(content)).Run();

  if (Lists.empty()) ErrNoListFound();
}

void ReadPlayerIni() { ReadPlayerIni(ExtractFilePath(files::ModulePath())); }

}  // namespace kestrel

