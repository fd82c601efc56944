// A main window created in the test process over real controls, a real
// player and a scratch registry: the per-user stores point at a key of the
// test's own, whose shell folders name a scratch documents folder.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

#include "MessageSeam.h"
#include "Pump.h"
#include "RegistrySandbox.h"
#include "Seams.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "base/WinHandles.h"

namespace testing_support {

// Answers the main window's open-file dialog for one scope.
using OpenFileSeam = ScopedSeam<&app::SetOpenFileDialog, app::OpenFileDialog>;

class WindowTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the list file (one path per line) and loads it as start-up does.
  void UseList(const std::vector<std::wstring>& paths);
  // A copy of a fixture under a new name in a folder.
  std::wstring Recording(const ScratchDir& dir, const std::wstring& name, const wchar_t* fixture = L"shortrec.mp3");
  // Creates the window as the program does.
  void MakeWindow(const std::function<void()>& afterShown = {});
  // A click, and what it posted for later.
  void Click(int id);
  std::wstring Text(int id);
  std::vector<std::wstring> Items(int comboId);
  int Selected(int comboId);

  ScratchDir home{L"home"};   // the list file lives here
  ScratchDir docs{L"docs"};   // the user's documents folder
  ScratchDir recs{L"recs"};   // a recordings folder
  MessageSeam seam;
  std::unique_ptr<app::TfrmVocorder> window;
  RegistrySandbox registry;  // the per-user stores' root
};

}  // namespace testing_support
