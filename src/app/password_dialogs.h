/** The password dialogs: the prompt at start, the backup warning, and setting up a password. */
#pragma once

#include <diary/password_change.h>

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet {

class TGauge;
class TMainScreen;

// "Quillet! - Password Required": asked at start, before any window, when the
// diary has a password. OK accepts only the expected password, exactly; there
// is no limit on tries. Close ends the program.
class TGetOpeningPassword : public QDialog {
  Q_OBJECT
 public:
  explicit TGetOpeningPassword(QWidget* parent = nullptr);

  std::string expectedPassword;  // set by the creator before it is shown

  QLabel* Label1 = nullptr;
  QLineEdit* Pass = nullptr;
  QPushButton* BitBtn1 = nullptr;  // "OK"
  QPushButton* BitBtn2 = nullptr;  // "Close"

  void BitBtn1Click();
  void BitBtn2Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

// The opening password check: true when the diary has no password or the
// user typed it; false when the prompt was closed.
bool AskOpeningPassword(const std::filesystem::path& diaryDir);

// "Warning!": the reminder to back up before every entry file is rewritten.
class TWarningScreen : public QDialog {
  Q_OBJECT
 public:
  explicit TWarningScreen(QWidget* parent = nullptr);

  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
};

// "Set Up Password": sets, changes or clears the diary's password, and runs
// the pass that rewrites every entry file with it.
class TGetPassword : public QDialog {
  Q_OBJECT
 public:
  explicit TGetPassword(TMainScreen& main);

  // The system's beep; tests count it.
  static std::function<void()> Beep;

  QFrame* PassPanel = nullptr;
  QLabel* Label1 = nullptr;  // "Old Password"
  QLabel* Label2 = nullptr;  // "(none)", behind OldPassword
  QLineEdit* OldPassword = nullptr;
  QLabel* Label3 = nullptr;  // "New Password"
  QLineEdit* NewPassword = nullptr;
  QLabel* Label4 = nullptr;  // the rule
  QLabel* Label5 = nullptr;  // "Processing new password:", behind PassPanel
  TGauge* Gauge1 = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* ClearButton = nullptr;

  // True when no password is set or OldPassword holds the current one exactly.
  bool checkoldpassword() const;
  // Checks the new password's characters; false (after the beep, the message,
  // and the box emptied with the focus back in it) when one is not allowed.
  bool NewPasswordExit();
  void OkButtonClick();
  void ClearButtonClick();
  // Rewrites every entry file from the old password to the new one and
  // stores the new one; the same password again touches no entry file.
  void ProcessPassword(const std::string& oldPassword, const std::string& newPassword);

  // What the last pass gave; nothing when none ran (Cancel, or the same password).
  const std::optional<TPasswordChangeResult>& Outcome() const { return outcome_; }

 public slots:
  void reject() override;  // Cancel and Escape; refused while the pass runs

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void RefuseOldPassword();

  TMainScreen& main_;
  bool processing_ = false;
  std::optional<TPasswordChangeResult> outcome_;
};

}  // namespace quillet
