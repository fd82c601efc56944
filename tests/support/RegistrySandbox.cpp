#include "RegistrySandbox.h"

#include <gtest/gtest.h>

#include "base/Registry.h"

namespace testing_support {
namespace {
int g_counter = 0;
}

RegistrySandbox::RegistrySandbox()
    : path_(L"Software\\VocorderTests\\R" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
            std::to_wstring(g_counter++)) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());  // left over by a crashed run
  LONG r = ::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, root_.put(),
                             nullptr);
  EXPECT_EQ(r, ERROR_SUCCESS) << "the scratch registry key";
  reg::SetUserRoot(root_.get());
}

RegistrySandbox::~RegistrySandbox() {
  reg::SetUserRoot(nullptr);
  root_.reset();
  ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

win::Key RegistrySandbox::CreateKey(const wchar_t* subkey, DWORD options) const {
  win::Key k;
  EXPECT_EQ(::RegCreateKeyExW(root_.get(), subkey, 0, nullptr, options, KEY_ALL_ACCESS, nullptr, k.put(), nullptr),
            ERROR_SUCCESS);
  return k;
}

void RegistrySandbox::SetString(const wchar_t* subkey, const wchar_t* name, const std::wstring& value) const {
  win::Key k = CreateKey(subkey);
  ::RegSetValueExW(k.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

void RegistrySandbox::SetDword(const wchar_t* subkey, const wchar_t* name, DWORD value) const {
  win::Key k = CreateKey(subkey);
  ::RegSetValueExW(k.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
}

void RegistrySandbox::SetDocumentsFolder(const std::wstring& folder) const {
  SetString(L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", L"Personal", folder);
}

}  // namespace testing_support
