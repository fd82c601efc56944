// The DLL as a COM server: self-registration through regsvr32, the embedded
// type library, the class factory and the unload rule.
#include "AddInTestSupport.h"
#include "TestSupport.h"
#include "addin/Extensibility.h"
#include "base/WinHandles.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <filesystem>

using Microsoft::WRL::ComPtr;
using namespace addin_test;

namespace {

const std::wstring kClassKey = std::wstring(L"CLSID\\") + kClsidText;

std::wstring Bstr(BSTR b) {
  std::wstring s = b ? std::wstring(b, ::SysStringLen(b)) : L"";
  ::SysFreeString(b);
  return s;
}

// The exports of a loaded copy of the DLL.
struct Exports {
  win::Module module;
  HRESULT(WINAPI* getClassObject)(REFCLSID, REFIID, void**) = nullptr;
  HRESULT(WINAPI* canUnloadNow)() = nullptr;
  HRESULT(WINAPI* registerServer)() = nullptr;
  HRESULT(WINAPI* unregisterServer)() = nullptr;

  explicit Exports(const std::wstring& path) : module(::LoadLibraryW(path.c_str())) {
    if (!module) return;
    Bind(getClassObject, "DllGetClassObject");
    Bind(canUnloadNow, "DllCanUnloadNow");
    Bind(registerServer, "DllRegisterServer");
    Bind(unregisterServer, "DllUnregisterServer");
  }
  template <typename F>
  void Bind(F& f, const char* name) {
    f = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module.get(), name)));
  }
  bool complete() const { return getClassObject && canUnloadNow && registerServer && unregisterServer; }
};

class Server : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(com_.result()));
    ASSERT_TRUE(testing_support::FileExists(AddInDllPath())) << "missing " << std::string(AddInDllPath().begin(), AddInDllPath().end());
  }
  void TearDown() override { Regsvr32(AddInDllPath(), true); }

  win::ComScope com_;
};

RegistrySnapshot ExpectedEntries(const std::wstring& serverPath) {
  const std::wstring sz = std::to_wstring(REG_SZ) + L":";
  return {
      {L"|", sz + L"AddIn Object"},
      {L"InprocServer32|", sz + serverPath},
      {L"InprocServer32|ThreadingModel", sz + L"Apartment"},
      {L"ProgID|", sz + kProgId},
      {L"Version|", sz + L"1.0"},
      {L"TypeLib|", sz + kLibIdText},
  };
}

std::wstring RegisteredTypeLibPath() {
  BSTR path = nullptr;
  if (FAILED(::QueryPathOfRegTypeLib(kLibId, 1, 0, 1033, &path))) return {};
  std::wstring s = Bstr(path);
  while (!s.empty() && s.back() == L'\0') s.pop_back();
  return s;
}

}  // namespace

TEST_F(Server, RegistersTheClassProgIdAndTypeLibrary) {
  ASSERT_EQ(Regsvr32(AddInDllPath()), 0);
  EXPECT_EQ(Snapshot(kClassKey), ExpectedEntries(AddInDllPath()));
  const std::wstring sz = std::to_wstring(REG_SZ) + L":";
  EXPECT_EQ(Snapshot(kProgId), (RegistrySnapshot{{L"|", sz + L"AddIn Object"}, {L"Clsid|", sz + kClsidText}}));
  EXPECT_TRUE(SameText(RegisteredTypeLibPath(), AddInDllPath()));

  CLSID fromProgId{};
  ASSERT_EQ(::CLSIDFromProgID(kProgId, &fromProgId), S_OK);
  EXPECT_TRUE(IsEqualCLSID(fromProgId, kClsid));
}

TEST_F(Server, RegisteringTwiceLeavesTheSameEntriesAndUnregisteringRemovesThem) {
  ASSERT_EQ(Regsvr32(AddInDllPath()), 0);
  const std::wstring keys[] = {kClassKey, kProgId, std::wstring(L"TypeLib\\") + kLibIdText,
                               std::wstring(L"Interface\\") + kIAddInText};
  std::map<std::wstring, RegistrySnapshot> first;
  for (const auto& key : keys) first[key] = Snapshot(key);
  ASSERT_EQ(Regsvr32(AddInDllPath()), 0);
  for (const auto& key : keys) EXPECT_EQ(Snapshot(key), first[key]) << std::string(key.begin(), key.end());

  ASSERT_EQ(Regsvr32(AddInDllPath(), true), 0);
  for (const auto& key : keys) EXPECT_FALSE(KeyExists(key)) << std::string(key.begin(), key.end());
  EXPECT_TRUE(RegisteredTypeLibPath().empty());
  // Nothing left to remove is no failure.
  EXPECT_EQ(Regsvr32(AddInDllPath(), true), 0);
}

