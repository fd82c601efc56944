#include "settings/SettingsDialog.h"

#include <commctrl.h>

#include "core/KestrelErrors.h"
#include "player/AudioDevices.h"
#include "player/TPlayer.h"
#include "settings/DevicePage.h"
#include "settings/KestrelSettings.h"
#include "settings/PedalPage.h"
#include "settings/SettingsKey.h"
#include "settings/SettingsPages.h"
#include "settings/TypingPage.h"

namespace kestrel {
namespace {

using namespace form2;

constexpr DWORD kFlat = BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;

const win::DialogItem kItems[] = {
    {idPages, WC_TABCONTROLW, L"", WS_CLIPSIBLINGS, 4, 4, 270, 234},
    {idSave, L"BUTTON", L"&Uložiť", kFlat, 280, 26, 74, 24},
    {idDefault, L"BUTTON", L"P&redvolené", kFlat, 280, 54, 74, 24},
    {idCancel, L"BUTTON", L"&Storno", kFlat, 280, 82, 74, 24},
    // Holds the focus so that the dialog's keys work: no width to be seen.
    {idNull, L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 280, 4, 0, 16},
    // Outside the client area: the dialog's own cancel for Esc.
    {IDCANCEL, L"BUTTON", L"", BS_PUSHBUTTON, -60, -60, 20, 20},
};

const win::DialogTemplate kForm2{
    .caption = L"Vocorder - nastavenia",
    .clientWidth = 358,
    .clientHeight = 242,
    .font = {L"Arial", 8, EASTEUROPE_CHARSET},
    .items = kItems,
    .enterId = idSave,
    .escapeId = idCancel,
    .placement = win::Placement::CentreOwner,
    .className = L"TForm2",
};

// Every typed character reaching the key sink is dropped.
LRESULT CALLBACK NullProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
  if (msg == WM_CHAR) return 0;
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, NullProc, id);
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

}  // namespace

TForm2::TForm2(ISettingsHost& host, TPlayer& player) : TDialog(kForm2), host_(host), player_(player) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_WIN95_CLASSES};
  ::InitCommonControlsEx(&icc);
}

TForm2::~TForm2() { Destroy(); }

void TForm2::OnCreate() {
  boldFont_.reset(win::CreatePointFont(Template().font, true));
  // The page order is the pages' indices: the device page is the fourth.
  pages_.push_back(std::make_unique<TProgramPage>(*this));
  pages_.push_back(std::make_unique<TListsPage>(*this));
  pages_.push_back(std::make_unique<TSongsPage>(*this));
  pages_.push_back(std::make_unique<TDevicePage>(*this));
  pages_.push_back(std::make_unique<TTypingPage>(*this));
  pages_.push_back(std::make_unique<TPedalPage>(*this));

  HWND tab = Item(idPages);
  for (size_t i = 0; i < pages_.size(); ++i) {
    const wchar_t* caption = pages_[i]->TabCaption();
    if (!caption) continue;
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<wchar_t*>(caption);
    ::SendMessageW(tab, TCM_INSERTITEMW, tabPages_.size(), reinterpret_cast<LPARAM>(&item));
    tabPages_.push_back(static_cast<int>(i));
  }
  RECT r;
  ::GetClientRect(tab, &r);
  ::SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  ::MapWindowPoints(tab, Handle(), reinterpret_cast<POINT*>(&r), 2);
  for (auto& page : pages_) page->Create(Handle(), r, Font());

  SetHint(Item(idSave), L"Save settings (Enter)");
  SetHint(Item(idDefault), L"Restore default settings (F5)");
  SetHint(Item(idCancel), L"Restore previous settings (Esc)");
  ::SetWindowSubclass(Item(idNull), NullProc, idNull, 0);
  SelectPage(active_);
}

TDevicePage& TForm2::DevicePage() const { return static_cast<TDevicePage&>(*pages_[kDevicePage]); }

