// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/main_screen.h>

#include <app/opening_message.h>

#include <richtext/ui/painted_icon.h>
#include <controls/ring_panel.h>
#include <decoration/ui/spell_as_you_type.h>

#include <base/messages.h>
#include <diary/passwords.h>
#include <diary/paths.h>
#include <base/error.h>
#include <richtext/ui/rich_text.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillet {
namespace {

QPointer<TMainScreen> theMainScreen;

// The calendar button's picture, painted at whatever size and density it is shown.
QIcon CalendarIcon() {
  return PaintedIcon([](QPainter& p, const QRectF& box, QIcon::Mode mode) {
    const bool off = mode == QIcon::Disabled;
    const QColor ink = off ? QColor(150, 150, 150) : QColor(51, 51, 51);
    const QColor red = off ? QColor(190, 190, 190) : QColor(204, 51, 51);
    const qreal u = box.width() / 16.0;
    auto at = [&](qreal x, qreal y, qreal w, qreal h) {
      return QRectF(box.left() + x * u, box.top() + y * u, w * u, h * u);
    };
    p.setPen(QPen(ink, u));
    p.setBrush(Qt::white);
    p.drawRoundedRect(at(1.5, 2.5, 13, 12), u, u);
    p.setBrush(red);
    p.drawRect(at(1.5, 2.5, 13, 3));
    p.setPen(Qt::NoPen);
    for (int row = 0; row < 2; ++row) {
      for (int col = 0; col < 3; ++col) {
        p.setBrush(row == 1 && col == 2 ? red : ink);
        p.drawRect(at(3.5 + col * 3.5, 7 + row * 3.5, 2, 2));
      }
    }
  });
}

}  // namespace

std::function<bool(TMainScreen&)> TMainScreen::PerformConversion;

TMainScreen* MainScreen() { return theMainScreen.data(); }

TMainScreen::TMainScreen(const std::filesystem::path& diaryDir, std::optional<TEntryKey> key,
                         QWidget* parent)
    : QMainWindow(parent), diaryDir_(diaryDir), store_(diaryDir), currentDate_(Today()) {
  theMainScreen = this;
  store_.SetKey(key ? std::move(*key) : TEntryKey::Compatible(ReadStoredPassword(diaryDir)));
  setObjectName(QStringLiteral("MainScreen"));
  setWindowTitle(QStringLiteral("Quillet"));
  openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  BuildToolBar();
  BuildPage();
  BuildMenus();
  BuildViewMenu();
  BuildStatusBar();
  BuildFormatting();
  BuildDecoration();
  BuildRecovery();
  BuildKeyboardAccess();
  resize(QSize(kDesignedWidth,
               kDesignedHeight + menuBar()->sizeHint().height() + statusBar()->sizeHint().height())
             .expandedTo(minimumSizeHint()));
  FormCreate();
}

TMainScreen::~TMainScreen() {
  if (hookInstalled_) qApp->removeEventFilter(this);
}

// ------------------------------------------------------------------ layout

