// The published add-in interface through which the word processor drives an
// add-in, and the identifiers of the word processor's objects the add-in asks
// for. Their type libraries ship with the host, not with us, so the
// declarations live here.
#pragma once

#include <windows.h>
#include <oaidl.h>

enum ext_ConnectMode {
  ext_cm_AfterStartup = 0,
  ext_cm_Startup = 1,
  ext_cm_External = 2,
  ext_cm_CommandLine = 3,
};

enum ext_DisconnectMode {
  ext_dm_HostShutdown = 0,
  ext_dm_UserClosed = 1,
};

MIDL_INTERFACE("B65AD801-ABAF-11D0-BB8B-00A0C90F2744")
IDTExtensibility2 : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode,
                                                 IDispatch* AddInInst, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnAddInsUpdate(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnStartupComplete(SAFEARRAY** custom) = 0;
  virtual HRESULT STDMETHODCALLTYPE OnBeginShutdown(SAFEARRAY** custom) = 0;
};
__CRT_UUID_DECL(IDTExtensibility2, 0xb65ad801, 0xabaf, 0x11d0, 0xbb, 0x8b, 0x00, 0xa0, 0xc9, 0x0f, 0x27, 0x44)

namespace word {

// _Application, the word processor's application object.
inline constexpr IID IID__Application = {0x00020970, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// _CommandBarButton, a button of a menu or tool bar.
inline constexpr IID IID__CommandBarButton = {0x000C030E, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// _CommandBarButtonEvents, the button's outgoing dispatch interface.
inline constexpr IID IID__CommandBarButtonEvents = {
    0x000C0351, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// The CommandBarButton class.
inline constexpr CLSID CLSID_CommandBarButton = {0x55F88891, 0x7708, 0x11D1, {0xAC, 0xEB, 0x00, 0x60, 0x08, 0x96, 0x1D, 0xA5}};

// The documented dispatch identifier of the button's Click event.
inline constexpr DISPID DISPID_Click = 1;
// Controls.Add's type of a plain button.
inline constexpr long msoControlButton = 1;

}  // namespace word
