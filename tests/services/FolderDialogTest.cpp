// TFolderDialog's own handling of the browse, through its seam: what it asks
// the shell for and what it makes of the answer.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <memory>

#include "TestSupport.h"
#include "base/Text.h"
#include "services/FoldrDlg.h"
#include "services/ShellItems.h"

using namespace services;

namespace {

struct Seen {
  int calls = 0;
  HWND owner = nullptr;
  std::wstring rootPath;
  bool rootIsNull = false;
  bool hasText = false;
  std::wstring text;
  UINT flags = 0;
  bool hasCallback = false;
  bool hasNameBuffer = false;
};

TFolderDialog::BrowseFunction Answer(Seen& seen, std::function<PIDLIST_ABSOLUTE(BROWSEINFOW&)> answer) {
  return [&seen, answer](BROWSEINFOW& info) {
    ++seen.calls;
    seen.owner = info.hwndOwner;
    seen.rootIsNull = info.pidlRoot == nullptr;
    seen.rootPath = PathOfItems(info.pidlRoot);
    seen.hasText = info.lpszTitle != nullptr;
    if (info.lpszTitle) seen.text = info.lpszTitle;
    seen.flags = info.ulFlags;
    seen.hasCallback = info.lpfn != nullptr && info.lParam != 0;
    seen.hasNameBuffer = info.pszDisplayName != nullptr;
    return answer(info);
  };
}

std::wstring Documents() {
  wchar_t path[MAX_PATH] = L"";
  ::SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path);
  return path;
}

}  // namespace

class FolderDialogSeam : public ::testing::Test {
protected:
  win::ComScope com;
  testing_support::ScratchDir dir{L"fds"};
};

TEST_F(FolderDialogSeam, DefaultsAndWhatTheShellIsAskedFor) {
  TFolderDialog fd;
  EXPECT_EQ(fd.Title(), L"Browse for Folder");
  EXPECT_EQ(fd.Options(), 0xB85u);
  EXPECT_EQ(fd.RootFolder(), TShellFolder::sfoDesktopExpanded);
  EXPECT_TRUE(fd.Ctl3D());
  EXPECT_EQ(fd.Top(), 0);
  EXPECT_EQ(fd.Left(), 0);
  EXPECT_EQ(fd.Directory(), L"");

  Seen seen;
  fd.SetBrowseFunction(Answer(seen, [](BROWSEINFOW&) { return nullptr; }));
  EXPECT_FALSE(fd.Execute());
  EXPECT_EQ(seen.calls, 1);
  EXPECT_EQ(seen.owner, nullptr);
  EXPECT_TRUE(seen.rootIsNull);
  EXPECT_FALSE(seen.hasText);  // an empty instruction line is left out
  EXPECT_EQ(seen.flags, static_cast<UINT>(BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT));
  EXPECT_TRUE(seen.hasCallback);
  EXPECT_TRUE(seen.hasNameBuffer);

  HWND owner = ::CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  fd.SetOwner(owner);
  fd.SetText(L"Vyberte zložku s nahrávkami");
  fd.SetRootFolder(TShellFolder::sfoPersonal);
  fd.SetOptions(bfFileSysDirsOnly | bfBrowseIncludeFiles);
  EXPECT_FALSE(fd.Execute());
  EXPECT_EQ(seen.owner, owner);
  EXPECT_EQ(seen.text, L"Vyberte zložku s nahrávkami");
  EXPECT_FALSE(seen.rootIsNull);
  EXPECT_TRUE(text::Same(seen.rootPath, Documents()));
  EXPECT_EQ(seen.flags, static_cast<UINT>(BIF_RETURNONLYFSDIRS | BIF_BROWSEINCLUDEFILES));
  ::DestroyWindow(owner);
}

TEST_F(FolderDialogSeam, ChoiceGivesDirectoryNameAndImage) {
  TFolderDialog fd;
  Seen seen;
  const std::wstring folder = dir.path().wstring();
  fd.SetBrowseFunction(Answer(seen, [&](BROWSEINFOW& info) {
    ::lstrcpyW(info.pszDisplayName, L"Dictations");
    info.iImage = 7;
    return FileSystemItems(folder).release();
  }));
  ASSERT_TRUE(fd.Execute());
  EXPECT_TRUE(text::Same(fd.Directory(), folder));
  EXPECT_EQ(fd.DisplayName(), L"Dictations");
  EXPECT_EQ(fd.ImageIndex(), 7);
}

TEST_F(FolderDialogSeam, ChoiceWithoutPathEmptiesDirectory) {
  TFolderDialog fd;
  fd.SetDirectory(dir.path().wstring());
  Seen seen;
  fd.SetBrowseFunction(Answer(seen, [](BROWSEINFOW&) { return SpecialFolderItems(CSIDL_DRIVES).release(); }));
  EXPECT_TRUE(fd.Execute());
  EXPECT_EQ(fd.Directory(), L"");
}

TEST_F(FolderDialogSeam, CancelLeavesDirectoryAsItWas) {
  TFolderDialog fd;
  const std::wstring folder = dir.path().wstring();
  fd.SetDirectory(folder);
  Seen seen;
  fd.SetBrowseFunction(Answer(seen, [](BROWSEINFOW&) { return nullptr; }));
  EXPECT_FALSE(fd.Execute());
  EXPECT_EQ(fd.Directory(), folder);
  EXPECT_EQ(fd.SelectionAttributes(), 0u);
}

TEST_F(FolderDialogSeam, BrowsingForComputersMovesTheRootToTheNetwork) {
  TFolderDialog fd;
  fd.SetOptions(fd.Options() | bfBrowseForComputer);
  EXPECT_EQ(fd.RootFolder(), TShellFolder::sfoNetwork);
  EXPECT_FALSE(fd.Options() & bfFileSysDirsOnly);
  Seen seen;
  fd.SetBrowseFunction(Answer(seen, [](BROWSEINFOW&) { return nullptr; }));
  fd.Execute();
  EXPECT_EQ(seen.flags & (BIF_BROWSEFORCOMPUTER | BIF_RETURNONLYFSDIRS), static_cast<UINT>(BIF_BROWSEFORCOMPUTER));
}

// An owner that frees the component from inside its own dialog must not have
// the component's Execute write into freed memory afterwards.
TEST_F(FolderDialogSeam, ComponentFreedWhileItsDialogRuns) {
  auto fd = std::make_unique<TFolderDialog>();
  TFolderDialog* raw = fd.get();
  const std::wstring folder = dir.path().wstring();
  raw->SetBrowseFunction([&](BROWSEINFOW&) {
    fd.reset();
    return FileSystemItems(folder).release();
  });
  EXPECT_FALSE(raw->Execute());
  EXPECT_EQ(fd, nullptr);
}
