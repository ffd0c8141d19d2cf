// SPDX-License-Identifier: GPL-3.0-or-later
// Nothing typed is lost: the recovery copy, the save at a signal, deleted entries.
#include <app/main_screen.h>

#include <app/restore_deleted_dialog.h>
#include <app/startup.h>
#include <diary/cipher.h>
#include <diary/recovery_copy.h>
#include <diary/settings_file.h>

#include "main_fixture.h"

#include <diary/instance_lock.h>

#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <regex>

#include <csignal>

namespace quillet {
namespace {

using testing::Diary;
using testing::Open;
using testing::PlainText;
using testing::ReadFile;
using testing::Text;
using testing::Type;
using testing::WhenShown;

void SetPassword(const Diary& d, const std::string& password) {
  TIniFile(d.dir / "QX.INI").WriteString("Security", "Password", EncryptString(password));
}

// Runs the program as it starts, with the window closed once shown, or `act` run on it.
int Start(Diary& d, std::function<void(TMainScreen&)> act = {}) {
  TStartOptions options;
  options.diaryDir = d.dir.path();
  TRunHooks hooks;
  hooks.messenger = &d.messages;
  hooks.shown = [act](TMainScreen& w) {
    QTimer::singleShot(0, &w, [&w, act] {
      if (act) {
        act(w);
      } else {
        w.close();
      }
    });
  };
  // The password, where there is one, is taken as given: with no prompt the
  // window reads it from the settings. The prompt has tests of its own.
  CheckOpeningPassword = nullptr;
  return RunQuillet(*qApp, options, hooks);
}

TEST(RecoveryCopy, KeepsTheUnsavedPageEncipheredUntilItIsSavedOrCancelled) {
  for (const std::string password : {"", "pw"}) {
    SCOPED_TRACE(password);
    Diary d;
    if (!password.empty()) SetPassword(d, password);
    auto w = Open(d.dir.path());
    const std::filesystem::path copy = RecoveryCopyName(d.dir.path());
    EXPECT_LE(w->RecoveryTimer()->interval(), 2000);
    w->RecoveryTimer()->setInterval(100);  // shortened for the test
    Type(*w, "Secret words");
    EXPECT_FALSE(std::filesystem::exists(copy));  // not at every key
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::filesystem::exists(copy); }, 3000));
    EXPECT_EQ(ReadFile(copy).find("Secret words") == std::string::npos, !password.empty());
    TEntryStore store(d.dir.path());
    store.SetPassword(password);
    TRecoveryCopy read = ReadRecoveryCopy(store);
    ASSERT_EQ(read.status, TRecoveryCopy::kOk) << read.problem;
    EXPECT_EQ(read.day, Today());
    EXPECT_EQ(PlainText(read.bytes), "Secret words");

    w->SaveButtonClick();
    EXPECT_FALSE(std::filesystem::exists(copy));
    Type(*w, " more");
    w->WriteRecoveryCopyNow();
    ASSERT_TRUE(std::filesystem::exists(copy));
    w->CancelButtonClick();
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_EQ(Text(*w), "Secret words");
  }
}

// A crash: the window went away without saving, its recovery copy stayed.
void Crash(Diary& d, TDate day, const QString& text) {
  auto w = Open(d.dir.path());
  w->GoToDay(day);
  Type(*w, text);
  w->WriteRecoveryCopyNow();
  w->CancelButton()->hide();  // as if the process were killed: nothing saved
  w->SaveButton()->hide();
}

TEST(RecoveryCopy, IsOfferedAtTheNextStartAndRestoredOrDiscarded) {
  const TDate day = MakeDate(2026, 12, 7);
  for (bool restore : {true, false}) {
    SCOPED_TRACE(restore);
    Diary d;
    SetPassword(d, "pw");
    Crash(d, day, "Lost? Never.");
    d.messages.answerYes = restore;
    std::string shown;
    bool unsaved = false;
    Start(d, [&](TMainScreen& w) {
      shown = Text(w);
      unsaved = w.Unsaved();
      w.CancelButtonClick();  // the user decides, later, to give the text up
      w.close();
    });
    ASSERT_EQ(d.messages.shown.size(), 1u);
    EXPECT_NE(d.messages.shown[0].find(LongDate(day)), std::string::npos) << d.messages.shown[0];
    EXPECT_EQ(shown, restore ? "Lost? Never." : "");
    EXPECT_EQ(unsaved, restore);  // marked changed, nothing written unasked
    EXPECT_FALSE(std::filesystem::exists(d.Entry(day)));
    EXPECT_FALSE(std::filesystem::exists(RecoveryCopyName(d.dir.path())));
  }
}

