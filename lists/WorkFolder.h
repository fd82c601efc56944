// Where the program keeps its working files: "Player.ini", the list files it
// names and the program's own list "listdir.m3u". Started from a folder it
// may write (the demo, a portable copy), that is its own folder, as always.
// Installed under Program Files, a standard user may not write there: the
// working files then live in the user's application data, made at the first
// start from the defaults installed beside the program.
#pragma once

#include <string>

namespace kestrel {

// True when the current user may create files in the folder: its access list
// grants it to this process's token, and a file can be made there (a CD or a
// share's own permissions may refuse what the list grants).
bool MayWriteIn(const std::wstring& folder);

// Makes the user's working folder (in a parent that exists) and copies into it the
// defaults of the program folder it does not hold yet: "Player.ini" and the
// list files (*.m3u). What the user's folder holds is never replaced. False
// when the folder cannot be made or a default cannot be copied.
bool PrepareUserWorkFolder(const std::wstring& programFolder, const std::wstring& userFolder);

// The folder that serves as the program folder for "Player.ini" (`AppDir`):
// the program's own when it may write there, and then the working folder is
// left as it is; otherwise "<application data>\Vocorder\", prepared and made
// the working folder, so that "Player.ini" is read from there. Both end with
// a backslash. Falls back to the program's own when there is no application
// data folder.
std::wstring ChooseWorkFolder();

}  // namespace kestrel
