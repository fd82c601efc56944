// The class's entries under HKEY_CLASSES_ROOT, written and removed by the
// DLL's self-registration.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace addin {

// What registration writes, all read from the type library except the path.
struct ClassEntry {
  std::wstring clsid;        // "{...}"
  std::wstring libid;        // "{...}"
  std::wstring progId;       // library name, a dot, class name
  std::wstring description;  // the class's help string
  std::wstring version;      // the library's "major.minor"
  std::wstring serverPath;   // the DLL's full path
};

// The entry of the class clsid in typeLib; serverPath is left empty.
HRESULT ReadClassEntry(ITypeLib* typeLib, REFCLSID clsid, ClassEntry& entry);

// The path InprocServer32 names: the short form when the path has a space.
std::wstring RegistryServerPath(const std::wstring& path);

// Registers the type library and writes the class's keys. E_FAIL after the
// first failure, with "Error creating system registry entry" as the thread's
// error information when a key or value could not be written.
HRESULT RegisterClassEntry(ITypeLib* typeLib, const ClassEntry& entry);
// Unregisters the type library and deletes the class's keys; a key that
// cannot be deleted is skipped.
HRESULT UnregisterClassEntry(ITypeLib* typeLib, const ClassEntry& entry);

}  // namespace addin
