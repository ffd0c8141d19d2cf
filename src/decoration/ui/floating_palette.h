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
class TIniFile;

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

// The palette's settings: section "Icons" of the settings file.
struct TIconSettings {
  QString file;
  bool visible = false;
  int top = 0;
  int left = 0;
};

// Reads them; the defaults place the palette near the main window's top right.
TIconSettings ReadIconSettings(const TIniFile& ini, const QRect& mainWindow, const QString& defaultFile);
// Writes the palette's set, visibility and place.
void WriteIconSettings(TIniFile& ini, const TFloatingPalette& palette);
// At the main window's first activation: place the palette, select the set,
// show or hide it.
void ApplyIconSettings(TFloatingPalette& palette, const TIconSettings& settings);

}  // namespace quillet
