#include "app/DelayedStart.h"

#include <utility>

#include "base/ModalScope.h"
#include "core/SettingsRecord.h"

namespace app {

bool TDelayedStart::Active() { return kestrel::Settings.EnableTime3 && kestrel::Settings.PlaySelected; }

void TDelayedStart::StartFromNext(bool now) {
  if (!Active()) return;
  pending_ = true;
  if (now) {
    startAt_ = ::GetTickCount64();
    return;
  }
  startAt_ = ::GetTickCount64() + static_cast<ULONGLONG>(kestrel::Settings.Time3 * 86'400'000.0 + 0.5);
  MarkDelayPending(true);
}

void TDelayedStart::ChosenAnother() {
  if (Active() && pending_) startAt_ = ::GetTickCount64();
}

bool TDelayedStart::Defer() {
  const ULONGLONG now = ::GetTickCount64();
  if (!kestrel::Settings.EnableTime3 || now >= startAt_) return false;
  loadDue_ = true;
  ::SetTimer(strip_.Window(), idDelayTimer, static_cast<UINT>(startAt_ - now), nullptr);
  return true;
}

bool TDelayedStart::Due() {
  if (win::ModalScope::Depth() > 0) return false;
  ::KillTimer(strip_.Window(), idDelayTimer);
  return std::exchange(loadDue_, false);
}

void TDelayedStart::Done() {
  ::KillTimer(strip_.Window(), idDelayTimer);
  loadDue_ = false;
  pending_ = false;
}

void TDelayedStart::Cancel() { Done(); }

void TDelayedStart::MarkDelayPending(bool on) {
  const int glyph = strip_.PlayGlyph();
  if (on) {
    if (glyph == 2) strip_.ShowPlayGlyph(3);
    if (glyph == 0) strip_.ShowPlayGlyph(1);
  } else {
    if (glyph == 3) strip_.ShowPlayGlyph(2);
    if (glyph == 1) strip_.ShowPlayGlyph(0);
  }
}

}  // namespace app
