// TActionButtons: the strip's buttons that hand over to another window or
// component: record (SpeedButton5, the recording window), settings
// (SpeedButton6, idSettingsClick), about (SpeedButton7), mail (SpeedButton8)
// and exit (btnKonec); it owns those windows and the mail component, and is
// what the settings dialog needs of the main window.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/About.h"
#include "app/HotKeyTable.h"
#include "app/PedalSteering.h"
#include "app/PositionEditor.h"
#include "app/Readouts.h"
#include "app/RecordingList.h"
#include "app/Strip.h"
#include "app/Transport.h"
#include "settings/SettingsDialog.h"

class TFRecMpeg;
namespace services {
class TEmail;
}

namespace app {

class TActionButtons : public kestrel::ISettingsHost {
public:
  TActionButtons(TStrip& strip, TReadouts& readouts, TPositionEditor& editor, TTransport& transport,
                 TRecordingList& recordings, THotKeyTable& hotKeys, TPedalSteering& pedals);
  ~TActionButtons() override;

  void CreateAbout();
  void CreateMail();
  // The recording window lives from start-up, so that a dictation left by
  // an earlier run is offered at every start.
  void CreateRecordingWindow();
  // Frees the windows and components (the main window goes).
  void Release();

  TFAbout& FAbout() { return *FAbout_; }
  TFRecMpeg* FRecMpeg() const { return FRecMpeg_.get(); }
  kestrel::TForm2* Form2() const { return Form2_.get(); }
  // A dictation in hand is completed and saved or discarded before the
  // program ends; false when it is to stay open.
  bool DictationSettled();

  void SpeedButton5Click();
  void SpeedButton6Click();
  // The settings dialog, created on first use; page -1 keeps its page.
  void idSettingsClick(int page = -1);
  void SpeedButton7Click();
  void SpeedButton8Click();
  void btnKonecClick();
  // A failed Open of the play button, with the player's text.
  void PlayerOpenFailed(const std::wstring& text);

  // kestrel::ISettingsHost
  HWND MainHandle() override { return strip_.Window(); }
  bool RecordingSelected() override { return !SelectedSongPath().empty(); }
  std::wstring SelectedRecordingPath() override { return SelectedSongPath(); }
  void ClickPlay() override;
  bool PlayerTellsTimes() override { return readouts_.TimeSupported(); }
  void SetTimeEditEnabled(bool enabled) override { editor_.SetTimeEditEnabled(enabled); }
  services::IPedalSource* Pedals() override { return pedals_.Pedals(); }

private:
  TStrip& strip_;
  TReadouts& readouts_;
  TPositionEditor& editor_;
  TTransport& transport_;
  TRecordingList& recordings_;
  THotKeyTable& hotKeys_;
  TPedalSteering& pedals_;
  std::unique_ptr<TFRecMpeg> FRecMpeg_;
  std::unique_ptr<TFAbout> FAbout_;
  std::unique_ptr<services::TEmail> Email1_;
  std::unique_ptr<kestrel::TForm2> Form2_;  // created on first use
};

}  // namespace app
