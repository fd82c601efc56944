// The floor the start-up benchmark measures Vocorder.exe against: a bare
// program that does what any DirectShow player must before its window can
// show (COM, a filter graph, the audio renderers enumerated with their
// names) and then shows and paints one window. It closes on WM_CLOSE.
#include <windows.h>

#include <dshow.h>
#include <wrl/client.h>

using Microsoft::WRL::ComPtr;

namespace {

void EnumerateAudioRenderers() {
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&devices))))
    return;
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(CLSID_AudioRendererCategory, &monikers, 0) != S_OK) return;
  ComPtr<IMoniker> m;
  while (monikers->Next(1, &m, nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    if (SUCCEEDED(m->BindToStorage(nullptr, nullptr, IID_PPV_ARGS(&bag)))) {
      VARIANT name;
      ::VariantInit(&name);
      bag->Read(L"FriendlyName", &name, nullptr);
      ::VariantClear(&name);
    }
    m.Reset();
  }
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DESTROY) {
    ::PostQuitMessage(0);
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  EnumerateAudioRenderers();
  ComPtr<IGraphBuilder> graph;
  ::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&graph));

  WNDCLASSEXW wc{sizeof(wc)};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"VocorderBareStartup";
  ::RegisterClassExW(&wc);
  HWND w = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName, L"Bare", WS_CAPTION | WS_SYSMENU,
                             100, 100, 476, 90, nullptr, nullptr, instance, nullptr);
  ::ShowWindow(w, SW_SHOWNORMAL);
  ::UpdateWindow(w);
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) ::DispatchMessageW(&msg);
  graph.Reset();
  ::CoUninitialize();
  return 0;
}
