// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/password_dialogs.h>

#include <app/main_screen.h>

#include <controls/gauge.h>

#include <base/messages.h>
#include <diary/passwords.h>
#include <diary/paths.h>

#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace quillet {
namespace {

// A fixed-size dialog with a title but no title-bar buttons.
constexpr Qt::WindowFlags kFixedDialog =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint;

// A box for a password; the old cipher's hold at most 8 characters.
QLineEdit* PasswordBox(QWidget* parent, const char* name, bool hidden) {
  auto* box = new QLineEdit(parent);
  box->setObjectName(QString::fromLatin1(name));
  if (hidden) {
    box->setEchoMode(QLineEdit::Password);
    box->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));  // '*'
  }
  return box;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoDefault(false);
  return b;
}

int TextWidth(const QWidget* w, const QString& text) {
  return w->fontMetrics().horizontalAdvance(text);
}

// Unlocking runs the key derivation: about half a second.
struct TBusyCursor {
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
};

// Whether `passphrase` opens the diary; says why not when the reason is
// other than a wrong passphrase (a missing or damaged key file).
std::optional<TEntryKey> TryUnlock(const std::filesystem::path& diaryDir, const std::string& passphrase,
                                   std::string* problem) {
  TBusyCursor busy;
  try {
    return UnlockDiary(diaryDir, passphrase);
  } catch (const std::exception& e) {
    if (problem && std::string_view(e.what()) != "Wrong passphrase.") *problem = e.what();
    return std::nullopt;
  }
}

}  // namespace

// ------------------------------------------------------ the prompt at start

