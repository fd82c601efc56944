#include <gtest/gtest.h>

#include <shlobj.h>
#include <wrl/client.h>

#include <cstring>
#include <filesystem>
#include <set>

#include "TestSupport.h"
#include "base/Text.h"
#include "services/FolderLayout.h"
#include "services/FolderOptions.h"
#include "services/ShellItems.h"

using namespace services;
using Microsoft::WRL::ComPtr;

// Each of the first seven options passes one shell flag of its own (what
// each flag does is seen in the shell's dialog); the browser's own options
// pass none, which the shell would read as others of its.
TEST(FolderOptions, EachShellOptionPassesOneFlagOfItsOwnAndOurOptionsNone) {
  UINT passed = 0;
  for (unsigned bit = 0; bit < 13; ++bit) {
    const UINT flags = BrowseFlagsOf(1u << bit);
    if (bit >= 7) {
      EXPECT_EQ(flags, 0u) << "option " << bit << " is the browser's own";
      continue;
    }
    EXPECT_TRUE(flags != 0 && (flags & (flags - 1)) == 0) << "option " << bit << " passes " << flags;
    EXPECT_EQ(flags & passed, 0u) << "option " << bit << " passes another option's flag";
    passed |= flags;
  }
  EXPECT_EQ(BrowseFlagsOf(0x1FFF), passed) << "together the options pass what they pass alone";
}

// A root that named another's shell folder would open the browser there.
TEST(FolderOptions, EachRootFolderNamesAShellFolderOfItsOwn) {
  std::set<int> named;
  for (int root = static_cast<int>(TShellFolder::sfoDesktop); root <= static_cast<int>(TShellFolder::sfoPrintHood);
       ++root) {
    const int csidl = ShellFolderCsidl(static_cast<TShellFolder>(root));
    EXPECT_GE(csidl, 0) << "root " << root;
    EXPECT_TRUE(named.insert(csidl).second) << "root " << root << " names another root's folder";
  }
}

TEST(FolderOptions, NewerCentringReplacesTheOlder) {
  auto r = ApplyOptionRules(kDefaultFolderDialogOptions, kDefaultFolderDialogOptions | bfScreenCenter);
  EXPECT_TRUE(r.options & bfScreenCenter);
  EXPECT_FALSE(r.options & bfParentCenter);
  r = ApplyOptionRules(bfScreenCenter, bfScreenCenter | bfParentCenter);
  EXPECT_EQ(r.options, static_cast<unsigned>(bfParentCenter));
  EXPECT_FALSE(r.networkRoot);
}

TEST(FolderOptions, BrowsingForComputersOrPrintersDropsFileSystemOptions) {
  auto r = ApplyOptionRules(kDefaultFolderDialogOptions, kDefaultFolderDialogOptions | bfFileSysAncestors |
                                                             bfBrowseForComputer);
  EXPECT_TRUE(r.networkRoot);
  EXPECT_TRUE(r.options & bfBrowseForComputer);
  EXPECT_FALSE(r.options & (bfFileSysDirsOnly | bfFileSysAncestors | bfBrowseForPrinter));

  r = ApplyOptionRules(kDefaultFolderDialogOptions | bfDontGoBelowDomain,
                       kDefaultFolderDialogOptions | bfDontGoBelowDomain | bfBrowseForPrinter);
  EXPECT_FALSE(r.networkRoot);
  EXPECT_TRUE(r.options & bfBrowseForPrinter);
  EXPECT_FALSE(r.options & (bfFileSysDirsOnly | bfDontGoBelowDomain | bfFileSysAncestors | bfBrowseForComputer));
  EXPECT_TRUE(r.options & bfStatusText);

  // Both at once: the computers win.
  r = ApplyOptionRules(0, bfBrowseForComputer | bfBrowseForPrinter);
  EXPECT_EQ(r.options, static_cast<unsigned>(bfBrowseForComputer));
  EXPECT_TRUE(r.networkRoot);

  // Keeping an option that was already set is not setting it anew.
  r = ApplyOptionRules(bfBrowseForComputer, bfBrowseForComputer | bfFileSysDirsOnly);
  EXPECT_FALSE(r.networkRoot);
  EXPECT_TRUE(r.options & bfFileSysDirsOnly);
}

