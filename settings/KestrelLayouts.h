// The stored layouts of the main window: named masks of its visible
// elements, and the index of the layout in use.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace kestrel {

using VisibilityMask = DWORD;
inline constexpr VisibilityMask DefaultVisibilityMask = 0x1FDFF;

struct Layout {
  std::wstring Name;
  VisibilityMask Mask = 0;
};

extern std::vector<Layout> Layouts;
extern int LayoutIndex;  // the current layout, -1 for none

// Menu command ids of the layouts submenu.
inline constexpr UINT kLayoutItemFirst = 0x7100;    // + layout index
inline constexpr UINT kLayoutSaveItem = 0x7000;
inline constexpr UINT kLayoutDeleteFirst = 0x7800;  // + layout index

// What the layouts need from the main window.
class ILayoutHost {
public:
  virtual ~ILayoutHost() = default;
  virtual VisibilityMask GetVisibilityMask() = 0;
  // Shows and hides the elements, lays the window out again and then calls
  // TrackCurrentLayout().
  virtual void ApplyVisibilityMask(VisibilityMask mask) = 0;
  virtual HMENU LayoutsMenu() = 0;
};

void SetLayoutHost(ILayoutHost* host);

void LoadLayouts(HKEY key);
int AddLayout(VisibilityMask mask, std::wstring name);
int FindLayoutByMask(VisibilityMask mask);
void SelectLayout(int index);
void StoreLayoutIndex(int index);
void BuildLayoutsMenu();

// After the window was laid out again: the layout matching what is shown
// becomes current (and is stored and ticked), or no layout is ticked.
void TrackCurrentLayout();
// At main-window creation: the menu, then the stored layout or the default.
void ApplyStartupLayout();

}  // namespace kestrel
