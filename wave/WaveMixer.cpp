#include "wave/WaveMixer.h"

namespace wave {
namespace {

const wchar_t kClass[] = L"TWaveComponentWindow";

void RegisterOnce() {
  WNDCLASSW wc{};
  if (::GetClassInfoW(::GetModuleHandleW(nullptr), kClass, &wc)) return;
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = kClass;
  ::RegisterClassW(&wc);
}

}  // namespace

TWaveMixer::TWaveMixer(std::function<void()> onChange) : onChange_(std::move(onChange)) {
  RegisterOnce();
  window_.reset(::CreateWindowExW(0, kClass, L"", 0, 0, 0, 32, 32, HWND_MESSAGE, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr));
  if (window_) {
    ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    ::SetWindowLongPtrW(window_.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Proc));
  }
}

TWaveMixer::~TWaveMixer() {
  mixer_.reset();
  if (window_) ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

MMRESULT TWaveMixer::Open(int32_t deviceId, bool input) {
  mixer_.reset();
  if (!window_) return MMSYSERR_ERROR;
  DWORD flags = (input ? MIXER_OBJECTF_WAVEIN : MIXER_OBJECTF_WAVEOUT) | CALLBACK_WINDOW;
  HMIXER h = nullptr;
  MMRESULT r = ::mixerOpen(&h, static_cast<UINT>(deviceId), reinterpret_cast<DWORD_PTR>(window_.get()), 0, flags);
  if (r == MMSYSERR_NOERROR) mixer_.reset(h);
  return r;
}

LRESULT CALLBACK TWaveMixer::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  auto* self = reinterpret_cast<TWaveMixer*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == MM_MIXM_CONTROL_CHANGE && self) {
    if (self->onChange_) self->onChange_();
    return 0;
  }
  return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace wave
