// The DLL's COM server: its exports, its one class factory, the counts that
// decide unloading and the embedded type library.
#include "addin/ComServer.h"

#include "addin/AddInMain.h"
#include "addin/ComCheck.h"
#include "addin/Registration.h"
#include "base/WinHandles.h"

#include <olectl.h>
#include <wrl/client.h>

#include <string>

namespace addin::server {

namespace {

HINSTANCE g_instance = nullptr;
LONG g_objects = 0;
LONG g_factoryRefs = 0;

// Loaded on first need rather than in DllMain (no loader work under the
// loader lock) and dropped whenever the DLL becomes unloadable. Never
// destroyed at process exit: a Release then could reach an unloaded oleaut32.
struct TypeLibCache {
  win::CriticalSection lock;
  Microsoft::WRL::ComPtr<ITypeLib> lib;
};

TypeLibCache& Cache() {
  static TypeLibCache* cache = new TypeLibCache;
  return *cache;
}

std::wstring ModulePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(g_instance, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

HRESULT TypeLib(ITypeLib** out) {
  TypeLibCache& cache = Cache();
  win::Lock lock(cache.lock);
  if (!cache.lib) {
    const std::wstring path = ModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(::GetLastError());
    RETURN_IF_FAILED(::LoadTypeLibEx(path.c_str(), REGKIND_NONE, &cache.lib));
  }
  return cache.lib.CopyTo(out);
}

void DropTypeLib() {
  TypeLibCache& cache = Cache();
  win::Lock lock(cache.lock);
  cache.lib.Reset();
}

// The one factory, a static object: its references are what the factory count
// counts, together with LockServer's locks.
class TAddInFactory final : public IClassFactory {
public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
      *out = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ::InterlockedIncrement(&g_factoryRefs); }
  STDMETHODIMP_(ULONG) Release() override { return ::InterlockedDecrement(&g_factoryRefs); }

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return TAddIn::Create(iid, out);
  }
  STDMETHODIMP LockServer(BOOL lock) override {
    if (lock) ::InterlockedIncrement(&g_factoryRefs);
    else ::InterlockedDecrement(&g_factoryRefs);
    return S_OK;
  }
};

TAddInFactory g_factory;

HRESULT ThisClassEntry(ITypeLib** lib, ClassEntry& entry) {
  RETURN_IF_FAILED(TypeLib(lib));
  RETURN_IF_FAILED(ReadClassEntry(*lib, CLSID_AddIn, entry));
  entry.serverPath = ModulePath();
  return entry.serverPath.empty() ? E_FAIL : S_OK;
}

}  // namespace

CountedObject::CountedObject() noexcept { ::InterlockedIncrement(&g_objects); }
CountedObject::~CountedObject() { ::InterlockedDecrement(&g_objects); }

HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  Microsoft::WRL::ComPtr<ITypeLib> lib;
  RETURN_IF_FAILED(TypeLib(&lib));
  return lib->GetTypeInfoOfGuid(guid, out);
}

}  // namespace addin::server

using namespace addin;

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    server::g_instance = instance;
    ::DisableThreadLibraryCalls(instance);
  }
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_AddIn)) return CLASS_E_CLASSNOTAVAILABLE;
  return server::g_factory.QueryInterface(iid, out);
}

STDAPI DllCanUnloadNow() {
  if (server::g_objects != 0 || server::g_factoryRefs != 0) return S_FALSE;
  server::DropTypeLib();
  return S_OK;
}

STDAPI DllRegisterServer() {
  Microsoft::WRL::ComPtr<ITypeLib> lib;
  ClassEntry entry;
  if (FAILED(server::ThisClassEntry(&lib, entry))) return E_FAIL;
  return RegisterClassEntry(lib.Get(), entry);
}

STDAPI DllUnregisterServer() {
  Microsoft::WRL::ComPtr<ITypeLib> lib;
  ClassEntry entry;
  if (FAILED(server::ThisClassEntry(&lib, entry))) return E_FAIL;
  return FAILED(UnregisterClassEntry(lib.Get(), entry)) ? E_FAIL : S_OK;
}
