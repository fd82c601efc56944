#include "app/ReplayLoop.h"

#include <algorithm>

namespace app {

bool TReplayLoop::Start(int64_t position, int64_t span, int64_t duration) {
  active_ = false;
  position = std::max<int64_t>(position, 0);
  if (duration > 0) position = std::min(position, duration);
  from_ = std::max<int64_t>(position - std::max<int64_t>(span, 0), 0);
  to_ = std::max(position, from_ + kShortest);
  if (duration > 0) {
    to_ = std::min(to_, duration - kEndGuard);
    // Near the end the whole span stays: it ends earlier rather than shrinks.
    from_ = std::max<int64_t>(std::min(from_, to_ - span), 0);
  }
  active_ = to_ - from_ >= kShortest;
  return active_;
}

std::optional<int64_t> TReplayLoop::TurnAt(int64_t position) const {
  if (!active_ || position < to_) return std::nullopt;
  return from_;
}

}  // namespace app
