// SPDX-License-Identifier: GPL-3.0-or-later
// The password dialogs on a real diary, driven as a user would: the prompt at
// start, and File, "Select or Change Password".
#include <app/password_dialogs.h>

#include <app/main_screen.h>
#include <app/startup.h>

#include <controls/gauge.h>

#include <diary/cipher.h>
#include <diary/password_change.h>
#include <diary/passwords.h>
#include <diary/settings_file.h>
#include <diary/strong_cipher.h>
#include <richtext/ui/rich_text.h>

#include "../support/modal.h"
#include "../support/recording_messenger.h"
#include "../diary/password_diary.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::RecordingMessenger;
using testing::WhenShown;

// The small diary of the password tests, with the window's opening message
// off; strong key files are wrapped at the least cost, so that tests stay quick.
struct Diary : testing::PasswordDiary {
  explicit Diary(const std::string& password) : testing::PasswordDiary(password) {
    TIniFile(dir / "QX.INI").WriteString("Opening Screen", "show", "0");
    SetKeyFileCost(kLeastArgon2Cost);
  }
  // The diary moved to strong encryption under `passphrase` (from no password).
  void MakeStrong(const std::string& passphrase) {
    ASSERT_EQ(ChangePassword(path(), "", TCipher::Strong, passphrase).state, TDiaryState::Changed);
  }
  // Every entry file's bytes, by name.
  std::map<std::string, std::string> Files() const {
    std::map<std::string, std::string> files;
    for (const auto& f : ListEntryFiles(path())) files[f.filename().string()] = ReadFile(f);
    return files;
  }
  RecordingMessenger messages;
};

std::unique_ptr<TMainScreen> Open(const std::filesystem::path& dir) {
  auto w = std::make_unique<TMainScreen>(dir);
  w->show();
  w->FormActivate();
  return w;
}

// The control that shows at the middle of `w`: the one on top there.
QWidget* OnTop(QWidget* w) {
  QWidget* form = w->window();
  return form->childAt(w->mapTo(form, w->rect().center()));
}

void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

// Chooses the old cipher in the set-up dialog, as a user would: a click on the check box.
void UseOldCipher(TGetPassword* dialog) {
  QTest::mouseClick(dialog->Compatible, Qt::LeftButton, {}, QPoint(6, dialog->Compatible->height() / 2));
  ASSERT_TRUE(dialog->Compatible->isChecked());
}

void Type(QLineEdit* box, const QString& text) {
  box->setFocus();
  box->selectAll();
  QTest::keyClick(box, Qt::Key_Backspace);
  QTest::keyClicks(box, text);
}

// Runs File, "Select or Change Password": the warning is answered with Ok
// (or Cancel), then `act` works the set-up dialog; a dialog it leaves open
// is cancelled. Gives whether the set-up dialog was shown.
bool ChangePasswordCommand(TMainScreen& w, std::function<void(TGetPassword*)> act,
                           bool backupsMade = true) {
  bool shown = false;
  WhenShown<TWarningScreen>([backupsMade](TWarningScreen* warning) {
    // Answered once it is active, so that its activation cannot come after
    // the set-up dialog's and take the focus from it.
    EXPECT_TRUE(QTest::qWaitForWindowActive(warning));
    Click(backupsMade ? warning->OKButton : warning->CancelButton);
  });
  if (backupsMade) {
    WhenShown<TGetPassword>([&](TGetPassword* dialog) {
      shown = true;
      EXPECT_TRUE(QTest::qWaitForWindowActive(dialog));
      act(dialog);
      if (dialog->isVisible()) Click(dialog->CancelButton);
    });
  }
  w.findChild<QAction*>(QStringLiteral("mnuSecurity"))->trigger();
  return shown;
}

