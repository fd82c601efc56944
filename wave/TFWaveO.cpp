#include "wave/TFWaveO.h"

#include "audio/UDSWaveFormat.h"

namespace {

constexpr MMRESULT kNotSaving = 1;

}  // namespace

TWaveOut::TWaveOut() : TWaveDevice(false) {}

TWaveOut::~TWaveOut() {
  CloseFile();
  factory_.Reset();
  EndWorker();
}

TDSWaveFormat TWaveOut::FileFormat() const {
  const WAVEFORMATEX& device = DeviceFormat();
  TDSWaveFormat f;
  f.SetFormatTag(WAVE_FORMAT_PCM).SetChannels(device.nChannels).SetSamplesPerSec(device.nSamplesPerSec);
  switch (saveFormat_) {
    case TSaveFormat::PCM: f.SetBitsPerSample(device.wBitsPerSample); break;
    case TSaveFormat::ADPCM: f.SetFormatTag(WAVE_FORMAT_ADPCM).SetBitsPerSample(4); break;
    case TSaveFormat::MP3: f.SetFormatTag(WAVE_FORMAT_MPEGLAYER3).SetBitsPerSample(0); break;
  }
  return f;
}

bool TWaveOut::CloseFile() {
  // Under the lock: a Write on another thread may be using the chain.
  win::Lock lock(lock_);
  saving_ = false;
  // Finishing the chain from its head flushes every stage and completes the
  // file's sizes; the file then reaches the disk.
  bool ok = true;
  try {
    if (chain_) ok = chain_->Finish();
    if (target_) ok = target_->Finish() && ok;
  } catch (...) {
    ok = false;
  }
  chain_.reset();
  target_.reset();
  file_ = nullptr;
  fileName_.clear();
  factory_.Reset();
  return ok;
}

void TWaveOut::SetSaveToFile(const std::wstring& name) {
  if (name.empty()) {
    if (saving_) CloseFile();
    return;
  }
  CloseFile();
  win::Lock lock(lock_);
  writeFailed_ = false;
  saveError_ = 0;
  factory_.Reset();
  factory_.Threaded = true;
  const WAVEFORMATEX& device = DeviceFormat();
  TDSWaveFormat source;
  source.SetFormatTag(WAVE_FORMAT_PCM)
      .SetChannels(device.nChannels)
      .SetSamplesPerSec(device.nSamplesPerSec)
      .SetBitsPerSample(device.wBitsPerSample);
  source.IsComplete();
  factory_.SetFormat(FileFormat());
  if (OpenTarget) {
    target_ = OpenTarget(name);
  } else {
    auto file = std::make_unique<wave::TFlushingFile>(name, kFlushMilliseconds);
    file_ = file.get();
    target_ = std::move(file);
  }
  if (target_) chain_ = factory_.CreateWriteChain(*target_, source);
  if (chain_) {
    fileName_ = name;
    saving_ = true;
    return;
  }
  if (file_) saveError_ = file_->OpenError();
  target_.reset();
  file_ = nullptr;
}

MMRESULT TWaveOut::Write(const void* data, uint32_t size) {
  {
    win::Lock lock(lock_);
    if (writeFailed_) return kWriteFailed;
    if (!saving_ || !chain_) return kNotSaving;
    int32_t taken = -1;
    try {
      taken = chain_->Write(TDSArea(data, static_cast<int32_t>(size)));
    } catch (...) {
    }
    if (taken < static_cast<int32_t>(size)) {
      // The chain stopped accepting data: the file ends here, completed with
      // what reached it, so that it still plays and can be kept.
      writeFailed_ = true;
      CloseFile();
      return kWriteFailed;
    }
  }
  // The notification carries its own header: the sound is never refused
  // for want of a slot.
  Worker().Post(MM_WOM_DONE, const_cast<void*>(data), size);
  return MMSYSERR_NOERROR;
}

MMRESULT TWaveOut::Close() {
  bool ok = CloseFile() && !writeFailed_;
  writeFailed_ = false;
  return ok ? MMSYSERR_NOERROR : kWriteFailed;
}

void TWaveOut::OnNotification(UINT code, WAVEHDR* header) {
  if (code != MM_WOM_DONE || !header) return;
  if (OnDone) OnDone(header->lpData, header->dwBufferLength);
}
