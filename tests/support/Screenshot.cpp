#include "Screenshot.h"

#include <wincodec.h>
#include <wrl/client.h>

#include <vector>

#include "TestSupport.h"

using Microsoft::WRL::ComPtr;

namespace desktop {

namespace {

// 32-bit top-down pixels of the screen's rectangle: the window as a user
// sees it, with whatever lies over it.
bool GrabScreen(const RECT& r, std::vector<BYTE>& pixels) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = ::GetDC(nullptr);
  if (!screen) return false;
  HDC mem = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (mem && dib) {
    HGDIOBJ old = ::SelectObject(mem, dib);
    ok = ::BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY) != FALSE;
    ::GdiFlush();
    if (ok) {
      const BYTE* p = static_cast<const BYTE*>(bits);
      pixels.assign(p, p + static_cast<size_t>(w) * h * 4);
      for (size_t i = 3; i < pixels.size(); i += 4) pixels[i] = 0xFF;  // opaque
    }
    ::SelectObject(mem, old);
  }
  if (dib) ::DeleteObject(dib);
  if (mem) ::DeleteDC(mem);
  ::ReleaseDC(nullptr, screen);
  return ok;
}

bool WritePng(const std::wstring& path, UINT w, UINT h, std::vector<BYTE>& pixels) {
  ComPtr<IWICImagingFactory> factory;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&factory))))
    return false;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
  return SUCCEEDED(factory->CreateStream(&stream)) &&
         SUCCEEDED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)) &&
         SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
         SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
         SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
         SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(w, h)) &&
         SUCCEEDED(frame->SetPixelFormat(&format)) &&
         IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) &&
         SUCCEEDED(frame->WritePixels(h, w * 4, static_cast<UINT>(pixels.size()), pixels.data())) &&
         SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
}

}  // namespace

std::wstring ScreenshotDir() { return testing_support::BuildDir() + L"\\screenshots"; }

bool SaveScreenshot(HWND window, const std::wstring& name) {
  RECT r;
  if (!::IsWindow(window) || !::IsWindowVisible(window) || !::GetWindowRect(window, &r) ||
      r.right <= r.left || r.bottom <= r.top)
    return false;
  // Let the window finish painting what it was just asked to show.
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  ::Sleep(150);
  std::vector<BYTE> pixels;
  if (!GrabScreen(r, pixels)) return false;
  const HRESULT co = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::wstring dir = ScreenshotDir();
  ::CreateDirectoryW(dir.c_str(), nullptr);
  const std::wstring path = dir + L"\\" + name + L".png";
  const bool ok = WritePng(path, static_cast<UINT>(r.right - r.left),
                           static_cast<UINT>(r.bottom - r.top), pixels);
  if (!ok) ::DeleteFileW(path.c_str());
  if (SUCCEEDED(co)) ::CoUninitialize();
  return ok;
}

}  // namespace desktop
