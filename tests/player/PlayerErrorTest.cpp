#include "player/PlayerError.h"

#include <errors.h>
#include <gtest/gtest.h>
#include <vfwmsgs.h>

namespace {

std::wstring Raised(HRESULT code) {
  try {
    CheckResult(code);
  } catch (const PlayerError& e) {
    EXPECT_EQ(e.Code(), code);
    return e.Text();
  }
  return L"(nothing raised)";
}

}  // namespace

TEST(CheckResult, SuccessCodesPass) {
  EXPECT_NO_THROW(CheckResult(S_OK));
  EXPECT_NO_THROW(CheckResult(S_FALSE));
  EXPECT_NO_THROW(CheckResult(VFW_S_DUPLICATE_NAME));
}

TEST(CheckResult, CommonCodesHaveFixedTexts) {
  EXPECT_EQ(Raised(E_NOINTERFACE), L"No interface.");
  EXPECT_EQ(Raised(E_POINTER), L"This method tried to access an invalid pointer.");
  EXPECT_EQ(Raised(E_ABORT), L"Operation aborted.");
  EXPECT_EQ(Raised(CLASS_E_NOAGGREGATION), L"This class cannot be created as part of an aggregate.");
  EXPECT_EQ(Raised(REGDB_E_CLASSNOTREG), L"A specified class is not registered in the registration database.");
  EXPECT_EQ(Raised(E_OUTOFMEMORY), L"Insufficient memory to complete the task.");
  EXPECT_EQ(Raised(E_INVALIDARG), L"One of the parameters is invalid.");
}

TEST(CheckResult, OtherCodesTakeTheFrameworksText) {
  // A partial render is a success code, and still an error for the player.
  for (HRESULT code : {VFW_E_UNSUPPORTED_STREAM, VFW_E_CANNOT_RENDER, VFW_S_PARTIAL_RENDER}) {
    wchar_t own[301] = {};
    ASSERT_GT(::AMGetErrorTextW(code, own, 300), 0u);
    EXPECT_EQ(Raised(code), own);
    EXPECT_EQ(ResultText(code), own);
  }
}

TEST(PlayerError, CarriesTextWideAndNarrow) {
  PlayerError e(player_text::kNoAudioStream);
  EXPECT_EQ(e.Text(), L"Specified file doesn't have any audio stream.");
  EXPECT_STREQ(e.what(), "Specified file doesn't have any audio stream.");
  EXPECT_EQ(e.Code(), E_FAIL);
  EXPECT_THROW(CheckWaveResult(MMSYSERR_INVALHANDLE), PlayerError);
  EXPECT_NO_THROW(CheckWaveResult(MMSYSERR_NOERROR));
  try {
    CheckWaveResult(MMSYSERR_NOTSUPPORTED);
  } catch (const PlayerError& w) {
    EXPECT_EQ(w.Text(), L"Player encountered unrecognized error value.");
  }
}
