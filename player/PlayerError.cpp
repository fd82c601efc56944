#include "player/PlayerError.h"

#include "base/Text.h"

#include <errors.h>
#include <vfwmsgs.h>

PlayerError::PlayerError(std::wstring text, HRESULT code)
    : text_(std::move(text)), narrow_(text::ToAnsi(text_)), code_(code) {}

std::wstring ResultText(HRESULT code) {
  switch (static_cast<unsigned long>(code)) {
    case 0x80004002UL: return L"No interface.";
    case 0x80004003UL: return L"This method tried to access an invalid pointer.";
    case 0x80004004UL: return L"Operation aborted.";
    case 0x80040110UL: return L"This class cannot be created as part of an aggregate.";
    case 0x80040154UL: return L"A specified class is not registered in the registration database.";
    case 0x8007000EUL: return L"Insufficient memory to complete the task.";
    case 0x80070057UL: return L"One of the parameters is invalid.";
    default: break;
  }
  wchar_t buffer[301] = {};
  DWORD length = ::AMGetErrorTextW(code, buffer, 300);
  if (length == 0 || buffer[0] == L'\0') return player_text::kUnrecognized;
  return std::wstring(buffer, wcsnlen(buffer, 300));
}

void CheckResult(HRESULT code) {
  if (code == S_OK || code == S_FALSE || code == VFW_S_DUPLICATE_NAME) return;
  throw PlayerError(ResultText(code), code);
}

void CheckWaveResult(MMRESULT code) {
  if (code != MMSYSERR_NOERROR) throw PlayerError(player_text::kUnrecognized, E_FAIL);
}
