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
  // Stops the input and completes the temporary file; deletes it unless it
  // holds a dictation that was neither saved nor discarded, which the next
  // start then offers.
  ~TFRecMpeg() override;
  TFRecMpeg(const TFRecMpeg&) = delete;
  TFRecMpeg& operator=(const TFRecMpeg&) = delete;

  // Shows the window modally; returns when it is closed (hidden).
  void ShowModal() { TDialog::ShowModal(Owner()); }
  // At start-up: a temporary recording left by an earlier run that holds
  // sound is offered for saving or discarding; an empty or unreadable one
  // is deleted. True when a recording was saved (the list changed).
  bool OfferLeftover();
  // Before the program ends: stops a recording in hand, completes it and
  // asks whether to save it. False when the program is to stay open.
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
  enum class TSaved { Saved, Cancelled, Failed };
  static constexpr UINT kWriteFailedMessage = WM_APP + 15;

  // Queues buffer i unless the device still holds it.
  void QueueBuffer(int i);
  int BufferIndex(const void* data) const;
  // Closes both devices and leaves the window with a finished recording
  // that "Uložiť" can still save.
  void FinishRecording();
  void WriteFailed();
  // The name prompt, the copy into the recordings folder and the list.
  TSaved SaveRecording();
  void Discard();
  int Ask(const wchar_t* text, UINT type);
  void EndBusy();
  void ShowClock();
  bool StopDown() const;
  void SetTimer1(bool enabled);

  win::GdiObject fontLabel4_, fontLabel2_;
  win::Icon aboutGlyph_;
  bool timerOn_ = false;

  std::wstring tempFile_;
  std::array<win::HeapBlock, 2> buffers_;
  // Which buffers the device holds; the worker and the window both queue.
  win::CriticalSection queueLock_;
  bool queued_[2] = {false, false};
  std::atomic<bool> paused_{false};
  std::atomic<bool> closingInput_{false};  // returned buffers are not queued again
  std::atomic<bool> writeFailed_{false};
  std::atomic<uint64_t> recordedBytes_{0};
  bool unsaved_ = false;
  // A save or a stop is under way: no button acts (closing the devices
  // lets window messages run).
  bool busy_ = false;
  bool failurePending_ = false;
  recorder::TRecClock clock_;

  std::unique_ptr<TWaveIn> WaveIn;
  std::unique_ptr<TWaveOut> WaveOut;
};