TEST(PasswordDialogs, TheWarningAndTheSetUpDialogAsDesigned) {
  Diary d("");
  auto w = Open(d.path());
  WhenShown<TWarningScreen>([&](TWarningScreen* warning) {
    EXPECT_EQ(warning->windowTitle(), "Warning!");
    std::vector<std::string> texts;
    for (QLabel* l : warning->findChildren<QLabel*>()) texts.push_back(l->text().toStdString());
    EXPECT_EQ(texts.size(), 5u);
    // The real folders, not the old platform's names for them.
    EXPECT_EQ(texts[2], "-QX.INI, in the diary folder " + d.path().string());
    EXPECT_EQ(texts[3], "-All files with the .QXE extension, in the folder " +
                            (d.dir / "Entries").string() + " (these are your Quillet entries)");
    EXPECT_NE(texts[4].find("a USB stick or another disk"), std::string::npos);
    EXPECT_EQ(warning->OKButton->text(), "Ok");
    EXPECT_TRUE(warning->OKButton->isDefault());
    QTest::keyClick(warning, Qt::Key_Escape);  // Escape is Cancel
  });
  w->findChild<QAction*>(QStringLiteral("mnuSecurity"))->trigger();
  EXPECT_TRUE(d.messages.shown.empty());

  bool shown = ChangePasswordCommand(*w, [](TGetPassword* dialog) {
    EXPECT_EQ(dialog->windowTitle(), "Set Up Password");
    // No password yet: "(none)" where the old password box would be.
    EXPECT_TRUE(dialog->OldPassword->isHidden());
    EXPECT_EQ(dialog->Label2->text(), "(none)");
    EXPECT_EQ(dialog->Label2->geometry(), dialog->OldPassword->geometry());
    EXPECT_EQ(OnTop(dialog->Label2), dialog->Label2);
    // Strong encryption unless the old cipher is chosen: any characters, any length.
    EXPECT_EQ(dialog->Label4->text(), "(any length from 1 character, any characters)");
    EXPECT_FALSE(dialog->Compatible->isChecked());
    EXPECT_EQ(dialog->Compatible->text(), "Compatible with older versions (weak protection)");
    EXPECT_FALSE(dialog->CompatibleWarning->isVisible());
    EXPECT_FALSE(dialog->UpgradeNote->isVisible());
    EXPECT_GT(dialog->NewPassword->maxLength(), 1000);
    EXPECT_FALSE(dialog->Strength->isVisible());
    QTest::keyClicks(dialog->NewPassword, "abc");
    EXPECT_TRUE(dialog->Strength->isVisible());
    EXPECT_TRUE(dialog->Strength->text().startsWith("Too short")) << dialog->Strength->text().toStdString();
    UseOldCipher(dialog);
    EXPECT_EQ(dialog->Label4->text(), "(maximum 8 chars - A-Z, a-z, 0-9 and spaces)");
    EXPECT_EQ(dialog->NewPassword->maxLength(), 8);
    EXPECT_TRUE(dialog->CompatibleWarning->isVisible());
    EXPECT_FALSE(dialog->Strength->isVisible());
    // The warning takes the strength's place: no text overlaps another.
    EXPECT_EQ(dialog->CompatibleWarning->geometry().top(), dialog->Strength->geometry().top());
    for (QLabel* l : dialog->findChildren<QLabel*>()) {
      if (l->isVisible() && !l->wordWrap()) {
        EXPECT_LE(l->sizeHint().width(), l->width()) << l->objectName().toStdString();
      }
    }
    QTest::keyClick(dialog->NewPassword, Qt::Key_Backspace);
    QTest::keyClick(dialog->NewPassword, Qt::Key_Backspace);
    QTest::keyClick(dialog->NewPassword, Qt::Key_Backspace);
    EXPECT_EQ(dialog->ClearButton->text(), "Clear (no password)");
    EXPECT_EQ(dialog->NewPassword->echoMode(), QLineEdit::Normal);
    EXPECT_EQ(dialog->OldPassword->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(dialog->Gauge1->isVisible());
    EXPECT_TRUE(dialog->PassPanel->isAncestorOf(OnTop(dialog->Label5)));  // behind the panel
    // Tab order: OK, Cancel, Clear, then the boxes of the panel.
    dialog->OkButton->setFocus();
    std::vector<std::string> order;
    for (int i = 0; i < 4; ++i) {
      order.push_back(QApplication::focusWidget()->objectName().toStdString());
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(order, (std::vector<std::string>{"OkButton", "CancelButton", "ClearButton",
                                               "NewPassword"}));
  });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(d.messages.shown.empty());
  d.ExpectReadsBack("after Cancel");
}

TEST(PasswordDialogs, SettingAPasswordEnciphersEveryEntryWithTheGaugeFollowing) {
  Diary d("");
  auto w = Open(d.path());
  // Typed but not yet saved: written under the old password before the pass.
  w->RichText1()->setFocus();
  QTest::keyClicks(w->RichText1(), "today");
  ASSERT_TRUE(w->Unsaved());
  const int total = CountEntryFiles(d.path()) + 1;
  std::vector<long> progressAtEachRead;
  ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
    SetPasswordChangeFaultHook([&, dialog](std::string_view step) {
      if (step == "read") {
        EXPECT_TRUE(dialog->Gauge1->isVisible());
        EXPECT_EQ(OnTop(dialog->Label5), dialog->Label5);
        EXPECT_FALSE(dialog->OkButton->isEnabled());
        EXPECT_EQ(dialog->Gauge1->MaxValue(), total);
        progressAtEachRead.push_back(dialog->Gauge1->Progress());
      }
      return true;
    });
    UseOldCipher(dialog);
    Type(dialog->NewPassword, "Secret 1");
    QTest::keyClick(dialog->NewPassword, Qt::Key_Return);  // OK is the default button
    SetPasswordChangeFaultHook(nullptr);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
  });
  std::vector<long> expected;
  for (int i = 0; i < total; ++i) expected.push_back(i);
  EXPECT_EQ(progressAtEachRead, expected);
  EXPECT_EQ(d.messages.shown,
            std::vector<std::string>{"Be sure to write down your new password: Secret 1"});
  EXPECT_EQ(w->CurrentPassword(), "Secret 1");
  EXPECT_FALSE(w->Unsaved());
  d.plain[DayKey(Today()) + ".QXE"] =
      DecipherBytes(ReadFile(w->GetCurrentDateFileName()), "Secret 1");
  EXPECT_NE(d.plain[DayKey(Today()) + ".QXE"].find("today"), std::string::npos);
  d.ExpectReadsBack("after setting a password");
  for (const auto& [name, bytes] : d.Files()) {
    if (!bytes.empty()) {
      EXPECT_NE(bytes, d.plain[name]) << name << " is still plain";
    }
  }
  // Later saves use the new password.
  QTest::keyClicks(w->RichText1(), " and tomorrow");
  ASSERT_TRUE(w->SaveButtonClick());
  EXPECT_NE(DecipherBytes(ReadFile(w->GetCurrentDateFileName()), "Secret 1").find("today and tomorrow"),
            std::string::npos);
}

