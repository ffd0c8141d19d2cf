// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/floating_palette.h>

#include <base/messages.h>
#include <diary/paths.h>
#include <diary/preferences.h>

#include <QAction>
#include <QFileDialog>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

#include <algorithm>
#include <map>

namespace quillet {
namespace {

bool IsFile(const QString& name) {
  std::error_code ec;
  return !name.isEmpty() && fs::is_regular_file(name.toStdString(), ec);
}

QString ToQString(const fs::path& path) { return QString::fromStdString(path.string()); }

bool HasIclExtension(const fs::path& path) {
  return QString::fromStdString(path.extension().string()).compare(QStringLiteral(".icl"), Qt::CaseInsensitive) == 0;
}

}  // namespace

TFloatingPalette::TFloatingPalette(fs::path diaryDir, fs::path iconsDir, QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      diaryDir_(std::move(diaryDir)),
      iconsDir_(std::move(iconsDir)) {
  setObjectName(QStringLiteral("FloatingPalette"));
  setWindowTitle(QStringLiteral("Icons"));
  QFont arial(QStringLiteral("Arial"));
  arial.setPixelSize(11);
  setFont(arial);

  MainMenu = new QMenuBar(this);
  File1 = MainMenu->addMenu(QStringLiteral("File"));
  auto fixed = [this](const char* caption, const char* set) {
    QAction* action = File1->addAction(QString::fromLatin1(caption));
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, set] {
      IconListBox->SetFileName(SetFile(set));
      SelectIconSet(IconListBox->FileName());
    });
    return action;
  };
  mnuActivitiesICL = fixed("Activities", "activity.icl");
  mnuEventsICL = fixed("Events", "events.icl");
  mnuHolidaysICL = fixed("Holidays", "holiday.icl");
  mnuMisc1ICL = fixed("Miscellaneous #1", "misc1.icl");
  mnuMisc2ICL = fixed("Miscellaneous #2", "misc2.icl");
  mnuBonusIconSets = File1->addAction(QStringLiteral("Bonus Icon Sets"));
  mnuBonusIconSets->setCheckable(true);
  connect(mnuBonusIconSets, &QAction::triggered, this, &TFloatingPalette::mnuBonusIconSetsClick);
  BonusIconSetsMenu = new QMenu(QStringLiteral("Bonus Icon Sets"), this);
  mnuOtherIconFile = File1->addAction(QStringLiteral("Other..."));
  mnuOtherIconFile->setCheckable(true);
  connect(mnuOtherIconFile, &QAction::triggered, this, &TFloatingPalette::mnuOtherIconFileClick);

  Panel1 = new QFrame(this);
  Panel1->setFrameShape(QFrame::NoFrame);
  auto* panelLayout = new QVBoxLayout(Panel1);
  panelLayout->setContentsMargins(4, 4, 4, 4);
  IconListBox = new TIconListBox(Panel1);
  IconListBox->setStyleSheet(QStringLiteral("QListWidget { background: white; }"));
  IconListBox->setFrameShape(QFrame::StyledPanel);
  IconListBox->setToolTip(
      QStringLiteral("Drag and drop icons onto the diary entry.  Icons\nwill become part of the text."));
  IconListBox->SetXIcons(3);
  IconListBox->SetYIcons(3);
  panelLayout->addWidget(IconListBox);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setMenuBar(MainMenu);
  layout->addWidget(Panel1);

  OpenIconCollectionDialog = [this](const QString& initialDir) {
    QFileDialog dialog(this, QString(), initialDir);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("ICL"));
    const QStringList filters = {
        QStringLiteral("All Files (*.ICL *.DLL *.EXE *.ICO *.NIL *.icl *.dll *.exe *.ico *.nil)"),
        QStringLiteral("ICL Files (*.ICL *.icl)"),
        QStringLiteral("DLL Files (*.DLL *.dll)"),
        QStringLiteral("EXE Files (*.EXE *.exe)"),
        QStringLiteral("ICO Files (*.ICO *.ico)"),
        QStringLiteral("NIL Files (*.NIL *.nil)"),
        QStringLiteral("ICL and ICO Files (*.ICL *.ICO *.icl *.ico)")};
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.back());
    return dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty() ? dialog.selectedFiles().front()
                                                                                   : QString();
  };

  // Creation: the size (a fixed border), the first set, then the bonus sets.
  setFixedSize(160, 200);
  IconListBox->SetFileName(SetFile("activity.icl"));
  SelectIconSet(IconListBox->FileName());
  std::error_code ec;
  if (fs::is_directory(diaryDir_ / "BonusIcons", ec)) FindBonusSets();
}

QString TFloatingPalette::SetFile(const char* name) const { return ToQString(iconsDir_ / name); }

QString TFloatingPalette::Misc1File() const { return ToQString(FindNoCase(iconsDir_, "Misc1.icl")); }

