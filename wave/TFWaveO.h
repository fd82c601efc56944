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
  ~TWaveOutThread() override { End(); }

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

  // Returned by Write and Close once the chain refused data (a full disk, a
  // failing write): the file was completed with what was written.
  static constexpr MMRESULT kWriteFailed = MMIOERR_CANNOTWRITE;

  // Opens the stream a file's chain writes into in place of the file itself
  // (for tests of failing targets); the component owns what it returns.
  std::function<std::unique_ptr<TDSStream>(const std::wstring& name)> OpenTarget;

  // The file being written; empty when not saving (also after a failed open).
  const std::wstring& SaveToFile() const { return fileName_; }
  void SetSaveToFile(const std::wstring& name);

  // 0 when written, 7 when all slots are busy, 1 when not saving,
  // kWriteFailed from the write the chain refused on (saving ends there) until
  // the next file is opened or Close.
  MMRESULT Write(const void* data, uint32_t size);
  // 0 when everything written reached the file, kWriteFailed otherwise.
  MMRESULT Close();
  bool IsActive() const { return saving_; }
  bool WriteFailed() const { return writeFailed_; }
  // The chain being written (for diagnostics); nothing when not saving.
  TDSStream* Chain() const { return chain_.get(); }
  bool MixerOpen() const { return mixer_.IsOpen(); }

  // The format the file will hold for the current properties.
  TDSWaveFormat FileFormat() const;

private:
  friend class TWaveOutThread;
  void OnNotification(UINT code, WAVEHDR* header);
  void RebuildFormat() { format_ = wave::DeviceFormat(samples_, stereo_, bits_); }
  // Finishes and destroys the chain; false when some data did not arrive.
  bool CloseFile();

  int32_t deviceId_ = -1;
  TSamples samples_ = TSamples::_8kHz;
  TStereo stereo_ = TStereo::disable;
  TBits bits_ = TBits::_8;
  TSaveFormat saveFormat_ = TSaveFormat::PCM;
  WAVEFORMATEX format_{};

  wave::TWaveSlots slots_;
  TDSWaveStreamFactory factory_;
  std::unique_ptr<TDSStream> target_;  // below the chain, from OpenTarget
  std::unique_ptr<TDSStream> chain_;
  std::wstring fileName_;
  std::atomic<bool> saving_{false};
  std::atomic<bool> writeFailed_{false};
  std::atomic<bool> closing_{false};

  wave::TWaveMixer mixer_;
  std::unique_ptr<TWaveOutThread> thread_;
};
