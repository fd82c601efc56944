#include "addin/Dispatch.h"

#include "addin/ComCheck.h"

#include <vector>

namespace addin {

Variant Variant::Missing() noexcept {
  Variant v;
  v.v_.vt = VT_ERROR;
  v.v_.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

Variant Variant::Text(const wchar_t* s) noexcept {
  Variant v;
  BSTR b = ::SysAllocString(s ? s : L"");
  if (b) {
    v.v_.vt = VT_BSTR;
    v.v_.bstrVal = b;
  }
  return v;
}

Variant Variant::Long(long n) noexcept {
  Variant v;
  v.v_.vt = VT_I4;
  v.v_.lVal = n;
  return v;
}

Variant Variant::Bool(bool b) noexcept {
  Variant v;
  v.v_.vt = VT_BOOL;
  v.v_.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}

namespace {

// The failure a DISP_E_EXCEPTION stands for, with the exception's strings freed.
HRESULT ExceptionResult(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  ::SysFreeString(info.bstrSource);
  ::SysFreeString(info.bstrDescription);
  ::SysFreeString(info.bstrHelpFile);
  if (FAILED(info.scode)) return info.scode;
  return E_FAIL;
}

HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::initializer_list<const Variant*> args,
               VARIANT* result) {
  if (!object) return E_POINTER;
  DISPID id = DISPID_UNKNOWN;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  RETURN_IF_FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));

  // IDispatch takes the arguments last first. The copies are shallow: the
  // callee only reads them and the Variants keep owning what they hold.
  std::vector<VARIANTARG> reversed;
  reversed.reserve(args.size());
  for (auto it = std::rbegin(args); it != std::rend(args); ++it) reversed.push_back((*it)->get());

  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  EXCEPINFO info{};
  UINT argError = 0;
  const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, &argError);
  if (hr == DISP_E_EXCEPTION) return ExceptionResult(info);
  return hr;
}

}  // namespace

HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant& result,
                    std::initializer_list<const Variant*> args) {
  return Invoke(object, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, args, result.put());
}

HRESULT PutProperty(IDispatch* object, const wchar_t* name, const Variant& value) {
  return Invoke(object, name, DISPATCH_PROPERTYPUT, {&value}, nullptr);
}

HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<const Variant*> args,
                   Variant* result) {
  return Invoke(object, name, DISPATCH_METHOD, args, result ? result->put() : nullptr);
}

HRESULT ObjectOf(const Variant& value, REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  const VARIANT& v = value.get();
  IUnknown* unknown = nullptr;
  if (v.vt == VT_DISPATCH) unknown = v.pdispVal;
  else if (v.vt == VT_UNKNOWN) unknown = v.punkVal;
  else if (v.vt != VT_EMPTY && v.vt != VT_NULL) return DISP_E_TYPEMISMATCH;
  if (!unknown) return S_FALSE;
  return unknown->QueryInterface(iid, out);
}

}  // namespace addin
