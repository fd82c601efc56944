// Where the typist last stopped in each recording, so that choosing it again
// continues from there. The positions of the most recent recordings are kept
// in a small text file of their own (UTF-8, one recording a line), replaced
// whole on every change so that it is never left half-written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel {

class TResumePositions {
public:
  static constexpr size_t kCapacity = 1000;

  // Reads the file (also one of the first ANSI ones); a missing or foreign
  // one means no remembered positions, a damaged line is passed over, and
  // the file is replaced at the first change.
  explicit TResumePositions(std::wstring file);

  // The position remembered for the recording (its full path, any case).
  std::optional<int64_t> Find(std::wstring_view path) const;
  // Makes the recording the most recent one at the position; a position of
  // 0 or less forgets it (a finished recording starts from the beginning).
  // The oldest ones past the capacity are dropped. False when the file
  // could not be written; memory holds the change either way.
  bool Remember(std::wstring_view path, int64_t position);
  bool Forget(std::wstring_view path) { return Remember(path, 0); }

  size_t Count() const { return entries_.size(); }
  const std::wstring& File() const { return file_; }

private:
  struct Entry {
    std::string key;  // the path's case-blind sort key
    std::wstring path;
    int64_t position;
  };
  void Load();
  bool Save() const;
  std::vector<Entry>::iterator Locate(std::string_view key);

  std::wstring file_;
  std::vector<Entry> entries_;  // most recent first
};

// The file in the user's roaming application data folder
// ("...\Application Data\Vocorder\positions.txt"); empty when the system
// names no such folder.
std::wstring DefaultResumePositionsFile();
// The file the program uses: the default one, unless a test has named
// another (an empty name goes back to the default).
std::wstring ResumePositionsFile();
void SetResumePositionsFile(std::wstring file);

}  // namespace kestrel
