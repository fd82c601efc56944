#include "app/VolumeKnob.h"

#include "app/Controls.h"
#include "base/ScopeExit.h"
#include "player/TPlayer.h"

namespace app {

void TVolumeKnob::PlaceKnob(int left, int top) {
  ::SetWindowPos(strip_.Control(sldVolume), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TVolumeKnob::Follow() {
  if (!polling_ || dragging_ || !strip_.ElementVisible(sldVolume)) return;
  const RECT groove = ClientRectOf(strip_.Window(), strip_.Control(sldVolumeFrm));
  const RECT knob = ClientRectOf(strip_.Window(), strip_.Control(sldVolume));
  try {
    int offset = strip_.Player().VolumeToSliderOffset(groove.bottom - groove.top, knob.bottom - knob.top, 0);
    if (knob.top != groove.top + offset) PlaceKnob(knob.left, groove.top + offset);
  } catch (const std::exception&) {
    // pnVolumeFailed has stopped the polling
  }
}

void TVolumeKnob::sldVolumeMouseDown(const BlockMouse& m) {
  if (m.message != WM_LBUTTONDOWN || (m.keys & (MK_RBUTTON | MK_MBUTTON | MK_SHIFT | MK_CONTROL))) return;
  ::SetCapture(strip_.Control(sldVolume));
  dragging_ = true;
  grabOffset_ = m.pt.y;
}

void TVolumeKnob::sldVolumeMouseMove(const BlockMouse& m) {
  if (!dragging_ || !polling_) return;
  polling_ = false;
  ScopeExit again([this] { polling_ = true; });
  const RECT groove = ClientRectOf(strip_.Window(), strip_.Control(sldVolumeFrm));
  const RECT knob = ClientRectOf(strip_.Window(), strip_.Control(sldVolume));
  int offset = strip_.Player().SliderOffsetToVolume(groove.bottom - groove.top, knob.bottom - knob.top,
                                                    knob.top + m.pt.y - groove.top, 0, grabOffset_);
  PlaceKnob(knob.left, groove.top + offset);
}

void TVolumeKnob::sldVolumeMouseUp(const BlockMouse& m) {
  if (m.message != WM_LBUTTONUP) return;
  dragging_ = false;
  ::ReleaseCapture();
}

void TVolumeKnob::VolumeByHotKey(int direction) {
  const RECT groove = ClientRectOf(strip_.Window(), strip_.Control(sldVolumeFrm));
  const RECT knob = ClientRectOf(strip_.Window(), strip_.Control(sldVolume));
  int height = knob.bottom - knob.top, grooveHeight = groove.bottom - groove.top;
  int top = knob.top + direction;
  if (top < groove.top) top = groove.top;
  if (top > groove.bottom - height) top = groove.bottom - height;
  polling_ = false;
  ScopeExit again([this] { polling_ = true; });
  int offset = strip_.Player().SliderOffsetToVolume(grooveHeight, height, top - groove.top + direction, 0, 0);
  PlaceKnob(knob.left, groove.top + offset);
}

}  // namespace app
