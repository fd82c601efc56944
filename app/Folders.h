// TFolders: the recordings folder and the files in it: the folder button
// (SpeedButton3: every ".mp3" file of the chosen folder becomes the list),
// the start without a folder (LoadDefaultFolder), and the add-a-file button
// (SpeedButton4: a file copied into the folder of the listed recordings).
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/RecordingList.h"
#include "app/Strip.h"
#include "app/Transport.h"
#include "base/Registry.h"
#include "services/FoldrDlg.h"

namespace app {

// What the open-file dialog gives: the chosen file, or nothing on cancel.
// Tests answer it; the program shows the real dialog.
using OpenFileDialog = std::function<std::optional<std::wstring>(HWND owner, const std::wstring& initialDir)>;
// Installs the dialog (an empty one restores the real one); returns the old one.
OpenFileDialog SetOpenFileDialog(OpenFileDialog dialog);

class TFolders {
public:
  TFolders(TStrip& strip, TTransport& transport, TRecordingList& recordings)
      : strip_(strip), transport_(transport), recordings_(recordings) {}

  // The folder browser (FD), once the window shows.
  void CreateBrowser();
  services::TFolderDialog& FD() { return *FD_; }
  // FolderPath: the current recordings folder, with a trailing backslash.
  const std::wstring& FolderPath() const { return folderPath_; }
  void SetFolderPath(std::wstring path) { folderPath_ = std::move(path); }

  void SpeedButton3Click();
  void SpeedButton4Click();
  void LoadDefaultFolder();

private:
  void ShowFolderFiles(bool fromBrowser);

  TStrip& strip_;
  TTransport& transport_;
  TRecordingList& recordings_;
  reg::UserStore store_;
  std::unique_ptr<services::TFolderDialog> FD_;
  std::wstring folderPath_;
};

}  // namespace app
