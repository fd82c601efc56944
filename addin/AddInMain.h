// TAddIn: the add-in object the word processor loads. At start-up completion
// it puts a button into the Tools menu; the button starts the program.
#pragma once

#include "addin/BtnSvr.h"
#include "addin/ComServer.h"
#include "addin/Extensibility.h"

#include "VocorderAddIn_h.h"

#include <windows.h>
#include <wrl/client.h>

#include <memory>

namespace addin {

// Where the installation puts the program, and the folder it runs in, unless
// the installer recorded another folder (addin/InstallDir.h).
inline constexpr wchar_t kProgramPath[] = L"c:\\Program Files\\Korvel\\Vocorder\\Vocorder.exe";
inline constexpr wchar_t kProgramFolder[] = L"c:\\Program Files\\Korvel\\Vocorder";
inline constexpr wchar_t kMenuName[] = L"Tools";
inline constexpr wchar_t kButtonTag[] = L"VOMenu";
inline constexpr wchar_t kButtonCaption[] = L"Vocorder pre MS Word...";

class TAddIn final : public IDTExtensibility2, public IAddIn, private server::CountedObject {
public:
  // A new object asked for iid, as the class factory hands it out.
  static HRESULT Create(REFIID iid, void** out);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch, shared by both dual interfaces and described by IAddIn's type
  // information.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override;

  // IDTExtensibility2
  STDMETHODIMP OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                            SAFEARRAY** custom) override;
  STDMETHODIMP OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
  STDMETHODIMP OnAddInsUpdate(SAFEARRAY** custom) override;
  STDMETHODIMP OnStartupComplete(SAFEARRAY** custom) override;
  STDMETHODIMP OnBeginShutdown(SAFEARRAY** custom) override;

private:
  explicit TAddIn(Microsoft::WRL::ComPtr<ITypeInfo> typeInfo) noexcept;
  ~TAddIn();

  HRESULT AddMenuButton();
  HRESULT RemoveMenuButton();
  void ButtonClick();

  LONG refs_ = 1;
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo_;
  Microsoft::WRL::ComPtr<IDispatch> WordApp;
  std::unique_ptr<TButtonServer> ButtonServer;
};

}  // namespace addin