QString TFloatingPalette::ResolveSetFile(const QString& name) const {
  const fs::path path = name.toStdString();
  if (IsFile(name) || path.parent_path() != diaryDir_ / "icons") return name;
  const fs::path program = FindNoCase(iconsDir_, path.filename().string());
  return IsFile(ToQString(program)) ? ToQString(program) : name;
}

QString TFloatingPalette::BaseName(const QString& fileName) {
  const qsizetype cut = std::max({fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')),
                                  fileName.lastIndexOf(QLatin1Char(':'))});
  QString base = fileName.mid(cut + 1).left(64);
  const qsizetype dot = base.indexOf(QLatin1Char('.'));
  return dot < 0 ? base : base.left(dot);
}

// One menu item per .icl file of BonusIcons, sorted and told apart without
// regard to case; each remembers the file it stands for.
void TFloatingPalette::FindBonusSets() {
  // Files in byte order of their names, so that of names equal but for case
  // the same one wins every time.
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(diaryDir_ / "BonusIcons", ec))
    if (HasIclExtension(entry.path())) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  std::map<QString, std::pair<QString, fs::path>> sets;  // upper-cased name -> caption, file
  for (const fs::path& file : files) {
    const QString caption = BaseName(ToQString(file.filename()));
    sets.emplace(caption.toUpper(), std::pair{caption, file});
  }
  if (sets.empty()) return;
  disconnect(mnuBonusIconSets, &QAction::triggered, this, &TFloatingPalette::mnuBonusIconSetsClick);
  mnuBonusIconSets->setMenu(BonusIconSetsMenu);
  for (const auto& [key, set] : sets) {
    QAction* action = BonusIconSetsMenu->addAction(set.first);
    action->setCheckable(true);
    const QString file = ToQString(set.second);
    connect(action, &QAction::triggered, this, [this, file] { ChooseSet(file); });
  }
}

void TFloatingPalette::ChooseSet(const QString& file) {
  IconListBox->SetFileName(file);
  SelectIconSet(IconListBox->FileName());
}

void TFloatingPalette::mnuBonusIconSetsClick() {
  mnuBonusIconSets->setChecked(false);
  Messenger().InfoBox(
      "No Bonus Sets Found!  Put icon libraries (.icl files) in the folder BonusIcons of the diary folder, " +
      (diaryDir_ / "BonusIcons").string() + ", and start Quillet again to choose them here.");
}

void TFloatingPalette::mnuOtherIconFileClick() {
  const QString initialDir = ToQString(diaryDir_);
  QString chosen = OpenIconCollectionDialog(initialDir);
  if (!chosen.isEmpty()) IconListBox->SetFileName(chosen);
  while (IconListBox->NumberOfIcons() == 0) {
    Messenger().InfoBox("No icons found in " + chosen.toStdString());
    chosen = OpenIconCollectionDialog(initialDir);
    if (chosen.isEmpty()) break;
    IconListBox->SetFileName(chosen);
  }
  if (IconListBox->NumberOfIcons() == 0) IconListBox->SetFileName(Misc1File());
  SelectIconSet(IconListBox->FileName());
}

void TFloatingPalette::SelectIconSet(const QString& name) {
  QString wanted = BaseName(name).toUpper();
  static const std::map<QString, QString> kCaptions = {{QStringLiteral("ACTIVITY"), QStringLiteral("ACTIVITIES")},
                                                       {QStringLiteral("HOLIDAY"), QStringLiteral("HOLIDAYS")},
                                                       {QStringLiteral("MISC1"), QStringLiteral("MISCELLANEOUS #1")},
                                                       {QStringLiteral("MISC2"), QStringLiteral("MISCELLANEOUS #2")}};
  if (const auto found = kCaptions.find(wanted); found != kCaptions.end()) wanted = found->second;
  bool checked = false;
  for (QAction* action : File1->actions()) {
    action->setChecked(action->text().toUpper() == wanted);
    checked = checked || action->isChecked();
  }
  for (QAction* action : BonusIconSetsMenu->actions()) {
    action->setChecked(action->text().toUpper() == wanted);
    checked = checked || action->isChecked();
  }
  const bool exists = IsFile(name);
  if (!checked && exists) mnuOtherIconFile->setChecked(true);
  if (exists && name.toUpper() != IconListBox->FileName().toUpper()) IconListBox->SetFileName(name);
  if (IconListBox->NumberOfIcons() == 0) IconListBox->SetFileName(Misc1File());
}

void TFloatingPalette::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  emit OnHide();
}

void ApplyIconPreferences(TFloatingPalette& palette, const TPreferences& prefs) {
  palette.move(prefs.iconsLeft, prefs.iconsTop);
  palette.SelectIconSet(palette.ResolveSetFile(QString::fromStdString(prefs.iconsFile)));
  palette.setVisible(prefs.iconsVisible);
}

void StoreIconPreferences(const TFloatingPalette& palette, TPreferences& prefs) {
  prefs.iconsFile = palette.IconListBox->FileName().toStdString();
  prefs.iconsVisible = palette.isVisible();
  prefs.iconsTop = palette.y();
  prefs.iconsLeft = palette.x();
}

}  // namespace quillet