TEST(PasswordDialogs, TheOldPasswordMustBeTypedExactlyAndTheOldCipherIsUpgraded) {
  Diary d("Old 1");
  const auto before = d.Files();
  auto w = Open(d.path());
  ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
    EXPECT_TRUE(dialog->OldPassword->isVisible());
    EXPECT_EQ(OnTop(dialog->Label2), dialog->OldPassword);  // "(none)" lies behind it
    EXPECT_TRUE(dialog->UpgradeNote->isVisible());  // the offer to upgrade
    Type(dialog->NewPassword, "New 2");
    Click(dialog->OkButton);
    Type(dialog->OldPassword, "old 1");  // another letter case
    Click(dialog->OkButton);
    Click(dialog->ClearButton);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_TRUE(dialog->PassPanel->isVisible());
  });
  EXPECT_EQ(d.messages.shown,
            (std::vector<std::string>{"Previous password is required",
                                      "Previous password is incorrect",
                                      "Previous password is incorrect"}));
  EXPECT_TRUE(d.Files() == before);
  EXPECT_EQ(ReadStoredPassword(d.path()), "Old 1");

  // The same password, strong encryption left chosen: the diary is upgraded.
  d.messages.shown.clear();
  ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
    Type(dialog->OldPassword, "Old 1");
    Type(dialog->NewPassword, "Old 1");
    Click(dialog->OkButton);
  });
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find("no one can recover it"), std::string::npos);
  EXPECT_EQ(ReadStoredProtection(d.path()).cipher, TCipher::Strong);
  EXPECT_EQ(w->CurrentPassword(), "");
  d.ExpectOpensWith("Old 1", "after the upgrade");
  // The window goes on reading and writing with the new key.
  w->SetCurrentDate(MakeDate(2026, 12, 7));
  w->FindDateRecord();
  w->LoadRichText();
  EXPECT_FALSE(w->EntryUnreadable());
  QTest::keyClicks(w->RichText1(), "more ");
  ASSERT_TRUE(w->SaveButtonClick());
  TEntryStore store(d.path());
  store.SetKey(UnlockDiary(d.path(), "Old 1"));
  EXPECT_NE(store.Read(MakeDate(2026, 12, 7)).bytes.find("more"), std::string::npos);

  // And back to the old cipher, for older versions.
  d.messages.shown.clear();
  ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
    EXPECT_FALSE(dialog->UpgradeNote->isVisible());
    Type(dialog->OldPassword, "Old 1");
    UseOldCipher(dialog);
    Type(dialog->NewPassword, "New 2");
    Click(dialog->OkButton);
  });
  EXPECT_EQ(d.messages.shown,
            std::vector<std::string>{"Be sure to write down your new password: New 2"});
  EXPECT_EQ(w->CurrentPassword(), "New 2");
  EXPECT_FALSE(std::filesystem::exists(d.dir / "Diary.key"));
  d.plain["20261207.QXE"] = DecipherBytes(ReadFile(d.dir / "Entries/20261207.QXE"), "New 2");
  d.ExpectReadsBack("after going back");
}

