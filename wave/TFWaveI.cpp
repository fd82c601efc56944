#include "wave/TFWaveI.h"

#include "audio/UDSWaveFormat.h"
#include "base/Text.h"

namespace {

constexpr MMRESULT kNoSlot = 7;
constexpr MMRESULT kNothingToRecordInto = 1;

TDSWaveFormat PcmOf(const WAVEFORMATEX& w) {
  TDSWaveFormat f;
  f.SetFormatTag(WAVE_FORMAT_PCM).SetChannels(w.nChannels).SetSamplesPerSec(w.nSamplesPerSec).SetBitsPerSample(
      w.wBitsPerSample);
  f.IsComplete();
  return f;
}

}  // namespace

TWaveIn::TWaveIn() : TWaveDevice(true) {}

TWaveIn::~TWaveIn() {
  Close();
  SetLoadFromFile(L"");
  // The worker may still be running an owner's handler: the component stays
  // whole until it has ended.
  EndWorker();
}

int TWaveIn::BusySlots() {
  win::Lock lock(lock_);
  return slots_.Busy();
}

bool TWaveIn::IsActive() const { return deviceOpen_ || device_ || fileMode_; }

void TWaveIn::LeaveFileMode() {
  win::Lock lock(lock_);
  fileMode_ = false;
  fileStream_.reset();
  fileName_.clear();
  factory_.Reset();
}

void TWaveIn::SetLoadFromFile(const std::wstring& name) {
  std::wstring trimmed(text::TrimRight(name));
  LeaveFileMode();
  if (trimmed.empty()) return;
  if (::GetFileAttributesW(trimmed.c_str()) == INVALID_FILE_ATTRIBUTES) return;
  win::Lock lock(lock_);
  factory_.Reset();
  factory_.SetFormat(PcmOf(DeviceFormat()));
  fileStream_ = factory_.OpenReadChain(trimmed);
  if (fileStream_) {
    fileName_ = trimmed;
    fileMode_ = true;
  }
}

MMRESULT TWaveIn::Open() {
  if (deviceOpen_ || device_) return MMSYSERR_NOERROR;
  if (!fileMode_) {
    win::Lock lock(lock_);
    slots_.Clear();
  }
  DWORD flags = CALLBACK_FUNCTION;
  if (DeviceID() != -1) flags |= WAVE_MAPPED;
  HWAVEIN h = nullptr;
  MMRESULT r = ::waveInOpen(&h, static_cast<UINT>(DeviceID()), &DeviceFormat(), reinterpret_cast<DWORD_PTR>(WaveInProc),
                            reinterpret_cast<DWORD_PTR>(this), flags);
  if (r != MMSYSERR_NOERROR) return r;
  {
    win::Lock lock(lock_);
    device_.reset(h);
    closing_ = false;
    stopped_ = false;
  }
  ::waveInStart(h);
  running_ = true;
  return MMSYSERR_NOERROR;
}

MMRESULT TWaveIn::AddBuffer(void* data, uint32_t size) {
  if (fileMode_) return AddFileBuffer(data, size);
  win::Lock lock(lock_);
  // The handle rather than the open notification: the owner queues its
  // first buffers right after Open, before the worker has seen that.
  if (!device_ || closing_) return kNothingToRecordInto;
  WAVEHDR* h = slots_.TakeFree();
  if (!h) return kNoSlot;
  *h = WAVEHDR{};
  h->lpData = static_cast<LPSTR>(data);
  h->dwBufferLength = size;
  MMRESULT r = ::waveInPrepareHeader(device_.get(), h, sizeof *h);
  if (r != MMSYSERR_NOERROR) {
    *h = WAVEHDR{};
    return r;
  }
  r = ::waveInAddBuffer(device_.get(), h, sizeof *h);
  if (r != MMSYSERR_NOERROR) {
    ::waveInUnprepareHeader(device_.get(), h, sizeof *h);
    *h = WAVEHDR{};
  }
  return r;
}

