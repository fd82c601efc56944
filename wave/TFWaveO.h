// TWaveOut: a file sink for recorded buffers. Each Write goes, converted to
// the SaveFormat, into a RIFF WAVE file through a write chain with a
// write-behind FIFO; OnDone reports each written buffer on the component's
// worker thread. It opens no output device: DeviceID only picks the mixer it
// watches.
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

enum class TSaveFormat { PCM, ADPCM, MP3 };

class TWaveOut;

class TWaveOutThread : public wave::TWaveThread {
public:
  explicit TWaveOutThread(TWaveOut& owner) : owner_(owner) { Start(); }
  ~TWaveOutThread() override { Terminate(5000); }

protected:
  void Handle(UINT code, WAVEHDR* header) override;

private:
  TWaveOut& owner_;
};

class TWaveOut {
public:
  using TNotifyEvent = std::function<void(TWaveOut& Sender)>;

  TWaveOut();
  ~TWaveOut();
  TWaveOut(const TWaveOut&) = delete;
  TWaveOut& operator=(const TWaveOut&) = delete;

  int32_t DeviceID() const { return deviceId_; }
  void SetDeviceID(int32_t value);
  TSamples Samples() const { return samples_; }
  void SetSamples(TSamples value);
  TStereo Stereo() const { return stereo_; }
  void SetStereo(TStereo value);
  TBits Bits() const { return bits_; }
  void SetBits(TBits value);
  TSaveFormat SaveFormat() const { return saveFormat_; }
  void SetSaveFormat(TSaveFormat value) { saveFormat_ = value; }
  const WAVEFORMATEX& DeviceFormat() const { return format_; }

  TWaveOutDataEvent OnDone;  // on the worker thread
  TNotifyEvent OnMixer;      // on the creating thread

  // The file being written; empty when not saving (also after a failed open).
  const std::wstring& SaveToFile() const { return fileName_; }
  void SetSaveToFile(const std::wstring& name);

  // 0 when written, 7 when all slots are busy, 1 when not saving.
  MMRESULT Write(const void* data, uint32_t size);
  MMRESULT Close();
  bool IsActive() const { return saving_; }
  bool MixerOpen() const { return mixer_.IsOpen(); }

  // The format the file will hold for the current properties.
  TDSWaveFormat FileFormat() const;

private:
  friend class TWaveOutThread;
  void OnNotification(UINT code, WAVEHDR* header);
  void RebuildFormat() { format_ = wave::DeviceFormat(samples_, stereo_, bits_); }
  void CloseFile();

  int32_t deviceId_ = -1;
  TSamples samples_ = TSamples::_8kHz;
  TStereo stereo_ = TStereo::disable;
  TBits bits_ = TBits::_8;
  TSaveFormat saveFormat_ = TSaveFormat::PCM;
  WAVEFORMATEX format_{};

  wave::TWaveSlots slots_;
  TDSWaveStreamFactory factory_;
  std::unique_ptr<TDSStream> chain_;
  std::wstring fileName_;
  std::atomic<bool> saving_{false};
  std::atomic<bool> closing_{false};

  wave::TWaveMixer mixer_;
  std::unique_ptr<TWaveOutThread> thread_;
};