TEST(PasswordDialogs, AStrongPassphraseIsAnyTextAndItsChangeTouchesNoEntry) {
  Diary d("");
  auto w = Open(d.path());
  const std::string passphrase = "Fjällen är höga, 🙂!";
  ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
    // Typed as an input method gives it: the test keyboard has no emoji keys.
    dialog->NewPassword->setFocus();
    dialog->NewPassword->insert(QString::fromStdString(passphrase));
    EXPECT_EQ(dialog->NewPassword->text().toStdString(), passphrase);
    Click(dialog->OkButton);
  });
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_EQ(ReadStoredProtection(d.path()).cipher, TCipher::Strong);
  EXPECT_EQ(TIniFile(d.dir / "QX.INI").ReadString("Security", "Password", "absent"), "");
  d.ExpectOpensWith(passphrase, "after setting it");
  for (const auto& [name, bytes] : d.Files()) {
    EXPECT_EQ(bytes.find("Dear diary"), std::string::npos) << name;
  }

  const auto before = d.Files();
  const std::string key = ReadFile(d.dir / "Diary.key");
  d.messages.shown.clear();
  ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
    dialog->OldPassword->setText(QStringLiteral("fjällen"));  // wrong
    Type(dialog->NewPassword, "x");
    Click(dialog->OkButton);
    dialog->OldPassword->setText(QString::fromStdString(passphrase));
    Click(dialog->OkButton);
  });
  EXPECT_EQ(d.messages.shown.front(), "Previous password is incorrect");
  EXPECT_TRUE(d.Files() == before);  // only the key file changed
  EXPECT_NE(ReadFile(d.dir / "Diary.key"), key);
  d.ExpectOpensWith("x", "after the change");
}

TEST(PasswordDialogs, ClearOrOkWithAnEmptyBoxRemovesThePassword) {
  for (bool viaOk : {false, true}) {
    SCOPED_TRACE(viaOk ? "OK with an empty box" : "Clear");
    Diary d("pw");
    auto w = Open(d.path());
    ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
      Type(dialog->OldPassword, "pw");
      Type(dialog->NewPassword, "typed");
      Type(dialog->NewPassword, "");
      Click(viaOk ? dialog->OkButton : dialog->ClearButton);
    });
    EXPECT_EQ(d.messages.shown,
              std::vector<std::string>{"Password cleared. No password now required."});
    EXPECT_EQ(w->CurrentPassword(), "");
    EXPECT_TRUE(d.Files() == d.plain);  // plain RTF again
    EXPECT_EQ(TIniFile(d.dir / "QX.INI").ReadString("Security", "Password", "absent"), "");
    d.ExpectReadsBack("after clearing");
    EXPECT_TRUE(d.Leftovers().empty());
  }
}