TGetOpeningPassword::TGetOpeningPassword(std::filesystem::path diaryDir, QWidget* parent)
    : QDialog(parent), diaryDir_(std::move(diaryDir)) {
  setObjectName(QStringLiteral("GetOpeningPassword"));
  setWindowTitle(QStringLiteral("Quillet - Password Required"));
  setWindowFlags(kFixedDialog | Qt::WindowStaysOnTopHint);

  Label1 = new QLabel(QStringLiteral("Please enter your password and press OK"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Pass = PasswordBox(this, "Pass", true);
  Pass->setText(QStringLiteral("Pass"));
  Pass->selectAll();
  Pass->installEventFilter(this);
  BitBtn1 = Button(this, "BitBtn1", QStringLiteral("OK"));
  BitBtn1->setDefault(true);
  BitBtn2 = Button(this, "BitBtn2", QStringLiteral("Close"));
  connect(BitBtn1, &QPushButton::clicked, this, &TGetOpeningPassword::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &TGetOpeningPassword::BitBtn2Click);

  auto* column = new QVBoxLayout(this);
  column->addWidget(Label1);
  column->addWidget(Pass);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  buttons->addStretch(1);
  column->addLayout(buttons);
  setTabOrder(Pass, BitBtn1);
  setTabOrder(BitBtn1, BitBtn2);
  Pass->setFocus();

  setFixedSize(sizeHint().expandedTo(QSize(280, 0)));
  if (QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen()) {
    const QRect g = s->geometry();
    move(g.left() + (g.width() - width()) / 2, g.top() + (g.height() - height()) / 2);
  }
}

void TGetOpeningPassword::BitBtn1Click() {
  std::string problem;
  key_ = TryUnlock(diaryDir_, Pass->text().toStdString(), &problem);
  if (key_) {
    accept();
    return;
  }
  Messenger().InfoBox(problem.empty() ? "Sorry, that is the wrong password" : problem);
}

void TGetOpeningPassword::BitBtn2Click() { reject(); }

bool TGetOpeningPassword::eventFilter(QObject* watched, QEvent* event) {
  // Whatever the box holds is selected as it gets the focus, so typing replaces it.
  if (watched == Pass && event->type() == QEvent::FocusIn) {
    QTimer::singleShot(0, Pass, [box = Pass] {
      if (box->hasFocus()) box->selectAll();
    });
  }
  return QDialog::eventFilter(watched, event);
}

void TGetOpeningPassword::keyPressEvent(QKeyEvent* event) {
  // Only "Close" ends the program: Escape does nothing here.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

std::optional<TEntryKey> AskOpeningPassword(const std::filesystem::path& diaryDir) {
  if (ReadStoredProtection(diaryDir).cipher == TCipher::None) return TEntryKey();
  TGetOpeningPassword prompt(diaryDir);
  if (prompt.exec() != QDialog::Accepted) return std::nullopt;
  return prompt.Key();
}

// ------------------------------------------------------- the backup warning

TWarningScreen::TWarningScreen(const std::filesystem::path& diaryDir, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("WarningScreen"));
  setWindowTitle(QStringLiteral("Warning!"));
  setWindowFlags(kFixedDialog);
  auto* column = new QVBoxLayout(this);
  // The files to back up, named where they really are; the key file too,
  // when there is one, since strongly encrypted entries open only with it.
  QStringList files{
      QStringLiteral("-QX.INI, in the diary folder %1").arg(QString::fromStdString(diaryDir.string())),
      QStringLiteral("-All files with the .QXE extension, in the folder %1 (these are your "
                     "Quillet entries)")
          .arg(QString::fromStdString(EntriesDir(diaryDir).string()))};
  std::error_code ec;
  if (std::filesystem::exists(KeyFileName(diaryDir), ec)) {
    files << QStringLiteral("-Diary.key, in the diary folder (without it the encrypted entries "
                            "cannot be opened)");
  }
  QStringList texts{
      QStringLiteral("There is a slight chance that things beyond our control could cause damage "
                     "to your datafiles during this operation (i.e. damaged hard drive, power "
                     "surge, power loss, not enough disk space, etc)."),
      QStringLiteral("Please verify that you have made backups of the following files before "
                     "continuing:")};
  texts << files
        << QStringLiteral("Copying them to another folder, or to a USB stick or another disk, is "
                          "recommended. Should datafile damage occur, you can then simply copy "
                          "these files back into their original folders.");
  int n = 0;
  for (const QString& text : texts) {
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("Label%1").arg(++n));
    label->setWordWrap(true);
    // The file lines stand indented under the sentence that introduces them.
    if (n > 2 && n <= 2 + files.size()) label->setIndent(16);
    column->addWidget(label);
  }
  OKButton = Button(this, "OKButton", QStringLiteral("Ok"));
  OKButton->setDefault(true);
  CancelButton = Button(this, "CancelButton", QStringLiteral("Cancel"));
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);  // Escape too
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OKButton);
  buttons->addWidget(CancelButton);
  buttons->addStretch(1);
  column->addSpacing(6);
  column->addLayout(buttons);
  setTabOrder(OKButton, CancelButton);
  OKButton->setFocus();
  setFixedWidth(440);
  setFixedSize(440, heightForWidth(440) > 0 ? heightForWidth(440) : sizeHint().height());
}

// ------------------------------------------------------ setting a password

std::function<void()> TGetPassword::Beep = [] { QApplication::beep(); };

