#include "codec/LameLibrary.h"

#include <mutex>

namespace codec {

namespace {

template <typename Fn>
bool Resolve(HMODULE module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
  return fn != nullptr;
}

}  // namespace

std::wstring TLameLibrary::ModuleFolder() {
  HMODULE self = nullptr;
  if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&TLameLibrary::ModuleFolder), &self))
    self = nullptr;
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = ::GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0) return {};
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::unique_ptr<TLameLibrary> TLameLibrary::Load(const std::wstring& path) {
  std::unique_ptr<TLameLibrary> lib(new TLameLibrary);
  // The altered search path makes the DLL's own imports resolve from its
  // folder first, as they would for a DLL in the program's folder.
  lib->module_.reset(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!lib->module_ || !lib->Bind()) return nullptr;
  return lib;
}

const TLameLibrary* TLameLibrary::Shared() {
  // Never freed: the codec may still be in use while the process (or the
  // codec DLL, under the loader lock) is being torn down.
  static std::once_flag once;
  static TLameLibrary* shared = nullptr;
  std::call_once(once, [] {
    std::wstring folder = ModuleFolder();
    if (!folder.empty()) shared = Load(folder + kLameDllName).release();
  });
  return shared;
}

bool TLameLibrary::Bind() {
  HMODULE m = module_.get();
  return Resolve(m, "lame_init", init) && Resolve(m, "lame_close", close) &&
         Resolve(m, "lame_set_in_samplerate", set_in_samplerate) &&
         Resolve(m, "lame_set_out_samplerate", set_out_samplerate) &&
         Resolve(m, "lame_set_num_channels", set_num_channels) && Resolve(m, "lame_set_mode", set_mode) &&
         Resolve(m, "lame_set_brate", set_brate) && Resolve(m, "lame_set_VBR", set_VBR) &&
         Resolve(m, "lame_set_quality", set_quality) && Resolve(m, "lame_set_bWriteVbrTag", set_bWriteVbrTag) &&
         Resolve(m, "lame_set_write_id3tag_automatic", set_write_id3tag_automatic) &&
         Resolve(m, "lame_set_errorf", set_errorf) && Resolve(m, "lame_set_debugf", set_debugf) &&
         Resolve(m, "lame_set_msgf", set_msgf) && Resolve(m, "lame_init_params", init_params) &&
         Resolve(m, "lame_encode_buffer", encode_buffer) && Resolve(m, "lame_encode_flush", encode_flush) &&
         Resolve(m, "get_lame_version", get_version);
}

}  // namespace codec