TEST(PasswordDialogs, CharactersOutsideTheOldCiphersRuleAreRefusedWithABeep) {
  Diary d("");
  const auto before = d.Files();
  auto w = Open(d.path());
  int beeps = 0;
  TGetPassword::Beep = [&] { ++beeps; };
  ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
    // Strong encryption takes them.
    Type(dialog->NewPassword, "ab-c");
    QTest::keyClick(dialog->NewPassword, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_EQ(dialog->NewPassword->text(), "ab-c");
    UseOldCipher(dialog);
    // Leaving the box with Tab.
    Type(dialog->NewPassword, "ab-c");
    QTest::keyClick(dialog->NewPassword, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_EQ(dialog->NewPassword->text(), "");
    EXPECT_EQ(QApplication::focusWidget(), dialog->NewPassword);
    // Pressing Enter in it: OK checks the box before anything else.
    Type(dialog->NewPassword, "a*b");
    Click(dialog->OkButton);
    EXPECT_EQ(dialog->NewPassword->text(), "");
    EXPECT_TRUE(dialog->isVisible());
    // Lower-case letters pass, as the rule says.
    Type(dialog->NewPassword, "ok 2");
    QTest::keyClick(dialog->NewPassword, Qt::Key_Tab);
    QTest::qWait(20);
    EXPECT_EQ(dialog->NewPassword->text(), "ok 2");
  });
  TGetPassword::Beep = [] { QApplication::beep(); };
  EXPECT_EQ(beeps, 2);
  EXPECT_EQ(d.messages.shown,
            std::vector<std::string>(2, "Valid password characters are A-Z, a-z, 0-9 and spaces"));
  EXPECT_TRUE(d.Files() == before);
  EXPECT_EQ(ReadStoredPassword(d.path()), "");
}

TEST(PasswordDialogs, TheSamePasswordAgainTouchesNoEntry) {
  struct Case {
    const char* stored;
    const char* typed;  // nullptr: Clear
  };
  for (const Case& c : {Case{"pw", "pw"}, Case{"", nullptr}, Case{"strong", "strong"}}) {
    SCOPED_TRACE(c.stored);
    const bool strong = std::string(c.stored) == "strong";
    Diary d(strong ? "" : c.stored);
    if (strong) d.MakeStrong(c.stored);
    for (const auto& f : ListEntryFiles(d.path())) ::chmod(f.c_str(), 0444);
    std::map<std::string, struct timespec> times;
    for (const auto& f : ListEntryFiles(d.path())) {
      struct stat st {};
      ::stat(f.c_str(), &st);
      times[f.filename().string()] = st.st_mtim;
    }
    auto w = Open(d.path());
    ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
      if (c.typed) {
        Type(dialog->OldPassword, c.typed);
        if (!strong) UseOldCipher(dialog);
        Type(dialog->NewPassword, c.typed);
        Click(dialog->OkButton);
      } else {
        Click(dialog->ClearButton);
      }
      EXPECT_FALSE(dialog->isVisible());
    });
    EXPECT_TRUE(d.messages.shown.empty());
    EXPECT_EQ(w->CurrentPassword(), strong ? "" : c.stored);
    for (const auto& f : ListEntryFiles(d.path())) {
      struct stat st {};
      ::stat(f.c_str(), &st);
      EXPECT_EQ(st.st_mtim.tv_nsec, times[f.filename().string()].tv_nsec) << f;
      EXPECT_EQ(st.st_mtim.tv_sec, times[f.filename().string()].tv_sec) << f;
    }
    d.ExpectOpensWith(c.stored, "after the same password");
  }
}

