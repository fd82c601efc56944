#include "app/Strip.h"

#include <algorithm>

#include "app/resource.h"

namespace app {
namespace {

constexpr COLORREF kMaroon = RGB(128, 0, 0);
constexpr COLORREF kNavy = RGB(0, 0, 128);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kSilver = RGB(192, 192, 192);
constexpr COLORREF kGrey = RGB(128, 128, 128);
constexpr int kClientWidth = 470;
constexpr int kSmallTop = 90;  // below the visible area

struct ButtonDef {
  int id, x, glyph;
  const wchar_t* hint;
};
constexpr ButtonDef kBarButtons[] = {
    {idPlay, 8, IDB_PLAY_BLACK, L"Play "},
    {idStop, 30, IDB_STOP, L"Stop"},
    {SpeedButton1, 52, IDB_BACK, L"Vzad"},
    {SpeedButton2, 74, IDB_FORWARD, L"Vpred"},
    {SpeedButton3, 276, IDB_FOLDER, L"Vybrať zložku so súbormi"},
    {SpeedButton4, 298, IDB_FILE, L"Vložiť súbor s nahrávkou"},
    {SpeedButton5, 320, IDB_RECORD, L"Náhrávanie zvuku"},
    {SpeedButton8, 342, IDB_MAIL, L"Odoslať vybranú nahrávku E-Mailom"},
    {SpeedButton6, 364, IDB_SETTINGS, L"Nastavenia"},
    {SpeedButton7, 386, IDB_ABOUT, L"O programe"},
    {btnKonec, 414, IDB_EXIT, L"Ukončiť"},
};

constexpr ButtonDef kSmallButtons[] = {
    {idPrev, 0, IDB_SMALL, L"Previous Song (Left)"},     {idNext, 0, IDB_SMALL, L"Next Song (Right)"},
    {idSettings, 0, IDB_SETTINGS, L"Edit Player Settings (F5)"}, {idChangeList, 0, IDB_RELOAD, L""},
    {idGroup, 0, IDB_UNGROUPED, L""},                      {idSort, 0, IDB_SMALL, L"Sort (F3)"},
    {idRandom, 0, IDB_SMALL, L"Randomize (F4)"},          {idFind, 0, IDB_SMALL, L""},
};

}  // namespace

const Element kElements[17] = {
    {cmbArtists, L"&Artists"},        {cmbSongs, L"&Songs"},           {idTrackFrm, L"&Position Bar"},
    {idPlay, L"&Play"},               {idStop, L"&Stop"},              {idPrev, L"P&revious"},
    {idNext, L"&Next"},               {idTime1, L"Song &Position"},    {idTime2, L"Song &Length"},
    {0, L"&Milliseconds"},            {idSettings, L"&Settings"},      {idChangeList, L"&Change/Reload List"},
    {idGroup, L"&Group/Ungroup"},     {idSort, L"S&ort"},              {idRandom, L"&Randomize"},
    {sldVolumeFrm, L"&Volume Control"}, {idFind, L"Find"}};

void TStrip::Create(HWND window, HINSTANCE instance) {
  window_ = window;
  LOGFONTW lf{};
  HDC dc = ::GetDC(window_);
  lf.lfHeight = -::MulDiv(8, ::GetDeviceCaps(dc, LOGPIXELSY), 72);
  lowColour_ = ::GetDeviceCaps(dc, BITSPIXEL) * ::GetDeviceCaps(dc, PLANES) <= 8;
  ::ReleaseDC(window_, dc);
  lf.lfCharSet = EASTEUROPE_CHARSET;
  lf.lfWeight = FW_NORMAL;
  lstrcpynW(lf.lfFaceName, L"Arial", LF_FACESIZE);
  font_.reset(::CreateFontIndirectW(&lf));
  ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);

