// What the wave input and output components share: their property types,
// the PCM device format, the preferred device and the table of buffer slots.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/WinHandles.h"

enum class TSamples { _8kHz, _11kHz, _22kHz, _44kHz };
enum class TBits { _8, _16 };
enum class TStereo { enable, disable };

// Data and Size of one buffer.
using TWaveInDataEvent = std::function<void(void* Data, uint32_t Size)>;
using TWaveOutDataEvent = std::function<void(void* Data, uint32_t Size)>;

namespace wave {

// Marks a header that carries data of our own rather than the device's.
constexpr DWORD kOwnHeader = 0x100;

uint32_t SamplesPerSec(TSamples s);
// The PCM format of the components' properties.
WAVEFORMATEX DeviceFormat(TSamples samples, TStereo stereo, TBits bits);

// The index of the first product name equal to `wanted` (exactly, case
// included), or -1.
int32_t MatchDevice(const std::vector<std::wstring>& productNames, const std::wstring& wanted);
// HKEY_CURRENT_USER "Software\Microsoft\Multimedia\Sound Mapper", value
// "Record" or "Playback"; nothing when the key or the value is missing.
std::optional<std::wstring> SoundMapperValue(const wchar_t* valueName);
std::vector<std::wstring> WaveInNames();
std::vector<std::wstring> WaveOutNames();
// The device the user chose in the sound mapper, or -1 (the wave mapper).
int32_t PreferredInputDevice();
int32_t PreferredOutputDevice();

// Calls `close` again while it answers WAVERR_STILLPLAYING and less than
// `limitMs` of retries have passed, sleeping 50 ms between tries; the last
// answer.
MMRESULT CloseRetrying(const std::function<MMRESULT()>& close, DWORD limitMs = 1000);

// Sixteen headers and one spare that carries open and close notifications.
// A slot is free when its flags lack WHDR_PREPARED. The owner's lock guards
// the table.
class TWaveSlots {
public:
  static constexpr int kCount = 16;

  TWaveSlots() { Clear(); }
  void Clear();
  // The first free slot, or nothing.
  WAVEHDR* TakeFree();
  bool Contains(const WAVEHDR* h) const { return h >= slots_ && h < slots_ + kCount; }
  WAVEHDR& operator[](int i) { return slots_[i]; }
  WAVEHDR* Spare() { return &spare_; }
  int Busy() const;

private:
  WAVEHDR slots_[kCount];
  WAVEHDR spare_;
};

}  // namespace wave
