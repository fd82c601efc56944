// The settings dialog through its real controls, over a real player and a
// scratch registry; the main window's part is played by a small host.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "DialogDriver.h"
#include "Environments.h"
#include "MessageSeam.h"
#include "Pump.h"
#include "RegistrySandbox.h"
#include "Seams.h"
#include "TestSupport.h"
#include "base/WinHandles.h"
#include "core/globals.h"
#include "player/AudioDevices.h"
#include "player/TPlayer.h"
#include "settings/DevicePage.h"
#include "settings/KestrelLayouts.h"
#include "settings/KestrelSettings.h"
#include "settings/PedalPage.h"
#include "settings/PedalSettings.h"
#include "settings/SettingsDialog.h"
#include "settings/TypingPage.h"

using namespace kestrel;
using namespace kestrel::form2;
using testing_support::DialogDriver;
using testing_support::MessageSeam;

namespace {

[[maybe_unused]] auto* g_env = ::testing::AddGlobalTestEnvironment(new testing_support::PlayerModuleEnvironment);

using CapsSeam = testing_support::ScopedSeam<&SetWaveOutCapsReader, WaveOutCapsReader>;

constexpr int64_t kSecond = 10'000'000;
const std::wstring kKeyError = L"Could't create or open a registry key!";

class Host : public ISettingsHost {
public:
  Host() { window_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 100, 100, 300, 40, nullptr, nullptr, nullptr, nullptr); }
  ~Host() override { ::DestroyWindow(window_); }
  HWND MainHandle() override { return window_; }
  bool RecordingSelected() override { return !path.empty(); }
  std::wstring SelectedRecordingPath() override { return path; }
  void ClickPlay() override { ++plays; }
  bool PlayerTellsTimes() override { return true; }
  void SetTimeEditEnabled(bool) override {}
  services::IPedalSource* Pedals() override { return pedals; }

  std::wstring path;
  int plays = 0;
  services::IPedalSource* pedals = nullptr;

private:
  HWND window_;
};

