// TFAbout: the about box "O programe " with the program's icon, name,
// version and the help of the global keys. Shown modally from the main
// window's strip (centred on the desktop) and from the recording window
// (its top at that window's top, centred over it). "OK" is both the default
// and the cancel button, so Enter and Esc close the box as well.
#pragma once

#include <windows.h>

#include <optional>

#include "base/Dialog.h"

namespace app {

class TFAbout : public win::TDialog {
public:
  TFAbout();

  // Centred on the desktop; returns when the box is closed.
  void ShowCentred(HWND owner);
  // With its top at `top`, horizontally centred on `centreX`.
  void ShowModalAt(HWND owner, int top, int centreX);

  enum : int { Image1 = 101, Label1, Label2, Label3, btnOK = IDOK };

protected:
  void OnCreate() override;
  void Place() override;
  HWND InitialFocus() override { return Item(btnOK); }

private:
  std::optional<POINT> anchor_;  // horizontal centre and top, when placed
  win::GdiObject keysFont_;
};

}  // namespace app
