#include "player/TimeStretch.h"

#include <dmodshow.h>
#include <dmoreg.h>
extern "C" {
#include <dmort.h>  // declared without C linkage
}
#include <mediaobj.h>
#include <mmreg.h>
#include <uuids.h>

#include <sonic.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <new>
#include <vector>

// The DMO result codes (dmoerror.h, which MinGW does not ship).
#ifndef DMO_E_INVALIDSTREAMINDEX
#define DMO_E_INVALIDSTREAMINDEX ((HRESULT)0x80040201L)
#define DMO_E_INVALIDTYPE ((HRESULT)0x80040202L)
#define DMO_E_TYPE_NOT_SET ((HRESULT)0x80040203L)
#define DMO_E_NOTACCEPTING ((HRESULT)0x80040204L)
#define DMO_E_TYPE_NOT_ACCEPTED ((HRESULT)0x80040205L)
#define DMO_E_NO_MORE_ITEMS ((HRESULT)0x80040206L)
#endif

namespace player {
namespace {

constexpr float kMinSpeed = 0.5f;
constexpr float kMaxSpeed = 2.0f;

bool IsStretchableFormat(const DMO_MEDIA_TYPE* mt) {
  if (!mt || mt->majortype != MEDIATYPE_Audio || mt->subtype != MEDIASUBTYPE_PCM) return false;
  if (mt->formattype != FORMAT_WaveFormatEx || mt->cbFormat < sizeof(WAVEFORMATEX) || !mt->pbFormat) return false;
  const auto* wf = reinterpret_cast<const WAVEFORMATEX*>(mt->pbFormat);
  return (wf->wFormatTag == WAVE_FORMAT_PCM || wf->wFormatTag == WAVE_FORMAT_EXTENSIBLE) &&
         (wf->wBitsPerSample == 16 || wf->wBitsPerSample == 8) && wf->nChannels >= 1 && wf->nChannels <= 8 &&
         wf->nSamplesPerSec >= 1000 && wf->nSamplesPerSec <= 192000 &&
         wf->nBlockAlign == wf->wBitsPerSample / 8 * wf->nChannels;
}

bool SameFormat(const DMO_MEDIA_TYPE& a, const DMO_MEDIA_TYPE* b) {
  return b && a.majortype == b->majortype && a.subtype == b->subtype && a.formattype == b->formattype &&
         a.cbFormat == b->cbFormat && memcmp(a.pbFormat, b->pbFormat, a.cbFormat) == 0;
}

// The stretcher. It is created by the wrapper filter as an aggregated part of
// it, so its IUnknown is a separate, non-delegating one.
class TTimeStretchDmo final : public IMediaObject, public ITimeStretch {
public:
  explicit TTimeStretchDmo(IUnknown* outer) : outer_(outer ? outer : &inner_) {}
  ~TTimeStretchDmo() {
    FreeStream();
    if (typeSet_) MoFreeMediaType(&type_);
  }
  IUnknown* Inner() { return &inner_; }

  // IUnknown, delegating.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return outer_->QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return outer_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return outer_->Release(); }

