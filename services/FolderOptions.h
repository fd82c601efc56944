// The folder browser's option set, its root folders and the rules that keep
// the options consistent. Plain values: nothing here touches a window.
#pragma once

#include <windows.h>

namespace services {

// One bit per option, in this order.
enum TFolderDialogOption : unsigned {
  bfFileSysDirsOnly = 0x1,
  bfDontGoBelowDomain = 0x2,
  bfStatusText = 0x4,
  bfFileSysAncestors = 0x8,
  bfBrowseForComputer = 0x10,
  bfBrowseForPrinter = 0x20,
  bfBrowseIncludeFiles = 0x40,
  bfShowPathInStatusArea = 0x80,
  bfSyncCustomButton = 0x100,
  bfAlignCustomButton = 0x200,
  bfScreenCenter = 0x400,
  bfParentCenter = 0x800,
  bfResizeCustomButton = 0x1000,
};
using TFolderDialogOptions = unsigned;

constexpr TFolderDialogOptions kDefaultFolderDialogOptions =
    bfFileSysDirsOnly | bfStatusText | bfShowPathInStatusArea | bfSyncCustomButton | bfAlignCustomButton |
    bfParentCenter;  // 0xB85

enum class TShellFolder {
  sfoDesktopExpanded,
  sfoDesktop,
  sfoPrograms,
  sfoControlPanel,
  sfoPrinters,
  sfoPersonal,
  sfoFavorites,
  sfoStartup,
  sfoRecent,
  sfoSendto,
  sfoRecycleBin,
  sfoStartMenu,
  sfoDesktopDirectory,
  sfoMyComputer,
  sfoNetwork,
  sfoNetworkNeighborhood,
  sfoFonts,
  sfoTemplates,
  sfoCommonStartMenu,
  sfoCommonPrograms,
  sfoCommonStartup,
  sfoCommonDesktopDirectory,
  sfoAppData,
  sfoPrintHood,
};

// The shell folder identifier (CSIDL) of a root; -1 for sfoDesktopExpanded,
// which is the desktop with the whole namespace and has no root item list.
int ShellFolderCsidl(TShellFolder folder);

// The BIF_ flags that options 0 to 6 pass on to the shell.
UINT BrowseFlagsOf(TFolderDialogOptions options);

struct OptionChange {
  TFolderDialogOptions options;
  bool networkRoot;  // the root folder must become sfoNetwork
};

// The options that result from assigning `value` while `current` is set.
OptionChange ApplyOptionRules(TFolderDialogOptions current, TFolderDialogOptions value);

}  // namespace services
