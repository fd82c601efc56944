#include "settings/KestrelLayouts.h"

#include <new>

#include "core/KestrelErrors.h"
#include "settings/KestrelSettings.h"
#include "settings/SettingsKey.h"

namespace kestrel {

std::vector<Layout> Layouts;
int LayoutIndex = -1;

namespace {

ILayoutHost* g_host = nullptr;

std::wstring ValueName(int n, const wchar_t* suffix = L"") { return L"Layout" + std::to_wstring(n) + suffix; }

void TickLayoutItem(int index) {
  if (!g_host || !g_host->LayoutsMenu()) return;
  for (int i = 0; i < static_cast<int>(Layouts.size()); ++i)
    ::CheckMenuItem(g_host->LayoutsMenu(), kLayoutItemFirst + i,
                    MF_BYCOMMAND | (i == index ? MF_CHECKED : MF_UNCHECKED));
}

void AppendRadioItem(HMENU menu, UINT id, const std::wstring& caption) {
  MENUITEMINFOW mi{};
  mi.cbSize = sizeof(mi);
  mi.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
  mi.fType = MFT_RADIOCHECK;
  mi.wID = id;
  mi.dwTypeData = const_cast<wchar_t*>(caption.c_str());
  ::InsertMenuItemW(menu, ::GetMenuItemCount(menu), TRUE, &mi);
}

}  // namespace

void SetLayoutHost(ILayoutHost* host) { g_host = host; }

void LoadLayouts(HKEY key) {
  // Numbers run from 1 without gaps; the first missing (or unreadable) pair
  // ends the list.
  ValueReader values(key);
  for (int n = 1;; ++n) {
    auto mask = values.Dword(ValueName(n).c_str());
    auto name = values.String(ValueName(n, L"Name").c_str());
    if (!mask || !name) break;
    AddLayout(*mask, *name);
  }
  if (values.Failed()) WarnRegistry();
}

int AddLayout(VisibilityMask mask, std::wstring name) {
  try {
    Layouts.push_back(Layout{std::move(name), mask});
  } catch (const std::bad_alloc&) {
    ErrArrayAlloc(false);
    return -1;
  }
  return static_cast<int>(Layouts.size()) - 1;
}

int FindLayoutByMask(VisibilityMask mask) {
  for (size_t i = 0; i < Layouts.size(); ++i)
    if (Layouts[i].Mask == mask) return static_cast<int>(i);
  return -1;
}

void SelectLayout(int index) {
  if (index < 0 || index >= static_cast<int>(Layouts.size())) {
    WarnLayoutIndex();
    return;
  }
  if (g_host) g_host->ApplyVisibilityMask(Layouts[index].Mask);
  StoreLayoutIndex(index);
}

void StoreLayoutIndex(int index) {
  if (!SettingsKeyExists()) return;
  win::Key key;
  if (!CreateSettingsKey(key)) {
    WarnRegistry();
    return;
  }
  if (!reg::WriteDword(key.get(), L"LayoutIndex", static_cast<DWORD>(index))) WarnRegistry();
  DeleteKeyIfEmpty(key.get());
}

void BuildLayoutsMenu() {
  if (!g_host) return;
  HMENU menu = g_host->LayoutsMenu();
  if (!menu) return;
  while (::GetMenuItemCount(menu) > 0) ::DeleteMenu(menu, 0, MF_BYPOSITION);
  for (size_t i = 0; i < Layouts.size(); ++i) AppendRadioItem(menu, kLayoutItemFirst + i, Layouts[i].Name);
  AppendRadioItem(menu, kLayoutSaveItem, L"Save");
  for (size_t i = 0; i < Layouts.size(); ++i) AppendRadioItem(menu, kLayoutDeleteFirst + i, L"Delete");
}

void TrackCurrentLayout() {
  if (!g_host) return;
  LayoutIndex = FindLayoutByMask(g_host->GetVisibilityMask());
  if (LayoutIndex >= 0) StoreLayoutIndex(LayoutIndex);
  TickLayoutItem(LayoutIndex);
}

void ApplyStartupLayout() {
  BuildLayoutsMenu();
  if (LayoutIndex == -1) {
    int i = FindLayoutByMask(DefaultVisibilityMask);
    if (i >= 0)
      SelectLayout(i);
    else if (g_host)
      g_host->ApplyVisibilityMask(DefaultVisibilityMask);
  } else {
    SelectLayout(LayoutIndex);
  }
}

}  // namespace kestrel
