// Where the folder browser goes on the screen, how its status line fits a
// long path, and the copy of an owner's button inside the dialog.
#pragma once

#include <windows.h>

#include <string>

#include "base/WinHandles.h"
#include "services/FolderOptions.h"

namespace services {

struct PlacementInput {
  TFolderDialogOptions options = 0;
  bool hasOwner = false;
  RECT ownerWindow{};        // screen coordinates
  POINT ownerClientOrigin{};  // screen position of the owner's client area
  SIZE screen{};
  SIZE dialog{};
  int left = 0;  // the component's Left and Top, relative to the owner's client area
  int top = 0;
};

// The dialog's top-left corner in screen coordinates.
POINT DialogPosition(const PlacementInput& in);

// The path fitted into `width` pixels of `font` on one line, with an ellipsis
// in the middle (pathEllipsis) or at the end. A "W" is fitted along and taken
// off again, so that the text keeps clear of the line's right edge.
std::wstring ShortenPath(HFONT font, const std::wstring& path, int width, bool pathEllipsis);

// The extra button's rectangle in the dialog's client area. `source` is the
// owner's button in its own parent's client area; `ok` and `cancel` are the
// dialog's standard buttons.
RECT CustomButtonRect(TFolderDialogOptions options, const RECT& source, bool sourceIsPushButton, const RECT& ok,
                      const RECT& cancel, int dialogClientWidth);

// A copy of an owner's button, placed into the dialog. A click on the copy
// reaches the source button's parent as a click on the source, so the owner's
// handler runs; a check box or radio button hands its state back on OK.
class TCustomButtonCopy {
public:
  // A control identifier the shell's dialog does not use.
  static constexpr int kId = 0x7E01;

  bool Create(HWND dialog, HWND source, TFolderDialogOptions options, bool okEnabled);
  void Destroy();
  HWND get() const { return copy_.get(); }
  void Enable(bool enabled);
  // The copy's WM_COMMAND notification, passed on as the source's.
  void ForwardCommand(WORD code);
  void HandOverCheck();

private:
  win::Window copy_;
  HWND source_ = nullptr;
};

bool IsCheckableButton(HWND button);
bool IsPushButton(HWND button);

}  // namespace services