void TMainScreen::BuildPage() {
  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  column->addWidget(toolBar_);
  ringPanel_ = new TRingPanel(central);
  ringPanel_->setObjectName(QStringLiteral("RingPanel1"));
  ringPanel_->SetDoubleRing(true);
  ringPanel_->SetSmallRing(true);
  ringPanel_->installEventFilter(this);
  column->addWidget(ringPanel_, 1);

  dateLabel_ = new QLabel(ringPanel_);
  dateLabel_->setObjectName(QStringLiteral("DateLabel"));
  QFont dateFont(QStringLiteral("Arial"));
  dateFont.setPixelSize(16);
  dateFont.setBold(true);
  dateFont.setItalic(true);
  dateLabel_->setFont(dateFont);
  QPalette purple = dateLabel_->palette();
  purple.setColor(QPalette::WindowText, QColor(128, 0, 128));
  dateLabel_->setPalette(purple);

  auto line = [&](const char* name) {
    auto* f = new QFrame(ringPanel_);
    f->setObjectName(QString::fromLatin1(name));
    f->setFrameShape(QFrame::HLine);
    f->setFrameShadow(QFrame::Plain);
    f->setFixedHeight(1);
    return f;
  };
  topLine_ = line("TopLine");
  bottomLine_ = line("Bottomline");

  richText1_ = new richtext::TRichText(ringPanel_);
  richText1_->setObjectName(QStringLiteral("RichText1"));
  richText1_->setFrameShape(QFrame::NoFrame);
  richText1_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  richText1_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  QPalette white = richText1_->palette();
  white.setColor(QPalette::Base, Qt::white);
  white.setColor(QPalette::Text, Qt::black);
  richText1_->setPalette(white);
  richText1_->viewport()->setPalette(white);
  QFont editorFont(QStringLiteral("Arial"));
  editorFont.setPointSize(8);
  richText1_->setFont(editorFont);
  richText1_->writeBitmapAsDib = true;
  // Entries are written as RTF, whatever the editor loaded them from.
  richText1_->Document().saveFormat = richtext::FormatRTF;
  connect(richText1_, &richtext::TRichText::OnChange, this, &TMainScreen::RichText1Change);
  connect(richText1_, &richtext::TRichText::OnBeforePasteEvent, this,
          [this](bool&) { richText1_->Changed(); });
  connect(richText1_, &richtext::TRichText::OnKeyDown, this, [this](QKeyEvent* key, bool&) {
    // RichText1KeyDown: Delete, Tab and Ctrl+V count as changes.
    const bool ctrlOnly = key->modifiers() == Qt::ControlModifier;
    if (key->key() == Qt::Key_Delete || key->key() == Qt::Key_Tab ||
        key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_V && ctrlOnly)) {
      richText1_->Changed();
    }
  });

  richTextAllPurpose_ = new richtext::TRichText(central);
  richTextAllPurpose_->setObjectName(QStringLiteral("RichTextAllPurpose"));
  richTextAllPurpose_->writeBitmapAsDib = true;
  richTextAllPurpose_->hide();

  BuildActionPanel();
  column->addWidget(actionPanel_);
  setCentralWidget(central);
}

void TMainScreen::BuildActionPanel() {
  actionPanel_ = new QWidget(this);
  actionPanel_->setObjectName(QStringLiteral("ActionPanel"));
  actionPanel_->setFixedHeight(39);
  auto* row = new QHBoxLayout(actionPanel_);
  row->setContentsMargins(6, 4, 6, 4);
  row->setSpacing(4);
  auto button = [&](const char* name, const QString& caption, auto slot) {
    auto* b = new QPushButton(caption, actionPanel_);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setFocusPolicy(Qt::TabFocus);
    // Compact buttons, so the row fits the designed width with "&Save" and "&Cancel" shown.
    b->setMinimumWidth(b->fontMetrics().horizontalAdvance(caption) + 18);
    b->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(b, &QPushButton::clicked, this, slot);
    row->addWidget(b);
    return b;
  };
  saveButton_ = button("SaveButton", QStringLiteral("&Save"), [this] { SaveButtonClick(); });
  cancelButton_ = button("CancelButton", QStringLiteral("&Cancel"), &TMainScreen::CancelButtonClick);
  row->addStretch(1);
  button("FirstButton", QStringLiteral("Fi&rst"), &TMainScreen::FirstButtonClick);
  button("PriorButton", QStringLiteral("&Prev"), &TMainScreen::PriorButtonClick);
  button("BitBtn1", QStringLiteral("Today"), &TMainScreen::BitBtn1Click);
  button("Nextbutton", QStringLiteral("&Next"), &TMainScreen::NextButtonClick);
  button("LastButton", QStringLiteral("&Last"), &TMainScreen::LastButtonClick);
  QPushButton* calendar = button("CalendarButton", QString(), &TMainScreen::CalendarButtonClick);
  calendar->setIcon(CalendarIcon());
  calendar->setToolTip(QStringLiteral("Select a date"));
  row->addStretch(1);
  button("Hidebutton", QStringLiteral("H&ide"), &TMainScreen::HideButtonClick);
  button("ExplorerButton1", QStringLiteral("E&xit"), &TMainScreen::exit1Click);
  calendar->setMinimumWidth(32);
  // The row is as wide as it needs to be with every button shown, so showing
  // "&Save" and "&Cancel" never resizes the window.
  actionPanel_->setMinimumWidth(row->minimumSize().width());
  saveButton_->hide();
  cancelButton_->hide();
}

