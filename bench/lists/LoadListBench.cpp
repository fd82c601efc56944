// Prints the milliseconds LoadList takes for generated lists of 1,000, 10,000
// and 50,000 lines, grouped and ungrouped, with many duplicate titles.
#include <windows.h>

#include <cstdio>
#include <random>
#include <string>

#include "base/Files.h"
#include "base/Text.h"
#include "lists/KestrelLists.h"
#include "core/globals.h"
#include "settings/KestrelSettings.h"

using namespace kestrel;

namespace {

std::string MakeList(int lines) {
  std::mt19937 rng(static_cast<unsigned>(lines));
  const char* exts[] = {".mp3", ".wav", ".MP3"};
  int folders = lines < 1000 ? 3 : lines / 1000 + 2;
  int titles = lines / 4 + 1;  // every title about four times
  std::string out;
  for (int i = 0; i < lines; ++i) {
    out += "c:\\dictations\\folder" + std::to_string(rng() % folders) + "\\memo " +
           std::to_string(rng() % titles) + exts[rng() % 3] + "\r\n";
  }
  return out;
}

double Milliseconds(LARGE_INTEGER a, LARGE_INTEGER b) {
  LARGE_INTEGER f;
  ::QueryPerformanceFrequency(&f);
  return 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

int main() {
  wchar_t tmp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, tmp);
  std::wstring path = std::wstring(tmp) + L"vocorder_bench.m3u";
  Lists = {{path, L"bench", tmp}};
  Settings = TSettings{};
  std::printf("%-8s %-10s %-7s %10s\n", "lines", "mode", "sorted", "ms");
  for (int n : {1000, 10000, 50000}) {
    files::WriteAll(path, MakeList(n));
    for (bool grouped : {true, false}) {
      for (bool sorted : {false, true}) {
        double best = 1e300;
        for (int run = 0; run < 3; ++run) {
          ArtistTable t;
          LARGE_INTEGER a, b;
          ::QueryPerformanceCounter(&a);
          LoadList(t, grouped, sorted, 0, 0);
          ::QueryPerformanceCounter(&b);
          best = std::min(best, Milliseconds(a, b));
        }
        std::printf("%-8d %-10s %-7s %10.1f\n", n, grouped ? "grouped" : "ungrouped", sorted ? "yes" : "no", best);
      }
    }
  }
  ::DeleteFileW(path.c_str());
  return 0;
}
