#include "WordDouble.h"

#include "addin/Extensibility.h"

#include <olectl.h>

#include <algorithm>

namespace word_double {

// ---- Control and its connection point

class Control::Point final : public IConnectionPoint {
public:
  explicit Point(Control* owner) : owner_(owner) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IConnectionPoint)) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Lives as long as its button.
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }
  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = word::IID__CommandBarButtonEvents;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override {
    if (!out) return E_POINTER;
    *out = owner_;
    owner_->AddRef();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    // As a connection point does, the sink must be of the event interface.
    ComPtr<IDispatch> events;
    if (FAILED(sink->QueryInterface(word::IID__CommandBarButtonEvents, reinterpret_cast<void**>(events.GetAddressOf()))))
      return CONNECT_E_CANNOTCONNECT;
    *cookie = owner_->nextCookie_++;
    owner_->sinks_.emplace_back(*cookie, std::move(events));
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    auto& sinks = owner_->sinks_;
    auto it = std::find_if(sinks.begin(), sinks.end(), [&](const auto& s) { return s.first == cookie; });
    if (it == sinks.end()) return CONNECT_E_NOCONNECTION;
    sinks.erase(it);
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections** out) override {
    if (out) *out = nullptr;
    return E_NOTIMPL;
  }

private:
  Control* owner_;
};

enum : DISPID { idCaption = 1, idShortcutText, idTag, idVisible, idType, idId, idDelete, idExecute };

Control::Control(std::wstring label, std::shared_ptr<CallLog> log, Controls* parent, long type, long id)
    : DispObject(std::move(label), std::move(log),
                 {{L"Caption", idCaption, Kind::GetPut, 0, 0},
                  {L"ShortcutText", idShortcutText, Kind::GetPut, 0, 0},
                  {L"Tag", idTag, Kind::GetPut, 0, 0},
                  {L"Visible", idVisible, Kind::GetPut, 0, 0},
                  {L"Type", idType, Kind::Get, 0, 0},
                  {L"Id", idId, Kind::Get, 0, 0},
                  {L"Delete", idDelete, Kind::Method, 0, 1},
                  {L"Execute", idExecute, Kind::Method, 0, 0}}),
      type(type),
      id(id),
      parent_(parent),
      point_(std::make_unique<Point>(this)) {}

Control::~Control() = default;

void* Control::Interface(REFIID iid) {
  if (IsEqualIID(iid, word::IID__CommandBarButton) && type == word::msoControlButton)
    return static_cast<IDispatch*>(this);
  if (IsEqualIID(iid, IID_IConnectionPointContainer) && type == word::msoControlButton)
    return static_cast<IConnectionPointContainer*>(this);
  return nullptr;
}

STDMETHODIMP Control::EnumConnectionPoints(IEnumConnectionPoints** out) {
  if (out) *out = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP Control::FindConnectionPoint(REFIID iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!IsEqualIID(iid, word::IID__CommandBarButtonEvents)) return CONNECT_E_NOCONNECTION;
  *out = point_.get();
  AddRef();
  return S_OK;
}