void TMainScreen::FormResize() {
  // The panel sets its edges when it paints; before that they follow from its ring picture.
  const int L = ringPanel_->LeftEdge() ? ringPanel_->LeftEdge() : (ringPanel_->SmallRing() ? 31 : 43);
  const int R = ringPanel_->RightEdge() ? ringPanel_->RightEdge() : (ringPanel_->SmallRing() ? 15 : 22);
  const int W = ringPanel_->width(), H = ringPanel_->height();
  const int left = L + 15, width = std::max(1, W - L - R - 20);
  dateLabel_->setGeometry(left, 8, width, 20);
  topLine_->setGeometry(left, 28, width, 1);
  bottomLine_->setGeometry(left, H - 20, width, 1);
  const auto [textLeft, textWidth] = TextColumn(left, width);
  richText1_->setGeometry(textLeft, 35, textWidth, std::max(1, H - 35 - 22));
  richText1_->SetCaretToStart();
  richText1_->Invalidate();
}

// --------------------------------------------------------------- lifecycle

void TMainScreen::FormCreate() {
  startingUp_ = true;
  LoadPreferences();
  ApplyView();
  if (spellAsYouType_) {
    mnuSpellAsYouType_->setChecked(prefs_.checkSpellingAsYouType);
    spellAsYouType_->SetEnabled(prefs_.checkSpellingAsYouType);
    ShowSpellingLanguage();
  }
  RestorePlacement();
  // Legacy conversion: offered while there is no Entries/ and the old table is there.
  std::error_code ec;
  const bool haveEntries = fs::is_directory(store_.EntriesDirectory(), ec);
  if (!haveEntries && PerformConversion && fs::exists(FindNoCase(diaryDir_, "QUILLET.DBF"), ec) &&
      fs::exists(FindNoCase(diaryDir_, "QUILLET.FPT"), ec)) {
    if (!PerformConversion(*this)) {
      Messenger().InfoBox("Terminating Quillet");
      terminated_ = true;
      return;
    }
  }
  try {
    store_.CreateEntriesDirectory();
  } catch (const Error& e) {
    Messenger().ShowMessage(e.what());
  }
  mnuWrap_->setChecked(true);
  wordWrapButton_->setToolTip(mnuWrap_->isChecked() ? QStringLiteral("Toggle word wrap off")
                                                    : QStringLiteral("Toggle word wrap on"));
  currentDate_ = Today();
  entryExists_ = false;
  FindDateRecord();
  LoadRichText();
  if (prefs_.showOpeningMessage) ShowOpeningMessage();
}

void TMainScreen::ShowOpeningMessage() {
  TShowOpeningMessage message;
  message.exec();
  prefs_.showOpeningMessage = !message.DontShowChecked();
}

bool TMainScreen::event(QEvent* event) {
  if (event->type() == QEvent::WindowActivate) FormActivate();
  if (event->type() == QEvent::ApplicationPaletteChange) ApplyPageColours();
  // A window manager may never activate a window that starts minimized or
  // behind another: the first showing does the same work once the events of
  // the show are through.
  if (event->type() == QEvent::Show && startingUp_) {
    QTimer::singleShot(0, this, &TMainScreen::FormActivate);
  }
  return QMainWindow::event(event);
}

void TMainScreen::FormActivate() {
  if (!startingUp_) return;
  startingUp_ = false;
  SetButtons();
  if (!(windowState() & Qt::WindowMinimized)) {
    raise();
    activateWindow();
  }
  ActivateIconPalette();
  SetButtons();
  SavePreferences();
  if (!hookInstalled_) {
    qApp->installEventFilter(this);
    hookInstalled_ = true;
  }
}

void TMainScreen::closeEvent(QCloseEvent* event) {
  if (!FormCloseQuery()) {
    event->ignore();
    return;
  }
  event->accept();
  hide();  // FormClose
}

