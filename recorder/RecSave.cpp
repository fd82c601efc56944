#include "recorder/RecSave.h"

#include <optional>
#include <utility>
#include <vector>

#include "base/Files.h"
#include "base/InputBox.h"
#include "base/Registry.h"
#include "base/Text.h"
#include "core/KestrelErrors.h"
#include "core/KestrelUtils.h"
#include "lists/ListFile.h"
#include "recorder/RecPaths.h"
#include "recorder/RecTexts.h"

namespace recorder {
namespace {

// The text of a file that cannot be opened, as the standard file-open
// failure reads.
std::wstring FileOpenError(const std::wstring& path) {
  DWORD code = ::GetLastError();
  wchar_t* sys = nullptr;
  ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code ? code : ERROR_FILE_NOT_FOUND, 0, reinterpret_cast<wchar_t*>(&sys), 0, nullptr);
  std::wstring reason = sys ? std::wstring(text::TrimRight(sys)) : std::wstring();
  if (sys) ::LocalFree(sys);
  return L"Cannot open file \"" + path + L"\". " + reason;
}

std::optional<ULONGLONG> FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA info{};
  if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return (static_cast<ULONGLONG>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
}

bool Listed(const std::vector<std::wstring>& lines, const std::wstring& path) {
  for (const std::wstring& line : lines)
    if (text::Same(line, path)) return true;
  return false;
}

std::optional<std::vector<std::wstring>> ReadList(HWND owner, const std::wstring& listFile) {
  std::optional<std::vector<std::wstring>> lines = kestrel::ReadListFile(listFile);
  if (!lines)
    kestrel::ShowMessageBox(owner, FileOpenError(listFile), kestrel::ApplicationTitle(), MB_OK | MB_ICONSTOP);
  return lines;
}

}  // namespace

bool CheckListFile(HWND owner) { return ReadList(owner, CurrentListFile()).has_value(); }

TDictationSaver::TDictationSaver(HWND owner, TAsk ask, std::function<bool()> cancelled)
    : owner_(owner), ask_(std::move(ask)), cancelled_(std::move(cancelled)) {}

TSaved TDictationSaver::Save(const std::wstring& temporary) {
  const std::wstring listFile = CurrentListFile();
  const std::optional<std::vector<std::wstring>> lines = ReadList(owner_, listFile);
  if (!lines) return TSaved::Failed;
  if (!kestrel::FileExists(temporary)) return TSaved::Cancelled;
  const std::wstring folder = RecordingsFolder(*lines, reg::UserStore().Read(L"Dir_MP3s"), reg::DocumentsFolder());
  const std::optional<std::wstring> target = AskTarget(folder);
  if (!target) return TSaved::Cancelled;

  // The window under the prompt is drawn again before the copy holds it.
  ::UpdateWindow(owner_);
  HCURSOR old = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  const bool copied = Copy(temporary, *target, kestrel::FileExists(*target));
  ::SetCursor(old);
  if (!copied) {
    ask_(texts::CopyFailed(*target), MB_OK | MB_ICONSTOP);
    return TSaved::Failed;
  }
  // A failed append has been reported; the recording is saved all the same.
  if (!Listed(*lines, *target)) kestrel::AppendListLine(listFile, *target);
  return TSaved::Saved;
}

std::optional<std::wstring> TDictationSaver::AskTarget(const std::wstring& folder) {
  std::wstring typed;
  for (;;) {
    std::optional<std::wstring> answer =
        win::InputQuery(owner_, texts::kNameCaption, texts::kNamePrompt, typed);
    if (cancelled_() || !answer || answer->empty()) return std::nullopt;
    typed = *answer;
    if (!IsUsableName(typed)) {
      ask_(texts::UnusableName(typed), MB_OK | MB_ICONEXCLAMATION);
      if (cancelled_()) return std::nullopt;
      continue;
    }
    const std::wstring target = TargetName(folder, typed);
    if (!kestrel::FileExists(target)) return target;
    // Asked here rather than by the shell, whose "No" cannot be told from
    // a copy that was made.
    const int replace = ask_(texts::AskReplace(target), MB_YESNO | MB_ICONQUESTION);
    if (cancelled_()) return std::nullopt;
    if (replace == IDYES) return target;
  }
}

bool TDictationSaver::Copy(const std::wstring& temporary, const std::wstring& target, bool replace) {
  const files::ShellCopyResult copy = files::ShellCopy(temporary, target, {.replace = replace});
  // The shell's own answer and a target as long as the recording decide: a
  // copy cut short (a full disk) is no saved dictation.
  const std::optional<ULONGLONG> from = FileSize(temporary), to = FileSize(target);
  if (copy.done && from && to && *from == *to) return true;
  // What a failed copy left under a new name is no recording of the user's.
  if (!replace && to) ::DeleteFileW(target.c_str());
  return false;
}

}  // namespace recorder
