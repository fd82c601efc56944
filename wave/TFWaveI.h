// TWaveIn: records from a wave input device (or reads a wave file in its
// place) into buffers its owner queues, and hands every filled buffer back
// through OnData on the component's worker thread.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/UDSStream.h"
#include "wave/TWaveDevice.h"

class TWaveIn : public wave::TWaveDevice {
public:
  using TNotifyEvent = std::function<void(TWaveIn& Sender)>;

  // Cheap and safe without any input device: the device is opened by Open.
  TWaveIn();
  // Closes an open device first.
  ~TWaveIn() override;

  // Run on the worker thread (OnMixer on the creating thread).
  TNotifyEvent OnOpen;
  TNotifyEvent OnClose;
  TWaveInDataEvent OnData;
  TNotifyEvent OnMixer;

  // A wave file read in place of the device ("file mode"); empty when none.
  const std::wstring& LoadFromFile() const { return fileName_; }
  void SetLoadFromFile(const std::wstring& name);

  // 0 or the platform's code.
  MMRESULT Open();
  // 0, the platform's code, 7 when all slots are busy, 1 when there is
  // nothing to record into.
  MMRESULT AddBuffer(void* data, uint32_t size);
  // Stops taking in sound and keeps the device: the buffer being filled
  // comes back with what it holds, the others stay queued for Resume.
  MMRESULT Pause();
  MMRESULT Resume();
  void StopDevice();
  MMRESULT Close();
  bool IsActive() const;

  bool Recording() const { return running_; }
  int BusySlots();

private:
  static void CALLBACK WaveInProc(HWAVEIN device, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);
  void OnNotification(UINT code, WAVEHDR* header) override;
  void MixerChanged() override {
    if (OnMixer) OnMixer(*this);
  }
  void LeaveFileMode();
  MMRESULT AddFileBuffer(void* data, uint32_t size);

  wave::TWaveSlots slots_;
  std::unique_ptr<TDSStream> fileStream_;
  std::wstring fileName_;

  win::WaveIn device_;
  std::atomic<bool> deviceOpen_{false};  // set by the open notification
  std::atomic<bool> running_{false};
  std::atomic<bool> stopped_{true};
  std::atomic<bool> closing_{false};
  std::atomic<bool> fileMode_{false};
};
