// TPositionBar: the position bar (idTrackFrm with its fill idTrackBar). The
// fill shows the position; while BarPolling (from a play until the next
// stop or close) the refresh timer redraws it and a click seeks there.
#pragma once

#include <cstdint>
#include <functional>

#include "app/Controls.h"
#include "app/Strip.h"

namespace app {

class TPositionBar {
public:
  explicit TPositionBar(TStrip& strip) : strip_(strip) {}

  bool Polling() const { return polling_; }
  void SetPolling(bool on) { polling_ = on; }
  // Polling stops and the fill is emptied (a stop, a close, a failure).
  void Reset();
  int Fill() const;
  void SetFill(int width);
  int FrameWidth() const;
  // The fill at `fill` and the player sought to `pixel` of the bar, with
  // the timer's redraws held meanwhile.
  void StepTo(int fill, int pixel);
  // The player sought to a time, the redraws held meanwhile.
  void SeekTo(int64_t position);
  // After every seek of the bar's (a click, a step, SeekTo).
  std::function<void()> OnSeek;
  // A tick of the refresh timer: the fill follows the player.
  void Redraw();

  void idTrackBarMouseDown(const BlockMouse& m);
  void idTrackFrmMouseDown(const BlockMouse& m);

private:
  void SeekToPixel(int pixel);

  TStrip& strip_;
  bool polling_ = false;
};

}  // namespace app
