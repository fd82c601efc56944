// TForm5: the missing-file browser. A drive chooser, a folder tree and a
// file list to find the recording, a search of the tree that can be
// stopped, and a file filter; OK confirms the replacement of the song in
// the list file. One seam, so that tests can answer it.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrel {

struct BrowsedFile {
  std::wstring folder;    // ends with a backslash; its last name as on disk
  std::wstring fileName;
};

// The chosen file, or nothing when the browser was closed.
using BrowseFilePresenter =
    std::function<std::optional<BrowsedFile>(HWND owner, std::wstring_view caption, std::wstring_view songPath)>;
BrowseFilePresenter SetBrowseFilePresenter(BrowseFilePresenter presenter);
// songPath: the missing song's path as the list file holds it.
std::optional<BrowsedFile> BrowseForFile(HWND owner, std::wstring_view caption, std::wstring_view songPath);

// The browser's controls, for those who drive it.
namespace form5 {
enum ControlId : int {
  Label3 = 100, idDrives, idDirs, idFiles, idImages, idLocateList, idLocateSong, idFilter, Label2, idList, idDots,
  idHidden, idOK = IDOK, idCancel = IDCANCEL
};
}  // namespace form5

}  // namespace kestrel