TEST_F(Server, PathWithASpaceIsRegisteredInItsShortForm) {
  testing_support::ScratchDir scratch(L"addin");
  const std::filesystem::path folder = scratch.path() / L"add in folder";
  std::filesystem::create_directory(folder);
  const std::wstring copy = (folder / L"VocorderAddIn.dll").wstring();
  ASSERT_TRUE(::CopyFileW(AddInDllPath().c_str(), copy.c_str(), FALSE));

  ASSERT_EQ(Regsvr32(copy), 0);
  const auto entries = Snapshot(kClassKey);
  const auto it = entries.find(L"InprocServer32|");
  ASSERT_NE(it, entries.end());
  const std::wstring registered = it->second.substr(it->second.find(L':') + 1);
  EXPECT_EQ(registered.find(L' '), std::wstring::npos) << std::string(registered.begin(), registered.end());
  wchar_t longPath[MAX_PATH];
  ASSERT_NE(::GetLongPathNameW(registered.c_str(), longPath, MAX_PATH), 0u);
  EXPECT_TRUE(SameText(longPath, copy));

  // The class still loads from the short path.
  ComPtr<IUnknown> object;
  EXPECT_EQ(::CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)), S_OK);
  object.Reset();
  ::CoFreeUnusedLibrariesEx(0, 0);
  EXPECT_EQ(Regsvr32(copy, true), 0);
  EXPECT_FALSE(KeyExists(kClassKey));
}

// A key the registration must write under is volatile, so the registry refuses
// it a non-volatile child: registration stops there with E_FAIL and its text,
// keeping what it had written and writing nothing after it.
struct BlockedKey {
  const wchar_t* volatileKey;
  const wchar_t* written;     // a value written before the failing step
  const wchar_t* notWritten;  // a key of a later step
};

class RegistrationFailure : public Server, public ::testing::WithParamInterface<BlockedKey> {};

TEST_P(RegistrationFailure, StopsWithErrorText) {
  const BlockedKey& p = GetParam();
  Regsvr32(AddInDllPath(), true);
  win::Key blocked;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CLASSES_ROOT, p.volatileKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, blocked.put(), nullptr),
            ERROR_SUCCESS);
  blocked.reset();

  Exports dll(AddInDllPath());
  ASSERT_TRUE(dll.complete());
  ::SetErrorInfo(0, nullptr);
  EXPECT_EQ(dll.registerServer(), E_FAIL);
  ComPtr<IErrorInfo> info;
  ASSERT_EQ(::GetErrorInfo(0, &info), S_OK);
  BSTR description = nullptr;
  info->GetDescription(&description);
  EXPECT_EQ(Bstr(description), L"Error creating system registry entry");

  const auto entries = Snapshot(p.written);
  EXPECT_EQ(entries.count(L"|"), 1u) << "value before the failure missing";
  EXPECT_FALSE(KeyExists(p.notWritten));

  EXPECT_EQ(dll.unregisterServer(), S_OK);
  EXPECT_FALSE(KeyExists(kClassKey));
  EXPECT_FALSE(KeyExists(kProgId));
}

INSTANTIATE_TEST_SUITE_P(Server, RegistrationFailure,
                         ::testing::Values(
                             // InprocServer32 cannot be created under the class key.
                             BlockedKey{L"CLSID\\{DB41E809-71C2-11D3-8FDF-0040D009240C}",
                                        L"CLSID\\{DB41E809-71C2-11D3-8FDF-0040D009240C}", L"VocorderAddIn.AddIn"},
                             // The ProgID's Clsid subkey cannot be created.
                             BlockedKey{L"VocorderAddIn.AddIn",
                                        L"CLSID\\{DB41E809-71C2-11D3-8FDF-0040D009240C}\\InprocServer32",
                                        L"CLSID\\{DB41E809-71C2-11D3-8FDF-0040D009240C}\\ProgID"}));