TEST(PasswordDialogs, AnEmptyDiaryStillTellsTheNewPassword) {
  Diary d("");
  for (const auto& f : ListEntryFiles(d.path())) std::filesystem::remove(f);
  d.plain.clear();
  auto w = Open(d.path());
  ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
    UseOldCipher(dialog);
    Type(dialog->NewPassword, "Fresh");
    Click(dialog->OkButton);
    EXPECT_EQ(dialog->Gauge1->MaxValue(), 0);
  });
  EXPECT_EQ(d.messages.shown,
            std::vector<std::string>{"Be sure to write down your new password: Fresh"});
  EXPECT_EQ(ReadStoredPassword(d.path()), "Fresh");
}

TEST(PasswordDialogs, AFailedPassSaysWhatStateTheDiaryIsIn) {
  struct Case {
    const char* refusedStep;
    const char* says;
    const char* passwordAfter;
    bool windowStays;
  };
  const Case cases[] = {
      // Refused while the entries are read: nothing has changed.
      {"read", "Every entry still opens with the previous password.", "Old", true},
      // Refused once the entries are being rewritten: finished at the next start.
      {"finish", "will be finished the next time Quillet starts", "New", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.refusedStep);
    Diary d("Old");
    auto w = Open(d.path());
    ChangePasswordCommand(*w, [&](TGetPassword* dialog) {
      SetPasswordChangeFaultHook([&](std::string_view step) { return step != c.refusedStep; });
      Type(dialog->OldPassword, "Old");
      UseOldCipher(dialog);
      Type(dialog->NewPassword, "New");
      Click(dialog->OkButton);
      SetPasswordChangeFaultHook(nullptr);
    });
    ASSERT_EQ(d.messages.shown.size(), 1u);
    EXPECT_NE(d.messages.shown[0].find(c.says), std::string::npos) << d.messages.shown[0];
    EXPECT_EQ(w->CurrentPassword(), c.passwordAfter);
    EXPECT_EQ(w->isVisible(), c.windowStays);
    // The next start puts the diary right.
    RecoverPasswordChange(d.path());
    d.ExpectReadsBack("after the next start");
    EXPECT_EQ(ReadStoredPassword(d.path()), c.passwordAfter);
  }
}

// ------------------------------------------------------------------ start-up

struct Start {
  explicit Start(const Diary& d) {
    CheckOpeningPassword = AskOpeningPassword;  // the program's own check, whatever ran before
    options.diaryDir = d.path();
    hooks.messenger = const_cast<RecordingMessenger*>(&d.messages);
    hooks.shown = [this](TMainScreen& w) {
      started = true;
      password = w.CurrentPassword();
      QTimer::singleShot(0, &w, [&w] { w.close(); });
    };
  }
  int Run() { return RunQuillet(*qApp, options, hooks); }
  TStartOptions options;
  TRunHooks hooks;
  bool started = false;
  std::string password;
};

