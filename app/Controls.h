// The few kinds of control the main window is built from, over the standard
// Win32 controls: flat picture buttons, coloured blocks (the position bar,
// the volume groove and knob), labels, and a shared tooltip for the hints.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace app {

// Sent by a block or a flat button to its top-level window for mouse input
// on it: WPARAM is the control id, LPARAM points to a BlockMouse.
inline constexpr UINT WM_CONTROLMOUSE = WM_APP + 0x40;

struct BlockMouse {
  UINT message;  // WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP, WM_RBUTTONDOWN
  WPARAM keys;   // MK_* flags of the message
  POINT pt;      // in the control's client coordinates
};

void RegisterControlClasses(HINSTANCE instance);

// A window that fills itself with a colour, optionally with a sunken edge.
HWND CreateBlock(HWND parent, int id, RECT r, COLORREF colour, bool sunken);
void SetBlockColour(HWND block, COLORREF colour);

// An owner-drawn push button that shows a picture and looks flat until the
// mouse is over it. The parent draws it through DrawFlatButton.
HWND CreateFlatButton(HWND parent, int id, RECT r, HBITMAP glyph);
void SetFlatButtonGlyph(HWND button, HBITMAP glyph);
HBITMAP FlatButtonGlyph(HWND button);
void DrawFlatButton(const DRAWITEMSTRUCT& item);

HWND CreateLabel(HWND parent, int id, RECT r, const wchar_t* text, DWORD extraStyle = 0);
// The size of a control's text drawn in the control's own font.
SIZE TextExtent(HWND control);
// Makes a label as wide as its text in its font (and at least as high), as
// the designed labels of the strip are.
void FitLabelToText(HWND label);
HWND CreateChild(HWND parent, const wchar_t* cls, int id, RECT r, DWORD style, const wchar_t* text = L"");

inline RECT Rect(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

// The hints of all controls: one tooltip window per top-level window. The
// tooltip window itself may come after the controls (once the window is
// shown): the hints set before are handed to it then. The texts are kept
// here, of any length; the tooltip is only told them, never asked back.
class Hints {
public:
  void Create(HWND owner, int showMilliseconds);
  void Set(HWND control, const std::wstring& text);
  std::wstring Get(HWND control) const;
  HWND Window() const { return tip_; }

private:
  void Tell(HWND control, const std::wstring& text, bool added);

  HWND tip_ = nullptr;
  HWND owner_ = nullptr;
  std::vector<std::pair<HWND, std::wstring>> texts_;
};

// Text of a window, as GetWindowTextW gives it.
std::wstring WindowText(HWND hwnd);
// Where a child window lies in its parent's client area.
RECT ClientRectOf(HWND parent, HWND child);

}  // namespace app
