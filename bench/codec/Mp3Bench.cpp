// Figures for the encoder: the start-up cost of the fallback check and the
// encoding speed through ACM, on the generated speech fixture.
//   codec_bench.exe [speech11k8.wav]
// The start-up figure is the median over fresh processes (the program runs
// itself with --startup), since only the first check in a process is cold.
#include "codec/Mp3Fallback.h"

#include <windows.h>
#include <mmreg.h>
#include <msacm.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return double(b.QuadPart - a.QuadPart) / f.QuadPart;
}

double CpuSeconds() {
  FILETIME c, e, k, u;
  ::GetProcessTimes(::GetCurrentProcess(), &c, &e, &k, &u);
  auto v = [](FILETIME t) { return (uint64_t(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7; };
  return v(k) + v(u);
}

// The samples of a canonical 8-bit mono PCM WAVE file.
std::string ReadData(const wchar_t* path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  std::string b = s.str();
  size_t at = b.find("data");
  if (at == std::string::npos || at + 8 > b.size()) return {};
  uint32_t n;
  std::memcpy(&n, b.data() + at + 4, 4);
  return b.substr(at + 8, n);
}

}  // namespace

// Runs this program with --startup in a fresh process; its exit code is the
// cold EnsureMp3Encoder time in microseconds.
DWORD ChildStartup(bool switchedOff) {
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring cmd = L"\"" + std::wstring(self) + L"\" --startup";
  ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", switchedOff ? L"1" : nullptr);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  DWORD code = 0;
  if (::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    ::WaitForSingleObject(pi.hProcess, INFINITE);
    ::GetExitCodeProcess(pi.hProcess, &code);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
  }
  ::SetEnvironmentVariableW(L"VOCORDER_NO_MP3_FALLBACK", nullptr);
  return code;
}

double MedianStartupMs(bool switchedOff) {
  std::vector<DWORD> us;
  for (int i = 0; i < 7; ++i) us.push_back(ChildStartup(switchedOff));
  std::sort(us.begin(), us.end());
  return us[us.size() / 2] / 1000.0;
}

int wmain(int argc, wchar_t** argv) {
  LARGE_INTEGER t0, t1;
  if (argc > 1 && std::wstring(argv[1]) == L"--startup") {
    ::QueryPerformanceCounter(&t0);
    EnsureMp3Encoder();
    ::QueryPerformanceCounter(&t1);
    return static_cast<int>(Seconds(t0, t1) * 1e6);
  }
  std::printf("start-up check, median of 7 fresh processes: %.1f ms adding the encoder, %.1f ms with "
              "VOCORDER_NO_MP3_FALLBACK=1 (probe only)\n",
              MedianStartupMs(false), MedianStartupMs(true));
  if (!EnsureMp3Encoder()) return 1;

  std::string speech = ReadData(argc > 1 ? argv[1] : L"speech11k8.wav");
  if (speech.empty()) {
    std::printf("no speech fixture\n");
    return 1;
  }
  // About a minute of speech, encoded in the recorder's 8 KiB pieces.
  std::string data;
  while (data.size() < 11025u * 60) data += speech;

  WAVEFORMATEX pcm{WAVE_FORMAT_PCM, 1, 11025, 11025, 1, 8, 0};
  MPEGLAYER3WAVEFORMAT mp3{};
  mp3.wfx.wFormatTag = WAVE_FORMAT_MPEGLAYER3;
  mp3.wfx.nChannels = 1;
  mp3.wfx.nSamplesPerSec = 11025;
  if (acmFormatSuggest(nullptr, &pcm, &mp3.wfx, sizeof mp3,
                       ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                           ACM_FORMATSUGGESTF_NSAMPLESPERSEC) != MMSYSERR_NOERROR)
    return 1;
  HACMSTREAM has = nullptr;
  if (acmStreamOpen(&has, nullptr, &pcm, &mp3.wfx, nullptr, 0, 0, ACM_STREAMOPENF_NONREALTIME)) return 1;
  const DWORD piece = 8192;
  DWORD dstSize = 0;
  acmStreamSize(has, piece, &dstSize, ACM_STREAMSIZEF_SOURCE);
  std::vector<BYTE> src(piece), dst(dstSize);
  ACMSTREAMHEADER h{};
  h.cbStruct = sizeof h;
  h.pbSrc = src.data();
  h.cbSrcLength = piece;
  h.pbDst = dst.data();
  h.cbDstLength = dstSize;
  if (acmStreamPrepareHeader(has, &h, 0)) return 1;

  double cpu0 = CpuSeconds();
  ::QueryPerformanceCounter(&t0);
  size_t out = 0;
  for (size_t pos = 0; pos < data.size();) {
    DWORD n = static_cast<DWORD>(std::min<size_t>(piece, data.size() - pos));
    std::memcpy(src.data(), data.data() + pos, n);
    h.cbSrcLength = n;
    bool last = pos + n == data.size();
    if (acmStreamConvert(has, &h, ACM_STREAMCONVERTF_BLOCKALIGN | (last ? ACM_STREAMCONVERTF_END : 0))) return 1;
    out += h.cbDstLengthUsed;
    pos += h.cbSrcLengthUsed;
  }
  ::QueryPerformanceCounter(&t1);
  double cpu = CpuSeconds() - cpu0;
  double audio = double(data.size()) / 11025;
  std::printf("encoded %.1f s of 11025 Hz mono speech at %u kbit/s into %zu bytes\n", audio,
              unsigned(mp3.wfx.nAvgBytesPerSec / 125), out);
  std::printf("CPU %.3f s, wall %.3f s: %.0fx real time per CPU second\n", cpu, Seconds(t0, t1),
              cpu > 0 ? audio / cpu : 0.0);
  h.cbSrcLength = piece;
  acmStreamUnprepareHeader(has, &h, 0);
  acmStreamClose(has, 0);
  return 0;
}
