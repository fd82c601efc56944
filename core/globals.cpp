#include "core/globals.h"

#include "core/SettingsRecord.h"

namespace kestrel {

std::wstring AppDir;
std::vector<list> Lists;
int ListIndex = 0;
std::wstring FirstListPath;
std::wstring SongDir;
std::wstring ListDir;
ArtistTable CurrentList;
int CurrentArtist = -1;
int CurrentSong = -1;

TSettings Settings;

}  // namespace kestrel
