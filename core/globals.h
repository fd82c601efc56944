// The list model's program-wide values and records. One instance each,
// created empty at start and kept for the whole run.
#pragma once

#include <string>
#include <vector>

namespace kestrel {

// One configured list file.
struct list {
  std::wstring Path;  // full path of the list file
  std::wstring Name;  // display name
  std::wstring Dir;   // directory part of Path, with a trailing backslash
};

struct song {
  int Number = 0;      // duplicate number while a table is built; 0 otherwise
  std::wstring Title;  // shown in the recordings combo box
  std::wstring Path;   // as the list file holds it (trimmed)
};

struct artist {
  std::wstring Name;
  std::vector<song> Songs;
  int Count = 0;  // always Songs.size()
};

using TArtists = std::vector<artist>;

struct ArtistTable {
  TArtists Artists;
  int Count = 0;  // always Artists.size()
  bool Grouped = false;
  bool Sorted = false;
};

extern std::wstring AppDir;         // program folder, lower case, trailing backslash
extern std::vector<list> Lists;     // the list files of "Player.ini" that exist
extern int ListIndex;               // the loaded list (always 0)
extern std::wstring FirstListPath;  // the first list file found
extern std::wstring SongDir;        // "songdir" with a trailing backslash, or empty
extern std::wstring ListDir;        // "listdir" with a trailing backslash, or empty
extern ArtistTable CurrentList;
extern int CurrentArtist;           // selected in the main window's combo boxes
extern int CurrentSong;

}  // namespace kestrel
