#include "core/KestrelErrors.h"

#include <utility>

#include "base/ModalScope.h"
#include "base/QuestionBox.h"
#include "base/Text.h"
#include "core/KestrelUtils.h"

namespace kestrel {
namespace {

MessagePresenter& Presenter() {
  static MessagePresenter p;
  return p;
}

ProgramEndHandler& EndHandler() {
  static ProgramEndHandler h;
  return h;
}

std::wstring& Title() {
  static std::wstring t = L"Vocorder";
  return t;
}

std::wstring Lower(std::wstring_view s) { return text::LowerAscii(s); }
std::wstring LowerApp(std::wstring_view p) { return text::LowerAscii(ResolveAppPath(p)); }

void Inform(BoxKind kind, std::wstring_view msg) { ShowBox(kind, BoxButtons::Ok, msg); }
bool Ask(BoxKind kind, std::wstring_view msg) { return ShowBox(kind, BoxButtons::YesNo, msg) == IDYES; }

}  // namespace

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
  return std::exchange(Presenter(), std::move(presenter));
}

int ShowMessageBox(HWND owner, std::wstring_view text, std::wstring_view caption, UINT type) {
  // A box asked for while the program closes is answered as by Esc.
  if (win::ModalScope::Ending()) return (type & MB_TYPEMASK) == MB_YESNO ? IDNO : IDCANCEL;
  win::ModalScope scope;
  if (Presenter()) return Presenter()(owner, text, caption, type);
  std::wstring t(text), c(caption);
  return win::SystemMessageBox(owner, t.c_str(), c.c_str(), type);
}

ProgramEndHandler SetProgramEndHandler(ProgramEndHandler handler) {
  return std::exchange(EndHandler(), std::move(handler));
}

void EndProgram() {
  if (EndHandler()) EndHandler()();
  ::ExitProcess(0);
}

void SetApplicationTitle(std::wstring_view title) { Title() = title; }
const std::wstring& ApplicationTitle() { return Title(); }

int ShowBox(BoxKind kind, BoxButtons buttons, std::wstring_view msg) {
  UINT type = 0;
  std::wstring_view caption;
  switch (kind) {
    case BoxKind::Warning: caption = L"Warning"; type |= MB_ICONEXCLAMATION; break;
    case BoxKind::Error: caption = L"Error"; type |= MB_ICONSTOP; break;
    case BoxKind::Information: caption = L"Information"; type |= MB_ICONINFORMATION; break;
    case BoxKind::Confirmation: caption = L"Confirm"; type |= MB_ICONQUESTION; break;
    case BoxKind::Plain: caption = Title(); break;
  }
  switch (buttons) {
    case BoxButtons::Ok: type |= MB_OK; break;
    case BoxButtons::YesNo: type |= MB_YESNO | MB_DEFBUTTON1; break;
    case BoxButtons::CancelRetry: type |= MB_RETRYCANCEL | MB_DEFBUTTON1; break;
  }
  HWND owner = ::GetActiveWindow();
  if (!owner) type |= MB_TASKMODAL;
  return ShowMessageBox(owner, msg, caption, type);
}

void ErrNoAudioDevices() {
  Inform(BoxKind::Error, L"There are no currently present audio devices.");
  EndProgram();
}

void ErrFileNotFound(std::wstring_view path, bool stop) {
  Inform(BoxKind::Error, L"Can not find the file,\r" + LowerApp(path));
  if (stop) EndProgram();
}

void ErrNoListFound() {
  Inform(BoxKind::Error, L"Can not find any of song lists specified in Player.ini.");
  EndProgram();
}

void ErrNotFoundInTree(std::wstring_view name) {
  Inform(BoxKind::Plain, L"Can not find the file in this directory and it's subdirectories,\r'" + Lower(name) + L"'");
}

void ErrPathNotFound(std::wstring_view path) { Inform(BoxKind::Error, L"Can not find the path,\r" + LowerApp(path)); }

