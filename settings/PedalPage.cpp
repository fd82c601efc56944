#include "settings/PedalPage.h"

#include <iterator>

#include "services/PedalControl.h"
#include "settings/SettingsDialog.h"

namespace kestrel {
namespace {

using namespace pedal;
using services::PedalBit;

constexpr DWORD kList = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kLight = SS_CENTER | SS_CENTERIMAGE;
constexpr COLORREF kLitColour = RGB(120, 210, 110);

const win::DialogItem kPedalItems[] = {
    {idPedalGroup, L"BUTTON", L"Čo robia pedále", BS_GROUPBOX, 4, 2, 252, 122},
    {idPedalLeftLabel, L"STATIC", L"Ľavý:", SS_LEFT, 12, 21, 78, 14},
    {idPedalLeftLight, L"STATIC", L"", kLight, 90, 19, 48, 16, WS_EX_STATICEDGE},
    {idPedalLeft, L"COMBOBOX", L"", kList, 140, 18, 108, 200},
    {idPedalMiddleLabel, L"STATIC", L"Stredný:", SS_LEFT, 12, 41, 78, 14},
    {idPedalMiddleLight, L"STATIC", L"", kLight, 90, 39, 48, 16, WS_EX_STATICEDGE},
    {idPedalMiddle, L"COMBOBOX", L"", kList, 140, 38, 108, 200},
    {idPedalRightLabel, L"STATIC", L"Pravý:", SS_LEFT, 12, 61, 78, 14},
    {idPedalRightLight, L"STATIC", L"", kLight, 90, 59, 48, 16, WS_EX_STATICEDGE},
    {idPedalRight, L"COMBOBOX", L"", kList, 140, 58, 108, 200},
    {idPedalFourthLabel, L"STATIC", L"Štvrtý:", SS_LEFT, 12, 81, 78, 14},
    {idPedalFourthLight, L"STATIC", L"", kLight, 90, 79, 48, 16, WS_EX_STATICEDGE},
    {idPedalFourth, L"COMBOBOX", L"", kList, 140, 78, 108, 200},
    {idPedalBothLabel, L"STATIC", L"Ľavý s pravým:", SS_LEFT, 12, 101, 78, 14},
    {idPedalBothLight, L"STATIC", L"", kLight, 90, 99, 48, 16, WS_EX_STATICEDGE},
    {idPedalBoth, L"COMBOBOX", L"", kList, 140, 98, 108, 200},
    {idPlayGroup, L"BUTTON", L"Pedál prehrávania", BS_GROUPBOX, 4, 126, 252, 50},
    {idPedalHold, L"BUTTON", L"Prehráva, kým je stlačený", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 12, 140,
     236, 16},
    {idPedalToggle, L"BUTTON", L"Stlačenie prehrá, ďalšie zastaví", BS_AUTORADIOBUTTON, 12, 157, 236, 16},
    {idPedalDevice, L"STATIC", L"", SS_LEFT, 8, 180, 248, 28},
};

// The rows: a pedal (or both side pedals) with its light and its choice.
struct PedalRow {
  int light;
  int choice;
  uint8_t TSettings::*field;
  services::PedalSet pedals;  // lit while all of these are down
};
constexpr PedalRow kRows[] = {
    {idPedalLeftLight, idPedalLeft, &TSettings::PedalLeft, PedalBit(0)},
    {idPedalMiddleLight, idPedalMiddle, &TSettings::PedalMiddle, PedalBit(1)},
    {idPedalRightLight, idPedalRight, &TSettings::PedalRight, PedalBit(2)},
    {idPedalFourthLight, idPedalFourth, &TSettings::PedalFourth, PedalBit(3)},
    {idPedalBothLight, idPedalBoth, &TSettings::PedalBoth, services::kSidePedals},
};

// In the order of services::PedalAction.
constexpr const wchar_t* kActions[] = {L"nič",           L"prehrávať",     L"pretáčať späť",
                                       L"pretáčať vpred", L"časová značka", L"opakovať úsek"};
static_assert(std::size(kActions) == services::kPedalActions);

}  // namespace

TPedalPage::TPedalPage(TForm2& form) : TSettingsPage(form, kPedalItems) {}

TPedalPage::~TPedalPage() { Follow(nullptr); }

void TPedalPage::OnCreate() {
  litBrush_.reset(::CreateSolidBrush(kLitColour));
  for (const PedalRow& row : kRows)
    for (const wchar_t* a : kActions) ::SendMessageW(Item(row.choice), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(a));
  Form().SetHint(Item(idPedalBoth), L"Both side pedals pressed together do this instead of their own actions");
  PedalDeviceChanged();
}

void TPedalPage::ShowSettings(const TSettings& s) {
  for (const PedalRow& row : kRows) {
    const uint8_t action = s.*row.field < services::kPedalActions ? s.*row.field : 0;
    ::SendMessageW(Item(row.choice), CB_SETCURSEL, action, 0);
  }
  SetBox(idPedalHold, s.PedalHold);
  SetBox(idPedalToggle, !s.PedalHold);
}

void TPedalPage::Load(const TSettings& s) {
  ShowSettings(s);
  Follow(Form().Host().Pedals());
}

void TPedalPage::Default() { ShowSettings(TSettings{}); }

void TPedalPage::Collect(SettingsValues& v) {
  for (const PedalRow& row : kRows) {
    const auto i = ::SendMessageW(Item(row.choice), CB_GETCURSEL, 0, 0);
    if (i >= 0 && i < services::kPedalActions) v.values.*row.field = static_cast<uint8_t>(i);
  }
  v.values.PedalHold = Checked(idPedalHold);
}

void TPedalPage::Closed() { Follow(nullptr); }

void TPedalPage::Follow(services::IPedalSource* source) {
  if (source_ == source) return;
  if (source_) source_->Unsubscribe(*this);
  source_ = source;
  if (source_) source_->Subscribe(*this);
  if (Handle()) {
    PedalsChanged(source_ ? source_->Pressed() : 0);
    PedalDeviceChanged();
  }
}

void TPedalPage::PedalsChanged(services::PedalSet pressed) {
  for (size_t r = 0; r < std::size(kRows); ++r) {
    const bool on = (pressed & kRows[r].pedals) == kRows[r].pedals;
    if (on == ((lit_ >> r) & 1u)) continue;
    lit_ ^= 1u << r;
    ::SetWindowTextW(Item(kRows[r].light), on ? L"stlačený" : L"");
  }
}

void TPedalPage::PedalDeviceChanged() {
  const std::wstring name = source_ ? source_->DeviceName() : std::wstring();
  SetText(idPedalDevice, name.empty() ? L"Pedál sa zatiaľ neozval. Pripojte ho a stlačte niektorý z pedálov."
                                      : L"Pedál: " + name + L". Stlačený pedál sa rozsvieti.");
}

LRESULT TPedalPage::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CTLCOLORSTATIC)
    for (size_t r = 0; r < std::size(kRows); ++r)
      if (reinterpret_cast<HWND>(lp) == Item(kRows[r].light) && ((lit_ >> r) & 1u)) {
        ::SetBkColor(reinterpret_cast<HDC>(wp), kLitColour);
        return reinterpret_cast<LRESULT>(litBrush_.get());
      }
  return TSettingsPage::HandleMessage(msg, wp, lp);
}

}  // namespace kestrel
