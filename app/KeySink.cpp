#include "app/KeySink.h"

#include <commctrl.h>

namespace app {

LRESULT CALLBACK TKeySink::KeySinkProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id, DWORD_PTR) {
  if (msg == WM_CHAR && (id == idNull ? idNullKeyPress(wp) : idCmbKeyPress(wp))) return 0;
  if (msg == WM_NCDESTROY) ::RemoveWindowSubclass(hwnd, KeySinkProc, id);
  return ::DefSubclassProc(hwnd, msg, wp, lp);
}

void TKeySink::Attach() {
  for (int id : {idNull, cmbSongs, cmbArtists}) ::SetWindowSubclass(strip_.Control(id), KeySinkProc, id, 0);
}

void TKeySink::RefocusKeySink() {
  // Not before the window shows: focusing a control of a hidden window
  // activates it unseen, which held up the start by about 10 ms under Wine.
  // Create gives the focus once the window is up.
  const HWND window = strip_.Window();
  if (!window || !::IsWindowVisible(window)) return;
  HWND target = editor_.IsOpen() && editor_.FocusTarget() ? editor_.FocusTarget() : strip_.Control(idNull);
  if (::GetFocus() != target) ::SetFocus(target);
}

}  // namespace app
