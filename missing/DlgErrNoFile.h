// TForm4: the missing-file dialog. It reports the recording's file that is
// not there and, where the list file can be edited, lets the user browse for
// it (replacing its path in the list file) or remove it from the list file.
// One seam, so that tests can answer it.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace kestrel {

using MissingFilePresenter = std::function<void(std::wstring_view fullPath, HWND owner)>;
MissingFilePresenter SetMissingFilePresenter(MissingFilePresenter presenter);
// fullPath: the selected song's file, resolved. The dialog is owned by
// `owner`, or by the active window when it is null.
void ShowMissingFile(std::wstring_view fullPath, HWND owner = nullptr);

// The dialog's controls, for those who drive it.
namespace form4 {
enum ControlId : int { Image1 = 100, Label1, idFile, idBrowse, idRemove, idOK = 1 };
}  // namespace form4

}  // namespace kestrel
