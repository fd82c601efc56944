// The late-binding rules every object of the double shares, and the host's
// argument conversions.
#include "WordDouble.h"

#include "addin/Extensibility.h"

#include <olectl.h>

#include <algorithm>

namespace word_double {

namespace {

bool IsMissing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

// The codes an IDispatch returns itself; anything else a member fails with is
// the host raising an error, which reaches the caller as DISP_E_EXCEPTION.
bool IsDispatchCode(HRESULT hr) {
  switch (hr) {
    case DISP_E_MEMBERNOTFOUND:
    case DISP_E_PARAMNOTFOUND:
    case DISP_E_PARAMNOTOPTIONAL:
    case DISP_E_BADPARAMCOUNT:
    case DISP_E_TYPEMISMATCH:
    case DISP_E_NONAMEDARGS:
    case DISP_E_UNKNOWNINTERFACE:
    case DISP_E_UNKNOWNNAME:
      return true;
    default:
      return false;
  }
}

std::wstring ArgText(const VARIANT* v) {
  if (!v) return L"";
  VARIANT text;
  ::VariantInit(&text);
  std::wstring s = L"?";
  if (SUCCEEDED(::VariantChangeType(&text, const_cast<VARIANT*>(v), VARIANT_ALPHABOOL, VT_BSTR))) s.assign(text.bstrVal, ::SysStringLen(text.bstrVal));
  ::VariantClear(&text);
  return s;
}

HRESULT HostError(HRESULT hr, const wchar_t* text, EXCEPINFO* exception) {
  if (exception) {
    *exception = EXCEPINFO{};
    exception->scode = hr;
    exception->bstrSource = ::SysAllocString(L"Word double");
    exception->bstrDescription = ::SysAllocString(text);
  }
  return DISP_E_EXCEPTION;
}

}  // namespace

HRESULT ToText(const VARIANT* v, std::wstring& out) {
  if (!v) return DISP_E_PARAMNOTOPTIONAL;
  VARIANT text;
  ::VariantInit(&text);
  if (FAILED(::VariantChangeType(&text, const_cast<VARIANT*>(v), 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
  out.assign(text.bstrVal, ::SysStringLen(text.bstrVal));
  ::VariantClear(&text);
  return S_OK;
}

HRESULT ToLong(const VARIANT* v, long& out) {
  if (!v) return DISP_E_PARAMNOTOPTIONAL;
  VARIANT n;
  ::VariantInit(&n);
  if (FAILED(::VariantChangeType(&n, const_cast<VARIANT*>(v), 0, VT_I4))) return DISP_E_TYPEMISMATCH;
  out = n.lVal;
  return S_OK;
}

HRESULT ToBool(const VARIANT* v, bool& out) {
  if (!v) return DISP_E_PARAMNOTOPTIONAL;
  VARIANT b;
  ::VariantInit(&b);
  if (FAILED(::VariantChangeType(&b, const_cast<VARIANT*>(v), 0, VT_BOOL))) return DISP_E_TYPEMISMATCH;
  out = b.boolVal != VARIANT_FALSE;
  return S_OK;
}

HRESULT ReturnObject(IDispatch* object, VARIANT* result) {
  if (!result) return S_OK;
  result->vt = VT_DISPATCH;
  result->pdispVal = object;
  if (object) object->AddRef();
  return S_OK;
}

// ---- DispObject

DispObject::DispObject(std::wstring label, std::shared_ptr<CallLog> log, std::vector<Member> members)
    : log_(std::move(log)), label_(std::move(label)), members_(std::move(members)) {}

STDMETHODIMP DispObject::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) *out = static_cast<IDispatch*>(this);
  else *out = Interface(iid);
  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

STDMETHODIMP_(ULONG) DispObject::AddRef() { return ++refs_; }

STDMETHODIMP_(ULONG) DispObject::Release() {
  const LONG n = --refs_;
  if (n == 0) delete this;
  return n;
}

STDMETHODIMP DispObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP DispObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP DispObject::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids || count == 0) return E_INVALIDARG;
  std::fill(ids, ids + count, DISPID_UNKNOWN);
  for (const Member& m : members_) {
    if (::lstrcmpiW(m.name, names[0]) == 0) {
      ids[0] = m.id;
      // Parameter names are not mapped: the add-in passes its arguments by
      // position, and a name here would be a call this double cannot vouch for.
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  }
  return DISP_E_UNKNOWNNAME;
}

const DispObject::Member* DispObject::Find(DISPID id) const {
  for (const Member& m : members_)
    if (m.id == id) return &m;
  return nullptr;
}

void DispObject::Record(const Member& m, WORD flags, const Args& args) {
  std::wstring entry = label_ + L"." + m.name;
  if (flags & DISPATCH_PROPERTYPUT) {
    entry += L"=" + ArgText(args.back());
  } else if (m.kind == Kind::Method || !args.empty()) {
    entry += L"(";
    for (size_t i = 0; i < args.size(); ++i) entry += (i ? L"," : L"") + ArgText(args[i]);
    entry += L")";
  }
  log_->push_back(entry);
}

STDMETHODIMP DispObject::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT*) {
  if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  if (!params) return E_INVALIDARG;
  const Member* m = Find(id);
  if (!m) return DISP_E_MEMBERNOTFOUND;

  const bool put = (flags & DISPATCH_PROPERTYPUT) != 0;
  if (put) {
    if (m->kind != Kind::GetPut) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 1 || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTOPTIONAL;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
  } else {
    const WORD needed = m->kind == Kind::Method ? DISPATCH_METHOD : DISPATCH_PROPERTYGET;
    if (!(flags & needed)) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs > m->maxArgs) return DISP_E_BADPARAMCOUNT;
  }

  Args args;
  for (UINT i = params->cArgs; i-- > 0;) {
    const VARIANT& v = params->rgvarg[i];
    args.push_back(IsMissing(v) ? nullptr : &v);
  }
  if (!put) {
    if (args.size() < m->minArgs) return DISP_E_PARAMNOTOPTIONAL;
    for (UINT i = 0; i < m->minArgs; ++i)
      if (!args[i]) return DISP_E_PARAMNOTOPTIONAL;
  }
  Record(*m, flags, args);

  if (result) ::VariantInit(result);
  HRESULT hr;
  if (put) {
    if (!args[0]) return DISP_E_PARAMNOTOPTIONAL;
    hr = Put(id, *args[0]);
  } else if (m->kind == Kind::Method) {
    hr = Call(id, args, result);
  } else {
    hr = Get(id, args, result);
  }
  if (FAILED(hr) && !IsDispatchCode(hr)) return HostError(hr, L"Method failed", exception);
  return hr;
}

}  // namespace word_double
