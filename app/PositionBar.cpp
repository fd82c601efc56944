#include "app/PositionBar.h"

#include "base/ScopeExit.h"
#include "player/PlayerScales.h"
#include "player/TPlayer.h"

namespace app {

int TPositionBar::FrameWidth() const {
  RECT r;
  ::GetWindowRect(strip_.Control(idTrackFrm), &r);
  return r.right - r.left;
}

int TPositionBar::Fill() const {
  RECT r;
  ::GetWindowRect(::GetDlgItem(strip_.Control(idTrackFrm), idTrackBar), &r);
  return r.right - r.left;
}

void TPositionBar::SetFill(int width) {
  HWND bar = ::GetDlgItem(strip_.Control(idTrackFrm), idTrackBar);
  RECT r;
  ::GetWindowRect(bar, &r);
  if (r.right - r.left == width) return;
  ::SetWindowPos(bar, nullptr, 0, 0, width, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TPositionBar::Reset() {
  polling_ = false;
  SetFill(0);
}

void TPositionBar::SeekToPixel(int pixel) {
  TPlayer& player = strip_.Player();
  SeekTo(BarPixelToPosition(pixel, player.Duration(), FrameWidth(), TStrip::kBarMargin));
}

void TPositionBar::SeekTo(int64_t position) {
  {
    polling_ = false;
    ScopeExit again([this] { polling_ = true; });
    strip_.Player().SetPosition(position);
  }
  if (OnSeek) OnSeek();
}

void TPositionBar::StepTo(int fill, int pixel) {
  SetFill(fill < 0 ? 0 : fill);
  SeekToPixel(pixel);
}

void TPositionBar::Redraw() {
  if (!polling_ || !strip_.ElementVisible(idTrackFrm)) return;
  try {
    SetFill(strip_.Player().PositionToBarWidth(FrameWidth(), TStrip::kBarMargin));
  } catch (const std::exception&) {
    // pnPositionFailed has stopped the polling
  }
}

void TPositionBar::idTrackBarMouseDown(const BlockMouse& m) {
  if (!polling_ || m.message != WM_LBUTTONDOWN) return;
  SeekToPixel(m.pt.x + TStrip::kBarMargin);
}

void TPositionBar::idTrackFrmMouseDown(const BlockMouse& m) {
  if (!polling_ || m.message != WM_LBUTTONDOWN) return;
  if ((m.keys & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL)) != MK_LBUTTON) return;
  if (::GetKeyState(VK_MENU) < 0) return;
  SeekToPixel(m.pt.x);
}

}  // namespace app
