#include "app/StripLayout.h"

#include "app/Controls.h"
#include "base/Text.h"

namespace app {
namespace {

constexpr int kSmallTop = 90;  // the small list buttons, below the visible area

}  // namespace

kestrel::VisibilityMask TStripLayout::GetVisibilityMask() {
  kestrel::VisibilityMask mask = 0;
  for (int bit = 0; bit < 17; ++bit) {
    bool on;
    if (bit == 7)
      on = strip_.ElementVisible(idTime1) || strip_.ElementVisible(idTime2Frm);
    else if (bit == 9)
      on = readouts_.ShowMillis();
    else
      on = strip_.ElementVisible(kElements[bit].id);
    if (on) mask |= 1u << bit;
  }
  return mask;
}

void TStripLayout::ApplyVisibilityMask(kestrel::VisibilityMask mask) {
  auto on = [&](int bit) { return (mask >> bit & 1u) != 0; };
  for (int bit : {0, 1, 3, 4, 5, 6, 2}) strip_.SetElementVisible(kElements[bit].id, on(bit));
  if (!on(7) && editor_.IsOpen()) editor_.ShowTimeEditor(false);
  strip_.SetElementVisible(idTime1, on(7) && !editor_.IsOpen());
  strip_.SetElementVisible(idTime2, on(8));
  strip_.SetElementVisible(idTimeSplit, on(7) && on(8));
  SetMillisMode(on(9), false);
  for (int bit : {10, 11, 12, 13, 14}) strip_.SetElementVisible(kElements[bit].id, on(bit));
  strip_.SetElementVisible(sldVolumeFrm, on(15));
  strip_.SetElementVisible(sldVolume, on(15));
  strip_.SetElementVisible(idFind, on(16));
  for (int bit = 0; bit < 17; ++bit)
    ::CheckMenuItem(strip_.Popup(), TStrip::kPopupFirst + bit, MF_BYCOMMAND | (on(bit) ? MF_CHECKED : MF_UNCHECKED));
  ArrangeWindow();
}

void TStripLayout::SetMillisMode(bool on, bool arrange) {
  const bool switched = readouts_.SetMillisMode(on);
  // Made once the window shows; the layout applied before it is followed then.
  if (editor_.Frame()) editor_.FollowMillisMode(switched);
  if (arrange) ArrangeWindow();
}

void TStripLayout::ArrangeWindow() {
  const HWND window = strip_.Window();
  if (!window) return;
  // The folder panel follows the combo boxes, off the visible area.
  const bool combos = strip_.ElementVisible(cmbArtists) || strip_.ElementVisible(cmbSongs);
  ::ShowWindow(strip_.Control(idArtistsSongsPanel), combos ? SW_SHOWNA : SW_HIDE);

  int x = 0;
  for (int id : {idSettings, idChangeList, idGroup, idSort, idRandom, idFind}) {
    if (!strip_.ElementVisible(id)) continue;
    ::SetWindowPos(strip_.Control(id), nullptr, x, kSmallTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    x += 16;
  }
  timeShown_ = strip_.ElementVisible(idTime1) && readouts_.TimeSupported();
  kestrel::TrackCurrentLayout();

  const RECT play = ClientRectOf(window, strip_.Control(idPlay));
  const RECT konec = ClientRectOf(window, strip_.Control(btnKonec));
  ::SetWindowPos(strip_.Control(btnKonec), nullptr, konec.left, play.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

  const RECT frame = ClientRectOf(window, strip_.Control(idTrackFrm));
  RECT client;
  ::GetClientRect(window, &client);
  RECT want = Rect(0, 0, client.right, frame.bottom + 4);
  const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE));
  const DWORD ex = static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE));
  ::AdjustWindowRectEx(&want, style, FALSE, ex);
  const int width = want.right - want.left, height = want.bottom - want.top;

  // Held on the screen.
  RECT w;
  ::GetWindowRect(window, &w);
  int left = w.left, top = w.top;
  const int sw = ::GetSystemMetrics(SM_CXSCREEN), sh = ::GetSystemMetrics(SM_CYSCREEN);
  if (left + width > sw) left = sw - width;
  if (top + height > sh) top = sh - height;
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  ::SetWindowPos(window, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TStripLayout::ApplyStoredPosition(const std::wstring& storedLeft, const std::wstring& storedTop) {
  RECT r;
  ::GetWindowRect(strip_.Window(), &r);
  int left = r.left, top = r.top;
  if (auto v = text::ToInt(storedLeft)) left = static_cast<int>(*v);
  if (auto v = text::ToInt(storedTop)) top = static_cast<int>(*v);
  ::SetWindowPos(strip_.Window(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ArrangeWindow();
}

}  // namespace app
