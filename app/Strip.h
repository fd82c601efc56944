// TStrip: the main window's controls as designed, and what every part of
// the window shares: the window, its controls by id, the player they
// drive, the button pictures (the play button's four among them), the
// hints, the refresh timer's interval and the window's continuations.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "app/ControlIds.h"
#include "app/Controls.h"
#include "base/WinHandles.h"

class TPlayer;

namespace app {

// Elements of the visibility mask, by bit, with their popup menu captions.
struct Element {
  int id;
  const wchar_t* caption;
};
extern const Element kElements[17];

class TStrip {
public:
  static constexpr int kBarMargin = 2;  // the position bar's tag: its margin on each side
  static constexpr UINT kPopupFirst = 0x7200;  // + the element's bit

  // Makes the controls of the window (the position editor's come later).
  void Create(HWND window, HINSTANCE instance);
  // The hints' tooltip window, once the window shows.
  void CreateHints() { hints_.Create(window_, 10000); }

  HWND Window() const { return window_; }
  HWND Control(int id) const { return ::GetDlgItem(window_, id); }
  HFONT Font() const { return static_cast<HFONT>(font_.get()); }
  TPlayer& Player() const { return *player_; }
  bool HasPlayer() const { return player_ != nullptr; }
  void SetPlayer(TPlayer* player) { player_ = player; }

  std::wstring Hint(int id) const { return hints_.Get(Control(id)); }
  std::wstring HintOf(HWND control) const { return hints_.Get(control); }
  void SetHint(int id, const std::wstring& text) { hints_.Set(Control(id), text); }
  void SetHint(HWND control, const std::wstring& text) { hints_.Set(control, text); }

  HBITMAP Glyph(int resourceId) const;
  // The play button's picture: 0 black play, 1 blue play, 2 black pause,
  // 3 blue pause (PlayGlyph).
  int PlayGlyph() const { return playGlyph_; }
  void ShowPlayGlyph(int glyph);

  bool ElementVisible(int id) const;
  void SetElementVisible(int id, bool visible);
  // Desktops of 8 bits or fewer paint the combo boxes, the bar and the knob
  // silver; the brush for the combo boxes then, else null.
  HBRUSH LowColourBrush(HDC dc);
  HMENU Popup() const { return popup_.get(); }
  HMENU LayoutsMenu() const { return layouts_; }

  // The refresh timer (idTimer).
  UINT RefreshInterval() const { return refreshInterval_; }
  void SetRefreshInterval(UINT ms);

  // Runs `what` on the window once what is posted now has been handled.
  void Post(Continuation what) const { ::PostMessageW(window_, WM_CONTINUE, what, 0); }

private:
  void LoadGlyphs(HINSTANCE instance);
  void LayOutReadouts();
  void ApplyColourRule();

  HWND window_ = nullptr;
  TPlayer* player_ = nullptr;
  win::GdiObject font_;
  win::GdiObject silverBrush_;
  win::Menu popup_;
  HMENU layouts_ = nullptr;  // a submenu of popup_, freed with it
  Hints hints_;
  std::array<win::GdiObject, 20> glyphs_;
  int playGlyph_ = 0;
  bool lowColour_ = false;
  UINT refreshInterval_ = 0;
};

}  // namespace app
