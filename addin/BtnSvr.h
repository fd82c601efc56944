// TButtonServer: holds one of the word processor's menu buttons and receives
// its Click event.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <functional>

namespace addin {

class TButtonEvents;

class TButtonServer {
public:
  TButtonServer();
  ~TButtonServer();
  TButtonServer(const TButtonServer&) = delete;
  TButtonServer& operator=(const TButtonServer&) = delete;

  // Raised for the button's Click; every other event of the button is ignored.
  std::function<void()> OnClick;

  // Holds control as a _CommandBarButton and connects the event sink to it.
  HRESULT ConnectTo(IDispatch* control);
  HRESULT SetCaption(const wchar_t* text);
  HRESULT SetShortcutText(const wchar_t* text);
  HRESULT SetTag(const wchar_t* text);
  HRESULT SetVisible(bool visible);
  // Removes the button from its menu for good (Delete's Temporary left out).
  HRESULT Delete();
  // Disconnects the event sink and lets go of the button.
  void Disconnect() noexcept;

  bool connected() const noexcept { return button_ != nullptr; }

private:
  friend class TButtonEvents;
  void Clicked();
  HRESULT PutText(const wchar_t* property, const wchar_t* text);

  Microsoft::WRL::ComPtr<IDispatch> button_;
  Microsoft::WRL::ComPtr<IConnectionPoint> point_;
  Microsoft::WRL::ComPtr<TButtonEvents> sink_;
  DWORD cookie_ = 0;
};

}  // namespace addin