// The moments in the recovery offer and the deleted entries' list are told
// in the program's locale, the one users and tests set.
TEST(RecoveryCopy, MomentsAreToldInTheProgramsLocale) {
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_EQ(DeletedAtText("20261207150405"), "07.12.2026 15:04");
  const TDate day = MakeDate(2026, 12, 7);
  Diary d;
  Crash(d, day, "Lost? Never.");
  d.messages.answerYes = false;
  Start(d, [](TMainScreen& w) { w.close(); });
  QLocale::setDefault(QLocale::c());
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find("Montag, 7. Dezember 2026"), std::string::npos) << d.messages.shown[0];
  EXPECT_TRUE(std::regex_search(d.messages.shown[0], std::regex("taken \\d\\d\\.\\d\\d\\.\\d{4} \\d\\d:\\d\\d,")))
      << d.messages.shown[0];
}

TEST(RecoveryCopy, ASavedOrUnreadableCopyIsNotOfferedAndAnUnreadableOneIsKept) {
  Diary d;
  Crash(d, Today(), "Saved after all");
  TEntryStore store(d.dir.path());
  store.Write(Today(), ReadRecoveryCopy(store).bytes);
  EXPECT_EQ(Start(d), 0);
  EXPECT_TRUE(d.messages.shown.empty());
  EXPECT_FALSE(std::filesystem::exists(RecoveryCopyName(d.dir.path())));

  d.dir.Write("Recovery.QXR", "QUILLET RECOVERY 1\nday 2026");
  EXPECT_EQ(Start(d), 0);
  ASSERT_EQ(d.messages.shown.size(), 1u);
  const std::string& m = d.messages.shown[0];
  EXPECT_NE(m.find("Recovery-unreadable-"), std::string::npos) << m;
  int kept = 0;
  for (const auto& e : std::filesystem::directory_iterator(d.dir.path())) {
    if (e.path().filename().string().rfind("Recovery-unreadable-", 0) == 0) {
      ++kept;
      EXPECT_EQ(ReadFile(e.path()), "QUILLET RECOVERY 1\nday 2026");
    }
  }
  EXPECT_EQ(kept, 1);
}

TEST(Shutdown, ASignalSavesThePageAndEndsTheProgram) {
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
    SCOPED_TRACE(signal);
    Diary d;
    SetPassword(d, "pw");
    EXPECT_EQ(Start(d, [signal](TMainScreen& w) {
                Type(w, "Typed before logging out");
                std::raise(signal);
              }),
              0);
    TEntryStore store(d.dir.path());
    store.SetPassword("pw");
    TEntryRead read = store.Read(Today());
    ASSERT_EQ(read.status, TEntryRead::kOk) << read.problem;
    EXPECT_EQ(PlainText(read.bytes), "Typed before logging out");
    EXPECT_FALSE(std::filesystem::exists(RecoveryCopyName(d.dir.path())));
    TInstanceLock lock(d.dir.path());
    EXPECT_FALSE(lock.AlreadyRunning());  // the lock went with the program
  }
}

TEST(DeletedEntries, DeleteKeepsTheFileAndRestoreBringsItBack) {
  Diary d;
  SetPassword(d, "pw");
  const TDate day = MakeDate(2026, 12, 7);
  auto w = Open(d.dir.path());
  w->GoToDay(day);
  Type(*w, "First version");
  w->NextButtonClick();
  const std::string enciphered = ReadFile(d.Entry(day));
  w->GoToDay(day);
  w->DeletebuttonClick();  // answered Yes
  w->NextButtonClick();
  EXPECT_FALSE(std::filesystem::exists(d.Entry(day)));
  std::vector<TDeletedEntry> deleted = w->Store().DeletedEntries();
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(ReadFile(deleted[0].file), enciphered);  // kept as it was
  EXPECT_EQ(w->Store().EntryDates(), std::vector<TDate>{});  // not an entry any more

  // The day is written again; restoring the deleted one asks, and keeps this one.
  w->GoToDay(day);
  Type(*w, "Second version");
  w->SaveButtonClick();
  d.messages.shown.clear();
  WhenShown<TRestoreDeletedDialog>([](TRestoreDeletedDialog* dialog) {
    EXPECT_EQ(dialog->List()->count(), 1);
    EXPECT_NE(dialog->List()->item(0)->text().indexOf(QStringLiteral("First version")), -1);
    dialog->accept();
  });
  w->RestoreDeletedEntryClick();
  ASSERT_EQ(d.messages.shown.size(), 1u);
  EXPECT_NE(d.messages.shown[0].find("Replace it"), std::string::npos) << d.messages.shown[0];
  EXPECT_EQ(w->CurrentDate(), day);
  EXPECT_EQ(Text(*w), "First version");
  deleted = w->Store().DeletedEntries();
  ASSERT_EQ(deleted.size(), 1u);
  TEntryRead replaced = w->Store().ReadFile(day, deleted[0].file);
  EXPECT_EQ(PlainText(replaced.bytes), "Second version");

  // Answered No, nothing moves.
  d.messages.answerYes = false;
  WhenShown<TRestoreDeletedDialog>([](TRestoreDeletedDialog* dialog) { dialog->accept(); });
  w->RestoreDeletedEntryClick();
  EXPECT_EQ(Text(*w), "First version");
  EXPECT_EQ(w->Store().DeletedEntries().size(), 1u);
}

}  // namespace
}  // namespace quillet