  LoadGlyphs(instance);
  for (const auto& b : kBarButtons) hints_.Set(CreateFlatButton(window_, b.id, Rect(b.x, 6, 22, 22), Glyph(b.glyph)), b.hint);
  ::EnableWindow(Control(idStop), FALSE);
  HWND songs = CreateChild(window_, L"COMBOBOX", cmbSongs, Rect(98, 7, 175, 200),
                           WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
  ::SendMessageW(songs, CB_SETDROPPEDWIDTH, 260, 0);

  CreateLabel(window_, Label3, Rect(8, 30, 44, 13), L"Prehraté:");
  CreateLabel(window_, idTime1, Rect(54, 30, 70, 13), L"00:00:00");
  CreateLabel(window_, idTimeSplit, Rect(126, 30, 8, 13), L" ");
  CreateLabel(window_, LAB, Rect(136, 30, 70, 13), L"Celková dĺžka:");
  CreateLabel(window_, idTime2, Rect(208, 30, 70, 13), L"00:00:00");
  CreateLabel(window_, idSpeed, Rect(290, 30, 40, 13), L"100 %");
  LayOutReadouts();
  SetHint(idTime1, L"Current Position (F9)");
  SetHint(idTime2, L"Song Length");

  HWND frame = CreateBlock(window_, idTrackFrm, Rect(5, 44, 437, 17), ::GetSysColor(COLOR_BTNFACE), true);
  CreateBlock(frame, idTrackBar, Rect(kBarMargin, kBarMargin, 0, 17 - 2 * kBarMargin), kMaroon, false);
  CreateBlock(window_, sldVolumeFrm, Rect(454, 2, 4, 60), kRed, false);
  HWND knob = CreateBlock(window_, sldVolume, Rect(450, 2, 12, 7), kNavy, false);
  hints_.Set(knob, L"Volume");
  ::SetWindowPos(knob, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  // The key sink: a zero-width edit that holds the focus.
  CreateChild(window_, L"EDIT", idNull, Rect(0, 0, 0, 0), WS_VISIBLE | WS_TABSTOP);

  // The folder chooser and the small list buttons lie off the visible area.
  HWND panel = CreateBlock(window_, idArtistsSongsPanel, Rect(0, 66, kClientWidth, 22), ::GetSysColor(COLOR_BTNFACE),
                           false);
  ::ShowWindow(panel, SW_HIDE);
  FitLabelToText(CreateLabel(window_, Label1, Rect(4, 70, 36, 13), L"Zložka:"));
  CreateChild(window_, L"COMBOBOX", cmbArtists, Rect(42, 67, 175, 200), WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST);
  for (const auto& b : kSmallButtons) {
    HWND h = CreateFlatButton(window_, b.id, Rect(0, kSmallTop, 16, 16), Glyph(b.glyph));
    if (*b.hint) hints_.Set(h, b.hint);
  }
  CreateChild(window_, L"BUTTON", GroupBox1, Rect(5, -3, 438, 33), WS_VISIBLE | BS_GROUPBOX);
  ::SetWindowPos(Control(GroupBox1), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

  // The state holders for the layouts: the element items and the submenu.
  popup_.reset(::CreatePopupMenu());
  for (int bit = 0; bit < 17; ++bit) ::AppendMenuW(popup_.get(), MF_STRING, kPopupFirst + bit, kElements[bit].caption);
  layouts_ = ::CreatePopupMenu();
  ::AppendMenuW(popup_.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(layouts_), L"Layouts");
  ApplyColourRule();
}

// The read-out row as designed: its titles as wide as their text in the
// window's font, and each element where it was designed unless the one
// before it reaches further (a font wider than Arial's metrics).
void TStrip::LayOutReadouts() {
  FitLabelToText(Control(Label3));
  FitLabelToText(Control(LAB));
  int reach = 0;
  for (int id : {Label3, idTime1, idTimeSplit, LAB, idTime2, idSpeed}) {
    RECT r;
    ::GetWindowRect(Control(id), &r);
    ::MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
    const int left = std::max<int>(r.left, reach);
    if (left != r.left) ::SetWindowPos(Control(id), nullptr, left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    reach = left + (r.right - r.left);
  }
}

HBITMAP TStrip::Glyph(int resourceId) const {
  const win::GdiObject* g = resourceId == IDB_GROUPED ? &glyphs_[IDB_SMALL - IDB_PLAY_BLACK + 1]
                            : resourceId >= IDB_PLAY_BLACK && resourceId <= IDB_SMALL ? &glyphs_[resourceId - IDB_PLAY_BLACK]
                                                                                      : nullptr;
  return g ? static_cast<HBITMAP>(g->get()) : nullptr;
}

void TStrip::LoadGlyphs(HINSTANCE instance) {
  for (int id = IDB_PLAY_BLACK; id <= IDB_SMALL; ++id)
    glyphs_[id - IDB_PLAY_BLACK].reset(
        ::LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
  glyphs_[IDB_SMALL - IDB_PLAY_BLACK + 1].reset(
      ::LoadImageW(instance, MAKEINTRESOURCEW(IDB_GROUPED), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
}

void TStrip::ShowPlayGlyph(int glyph) {
  playGlyph_ = glyph;
  static constexpr int kIds[] = {IDB_PLAY_BLACK, IDB_PLAY_BLUE, IDB_PAUSE_BLACK, IDB_PAUSE_BLUE};
  SetFlatButtonGlyph(Control(idPlay), Glyph(kIds[glyph]));
}

void TStrip::ApplyColourRule() {
  if (!lowColour_) return;
  SetBlockColour(Control(idTrackFrm), kSilver);
  SetBlockColour(Control(sldVolume), kSilver);
  SetBlockColour(Control(sldVolumeFrm), kGrey);
}

HBRUSH TStrip::LowColourBrush(HDC dc) {
  if (!lowColour_) return nullptr;
  ::SetBkColor(dc, kSilver);
  if (!silverBrush_) silverBrush_.reset(::CreateSolidBrush(kSilver));
  return static_cast<HBRUSH>(silverBrush_.get());
}

bool TStrip::ElementVisible(int id) const { return (::GetWindowLongPtrW(Control(id), GWL_STYLE) & WS_VISIBLE) != 0; }

void TStrip::SetElementVisible(int id, bool visible) { ::ShowWindow(Control(id), visible ? SW_SHOWNA : SW_HIDE); }

void TStrip::SetRefreshInterval(UINT ms) {
  refreshInterval_ = ms;
  ::SetTimer(window_, idTimer, ms, nullptr);
}

}  // namespace app