TEST(OpeningPassword, WrongThenRightOpensTheDiary) {
  Diary d("Pw");
  Start start(d);
  int tries = 0;
  WhenShown<TGetOpeningPassword>([&](TGetOpeningPassword* prompt) {
    EXPECT_EQ(prompt->windowTitle(), "Quillet - Password Required");
    EXPECT_TRUE(prompt->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(prompt->Label1->text(), "Please enter your password and press OK");
    EXPECT_EQ(prompt->Pass->text(), "Pass");
    EXPECT_EQ(prompt->Pass->selectedText(), "Pass");
    EXPECT_EQ(prompt->Pass->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(QTest::qWaitForWindowActive(prompt));
    EXPECT_EQ(QApplication::focusWidget(), prompt->Pass);
    EXPECT_TRUE(prompt->BitBtn1->isDefault());
    QTest::keyClick(prompt, Qt::Key_Escape);  // only Close ends it
    for (const char* typed : {"pw", "Pw "}) {  // another case; a space more
      QTest::keyClicks(prompt->Pass, typed);
      Click(prompt->BitBtn1);
      ++tries;
      EXPECT_TRUE(prompt->isVisible());
      EXPECT_EQ(prompt->Pass->text().toStdString(), typed);  // left as typed
      prompt->Pass->selectAll();
    }
    QTest::keyClicks(prompt->Pass, "Pw");
    QTest::keyClick(prompt->Pass, Qt::Key_Return);
  });
  EXPECT_EQ(start.Run(), 0);
  EXPECT_EQ(tries, 2);
  EXPECT_TRUE(start.started);
  EXPECT_EQ(start.password, "Pw");
  EXPECT_EQ(d.messages.shown, std::vector<std::string>(2, "Sorry, that is the wrong password"));
}

TEST(OpeningPassword, AStrongDiaryOpensWithItsPassphraseOnly) {
  Diary d("");
  d.MakeStrong("lång fras");
  Start start(d);
  bool readable = false;
  start.hooks.shown = [&](TMainScreen& w) {
    start.started = true;
    w.SetCurrentDate(MakeDate(2026, 12, 7));
    w.FindDateRecord();
    w.LoadRichText();
    readable = !w.EntryUnreadable();
    QTimer::singleShot(0, &w, [&w] { w.close(); });
  };
  WhenShown<TGetOpeningPassword>([&](TGetOpeningPassword* prompt) {
    for (const char* typed : {"Lång fras", "lång fras"}) {
      prompt->Pass->setText(QString::fromUtf8(typed));
      Click(prompt->BitBtn1);
    }
  });
  EXPECT_EQ(start.Run(), 0);
  EXPECT_TRUE(start.started);
  EXPECT_TRUE(readable);
  EXPECT_EQ(d.messages.shown, std::vector<std::string>{"Sorry, that is the wrong password"});

  // A key file that is gone is said as it is, not taken for a wrong password.
  std::filesystem::rename(d.dir / "Diary.key", d.dir / "Elsewhere.key");
  d.messages.shown.clear();
  Start again(d);
  WhenShown<TGetOpeningPassword>([&](TGetOpeningPassword* prompt) {
    prompt->Pass->setText(QString::fromUtf8("lång fras"));
    Click(prompt->BitBtn1);
    Click(prompt->BitBtn2);
  });
  EXPECT_EQ(again.Run(), 0);
  EXPECT_FALSE(again.started);
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find("Diary.key"), std::string::npos) << d.messages.shown[0];
}

TEST(OpeningPassword, CloseEndsTheProgramWithoutAWindow) {
  Diary d("Pw");
  Start start(d);
  WhenShown<TGetOpeningPassword>([](TGetOpeningPassword* prompt) { Click(prompt->BitBtn2); });
  EXPECT_EQ(start.Run(), 0);
  EXPECT_FALSE(start.started);
  EXPECT_TRUE(d.messages.shown.empty());
}

TEST(OpeningPassword, AnInterruptedChangeIsPutRightBeforeThePrompt) {
  Diary d("Old");
  SetPasswordChangeFaultHook([](std::string_view step) { return step != "finish"; });
  ASSERT_EQ(ChangePassword(d.path(), "Old", "New").state, TDiaryState::Interrupted);
  SetPasswordChangeFaultHook(nullptr);
  Start start(d);
  WhenShown<TGetOpeningPassword>([](TGetOpeningPassword* prompt) {
    prompt->Pass->setText("New");
    Click(prompt->BitBtn1);
  });
  EXPECT_EQ(start.Run(), 0);
  EXPECT_TRUE(start.started);
  EXPECT_EQ(start.password, "New");
  EXPECT_EQ(d.messages.shown,
            std::vector<std::string>{"An interrupted password change has been finished."});
  d.ExpectReadsBack("after the start");

  // A journal that cannot be trusted stops the start before any prompt.
  d.dir.Write("Password.jnl", "Quillet password change 1\ncut off");
  d.messages.shown.clear();
  Start again(d);
  EXPECT_EQ(again.Run(), 1);
  EXPECT_FALSE(again.started);
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find("is damaged"), std::string::npos) << d.messages.shown[0];
}

}  // namespace
}  // namespace quillet