TEST(FolderOptions, PathInStatusAreaNeedsTheStatusLine) {
  EXPECT_EQ(ApplyOptionRules(0, bfShowPathInStatusArea).options,
            static_cast<unsigned>(bfShowPathInStatusArea | bfStatusText));
  EXPECT_EQ(ApplyOptionRules(bfStatusText | bfShowPathInStatusArea, bfShowPathInStatusArea).options, 0u);
  EXPECT_EQ(ApplyOptionRules(bfStatusText | bfShowPathInStatusArea, bfStatusText).options,
            static_cast<unsigned>(bfStatusText));
}

TEST(FolderPlacement, CentresOverOwnerOrScreenOrUsesLeftTop) {
  PlacementInput in;
  in.hasOwner = true;
  in.ownerWindow = {100, 200, 700, 600};  // 600 x 400
  in.ownerClientOrigin = {104, 230};
  in.screen = {1280, 1024};
  in.dialog = {300, 320};
  in.left = 10;
  in.top = 20;

  in.options = bfParentCenter;
  POINT p = DialogPosition(in);
  EXPECT_EQ(p.x, 100 + (600 - 300) / 2);
  EXPECT_EQ(p.y, 200 + 400 / 4);

  in.options = bfScreenCenter;
  p = DialogPosition(in);
  EXPECT_EQ(p.x, (1280 - 300) / 2);
  EXPECT_EQ(p.y, (1024 - 320) / 3);

  in.options = 0;
  p = DialogPosition(in);
  EXPECT_EQ(p.x, 114);
  EXPECT_EQ(p.y, 250);

  in.hasOwner = false;
  p = DialogPosition(in);
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 20);
  in.options = bfParentCenter;  // nothing to centre over: the screen then
  p = DialogPosition(in);
  EXPECT_EQ(p.x, (1280 - 300) / 2);
  EXPECT_EQ(p.y, (1024 - 320) / 3);
}

TEST(FolderPlacement, ExtraButtonGoesLeftOfTheStandardButtons) {
  const RECT ok{140, 286, 228, 309}, cancel{235, 286, 323, 309}, source{10, 10, 130, 30};
  RECT r = CustomButtonRect(bfAlignCustomButton, source, false, ok, cancel, 333);
  EXPECT_EQ(r.left, 333 - 323);
  EXPECT_EQ(r.top, 286);
  EXPECT_EQ(r.right - r.left, 120);
  EXPECT_EQ(r.bottom - r.top, 20);

  r = CustomButtonRect(bfAlignCustomButton, source, true, ok, cancel, 333);  // push buttons get the height
  EXPECT_EQ(r.right - r.left, 120);
  EXPECT_EQ(r.bottom - r.top, 23);

  r = CustomButtonRect(bfResizeCustomButton, source, false, ok, cancel, 333);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.top, 10);
  EXPECT_EQ(r.right - r.left, 88);
  EXPECT_EQ(r.bottom - r.top, 23);
}

namespace {

int TextWidth(HFONT font, const std::wstring& s) {
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, font);
  SIZE size{};
  ::GetTextExtentPoint32W(dc, s.c_str(), static_cast<int>(s.size()), &size);
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  return size.cx;
}

}  // namespace

TEST(FolderStatusPath, LongPathsLoseTheirMiddle) {
  HFONT font = static_cast<HFONT>(::GetStockObject(DEFAULT_GUI_FONT));
  const std::wstring shortPath = L"C:\\Rec";
  EXPECT_EQ(ShortenPath(font, shortPath, 300, true), shortPath);

  const std::wstring longPath =
      L"C:\\users\\root\\Documents\\Dictations of the year\\Department of many words\\Tuesday";
  const int width = 200;
  ASSERT_GT(TextWidth(font, longPath), width);
  const std::wstring fitted = ShortenPath(font, longPath, width, true);
  EXPECT_NE(fitted.find(L"..."), std::wstring::npos) << text::ToAnsi(fitted);
  EXPECT_EQ(fitted.substr(0, 3), L"C:\\");
  EXPECT_EQ(fitted.substr(fitted.size() - 8), L"\\Tuesday");
  EXPECT_LE(TextWidth(font, fitted + L"W"), width);

  const std::wstring cut = ShortenPath(font, longPath, width, false);
  EXPECT_EQ(cut.substr(0, 20), longPath.substr(0, 20));
  EXPECT_LT(cut.size(), longPath.size());
}

