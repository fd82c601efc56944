// A stand-in for the word processor's object model, as much of it as the
// add-in reaches: Application.CommandBars, a "Tools" command bar with
// Controls.Add and FindControl, and command bar buttons with their Click
// event. Everything is late-bound IDispatch held to the rules a type-library
// driven host applies (members by name, property gets and puts and method
// calls told apart, optional arguments left out as DISP_E_PARAMNOTFOUND, host
// failures as DISP_E_EXCEPTION), so a call the real host would refuse is
// refused here too. Every call that reaches a member is logged.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <vector>

namespace word_double {

using Microsoft::WRL::ComPtr;
using CallLog = std::vector<std::wstring>;

class DispObject : public IDispatch {
public:
  enum class Kind { Get, GetPut, Method };
  struct Member {
    const wchar_t* name;
    DISPID id;
    Kind kind;
    UINT minArgs;
    UINT maxArgs;
  };
  // Positional arguments in call order; null where one was left out.
  using Args = std::vector<const VARIANT*>;

  ULONG refs() const noexcept { return static_cast<ULONG>(refs_); }
  const std::wstring& label() const noexcept { return label_; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argError) override;

protected:
  DispObject(std::wstring label, std::shared_ptr<CallLog> log, std::vector<Member> members);
  virtual ~DispObject() = default;

  // Interfaces beyond IUnknown and IDispatch; null when not offered.
  virtual void* Interface(REFIID) { return nullptr; }
  virtual HRESULT Get(DISPID id, const Args& args, VARIANT* result) = 0;
  virtual HRESULT Put(DISPID, const VARIANT&) { return DISP_E_MEMBERNOTFOUND; }
  virtual HRESULT Call(DISPID, const Args&, VARIANT*) { return DISP_E_MEMBERNOTFOUND; }

  std::shared_ptr<CallLog> log_;

private:
  const Member* Find(DISPID id) const;
  void Record(const Member& m, WORD flags, const Args& args);

  LONG refs_ = 1;
  std::wstring label_;
  std::vector<Member> members_;
};

// Argument conversions as the host makes them; DISP_E_TYPEMISMATCH otherwise.
HRESULT ToText(const VARIANT* v, std::wstring& out);
HRESULT ToLong(const VARIANT* v, long& out);
HRESULT ToBool(const VARIANT* v, bool& out);
// Hands object out as a VT_DISPATCH result (Nothing when null).
HRESULT ReturnObject(IDispatch* object, VARIANT* result);

class Controls;

// A control of a command bar. Type 1 controls are buttons: only they answer
// _CommandBarButton and have a Click event.
class Control final : public DispObject, public IConnectionPointContainer {
public:
  Control(std::wstring label, std::shared_ptr<CallLog> log, Controls* parent, long type, long id);

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return DispObject::QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return DispObject::AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return DispObject::Release(); }
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
  STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override;

  // The host raising an event of the button to every connected sink. Returns
  // the cancel-default flag as the sinks left it.
  VARIANT_BOOL Fire(DISPID event, VARIANT_BOOL cancelDefault = VARIANT_FALSE);
  VARIANT_BOOL Click() { return Fire(1); }
  // The user removing the button from the menu by hand: every later call on
  // it fails, as the host's do on a deleted control.
  void UserDeletes();

  std::wstring caption, shortcutText, tag;
  bool visible = true;
  bool temporary = false;
  long type;
  long id;
  bool deleted() const noexcept { return deleted_; }
  size_t sinkCount() const noexcept { return sinks_.size(); }

private:
  friend class Controls;
  class Point;
  ~Control() override;
  void* Interface(REFIID iid) override;
  HRESULT Get(DISPID id, const Args& args, VARIANT* result) override;
  HRESULT Put(DISPID id, const VARIANT& value) override;
  HRESULT Call(DISPID id, const Args& args, VARIANT* result) override;

  Controls* parent_;
  bool deleted_ = false;
  std::unique_ptr<Point> point_;
  std::vector<std::pair<DWORD, ComPtr<IDispatch>>> sinks_;
  DWORD nextCookie_ = 1;
};

class Controls final : public DispObject {
public:
  Controls(std::wstring barName, std::shared_ptr<CallLog> log);

  // A control put there by the host (or left by an earlier session); not logged.
  ComPtr<Control> Preset(long type, const wchar_t* caption, const wchar_t* tag, bool visible = true);
  size_t count() const noexcept { return items_.size(); }
  Control* at(size_t i) const { return items_.at(i).Get(); }
  void Remove(Control* control);
  // Makes the next Add fail as the host does when a bar refuses new controls.
  bool refuseAdd = false;

private:
  ~Controls() override;
  HRESULT Get(DISPID id, const Args& args, VARIANT* result) override;
  HRESULT Call(DISPID id, const Args& args, VARIANT* result) override;
  ComPtr<Control> Make(long type, long id);

  std::vector<ComPtr<Control>> items_;
  int made_ = 0;
};

class CommandBar final : public DispObject {
public:
  CommandBar(std::wstring name, std::shared_ptr<CallLog> log);
  const std::wstring& name() const noexcept { return name_; }
  Controls& controls() const noexcept { return *controls_.Get(); }

private:
  HRESULT Get(DISPID id, const Args& args, VARIANT* result) override;
  HRESULT Call(DISPID id, const Args& args, VARIANT* result) override;

  std::wstring name_;
  ComPtr<Controls> controls_;
};

class CommandBars final : public DispObject {
public:
  explicit CommandBars(std::shared_ptr<CallLog> log);
  CommandBar* Add(const wchar_t* name);
  CommandBar* Find(const wchar_t* name) const;

private:
  HRESULT Get(DISPID id, const Args& args, VARIANT* result) override;
  std::vector<ComPtr<CommandBar>> bars_;
};

// The application object. With isWord false it is some other automation host
// that lacks _Application.
class Application final : public DispObject {
public:
  explicit Application(bool isWord = true);
  CommandBars& commandBars() const noexcept { return *bars_.Get(); }
  // The Tools menu, which starts with a few of the host's own buttons.
  Controls& tools() const { return commandBars().Find(L"Tools")->controls(); }
  const CallLog& log() const noexcept { return *log_; }
  void ClearLog() { log_->clear(); }

private:
  void* Interface(REFIID iid) override;
  HRESULT Get(DISPID id, const Args& args, VARIANT* result) override;

  bool isWord_;
  ComPtr<CommandBars> bars_;
};

}  // namespace word_double
