#include "addin/BtnSvr.h"

#include "addin/ComCheck.h"
#include "addin/ComServer.h"
#include "addin/Dispatch.h"
#include "addin/Extensibility.h"

#include <new>

namespace addin {

// The sink the button's connection point calls. The button may keep it after
// we let go (a host is free to release late), so it reaches its server only
// through a pointer that Disconnect clears.
class TButtonEvents final : public IDispatch, private server::CountedObject {
public:
  explicit TButtonEvents(TButtonServer* owner) noexcept : owner_(owner) {}
  void Detach() noexcept { owner_ = nullptr; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, word::IID__CommandBarButtonEvents)) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const LONG n = ::InterlockedDecrement(&refs_);
    if (n == 0) delete this;
    return n;
  }

  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }

  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (result) ::VariantInit(result);
    // The cancel-default argument is left as the host passed it.
    if (id != word::DISPID_Click || !owner_) return S_OK;
    try {
      owner_->Clicked();
    } catch (...) {
      return E_FAIL;
    }
    return S_OK;
  }

private:
  ~TButtonEvents() = default;

  LONG refs_ = 1;
  TButtonServer* owner_;
};

TButtonServer::TButtonServer() = default;
// The sink must not outlive its server connected: the host would call it
// with a dangling owner.
TButtonServer::~TButtonServer() { Disconnect(); }

HRESULT TButtonServer::ConnectTo(IDispatch* control) {
  if (!control) return E_POINTER;
  Disconnect();
  Microsoft::WRL::ComPtr<IDispatch> button;
  RETURN_IF_FAILED(control->QueryInterface(word::IID__CommandBarButton, reinterpret_cast<void**>(button.GetAddressOf())));
  Microsoft::WRL::ComPtr<IConnectionPointContainer> container;
  RETURN_IF_FAILED(button.As(&container));
  Microsoft::WRL::ComPtr<IConnectionPoint> point;
  RETURN_IF_FAILED(container->FindConnectionPoint(word::IID__CommandBarButtonEvents, &point));

  Microsoft::WRL::ComPtr<TButtonEvents> sink;
  sink.Attach(new (std::nothrow) TButtonEvents(this));
  if (!sink) return E_OUTOFMEMORY;
  DWORD cookie = 0;
  const HRESULT hr = point->Advise(sink.Get(), &cookie);
  if (FAILED(hr)) {
    sink->Detach();
    return hr;
  }
  button_ = std::move(button);
  point_ = std::move(point);
  sink_ = std::move(sink);
  cookie_ = cookie;
  return S_OK;
}

HRESULT TButtonServer::PutText(const wchar_t* property, const wchar_t* text) {
  Variant value = Variant::Text(text);
  if (value.get().vt != VT_BSTR) return E_OUTOFMEMORY;
  return PutProperty(button_.Get(), property, value);
}

HRESULT TButtonServer::SetCaption(const wchar_t* text) { return PutText(L"Caption", text); }
HRESULT TButtonServer::SetShortcutText(const wchar_t* text) { return PutText(L"ShortcutText", text); }
HRESULT TButtonServer::SetTag(const wchar_t* text) { return PutText(L"Tag", text); }

HRESULT TButtonServer::SetVisible(bool visible) {
  return PutProperty(button_.Get(), L"Visible", Variant::Bool(visible));
}

HRESULT TButtonServer::Delete() { return CallMethod(button_.Get(), L"Delete", {}); }

void TButtonServer::Disconnect() noexcept {
  if (sink_) {
    sink_->Detach();
    if (point_) point_->Unadvise(cookie_);
  }
  sink_.Reset();
  point_.Reset();
  button_.Reset();
  cookie_ = 0;
}

void TButtonServer::Clicked() {
  if (OnClick) OnClick();
}

}  // namespace addin