bool TMainScreen::FormCloseQuery() {
  if (!SaveButtonClick()) {
    // The entry could not be written: closing would lose it, so ask.
    if (!Messenger().ConfirmBox("The changes to this entry could not be saved. "
                                "Close Quillet anyway and lose them?")) {
      return false;
    }
  }
  SavePreferences();
  QCoreApplication::processEvents();
  SavePlacement();
  return true;
}

// ----------------------------------------------------------------- keys

bool TMainScreen::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ringPanel_ && event->type() == QEvent::Resize) FormResize();
  if (event->type() != QEvent::KeyPress && event->type() != QEvent::ShortcutOverride) {
    return QMainWindow::eventFilter(watched, event);
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (!widget || widget->window() != this) return QMainWindow::eventFilter(watched, event);
  // A key passed on to the parents comes by again: it is handled once, where it was first delivered.
  auto* key = static_cast<QKeyEvent*>(event);
  if (event == lastKey_ && key->timestamp() == lastKeyTime_ && event->type() == lastKeyType_) {
    return QMainWindow::eventFilter(watched, event);
  }
  lastKey_ = event;
  lastKeyTime_ = key->timestamp();
  lastKeyType_ = event->type();
  if (event->type() == QEvent::KeyPress && key->modifiers() == Qt::ControlModifier) {
    // FormKeyDown: the day moves, and the key still goes on to the editor.
    if (key->key() == Qt::Key_PageDown) NextButtonClick();
    if (key->key() == Qt::Key_PageUp) PriorButtonClick();
  }
  if (AppMessageHook(watched, event)) return true;
  return QMainWindow::eventFilter(watched, event);
}

bool TMainScreen::AppMessageHook(QObject* watched, QEvent* event) {
  auto* key = static_cast<QKeyEvent*>(event);
  // Ctrl alone: Ctrl+Shift+A and Ctrl+Shift+S belong to other commands.
  if (!isActiveWindow() || watched != richText1_ || !richText1_->isVisible() ||
      key->modifiers() != Qt::ControlModifier ||
      (key->key() != Qt::Key_S && key->key() != Qt::Key_A)) {
    return false;
  }
  if (event->type() == QEvent::ShortcutOverride) {
    event->accept();  // keeps the menu shortcut from firing as well
    return true;
  }
  if (key->key() == Qt::Key_S) {
    SaveButtonClick();
  } else {
    richText1_->SelectAll();
  }
  return true;
}

// -------------------------------------------------------------- edit state

bool TMainScreen::Unsaved() const { return !saveButton_->isHidden(); }

void TMainScreen::ShowEditButtons(bool on) {
  saveButton_->setVisible(on);
  cancelButton_->setVisible(on);
}

void TMainScreen::RichText1Change() {
  // An entry that could not be read is never saved over.
  if (unreadable_) return;
  ShowEditButtons(true);
  PageChangedForRecovery();
}

bool TMainScreen::SaveButtonClick() {
  if (!Unsaved()) return true;
  if (!SaveRichText()) return false;
  ShowEditButtons(false);
  DropRecoveryCopy();
  return true;
}

void TMainScreen::CancelButtonClick() {
  LoadRichText();
  ShowEditButtons(false);
  DropRecoveryCopy();
}

void TMainScreen::SetButtons() {
  richText1_->SetReadOnly(unreadable_);
  ShowEditButtons(restoredCopy_);
  SetIconToolCaption();
}

void TMainScreen::SetDateCaption() {
  dateLabel_->setText(QString::fromStdString(LongDate(currentDate_)));
  NameThePage();
}

// -------------------------------------------------------------- navigation

bool TMainScreen::GoToDay(TDate date) {
  if (!SaveButtonClick()) return false;
  currentDate_ = date;
  FindDateRecord();
  LoadRichText();
  return true;
}

void TMainScreen::PriorButtonClick() { GoToDay(PreviousDay(currentDate_)); }
void TMainScreen::NextButtonClick() { GoToDay(NextDay(currentDate_)); }
void TMainScreen::BitBtn1Click() { GoToDay(Today()); }

void TMainScreen::FirstButtonClick() {
  if (SaveButtonClick()) GoToDay(store_.FirstDiaryRecord());
}

void TMainScreen::LastButtonClick() {
  if (SaveButtonClick()) GoToDay(store_.LastDiaryRecord());
}

}  // namespace quillet
