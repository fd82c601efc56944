#include "addin/AddInMain.h"

#include "addin/ComCheck.h"
#include "addin/Dispatch.h"
#include "addin/InstallDir.h"

#include <shellapi.h>

#include <new>

namespace addin {

namespace {

// Nothing may leave an interface method but a result: an exception becomes a
// failure the host can read, and goes no further.
template <typename F>
HRESULT Guarded(F&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

HRESULT TAddIn::Create(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo;
  RETURN_IF_FAILED(server::TypeInfoOf(__uuidof(IAddIn), &typeInfo));
  TAddIn* object = new (std::nothrow) TAddIn(std::move(typeInfo));
  if (!object) return E_OUTOFMEMORY;
  const HRESULT hr = object->QueryInterface(iid, out);
  object->Release();
  return hr;
}

TAddIn::TAddIn(Microsoft::WRL::ComPtr<ITypeInfo> typeInfo) noexcept : typeInfo_(std::move(typeInfo)) {}

// A host that lets go without disconnecting leaves its button; freeing the
// ButtonServer disconnects the sink, so a click no longer reaches us.
TAddIn::~TAddIn() = default;

STDMETHODIMP TAddIn::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, __uuidof(IAddIn))) {
    *out = static_cast<IAddIn*>(this);
  } else if (IsEqualIID(iid, __uuidof(IDTExtensibility2))) {
    *out = static_cast<IDTExtensibility2*>(this);
  } else {
    *out = nullptr;
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) TAddIn::AddRef() { return ::InterlockedIncrement(&refs_); }

STDMETHODIMP_(ULONG) TAddIn::Release() {
  const LONG n = ::InterlockedDecrement(&refs_);
  if (n == 0) delete this;
  return n;
}

STDMETHODIMP TAddIn::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 1;
  return S_OK;
}

STDMETHODIMP TAddIn::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (index != 0) return DISP_E_BADINDEX;
  return typeInfo_.CopyTo(info);
}

STDMETHODIMP TAddIn::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return ::DispGetIDsOfNames(typeInfo_.Get(), names, count, ids);
}

STDMETHODIMP TAddIn::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO* exception, UINT* argError) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return ::DispInvoke(static_cast<IAddIn*>(this), typeInfo_.Get(), id, flags, params, result, exception, argError);
}

STDMETHODIMP TAddIn::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*, SAFEARRAY**) {
  return Guarded([&]() -> HRESULT {
    if (!Application) return E_POINTER;
    Microsoft::WRL::ComPtr<IDispatch> app;
    RETURN_IF_FAILED(Application->QueryInterface(word::IID__Application, reinterpret_cast<void**>(app.GetAddressOf())));
    WordApp = std::move(app);
    return S_OK;
  });
}

STDMETHODIMP TAddIn::OnDisconnection(ext_DisconnectMode, SAFEARRAY**) {
  return Guarded([&]() -> HRESULT {
    // Word is let go even when removing the button failed, or it would be
    // kept alive by an add-in it has already unloaded.
    const HRESULT hr = RemoveMenuButton();
    WordApp.Reset();
    return hr;
  });
}

STDMETHODIMP TAddIn::OnAddInsUpdate(SAFEARRAY**) { return S_OK; }

STDMETHODIMP TAddIn::OnStartupComplete(SAFEARRAY**) {
  return Guarded([&] { return AddMenuButton(); });
}

STDMETHODIMP TAddIn::OnBeginShutdown(SAFEARRAY**) {
  return Guarded([&]() -> HRESULT {
    if (!ButtonServer) return S_OK;
    return ButtonServer->SetVisible(false);
  });
}

HRESULT TAddIn::AddMenuButton() {
  if (!WordApp) return E_UNEXPECTED;

  Variant bars;
  RETURN_IF_FAILED(GetProperty(WordApp.Get(), L"CommandBars", bars));
  Microsoft::WRL::ComPtr<IDispatch> commandBars;
  RETURN_IF_FAILED(ObjectOf(bars, IID_IDispatch, &commandBars));
  if (!commandBars) return E_POINTER;

  Variant menuName = Variant::Text(kMenuName);
  Variant menu;
  RETURN_IF_FAILED(GetProperty(commandBars.Get(), L"Item", menu, {&menuName}));
  Microsoft::WRL::ComPtr<IDispatch> toolsMenu;
  RETURN_IF_FAILED(ObjectOf(menu, IID_IDispatch, &toolsMenu));
  if (!toolsMenu) return E_POINTER;

  // A button left over from a session that ended without disconnecting is
  // found by its tag and reused, so the menu never shows two.
  const Variant missing = Variant::Missing();
  const Variant tag = Variant::Text(kButtonTag);
  Variant found;
  RETURN_IF_FAILED(CallMethod(toolsMenu.Get(), L"FindControl", {&missing, &missing, &tag, &missing, &missing}, &found));
  Microsoft::WRL::ComPtr<IDispatch> control;
  RETURN_IF_FAILED(ObjectOf(found, IID_IDispatch, &control));

  if (!control) {
    Variant controls;
    RETURN_IF_FAILED(GetProperty(toolsMenu.Get(), L"Controls", controls));
    Microsoft::WRL::ComPtr<IDispatch> menuControls;
    RETURN_IF_FAILED(ObjectOf(controls, IID_IDispatch, &menuControls));
    if (!menuControls) return E_POINTER;
    const Variant buttonType = Variant::Long(word::msoControlButton);
    Variant added;
    RETURN_IF_FAILED(
        CallMethod(menuControls.Get(), L"Add", {&buttonType, &missing, &missing, &missing, &missing}, &added));
    RETURN_IF_FAILED(ObjectOf(added, IID_IDispatch, &control));
    if (!control) return E_POINTER;
  }

  // A second start-up completion replaces the earlier server instead of
  // leaving its sink connected.
  auto server = std::make_unique<TButtonServer>();
  RETURN_IF_FAILED(server->ConnectTo(control.Get()));
  ButtonServer = std::move(server);
  RETURN_IF_FAILED(ButtonServer->SetCaption(kButtonCaption));
  RETURN_IF_FAILED(ButtonServer->SetShortcutText(L""));
  RETURN_IF_FAILED(ButtonServer->SetTag(kButtonTag));
  RETURN_IF_FAILED(ButtonServer->SetVisible(true));
  ButtonServer->OnClick = [this] { ButtonClick(); };
  return S_OK;
}

HRESULT TAddIn::RemoveMenuButton() {
  if (!ButtonServer) return S_OK;
  HRESULT hr = ButtonServer->SetVisible(false);
  const HRESULT deleted = ButtonServer->Delete();
  if (SUCCEEDED(hr)) hr = deleted;
  ButtonServer.reset();
  return hr;
}

void TAddIn::ButtonClick() {
  // A missing program is not reported: the typist just sees nothing start.
  const std::wstring folder = ProgramFolder(kProgramFolder);
  const std::wstring program = folder + L"\\Vocorder.exe";
  ::ShellExecuteW(::GetDesktopWindow(), L"open", program.c_str(), nullptr, folder.c_str(), SW_SHOWNORMAL);
}

}  // namespace addin
