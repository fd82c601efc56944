// TfisHotKey: claims one system-wide keyboard shortcut and raises OnHotKey
// whenever it is pressed, whichever program has the focus.
//
// Each component owns a hidden receiver window, so every component can use
// the identifier 0 without colliding with another one and needs nothing from
// its owner's message handling. Create, configure and destroy a component on
// the thread that runs the message loop: the system posts the key there.
#pragma once

#include <windows.h>

#include <functional>
#include <span>

#include "base/Window.h"

namespace services {

// Modifier bits of a shortcut code; the low byte is the virtual-key code.
constexpr WORD scShift = 0x2000;
constexpr WORD scCtrl = 0x4000;
constexpr WORD scAlt = 0x8000;

struct HotKeyCombination {
  UINT modifiers = 0;  // MOD_SHIFT, MOD_CONTROL, MOD_ALT
  UINT virtualKey = 0;
};

// Splits a shortcut code into what RegisterHotKey takes.
HotKeyCombination SplitShortcut(WORD key);

class TfisHotKey {
public:
  using HotKeyEvent = std::function<void(TfisHotKey& sender)>;

  TfisHotKey();
  ~TfisHotKey();
  TfisHotKey(const TfisHotKey&) = delete;
  TfisHotKey& operator=(const TfisHotKey&) = delete;

  bool Enabled() const { return Enabled_; }
  WORD Key() const { return Key_; }
  void SetEnabled(bool value);
  void SetKey(WORD value);

  // The owner calls this once the properties are set; claims the key when
  // the component is enabled.
  void Loaded();

  // A key held down raises one event, not one per keyboard repeat: for keys
  // whose every press types or stores something. The system is told at the
  // next claim; repeats it sends all the same are dropped from now on.
  bool NoRepeat() const { return NoRepeat_; }
  void SetNoRepeat(bool value) { NoRepeat_ = value; }

  // Gives the components their codes (codes[i] to components[i]) as one
  // set: every one lets its key go before any claims its new one, so that a
  // code moved from one component to another is not refused because the
  // first still held it. Each enabled one then claims its code, unchanged
  // codes too; Registered() tells which the system granted.
  static void SetKeys(std::span<TfisHotKey* const> components, std::span<const WORD> codes);

  // Raised on the message loop's thread; the sender is this component.
  HotKeyEvent OnHotKey;

  // Whether the system currently holds the shortcut for this component. A
  // refused key leaves it false without any message.
  bool Registered() const { return Registered_; }
  HWND ReceiverWindow() const { return ReceiverWindow_.Handle(); }

private:
  // The hidden window that the system posts WM_HOTKEY to.
  class TReceiver : public win::TWindow {
  public:
    explicit TReceiver(TfisHotKey& component);

  private:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    TfisHotKey& component_;
  };

  void HotKeyWindowProc();
  void RegisterKey();
  void UnregisterKey();
  bool KeyDown() const;
  void WatchRelease();

  bool Enabled_ = true;
  WORD Key_ = 0;
  bool Registered_ = false;
  bool NoRepeat_ = false;
  bool Held_ = false;  // NoRepeat: the key has not been let go since its event
  TReceiver ReceiverWindow_{*this};
};

}  // namespace services
