#include "player/TPlayer.h"

#include "player/AudioDevices.h"
#include "player/GraphTools.h"
#include "player/PlayerScales.h"

#include <vfwmsgs.h>

#include <algorithm>
#include <cstring>

using player::ComPtr;

namespace {

// RenderFile's limit; a longer path would name some other file once cut.
constexpr size_t kMaxPathLength = MAX_PATH - 1;

bool IsOpenableFile(const std::wstring& path) {
  if (path.empty() || path.size() > kMaxPathLength) return false;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

HRESULT WaitForFilterState(const std::function<HRESULT(DWORD, OAFilterState*)>& getState, OAFilterState wanted,
                           DWORD timeout) {
  const ULONGLONG start = ::GetTickCount64();
  HRESULT lastFailure = VFW_S_STATE_INTERMEDIATE;
  for (;;) {
    OAFilterState state = -1;
    const HRESULT hr = getState(10, &state);
    if (state == wanted) return S_OK;
    if (FAILED(hr)) lastFailure = hr;
    if (::GetTickCount64() - start >= timeout) return lastFailure;
  }
}

TPlayer::TPlayer(HWND owner) : notifyWindow_(owner) {
  CheckResult(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph_)));
  CheckResult(graph_.As(&control_));
  CheckResult(graph_.As(&seeking_));
  CheckResult(graph_.As(&audio_));
  CheckResult(graph_.As(&events_));
  CheckResult(events_->SetNotifyWindow(reinterpret_cast<OAHWND>(owner), WM_PLAYERNOTIFY, pnGraphEvent));
  CheckResult(events_->SetNotifyFlags(0));
}

TPlayer::~TPlayer() {
  // Nothing may be posted to the owner once the graph is gone, and a graph
  // released while running would go on playing until its threads notice.
  control_->Stop();
  events_->SetNotifyWindow(0, 0, 0);
  // Graph events already posted would reach an owner that has no player to
  // read them from; only the framework posts this message, so drop them.
  if (notifyWindow_ && ::GetWindowThreadProcessId(notifyWindow_, nullptr) == ::GetCurrentThreadId()) {
    MSG m;
    while (::PeekMessageW(&m, notifyWindow_, WM_PLAYERNOTIFY, WM_PLAYERNOTIFY, PM_REMOVE | PM_NOYIELD)) {
    }
  }
  if (renderer_) graph_->RemoveFilter(renderer_.Get());
  audio_.Reset();
  seeking_.Reset();
  control_.Reset();
  events_.Reset();
  graph_.Reset();
  renderer_.Reset();
}

// Posted: the owner reacts once the call is back, never inside it.
void TPlayer::Notify(LPARAM code) { ::PostMessageW(notifyWindow_, WM_PLAYERNOTIFY, 0, code); }

void TPlayer::StopGraph() { CheckResult(control_->Stop()); }

void TPlayer::WaitForState(PlayerState s) {
  auto getState = [this](DWORD ms, OAFilterState* state) { return control_->GetState(ms, state); };
  CheckResult(WaitForFilterState(getState, static_cast<OAFilterState>(s), StateTimeout));
}

void TPlayer::ClearGraph() {
  stretch_.Reset();
  player::RemoveAllFilters(graph_.Get());
  renderer_.Reset();
}

void TPlayer::Open(const std::wstring& path) {
  Notify(pnOpening);
  try {
    if (!IsOpenableFile(path)) throw PlayerError(player_text::kFileNotFound);
    hadFile_ = !fileName_.empty();
    fileName_ = path;
    if (state_ != PlayerState::Stopped)
      Stop();
    else
      StopGraph();
    BuildGraph(false);
    Notify(pnOpened);
  } catch (...) {
    Notify(pnOpenFailed);
    if (renderer_) ClearGraph();
    throw;
  }
}

void TPlayer::BuildGraph(bool keepPosition) {
  long oldVolume = 0;
  bool carryVolume = false;
  const int oldDevice = currentDevice_;
  // The volume goes over to the new graph when it plays on the same device;
  // a graph that cannot tell its volume has none to hand on.
  if (hadFile_) carryVolume = TryGetVolume(oldVolume);

  ClearGraph();
  if (ForceDevice) AddDeviceRenderer(SelectedDevice);
  renderer_.Reset();  // the graph keeps the filter

  CheckResult(graph_->RenderFile(fileName_.c_str(), nullptr));
  if (ForceDevice) {
    renderer_ = player::FindAudioRenderer(graph_.Get());
    if (!renderer_) throw PlayerError(player_text::kNoAudioStream);
    if (!player::IsRendererConnected(renderer_.Get())) throw PlayerError(player_text::kDeviceNotConnected);
  }
  LONGLONG duration = 0;
  CheckResult(seeking_->GetDuration(&duration));
  duration_ = duration;
  // Without the stretcher the file still plays, at its own speed.
  if (auto renderer = player::AudioRendererOf(graph_.Get())) {
    stretch_ = player::InsertTimeStretch(graph_.Get(), renderer.Get());
    if (stretch_) stretch_->SetSpeed(static_cast<float>(speedPercent_) / 100.0f);
  }
  ended_ = false;
  Anchor(0, 0);
  if (!keepPosition) SetPosition(0);

  currentDevice_ = player::DeviceIndexOfFilterName(player::AudioRendererName(graph_.Get()), AudioDeviceNames);
  if (carryVolume && currentDevice_ == oldDevice) {
    try {
      SetVolume(oldVolume);
    } catch (const PlayerError&) {
      // A graph without volume control still plays; the volume stays its own.
    }
  }
  Notify(pnGraphBuilt);
}

