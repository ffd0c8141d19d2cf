// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's menus and the commands they run on the editor.
#include <app/main_screen.h>

#include <app/about_box.h>
#include <app/help_window.h>
#include <app/whole_diary_commands.h>

#include <finding/ui/date_selector.h>

#include <richtext/ui/rich_text.h>

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QMenuBar>
#include <QScreen>
#include <QToolButton>
#include <QUrl>

namespace quillet {

void TMainScreen::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto item = [&](QMenu* menu, const char* name, const QString& text, auto slot,
                  const QKeySequence& shortcut = {}) {
    QAction* a = menu->addAction(text);
    a->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };

  QMenu* file = bar->addMenu(QStringLiteral("&File"));
  item(file, "mnuSecurity", QStringLiteral("Select or Change Password"), &TMainScreen::mnuSecurityClick);
  item(file, "mnuRestoreDeleted", QStringLiteral("Restore Deleted Entry..."),
       &TMainScreen::RestoreDeletedEntryClick);
  file->addSeparator();
  QAction* exit = item(file, "exit1", QStringLiteral("E&xit"), &TMainScreen::exit1Click);

  QMenu* edit = bar->addMenu(QStringLiteral("&Edit"));
  item(edit, "Cut1", QStringLiteral("Cut"), &TMainScreen::Cut1Click, QKeySequence(Qt::CTRL | Qt::Key_X));
  item(edit, "Copy1", QStringLiteral("Copy"), &TMainScreen::Copy1Click, QKeySequence(Qt::CTRL | Qt::Key_C));
  item(edit, "Paste1", QStringLiteral("Paste"), &TMainScreen::Paste1Click, QKeySequence(Qt::CTRL | Qt::Key_V));
  item(edit, "DeleteSelection1", QStringLiteral("Delete Selection"), &TMainScreen::DeleteSelection1Click);
  edit->addSeparator();
  item(edit, "SelectAll1", QStringLiteral("Select All"), &TMainScreen::SelectAll1Click,
       QKeySequence(Qt::CTRL | Qt::Key_A));
  item(edit, "SaveChanges1", QStringLiteral("Save Changes"), [this] { SaveButtonClick(); },
       QKeySequence(Qt::CTRL | Qt::Key_S));
  item(edit, "DeleteEntry1", QStringLiteral("Delete Entry"), &TMainScreen::DeletebuttonClick,
       QKeySequence(Qt::ALT | Qt::Key_D));
  edit->addSeparator();
  item(edit, "EnterDate1", QStringLiteral("Insert Today's &Date "), &TMainScreen::EnterDate1Click,
       QKeySequence(Qt::CTRL | Qt::Key_D));
  item(edit, "InsertTodaystime1", QStringLiteral("Insert Current Time"),
       &TMainScreen::InsertTodaystime1Click, QKeySequence(Qt::CTRL | Qt::Key_T));
  edit->addSeparator();
  mnuWrap_ = item(edit, "mnuWrapTexttofitScreen", QStringLiteral("&Wrap Text to fit Screen"),
                  &TMainScreen::mnuWrapTexttofitScreenClick);
  mnuWrap_->setCheckable(true);
  mnuWrap_->setChecked(true);
  edit->addSeparator();
  item(edit, "mnuDefaultFont", QStringLiteral("Change Default Font"), &TMainScreen::mnuDefaultFontClick);

  // No mnemonic: Alt+I is the Hide button's, and every other letter of the
  // title belongs to another menu or button; each item has its own key.
  QMenu* find = bar->addMenu(QStringLiteral("Find"));
  find->setObjectName(QStringLiteral("mnuFindMenu"));
  item(find, "mnuFind", QStringLiteral("&Find in Current Entry"), &TMainScreen::mnuFindClick,
       QKeySequence(Qt::CTRL | Qt::Key_F));
  item(find, "Replace1", QStringLiteral("&Replace in Current Entry"), &TMainScreen::Replace1Click,
       QKeySequence(Qt::CTRL | Qt::Key_R));

  InstallWholeDiaryCommands(*this, file, exit, find, true);  // search, print, export

  QMenu* online = bar->addMenu(QStringLiteral("Online"));
  item(online, "VisitOurInternetWebsite1", QStringLiteral("Visit Our Internet Website"),
       &TMainScreen::VisitOurInternetWebsite1Click);

  QMenu* help = bar->addMenu(QStringLiteral("&Help"));
  item(help, "Contents1", QStringLiteral("Contents"), &TMainScreen::Contents1Click);
  item(help, "About1", QStringLiteral("About"), &TMainScreen::About1Click);
}

// ------------------------------------------------------------------ editing

