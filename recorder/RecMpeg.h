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
#include "recorder/RecSave.h"
#include "wave/TFWaveI.h"
#include "wave/TFWaveO.h"

class TFRecMpeg : public win::TDialog {
public:
  // Creates the window hidden; opens no device.
  explicit TFRecMpeg(HWND owner);
  // Stops the input and completes the temporary file; deletes it unless it
  // holds a dictation that was neither saved nor discarded, which the next
  // start then offers.
  ~TFRecMpeg() override;
  TFRecMpeg(const TFRecMpeg&) = delete;
  TFRecMpeg& operator=(const TFRecMpeg&) = delete;

  // Shows the window modally; returns when it is closed (hidden).
  void ShowModal() { TDialog::ShowModal(Owner()); }
  // At start-up: a temporary recording left by an earlier run (also at the
  // place earlier versions used) that holds sound is offered for saving or
  // discarding; an empty one is deleted, one that cannot be read is kept
  // under another name and said so. True when a recording was saved (the
  // list changed).
  bool OfferLeftover();
  // Before the program ends: stops a recording in hand, completes it and
  // asks whether to save it. False when the program is to stay open.
  // Asked while a box of this window is up (the request came from inside
  // it), that box ends as by Cancel, what showed it asks nothing more, and
  // the request goes to the owner again (WM_CLOSE) once that is back; false
  // meanwhile.
  bool CloseQuery();
  // Whether a dictation was recorded and neither saved nor discarded.
  bool HasUnsaved() const { return unsaved_; }
  // Bytes handed to the writer since "Štart".
  uint64_t RecordedBytes() const { return recordedBytes_; }
  // The writer, for tests that give it a failing target.
  TWaveOut& Output() { return *WaveOut; }
  // The about button: the main window shows its about box with its top at
  // `top`, horizontally centred on `centreX`, owned by `owner`.
  std::function<void(HWND owner, int top, int centreX)> OnAbout;

  const std::wstring& TemporaryFile() const { return tempFile_; }

  // Control ids (the component names of the window).
  enum : int {
    idLabel3 = 101, idLabel4, idLabel1, idLabel2, idpgBar,
    idBitBtn1, idStop, idButton1, idBitBtn2, idSpeedButton2,
  };
  // Buffers of about 93 ms each: enough for more than half a second while
  // the worker is held up.
  static constexpr int kBuffers = 8;

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
  static constexpr UINT kStoppedMessage = WM_APP + 15;

  int BufferIndex(const void* data) const;
  // Closes both devices and leaves the window stopped, with the finished
  // recording in hand for "Uložiť".
  void FinishRecording();
  // The recording stopped by itself (a failed write, a failing worker).
  void RecordingStopped();
  void EndSession();
  // A dictation in hand before "Štart": saved or thrown away as the user
  // says; false when nothing may start.
  bool SettleBeforeStart();
  recorder::TSaved SaveDictation();
  void Discard();
  int Ask(const std::wstring& text, UINT type);
  // A question or the name prompt is up: no button acts meanwhile.
  void BeginBusy() { busy_ = true; }
  void EndBusy();
  // Ends this window's box that is up as by Cancel.
  void CancelBoxes();
  void ShowClock();
  bool StopDown() const;
  void SetTimer1(bool enabled);

  win::GdiObject fontLabel4_, fontLabel2_;
  win::Icon aboutGlyph_;
  bool timerOn_ = false;

  std::wstring tempFile_;
  std::array<win::HeapBlock, kBuffers> buffers_;
  std::atomic<bool> closingInput_{false};  // returned buffers are not queued again
  std::atomic<bool> stopped_{false};       // by a failure; told once on the window's thread
  std::atomic<uint64_t> recordedBytes_{0};
  win::CriticalSection failureLock_;
  std::wstring failure_;  // what a worker threw
  bool unsaved_ = false;
  bool busy_ = false;
  bool stopPending_ = false;
  // The program is closing: the boxes were ended as by Cancel, and the
  // close request goes to the owner again once the handler is back.
  bool boxesCancelled_ = false;
  recorder::TRecClock clock_;

  std::unique_ptr<TWaveIn> WaveIn;
  std::unique_ptr<TWaveOut> WaveOut;
};
