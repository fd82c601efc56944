// TStripLayout: which of the strip's elements show (the visibility mask of
// the layouts) and the window's geometry that follows from them
// (ArrangeWindow); the milliseconds mode is one of its bits.
#pragma once

#include "app/PositionEditor.h"
#include "app/Readouts.h"
#include "app/Strip.h"
#include "settings/KestrelLayouts.h"

namespace app {

class TStripLayout : public kestrel::ILayoutHost {
public:
  TStripLayout(TStrip& strip, TReadouts& readouts, TPositionEditor& editor)
      : strip_(strip), readouts_(readouts), editor_(editor) {}

  // kestrel::ILayoutHost
  kestrel::VisibilityMask GetVisibilityMask() override;
  void ApplyVisibilityMask(kestrel::VisibilityMask mask) override;
  HMENU LayoutsMenu() override { return strip_.LayoutsMenu(); }

  void ArrangeWindow();
  // Milliseconds on or off in the read-outs and the position editor; the
  // window laid out again when `arrange`.
  void SetMillisMode(bool on, bool arrange);
  // The position read-out is visible and times are supported (TimeShown).
  bool TimeShown() const { return timeShown_; }
  // The window moved back onto the screen; "Left" and "Top" of the
  // per-user store, when stored and numbers, placed it first.
  void ApplyStoredPosition(const std::wstring& left, const std::wstring& top);

private:
  TStrip& strip_;
  TReadouts& readouts_;
  TPositionEditor& editor_;
  bool timeShown_ = false;
};

}  // namespace app