TGetPassword::TGetPassword(TMainScreen& main) : QDialog(&main), main_(main) {
  setObjectName(QStringLiteral("GetPassword"));
  setWindowTitle(QStringLiteral("Set Up Password"));
  setWindowFlags(kFixedDialog);
  current_ = ReadStoredProtection(main_.Store().DiaryDir());

  // "Processing new password:" and the gauge lie behind the panel, and show
  // when the panel is hidden for the pass.
  Label5 = new QLabel(QStringLiteral("Processing new password:"), this);
  Label5->setObjectName(QStringLiteral("Label5"));
  Gauge1 = new TGauge(this);
  Gauge1->setObjectName(QStringLiteral("Gauge1"));
  Gauge1->setAccessibleName(QStringLiteral("Processing new password"));
  Gauge1->SetMaxValue(0);
  Gauge1->hide();

  PassPanel = new QFrame(this);
  PassPanel->setObjectName(QStringLiteral("PassPanel"));
  PassPanel->setFrameShape(QFrame::Panel);
  PassPanel->setFrameShadow(QFrame::Raised);
  PassPanel->setAutoFillBackground(true);
  Label1 = new QLabel(QStringLiteral("Old Password"), PassPanel);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = new QLabel(QStringLiteral("(none)"), PassPanel);
  Label2->setObjectName(QStringLiteral("Label2"));
  OldPassword = PasswordBox(PassPanel, "OldPassword", true);
  if (current_.cipher == TCipher::Compatible) OldPassword->setMaxLength(int(kMaxPasswordLength));
  Label3 = new QLabel(QStringLiteral("New Password"), PassPanel);
  Label3->setObjectName(QStringLiteral("Label3"));
  NewPassword = PasswordBox(PassPanel, "NewPassword", false);
  NewPassword->installEventFilter(this);
  Label4 = new QLabel(PassPanel);
  Label4->setObjectName(QStringLiteral("Label4"));
  Strength = new QLabel(PassPanel);
  Strength->setObjectName(QStringLiteral("Strength"));
  Compatible = new QCheckBox(QStringLiteral("Compatible with older versions (weak protection)"), PassPanel);
  Compatible->setObjectName(QStringLiteral("Compatible"));
  CompatibleWarning = new QLabel(
      QStringLiteral("Weak: anyone who has the entry files can read them without the password."),
      PassPanel);
  CompatibleWarning->setObjectName(QStringLiteral("CompatibleWarning"));
  UpgradeNote = new QLabel(
      QStringLiteral("This diary uses the old cipher, which protects weakly. Leave \"Compatible "
                     "with older versions\" unchecked to upgrade it to strong encryption; the "
                     "same password may be kept."),
      PassPanel);
  UpgradeNote->setObjectName(QStringLiteral("UpgradeNote"));
  UpgradeNote->setWordWrap(true);
  UpgradeNote->setVisible(current_.cipher == TCipher::Compatible);
  connect(Compatible, &QCheckBox::toggled, this, &TGetPassword::ShowRule);
  connect(NewPassword, &QLineEdit::textChanged, this, &TGetPassword::ShowRule);

  OkButton = Button(this, "OkButton", QStringLiteral("OK"));
  OkButton->setDefault(true);
  CancelButton = Button(this, "CancelButton", QStringLiteral("Cancel"));
  ClearButton = Button(this, "ClearButton", QStringLiteral("Clear (no password)"));
  // A click on a button leaves the focus in the password box, so each button
  // checks the box itself rather than the box checking itself on the way out.
  for (QPushButton* b : {OkButton, CancelButton, ClearButton}) b->setFocusPolicy(Qt::TabFocus);
  connect(OkButton, &QPushButton::clicked, this, &TGetPassword::OkButtonClick);
  connect(CancelButton, &QPushButton::clicked, this, &TGetPassword::reject);
  connect(ClearButton, &QPushButton::clicked, this, &TGetPassword::ClearButtonClick);

  // Laid out by hand: the controls that lie behind others are part of the
  // look. The strength of a passphrase and the warning of the old cipher
  // share a line: one shows at a time.
  const int gap = 8, line = std::max(22, NewPassword->sizeHint().height());
  const int labelWidth = std::max(TextWidth(Label1, Label1->text()), TextWidth(Label3, Label3->text()));
  const int boxWidth = TextWidth(NewPassword, QStringLiteral("WWWWWWWWWWWWWW")) + 12;
  int panelWidth = gap + labelWidth + gap + boxWidth + gap;
  for (const QString& text : {RuleText(TCipher::Strong), RuleText(TCipher::Compatible)}) {
    Label4->setText(text);
    panelWidth = std::max(panelWidth, gap + Label4->sizeHint().width() + gap);
  }
  panelWidth = std::max(panelWidth, gap + CompatibleWarning->sizeHint().width() + gap);
  panelWidth = std::max(panelWidth, gap + Compatible->sizeHint().width() + gap);
  const int boxLeft = panelWidth - gap - boxWidth;
  const int inner = panelWidth - 2 * gap;
  int y = gap;
  auto row = [&](QWidget* w, int height) {
    w->setGeometry(gap, y, inner, height);
    y += height + gap;
  };
  Label1->setGeometry(gap, y, labelWidth, line);
  Label2->setGeometry(boxLeft, y, boxWidth, line);
  OldPassword->setGeometry(boxLeft, y, boxWidth, line);
  y += line + gap;
  Label3->setGeometry(gap, y, labelWidth, line);
  NewPassword->setGeometry(boxLeft, y, boxWidth, line);
  y += line + gap;
  row(Label4, line);
  row(Compatible, std::max(line, Compatible->sizeHint().height()));
  Strength->setGeometry(gap, y, inner, line);
  row(CompatibleWarning, line);
  if (UpgradeNote->isVisibleTo(PassPanel)) row(UpgradeNote, UpgradeNote->heightForWidth(inner));
  const int panelHeight = y;
  PassPanel->setGeometry(gap, gap, panelWidth, panelHeight);
  Label5->setGeometry(2 * gap, 2 * gap, panelWidth - 2 * gap, line);
  Gauge1->setGeometry(2 * gap, 3 * gap + line, panelWidth - 2 * gap, line);

  int buttonWidth = 0;
  for (QPushButton* b : {OkButton, CancelButton, ClearButton}) {
    buttonWidth = std::max(buttonWidth, b->sizeHint().width());
  }
  const int buttonHeight = std::max(26, OkButton->sizeHint().height());
  const int buttonLeft = gap + panelWidth + gap;
  OkButton->setGeometry(buttonLeft, gap, buttonWidth, buttonHeight);
  CancelButton->setGeometry(buttonLeft, 2 * gap + buttonHeight, buttonWidth, buttonHeight);
  ClearButton->setGeometry(buttonLeft, gap + panelHeight - buttonHeight, buttonWidth, buttonHeight);
  setFixedSize(buttonLeft + buttonWidth + gap, gap + std::max(panelHeight, 3 * buttonHeight + 2 * gap) + gap);

  setTabOrder(OkButton, CancelButton);
  setTabOrder(CancelButton, ClearButton);
  setTabOrder(ClearButton, OldPassword);
  setTabOrder(OldPassword, NewPassword);
  setTabOrder(NewPassword, Compatible);
  ShowRule();
  FormCreate();
}

