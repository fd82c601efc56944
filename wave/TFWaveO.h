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
#include "wave/TFlushingFile.h"
#include "wave/TWaveDevice.h"

enum class TSaveFormat { PCM, ADPCM, MP3 };

class TWaveOut : public wave::TWaveDevice {
public:
  using TNotifyEvent = std::function<void(TWaveOut& Sender)>;

  TWaveOut();
  ~TWaveOut() override;

  TSaveFormat SaveFormat() const { return saveFormat_; }
  void SetSaveFormat(TSaveFormat value) { saveFormat_ = value; }

  TWaveOutDataEvent OnDone;  // on the worker thread
  TNotifyEvent OnMixer;      // on the creating thread

  // Returned by Write and Close once the chain refused data (a full disk, a
  // failing write): the file was completed with what was written.
  static constexpr MMRESULT kWriteFailed = MMIOERR_CANNOTWRITE;
  // How often the file being written is flushed to the disk at least.
  static constexpr DWORD kFlushMilliseconds = 5000;

  // Opens the stream a file's chain writes into in place of the file itself
  // (for tests of failing targets); the component owns what it returns.
  std::function<std::unique_ptr<TDSStream>(const std::wstring& name)> OpenTarget;

  // The file being written; empty when not saving (also after a failed open).
  const std::wstring& SaveToFile() const { return fileName_; }
  void SetSaveToFile(const std::wstring& name);
  // After a SaveToFile that did not start saving: the platform's code when
  // the file could not be created, 0 when no conversion to the save format
  // exists.
  DWORD SaveError() const { return saveError_; }

  // 0 when written, 1 when not saving, kWriteFailed from the write the chain
  // refused on (saving ends there) until the next file is opened or Close.
  MMRESULT Write(const void* data, uint32_t size);
  // 0 when everything written reached the file, kWriteFailed otherwise.
  MMRESULT Close();
  bool IsActive() const { return saving_; }
  bool WriteFailed() const { return writeFailed_; }
  // The chain being written and the file below it (for diagnostics);
  // nothing when not saving.
  TDSStream* Chain() const { return chain_.get(); }
  const wave::TFlushingFile* File() const { return file_; }

  // The format the file will hold for the current properties.
  TDSWaveFormat FileFormat() const;

private:
  void OnNotification(UINT code, WAVEHDR* header) override;
  void MixerChanged() override {
    if (OnMixer) OnMixer(*this);
  }
  // Finishes and destroys the chain; false when some data did not arrive.
  bool CloseFile();

  TSaveFormat saveFormat_ = TSaveFormat::PCM;
  std::unique_ptr<TDSStream> target_;  // below the chain
  wave::TFlushingFile* file_ = nullptr;  // target_, when it is the file itself
  std::unique_ptr<TDSStream> chain_;
  std::wstring fileName_;
  DWORD saveError_ = 0;
  std::atomic<bool> saving_{false};
  std::atomic<bool> writeFailed_{false};
};