void TPlayer::AddDeviceRenderer(int index) {
  if (index < 0 || static_cast<size_t>(index) >= AudioDeviceClsids.size() ||
      static_cast<size_t>(index) >= AudioDeviceNames.size())
    throw PlayerError(player_text::kInvalidDevice);
  ComPtr<IBaseFilter> filter = CreateAudioDeviceFilter(index);
  const std::wstring name = player::FilterNameOf(AudioDeviceNames[static_cast<size_t>(index)]);
  if (FAILED(graph_->AddFilter(filter.Get(), name.c_str()))) throw PlayerError(player_text::kCannotAddFilter);
  renderer_ = filter;
}

void TPlayer::Play() {
  try {
    CheckResult(control_->Run());
    WaitForState(PlayerState::Running);
    state_ = PlayerState::Running;
    Notify(pnPlaying);
  } catch (...) {
    Notify(pnPlayFailed);
    throw;
  }
}

void TPlayer::TogglePause() {
  if (state_ == PlayerState::Running) {
    CheckResult(control_->Pause());
    state_ = PlayerState::Paused;
  } else {
    CheckResult(control_->Run());
    state_ = PlayerState::Running;
  }
  WaitForState(state_);
}

void TPlayer::Stop() {
  Notify(pnStopping);
  try {
    StopGraph();
    WaitForState(PlayerState::Stopped);
    state_ = PlayerState::Stopped;
    Notify(pnStopped);
  } catch (...) {
    Notify(pnStopFailed);
    throw;
  }
}

void TPlayer::Rewind() {
  try {
    SetPosition(0);
    Notify(pnRewound);
  } catch (...) {
    Notify(pnRewindFailed);
    throw;
  }
}

void TPlayer::Close() {
  try {
    if (state_ == PlayerState::Running)
      Stop();
    else
      StopGraph();
    // A closed player is stopped, also when it was paused: otherwise the
    // next play would resume an empty graph instead of opening the file.
    state_ = PlayerState::Stopped;
    fileName_.clear();
    ClearGraph();
    Notify(pnClosed);
  } catch (...) {
    Notify(pnCloseFailed);
    throw;
  }
}

void TPlayer::ApplyDevice() {
  if (currentDevice_ == SelectedDevice || fileName_.empty()) return;
  try {
    try {
      StopGraph();
      WaitForState(PlayerState::Stopped);
    } catch (...) {
      Notify(pnStopFailed);
      throw;
    }
    const int64_t position = GetPosition();
    hadFile_ = !fileName_.empty();
    try {
      BuildGraph(true);
    } catch (...) {
      state_ = PlayerState::Stopped;
      Notify(pnStopped);
      throw;
    }
    SetPosition(position);
    if (state_ == PlayerState::Running) {
      CheckResult(control_->Run());
      WaitForState(PlayerState::Running);
    } else if (state_ == PlayerState::Paused) {
      // The new graph stands where the old one did.
      CheckResult(control_->Pause());
      WaitForState(PlayerState::Paused);
    }
  } catch (...) {
    Notify(pnOpenFailed);
    if (renderer_) ClearGraph();
    throw;
  }
}

int64_t TPlayer::RawPosition() {
  LONGLONG position = 0;
  CheckResult(seeking_->GetCurrentPosition(&position));
  return position;
}

int TPlayer::AppliedSpeed() const { return stretch_ || fileName_.empty() ? speedPercent_ : 100; }

int64_t TPlayer::RecordingTime(int64_t raw) const {
  if (!stretch_) return raw;
  // Past the end of the input the graph's own position means nothing here.
  if (ended_) return duration_;
  // The graph has played raw - anchorRaw_ of output since the last seek,
  // which is as much recording as the stretcher made it from.
  const int64_t position = anchorPos_ + stretch_->RecordingTimeAt(raw - anchorRaw_);
  return std::clamp<int64_t>(position, 0, std::max<int64_t>(duration_, 0));
}

void TPlayer::Anchor(int64_t position, int64_t raw) {
  anchorPos_ = position;
  anchorRaw_ = raw;
  lastRaw_ = raw;
}

