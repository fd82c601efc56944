// The player's failures: an exception with a fixed English text, and the
// translation of framework result codes into such texts.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace player_text {
inline constexpr wchar_t kFileNotFound[] = L"The specified file can not be found.";
inline constexpr wchar_t kNoAudioStream[] = L"Specified file doesn't have any audio stream.";
inline constexpr wchar_t kDeviceNotConnected[] = L"Selected audio device not connected.";
inline constexpr wchar_t kInvalidDevice[] = L"Not a valid audio device specified.";
inline constexpr wchar_t kCannotAddFilter[] = L"Couldn't add the specified audio filter.";
inline constexpr wchar_t kUnrecognized[] = L"Player encountered unrecognized error value.";
}  // namespace player_text

class PlayerError : public std::exception {
public:
  explicit PlayerError(std::wstring text, HRESULT code = E_FAIL);
  // The text for display (the owner shows it with the wide window functions).
  const std::wstring& Text() const noexcept { return text_; }
  // The result code that caused it; E_FAIL for the player's own checks.
  HRESULT Code() const noexcept { return code_; }
  // The text in the ANSI code page.
  const char* what() const noexcept override { return narrow_.c_str(); }

private:
  std::wstring text_;
  std::string narrow_;
  HRESULT code_;
};

// The codes S_OK, S_FALSE and VFW_S_DUPLICATE_NAME pass; any other raises a
// PlayerError with ResultText(code).
void CheckResult(HRESULT code);
// The text CheckResult raises for a code: a fixed text for the common COM
// codes, else the framework's own text, else player_text::kUnrecognized.
std::wstring ResultText(HRESULT code);
// Wave output calls: any result but MMSYSERR_NOERROR raises kUnrecognized.
void CheckWaveResult(MMRESULT code);
