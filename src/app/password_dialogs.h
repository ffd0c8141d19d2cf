// SPDX-License-Identifier: GPL-3.0-or-later
/** The password dialogs: the prompt at start, the backup warning, and setting up a password. */
#pragma once

#include <diary/password_change.h>
#include <diary/passwords.h>

#include <QDialog>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillet {

class TGauge;
class TMainScreen;

// "Quillet - Password Required": asked at start, before any window, when the
// diary has a password. OK accepts only what opens the diary: the old
// cipher's password exactly, or the passphrase that unwraps the key file;
// there is no limit on tries. Close ends the program.
class TGetOpeningPassword : public QDialog {
  Q_OBJECT
 public:
  explicit TGetOpeningPassword(std::filesystem::path diaryDir, QWidget* parent = nullptr);

  // Once accepted: the key to the diary's entries.
  const std::optional<TEntryKey>& Key() const { return key_; }

  QLabel* Label1 = nullptr;
  QLineEdit* Pass = nullptr;
  QPushButton* BitBtn1 = nullptr;  // "OK"
  QPushButton* BitBtn2 = nullptr;  // "Close"

  void BitBtn1Click();
  void BitBtn2Click();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::filesystem::path diaryDir_;
  std::optional<TEntryKey> key_;
};

// The opening password check: the diary's key, once the user typed what
// opens it (at once when the diary has no password); nothing when the
// prompt was closed.
std::optional<TEntryKey> AskOpeningPassword(const std::filesystem::path& diaryDir);

// "Warning!": the reminder to back up before every entry file is rewritten.
class TWarningScreen : public QDialog {
  Q_OBJECT
 public:
  // Names the files of the diary in `diaryDir` to back up.
  explicit TWarningScreen(const std::filesystem::path& diaryDir, QWidget* parent = nullptr);

  QPushButton* OKButton = nullptr;
  QPushButton* CancelButton = nullptr;
};

// "Set Up Password": sets, changes or clears the diary's password, chooses
// between strong encryption (the default) and the old cipher, and runs the
// pass that rewrites every entry file when the protection changes.
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
  QLabel* Strength = nullptr;          // how strong the new passphrase is (strong encryption)
  QCheckBox* Compatible = nullptr;     // "Compatible with older versions (weak protection)"
  QLabel* CompatibleWarning = nullptr; // what the old cipher means, while the box is checked
  QLabel* UpgradeNote = nullptr;       // the offer to upgrade a diary under the old cipher
  QLabel* Label5 = nullptr;  // "Processing new password:", behind PassPanel
  TGauge* Gauge1 = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* ClearButton = nullptr;

  // True when no password is set or OldPassword opens the diary.
  bool checkoldpassword() const;
  // Checks the new password's characters for the old cipher; false (after
  // the beep, the message, and the box emptied with the focus back in it)
  // when one is not allowed. Strong encryption takes any characters.
  bool NewPasswordExit();
  void OkButtonClick();
  void ClearButtonClick();
  // Moves the diary from what OldPassword opens to `cipher` under
  // `newPassword`; the same protection again touches no entry file.
  void ProcessPassword(const std::string& oldPassword, TCipher cipher,
                       const std::string& newPassword);

  // What the last pass gave; nothing when none ran (Cancel, or the same password).
  const std::optional<TPasswordChangeResult>& Outcome() const { return outcome_; }

 public slots:
  void reject() override;  // Cancel and Escape; refused while the pass runs

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void FormCreate();
  void RefuseOldPassword();
  void ShowRule();  // the rule, the strength and the warning for the chosen cipher
  TCipher ChosenCipher() const;
  static QString RuleText(TCipher cipher);

  TMainScreen& main_;
  TStoredProtection current_;
  bool processing_ = false;
  std::optional<TPasswordChangeResult> outcome_;
};

}  // namespace quillet