QString TGetPassword::RuleText(TCipher cipher) {
  return cipher == TCipher::Compatible
             ? QStringLiteral("(maximum 8 chars - A-Z, a-z, 0-9 and spaces)")
             : QStringLiteral("(any length from 1 character, any characters)");
}

TCipher TGetPassword::ChosenCipher() const {
  return Compatible->isChecked() ? TCipher::Compatible : TCipher::Strong;
}

void TGetPassword::ShowRule() {
  const TCipher cipher = ChosenCipher();
  Label4->setText(RuleText(cipher));
  NewPassword->setMaxLength(cipher == TCipher::Compatible ? int(kMaxPasswordLength) : 32767);
  CompatibleWarning->setVisible(cipher == TCipher::Compatible);
  const std::string typed = NewPassword->text().toStdString();
  Strength->setVisible(cipher == TCipher::Strong && !typed.empty());
  Strength->setText(QString::fromStdString(EstimatePassphraseStrength(typed).hint));
}

void TGetPassword::FormCreate() {
  main_.LoadPreferences();
  const bool none = current_.cipher == TCipher::None;
  OldPassword->setVisible(!none);
  // The user comes here to type: the first box shown has the focus.
  (none ? NewPassword : OldPassword)->setFocus();
}

bool TGetPassword::checkoldpassword() const {
  if (OldPassword->isHidden()) return true;
  return TryUnlock(main_.Store().DiaryDir(), OldPassword->text().toStdString(), nullptr).has_value();
}

bool TGetPassword::NewPasswordExit() {
  if (ChosenCipher() != TCipher::Compatible) return true;
  if (IsValidPassword(NewPassword->text().toStdString())) return true;
  Beep();
  Messenger().InfoBox("Valid password characters are A-Z, a-z, 0-9 and spaces");
  NewPassword->clear();
  NewPassword->setFocus();
  return false;
}

