// The recording window "Záznam zvuku": records a dictation from the first
// input device into a temporary MPEG Layer-3 file, and saves it under a
// typed name into the recordings folder and the current list file. Created
// once with the main window as owner; shown modally by the record button.
#pragma once

#include <windows.h>

#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "base/Dialog.h"
#include "base/WinHandles.h"
#include "recorder/RecPaths.h"
#include "wave/TFWaveI.h"
#include "wave/TFWaveO.h"

class TFRecMpeg : public win::TDialog {
public:
  // Creates the window hidden; opens no device.
  explicit TFRecMpeg(HWND owner);
  // Frees the buffers and deletes the temporary file.
  ~TFRecMpeg() override;
  TFRecMpeg(const TFRecMpeg&) = delete;
  TFRecMpeg& operator=(const TFRecMpeg&) = delete;

  // Shows the window modally; returns when it is closed (hidden).
  void ShowModal() { TDialog::ShowModal(Owner()); }
  // The about button: the main window shows its about box with its top at
  // `top`, horizontally centred on `centreX`, owned by `owner`.
  std::function<void(HWND owner, int top, int centreX)> OnAbout;

  const std::wstring& TemporaryFile() const { return tempFile_; }

  // Control ids (the component names of the window).
  enum : int {
    idLabel3 = 101, idLabel4, idLabel1, idLabel2, idpgBar,
    idBitBtn1, idStop, idButton1, idBitBtn2, idSpeedButton2,
  };

  // Event handlers, one per control event.
  void BitBtn1Click();
  void StopClick();
  void Button1Click();
  void BitBtn2Click();
  void SpeedButton2Click();
  void Timer1Timer();
  void WaveInData(void* data, uint32_t size);

private:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
  void ReportFailure(const std::exception& e) override;
  void OnCreate() override;
  void OnCommand(int id, int code) override;
  // Enter and Esc do nothing here; the close button only hides.
  void OnOK() override {}
  void OnCancel() override {}
  void OnClose() override;
  HWND InitialFocus() override { return nullptr; }
  void QueueBuffer();
  void ShowClock();
  bool StopDown() const;
  void SetTimer1(bool enabled);

  win::GdiObject fontLabel4_, fontLabel2_;
  win::Icon aboutGlyph_;
  bool timerOn_ = false;

  std::wstring tempFile_;
  std::array<win::HeapBlock, 2> buffers_;
  std::atomic<int> index_{0};
  std::atomic<bool> paused_{false};
  recorder::TRecClock clock_;

  std::unique_ptr<TWaveIn> WaveIn;
  std::unique_ptr<TWaveOut> WaveOut;
};
