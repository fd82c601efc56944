// Stored layouts, the start-up layout and the layouts menu (a real menu).
#include <gtest/gtest.h>

#include "MessageSeam.h"
#include "RegistrySandbox.h"
#include "base/WinHandles.h"
#include "settings/KestrelLayouts.h"
#include "settings/KestrelSettings.h"

using namespace kestrel;
using testing_support::MessageSeam;

namespace {

// The main window's share: what is shown, and the layouts submenu.
class FakeHost : public ILayoutHost {
public:
  FakeHost() : menu(::CreatePopupMenu()) {}
  VisibilityMask GetVisibilityMask() override { return shown; }
  void ApplyVisibilityMask(VisibilityMask mask) override {
    shown = mask;
    applied.push_back(mask);
    TrackCurrentLayout();
  }
  HMENU LayoutsMenu() override { return menu.get(); }

  std::vector<std::wstring> Captions() {
    std::vector<std::wstring> out;
    for (int i = 0; i < ::GetMenuItemCount(menu.get()); ++i) {
      wchar_t buf[64];
      ::GetMenuStringW(menu.get(), i, buf, 64, MF_BYPOSITION);
      out.push_back(buf);
    }
    return out;
  }
  bool Ticked(int layout) {
    return ::GetMenuState(menu.get(), kLayoutItemFirst + layout, MF_BYCOMMAND) & MF_CHECKED;
  }

  VisibilityMask shown = 0;
  std::vector<VisibilityMask> applied;
  win::Menu menu;
};

class LayoutsTest : public ::testing::Test {
protected:
  void SetUp() override { SetLayoutHost(&host); }
  void TearDown() override { SetLayoutHost(nullptr); }
  void Store(const wchar_t* name, DWORD v) {
    win::Key k;
    ::RegCreateKeyExW(registry.root(), kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr);
    ::RegSetValueExW(k.get(), name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), sizeof(v));
  }
  void Store(const wchar_t* name, const wchar_t* v) {
    win::Key k;
    ::RegCreateKeyExW(registry.root(), kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, k.put(), nullptr);
    ::RegSetValueExW(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v),
                     static_cast<DWORD>((wcslen(v) + 1) * 2));
  }
  std::optional<DWORD> StoredIndex() {
    DWORD v = 0, size = sizeof(v);
    if (::RegGetValueW(registry.root(), kSettingsKey, L"LayoutIndex", RRF_RT_REG_DWORD, nullptr, &v, &size) !=
        ERROR_SUCCESS)
      return std::nullopt;
    return v;
  }

  MessageSeam seam;
  FakeHost host;
  testing_support::RegistrySandbox registry;
};

TEST_F(LayoutsTest, NumbersRunWithoutGaps) {
  Store(L"Layout1", 0x1F);
  Store(L"Layout1Name", L"Small");
  Store(L"Layout3", 0x3F);
  Store(L"Layout3Name", L"Big");
  LoadSettings();
  ASSERT_EQ(Layouts.size(), 1u);
  EXPECT_EQ(Layouts[0].Name, L"Small");
  EXPECT_EQ(Layouts[0].Mask, 0x1Fu);
}

TEST_F(LayoutsTest, AStoredDefaultLayoutIsSelectedAndItsIndexWritten) {
  Store(L"Layout1", 0x1F);
  Store(L"Layout1Name", L"Small");
  Store(L"Layout2", DefaultVisibilityMask);
  Store(L"Layout2Name", L"All");
  LoadSettings();
  ApplyStartupLayout();
  EXPECT_EQ(host.applied, (std::vector<VisibilityMask>{DefaultVisibilityMask}));
  EXPECT_EQ(LayoutIndex, 1);
  EXPECT_EQ(StoredIndex(), 1u);
  EXPECT_EQ(host.Captions(), (std::vector<std::wstring>{L"Small", L"All", L"Save", L"Delete", L"Delete"}));
  EXPECT_TRUE(host.Ticked(1));
  EXPECT_FALSE(host.Ticked(0));
  MENUITEMINFOW mi{sizeof(mi), MIIM_FTYPE};
  ::GetMenuItemInfoW(host.menu.get(), 2, TRUE, &mi);
  EXPECT_TRUE(mi.fType & MFT_RADIOCHECK);

  // Showing something no layout has unticks the item; the stored index stays.
  host.ApplyVisibilityMask(0x7);
  EXPECT_EQ(LayoutIndex, -1);
  EXPECT_FALSE(host.Ticked(1));
  EXPECT_EQ(StoredIndex(), 1u);
}

TEST_F(LayoutsTest, WithoutLayoutsEverythingIsShownAndNothingWritten) {
  LoadSettings();
  ApplyStartupLayout();
  EXPECT_EQ(host.applied, (std::vector<VisibilityMask>{DefaultVisibilityMask}));
  EXPECT_EQ(host.Captions(), (std::vector<std::wstring>{L"Save"}));
  EXPECT_FALSE(StoredIndex());
  HKEY k;
  EXPECT_NE(::RegOpenKeyExW(registry.root(), kSettingsKey, 0, KEY_READ, &k), ERROR_SUCCESS);
}

TEST_F(LayoutsTest, AnIndexOutOfRangeWarnsAndChangesNothing) {
  Store(L"Layout1", 0x1F);
  Store(L"Layout1Name", L"Small");
  Store(L"LayoutIndex", 1);
  LoadSettings();
  ApplyStartupLayout();
  ASSERT_EQ(seam.boxes.size(), 1u);
  EXPECT_EQ(seam.last().text, L"The specified layout index is out of the valid range.");
  EXPECT_EQ(seam.last().icon(), UINT(MB_ICONEXCLAMATION));
  EXPECT_TRUE(host.applied.empty());
}

TEST_F(LayoutsTest, TheFirstOfTwoEqualMasksBecomesCurrentWhileTheStoredIndexIsKept) {
  Store(L"Layout1", 0x1F);
  Store(L"Layout1Name", L"A");
  Store(L"Layout2", 0x1F);
  Store(L"Layout2Name", L"B");
  Store(L"LayoutIndex", 1);
  LoadSettings();
  ApplyStartupLayout();
  EXPECT_EQ(LayoutIndex, 0);
  EXPECT_EQ(StoredIndex(), 1u);
  EXPECT_TRUE(host.Ticked(0));
}

}  // namespace
