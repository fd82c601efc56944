// What a page of the settings dialog is: a dialog page that loads its
// controls from the settings record, puts them to their defaults and gives
// their values for the save. The dialog calls every page in its order.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "base/DialogPage.h"
#include "core/SettingsRecord.h"

namespace kestrel {

class TForm2;

// The values of the dialog's controls for the store's save; the two times
// as the texts their fields make.
struct SettingsValues {
  TSettings values;
  std::wstring time3Text;
  std::wstring time1Text;
};

class TSettingsPage : public win::TDialogPage {
public:
  TSettingsPage(TForm2& form, std::span<const win::DialogItem> items) : TDialogPage(items), form_(form) {}

  // The caption of the page's tab; null for a page without a visible tab.
  virtual const wchar_t* TabCaption() const { return nullptr; }
  // Sets each control that differs from the record, with its click rules.
  virtual void Load(const TSettings& s) = 0;
  virtual void Default() = 0;
  virtual void Collect(SettingsValues& v) = 0;
  // The dialog was closed, whichever way.
  virtual void Closed() {}

protected:
  TForm2& Form() const { return form_; }
  bool Checked(int id) const { return ::SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  // Ticks or clears a box when it differs, then runs its click as a click
  // would; true when it changed.
  bool SetBox(int id, bool on);
  // What a click on one of the page's boxes does besides ticking it.
  virtual void BoxClicked(int) {}
  void Enable(int id, bool on) { ::EnableWindow(Item(id), on ? TRUE : FALSE); }
  void SetText(int id, const std::wstring& text);
  std::wstring Text(int id) const;
  // A check box or radio button click: the box's rules, then the focus goes
  // back to the dialog's key sink. Other notifications go to the dialog.
  void OnCommand(int id, int code, HWND control) override;

private:
  TForm2& form_;
};

}  // namespace kestrel
