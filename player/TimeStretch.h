// Playback speed with the voice's pitch kept: a DirectX Media Object of our
// own that the DMO Wrapper Filter puts between the decoder and the audio
// renderer. The framework's own rate control cannot be used: Wine accepts
// and ignores it, and Windows' audio renderer moves the pitch with the rate.
//
// The object takes 8- or 16-bit PCM and gives the same format back, stretched in
// time. Its output time stamps count the output it has given since the last
// flush, so the renderer plays it at the clock's pace. A new speed is heard
// only after the output already made at the old one, so the object notes
// where in its output each speed begins and which recording time that is;
// the player maps the output time it is at through those notes
// (RecordingTimeAt, TPlayer::GetPosition).
#pragma once

#include "player/DShow.h"

namespace player {

// {6F0C1B7E-3A52-4E8B-9C41-5D2A7E90B1C3}
inline constexpr CLSID CLSID_TimeStretchDmo = {
    0x6f0c1b7e, 0x3a52, 0x4e8b, {0x9c, 0x41, 0x5d, 0x2a, 0x7e, 0x90, 0xb1, 0xc3}};

// The object's control, reached through the wrapper filter. Safe to call
// from any thread while the graph streams; a new speed applies to the next
// block of input the object handles.
MIDL_INTERFACE("B2D3E4F5-6A7B-4C8D-9E0F-1A2B3C4D5E70")
ITimeStretch : public IUnknown {
  // speed: output pace as a factor of the recording's (0.5 .. 2.0).
  virtual HRESULT STDMETHODCALLTYPE SetSpeed(float speed) = 0;
  virtual float STDMETHODCALLTYPE GetSpeed() = 0;
  // On: the pitch follows the speed, as a plain rate change would sound.
  // Only for comparing against the pitch-keeping stretch.
  virtual HRESULT STDMETHODCALLTYPE SetPitchFollowsSpeed(BOOL on) = 0;
  // The input (recording) time of what the output gives at the output time,
  // both in the stream's time since the last flush. Before any input it is
  // the output time at the speed last set.
  virtual REFERENCE_TIME STDMETHODCALLTYPE RecordingTimeAt(REFERENCE_TIME output) = 0;
};

// Makes the object creatable in this process (once; later calls do
// nothing). The wrapper filter creates it through COM by its class id.
HRESULT RegisterTimeStretch();

// Puts a wrapped time stretcher in front of the audio renderer of a rendered
// graph. On success gives its control; on failure (an input it cannot take,
// a framework without the wrapper) the graph is connected as before and the
// result is empty: the recording then plays at its own speed only.
ComPtr<ITimeStretch> InsertTimeStretch(IGraphBuilder* graph, IBaseFilter* renderer);

}  // namespace player

__CRT_UUID_DECL(player::ITimeStretch, 0xb2d3e4f5, 0x6a7b, 0x4c8d, 0x9e, 0x0f, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e, 0x70)