MMRESULT TWaveIn::AddFileBuffer(void* data, uint32_t size) {
  WAVEHDR* h = nullptr;
  {
    win::Lock lock(lock_);
    if (!fileMode_ || !fileStream_ || closing_) return kNothingToRecordInto;
    h = slots_.TakeFree();
    if (!h) return kNoSlot;
    int32_t got = fileStream_->Read(TDSArea(data, static_cast<int32_t>(size)));
    if (got < 0) return kNoSlot;
    if (got == 0) {
      fileMode_ = false;
      fileStream_.reset();
      fileName_.clear();
      factory_.Reset();
      return kNothingToRecordInto;
    }
    *h = WAVEHDR{};
    h->lpData = static_cast<LPSTR>(data);
    h->dwBufferLength = size;
    h->dwBytesRecorded = static_cast<DWORD>(got);
    h->dwFlags = WHDR_PREPARED | wave::kOwnHeader;
  }
  Worker().Post(MM_WIM_DATA, h);
  return MMSYSERR_NOERROR;
}

MMRESULT TWaveIn::Pause() {
  win::Lock lock(lock_);
  if (!device_ || closing_) return kNothingToRecordInto;
  running_ = false;
  return ::waveInStop(device_.get());
}

MMRESULT TWaveIn::Resume() {
  win::Lock lock(lock_);
  if (!device_ || closing_) return kNothingToRecordInto;
  const MMRESULT r = ::waveInStart(device_.get());
  running_ = r == MMSYSERR_NOERROR;
  return r;
}

void TWaveIn::StopDevice() {
  running_ = false;
  if (!device_) return;
  ::waveInStop(device_.get());
  ::waveInReset(device_.get());
  win::Lock lock(lock_);
  for (int i = 0; i < wave::TWaveSlots::kCount; ++i) {
    WAVEHDR& h = slots_[i];
    if ((h.dwFlags & WHDR_PREPARED) && !(h.dwFlags & wave::kOwnHeader))
      ::waveInUnprepareHeader(device_.get(), &h, sizeof h);
  }
}

MMRESULT TWaveIn::Close() {
  {
    win::Lock lock(lock_);
    closing_ = true;
    stopped_ = true;
  }
  MMRESULT r = MMSYSERR_NOERROR;
  if (device_) {
    StopDevice();
    r = wave::CloseRetrying([this] { return ::waveInClose(device_.get()); });
    if (r == MMSYSERR_NOERROR) {
      win::Lock lock(lock_);
      device_.release();
    }
    // The buffers the reset returned and the close notification reach the
    // owner before Close returns, so that a new Open cannot meet a stale one.
    Worker().WaitIdle(2000);
  }
  deviceOpen_ = false;
  closing_ = false;
  return r;
}

void CALLBACK TWaveIn::WaveInProc(HWAVEIN, UINT msg, DWORD_PTR instance, DWORD_PTR param1, DWORD_PTR) {
  auto* self = reinterpret_cast<TWaveIn*>(instance);
  // Only queue here: the platform forbids wave calls on its callback thread.
  switch (msg) {
    case WIM_OPEN:
    case WIM_CLOSE: self->Worker().Post(msg, self->slots_.Spare()); break;
    case WIM_DATA: self->Worker().Post(msg, reinterpret_cast<WAVEHDR*>(param1)); break;
    default: break;
  }
}

void TWaveIn::OnNotification(UINT code, WAVEHDR* header) {
  switch (code) {
    case MM_WIM_OPEN:
      deviceOpen_ = true;
      if (OnOpen) OnOpen(*this);
      break;
    case MM_WIM_CLOSE:
      deviceOpen_ = false;
      if (OnClose) OnClose(*this);
      break;
    case MM_WIM_DATA: {
      if (!header) break;
      void* data;
      DWORD bytes;
      {
        win::Lock lock(lock_);
        data = header->lpData;
        bytes = header->dwBytesRecorded;
        if (!stopped_ && !(header->dwFlags & wave::kOwnHeader) && device_)
          ::waveInUnprepareHeader(device_.get(), header, sizeof *header);
        header->dwFlags = 0;
      }
      if (OnData) OnData(data, bytes);
      break;
    }
    default: break;
  }
}
