#include "settings/SettingsPages.h"

#include <cmath>

#include "base/Text.h"
#include "base/TimeText.h"
#include "settings/SettingsDialog.h"

namespace kestrel {
namespace {

using namespace form2;

constexpr DWORD kBox = BS_AUTOCHECKBOX | WS_TABSTOP;
constexpr DWORD kNumber = ES_NUMBER | ES_CENTER | WS_TABSTOP | WS_BORDER;

const win::DialogItem kProgramItems[] = {
    {idStartGroup, L"BUTTON", L"Start", BS_GROUPBOX, 4, 2, 252, 56},
    {idNormal, L"BUTTON", L"&Normal", BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP, 12, 18, 236, 16},
    {idMinimized, L"BUTTON", L"&Minimized", BS_AUTORADIOBUTTON, 12, 36, 236, 16},
    {idTop, L"BUTTON", L"Always on Top", kBox | WS_GROUP, 12, 66, 236, 16},
    {idCD, L"BUTTON", L"Load application from &CD (special)", kBox, 12, 86, 236, 16},
};

const win::DialogItem kListsItems[] = {
    {idPlaySelected, L"BUTTON", L"&Play song when it is selected", kBox, 12, 4, 236, 16},
    {idTime3, L"BUTTON", L"Start playing", kBox, 12, 24, 90, 16},
    {idTimeEdit3a, L"EDIT", L"01", kNumber, 104, 23, 22, 18},
    {idTimeEdit3b, L"EDIT", L"000", kNumber, 130, 23, 30, 18},
    {idTime3Label, L"STATIC", L"seconds after selection", SS_LEFT, 164, 25, 90, 14},
    {idSelNextSong, L"BUTTON", L"Automaticaly select the &next song", kBox, 12, 46, 236, 16},
    {idSelNextList, L"BUTTON", L"Automaticaly select the next &list", kBox, 24, 64, 224, 16},
    {idIncludeExisting, L"BUTTON", L"Don't include not &existing songs", kBox, 12, 84, 236, 16},
    {idSort, L"BUTTON", L"Sort &artists and songs", kBox, 12, 104, 236, 16},
    {idGroup, L"BUTTON", L"&Group songs to their artist", kBox, 12, 124, 236, 16},
    {idRandom, L"BUTTON", L"Randomize artists and songs", kBox, 12, 144, 170, 16},
    {idRandomTimes, L"EDIT", L"3", kNumber, 184, 143, 22, 18},
    {idRandomLabel, L"STATIC", L"times", SS_LEFT, 210, 145, 40, 14},
};

const win::DialogItem kSongsItems[] = {
    {idTime1, L"BUTTON", L"Play only", kBox, 12, 4, 70, 16},
    {idTimeEdit1a, L"EDIT", L"00", kNumber, 84, 3, 22, 18},
    {idTimeEdit1b, L"EDIT", L"00", kNumber, 110, 3, 22, 18},
    {idTimeEdit1c, L"EDIT", L"00", kNumber, 136, 3, 22, 18},
    {idTime1Label, L"STATIC", L"from start of a song", SS_LEFT, 162, 5, 90, 14},
    {idErrPlaytime, L"BUTTON", L"Show message if a &playtime error occure", kBox, 12, 28, 236, 16},
    {idErrUnexisting, L"BUTTON", L"Show message if trying to play not &existing", kBox, 12, 48, 236, 16},
    {idBrowse, L"BUTTON", L"Browse song if it can not be &found", kBox, 24, 68, 224, 16},
    {idBrowseBackup, L"BUTTON", L"Create &back-up for the list file", kBox, 36, 88, 212, 16},
};

long long Units(double days) { return std::llround(days * kUnitsPerDay); }

// A field's digits, padded to its width with leading zeros.
std::wstring Padded(const std::wstring& digits, size_t width) {
  return digits.size() >= width ? digits : std::wstring(width - digits.size(), L'0') + digits;
}

void LimitText(HWND edit, int length) { ::SendMessageW(edit, EM_LIMITTEXT, static_cast<WPARAM>(length), 0); }

}  // namespace

// Program page.

TProgramPage::TProgramPage(TForm2& form) : TSettingsPage(form, kProgramItems) {}

void TProgramPage::Load(const TSettings& s) {
  SetBox(idNormal, !s.Minimized);
  SetBox(idMinimized, s.Minimized);
  SetBox(idTop, s.AlwaysTop);
  SetBox(idCD, s.LoadFromCD);
}

void TProgramPage::Default() {
  TSettings d;
  Load(d);
}

void TProgramPage::Collect(SettingsValues& v) {
  v.values.Minimized = Checked(idMinimized);
  v.values.AlwaysTop = Checked(idTop);
  v.values.LoadFromCD = Checked(idCD);
}

// Lists page.

TListsPage::TListsPage(TForm2& form) : TSettingsPage(form, kListsItems) {}

void TListsPage::OnCreate() {
  LimitText(Item(idTimeEdit3a), 2);
  LimitText(Item(idTimeEdit3b), 3);
  LimitText(Item(idRandomTimes), 2);
}

void TListsPage::Load(const TSettings& s) {
  SetBox(idSelNextSong, s.SelNextSong);
  SetBox(idSelNextList, s.SelNextList);
  SetBox(idTime3, s.EnableTime3);
  const std::wstring t3 = text::FormatTime(Units(s.Time3), text::TimeForm::SecondsMillis);
  SetText(idTimeEdit3a, t3.substr(0, 2));
  SetText(idTimeEdit3b, t3.substr(3, 3));
  SetBox(idPlaySelected, s.PlaySelected);
  SetBox(idIncludeExisting, s.IncludeExisting);
  SetBox(idSort, s.Sort);
  SetBox(idGroup, s.Group);
  SetBox(idRandom, s.EnableRandom);
  SetText(idRandomTimes, std::to_wstring(s.RandomTimes));
  UpdateEnabled();
}

void TListsPage::Default() {
  SetBox(idTime3, true);
  SetText(idTimeEdit3a, L"01");
  SetText(idTimeEdit3b, L"000");
  SetBox(idPlaySelected, true);
  SetBox(idSelNextSong, true);
  SetBox(idSelNextList, true);
  SetBox(idIncludeExisting, false);
  SetBox(idRandom, false);
  SetBox(idSort, true);
  SetBox(idGroup, true);
  SetText(idRandomTimes, L"3");
  UpdateEnabled();
}

void TListsPage::Collect(SettingsValues& v) {
  TSettings& s = v.values;
  s.EnableTime3 = Checked(idTime3);
  v.time3Text = Padded(Text(idTimeEdit3a), 2) + L":" + Padded(Text(idTimeEdit3b), 3);
  s.PlaySelected = Checked(idPlaySelected);
  s.SelNextSong = Checked(idSelNextSong);
  s.SelNextList = Checked(idSelNextList);
  s.IncludeExisting = Checked(idIncludeExisting);
  s.Sort = Checked(idSort);
  s.Group = Checked(idGroup);
  s.EnableRandom = Checked(idRandom);
  // The count as its edit holds it; an emptied edit keeps the old count.
  if (auto n = text::ToInt(Text(idRandomTimes)); n && *n >= 0 && *n <= 99) s.RandomTimes = static_cast<uint8_t>(*n);
}

void TListsPage::idRandomClick() {
  if (Checked(idRandom)) SetBox(idSort, false);
  UpdateEnabled();
}

void TListsPage::idSortClick() {
  if (Checked(idSort)) SetBox(idRandom, false);
  UpdateEnabled();
}

void TListsPage::BoxClicked(int id) {
  if (id == idRandom) return idRandomClick();
  if (id == idSort) return idSortClick();
  UpdateEnabled();
}

void TListsPage::UpdateEnabled() {
  Enable(idRandomTimes, Checked(idRandom));
  Enable(idTimeEdit3a, Checked(idTime3));
  Enable(idTimeEdit3b, Checked(idTime3));
  Enable(idSelNextList, Checked(idSelNextSong));
}

// Songs page.

TSongsPage::TSongsPage(TForm2& form) : TSettingsPage(form, kSongsItems) {}

void TSongsPage::OnCreate() {
  for (int id : {idTimeEdit1a, idTimeEdit1b, idTimeEdit1c}) LimitText(Item(id), 2);
}

void TSongsPage::Load(const TSettings& s) {
  SetBox(idBrowse, s.BrowseUnexisting);
  SetBox(idBrowseBackup, s.BrowseBackup);
  SetBox(idTime1, s.EnableTime1);
  const std::wstring t1 = text::FormatTime(s.Time1, text::TimeForm::HoursMinutesSeconds);
  const size_t c1 = t1.find(L':'), c2 = t1.rfind(L':');
  SetText(idTimeEdit1a, t1.substr(0, c1));
  SetText(idTimeEdit1b, t1.substr(c1 + 1, c2 - c1 - 1));
  SetText(idTimeEdit1c, t1.substr(c2 + 1));
  SetBox(idErrPlaytime, s.ErrPlaytime);
  SetBox(idErrUnexisting, s.ErrUnexisting);
  UpdateEnabled();
}

void TSongsPage::Default() {
  SetBox(idTime1, false);
  for (int id : {idTimeEdit1a, idTimeEdit1b, idTimeEdit1c}) SetText(id, L"00");
  SetBox(idErrPlaytime, true);
  SetBox(idErrUnexisting, true);
  SetBox(idBrowse, false);
  SetBox(idBrowseBackup, false);
  UpdateEnabled();
}

void TSongsPage::Collect(SettingsValues& v) {
  TSettings& s = v.values;
  s.EnableTime1 = Checked(idTime1);
  v.time1Text = Padded(Text(idTimeEdit1a), 2) + L":" + Padded(Text(idTimeEdit1b), 2) + L":" +
                Padded(Text(idTimeEdit1c), 2);
  s.ErrPlaytime = Checked(idErrPlaytime);
  s.ErrUnexisting = Checked(idErrUnexisting);
  s.BrowseUnexisting = Checked(idBrowse);
  s.BrowseBackup = Checked(idBrowseBackup);
}

void TSongsPage::idBrowseClick() { UpdateEnabled(); }

void TSongsPage::BoxClicked(int id) {
  if (id == idBrowse) return idBrowseClick();
  UpdateEnabled();
}

void TSongsPage::UpdateEnabled() {
  // Without times from the player the limit cannot be kept.
  const bool times = Form().Host().PlayerTellsTimes();
  Enable(idTime1, times);
  for (int id : {idTimeEdit1a, idTimeEdit1b, idTimeEdit1c}) Enable(id, times && Checked(idTime1));
  Enable(idBrowse, Checked(idErrUnexisting));
  Enable(idBrowseBackup, Checked(idErrUnexisting) && Checked(idBrowse));
}

}  // namespace kestrel
