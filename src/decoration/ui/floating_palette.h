// SPDX-License-Identifier: GPL-3.0-or-later
/** TFloatingPalette: the small stay-on-top window "Icons" with the icon grid and its set menu. */
#pragma once

#include <decoration/ui/icon_list_box.h>

#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>

class QAction;
class QFrame;
class QMenu;
class QMenuBar;

namespace quillet {

namespace fs = std::filesystem;
struct TPreferences;

class TFloatingPalette : public QWidget {
  Q_OBJECT
 public:
  // diaryDir holds BonusIcons/; iconsDir the five icon sets.
  TFloatingPalette(fs::path diaryDir, fs::path iconsDir, QWidget* parent = nullptr);

  QFrame* Panel1;
  TIconListBox* IconListBox;
  QMenuBar* MainMenu;
  QMenu* File1;
  QAction* mnuActivitiesICL;
  QAction* mnuEventsICL;
  QAction* mnuHolidaysICL;
  QAction* mnuMisc1ICL;
  QAction* mnuMisc2ICL;
  QAction* mnuBonusIconSets;  // a submenu once bonus sets are found
  QAction* mnuOtherIconFile;
  QMenu* BonusIconSetsMenu;

  // The open-file dialog of "Other...": given the directory to start in, the
  // chosen file, or an empty string when the user cancels. Tests replace it.
  std::function<QString(const QString& initialDir)> OpenIconCollectionDialog;

  // Checks the menu item of the named set (by its base name) and shows the
  // file when it exists; a file without icons falls back to "Misc1.icl".
  void SelectIconSet(const QString& name);

  // The file of each fixed set, and the fallback set.
  QString SetFile(const char* name) const;
  QString Misc1File() const;
  // A set named in the diary directory's "icons" folder that is not there is
  // the program's set of that name, wherever program data is found.
  QString ResolveSetFile(const QString& name) const;

  // The part of a file name after its last "/", "\" or ":", at most 64
  // characters, cut before its first ".".
  static QString BaseName(const QString& fileName);

 signals:
  // However the palette was hidden; the main window updates its button.
  void OnHide();

 protected:
  void hideEvent(QHideEvent* event) override;

 private:
  void FindBonusSets();
  void ChooseSet(const QString& file);
  void mnuOtherIconFileClick();
  void mnuBonusIconSetsClick();

  fs::path diaryDir_;
  fs::path iconsDir_;
};

// The palette and the preferences' section "Icons" (set, visibility, place).
// At the main window's first activation: place the palette, select the set,
// show or hide it.
void ApplyIconPreferences(TFloatingPalette& palette, const TPreferences& prefs);
// Before the preferences are saved: the palette's set, visibility and place.
void StoreIconPreferences(const TFloatingPalette& palette, TPreferences& prefs);

}  // namespace quillet