VARIANT_BOOL Control::Fire(DISPID event, VARIANT_BOOL cancelDefault) {
  // Click(Ctrl, CancelDefault): arguments last first.
  VARIANT args[2];
  args[0].vt = VT_BOOL | VT_BYREF;
  args[0].pboolVal = &cancelDefault;
  args[1].vt = VT_DISPATCH;
  args[1].pdispVal = static_cast<IDispatch*>(this);
  DISPPARAMS params{args, nullptr, 2, 0};
  const auto sinks = sinks_;  // a sink may unadvise while called
  for (const auto& [cookie, sink] : sinks) {
    VARIANT result;
    ::VariantInit(&result);
    sink->Invoke(event, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    ::VariantClear(&result);
  }
  return cancelDefault;
}

void Control::UserDeletes() {
  deleted_ = true;
  ComPtr<Control> keep(this);
  if (parent_) parent_->Remove(this);
}

HRESULT Control::Get(DISPID which, const Args&, VARIANT* result) {
  if (deleted_) return E_FAIL;
  if (!result) return S_OK;
  switch (which) {
    case idCaption:
    case idShortcutText:
    case idTag: {
      const std::wstring& s = which == idCaption ? caption : which == idTag ? tag : shortcutText;
      result->vt = VT_BSTR;
      result->bstrVal = ::SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
      return S_OK;
    }
    case idVisible:
      result->vt = VT_BOOL;
      result->boolVal = visible ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case idType:
    case idId:
      result->vt = VT_I4;
      result->lVal = which == idType ? type : id;
      return S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT Control::Put(DISPID which, const VARIANT& value) {
  if (deleted_) return E_FAIL;
  switch (which) {
    case idCaption:
      return ToText(&value, caption);
    case idShortcutText:
      return ToText(&value, shortcutText);
    case idTag:
      return ToText(&value, tag);
    case idVisible:
      return ToBool(&value, visible);
  }
  return DISP_E_MEMBERNOTFOUND;
}

HRESULT Control::Call(DISPID which, const Args& args, VARIANT*) {
  if (deleted_) return E_FAIL;
  if (which == idExecute) {
    Click();
    return S_OK;
  }
  if (which != idDelete) return DISP_E_MEMBERNOTFOUND;
  bool temp = false;
  if (!args.empty() && args[0] && FAILED(ToBool(args[0], temp))) return DISP_E_TYPEMISMATCH;
  temporary = temp;
  UserDeletes();
  return S_OK;
}

// ---- Controls

enum : DISPID { idItem = 0, idCount = 1, idAdd = 2 };

Controls::Controls(std::wstring barName, std::shared_ptr<CallLog> log)
    : DispObject(barName + L".Controls", std::move(log),
                 {{L"Item", idItem, Kind::Get, 1, 1}, {L"Count", idCount, Kind::Get, 0, 0}, {L"Add", idAdd, Kind::Method, 0, 5}}) {}

Controls::~Controls() {
  for (auto& c : items_) c->parent_ = nullptr;
}

ComPtr<Control> Controls::Make(long type, long id) {
  ComPtr<Control> c;
  c.Attach(new Control(L"Control" + std::to_wstring(++made_), log_, this, type, id));
  return c;
}

ComPtr<Control> Controls::Preset(long type, const wchar_t* caption, const wchar_t* tag, bool visible) {
  ComPtr<Control> c = Make(type, 0);
  c->caption = caption;
  c->tag = tag;
  c->visible = visible;
  items_.push_back(c);
  return c;
}

void Controls::Remove(Control* control) {
  auto it = std::find_if(items_.begin(), items_.end(), [&](const auto& c) { return c.Get() == control; });
  if (it == items_.end()) return;
  (*it)->parent_ = nullptr;
  items_.erase(it);
}

HRESULT Controls::Get(DISPID which, const Args& args, VARIANT* result) {
  if (which == idCount) {
    if (result) {
      result->vt = VT_I4;
      result->lVal = static_cast<long>(items_.size());
    }
    return S_OK;
  }
  long index = 0;
  if (FAILED(ToLong(args[0], index))) return DISP_E_TYPEMISMATCH;
  if (index < 1 || index > static_cast<long>(items_.size())) return E_INVALIDARG;
  return ReturnObject(items_[index - 1].Get(), result);
}

HRESULT Controls::Call(DISPID which, const Args& args, VARIANT* result) {
  if (which != idAdd) return DISP_E_MEMBERNOTFOUND;
  if (refuseAdd) return E_FAIL;
  const auto arg = [&](size_t i) { return i < args.size() ? args[i] : nullptr; };
  long type = word::msoControlButton, id = 1, before = 0;
  bool temp = false;
  if (arg(0) && FAILED(ToLong(arg(0), type))) return DISP_E_TYPEMISMATCH;
  if (arg(1) && FAILED(ToLong(arg(1), id))) return DISP_E_TYPEMISMATCH;
  if (arg(3) && FAILED(ToLong(arg(3), before))) return DISP_E_TYPEMISMATCH;
  if (arg(4) && FAILED(ToBool(arg(4), temp))) return DISP_E_TYPEMISMATCH;
  if (type != word::msoControlButton && type != 10) return E_INVALIDARG;
  if (before < 0 || before > static_cast<long>(items_.size()) + 1) return E_INVALIDARG;
  ComPtr<Control> c = Make(type, id);
  c->temporary = temp;
  if (before == 0) items_.push_back(c);
  else items_.insert(items_.begin() + (before - 1), c);
  return ReturnObject(c.Get(), result);
}

// ---- CommandBar and CommandBars

enum : DISPID { idName = 1, idControls = 2, idFindControl = 3 };

CommandBar::CommandBar(std::wstring name, std::shared_ptr<CallLog> log)
    : DispObject(name, log,
                 {{L"Name", idName, Kind::Get, 0, 0},
                  {L"Controls", idControls, Kind::Get, 0, 0},
                  {L"FindControl", idFindControl, Kind::Method, 0, 5}}),
      name_(name) {
  controls_.Attach(new Controls(name, log));
}

HRESULT CommandBar::Get(DISPID which, const Args&, VARIANT* result) {
  if (which == idControls) return ReturnObject(controls_.Get(), result);
  if (result) {
    result->vt = VT_BSTR;
    result->bstrVal = ::SysAllocString(name_.c_str());
  }
  return S_OK;
}

HRESULT CommandBar::Call(DISPID which, const Args& args, VARIANT* result) {
  if (which != idFindControl) return DISP_E_MEMBERNOTFOUND;
  // FindControl(Type, Id, Tag, Visible, Recursive): every criterion given must match.
  const auto arg = [&](size_t i) { return i < args.size() ? args[i] : nullptr; };
  long type = 0, id = 0;
  std::wstring tag;
  bool onlyVisible = false;
  if (arg(0) && FAILED(ToLong(arg(0), type))) return DISP_E_TYPEMISMATCH;
  if (arg(1) && FAILED(ToLong(arg(1), id))) return DISP_E_TYPEMISMATCH;
  if (arg(2) && FAILED(ToText(arg(2), tag))) return DISP_E_TYPEMISMATCH;
  if (arg(3) && FAILED(ToBool(arg(3), onlyVisible))) return DISP_E_TYPEMISMATCH;
  for (size_t i = 0; i < controls_->count(); ++i) {
    Control* c = controls_->at(i);
    if (arg(0) && c->type != type) continue;
    if (arg(1) && c->id != id) continue;
    if (arg(2) && c->tag != tag) continue;
    if (onlyVisible && !c->visible) continue;
    return ReturnObject(c, result);
  }
  return ReturnObject(nullptr, result);
}

CommandBars::CommandBars(std::shared_ptr<CallLog> log)
    : DispObject(L"CommandBars", std::move(log), {{L"Item", 0, Kind::Get, 1, 1}, {L"Count", 1, Kind::Get, 0, 0}}) {}

CommandBar* CommandBars::Add(const wchar_t* name) {
  ComPtr<CommandBar> bar;
  bar.Attach(new CommandBar(name, log_));
  bars_.push_back(bar);
  return bar.Get();
}

CommandBar* CommandBars::Find(const wchar_t* name) const {
  for (const auto& b : bars_)
    if (::lstrcmpiW(b->name().c_str(), name) == 0) return b.Get();
  return nullptr;
}

HRESULT CommandBars::Get(DISPID which, const Args& args, VARIANT* result) {
  if (which == 1) {
    if (result) {
      result->vt = VT_I4;
      result->lVal = static_cast<long>(bars_.size());
    }
    return S_OK;
  }
  // Item: by name, or by 1-based position.
  if (args[0]->vt == VT_BSTR) {
    CommandBar* bar = Find(args[0]->bstrVal);
    return bar ? ReturnObject(bar, result) : E_INVALIDARG;
  }
  long index = 0;
  if (FAILED(ToLong(args[0], index))) return DISP_E_TYPEMISMATCH;
  if (index < 1 || index > static_cast<long>(bars_.size())) return E_INVALIDARG;
  return ReturnObject(bars_[index - 1].Get(), result);
}

// ---- Application

Application::Application(bool isWord)
    : DispObject(L"Word", std::make_shared<CallLog>(), {{L"CommandBars", 1, Kind::Get, 0, 0}}), isWord_(isWord) {
  bars_.Attach(new CommandBars(log_));
  bars_->Add(L"Standard")->controls().Preset(word::msoControlButton, L"&New", L"");
  Controls& tools = bars_->Add(L"Tools")->controls();
  tools.Preset(word::msoControlButton, L"&Spelling and Grammar...", L"");
  tools.Preset(word::msoControlButton, L"&Word Count...", L"");
  tools.Preset(10, L"&Macro", L"");
  tools.Preset(word::msoControlButton, L"&Options...", L"");
}

void* Application::Interface(REFIID iid) {
  if (isWord_ && IsEqualIID(iid, word::IID__Application)) return static_cast<IDispatch*>(this);
  return nullptr;
}

HRESULT Application::Get(DISPID, const Args&, VARIANT* result) { return ReturnObject(bars_.Get(), result); }

}  // namespace word_double
