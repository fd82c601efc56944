#include "services/FolderOptions.h"

#include <shlobj.h>

namespace services {

int ShellFolderCsidl(TShellFolder folder) {
  switch (folder) {
    case TShellFolder::sfoDesktopExpanded: return -1;
    case TShellFolder::sfoDesktop: return CSIDL_DESKTOP;
    case TShellFolder::sfoPrograms: return CSIDL_PROGRAMS;
    case TShellFolder::sfoControlPanel: return CSIDL_CONTROLS;
    case TShellFolder::sfoPrinters: return CSIDL_PRINTERS;
    case TShellFolder::sfoPersonal: return CSIDL_PERSONAL;
    case TShellFolder::sfoFavorites: return CSIDL_FAVORITES;
    case TShellFolder::sfoStartup: return CSIDL_STARTUP;
    case TShellFolder::sfoRecent: return CSIDL_RECENT;
    case TShellFolder::sfoSendto: return CSIDL_SENDTO;
    case TShellFolder::sfoRecycleBin: return CSIDL_BITBUCKET;
    case TShellFolder::sfoStartMenu: return CSIDL_STARTMENU;
    case TShellFolder::sfoDesktopDirectory: return CSIDL_DESKTOPDIRECTORY;
    case TShellFolder::sfoMyComputer: return CSIDL_DRIVES;
    case TShellFolder::sfoNetwork: return CSIDL_NETWORK;
    case TShellFolder::sfoNetworkNeighborhood: return CSIDL_NETHOOD;
    case TShellFolder::sfoFonts: return CSIDL_FONTS;
    case TShellFolder::sfoTemplates: return CSIDL_TEMPLATES;
    case TShellFolder::sfoCommonStartMenu: return CSIDL_COMMON_STARTMENU;
    case TShellFolder::sfoCommonPrograms: return CSIDL_COMMON_PROGRAMS;
    case TShellFolder::sfoCommonStartup: return CSIDL_COMMON_STARTUP;
    case TShellFolder::sfoCommonDesktopDirectory: return CSIDL_COMMON_DESKTOPDIRECTORY;
    case TShellFolder::sfoAppData: return CSIDL_APPDATA;
    case TShellFolder::sfoPrintHood: return CSIDL_PRINTHOOD;
  }
  return -1;
}

UINT BrowseFlagsOf(TFolderDialogOptions options) {
  static constexpr struct {
    TFolderDialogOptions option;
    UINT flag;
  } kMap[] = {
      {bfFileSysDirsOnly, BIF_RETURNONLYFSDIRS},     {bfDontGoBelowDomain, BIF_DONTGOBELOWDOMAIN},
      {bfStatusText, BIF_STATUSTEXT},                {bfFileSysAncestors, BIF_RETURNFSANCESTORS},
      {bfBrowseForComputer, BIF_BROWSEFORCOMPUTER},  {bfBrowseForPrinter, BIF_BROWSEFORPRINTER},
      {bfBrowseIncludeFiles, BIF_BROWSEINCLUDEFILES},
  };
  UINT flags = 0;
  for (const auto& m : kMap)
    if (options & m.option) flags |= m.flag;
  return flags;
}

OptionChange ApplyOptionRules(TFolderDialogOptions current, TFolderDialogOptions value) {
  const auto added = [&](TFolderDialogOptions o) { return (value & o) && !(current & o); };
  OptionChange r{value, false};

  // The two centrings exclude each other: the newer one wins.
  if ((r.options & bfScreenCenter) && (r.options & bfParentCenter))
    r.options &= ~(current & (bfScreenCenter | bfParentCenter));

  if (added(bfBrowseForComputer)) {
    r.networkRoot = true;
    r.options &= ~(bfFileSysDirsOnly | bfFileSysAncestors | bfBrowseForPrinter);
  } else if (added(bfBrowseForPrinter)) {
    r.options &= ~(bfFileSysDirsOnly | bfDontGoBelowDomain | bfFileSysAncestors | bfBrowseForComputer);
  }

  // The path is shown in the status line, which exists only with bfStatusText.
  if (added(bfShowPathInStatusArea) && !(r.options & bfStatusText)) r.options |= bfStatusText;
  if ((current & bfStatusText) && !(r.options & bfStatusText) && (r.options & bfShowPathInStatusArea))
    r.options &= ~bfShowPathInStatusArea;
  return r;
}

}  // namespace services