TEST(FolderSelectablePath, FoldersAndDriveRootsOnly) {
  testing_support::ScratchDir dir(L"sel");
  const std::wstring folder = dir.path().wstring();
  EXPECT_EQ(SelectableFolderPath(folder), folder);
  EXPECT_EQ(SelectableFolderPath(folder + L"\\."), folder + L"\\");
  EXPECT_EQ(SelectableFolderPath(L"C:\\"), L"C:\\");
  EXPECT_EQ(SelectableFolderPath(L"C:\\."), L"C:\\");
  EXPECT_EQ(SelectableFolderPath(folder + L"\\missing"), L"");
  testing_support::WriteBytes(dir.file(L"a.mp3"), "x");
  EXPECT_EQ(SelectableFolderPath(dir.file(L"a.mp3")), L"");
  EXPECT_EQ(SelectableFolderPath(L""), L"");
}

TEST(FolderShellItems, PathsParseIntoFileSystemItemsOnly) {
  win::ComScope com;
  testing_support::ScratchDir dir(L"items");
  const std::wstring folder = dir.path().wstring();
  win::ItemIdList items = FileSystemItems(folder);
  ASSERT_TRUE(items);
  EXPECT_TRUE(text::Same(PathOfItems(items.get()), folder));
  const ULONG want = SFGAO_FOLDER | SFGAO_FILESYSTEM;
  EXPECT_EQ(AttributesOfItems(items.get(), want), want);
  win::ItemIdList copy = CloneItems(items.get());
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), items.get());
  EXPECT_TRUE(text::Same(PathOfItems(copy.get()), folder));

  EXPECT_FALSE(FileSystemItems(folder + L"\\missing"));
  // My Computer parses, but is no part of the file system.
  EXPECT_FALSE(FileSystemItems(L"::{20D04FE0-3AEA-1069-A2D8-08002B30309D}"));
  win::ItemIdList drives = SpecialFolderItems(CSIDL_DRIVES);
  ASSERT_TRUE(drives);
  EXPECT_EQ(PathOfItems(drives.get()), L"");
  EXPECT_EQ(AttributesOfItems(drives.get(), SFGAO_FILESYSTEM), 0u);
  EXPECT_EQ(AttributesOfItems(nullptr, want), 0u);
}

// The dialog finds a selection by comparing item bytes with what each folder
// lists; a rebuilt list must be exactly what the folder lists.
TEST(FolderShellItems, RebuiltListsMatchTheFoldersListing) {
  win::ComScope com;
  testing_support::ScratchDir dir(L"listed");
  const std::filesystem::path inner = dir.path() / L"inner" / L"leaf";
  std::filesystem::create_directories(inner);
  win::ItemIdList parsed = FileSystemItems(inner.wstring());
  ASSERT_TRUE(parsed);
  std::filesystem::create_directories(dir.path() / L"inner" / L"sibling");  // the parent changes afterwards
  win::ItemIdList listed = ListedItems(parsed.get());
  ASSERT_TRUE(listed);
  EXPECT_TRUE(text::Same(PathOfItems(listed.get()), inner.wstring()));

  // The last item against the parent folder's own listing of "leaf".
  win::ItemIdList parentItems = FileSystemItems((dir.path() / L"inner").wstring());
  ASSERT_TRUE(parentItems);
  ComPtr<IShellFolder> desktop, parent;
  ASSERT_EQ(::SHGetDesktopFolder(&desktop), S_OK);
  ASSERT_EQ(desktop->BindToObject(parentItems.get(), nullptr, IID_PPV_ARGS(&parent)), S_OK);
  ComPtr<IEnumIDList> children;
  ASSERT_EQ(parent->EnumObjects(nullptr, SHCONTF_FOLDERS, &children), S_OK);
  const SHITEMID* last = &listed.get()->mkid;
  for (const SHITEMID* next = last; next->cb; next = reinterpret_cast<const SHITEMID*>(
                                                  reinterpret_cast<const BYTE*>(next) + next->cb))
    last = next;
  bool found = false;
  PITEMID_CHILD child = nullptr;
  while (children->Next(1, &child, nullptr) == S_OK) {
    win::ItemIdList owned(reinterpret_cast<PIDLIST_ABSOLUTE>(child));
    if (child->mkid.cb == last->cb && std::memcmp(child, last, last->cb) == 0) found = true;
  }
  EXPECT_TRUE(found);
  EXPECT_FALSE(ListedItems(nullptr));
}