  // IMediaObject.
  STDMETHODIMP GetStreamCount(DWORD* inputs, DWORD* outputs) override {
    if (!inputs || !outputs) return E_POINTER;
    *inputs = *outputs = 1;
    return S_OK;
  }
  STDMETHODIMP GetInputStreamInfo(DWORD index, DWORD* flags) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    if (!flags) return E_POINTER;
    *flags = 0;
    return S_OK;
  }
  STDMETHODIMP GetOutputStreamInfo(DWORD index, DWORD* flags) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    if (!flags) return E_POINTER;
    *flags = 0;
    return S_OK;
  }
  // Any 8- or 16-bit PCM is taken as offered; nothing is proposed upstream.
  STDMETHODIMP GetInputType(DWORD index, DWORD, DMO_MEDIA_TYPE*) override {
    return index ? DMO_E_INVALIDSTREAMINDEX : DMO_E_NO_MORE_ITEMS;
  }
  STDMETHODIMP GetOutputType(DWORD index, DWORD typeIndex, DMO_MEDIA_TYPE* mt) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    std::lock_guard lock(mutex_);
    if (!typeSet_) return DMO_E_TYPE_NOT_SET;
    if (typeIndex) return DMO_E_NO_MORE_ITEMS;
    return mt ? MoCopyMediaType(mt, &type_) : S_OK;
  }
  STDMETHODIMP SetInputType(DWORD index, const DMO_MEDIA_TYPE* mt, DWORD flags) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    std::lock_guard lock(mutex_);
    if (flags & DMO_SET_TYPEF_CLEAR) {
      FreeStream();  // it was made for the format going away
      if (typeSet_) MoFreeMediaType(&type_);
      typeSet_ = outputSet_ = false;
      return S_OK;
    }
    if (!IsStretchableFormat(mt)) return DMO_E_TYPE_NOT_ACCEPTED;
    if (flags & DMO_SET_TYPEF_TEST_ONLY) return S_OK;
    if (typeSet_) MoFreeMediaType(&type_);
    typeSet_ = SUCCEEDED(MoCopyMediaType(&type_, mt));
    outputSet_ = false;
    FreeStream();
    return typeSet_ ? S_OK : E_OUTOFMEMORY;
  }
  // The output is the input's format: only speed changes.
  STDMETHODIMP SetOutputType(DWORD index, const DMO_MEDIA_TYPE* mt, DWORD flags) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    std::lock_guard lock(mutex_);
    if (flags & DMO_SET_TYPEF_CLEAR) {
      outputSet_ = false;
      return S_OK;
    }
    if (!typeSet_) return DMO_E_TYPE_NOT_SET;
    if (!SameFormat(type_, mt)) return DMO_E_TYPE_NOT_ACCEPTED;
    if (!(flags & DMO_SET_TYPEF_TEST_ONLY)) outputSet_ = true;
    return S_OK;
  }
  STDMETHODIMP GetInputCurrentType(DWORD index, DMO_MEDIA_TYPE* mt) override { return CurrentType(index, mt, true); }
  STDMETHODIMP GetOutputCurrentType(DWORD index, DMO_MEDIA_TYPE* mt) override {
    return CurrentType(index, mt, outputSet_);
  }
  STDMETHODIMP GetInputSizeInfo(DWORD index, DWORD* size, DWORD* lookahead, DWORD* alignment) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    if (!size || !lookahead || !alignment) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!typeSet_) return DMO_E_TYPE_NOT_SET;
    *size = Format().nBlockAlign;
    *lookahead = 0;
    *alignment = 1;
    return S_OK;
  }
  // Output blocks of 40 ms: small enough that a new speed is heard soon,
  // large enough that the renderer is not handed crumbs.
  STDMETHODIMP GetOutputSizeInfo(DWORD index, DWORD* size, DWORD* alignment) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    if (!size || !alignment) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!typeSet_) return DMO_E_TYPE_NOT_SET;
    *size = OutputBlockFrames() * Format().nBlockAlign;
    *alignment = 1;
    return S_OK;
  }
  STDMETHODIMP GetInputMaxLatency(DWORD, REFERENCE_TIME*) override { return E_NOTIMPL; }
  STDMETHODIMP SetInputMaxLatency(DWORD, REFERENCE_TIME) override { return E_NOTIMPL; }
  // A seek: what the stretcher holds belongs to the old place.
  STDMETHODIMP Flush() override {
    std::lock_guard lock(mutex_);
    FreeStream();
    return S_OK;
  }
  // The end of the input: what the stretcher still holds is let out.
  STDMETHODIMP Discontinuity(DWORD index) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    std::lock_guard lock(mutex_);
    if (stream_) sonicFlushStream(stream_);
    return S_OK;
  }
  STDMETHODIMP AllocateStreamingResources() override { return S_OK; }
  STDMETHODIMP FreeStreamingResources() override {
    std::lock_guard lock(mutex_);
    FreeStream();
    return S_OK;
  }
  STDMETHODIMP GetInputStatus(DWORD index, DWORD* flags) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    if (!flags) return E_POINTER;
    *flags = DMO_INPUT_STATUSF_ACCEPT_DATA;  // input goes straight into the stretcher
    return S_OK;
  }
  STDMETHODIMP ProcessInput(DWORD index, IMediaBuffer* buffer, DWORD flags, REFERENCE_TIME time,
                            REFERENCE_TIME) override {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    if (!buffer) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!typeSet_) return DMO_E_TYPE_NOT_SET;
    BYTE* data = nullptr;
    DWORD length = 0;
    if (FAILED(buffer->GetBufferAndLength(&data, &length))) return E_FAIL;
    if (!stream_ && !OpenStream()) return E_OUTOFMEMORY;
    if (!haveBase_) {
      // The first input after a flush: output and recording time start here.
      baseTime_ = (flags & DMO_INPUT_DATA_BUFFERF_TIME) ? time : 0;
      haveBase_ = true;
      ApplySpeed();
      points_.assign(1, {baseTime_, baseTime_, appliedSpeed_});
    }
    ApplySpeed();
    const int frames = static_cast<int>(length / Format().nBlockAlign);
    if (frames <= 0 || !data) return S_OK;
    if (Format().wBitsPerSample == 8)
      return sonicWriteUnsignedCharToStream(stream_, data, frames) ? S_OK : E_OUTOFMEMORY;
    // The buffer's memory need not be aligned for short.
    scratch_.resize(static_cast<size_t>(frames) * Format().nChannels);
    memcpy(scratch_.data(), data, scratch_.size() * sizeof(short));
    return sonicWriteShortToStream(stream_, scratch_.data(), frames) ? S_OK : E_OUTOFMEMORY;
  }
  STDMETHODIMP ProcessOutput(DWORD, DWORD count, DMO_OUTPUT_DATA_BUFFER* buffers, DWORD* status) override {
    if (!buffers || !status || count != 1) return E_INVALIDARG;
    std::lock_guard lock(mutex_);
    *status = 0;
    buffers[0].dwStatus = 0;
    if (!stream_ || !buffers[0].pBuffer) return S_FALSE;
    ApplySpeed();
    BYTE* data = nullptr;
    DWORD length = 0, maxLength = 0;
    if (FAILED(buffers[0].pBuffer->GetBufferAndLength(&data, &length)) ||
        FAILED(buffers[0].pBuffer->GetMaxLength(&maxLength)))
      return E_FAIL;
    const WAVEFORMATEX& wf = Format();
    const int room = static_cast<int>(maxLength / wf.nBlockAlign);
    const int frames = std::min(room, sonicSamplesAvailable(stream_));
    if (frames <= 0) {
      buffers[0].pBuffer->SetLength(0);
      return S_FALSE;
    }
    int got = 0;
    if (wf.wBitsPerSample == 8) {
      got = sonicReadUnsignedCharFromStream(stream_, data, frames);
    } else {
      scratch_.resize(static_cast<size_t>(frames) * wf.nChannels);
      got = sonicReadShortFromStream(stream_, scratch_.data(), frames);
      memcpy(data, scratch_.data(), static_cast<size_t>(got) * wf.nBlockAlign);
    }
    buffers[0].pBuffer->SetLength(static_cast<DWORD>(got) * wf.nBlockAlign);
    const REFERENCE_TIME start = baseTime_ + FramesToTime(framesOut_);
    framesOut_ += got;
    buffers[0].rtTimestamp = start;
    buffers[0].rtTimelength = baseTime_ + FramesToTime(framesOut_) - start;
    buffers[0].dwStatus = DMO_OUTPUT_DATA_BUFFERF_SYNCPOINT | DMO_OUTPUT_DATA_BUFFERF_TIME |
                          DMO_OUTPUT_DATA_BUFFERF_TIMELENGTH;
    if (sonicSamplesAvailable(stream_) > 0) buffers[0].dwStatus |= DMO_OUTPUT_DATA_BUFFERF_INCOMPLETE;
    return S_OK;
  }
  STDMETHODIMP Lock(LONG) override { return S_OK; }

  // ITimeStretch.
  STDMETHODIMP SetSpeed(float speed) override {
    if (!(speed >= kMinSpeed && speed <= kMaxSpeed)) return E_INVALIDARG;
    speed_.store(speed);
    return S_OK;
  }
  float STDMETHODCALLTYPE GetSpeed() override { return speed_.load(); }
  STDMETHODIMP SetPitchFollowsSpeed(BOOL on) override {
    pitchFollows_.store(on != FALSE);
    return S_OK;
  }
  REFERENCE_TIME STDMETHODCALLTYPE RecordingTimeAt(REFERENCE_TIME output) override {
    std::lock_guard lock(mutex_);
    return RecordingAt(output);
  }

