// A scratch registry for one test: a fresh key under HKEY_CURRENT_USER that
// the program's per-user stores (settings, "Sets", shell folders) use as
// their root through reg::SetUserRoot, removed with the object.
//
// Not RegOverridePredefKey: with HKEY_CURRENT_USER redirected, Wine's
// DirectShow no longer finds its filters and every RenderFile fails.
#pragma once

#include <windows.h>

#include <string>

#include "base/WinHandles.h"

namespace testing_support {

class RegistrySandbox {
public:
  RegistrySandbox();
  ~RegistrySandbox();
  RegistrySandbox(const RegistrySandbox&) = delete;
  RegistrySandbox& operator=(const RegistrySandbox&) = delete;

  // What the program sees as HKEY_CURRENT_USER.
  HKEY root() const { return root_.get(); }
  // A key below the root, created with its parents.
  win::Key CreateKey(const wchar_t* subkey, DWORD options = 0) const;
  void SetString(const wchar_t* subkey, const wchar_t* name, const std::wstring& value) const;
  void SetDword(const wchar_t* subkey, const wchar_t* name, DWORD value) const;
  // "Personal" of the user's shell folders.
  void SetDocumentsFolder(const std::wstring& folder) const;

private:
  std::wstring path_;
  win::Key root_;
};

}  // namespace testing_support