HWND TForm2::Control(int id) const {
  if (HWND h = Item(id)) return h;
  for (const auto& page : pages_)
    if (HWND h = page->Item(id)) return h;
  return nullptr;
}

void TForm2::Execute(int page) {
  if (!Create(host_.MainHandle())) return;
  for (auto& p : pages_) p->Load(Settings);
  if (page >= 0) SelectPage(page);
  ShowModal(host_.MainHandle());
  for (auto& p : pages_) p->Closed();
  host_.SetTimeEditEnabled(true);
}

void TForm2::SelectPage(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size())) return;
  active_ = index;
  for (size_t t = 0; t < tabPages_.size(); ++t)
    if (tabPages_[t] == index) ::SendMessageW(Item(idPages), TCM_SETCURSEL, t, 0);
  ShowActivePage();
}

void TForm2::ShowActivePage() {
  for (size_t i = 0; i < pages_.size(); ++i) pages_[i]->Show(static_cast<int>(i) == active_);
}

void TForm2::MovePage(int step) {
  const int n = static_cast<int>(tabPages_.size());
  if (n == 0) return;
  int t = 0;
  while (t < n && tabPages_[static_cast<size_t>(t)] != active_) ++t;
  t = t == n ? 0 : ((t + step) % n + n) % n;
  SelectPage(tabPages_[static_cast<size_t>(t)]);
}

void TForm2::FocusNull() { ::SetFocus(Item(idNull)); }

void TForm2::idSaveClick() {
  SettingsValues v{Settings, kDefaultTime3, kDefaultTime1};
  for (auto& p : pages_) p->Collect(v);
  {
    win::Key key;
    if (!CreateSettingsKey(key)) {
      WarnRegistry();
      return;
    }
  }
  SaveSettings(v.values, v.time3Text, v.time1Text);
  player_.SelectedDevice = DeviceIndexOf(Settings.DeviceName);
  DevicePage().KeepTrials();
  host_.SetTimeEditEnabled(false);  // back on when the dialog has closed
  idCancelClick();
}

void TForm2::idDefaultClick() {
  for (auto& p : pages_) p->Default();
}

void TForm2::idCancelClick() {
  DevicePage().RestorePlayer();
  EndModal(IDCANCEL);
}

void TForm2::Place() {
  TDialog::Place();
  // Never made non-topmost: that would take the owner off the top too.
  if (Settings.AlwaysTop)
    ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TForm2::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  switch (id) {
    case idSave: idSaveClick(); return;
    case idDefault: idDefaultClick(); FocusNull(); return;
    case idCancel: idCancelClick(); return;
  }
}

bool TForm2::PreTranslateMessage(const MSG& m) {
  if (m.message != WM_KEYDOWN || !IsOwnKey(m)) return false;
  if ((m.wParam == VK_RETURN || m.wParam == VK_ESCAPE) && win::IsDroppedCombo(m.hwnd)) return false;
  switch (m.wParam) {
    case VK_RETURN: idSaveClick(); return true;
    case VK_ESCAPE: idCancelClick(); return true;
    case VK_F5: idDefaultClick(); return true;
    case VK_TAB:
      if (::GetKeyState(VK_CONTROL) >= 0) return false;
      MovePage(::GetKeyState(VK_SHIFT) < 0 ? -1 : 1);
      return true;
  }
  return false;
}

LRESULT TForm2::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NOTIFY) {
    const auto* n = reinterpret_cast<const NMHDR*>(lp);
    if (n->idFrom == static_cast<UINT_PTR>(idPages) && n->code == TCN_SELCHANGE) {
      const auto t = static_cast<size_t>(::SendMessageW(n->hwndFrom, TCM_GETCURSEL, 0, 0));
      if (t < tabPages_.size()) SelectPage(tabPages_[t]);
      return 0;
    }
  }
  return TDialog::HandleMessage(msg, wp, lp);
}

}  // namespace kestrel