private:
  class TInner final : public IUnknown {
  public:
    explicit TInner(TTimeStretchDmo& owner) : owner_(owner) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
      if (!out) return E_POINTER;
      if (iid == IID_IUnknown)
        *out = static_cast<IUnknown*>(this);
      else if (iid == IID_IMediaObject)
        *out = static_cast<IMediaObject*>(&owner_);
      else if (iid == __uuidof(ITimeStretch))
        *out = static_cast<ITimeStretch*>(&owner_);
      else {
        *out = nullptr;
        return E_NOINTERFACE;
      }
      static_cast<IUnknown*>(*out)->AddRef();
      return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override {
      const ULONG left = --refs_;
      if (left == 0) delete &owner_;
      return left;
    }

  private:
    TTimeStretchDmo& owner_;
    std::atomic<ULONG> refs_{1};
  };

  // Where a speed begins: the output time, the recording time there, and
  // the speed (output pace as a factor of the recording's).
  struct SpeedPoint {
    REFERENCE_TIME output;
    REFERENCE_TIME recording;
    float speed;
  };
  // Enough for every change a typist makes between two seeks.
  static constexpr size_t kMaxPoints = 256;

  REFERENCE_TIME RecordingAt(REFERENCE_TIME output) const {
    if (points_.empty()) return static_cast<REFERENCE_TIME>(static_cast<double>(output) * speed_.load());
    auto next = std::upper_bound(points_.begin(), points_.end(), output,
                                 [](REFERENCE_TIME t, const SpeedPoint& p) { return t < p.output; });
    const SpeedPoint& p = next == points_.begin() ? *next : *(next - 1);
    return p.recording + static_cast<REFERENCE_TIME>(static_cast<double>(output - p.output) * p.speed);
  }

  const WAVEFORMATEX& Format() const { return *reinterpret_cast<const WAVEFORMATEX*>(type_.pbFormat); }
  DWORD OutputBlockFrames() const { return std::max<DWORD>(Format().nSamplesPerSec / 25, 64); }
  REFERENCE_TIME FramesToTime(long long frames) const {
    return frames * 10'000'000LL / static_cast<long long>(Format().nSamplesPerSec);
  }
  HRESULT CurrentType(DWORD index, DMO_MEDIA_TYPE* mt, bool set) {
    if (index) return DMO_E_INVALIDSTREAMINDEX;
    if (!mt) return E_POINTER;
    std::lock_guard lock(mutex_);
    if (!typeSet_ || !set) return DMO_E_TYPE_NOT_SET;
    return MoCopyMediaType(mt, &type_);
  }
  bool OpenStream() {
    stream_ = sonicCreateStream(static_cast<int>(Format().nSamplesPerSec), Format().nChannels);
    // The pitch period is searched at the full rate rather than down-sampled:
    // fewer misjudged periods, for little more work up to 48 kHz; above it the
    // work grows and the down-sampled search loses nothing a voice needs.
    if (stream_) sonicSetQuality(stream_, Format().nSamplesPerSec > 48000 ? 0 : 1);
    appliedSpeed_ = 1.0f;
    appliedFollows_ = false;
    return stream_ != nullptr;
  }
  void FreeStream() {
    if (stream_) sonicDestroyStream(stream_);
    stream_ = nullptr;
    haveBase_ = false;
    baseTime_ = 0;
    framesOut_ = 0;
    // The points stay until the next input starts new ones: the wrapper
    // flushes at the end of the stream too, while its last output still plays.
  }
  void ApplySpeed() {
    const float speed = speed_.load();
    const bool follows = pitchFollows_.load();
    if (!stream_ || (speed == appliedSpeed_ && follows == appliedFollows_)) return;
    if (haveBase_) {
      // What the stretcher has made already is heard at the old speed.
      const REFERENCE_TIME at = baseTime_ + FramesToTime(framesOut_ + sonicSamplesAvailable(stream_));
      if (points_.size() >= kMaxPoints) points_.erase(points_.begin());
      points_.push_back({at, RecordingAt(at), speed});
    }
    // A plain rate change resamples; the stretch keeps the rate and the pitch.
    sonicSetSpeed(stream_, follows ? 1.0f : speed);
    sonicSetRate(stream_, follows ? speed : 1.0f);
    appliedSpeed_ = speed;
    appliedFollows_ = follows;
  }

  IUnknown* outer_;
  TInner inner_{*this};
  std::mutex mutex_;
  DMO_MEDIA_TYPE type_{};
  bool typeSet_ = false;
  bool outputSet_ = false;
  sonicStream stream_ = nullptr;
  float appliedSpeed_ = 1.0f;
  bool appliedFollows_ = false;
  std::atomic<float> speed_{1.0f};
  std::atomic<bool> pitchFollows_{false};
  bool haveBase_ = false;
  REFERENCE_TIME baseTime_ = 0;
  long long framesOut_ = 0;
  std::vector<SpeedPoint> points_;  // by output time, since the first input after the last flush
  std::vector<short> scratch_;
};

