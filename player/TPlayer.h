// Plays one recording at a time through a DirectShow filter graph and tells
// its owner window about every change by WM_PLAYERNOTIFY (PlayerNotify.h).
//
// Everything runs on the caller's thread (COM initialised, InitPlayerModule)
// and returns only when the graph has reached the requested state. Failures
// raise PlayerError, each announced by its notification first. The player's
// notifications are posted, in the order of the changes: the owner reacts
// to them after the call has returned, and may call the player again then.
#pragma once

#include "player/DShow.h"
#include "player/PlayerError.h"
#include "player/PlayerNotify.h"
#include "player/TimeStretch.h"

#include <cstdint>
#include <functional>
#include <string>

// The graph's filter-state numbers.
enum class PlayerState : uint8_t { Stopped = 0, Paused = 1, Running = 2 };

class TPlayer {
public:
  // Creates the graph and points its event notifications at owner.
  explicit TPlayer(HWND owner);
  virtual ~TPlayer();
  TPlayer(const TPlayer&) = delete;
  TPlayer& operator=(const TPlayer&) = delete;

  // Configuration, written by the owner and the settings dialog.
  int SelectedDevice = 0;     // index into the device lists, used with ForceDevice
  bool ForceDevice = false;   // build graphs on SelectedDevice's renderer
  bool DeviceVolume = true;   // volume of the graph instead of wave output device 0

  HWND NotifyWindow() const { return notifyWindow_; }
  // Full path of the open recording; empty when none is open.
  const std::wstring& FileName() const { return fileName_; }
  // Length of the open recording in 100 ns, read after each graph build.
  int64_t Duration() const { return duration_; }
  PlayerState State() const { return state_; }
  // Index in AudioDeviceNames of the device the graph renders to, or -1.
  int CurrentDevice() const { return currentDevice_; }

  void Open(const std::wstring& path);
  void Close();
  void Play();
  // Running -> Paused, otherwise -> Running; no notification.
  void TogglePause();
  // Stops without rewinding.
  void Stop();
  void Rewind();
  // Rebuilds the graph on SelectedDevice, keeping position and state.
  void ApplyDevice();

  // Positions are in recording time at every speed.
  int64_t GetPosition();
  void SetPosition(int64_t position);

  // Playback speed in percent of the recording's own (50 .. 200), kept across
  // files. A change while playing is heard once the audio already made at
  // the old speed has played; the position follows what is heard. Values
  // outside the range are clamped.
  void SetSpeed(int percent);
  int Speed() const { return speedPercent_; }
  // The speed the open recording is heard at: Speed(), or 100 when its
  // graph could not take the stretcher. With none open, Speed().
  int AppliedSpeed() const;
  // Whether the open graph can play at another speed than 100 %.
  bool SpeedSupported() const { return static_cast<bool>(stretch_); }
  // The stretcher of the open graph, for tests and measurements.
  player::ITimeStretch* Stretch() const { return stretch_.Get(); }

  // The scale in use: the graph's (-10000..0) when DeviceVolume is on and a
  // file is open, otherwise wave output device 0's (0..65535).
  long GetVolume();
  void SetVolume(long volume);
  void SetGraphVolume(long volume);
  void SetWaveVolume(long volume);

  // The volume knob: offset from the frame's top, 0 = full volume.
  int VolumeToSliderOffset(int frameHeight, int knobHeight, int margin);
  // Sets the volume for the knob dragged to wanted (less grab, the press's
  // place within the knob) and returns the clamped offset.
  int SliderOffsetToVolume(int frameHeight, int knobHeight, int wanted, int margin, int grab);

  // The position bar: filled width, and seeking to a pixel.
  int PositionToBarWidth(int frameWidth, int margin);
  void SeekToBarPixel(int frameWidth, int pixel, int margin);

  // Reads one waiting graph event (one per pnGraphEvent); 0 when none waits.
  // EC_COMPLETE (1) is the end of the file.
  long ReadGraphEvent();

  bool IsUsingTimeFormat(const GUID& format);
  bool SetTimeFormat(const GUID& format);
  bool HasTimeFormat(const GUID& format);

  // How long a state change may take before it fails (milliseconds).
  DWORD StateTimeout = 10000;

  // The graph, for inspection by tests and diagnostics.
  IGraphBuilder* Graph() const { return graph_.Get(); }

private:
  void Notify(LPARAM code);
  void StopGraph();
  void WaitForState(PlayerState s);
  void BuildGraph(bool keepPosition);
  void AddDeviceRenderer(int index);
  void ClearGraph();
  bool UsesGraphVolume() const;
  bool TryGetVolume(long& volume);
  int64_t RawPosition();
  int64_t RecordingTime(int64_t raw) const;
  void Anchor(int64_t position, int64_t raw);

  HWND notifyWindow_;
  std::wstring fileName_;
  int64_t duration_ = 0;
  PlayerState state_ = PlayerState::Stopped;
  int currentDevice_ = -1;
  bool hadFile_ = false;

  // The graph's own position runs at the pace of the output. The recording
  // position is anchorPos_ plus the recording the stretcher made the graph's
  // advance since anchorRaw_ from; the anchors move at each seek.
  int speedPercent_ = 100;
  int64_t anchorPos_ = 0;
  int64_t anchorRaw_ = 0;
  bool ended_ = false;  // the graph reported the end of the file
  int64_t lastRaw_ = 0;  // the graph's position when last read
  player::ComPtr<player::ITimeStretch> stretch_;

  player::ComPtr<IMediaControl> control_;
  player::ComPtr<IMediaSeeking> seeking_;
  player::ComPtr<IBasicAudio> audio_;
  player::ComPtr<IMediaEventEx> events_;
  player::ComPtr<IBaseFilter> renderer_;
  player::ComPtr<IGraphBuilder> graph_;
};

// Polls getState (a 10 ms wait each time) until it reports wanted or timeout
// milliseconds have passed. Returns S_OK when the state was reported; else the
// last failure getState gave, or VFW_S_STATE_INTERMEDIATE when it only never
// got there.
HRESULT WaitForFilterState(const std::function<HRESULT(DWORD, OAFilterState*)>& getState, OAFilterState wanted,
                           DWORD timeout);