bool TGetPassword::eventFilter(QObject* watched, QEvent* event) {
  if (watched == NewPassword && event->type() == QEvent::FocusOut && !processing_ && isVisible()) {
    // Leaving the box for another control; not a message box or another window taking the focus.
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::MouseFocusReason || reason == Qt::ShortcutFocusReason) {
      // Checked once the focus has moved: the check may show a message and take the focus back.
      QTimer::singleShot(0, this, [this] {
        if (isVisible() && !processing_) NewPasswordExit();
      });
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TGetPassword::RefuseOldPassword() {
  Messenger().InfoBox(OldPassword->text().isEmpty() ? "Previous password is required"
                                                    : "Previous password is incorrect");
}

void TGetPassword::OkButtonClick() {
  if (processing_) return;
  // Enter in the box comes here without leaving it: the characters are checked here too.
  if (!NewPasswordExit()) return;
  if (NewPassword->text().isEmpty()) {
    ClearButtonClick();
    return;
  }
  if (!checkoldpassword()) {
    RefuseOldPassword();
    return;
  }
  // The pass stores the new protection itself, once every entry is safe.
  ProcessPassword(OldPassword->isHidden() ? std::string() : OldPassword->text().toStdString(),
                  ChosenCipher(), NewPassword->text().toStdString());
  accept();
}

void TGetPassword::ClearButtonClick() {
  if (processing_) return;
  if (!checkoldpassword()) {
    RefuseOldPassword();
    return;
  }
  ProcessPassword(OldPassword->isHidden() ? std::string() : OldPassword->text().toStdString(),
                  TCipher::None, std::string());
  accept();
}

void TGetPassword::ProcessPassword(const std::string& oldPassword, TCipher cipher,
                                   const std::string& newPassword) {
  processing_ = true;
  for (QPushButton* b : {OkButton, CancelButton, ClearButton}) b->setEnabled(false);
  PassPanel->hide();
  const std::filesystem::path diaryDir = main_.Store().DiaryDir();
  Gauge1->SetProgress(0);
  Gauge1->SetMaxValue(CountEntryFiles(diaryDir));
  if (cipher == current_.cipher && newPassword == oldPassword) {
    // No entry file changes; the settings are written again as they are.
    main_.SavePreferences();
    main_.LoadPreferences();
    return;
  }
  Gauge1->show();
  QCoreApplication::processEvents();
  TPasswordChangeResult result;
  try {
    TBusyCursor busy;
    result = ChangePassword(diaryDir, oldPassword, cipher, newPassword, [this](int done, int total) {
      if (Gauge1->MaxValue() != total) Gauge1->SetMaxValue(total);
      Gauge1->SetProgress(done);
      QCoreApplication::processEvents();
    });
  } catch (const std::exception& e) {
    // Out of memory, say: whatever was recorded is finished or undone at the next start.
    result.state = TDiaryState::Interrupted;
    result.message = std::string("The password change stopped: ") + e.what() +
                     ". Quillet finishes or undoes it the next time it starts; until then the "
                     "diary cannot be used.";
  }
  outcome_ = result;
  Gauge1->hide();
  main_.LoadPreferences();
  if (result.state == TDiaryState::Changed) main_.Store().SetKey(result.key);
  if (result.state != TDiaryState::Changed) {
    Messenger().InfoBox(result.message);
  } else if (cipher == TCipher::None) {
    Messenger().InfoBox("Password cleared. No password now required.");
  } else if (cipher == TCipher::Compatible) {
    Messenger().InfoBox("Be sure to write down your new password: " + newPassword);
  } else {
    Messenger().InfoBox(
        "Be sure to write down your new password or keep it safe: without it the diary cannot "
        "be opened, and no one can recover it.");
  }
}

void TGetPassword::reject() {
  if (processing_) return;
  QDialog::reject();
}

// ----------------------------------------------------------- the menu command

void TMainScreen::mnuSecurityClick() {
  TWarningScreen warning(Store().DiaryDir(), this);
  CenterForm(&warning);
  if (warning.exec() != QDialog::Accepted) return;
  // The shown entry is written under the old password before the pass; if it
  // cannot be written, nothing is changed.
  if (!SaveButtonClick()) return;
  TGetPassword dialog(*this);
  CenterForm(&dialog);
  dialog.exec();
  // A change that could not be finished is finished at the next start; the
  // diary is not used until then.
  if (dialog.Outcome() && dialog.Outcome()->state == TDiaryState::Interrupted) close();
}

}  // namespace quillet
