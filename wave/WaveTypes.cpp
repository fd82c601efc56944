#include "wave/WaveTypes.h"

#include <algorithm>
#include <cstring>

namespace wave {

uint32_t SamplesPerSec(TSamples s) {
  switch (s) {
    case TSamples::_8kHz: return 8000;
    case TSamples::_11kHz: return 11025;
    case TSamples::_22kHz: return 22050;
    case TSamples::_44kHz: return 44100;
  }
  return 8000;
}

WAVEFORMATEX DeviceFormat(TSamples samples, TStereo stereo, TBits bits) {
  WAVEFORMATEX f{};
  f.wFormatTag = WAVE_FORMAT_PCM;
  f.nChannels = stereo == TStereo::enable ? 2 : 1;
  f.nSamplesPerSec = SamplesPerSec(samples);
  f.wBitsPerSample = bits == TBits::_16 ? 16 : 8;
  f.nBlockAlign = static_cast<WORD>(f.nChannels * f.wBitsPerSample / 8);
  f.nAvgBytesPerSec = f.nBlockAlign * f.nSamplesPerSec;
  f.cbSize = 0;
  return f;
}

int32_t MatchDevice(const std::vector<std::wstring>& productNames, const std::wstring& wanted) {
  for (size_t i = 0; i < productNames.size(); ++i)
    if (productNames[i] == wanted) return static_cast<int32_t>(i);
  return -1;
}

std::optional<std::wstring> SoundMapperValue(const wchar_t* valueName) {
  win::Key key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Multimedia\\Sound Mapper", 0, KEY_READ, key.put()) !=
      ERROR_SUCCESS)
    return std::nullopt;
  // At most 255 bytes of text, as the mapper stores a product name.
  wchar_t buffer[128] = {};
  DWORD type = 0, size = 255;
  if (::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
          ERROR_SUCCESS ||
      (type != REG_SZ && type != REG_EXPAND_SZ))
    return std::nullopt;
  buffer[std::min<DWORD>(size / sizeof(wchar_t), 127)] = 0;
  return std::wstring(buffer);
}

std::vector<std::wstring> WaveInNames() {
  std::vector<std::wstring> names;
  UINT n = ::waveInGetNumDevs();
  for (UINT i = 0; i < n; ++i) {
    WAVEINCAPSW caps{};
    names.push_back(::waveInGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : L"");
  }
  return names;
}

std::vector<std::wstring> WaveOutNames() {
  std::vector<std::wstring> names;
  UINT n = ::waveOutGetNumDevs();
  for (UINT i = 0; i < n; ++i) {
    WAVEOUTCAPSW caps{};
    names.push_back(::waveOutGetDevCapsW(i, &caps, sizeof caps) == MMSYSERR_NOERROR ? caps.szPname : L"");
  }
  return names;
}

int32_t PreferredInputDevice() {
  auto value = SoundMapperValue(L"Record");
  return value ? MatchDevice(WaveInNames(), *value) : -1;
}

int32_t PreferredOutputDevice() {
  auto value = SoundMapperValue(L"Playback");
  return value ? MatchDevice(WaveOutNames(), *value) : -1;
}

MMRESULT CloseRetrying(const std::function<MMRESULT()>& close, DWORD limitMs) {
  const ULONGLONG start = ::GetTickCount64();
  MMRESULT r;
  while ((r = close()) == WAVERR_STILLPLAYING && ::GetTickCount64() - start < limitMs) {
    // The device still returns buffers on its own thread; nothing of this
    // thread's is needed for that.
    ::Sleep(50);
  }
  return r;
}

void TWaveSlots::Clear() {
  std::memset(slots_, 0, sizeof slots_);
  std::memset(&spare_, 0, sizeof spare_);
}

WAVEHDR* TWaveSlots::TakeFree() {
  for (WAVEHDR& h : slots_)
    if (!(h.dwFlags & WHDR_PREPARED)) return &h;
  return nullptr;
}

int TWaveSlots::Busy() const {
  int n = 0;
  for (const WAVEHDR& h : slots_)
    if (h.dwFlags & WHDR_PREPARED) ++n;
  return n;
}

}  // namespace wave
