#include "app/Folders.h"

#include <commdlg.h>

#include <utility>
#include <vector>

#include "base/Files.h"
#include "base/LateLoad.h"
#include "base/ModalScope.h"
#include "base/WinHandles.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "core/globals.h"
#include "lists/ListFile.h"

namespace app {
namespace {

constexpr const wchar_t* kNoMp3s = L"Zložka neobsahuje súbory formátu MP3 !!!";

OpenFileDialog& FileDialog() {
  static OpenFileDialog dialog;
  return dialog;
}

std::optional<std::wstring> ShowOpenFileDialog(HWND owner, const std::wstring& initialDir) {
  if (win::ModalScope::Ending()) return std::nullopt;
  win::ModalScope modal;
  if (FileDialog()) return FileDialog()(owner, initialDir);
  wchar_t file[MAX_PATH * 4] = L"";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = L"Súbory MP3\0*.mp3\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = MAX_PATH * 4;
  ofn.lpstrInitialDir = initialDir.c_str();
  ofn.lpstrTitle = L"Vložiť súbor MP3";
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
  if (!late::GetOpenFileNameW(&ofn)) return std::nullopt;
  return std::wstring(file);
}

}  // namespace

OpenFileDialog SetOpenFileDialog(OpenFileDialog dialog) { return std::exchange(FileDialog(), std::move(dialog)); }

void TFolders::CreateBrowser() {
  FD_ = std::make_unique<services::TFolderDialog>(strip_.Window());
  FD_->SetTitle(L"Vyberte zložku");
  FD_->SetRootFolder(services::TShellFolder::sfoPersonal);
}

void TFolders::SpeedButton3Click() {
  if (transport_.PlayerBusy()) transport_.idStopClick();
  FD_->SetRootFolder(services::TShellFolder::sfoPersonal);
  const std::wstring stored = store_.Read(L"Dir_MP3s");
  if (!stored.empty()) FD_->SetDirectory(stored);
  // Cancelling keeps the folder and the list as they were.
  if (!FD_->Execute() || FD_->Directory().empty()) return;
  store_.Write(L"Dir_MP3s", FD_->Directory());
  folderPath_ = FD_->Directory();
  ShowFolderFiles(true);
}

void TFolders::LoadDefaultFolder() {
  folderPath_ = reg::DocumentsFolder();
  store_.Write(L"Dir_MP3s", folderPath_);
  ShowFolderFiles(false);
}

void TFolders::ShowFolderFiles(bool fromBrowser) {
  folderPath_ = kestrel::IncludeTrailingBackslash(folderPath_);
  std::vector<std::wstring> paths;
  WIN32_FIND_DATAW fd;
  win::FindHandle find(::FindFirstFileW((folderPath_ + L"*.mp3").c_str(), &fd));
  if (find) {
    do {
      if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) paths.push_back(folderPath_ + fd.cFileName);
    } while (::FindNextFileW(find.get(), &fd));
  }
  if (paths.empty()) {
    kestrel::ShowBox(kestrel::BoxKind::Plain, kestrel::BoxButtons::Ok,
                     fromBrowser ? folderPath_ + L"\r" + kNoMp3s : std::wstring(kNoMp3s));
    return;
  }
  if (kestrel::Lists.empty()) return;
  // A list that could not be written stays as it was (and was reported).
  if (!kestrel::WriteListFile(kestrel::Lists[kestrel::ListIndex].Path, paths)) return;
  recordings_.idChangeListClick();
  recordings_.SetCaptionFromFolders();
}

void TFolders::SpeedButton4Click() {
  if (transport_.PlayerBusy()) transport_.idStopClick();
  const std::wstring initial = store_.Read(L"DirFiles_MP3s");
  auto chosen = ShowOpenFileDialog(strip_.Window(), initial.empty() ? std::wstring(L"C:\\") : initial);
  if (!chosen) return;
  std::wstring dir = kestrel::ExtractFilePath(*chosen);
  if (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
  store_.Write(L"DirFiles_MP3s", dir);

  if (kestrel::Lists.empty()) return;
  const std::wstring listFile = kestrel::Lists[kestrel::ListIndex].Path;
  std::vector<std::wstring> lines = kestrel::ReadListFile(listFile).value_or(std::vector<std::wstring>());
  std::wstring target = lines.empty() ? std::wstring() : kestrel::ExtractFilePath(lines.front());
  if (target.empty()) target = kestrel::IncludeTrailingBackslash(reg::DocumentsFolder());

  files::ShellCopyResult copy =
      files::ShellCopy(*chosen, target, {.renameOnCollision = true, .semicolonsSeparate = true});
  if (!copy.done) return;
  // On a collision the shell names the copy anew; the list gets that name.
  const std::wstring name = kestrel::ExtractFileName(copy.newPath.empty() ? *chosen : copy.newPath);
  // Appended as a line of its own; the rest of the file stays as it was.
  if (kestrel::AppendListLine(listFile, target + name)) recordings_.idChangeListClick();
}

}  // namespace app
