// Shell item identifier lists of the folder browser: made from special
// folders and paths, copied, and asked for their path and attributes.
// Failures come back as empty values; nothing here shows a message.
#pragma once

#include <windows.h>
#include <shtypes.h>

#include <string>

#include "base/WinHandles.h"

namespace services {

// The item list of a special folder (CSIDL); empty when the machine has none.
win::ItemIdList SpecialFolderItems(int csidl);

win::ItemIdList CloneItems(PCIDLIST_ABSOLUTE items);

// The file-system path of an item; empty when the item has none.
std::wstring PathOfItems(PCIDLIST_ABSOLUTE items);

// The item's shell attributes among `requested`; 0 when the query fails.
ULONG AttributesOfItems(PCIDLIST_ABSOLUTE items, ULONG requested);

// A path that may be selected: an existing folder or a drive root, with a
// final "\." dropped. Empty when the path names neither.
std::wstring SelectableFolderPath(std::wstring path);

// The full item list of a folder path, parsed from the desktop; empty unless
// the shell reports the item as part of the file system.
win::ItemIdList FileSystemItems(const std::wstring& path);

// The same item list rebuilt from what each of its folders lists as its
// children. The shell's dialog compares item lists byte by byte, and Wine's
// file-system items carry the folder's times, so a parsed list can differ
// from the listed items of the dialog's tree; rebuilt lists match them.
// Parts that are not found are kept as they are.
win::ItemIdList ListedItems(PCIDLIST_ABSOLUTE items);

}  // namespace services