class SettingsDialog : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_GE(AudioDeviceNames.size(), 2u) << "the tests need two output devices";
    Settings = TSettings{};
    LayoutIndex = -1;
  }
  // Start-up as the program does it: the stored settings, then the player's
  // device fields from them.
  void Start() {
    LoadSettings();
    player.SelectedDevice = DeviceIndexOf(Settings.DeviceName);
    player.ForceDevice = Settings.ForceDevice;
    player.DeviceVolume = Settings.DeviceVolume;
  }
  void Open(const DialogDriver::Script& script, int page = -1) {
    DialogDriver::Run([&] { form.Execute(page); }, script);
  }
  // The selected row of the device list, as a click on it would leave it.
  void ChooseDevice(int index) {
    HWND list = form.Control(idDevices);
    ::SendMessageW(list, LB_SETCURSEL, index, 0);
    ::SendMessageW(::GetParent(list), WM_COMMAND, MAKEWPARAM(idDevices, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
  }
  int SelectedDevice() { return static_cast<int>(::SendMessageW(form.Control(idDevices), LB_GETCURSEL, 0, 0)); }
  void Press(int id) { ::SendMessageW(form.Control(id), BM_CLICK, 0, 0); }
  bool Checked(int id) { return ::SendMessageW(form.Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  std::wstring Text(int id) {
    wchar_t buf[256] = L"";
    ::GetWindowTextW(form.Control(id), buf, 256);
    return buf;
  }
  bool KeyExists() {
    win::Key k;
    return ::RegOpenKeyExW(registry.root(), kSettingsKey, 0, KEY_READ, k.put()) == ERROR_SUCCESS;
  }
  std::optional<DWORD> Dword(const wchar_t* name) {
    DWORD v = 0, size = sizeof v;
    if (::RegGetValueW(registry.root(), kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
      return std::nullopt;
    return v;
  }
  // The other device than the one the player uses.
  int OtherDevice() { return player.CurrentDevice() == 0 ? 1 : 0; }

  testing_support::RegistrySandbox registry;
  MessageSeam seam;
  Host host;
  TPlayer player{host.MainHandle()};
  TForm2 form{host, player};
};

TEST_F(SettingsDialog, DefaultThenCancelChangesNothing) {
  registry.SetDword(kSettingsKey, L"AlwaysTop", 1);
  registry.SetDword(kSettingsKey, L"Sort", 0);
  registry.SetDword(kSettingsKey, L"ForceDevice", 1);
  registry.SetDword(kSettingsKey, L"DeviceVolume", 0);
  registry.SetString(kSettingsKey, L"DeviceName", AudioDeviceNames[1]);
  Start();
  const TSettings before = Settings;
  Open([&](DialogDriver& d) {
    EXPECT_EQ(d.Caption(), L"Vocorder - nastavenia");
    EXPECT_EQ(SelectedDevice(), 1);
    EXPECT_TRUE(Checked(idForceDevice));
    Press(idDefault);
    EXPECT_EQ(SelectedDevice(), 0);
    EXPECT_FALSE(Checked(idForceDevice));
    EXPECT_TRUE(Checked(idDeviceVolume));
    EXPECT_FALSE(Checked(idTop));
    EXPECT_TRUE(Checked(idSort));
    EXPECT_FALSE(player.ForceDevice);  // the boxes reach the player at once
    d.Press(idCancel);
  });
  EXPECT_FALSE(::IsWindowVisible(form.Handle()));
  EXPECT_TRUE(Settings.AlwaysTop);
  EXPECT_FALSE(Settings.Sort);
  EXPECT_EQ(Settings.DeviceName, before.DeviceName);
  EXPECT_TRUE(Settings.ForceDevice);
  EXPECT_FALSE(Settings.DeviceVolume);
  EXPECT_EQ(Dword(L"AlwaysTop"), 1u);
  EXPECT_EQ(Dword(L"Sort"), 0u);
  EXPECT_EQ(Dword(L"ForceDevice"), 1u);
  EXPECT_EQ(player.SelectedDevice, 1);
  EXPECT_TRUE(player.ForceDevice);
  EXPECT_FALSE(player.DeviceVolume);
  EXPECT_TRUE(seam.boxes.empty());
}

TEST_F(SettingsDialog, DefaultThenSaveOnAnUntouchedInstallationLeavesNoKey) {
  Start();
  Open([&](DialogDriver& d) {
    Press(idDefault);
    d.Key(VK_RETURN);  // Enter saves, whichever control has the focus
  });
  EXPECT_FALSE(KeyExists());
  EXPECT_TRUE(Settings.DeviceName.empty());
  EXPECT_TRUE(seam.boxes.empty());
  EXPECT_FALSE(::IsWindowVisible(form.Handle()));
}

TEST_F(SettingsDialog, StoredShuffleWinsOverStoredSort) {
  registry.SetDword(kSettingsKey, L"EnableRandom", 1);
  registry.SetDword(kSettingsKey, L"Sort", 1);
  Start();
  Open([&](DialogDriver& d) {
    EXPECT_TRUE(Checked(idRandom));
    EXPECT_FALSE(Checked(idSort));
    EXPECT_TRUE(::IsWindowEnabled(form.Control(idRandomTimes)));
    d.Press(idSave);
  });
  EXPECT_FALSE(Settings.Sort);
  EXPECT_TRUE(Settings.EnableRandom);
  EXPECT_EQ(Dword(L"Sort"), 0u);
  EXPECT_EQ(Dword(L"EnableRandom"), 1u);
}

TEST_F(SettingsDialog, AStoredDeviceThatIsGoneSelectsTheFirst) {
  registry.SetString(kSettingsKey, L"DeviceName", L"A device unplugged long ago");
  Start();
  Open([&](DialogDriver& d) {
    EXPECT_EQ(SelectedDevice(), 0);
    ChooseDevice(1);
    Press(SpeedButton1);  // "Preferované" goes back to what is stored
    EXPECT_EQ(SelectedDevice(), 0);
    EXPECT_EQ(d.Focus(), form.Control(idNull));
    d.Key(VK_ESCAPE);
  });
  EXPECT_FALSE(::IsWindowVisible(form.Handle()));
  // Saved untouched, the name stays for the device's return; the first device chosen is stored.
  Open([&](DialogDriver& d) { d.Press(idSave); });
  EXPECT_EQ(Settings.DeviceName, L"A device unplugged long ago");
  Open([&](DialogDriver& d) { ChooseDevice(0), d.Press(idSave); });
  EXPECT_EQ(Settings.DeviceName, AudioDeviceNames[0]);
}

// Enter or Esc in an open drop-down closes the list; the next is the dialog's.
TEST_F(SettingsDialog, EnterOrEscInAnOpenDropDownClosesOnlyTheList) {
  Start();
  auto dropDownThen = [&](int speedRow, UINT first, UINT second) {
    Open([&](DialogDriver& d) {
      HWND speed = form.Control(typing::idSpeed);
      ::SendMessageW(speed, CB_SETCURSEL, speedRow, 0);
      ::SetFocus(speed);
      ::SendMessageW(speed, CB_SHOWDROPDOWN, TRUE, 0);
      d.Key(first), d.Key(second);
    }, TForm2::kTypingPage);
  };
  dropDownThen(4, VK_ESCAPE, VK_RETURN);
  EXPECT_EQ(Dword(L"Speed"), 70u);
  dropDownThen(6, VK_RETURN, VK_ESCAPE);
  EXPECT_EQ(Dword(L"Speed"), 70u);
}

TEST_F(SettingsDialog, DriverVersionAndQualityOfTheSelectedDevice) {
  EXPECT_EQ(QualityText(WAVE_FORMAT_1M08 | WAVE_FORMAT_4S16 | WAVE_FORMAT_2M08), L"44.1 kHz, stereo, 16-bit");
  EXPECT_EQ(QualityText(WAVE_FORMAT_1M08 | WAVE_FORMAT_1S08), L"11.025 kHz, stereo, 8-bit");
  EXPECT_EQ(QualityText(0), L"not available");
  CapsSeam caps([](UINT device, WAVEOUTCAPSW& c) {
    if (device != 1) return false;
    c.vDriverVersion = 0x0003050A;  // only the low word counts
    c.dwFormats = WAVE_FORMAT_2M08;
    return true;
  });
  Start();
  Open([&](DialogDriver& d) {
    ChooseDevice(1);
    EXPECT_EQ(Text(idDriverVersion), L"5.10");
    EXPECT_EQ(Text(idQuality), L"22.05 kHz, mono, 8-bit");
    ChooseDevice(0);
    EXPECT_EQ(Text(idDriverVersion), L"not available");
    EXPECT_EQ(Text(idQuality), L"");
    d.Press(idCancel);
  });
}

TEST_F(SettingsDialog, ATrialMovesPlaybackAndCancelPutsItBack) {
  Start();
  host.path = testing_support::FixturePath(L"speechrec.mp3");
  player.Open(host.path);
  player.SetPosition(3 * kSecond);
  player.Play();
  const int first = player.CurrentDevice();
  ASSERT_GE(first, 0);
  const int other = OtherDevice();
  Open([&](DialogDriver& d) {
    ChooseDevice(other);
    Press(idDeviceSelect);
    // Not forced, the player kept its device: the question, answered Yes.
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.last().text, L"Player didn't loaded the file with selected device, would you like to load it with force?");
    EXPECT_EQ(seam.last().buttons(), static_cast<UINT>(MB_YESNO));
    EXPECT_TRUE(Checked(idForceDevice));
    EXPECT_TRUE(player.ForceDevice);
    EXPECT_EQ(player.CurrentDevice(), other);
    EXPECT_EQ(player.State(), PlayerState::Running);
    EXPECT_GE(player.GetPosition(), 3 * kSecond);
    EXPECT_LT(player.GetPosition(), 5 * kSecond);
    EXPECT_EQ(host.plays, 0);
    d.Press(idCancel);
  });
  EXPECT_FALSE(player.ForceDevice);
  EXPECT_EQ(player.SelectedDevice, 0);
  EXPECT_EQ(player.CurrentDevice(), first);
  EXPECT_EQ(player.State(), PlayerState::Running);
  EXPECT_GE(player.GetPosition(), 3 * kSecond);
  EXPECT_FALSE(Settings.ForceDevice);
  EXPECT_FALSE(KeyExists());
}

TEST_F(SettingsDialog, ATrialWhileStoppedOffersToPlay) {
  Start();
  host.path = testing_support::FixturePath(L"speechrec.mp3");
  seam.answers = {IDYES, IDNO};
  Open([&](DialogDriver& d) {
    ChooseDevice(1);
    Press(idDeviceSelect);
    ASSERT_EQ(seam.boxes.size(), 2u);
    EXPECT_EQ(seam.boxes[0].text, L"The selected device will be loaded the next time when playing a song,\r"
                                  L"do you want to start playing the selected song now?");
    EXPECT_EQ(host.plays, 1);
    // The host's play opened nothing: the force question, answered No.
    EXPECT_EQ(seam.boxes[1].text.rfind(L"Player didn't loaded the file", 0), 0u);
    EXPECT_FALSE(Checked(idForceDevice));
    EXPECT_EQ(player.SelectedDevice, 1);
    d.Press(idCancel);
  });
  EXPECT_EQ(player.SelectedDevice, 0);
}

TEST_F(SettingsDialog, SaveThatCannotCreateTheKeyKeepsTheDialogOpen) {
  // A volatile parent refuses the non-volatile settings key.
  win::Key parent;
  ASSERT_EQ(::RegCreateKeyExW(registry.root(), L"Software\\Tarnwell", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                              nullptr, parent.put(), nullptr),
            ERROR_SUCCESS);
  Start();
  Open([&](DialogDriver& d) {
    Press(idForceDevice);
    d.Press(idSave);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_EQ(seam.last().text, kKeyError);
    EXPECT_TRUE(::IsWindowVisible(d.Window()));
    EXPECT_FALSE(Settings.ForceDevice);
    d.Press(idCancel);
  });
  EXPECT_FALSE(::IsWindowVisible(form.Handle()));
}

}  // namespace

// The page "Prepis" through its controls: it shows the defaults, refuses a
// hot key that the system will not give (another window holds it), and its
// values are stored only while they differ from their defaults.
TEST_F(SettingsDialog, TheTranscriptionPageRefusesAHotKeyTheSystemHoldsAndStoresOnlyChanges) {
  using namespace kestrel::typing;
  constexpr WORD kCtrlShift = 0x4000 | 0x2000;
  ASSERT_TRUE(::RegisterHotKey(host.MainHandle(), 1, MOD_CONTROL | MOD_SHIFT, VK_F11));
  Start();
  auto setHotKey = [&](WORD code, int id = idStampHotKey) {
    HWND hk = form.Control(id);
    ::SendMessageW(hk, HKM_SETHOTKEY, HotKeyControlFromShortcut(code), 0);
    ::SendMessageW(::GetParent(hk), WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), reinterpret_cast<LPARAM>(hk));
  };
  auto shownHotKey = [&](int id = idStampHotKey) {
    return ShortcutFromHotKeyControl(static_cast<WORD>(::SendMessageW(form.Control(id), HKM_GETHOTKEY, 0, 0)));
  };
  auto combo = [&](int id) { return static_cast<int>(::SendMessageW(form.Control(id), CB_GETCURSEL, 0, 0)); };
  Open([&](DialogDriver& d) {
    HWND tabs = form.Control(idPages);
    ASSERT_EQ(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 3);
    wchar_t caption[32] = L"";
    TCITEMW item{TCIF_TEXT};
    item.pszText = caption;
    item.cchTextMax = 32;
    ::SendMessageW(tabs, TCM_GETITEMW, 1, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(caption, L"Prepis");
    // A click on the tab.
    ::SendMessageW(tabs, TCM_SETCURSEL, 1, 0);
    NMHDR n{tabs, static_cast<UINT_PTR>(idPages), static_cast<UINT>(TCN_SELCHANGE)};
    ::SendMessageW(form.Handle(), WM_NOTIFY, idPages, reinterpret_cast<LPARAM>(&n));
    ASSERT_TRUE(::IsWindowVisible(form.Control(idResumeRewind)));

    EXPECT_EQ(Text(idResumeRewind), L"1,0");
    EXPECT_EQ(Text(idSpeed), L"100 %");
    EXPECT_EQ(shownHotKey(idSlowerHotKey), 0x8000 | 0x2000 | VK_NEXT);
    EXPECT_TRUE(Checked(idStampBrackets));
    EXPECT_EQ(combo(idStampMillis), 0);
    EXPECT_EQ(shownHotKey(), 0x4000 | VK_INSERT);
    EXPECT_EQ(shownHotKey(idReplayHotKey), 0x4000 | 0x8000 | VK_SPACE);
    EXPECT_EQ(Text(idReplaySeconds), L"5 s");

    setHotKey(kCtrlShift | VK_F11);
    ASSERT_EQ(seam.boxes.size(), 1u);
    EXPECT_NE(seam.last().text.find(L"Ctrl+Shift+F11 systém odmietol"), std::wstring::npos) << seam.last().text;
    EXPECT_EQ(seam.last().icon(), static_cast<UINT>(MB_ICONWARNING));
    EXPECT_EQ(shownHotKey(), 0x4000 | VK_INSERT);

    // A key without Ctrl or Alt, and a fixed key, each with its own reason;
    // a pedal's F13 is taken.
    setHotKey(VK_F8);
    EXPECT_NE(seam.last().text.find(L"F8 nemá Ctrl ani Alt"), std::wstring::npos) << seam.last().text;
    setHotKey(0x4000 | VK_SPACE);
    EXPECT_NE(seam.last().text.find(L"natrvalo"), std::wstring::npos) << seam.last().text;
    setHotKey(VK_F13, idFasterHotKey);
    ASSERT_EQ(seam.boxes.size(), 3u);

    setHotKey(kCtrlShift | VK_F10);
    // One combination for two actions is refused too.
    setHotKey(kCtrlShift | VK_F10, idSlowerHotKey);
    ASSERT_EQ(seam.boxes.size(), 4u);
    EXPECT_NE(seam.last().text.find(L"je už priradená"), std::wstring::npos) << seam.last().text;
    EXPECT_EQ(shownHotKey(idSlowerHotKey), 0x8000 | 0x2000 | VK_NEXT);
    ::SendMessageW(form.Control(idResumeRewind), CB_SETCURSEL, 3, 0);
    ::SendMessageW(form.Control(idSpeed), CB_SETCURSEL, 4, 0);  // 70 %
    ::SendMessageW(form.Control(idReplaySeconds), CB_SETCURSEL, 5, 0);
    Press(idStampBrackets);
    d.Press(idSave);
  });
  EXPECT_EQ(seam.boxes.size(), 4u);
  EXPECT_EQ(Dword(L"FasterHotKey"), static_cast<DWORD>(VK_F13));
  EXPECT_EQ(Settings.ResumeRewind, 1500);
  EXPECT_EQ(Dword(L"Speed"), 70u);
  EXPECT_EQ(Dword(L"ReplaySeconds"), 8u);
  EXPECT_FALSE(Settings.StampBrackets);
  EXPECT_EQ(Settings.StampHotKey, kCtrlShift | VK_F10);
  EXPECT_EQ(Dword(L"ResumeRewind"), 1500u);
  EXPECT_EQ(Dword(L"StampBrackets"), 0u);
  EXPECT_EQ(Dword(L"StampHotKey"), static_cast<DWORD>(kCtrlShift | VK_F10));
  EXPECT_FALSE(Dword(L"StampMillis"));

  // Default, then Save: nothing differs any more, so nothing is left.
  Open([&](DialogDriver& d) {
    EXPECT_EQ(Text(idResumeRewind), L"1,5");
    Press(idDefault);
    EXPECT_EQ(shownHotKey(), 0x4000 | VK_INSERT);
    d.Press(idSave);
  });
  EXPECT_FALSE(KeyExists());
  EXPECT_EQ(Settings.ResumeRewind, 1000);
  EXPECT_EQ(Settings.StampHotKey, 0x4000 | VK_INSERT);
  ::UnregisterHotKey(host.MainHandle(), 1);
}

namespace {

// Pedals pressed by the test, as the raw input component would report them.
struct TestPedals : services::IPedalSource {
  services::PedalSet Pressed() const override { return pressed; }
  std::wstring DeviceName() const override { return name; }
  void Subscribe(services::IPedalObserver& o) override { observer = &o; }
  void Unsubscribe(services::IPedalObserver&) override { observer = nullptr; }
  void Press(services::PedalSet now) {
    pressed = now;
    if (observer) observer->PedalDeviceChanged(), observer->PedalsChanged(now);
  }
  services::PedalSet pressed = 0;
  std::wstring name;
  services::IPedalObserver* observer = nullptr;
};

}  // namespace

// The page "Pedál": each pedal lights while it is down, the pedal found is
// named, and a changed mapping is stored only while it differs.
TEST_F(SettingsDialog, ThePedalPageLightsThePressedPedalsAndStoresTheMapping) {
  using namespace kestrel::pedal;
  using services::PedalBit;
  TestPedals pedals;
  host.pedals = &pedals;
  registry.SetDword(kSettingsKey, L"PedalMiddle", 9);  // no action of ours: the default stays
  Start();
  Open([&](DialogDriver& d) {
    form.SelectPage(5);
    ASSERT_TRUE(::IsWindowVisible(form.Control(idPedalLeft)));
    EXPECT_EQ(Text(idPedalMiddle), L"prehrávať");
    EXPECT_NE(Text(idPedalDevice).find(L"neozval"), std::wstring::npos);
    pedals.name = L"VEC USB Footpedal";
    pedals.Press(PedalBit(0) | PedalBit(2));
    EXPECT_NE(Text(idPedalDevice).find(L"VEC USB Footpedal"), std::wstring::npos);
    EXPECT_EQ(Text(idPedalLeftLight), L"stlačený");
    EXPECT_EQ(Text(idPedalMiddleLight), L"");
    EXPECT_EQ(Text(idPedalBothLight), L"stlačený");
    pedals.Press(0);
    EXPECT_EQ(Text(idPedalLeftLight), L"");
    // A pedal marked the other way round.
    ::SendMessageW(form.Control(idPedalLeft), CB_SETCURSEL, 3, 0);
    ::SendMessageW(form.Control(idPedalRight), CB_SETCURSEL, 2, 0);
    Press(idPedalToggle);
    d.Press(idSave);
  });
  EXPECT_EQ(pedals.observer, nullptr);  // not followed while the dialog is closed
  const services::PedalMapping m = PedalMappingOf(Settings);
  EXPECT_EQ(m.pedal[0], services::PedalAction::Forward);
  EXPECT_EQ(m.pedal[2], services::PedalAction::Rewind);
  EXPECT_FALSE(m.hold);
  EXPECT_EQ(Dword(L"PedalLeft"), 3u);
  EXPECT_EQ(Dword(L"PedalHold"), 0u);
  EXPECT_FALSE(Dword(L"PedalMiddle"));
  Open([&](DialogDriver& d) {
    Press(idDefault);
    d.Press(idSave);
  });
  EXPECT_FALSE(KeyExists());
}
