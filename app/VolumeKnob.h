// TVolumeKnob: the volume slider, a knob (sldVolume) on a groove
// (sldVolumeFrm). Dragged with the mouse, moved by the volume hot keys, and
// kept in step with the player's volume by the refresh timer while
// VolumePolling.
#pragma once

#include "app/Controls.h"
#include "app/Strip.h"

namespace app {

class TVolumeKnob {
public:
  explicit TVolumeKnob(TStrip& strip) : strip_(strip) {}

  bool Polling() const { return polling_; }
  void SetPolling(bool on) { polling_ = on; }
  // A tick of the refresh timer: the knob follows the volume.
  void Follow();

  void sldVolumeMouseDown(const BlockMouse& m);
  void sldVolumeMouseMove(const BlockMouse& m);
  void sldVolumeMouseUp(const BlockMouse& m);
  // Ctrl+Up (-1) and Ctrl+Down (+1): the knob moves two pixels.
  void VolumeByHotKey(int direction);

private:
  void PlaceKnob(int left, int top);

  TStrip& strip_;
  bool polling_ = true;
  bool dragging_ = false;
  int grabOffset_ = 0;
};

}  // namespace app
