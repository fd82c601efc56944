// Late-bound calls on the word processor's objects: every member is looked up
// by name through IDispatch, as a script would, so nothing depends on the
// host's type library being present or matching.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <initializer_list>
#include <utility>

namespace addin {

// Owns one VARIANT and clears it exactly once.
class Variant {
public:
  Variant() noexcept { ::VariantInit(&v_); }
  ~Variant() { ::VariantClear(&v_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;
  Variant(Variant&& o) noexcept : v_(o.v_) { ::VariantInit(&o.v_); }
  Variant& operator=(Variant&& o) noexcept {
    if (this != &o) {
      ::VariantClear(&v_);
      v_ = std::exchange(o.v_, VARIANT{});
    }
    return *this;
  }

  // An optional argument left out (what a caller's "missing" means to IDispatch).
  static Variant Missing() noexcept;
  // A string; an allocation failure leaves the variant empty.
  static Variant Text(const wchar_t* s) noexcept;
  static Variant Long(long n) noexcept;
  static Variant Bool(bool b) noexcept;

  const VARIANT& get() const noexcept { return v_; }
  VARIANT* put() noexcept {
    ::VariantClear(&v_);
    return &v_;
  }

private:
  VARIANT v_;
};

// A property read, with arguments for indexed properties (in call order).
HRESULT GetProperty(IDispatch* object, const wchar_t* name, Variant& result,
                    std::initializer_list<const Variant*> args = {});
// A property write.
HRESULT PutProperty(IDispatch* object, const wchar_t* name, const Variant& value);
// A method call with its arguments in call order; result may be null.
HRESULT CallMethod(IDispatch* object, const wchar_t* name, std::initializer_list<const Variant*> args,
                   Variant* result = nullptr);

// The object a call returned, asked for iid. S_FALSE with *out null when the
// call returned no object (Nothing); E_NOINTERFACE when it lacks iid.
HRESULT ObjectOf(const Variant& value, REFIID iid, void** out);

}  // namespace addin