void WarnInvalidPath(std::wstring_view name, std::wstring_view path) {
  Inform(BoxKind::Warning, L"Invalid path specified in " + std::wstring(name) + L"," + L"\r" + L"'" + Lower(path) +
                               L"'" + L"\r\r" + L"Note that if drive was not specified then it is made" + L"\r" +
                               L"relative to the playlist or application directory.");
}

void WarnNetworkPath(std::wstring_view path) {
  Inform(BoxKind::Warning, L"Sorry, NetWork paths are not supported,\r" + Lower(path));
}

void WarnLayoutIndex() { Inform(BoxKind::Warning, L"The specified layout index is out of the valid range."); }

void WarnIllegalSongs(std::wstring_view path, int count) {
  Inform(BoxKind::Warning, L"The following list contains " + text::FromInt(count) +
                               L" songs with illegal characters in their path, which were " + L"not included,\r" +
                               std::wstring(path));
}

void ErrSyntax(int line) {
  Inform(BoxKind::Error, L"Syntax error on line " + text::FromInt(line) + L" in settings file," + L"\r" +
                             LowerApp(L"Player.ini"));
  EndProgram();
}

void ErrArrayAlloc(bool stop) {
  Inform(BoxKind::Error,
         L"Error allocating memory for an array.\rThe task was not completed succesfuly, it may have caused some "
         L"complications.");
  if (stop) EndProgram();
}

void WarnRegistry() { Inform(BoxKind::Warning, L"Could't create or open a registry key!"); }

void ErrWriteFile(std::wstring_view path) {
  Inform(BoxKind::Error, L"Can not create or write to the file,\r" + std::wstring(path));
}

void WarnSongGone(std::wstring_view artist, std::wstring_view title) {
  Inform(BoxKind::Warning, L"The song for artist \"" + std::wstring(artist) + L"\" is no longer in the list," + L"\r" +
                               L"'" + std::wstring(title) + L"'");
}

void MsgSelectArtist() { Inform(BoxKind::Plain, L"Select an artist please!"); }
void MsgSelectSong() { Inform(BoxKind::Plain, L"Select a song please!"); }

void ShowDeviceError(HWND settingsDialog, std::wstring_view msg) {
  ShowMessageBox(settingsDialog, L"Device reported the following error:\r" + std::wstring(msg), L"Error",
                 MB_OK | MB_ICONSTOP);
}

DriveAnswer AskDriveRetry(std::wstring_view letter) {
  int r = ShowBox(BoxKind::Error, BoxButtons::CancelRetry, L"Drive '" + std::wstring(letter) + L"' is not accessible.");
  return r == IDRETRY ? DriveAnswer::Retry : DriveAnswer::Cancel;
}

bool AskRemoveSong(std::wstring_view songPath) {
  return Ask(BoxKind::Confirmation, L"Do you accept to remove this song from the list?\r\r\t" + Lower(songPath));
}

bool AskRewriteReadOnly(std::wstring_view path) {
  return Ask(BoxKind::Warning, L"This file is read-only, do you still wish to rewrite it?\r\r" + Lower(path));
}

bool AskPlayWithDevice() {
  return Ask(BoxKind::Confirmation,
             L"The selected device will be loaded the next time when playing a song,\rdo you want to start playing "
             L"the selected song now?");
}

bool AskForceDevice() {
  return Ask(BoxKind::Confirmation,
             L"Player didn't loaded the file with selected device, would you like to load it with force?");
}

bool AskContinueSearch(std::wstring_view path) {
  return Ask(BoxKind::Confirmation, L"One occurence found, continue to search for another?\r\r" + std::wstring(path));
}

bool AskEditDevice(std::wstring_view msg) {
  return Ask(BoxKind::Error, L"Device reported the following error:\r" + std::wstring(msg) + L"\r\r" +
                                 L"Would you like now to edit current device settings?");
}

}  // namespace kestrel