TEST_F(Server, CreatedThroughTheRegistryFromThisProcess) {
  ASSERT_EQ(Regsvr32(AddInDllPath()), 0);
  ComPtr<IDispatch> object;
  ASSERT_EQ(::CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object)), S_OK);
  // The DLL regsvr32 registered is the one that came in.
  wchar_t loaded[MAX_PATH] = {};
  ::GetModuleFileNameW(::GetModuleHandleW(L"VocorderAddIn.dll"), loaded, MAX_PATH);
  EXPECT_TRUE(SameText(loaded, AddInDllPath()));

  ComPtr<IUnknown> viaIid, viaExtensibility, identity1, identity2;
  EXPECT_EQ(object->QueryInterface(kIAddIn, reinterpret_cast<void**>(viaIid.GetAddressOf())), S_OK);
  EXPECT_EQ(object->QueryInterface(__uuidof(IDTExtensibility2), reinterpret_cast<void**>(viaExtensibility.GetAddressOf())), S_OK);
  viaIid.As(&identity1);
  viaExtensibility.As(&identity2);
  EXPECT_EQ(identity1.Get(), identity2.Get());
  ComPtr<IClassFactory> notOffered;
  EXPECT_EQ(object.As(&notOffered), E_NOINTERFACE);

  // IDispatch describes IAddIn, which has no members of its own.
  UINT count = 0;
  EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  ComPtr<ITypeInfo> type;
  ASSERT_EQ(object->GetTypeInfo(0, 0, &type), S_OK);
  BSTR name = nullptr;
  type->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  EXPECT_EQ(Bstr(name), L"IAddIn");
  LPOLESTR names[] = {const_cast<LPOLESTR>(L"OnConnection")};
  DISPID id = 0;
  EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);

  // Two clients get two objects.
  ComPtr<IDispatch> second;
  ASSERT_EQ(::CoCreateInstance(kClsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&second)), S_OK);
  ComPtr<IUnknown> secondIdentity;
  second.As(&secondIdentity);
  EXPECT_NE(secondIdentity.Get(), identity1.Get());
}

TEST_F(Server, TypeLibraryDescribesLibraryInterfaceAndClass) {
  ComPtr<ITypeLib> lib;
  ASSERT_EQ(::LoadTypeLibEx(AddInDllPath().c_str(), REGKIND_NONE, &lib), S_OK);
  TLIBATTR* attr = nullptr;
  ASSERT_EQ(lib->GetLibAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, kLibId));
  EXPECT_EQ(attr->wMajorVerNum, 1);
  EXPECT_EQ(attr->wMinorVerNum, 0);
  EXPECT_EQ(attr->lcid, 1033u);
  EXPECT_EQ(attr->syskind, sizeof(void*) == 4 ? SYS_WIN32 : SYS_WIN64);
  lib->ReleaseTLibAttr(attr);
  BSTR name = nullptr, doc = nullptr;
  ASSERT_EQ(lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr), S_OK);
  EXPECT_EQ(Bstr(name), L"VocorderAddIn");
  EXPECT_EQ(Bstr(doc), L"DIZiziZorEr Library");
  EXPECT_EQ(lib->GetTypeInfoCount(), 2u);

  ComPtr<ITypeInfo> iface;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(kIAddIn, &iface), S_OK);
  TYPEATTR* ta = nullptr;
  ASSERT_EQ(iface->GetTypeAttr(&ta), S_OK);
  // The dispatch view of a dual interface; OLE-automation compatibility is a
  // flag of its vtable view below.
  EXPECT_EQ(ta->typekind, TKIND_DISPATCH);
  EXPECT_EQ(ta->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE), TYPEFLAG_FDUAL | TYPEFLAG_FDISPATCHABLE);
  iface->ReleaseTypeAttr(ta);
  ASSERT_EQ(iface->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr), S_OK);
  EXPECT_EQ(Bstr(name), L"IAddIn");
  EXPECT_EQ(Bstr(doc), L"Dispatch interface for AddIn Object");

  // The vtable side declares nothing beyond IDispatch, which comes from the
  // standard automation library.
  HREFTYPE vtableRef = 0;
  ASSERT_EQ(iface->GetRefTypeOfImplType(-1, &vtableRef), S_OK);
  ComPtr<ITypeInfo> vtable;
  ASSERT_EQ(iface->GetRefTypeInfo(vtableRef, &vtable), S_OK);
  ASSERT_EQ(vtable->GetTypeAttr(&ta), S_OK);
  EXPECT_EQ(ta->typekind, TKIND_INTERFACE);
  EXPECT_EQ(ta->wTypeFlags & (TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE),
            TYPEFLAG_FDUAL | TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDISPATCHABLE);
  EXPECT_EQ(ta->cFuncs, 0);
  EXPECT_EQ(ta->cImplTypes, 1);
  vtable->ReleaseTypeAttr(ta);
  HREFTYPE baseRef = 0;
  ASSERT_EQ(vtable->GetRefTypeOfImplType(0, &baseRef), S_OK);
  ComPtr<ITypeInfo> base;
  ASSERT_EQ(vtable->GetRefTypeInfo(baseRef, &base), S_OK);
  ASSERT_EQ(base->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(Bstr(name), L"IDispatch");
  ComPtr<ITypeLib> baseLib;
  UINT index = 0;
  ASSERT_EQ(base->GetContainingTypeLib(&baseLib, &index), S_OK);
  ASSERT_EQ(baseLib->GetLibAttr(&attr), S_OK);
  const GUID stdole = {0x00020430, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  EXPECT_TRUE(IsEqualGUID(attr->guid, stdole));
  baseLib->ReleaseTLibAttr(attr);

  ComPtr<ITypeInfo> coclass;
  ASSERT_EQ(lib->GetTypeInfoOfGuid(kClsid, &coclass), S_OK);
  ASSERT_EQ(coclass->GetTypeAttr(&ta), S_OK);
  EXPECT_EQ(ta->typekind, TKIND_COCLASS);
  EXPECT_TRUE(ta->wTypeFlags & TYPEFLAG_FCANCREATE);
  EXPECT_EQ(ta->cImplTypes, 1);
  coclass->ReleaseTypeAttr(ta);
  ASSERT_EQ(coclass->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr), S_OK);
  EXPECT_EQ(Bstr(name), L"AddIn");
  EXPECT_EQ(Bstr(doc), L"AddIn Object");
  INT implFlags = 0;
  ASSERT_EQ(coclass->GetImplTypeFlags(0, &implFlags), S_OK);
  EXPECT_TRUE(implFlags & IMPLTYPEFLAG_FDEFAULT);
  HREFTYPE implRef = 0;
  ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &implRef), S_OK);
  ComPtr<ITypeInfo> impl;
  ASSERT_EQ(coclass->GetRefTypeInfo(implRef, &impl), S_OK);
  ASSERT_EQ(impl->GetTypeAttr(&ta), S_OK);
  EXPECT_TRUE(IsEqualGUID(ta->guid, kIAddIn));
  impl->ReleaseTypeAttr(ta);
}

