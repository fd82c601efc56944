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
#include "audio/UDSWaveStreamFactory.h"
#include "wave/TWaveThread.h"
#include "wave/WaveMixer.h"
#include "wave/WaveTypes.h"

class TWaveIn;

class TWaveInThread : public wave::TWaveThread {
public:
  explicit TWaveInThread(TWaveIn& owner) : owner_(owner) { Start(); }
  ~TWaveInThread() override { End(); }

protected:
  void Handle(UINT code, WAVEHDR* header) override;

private:
  TWaveIn& owner_;
};

class TWaveIn {
public:
  using TNotifyEvent = std::function<void(TWaveIn& Sender)>;

  // Cheap and safe without any input device: the device is opened by Open.
  TWaveIn();
  // Closes an open device first.
  ~TWaveIn();
  TWaveIn(const TWaveIn&) = delete;
  TWaveIn& operator=(const TWaveIn&) = delete;

  int32_t DeviceID() const { return deviceId_; }
  // -1 is the wave mapper; also reopens the watched mixer.
  void SetDeviceID(int32_t value);
  TSamples Samples() const { return samples_; }
  void SetSamples(TSamples value);
  TStereo Stereo() const { return stereo_; }
  void SetStereo(TStereo value);
  TBits Bits() const { return bits_; }
  void SetBits(TBits value);
  const WAVEFORMATEX& DeviceFormat() const { return format_; }

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
  void StopDevice();
  MMRESULT Close();
  bool IsActive() const;

  bool Recording() const { return running_; }
  bool MixerOpen() const { return mixer_.IsOpen(); }
  int BusySlots();

private:
  friend class TWaveInThread;
  static void CALLBACK WaveInProc(HWAVEIN device, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR param2);
  void OnNotification(UINT code, WAVEHDR* header);
  void RebuildFormat();
  void LeaveFileMode();
  MMRESULT AddFileBuffer(void* data, uint32_t size);

  int32_t deviceId_ = -1;
  TSamples samples_ = TSamples::_8kHz;
  TStereo stereo_ = TStereo::disable;
  TBits bits_ = TBits::_8;
  WAVEFORMATEX format_{};

  wave::TWaveSlots slots_;
  TDSWaveStreamFactory factory_;
  std::unique_ptr<TDSStream> fileStream_;
  std::wstring fileName_;

  win::WaveIn device_;
  std::atomic<bool> deviceOpen_{false};  // set by the open notification
  std::atomic<bool> running_{false};
  std::atomic<bool> stopped_{true};
  std::atomic<bool> closing_{false};
  std::atomic<bool> fileMode_{false};

  wave::TWaveMixer mixer_;
  std::unique_ptr<TWaveInThread> thread_;
};
