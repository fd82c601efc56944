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

// Wine's file-system items carry their folder's times, the access time
// included, and the shell's dialog finds a selection by comparing items byte
// by byte with the ones its tree listed. A folder's access time moves on the
// first time the folder is read after a change; the tree reads every folder
// it lists, after listing it. This reads, once, every folder along the path
// and every folder in them, so that later listings all agree.
void SettleFolderTimes(const std::wstring& path);

// The same item list rebuilt from what each of its folders lists as its
// children, after settling the times along its path: a list that matches
// the dialog's tree. Parts that are not found are kept as they are.
win::ItemIdList ListedItems(PCIDLIST_ABSOLUTE items);

}  // namespace services
