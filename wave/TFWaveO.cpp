#include "wave/TFWaveO.h"

#include "audio/UDSWaveFormat.h"

namespace {

constexpr MMRESULT kNoSlot = 7;
constexpr MMRESULT kNotSaving = 1;

}  // namespace

void TWaveOutThread::Handle(UINT code, WAVEHDR* header) { owner_.OnNotification(code, header); }

TWaveOut::TWaveOut() : mixer_([this] {
  if (OnMixer) OnMixer(*this);
}) {
  RebuildFormat();
  SetDeviceID(wave::PreferredOutputDevice());
  thread_ = std::make_unique<TWaveOutThread>(*this);
}

TWaveOut::~TWaveOut() {
  CloseFile();
  factory_.Reset();
  mixer_.Close();
  if (thread_ && !thread_->End()) thread_.release();
}

void TWaveOut::SetDeviceID(int32_t value) {
  deviceId_ = value;
  mixer_.Close();
  int32_t watched = value == -1 ? wave::PreferredOutputDevice() : value;
  if (watched != -1) mixer_.Open(watched, false);
}

void TWaveOut::SetSamples(TSamples value) {
  samples_ = value;
  RebuildFormat();
}

void TWaveOut::SetStereo(TStereo value) {
  stereo_ = value;
  RebuildFormat();
}

void TWaveOut::SetBits(TBits value) {
  bits_ = value;
  RebuildFormat();
}

TDSWaveFormat TWaveOut::FileFormat() const {
  TDSWaveFormat f;
  f.SetFormatTag(WAVE_FORMAT_PCM).SetChannels(format_.nChannels).SetSamplesPerSec(format_.nSamplesPerSec);
  switch (saveFormat_) {
    case TSaveFormat::PCM: f.SetBitsPerSample(format_.wBitsPerSample); break;
    case TSaveFormat::ADPCM: f.SetFormatTag(WAVE_FORMAT_ADPCM).SetBitsPerSample(4); break;
    case TSaveFormat::MP3: f.SetFormatTag(WAVE_FORMAT_MPEGLAYER3).SetBitsPerSample(0); break;
  }
  return f;
}

bool TWaveOut::CloseFile() {
  // Under the lock: a Write on another thread may be using the chain.
  win::Lock lock(slots_.Lock);
  saving_ = false;
  // Finishing the chain from its head flushes every stage and completes the
  // file's sizes.
  bool ok = true;
  if (chain_) {
    try {
      ok = chain_->Finish();
    } catch (...) {
      ok = false;
    }
  }
  chain_.reset();
  target_.reset();
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
  win::Lock lock(slots_.Lock);
  writeFailed_ = false;
  factory_.Reset();
  factory_.Threaded = true;
  TDSWaveFormat source;
  source.SetFormatTag(WAVE_FORMAT_PCM)
      .SetChannels(format_.nChannels)
      .SetSamplesPerSec(format_.nSamplesPerSec)
      .SetBitsPerSample(format_.wBitsPerSample);
  source.IsComplete();
  factory_.SetFormat(FileFormat());
  if (OpenTarget) {
    target_ = OpenTarget(name);
    if (target_) chain_ = factory_.CreateWriteChain(*target_, source);
    if (!chain_) target_.reset();
  } else {
    chain_ = factory_.CreateWriteChain(name, source);
  }
  if (chain_) {
    fileName_ = name;
    saving_ = true;
  }
}

MMRESULT TWaveOut::Write(const void* data, uint32_t size) {
  WAVEHDR* h = nullptr;
  {
    win::Lock lock(slots_.Lock);
    if (writeFailed_) return kWriteFailed;
    if (!saving_ || !chain_) return kNotSaving;
    h = slots_.TakeFree();
    if (!h) return kNoSlot;
    int32_t taken = -1;
    try {
      taken = chain_->Write(TDSArea(const_cast<void*>(data), static_cast<int32_t>(size)));
    } catch (...) {
    }
    if (taken < static_cast<int32_t>(size)) {
      // The chain stopped accepting data: the file ends here, completed with
      // what reached it, so that it still plays and can be kept.
      writeFailed_ = true;
      CloseFile();
      return kWriteFailed;
    }
    *h = WAVEHDR{};
    h->lpData = static_cast<LPSTR>(const_cast<void*>(data));
    h->dwBufferLength = size;
    h->dwFlags = WHDR_PREPARED | wave::kOwnHeader;
  }
  thread_->Post(MM_WOM_DONE, h);
  return MMSYSERR_NOERROR;
}

MMRESULT TWaveOut::Close() {
  closing_ = true;
  bool ok = CloseFile() && !writeFailed_;
  writeFailed_ = false;
  closing_ = false;
  return ok ? MMSYSERR_NOERROR : kWriteFailed;
}

void TWaveOut::OnNotification(UINT code, WAVEHDR* header) {
  if (code != MM_WOM_DONE || !header) return;
  void* data;
  DWORD length;
  {
    win::Lock lock(slots_.Lock);
    data = header->lpData;
    length = header->dwBufferLength;
    header->dwFlags = 0;
  }
  if (OnDone) OnDone(data, length);
}