int64_t TPlayer::GetPosition() {
  try {
    const int64_t raw = RawPosition();
    // From the end of the stream until its event is read, Wine's graph gives
    // its stop position, which is recording time: at a slow speed that is
    // behind where it was a moment ago, while it plays nothing can be.
    if (stretch_ && state_ == PlayerState::Running && raw < lastRaw_) return duration_;
    lastRaw_ = raw;
    return RecordingTime(raw);
  } catch (...) {
    Notify(pnPositionFailed);
    throw;
  }
}

void TPlayer::SetPosition(int64_t position) {
  LONGLONG current = position;
  CheckResult(seeking_->SetPositions(&current, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  ended_ = false;
  // The graph counts on from where it was sent; read it back rather than
  // assume it stands exactly there.
  LONGLONG raw = position;
  if (FAILED(seeking_->GetCurrentPosition(&raw))) raw = position;
  Anchor(position, raw);
}

void TPlayer::SetSpeed(int percent) {
  percent = std::clamp(percent, 50, 200);
  if (percent == speedPercent_) return;
  // The stretcher notes where in its output the new speed begins.
  if (stretch_) stretch_->SetSpeed(static_cast<float>(percent) / 100.0f);
  speedPercent_ = percent;
}

bool TPlayer::UsesGraphVolume() const { return DeviceVolume && !fileName_.empty(); }

long TPlayer::GetVolume() {
  try {
    if (UsesGraphVolume()) {
      long volume = 0;
      CheckResult(audio_->get_Volume(&volume));
      return volume;
    }
    DWORD both = 0;
    CheckWaveResult(::waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &both));
    return static_cast<long>((LOWORD(both) + HIWORD(both)) / 2);
  } catch (...) {
    Notify(pnVolumeFailed);
    throw;
  }
}

bool TPlayer::TryGetVolume(long& volume) {
  if (UsesGraphVolume()) return SUCCEEDED(audio_->get_Volume(&volume));
  DWORD both = 0;
  if (::waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &both) != MMSYSERR_NOERROR) return false;
  volume = static_cast<long>((LOWORD(both) + HIWORD(both)) / 2);
  return true;
}

void TPlayer::SetVolume(long volume) {
  if (UsesGraphVolume())
    SetGraphVolume(volume);
  else
    SetWaveVolume(volume);
}

void TPlayer::SetGraphVolume(long volume) { CheckResult(audio_->put_Volume(volume)); }

void TPlayer::SetWaveVolume(long volume) {
  const DWORD v = static_cast<DWORD>(std::clamp(volume, 0L, 65535L));
  CheckWaveResult(::waveOutSetVolume(reinterpret_cast<HWAVEOUT>(0), v * 65537UL));
}

int TPlayer::VolumeToSliderOffset(int frameHeight, int knobHeight, int margin) {
  const int travel = KnobTravel(frameHeight, knobHeight, margin);
  const long volume = GetVolume();
  return UsesGraphVolume() ? GraphVolumeToOffset(volume, travel) : WaveVolumeToOffset(volume, travel);
}

int TPlayer::SliderOffsetToVolume(int frameHeight, int knobHeight, int wanted, int margin, int grab) {
  int offset = wanted - grab;
  const int bottom = frameHeight - knobHeight - margin;
  if (offset > bottom) offset = bottom;
  if (offset < margin) offset = margin;
  const int travel = KnobTravel(frameHeight, knobHeight, margin);
  if (travel <= 0) return offset;  // a knob that cannot move sets nothing
  if (UsesGraphVolume())
    SetGraphVolume(OffsetToGraphVolume(offset, travel));
  else
    SetWaveVolume(OffsetToWaveVolume(offset, travel));
  return offset;
}

int TPlayer::PositionToBarWidth(int frameWidth, int margin) {
  if (duration_ <= 0) return 0;
  return BarWidthFor(GetPosition(), duration_, frameWidth, margin);
}

void TPlayer::SeekToBarPixel(int frameWidth, int pixel, int margin) {
  SetPosition(BarPixelToPosition(pixel, duration_, frameWidth, margin));
}

long TPlayer::ReadGraphEvent() {
  long code = 0;
  LONG_PTR p1 = 0, p2 = 0;
  const HRESULT hr = events_->GetEvent(&code, &p1, &p2, 0);
  if (hr == E_ABORT) return 0;
  events_->FreeEventParams(code, p1, p2);
  if (FAILED(hr)) return 0;
  if (code == EC_COMPLETE) ended_ = true;
  return code;
}

bool TPlayer::IsUsingTimeFormat(const GUID& format) { return seeking_->IsUsingTimeFormat(&format) == S_OK; }

bool TPlayer::SetTimeFormat(const GUID& format) { return SUCCEEDED(seeking_->SetTimeFormat(&format)); }

bool TPlayer::HasTimeFormat(const GUID& format) {
  GUID current = {};
  if (FAILED(seeking_->GetTimeFormat(&current))) return false;
  return memcmp(&current, &format, sizeof(GUID)) == 0;
}
