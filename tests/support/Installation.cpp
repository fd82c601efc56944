#include "Installation.h"

#include "Program.h"
#include "TestSupport.h"

namespace e2e {

using namespace std::chrono_literals;

std::wstring SetupProgram() {
  return testing_support::BuildDir() + L"\\installer\\" +
         (sizeof(void*) == 8 ? L"VocorderSetup-x86_64.exe" : L"VocorderSetup.exe");
}

std::optional<DWORD> Uninstall(const std::wstring& folder, const std::wstring& options) {
  desktop::Program uninstaller(folder + L"\\Uninstall.exe", L"/S" + options, testing_support::BuildDir());
  std::optional<DWORD> code = uninstaller.WaitForExit(120s);
  if (code && !desktop::WaitForProcesses(desktop::ChildrenOf(uninstaller.id()), 120s)) return std::nullopt;
  return code;
}

Installation::Installation(std::wstring folder) : folder_(std::move(folder)) {
  exitCode_ = desktop::RunToEnd(SetupProgram(), folder_ == kInstallFolder ? L"/S" : L"/S /D=" + folder_);
}

// A test that stopped half-way leaves no installation to the next one or to
// the add-in's tests, which share the prefix.
Installation::~Installation() {
  desktop::EndProcessesOf(Exe());
  if (!testing_support::FileExists(folder_ + L"\\Uninstall.exe")) return;
  testing_support::SetFolderWritable(folder_, true);
  Uninstall(folder_);
}

}  // namespace e2e
