// One owner per kind of platform handle. Each owner is movable, not copyable,
// and closes its handle exactly once.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>
#include <msacm.h>
#include <objbase.h>
#include <shtypes.h>
#include <utility>

namespace win {

template <typename Traits>
class Owner {
public:
  using Handle = typename Traits::Handle;

  Owner() noexcept = default;
  explicit Owner(Handle h) noexcept : h_(h) {}
  ~Owner() { reset(); }

  Owner(const Owner&) = delete;
  Owner& operator=(const Owner&) = delete;
  Owner(Owner&& o) noexcept : h_(o.release()) {}
  Owner& operator=(Owner&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }

  Handle get() const noexcept { return h_; }
  explicit operator bool() const noexcept { return h_ != Traits::invalid(); }

  Handle release() noexcept { return std::exchange(h_, Traits::invalid()); }
  void reset(Handle h = Traits::invalid()) noexcept {
    Handle old = std::exchange(h_, h);
    if (old != Traits::invalid()) Traits::close(old);
  }
  // For out-parameters of the creating call; the old handle is closed first.
  Handle* put() noexcept {
    reset();
    return &h_;
  }

private:
  Handle h_ = Traits::invalid();
};

#define WIN_OWNER_TRAITS(Name, Type, Invalid, Close) \
  struct Name##Traits {                              \
    using Handle = Type;                             \
    static Handle invalid() noexcept { return Invalid; } \
    static void close(Handle h) noexcept { Close; }  \
  };                                                 \
  using Name = Owner<Name##Traits>;

// Kernel objects: events, threads, mutexes (invalid is null).
WIN_OWNER_TRAITS(Handle, HANDLE, nullptr, ::CloseHandle(h))
// Files from CreateFile (invalid is INVALID_HANDLE_VALUE).
WIN_OWNER_TRAITS(File, HANDLE, INVALID_HANDLE_VALUE, ::CloseHandle(h))
WIN_OWNER_TRAITS(FindHandle, HANDLE, INVALID_HANDLE_VALUE, ::FindClose(h))
WIN_OWNER_TRAITS(Key, HKEY, nullptr, ::RegCloseKey(h))
WIN_OWNER_TRAITS(Module, HMODULE, nullptr, ::FreeLibrary(h))
WIN_OWNER_TRAITS(Menu, HMENU, nullptr, ::DestroyMenu(h))
WIN_OWNER_TRAITS(GdiObject, HGDIOBJ, nullptr, ::DeleteObject(h))
WIN_OWNER_TRAITS(Icon, HICON, nullptr, ::DestroyIcon(h))
WIN_OWNER_TRAITS(Window, HWND, nullptr, ::DestroyWindow(h))
WIN_OWNER_TRAITS(Mmio, HMMIO, nullptr, ::mmioClose(h, 0))
WIN_OWNER_TRAITS(AcmStream, HACMSTREAM, nullptr, ::acmStreamClose(h, 0))
WIN_OWNER_TRAITS(AcmDriver, HACMDRIVER, nullptr, ::acmDriverClose(h, 0))
WIN_OWNER_TRAITS(WaveIn, HWAVEIN, nullptr, ::waveInClose(h))
WIN_OWNER_TRAITS(WaveOut, HWAVEOUT, nullptr, ::waveOutClose(h))
WIN_OWNER_TRAITS(Mixer, HMIXER, nullptr, ::mixerClose(h))
// Blocks of the process heap.
WIN_OWNER_TRAITS(HeapBlock, void*, nullptr, ::HeapFree(::GetProcessHeap(), 0, h))
// Shell item identifier lists, which the shell allocates with the COM task allocator.
WIN_OWNER_TRAITS(ItemIdList, PIDLIST_ABSOLUTE, nullptr, ::CoTaskMemFree(h))

#undef WIN_OWNER_TRAITS

// COM for the calling thread; uninitialises only when initialisation succeeded.
class ComScope {
public:
  explicit ComScope(DWORD model = COINIT_APARTMENTTHREADED) noexcept
      : hr_(::CoInitializeEx(nullptr, model)) {}
  ~ComScope() {
    if (SUCCEEDED(hr_)) ::CoUninitialize();
  }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
  HRESULT result() const noexcept { return hr_; }

private:
  HRESULT hr_;
};

// A critical section with its lock guard.
class CriticalSection {
public:
  CriticalSection() noexcept { ::InitializeCriticalSection(&cs_); }
  // A lock held for a few instructions by threads on other processors: spin
  // before falling back to a kernel wait (a wine server call under Wine).
  explicit CriticalSection(DWORD spinCount) noexcept { ::InitializeCriticalSectionAndSpinCount(&cs_, spinCount); }
  ~CriticalSection() { ::DeleteCriticalSection(&cs_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  void lock() noexcept { ::EnterCriticalSection(&cs_); }
  void unlock() noexcept { ::LeaveCriticalSection(&cs_); }

private:
  CRITICAL_SECTION cs_;
};

class Lock {
public:
  explicit Lock(CriticalSection& cs) noexcept : cs_(cs) { cs_.lock(); }
  ~Lock() { cs_.unlock(); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

private:
  CriticalSection& cs_;
};

}  // namespace win
