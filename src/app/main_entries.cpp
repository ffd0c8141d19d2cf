// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's side of the entry store and of the preferences: moving an
// entry between its file and an editor, and the settings file with the placement.
#include <app/main_screen.h>

#include <base/messages.h>
#include <diary/paths.h>
#include <diary/settings_file.h>
#include <base/error.h>
#include <decoration/ui/floating_palette.h>
#include <richtext/header.h>
#include <richtext/ui/qt_platform.h>
#include <richtext/ui/rich_text.h>
#include <richtext/ui/toolbar.h>

#include <QApplication>
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDialog>
#include <QLabel>
#include <QGuiApplication>
#include <QScreen>
#include <QStringList>

#include <algorithm>

namespace quillet {

// ----------------------------------------------------------------- entries

void TMainScreen::FindDateRecord() {
  entryExists_ = store_.Exists(currentDate_);
  SetDateCaption();
}

void TMainScreen::ApplyLoaded(const TEntryRead& read, richtext::TRichText& editor,
                              bool reportProblem) {
  if (read.status == TEntryRead::kOk &&
      editor.LoadFromStream(read.bytes) == richtext::ioOk) {
    const richtext::TReadLosses& losses = editor.Document().lastLosses;
    if (!losses.Any() || !reportProblem) return;
    // Saving what could be read would drop the rest from the file for good.
    unreadable_ = true;
    Messenger().ShowMessage("The entry of " + LongDate(currentDate_) + " (" +
                            GetCurrentDateFileName().string() + ") holds text nested too deeply "
                            "to be shown: " + std::to_string(losses.tooDeep) +
                            " bytes were left out.\n\nThe file is left as it is; the day is shown "
                            "read-only.");
    return;
  }
  editor.Clear();
  if (!reportProblem) return;
  std::string problem = read.problem;
  if (problem.empty()) {
    problem = "The entry of " + LongDate(currentDate_) + " (" + GetCurrentDateFileName().string() +
              ") is damaged and cannot be shown.";
  }
  unreadable_ = true;
  Messenger().ShowMessage(problem +
                          "\n\nThe file is left as it is; the day is shown read-only.");
}

void TMainScreen::LoadRichText() {
  unreadable_ = false;
  restoredCopy_ = false;
  richText1_->Clear();
  if (entryExists_) {
    TEntryRead read = store_.Read(currentDate_);
    if (read.status == TEntryRead::kNone) {
      // The file went away since it was looked for: the day starts empty.
      entryExists_ = false;
      SetDefaultFontNow();
    } else {
      ApplyLoaded(read, *richText1_, true);
    }
    richText1_->SetCaretToStart();
    richText1_->Invalidate();
  } else {
    SetDefaultFontNow();
  }
  richText1_->SetReadOnly(unreadable_);
  ShowEditButtons(false);
  if (!startingUp_) richText1_->SetFocus();
}

bool TMainScreen::SaveRichText() {
  if (unreadable_) return true;  // never written over
  const bool empty = richText1_->IsEmpty();
  const bool had = entryExists_;
  try {
    if (empty && had) {
      store_.Remove(currentDate_);
      entryExists_ = false;
    } else if (!empty) {
      store_.Write(currentDate_, richText1_->SaveToBytes());
      entryExists_ = true;
    }
  } catch (const std::exception& e) {
    if (!shuttingDown_) {
      Messenger().ShowMessage("The entry of " + LongDate(currentDate_) + " could not be saved.\n\n" +
                              e.what() + "\n\nYour text is still in the editor.");
    }
    return false;
  }
  QCoreApplication::processEvents();
  return true;
}

void TMainScreen::LoadRichTextAllPurp() {
  richTextAllPurpose_->Clear();
  if (!store_.Exists(currentDate_)) return;
  ApplyLoaded(store_.Read(currentDate_), *richTextAllPurpose_, false);
  richTextAllPurpose_->SetCaretToStart();
  richTextAllPurpose_->Invalidate();
}

void TMainScreen::FillEntryDays(QStringList& list, int year, int month) const {
  list.clear();
  for (int day : store_.EntryDays(year, unsigned(month))) list.append(QString::number(day));
}

void TMainScreen::DeletebuttonClick() {
  if (unreadable_) return;
  if (!Messenger().ConfirmBox("Delete this entry?")) return;
  richText1_->Clear();
  // What is typed next starts in the default font, as on an empty day.
  SetDefaultFontNow();
  richText1_->Changed();
}

// ------------------------------------------------------------- preferences

TRect TMainScreen::MainBounds() const {
  QRect g = geometry();
  return {g.left(), g.top(), g.right() + 1, g.bottom() + 1};
}

namespace {

QFont FontOf(const TPreferences& p) {
  QFont f(QString::fromStdString(p.defaultFontName));
  f.setPointSize(std::max(1, p.defaultFontSize));
  f.setBold(p.defaultFontBold);
  f.setItalic(p.defaultFontItalic);
  f.setUnderline(p.defaultFontUnderline);
  return f;
}

// A default font's colours: the first entries of the standard table, those a
// new entry can name.
constexpr size_t kDefaultFontColors = 15;

QComboBox* ColorList(QFontDialog& dialog) { return dialog.findChild<QComboBox*>(QStringLiteral("DefaultFontColor")); }

// The toolkit's font dialog has no colour, and a Strikeout box the settings
// do not keep: the box goes, and the toolbar's colour list joins the effects.
void AddColorToFontDialog(QFontDialog& dialog) {
  dialog.setOption(QFontDialog::DontUseNativeDialog);
  QWidget* effects = nullptr;
  for (QCheckBox* box : dialog.findChildren<QCheckBox*>()) {
    if (box->text().remove(QLatin1Char('&')).startsWith(QStringLiteral("Strikeout"), Qt::CaseInsensitive)) {
      box->hide();
      effects = box->parentWidget();
    }
  }
  auto* colors = new QComboBox(&dialog);
  colors->setObjectName(QStringLiteral("DefaultFontColor"));
  richtext::AddColorEntries(*colors, {richtext::TTextHeader().colors.data(), kDefaultFontColors});
  auto* label = new QLabel(QStringLiteral("Colo&r"), &dialog);
  label->setBuddy(colors);
  auto* row = new QHBoxLayout;
  row->addWidget(label);
  row->addWidget(colors, 1);
  if (auto* box = effects ? qobject_cast<QBoxLayout*>(effects->layout()) : nullptr) {
    box->addLayout(row);
  } else if (auto* box = qobject_cast<QBoxLayout*>(dialog.layout())) {
    box->addLayout(row);
  }
}

// The dialog shows the default font of the fields. What it shows for a name
// that is not installed is remembered, so that confirming it unchanged keeps
// the stored name.
void ShowDefaultFont(QFontDialog& dialog, const TPreferences& p) {
  dialog.setCurrentFont(FontOf(p));
  dialog.setProperty("shownFamily", dialog.currentFont().family());
  const auto& table = richtext::TTextHeader().colors;
  const auto end = table.begin() + kDefaultFontColors;
  const auto at = std::find(table.begin(), end, uint32_t(p.defaultFontColor));
  // A colour outside the list shows none and stays as it is.
  if (QComboBox* colors = ColorList(dialog)) colors->setCurrentIndex(at == end ? -1 : int(at - table.begin()));
}

void TakeDefaultFont(QFontDialog& dialog, TPreferences& p) {
  const QFont f = dialog.currentFont();
  if (f.family() != dialog.property("shownFamily").toString()) p.defaultFontName = f.family().toStdString();
  if (f.pointSize() > 0) p.defaultFontSize = f.pointSize();
  p.defaultFontBold = f.bold();
  p.defaultFontItalic = f.italic();
  p.defaultFontUnderline = f.underline();
  if (QComboBox* colors = ColorList(dialog); colors && colors->currentIndex() >= 0) {
    p.defaultFontColor = int(richtext::TTextHeader().colors[size_t(colors->currentIndex())]);
  }
}

}  // namespace

QFontDialog* TMainScreen::DefaultFontdialog() {
  if (!fontDialog_) {
    fontDialog_ = new QFontDialog(this);
    fontDialog_->setObjectName(QStringLiteral("DefaultFontdialog"));
    AddColorToFontDialog(*fontDialog_);
  }
  return fontDialog_;
}

void TMainScreen::LoadPreferences() {
  TIniFile ini(SettingsFileName(diaryDir_));
  prefs_.Load(ini, diaryDir_, MainBounds());
  if (fontDialog_) ShowDefaultFont(*fontDialog_, prefs_);
}

void TMainScreen::SavePreferences() {
  if (fontDialog_) TakeDefaultFont(*fontDialog_, prefs_);
  // Until the first activation has placed the palette, the settings hold its state.
  if (palette_ && !startingUp_) StoreIconPreferences(*palette_, prefs_);
  try {
    TIniFile ini(SettingsFileName(diaryDir_));
    prefs_.Save(ini);
  } catch (const Error& e) {
    Messenger().ShowMessage(e.what());
  }
  if (fontDialog_) ShowDefaultFont(*fontDialog_, prefs_);
}

void TMainScreen::mnuDefaultFontClick() {
  LoadPreferences();
  QFontDialog* dialog = DefaultFontdialog();
  ShowDefaultFont(*dialog, prefs_);
  CenterForm(dialog);
  if (dialog->exec() == QDialog::Accepted) SavePreferences();
}

void TMainScreen::SetDefaultFontNow() {
  richtext::TAttr a = richText1_->GetInsertionAttribute();
  a.font = uint8_t(std::clamp(richText1_->FontNumber(QString::fromStdString(prefs_.defaultFontName)),
                              0, 255));
  a.size = uint8_t(prefs_.defaultFontSize);
  if (prefs_.defaultFontBold) a.flags |= richtext::afBold;
  if (prefs_.defaultFontItalic) a.flags |= richtext::afItalic;
  if (prefs_.defaultFontUnderline) a.flags |= richtext::afUnderline;
  // The first entry of the standard table with that colour: an entry file
  // writes the table's first 15 entries, so the 16th (black again) must not
  // be named.
  int colour = 0;
  const auto& colors = richText1_->Document().Header().colors;
  for (int i = 0; i < 15; ++i) {
    if (colors[size_t(i)] == uint32_t(prefs_.defaultFontColor)) {
      colour = i;
      break;
    }
  }
  a.SetTextColor(colour);
  // Set directly: giving an empty day its font is not a change of the entry.
  richText1_->Document().insertionAttr = a;
}

int TMainScreen::ScreenDensity() const {
  QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  if (!s) return 96;
  return qRound(s->logicalDotsPerInch() * s->devicePixelRatio());
}

void TMainScreen::RestorePlacement() {
  TIniFile ini(SettingsFileName(diaryDir_));
  std::optional<TPlacement> p = ReadPlacement(ini, ScreenDensity());
  if (!p) {
    // The first window takes about two thirds of the screen, never less than it was designed at.
    if (QScreen* s = screen()) {
      const QSize room = s->availableGeometry().size();
      resize((room * 2 / 3).expandedTo(size()).boundedTo(room));
    }
    CenterForm(this);
  } else {
    std::vector<TRect> screens;
    for (QScreen* s : QGuiApplication::screens()) {
      QRect g = s->availableGeometry();
      screens.push_back({g.left(), g.top(), g.right() + 1, g.bottom() + 1});
    }
    TRect r = FitToScreens(p->normal, screens);
    setGeometry(r.left, r.top, r.Width(), r.Height());
    if (p->maximized) setWindowState(windowState() | Qt::WindowMaximized);
  }
  SavePlacement();
}

void TMainScreen::SavePlacement() {
  QRect g = (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
                ? normalGeometry()
                : geometry();
  if (!g.isValid()) g = geometry();
  TPlacement p;
  p.normal = {g.left(), g.top(), g.right() + 1, g.bottom() + 1};
  p.maximized = windowState() & Qt::WindowMaximized;
  try {
    TIniFile ini(SettingsFileName(diaryDir_));
    WritePlacement(ini, ScreenDensity(), p);
  } catch (const Error& e) {
    Messenger().ShowMessage(e.what());
  }
}

}  // namespace quillet