void TMainScreen::Cut1Click() {
  if (!richText1_->HasSelection()) return;
  richText1_->CutToClipboard();
  richText1_->Changed();
}

void TMainScreen::Copy1Click() {
  if (!richText1_->HasSelection()) return;
  richText1_->CopyToClipboard();
  richText1_->Changed();
}

void TMainScreen::Paste1Click() {
  richText1_->PasteFromClipboard();
  richText1_->Changed();
}

void TMainScreen::DeleteSelection1Click() {
  if (!richText1_->HasSelection()) return;
  richText1_->DeleteSelection();
  richText1_->Changed();
}

void TMainScreen::SelectAll1Click() { richText1_->SelectAll(); }

void TMainScreen::EnterDate1Click() {
  richText1_->InsertText(QString::fromStdString(ShortDate(Today())) + QLatin1Char(' '));
  richText1_->Repaint();
  QCoreApplication::processEvents();
}

void TMainScreen::InsertTodaystime1Click() {
  richText1_->InsertText(QString::fromStdString(ShortTimeNow()) + QLatin1Char(' '));
  richText1_->Repaint();
  QCoreApplication::processEvents();
}

void TMainScreen::mnuWrapTexttofitScreenClick() {
  // The action has already toggled its check mark when it comes from the menu.
  if (sender() != mnuWrap_) mnuWrap_->setChecked(!mnuWrap_->isChecked());
  richText1_->SetWordWrap(mnuWrap_->isChecked());
  richText1_->Invalidate();
  // The button's hint tells what a click does, whichever of the two toggled it.
  wordWrapButton_->setToolTip(mnuWrap_->isChecked() ? QStringLiteral("Toggle word wrap off")
                                                    : QStringLiteral("Toggle word wrap on"));
}

void TMainScreen::DocWordWrapButtonClick() { mnuWrapTexttofitScreenClick(); }

void TMainScreen::DocPageBreakButtonClick() {
  richText1_->InsertPageBreak();
  richText1_->Changed();
  richText1_->ReformatAll();
  richText1_->Repaint();
}

void TMainScreen::mnuFindClick() { richText1_->ShowFindDialog(); }

void TMainScreen::Replace1Click() {
  richText1_->ShowReplaceDialog();
  richText1_->Changed();
}

// ------------------------------------------------------------------- others

void TMainScreen::HideButtonClick() { showMinimized(); }

void TMainScreen::exit1Click() {
  // Saving happens in FormCloseQuery, which the close runs.
  close();
}

void TMainScreen::Contents1Click() { THelpWindow::ShowTopic(THelpWindow::kContents, this); }

void TMainScreen::About1Click() {
  TAboutBox about(this);
  CenterForm(&about);
  about.exec();
}

void TMainScreen::VisitOurInternetWebsite1Click() { openUrl(QUrl(QString::fromLatin1(kHomePage))); }

void TMainScreen::CalendarButtonClick() {
  if (!SaveButtonClick()) return;
  TDateSelector selector(this);
  CenterForm(&selector);
  using namespace std::chrono;
  const year_month_day ymd{currentDate_};
  selector.SetInitialDate(QDate(int(ymd.year()), int(unsigned(ymd.month())), int(unsigned(ymd.day()))));
  selector.OnNeedEntryDays = [this](QStringList& days, int year, int month) {
    FillEntryDays(days, year, month);
  };
  if (selector.exec() != QDialog::Accepted) return;
  const QDate picked = selector.SelectedDate().date();
  if (!picked.isValid() || picked.year() < 1 || picked.year() > 9999) return;
  GoToDay(MakeDate(picked.year(), unsigned(picked.month()), unsigned(picked.day())));
}

// ----------------------------------------------------------------- centring

void CenterForm(QWidget* form) {
  if (!form) return;
  if (!form->testAttribute(Qt::WA_Resized)) form->adjustSize();
  // Positions are those of the frame, which the window manager adds around the form.
  const QRect frame = form->frameGeometry();
  const QSize size = frame.size().expandedTo(form->size());
  TMainScreen* main = MainScreen();
  auto onScreen = [&](QScreen* screen) {
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect s = screen->geometry();
    form->move(s.left() + (s.width() - size.width()) / 2, s.top() + (s.height() - size.height()) / 2);
  };
  if (qobject_cast<TMainScreen*>(form) || !main) {
    onScreen(form->screen());
  } else if (main->isMaximized()) {
    onScreen(main->screen());
  } else {
    QRect m = main->frameGeometry();
    form->move(m.left() + (m.width() - size.width()) / 2, m.top() + (m.height() - size.height()) / 2);
  }
}

}  // namespace quillet
