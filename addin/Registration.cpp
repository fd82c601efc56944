#include "addin/Registration.h"

#include "addin/ComCheck.h"
#include "base/WinHandles.h"

#include <wrl/client.h>

#include <cwchar>

namespace addin {

namespace {

constexpr wchar_t kRegistryError[] = L"Error creating system registry entry";

std::wstring GuidText(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return text;
}

// Releases the TLIBATTR it was given.
class LibAttr {
public:
  LibAttr(ITypeLib* lib, TLIBATTR* attr) noexcept : lib_(lib), attr_(attr) {}
  ~LibAttr() { lib_->ReleaseTLibAttr(attr_); }
  LibAttr(const LibAttr&) = delete;
  LibAttr& operator=(const LibAttr&) = delete;
  const TLIBATTR* operator->() const noexcept { return attr_; }

private:
  ITypeLib* lib_;
  TLIBATTR* attr_;
};

std::wstring TakeBstr(BSTR& b) {
  std::wstring s = b ? std::wstring(b, ::SysStringLen(b)) : std::wstring();
  ::SysFreeString(b);
  b = nullptr;
  return s;
}

bool WriteValue(const std::wstring& keyPath, const wchar_t* valueName, const std::wstring& data) {
  win::Key key;
  if (::RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                        nullptr, key.put(), nullptr) != ERROR_SUCCESS)
    return false;
  const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
  return ::RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes) ==
         ERROR_SUCCESS;
}

// Registration's failure: the text goes to the thread's error information,
// where a caller such as an installer can read it.
HRESULT RegistryFailure() {
  Microsoft::WRL::ComPtr<ICreateErrorInfo> create;
  if (SUCCEEDED(::CreateErrorInfo(&create))) {
    create->SetDescription(const_cast<LPOLESTR>(kRegistryError));
    create->SetSource(const_cast<LPOLESTR>(L"VocorderAddIn"));
    Microsoft::WRL::ComPtr<IErrorInfo> info;
    if (SUCCEEDED(create.As(&info))) ::SetErrorInfo(0, info.Get());
  }
  return E_FAIL;
}

}  // namespace

HRESULT ReadClassEntry(ITypeLib* typeLib, REFCLSID clsid, ClassEntry& entry) {
  if (!typeLib) return E_POINTER;
  TLIBATTR* rawAttr = nullptr;
  RETURN_IF_FAILED(typeLib->GetLibAttr(&rawAttr));
  const LibAttr attr(typeLib, rawAttr);

  BSTR libName = nullptr;
  RETURN_IF_FAILED(typeLib->GetDocumentation(-1, &libName, nullptr, nullptr, nullptr));
  const std::wstring library = TakeBstr(libName);

  Microsoft::WRL::ComPtr<ITypeInfo> classInfo;
  RETURN_IF_FAILED(typeLib->GetTypeInfoOfGuid(clsid, &classInfo));
  BSTR className = nullptr;
  BSTR classDoc = nullptr;
  RETURN_IF_FAILED(classInfo->GetDocumentation(MEMBERID_NIL, &className, &classDoc, nullptr, nullptr));
  const std::wstring name = TakeBstr(className);

  wchar_t version[16];
  std::swprintf(version, 16, L"%d.%d", attr->wMajorVerNum, attr->wMinorVerNum);

  entry.clsid = GuidText(clsid);
  entry.libid = GuidText(attr->guid);
  entry.progId = library + L"." + name;
  entry.description = TakeBstr(classDoc);
  entry.version = version;
  return S_OK;
}

std::wstring RegistryServerPath(const std::wstring& path) {
  if (path.find(L' ') == std::wstring::npos) return path;
  const DWORD needed = ::GetShortPathNameW(path.c_str(), nullptr, 0);
  if (needed == 0) return path;
  std::wstring shortPath(needed, L'\0');
  const DWORD written = ::GetShortPathNameW(path.c_str(), shortPath.data(), needed);
  if (written == 0 || written >= needed) return path;
  shortPath.resize(written);
  return shortPath;
}

HRESULT RegisterClassEntry(ITypeLib* typeLib, const ClassEntry& entry) {
  if (!typeLib) return E_POINTER;
  if (FAILED(::RegisterTypeLib(typeLib, const_cast<LPOLESTR>(entry.serverPath.c_str()), nullptr))) return E_FAIL;

  const std::wstring classKey = L"CLSID\\" + entry.clsid;
  const std::wstring serverKey = classKey + L"\\InprocServer32";
  const bool written = WriteValue(classKey, nullptr, entry.description) &&
                       WriteValue(serverKey, nullptr, RegistryServerPath(entry.serverPath)) &&
                       WriteValue(serverKey, L"ThreadingModel", L"Apartment") &&
                       WriteValue(entry.progId, nullptr, entry.description) &&
                       WriteValue(entry.progId + L"\\Clsid", nullptr, entry.clsid) &&
                       WriteValue(classKey + L"\\ProgID", nullptr, entry.progId) &&
                       WriteValue(classKey + L"\\Version", nullptr, entry.version) &&
                       WriteValue(classKey + L"\\TypeLib", nullptr, entry.libid);
  return written ? S_OK : RegistryFailure();
}

HRESULT UnregisterClassEntry(ITypeLib* typeLib, const ClassEntry& entry) {
  if (!typeLib) return E_POINTER;
  TLIBATTR* rawAttr = nullptr;
  RETURN_IF_FAILED(typeLib->GetLibAttr(&rawAttr));
  {
    const LibAttr attr(typeLib, rawAttr);
    // A library that is not registered (a second unregistration) is, like a
    // missing key, nothing left to remove.
    ::UnRegisterTypeLib(attr->guid, attr->wMajorVerNum, attr->wMinorVerNum, attr->lcid, attr->syskind);
  }

  const std::wstring classKey = L"CLSID\\" + entry.clsid;
  const std::wstring keys[] = {
      classKey + L"\\TypeLib", classKey + L"\\Version",        classKey + L"\\ProgID", entry.progId + L"\\Clsid",
      entry.progId,            classKey + L"\\InprocServer32", classKey,
  };
  for (const auto& key : keys) ::RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
  return S_OK;
}

}  // namespace addin