TEST_F(Server, ClassObjectOnlyForTheClsid) {
  Exports dll(AddInDllPath());
  ASSERT_TRUE(dll.complete());
  for (const GUID& other : {kLibId, static_cast<GUID>(kIAddIn), static_cast<GUID>(IID_IClassFactory)}) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(dll.getClassObject(other, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
  }
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(dll.getClassObject(kClsid, IID_IDispatch, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(dll.getClassObject(kClsid, IID_IClassFactory, nullptr), E_POINTER);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(dll.getClassObject(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  ComPtr<IUnknown> object;
  EXPECT_EQ(factory->CreateInstance(factory.Get(), IID_PPV_ARGS(&object)), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, __uuidof(IClassFactory), reinterpret_cast<void**>(object.GetAddressOf())),
            E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  ComPtr<IDTExtensibility2> addIn;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&addIn)), S_OK);
}

TEST_F(Server, CanUnloadNowFollowsObjectsAndFactoryReferences) {
  Exports dll(AddInDllPath());
  ASSERT_TRUE(dll.complete());
  EXPECT_EQ(dll.canUnloadNow(), S_OK);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(dll.getClassObject(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);

  ComPtr<IDispatch> first, second;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&first)), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&second)), S_OK);
  ASSERT_EQ(factory->LockServer(TRUE), S_OK);
  factory.Reset();
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
  first.Reset();
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
  second.Reset();
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE) << "the lock still holds the server";

  ASSERT_EQ(dll.getClassObject(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  ASSERT_EQ(factory->LockServer(FALSE), S_OK);
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
  factory.Reset();
  EXPECT_EQ(dll.canUnloadNow(), S_OK);

  // An object made after the DLL said it could unload still works: the type
  // library it dropped is loaded again.
  ASSERT_EQ(dll.getClassObject(kClsid, IID_PPV_ARGS(&factory)), S_OK);
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&first)), S_OK);
  factory.Reset();
  ComPtr<ITypeInfo> type;
  EXPECT_EQ(first->GetTypeInfo(0, 0, &type), S_OK);
  EXPECT_EQ(dll.canUnloadNow(), S_FALSE);
  first.Reset();
  EXPECT_EQ(dll.canUnloadNow(), S_OK);
}
