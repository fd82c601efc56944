// Indexed building of an artist table. Adding a song and numbering
// duplicates look titles up by the locale's sort keys instead of scanning the
// table, with exactly the results of the scanning operations in
// KestrelLists.h (which stay the reference).
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "core/globals.h"

namespace kestrel {

// How many titles and display forms of a group (the songs of one artist, or
// the first songs of the entries of one name) fall on each sort key.
struct TitleCounts {
  std::unordered_map<std::string, int> titles;
  std::unordered_map<std::string, int> displays;
  void Add(const song& s);
};

class TableBuilder {
public:
  // Indexes what the table already holds.
  TableBuilder(ArtistTable& table, bool grouped);
  // As AddSong(table, grouped, path).
  bool Add(const std::wstring& path);

private:
  TitleCounts& GroupFor(int artistIndex, const std::string& nameKey);

  ArtistTable& table_;
  bool grouped_;
  std::unordered_map<std::string, int> firstArtist_;        // grouped: name key -> artist
  std::vector<TitleCounts> perArtist_;                      // grouped
  std::unordered_map<std::string, TitleCounts> perName_;    // ungrouped
};

// As the numbering of duplicates defines it, with indexed look-ups.
void NumberDuplicatesIndexed(ArtistTable& table, bool grouped);

}  // namespace kestrel
