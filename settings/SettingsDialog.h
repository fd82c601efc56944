// TForm2, the settings dialog "Vocorder - nastavenia": the settings record in
// controls on four pages (program, lists, songs, devices), of which only the
// device page has a visible tab; the hidden pages carry their settings
// through unchanged, so that only Default alters them. The device page can
// try a device on the player at once; every way of closing puts the
// player's device choice back in line with the settings.
//
// A page is one class (SettingsPage.h) and one line in the page table of
// OnCreate; the dialog loads, defaults and collects every page in order.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/Dialog.h"
#include "settings/SettingsPage.h"

class TPlayer;

namespace services {
class IPedalSource;
}

namespace kestrel {

namespace form2 {
enum ControlId : int {
  idPages = 300, idSave, idDefault, idCancel, idNull,
  // The device page.
  idDeviceGroup, idDevices, SpeedButton1, idDeviceSelect, idDriverVersionLabel, idDriverVersion, idQualityLabel,
  idQuality, idForceDevice, idDeviceVolume,
  // The program page.
  idStartGroup, idNormal, idMinimized, idTop, idCD,
  // The lists page.
  idPlaySelected, idTime3, idTimeEdit3a, idTimeEdit3b, idTime3Label, idSelNextSong, idSelNextList,
  idIncludeExisting, idSort, idGroup, idRandom, idRandomTimes, idRandomLabel,
  // The songs page.
  idTime1, idTimeEdit1a, idTimeEdit1b, idTimeEdit1c, idTime1Label, idErrPlaytime, idErrUnexisting, idBrowse,
  idBrowseBackup,
};
}  // namespace form2

// What the dialog needs of the main window, which implements it.
class ISettingsHost {
public:
  virtual ~ISettingsHost() = default;
  virtual HWND MainHandle() = 0;
  // Lists are loaded and a recording is selected.
  virtual bool RecordingSelected() = 0;
  // The selected recording's file, made a full path; empty when none.
  virtual std::wstring SelectedRecordingPath() = 0;
  // The play button, as a click would press it.
  virtual void ClickPlay() = 0;
  // Whether the player can tell times (the length limit needs it).
  virtual bool PlayerTellsTimes() = 0;
  // The position editor's fields may take the focus.
  virtual void SetTimeEditEnabled(bool enabled) = 0;
  // The pedals the page "Pedál" shows live; null while none are read.
  virtual services::IPedalSource* Pedals() { return nullptr; }
};

class TDevicePage;

class TForm2 : public win::TDialog {
public:
  static constexpr int kDevicePage = 3;
  static constexpr int kTypingPage = 4;

  TForm2(ISettingsHost& host, TPlayer& player);
  ~TForm2() override;

  // Loads every control from Settings and shows the dialog modally over the
  // main window; `page` (when not -1) becomes the active page first.
  void Execute(int page = -1);

  int ActivePage() const { return active_; }
  void SelectPage(int index);
  // A control of the dialog or of one of its pages.
  HWND Control(int id) const;
  TDevicePage& DevicePage() const;

  // Handlers.
  void idSaveClick();
  void idDefaultClick();
  void idCancelClick();

  // For the pages.
  ISettingsHost& Host() const { return host_; }
  TPlayer& Player() const { return player_; }
  HFONT BoldFont() const { return static_cast<HFONT>(boldFont_.get()); }
  void FocusNull();

protected:
  void OnCreate() override;
  void OnCommand(int id, int code) override;
  void OnOK() override { idSaveClick(); }
  void OnCancel() override { idCancelClick(); }
  void Place() override;
  HWND InitialFocus() override { return Item(form2::idNull); }
  bool PreTranslateMessage(const MSG& m) override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
  void MovePage(int step);
  void ShowActivePage();

  ISettingsHost& host_;
  TPlayer& player_;
  win::GdiObject boldFont_;
  std::vector<std::unique_ptr<TSettingsPage>> pages_;  // program, lists, songs, devices, ...
  std::vector<int> tabPages_;                          // the page of each visible tab
  int active_ = kDevicePage;
};

}  // namespace kestrel