class TTimeStretchFactory final : public IClassFactory {
public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // The one factory lives as long as the process.
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    auto* dmo = new (std::nothrow) TTimeStretchDmo(outer);
    if (!dmo) return E_OUTOFMEMORY;
    const HRESULT hr = dmo->Inner()->QueryInterface(iid, out);
    dmo->Inner()->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

TTimeStretchFactory factory;

ComPtr<IPin> FirstPin(IBaseFilter* filter, PIN_DIRECTION wanted) {
  ComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins))) return nullptr;
  ComPtr<IPin> pin;
  while (pins->Next(1, pin.ReleaseAndGetAddressOf(), nullptr) == S_OK) {
    PIN_DIRECTION dir;
    if (SUCCEEDED(pin->QueryDirection(&dir)) && dir == wanted) return pin;
  }
  return nullptr;
}

}  // namespace

HRESULT RegisterTimeStretch() {
  static std::once_flag once;
  static HRESULT result = E_FAIL;
  std::call_once(once, [] {
    DWORD cookie = 0;
    result = ::CoRegisterClassObject(CLSID_TimeStretchDmo, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                     &cookie);
  });
  return result;
}

ComPtr<ITimeStretch> InsertTimeStretch(IGraphBuilder* graph, IBaseFilter* renderer) {
  if (!graph || !renderer || FAILED(RegisterTimeStretch())) return nullptr;
  ComPtr<IPin> rendererIn = FirstPin(renderer, PINDIR_INPUT);
  ComPtr<IPin> upstream;
  if (!rendererIn || FAILED(rendererIn->ConnectedTo(&upstream)) || !upstream) return nullptr;

  ComPtr<IBaseFilter> wrapper;
  ComPtr<IDMOWrapperFilter> init;
  if (FAILED(::CoCreateInstance(CLSID_DMOWrapperFilter, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&wrapper))) ||
      FAILED(wrapper.As(&init)) || FAILED(init->Init(CLSID_TimeStretchDmo, DMOCATEGORY_AUDIO_EFFECT)))
    return nullptr;
  ComPtr<ITimeStretch> control;
  if (FAILED(wrapper.As(&control))) return nullptr;
  if (FAILED(graph->AddFilter(wrapper.Get(), L"Speed"))) return nullptr;

  ComPtr<IPin> wrapperIn = FirstPin(wrapper.Get(), PINDIR_INPUT);
  ComPtr<IPin> wrapperOut = FirstPin(wrapper.Get(), PINDIR_OUTPUT);
  graph->Disconnect(upstream.Get());
  graph->Disconnect(rendererIn.Get());
  if (wrapperIn && wrapperOut && SUCCEEDED(graph->ConnectDirect(upstream.Get(), wrapperIn.Get(), nullptr)) &&
      SUCCEEDED(graph->Connect(wrapperOut.Get(), rendererIn.Get())))
    return control;

  // Back to the graph as it was rendered.
  graph->RemoveFilter(wrapper.Get());
  graph->Connect(upstream.Get(), rendererIn.Get());
  return nullptr;
}

}  // namespace player
