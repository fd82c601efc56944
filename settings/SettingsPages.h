// The settings dialog's pages without a visible tab. Their controls carry
// the remaining settings through the dialog, so that only Default alters
// them; the rules between their boxes still run.
#pragma once

#include "settings/SettingsPage.h"

namespace kestrel {

// Start-up: normal or minimized, always on top, start from a CD.
class TProgramPage : public TSettingsPage {
public:
  explicit TProgramPage(TForm2& form);
  void Load(const TSettings& s) override;
  void Default() override;
  void Collect(SettingsValues& v) override;
};

// Loading and selecting: the start delay, play-selected, next song and
// list, existing songs only, sort, group and shuffle.
class TListsPage : public TSettingsPage {
public:
  explicit TListsPage(TForm2& form);
  void Load(const TSettings& s) override;
  void Default() override;
  void Collect(SettingsValues& v) override;

  void idRandomClick();
  void idSortClick();

protected:
  void OnCreate() override;
  void BoxClicked(int id) override;

private:
  void UpdateEnabled();
};

// Playing a song: the length limit, the two error reports, browsing for a
// missing song and the list file's back-up.
class TSongsPage : public TSettingsPage {
public:
  explicit TSongsPage(TForm2& form);
  void Load(const TSettings& s) override;
  void Default() override;
  void Collect(SettingsValues& v) override;

  void idBrowseClick();

protected:
  void OnCreate() override;
  void BoxClicked(int id) override;

private:
  void UpdateEnabled();
};

}  // namespace kestrel
