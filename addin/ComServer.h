// The in-process server's module state: the counts that decide whether the
// host may unload the DLL, and the embedded type library.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace addin::server {

// Every COM object this DLL hands out holds one of these for its lifetime, so
// that DllCanUnloadNow says S_FALSE while its code may still be called.
class CountedObject {
public:
  CountedObject() noexcept;
  ~CountedObject();
  CountedObject(const CountedObject&) = delete;
  CountedObject& operator=(const CountedObject&) = delete;
};

// The type information for a GUID of the embedded type library.
HRESULT TypeInfoOf(REFGUID guid, ITypeInfo** out);

}  // namespace addin::server
