// The program's fixed message boxes. Every box goes through one seam,
// `ShowMessageBox`, which shows the real system box unless a test has put a
// presenter of its own in its place; "the program ends" goes through
// `EndProgram`, which a test can turn into an exception.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace kestrel {

// Arguments as MessageBoxW takes them; the result is the button's id (IDOK...).
using MessagePresenter = std::function<int(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type)>;

// Installs a presenter (an empty one restores the system box); returns the old one.
MessagePresenter SetMessagePresenter(MessagePresenter presenter);
// A modal box (win::ModalScope), shown by the presenter when there is one.
int ShowMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type);

// Ends the process with exit code 0. A test may install a handler that throws
// instead; if the handler returns, the process ends anyway.
using ProgramEndHandler = std::function<void()>;
ProgramEndHandler SetProgramEndHandler(ProgramEndHandler handler);
[[noreturn]] void EndProgram();

// The application title, shown as the caption of plain boxes.
void SetApplicationTitle(std::wstring_view title);
const std::wstring& ApplicationTitle();

enum class BoxKind { Warning, Error, Information, Confirmation, Plain };
enum class BoxButtons { Ok, YesNo, CancelRetry };
// Shows one box of a kind, owned by the active window; returns the button id.
int ShowBox(BoxKind kind, BoxButtons buttons, std::wstring_view text);

// Messages that inform.
void ErrNoAudioDevices();
void ErrFileNotFound(std::wstring_view path, bool stop);
void ErrNoListFound();
void ErrNotFoundInTree(std::wstring_view name);
void ErrPathNotFound(std::wstring_view path);
void WarnInvalidPath(std::wstring_view name, std::wstring_view path);
void WarnNetworkPath(std::wstring_view path);
void WarnLayoutIndex();
void WarnIllegalSongs(std::wstring_view path, int count);
void ErrSyntax(int line);
// An array could not grow. At start-up (stop) the program ends; while the
// window runs the caller reports the failure and goes on without the entry.
void ErrArrayAlloc(bool stop);
void WarnRegistry();
void ErrWriteFile(std::wstring_view path);
void WarnSongGone(std::wstring_view artist, std::wstring_view title);
void MsgSelectArtist();
void MsgSelectSong();
void ShowDeviceError(HWND settingsDialog, std::wstring_view text);

// Questions.
enum class DriveAnswer { Retry, Cancel };
DriveAnswer AskDriveRetry(std::wstring_view letter);
bool AskRemoveSong(std::wstring_view songPath);
bool AskRewriteReadOnly(std::wstring_view path);
bool AskPlayWithDevice();
bool AskForceDevice();
bool AskContinueSearch(std::wstring_view path);
bool AskEditDevice(std::wstring_view text);

}  // namespace kestrel
