// "Player.ini": the start-up file that names the list file and the base
// folders for relative list and song paths.
#pragma once

#include <string>
#include <string_view>

namespace kestrel {

// Reads "Player.ini" from the working folder with the program's own folder
// as `AppDir`; ends the program on its fatal errors.
void ReadPlayerIni();
// The same with a given program folder (with or without trailing backslash).
void ReadPlayerIni(std::wstring_view appDir);

// Adds the list entry named by a resolved "list" value ("path" or
// "path : display name"); the index, or -1 when no file exists there.
int AddList(std::wstring_view entry);

}  // namespace kestrel
