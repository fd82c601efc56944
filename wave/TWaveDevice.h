// What the wave input and output components share: the PCM properties and
// the device format they make, the mixer they watch, the lock of their
// state, their stream factory and the worker thread that runs their events.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "audio/UDSWaveStreamFactory.h"
#include "base/WinHandles.h"
#include "wave/TWaveThread.h"
#include "wave/WaveMixer.h"
#include "wave/WaveTypes.h"

namespace wave {

class TWaveDevice {
public:
  // What an event handler threw, on the worker thread; the worker goes on.
  using TFailureEvent = std::function<void(const std::string& what)>;

  virtual ~TWaveDevice();
  TWaveDevice(const TWaveDevice&) = delete;
  TWaveDevice& operator=(const TWaveDevice&) = delete;

  int32_t DeviceID() const { return deviceId_; }
  // -1 is the wave mapper; also reopens the watched mixer (of the preferred
  // device for -1).
  void SetDeviceID(int32_t value);
  TSamples Samples() const { return samples_; }
  void SetSamples(TSamples value);
  TStereo Stereo() const { return stereo_; }
  void SetStereo(TStereo value);
  TBits Bits() const { return bits_; }
  void SetBits(TBits value);
  const WAVEFORMATEX& DeviceFormat() const { return format_; }
  bool MixerOpen() const { return mixer_.IsOpen(); }

  TFailureEvent OnFailure;

protected:
  // `input` picks the preferred device and the mixer's kind.
  explicit TWaveDevice(bool input);
  // Runs on the worker for each posted notification.
  virtual void OnNotification(UINT code, WAVEHDR* header) = 0;
  // The watched mixer changed (on the creating thread).
  virtual void MixerChanged() = 0;
  // Ends the worker; the derived destructor calls it before its own state
  // goes, since the worker calls into that state.
  void EndWorker();
  TWaveThread& Worker() { return *thread_; }

  win::CriticalSection lock_;
  TDSWaveStreamFactory factory_;

private:
  int32_t PreferredDevice() const;
  void ReportFailure(const std::string& what);

  const bool input_;
  int32_t deviceId_ = -1;
  TSamples samples_ = TSamples::_8kHz;
  TStereo stereo_ = TStereo::disable;
  TBits bits_ = TBits::_8;
  WAVEFORMATEX format_{};
  TWaveMixer mixer_;
  std::unique_ptr<TWaveThread> thread_;
};

}  // namespace wave
