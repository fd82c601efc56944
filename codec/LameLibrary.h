// Run-time binding to the LAME DLL. The program must start without it, so it
// is never linked through an import library: it is loaded from the folder of
// the module that holds this code (Vocorder.exe, a test program, or the
// machine-wide codec DLL in the system folder).
#pragma once

#include "base/WinHandles.h"

#include <lame/lame.h>

#include <memory>
#include <string>

namespace codec {

inline constexpr wchar_t kLameDllName[] = L"libmp3lame-0.dll";

class TLameLibrary {
public:
  // The library beside this module, loaded on first use and kept for the
  // life of the process; null when it is missing or lacks an entry point.
  static const TLameLibrary* Shared();
  // A library from a full path; null on failure.
  static std::unique_ptr<TLameLibrary> Load(const std::wstring& path);
  // The folder of the module holding this code, with a trailing backslash.
  static std::wstring ModuleFolder();

  TLameLibrary(const TLameLibrary&) = delete;
  TLameLibrary& operator=(const TLameLibrary&) = delete;

  decltype(&::lame_init) init = nullptr;
  decltype(&::lame_close) close = nullptr;
  decltype(&::lame_set_in_samplerate) set_in_samplerate = nullptr;
  decltype(&::lame_set_out_samplerate) set_out_samplerate = nullptr;
  decltype(&::lame_set_num_channels) set_num_channels = nullptr;
  decltype(&::lame_set_mode) set_mode = nullptr;
  decltype(&::lame_set_brate) set_brate = nullptr;
  decltype(&::lame_set_VBR) set_VBR = nullptr;
  decltype(&::lame_set_quality) set_quality = nullptr;
  decltype(&::lame_set_bWriteVbrTag) set_bWriteVbrTag = nullptr;
  decltype(&::lame_set_write_id3tag_automatic) set_write_id3tag_automatic = nullptr;
  decltype(&::lame_set_errorf) set_errorf = nullptr;
  decltype(&::lame_set_debugf) set_debugf = nullptr;
  decltype(&::lame_set_msgf) set_msgf = nullptr;
  decltype(&::lame_init_params) init_params = nullptr;
  decltype(&::lame_encode_buffer) encode_buffer = nullptr;
  decltype(&::lame_encode_flush) encode_flush = nullptr;
  decltype(&::get_lame_version) get_version = nullptr;

private:
  TLameLibrary() = default;
  bool Bind();

  win::Module module_;
};

}  // namespace codec
