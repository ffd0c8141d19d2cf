// SPDX-License-Identifier: GPL-3.0-or-later
// The offer to convert an old single-table diary, made while the program starts.
#include <app/legacy_offer.h>

#include <app/convert_notify.h>
#include <app/main_screen.h>
#include <app/startup.h>

#include <diary/cipher.h>
#include <diary/dates.h>
#include <diary/legacy_conversion.h>
#include <diary/passwords.h>
#include <richtext/ui/rich_text.h>

#include "main_fixture.h"
#include "../support/legacy_table_writer.h"

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include <gtest/gtest.h>

#include <set>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::Diary;
using testing::LegacyLayout;
using testing::LegacyRecord;
using testing::ReadFile;
using testing::WriteLegacyTable;

const std::string kTerminating = "Terminating Quillet";

// One start of the program on the diary, answering the offer as told, with
// what the user saw: the messages, the status lines of the conversion, and
// the shown window's entry.
struct Start {
  int status = -1;
  bool windowShown = false;
  std::string entryShown;         // the RTF of the day the window opened on
  std::set<std::string> statuses;  // every text of the status window's Status line
  std::vector<std::string> messages;
};

Start RunOn(Diary& d, bool answerYes) {
  Start s;
  d.messages.shown.clear();
  d.messages.answerYes = answerYes;
  TStartOptions options;
  options.diaryDir = d.dir.path();
  TRunHooks hooks;
  hooks.messenger = &d.messages;
  hooks.shown = [&](TMainScreen& w) {
    s.windowShown = true;
    s.entryShown = w.RichText1()->SaveToBytes();
    QTimer::singleShot(0, &w, [&w] { w.close(); });
  };
  // The conversion calls for repaints; the status window is read there.
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (auto* notify = qobject_cast<TConvertNotify*>(top); notify && notify->isVisible()) {
        s.statuses.insert(notify->Status()->text().toStdString());
        EXPECT_EQ(notify->WhatAmIdoing()->text(), "Converting to new Quillet file format....");
      }
    }
  });
  watch.start(0);
  auto check = CheckOpeningPassword;
  CheckOpeningPassword = nullptr;  // no prompt: the window takes the stored password
  s.status = RunQuillet(*qApp, options, hooks);
  CheckOpeningPassword = check;
  s.messages = d.messages.shown;
  return s;
}

void WriteOldTable(const Diary& d, const std::vector<LegacyRecord>& records,
                   LegacyLayout layout = LegacyLayout::FoxPro2) {
  auto bytes = WriteLegacyTable(records, layout);
  d.dir.Write("QUILLET.DBF", bytes.dbf);
  d.dir.Write("QUILLET" + bytes.memoExtension, bytes.memo);
}

std::vector<std::string> DirectoryNames(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LegacyOffer, TheOfferIsTheOldQuestionWithItsLineBreaks) {
  EXPECT_STREQ(kLegacyConversionOffer,
               "Old file format detected. Would you like to\x0D"
               "convert to the new file format now? (Press No\x0D"
               "if you wish to make backups of your datafiles\x0D"
               "first)");
}

TEST(LegacyOffer, YesConvertsEveryEntryUnderTheStoredPasswordAndOpensTheDiary) {
  for (std::string password : {"", "Old 1"}) {
    SCOPED_TRACE(password);
    Diary d;
    if (!password.empty()) WriteStoredPassword(d.dir.path(), password);
    const TDate today = Today(), earlier = Today() - std::chrono::days(400);
    WriteOldTable(d, {{DayKey(earlier), "{\\rtf1 A year ago.\\par}"},
                      {DayKey(today), "{\\rtf1 Snow at dawn.\\par}"}});
    const std::string table = ReadFile(d.dir / "QUILLET.DBF");

    Start s = RunOn(d, /*answerYes=*/true);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.messages, std::vector<std::string>{kLegacyConversionOffer}) << "no report needed";
    ASSERT_TRUE(s.windowShown);
    EXPECT_NE(s.entryShown.find("Snow at dawn."), std::string::npos) << s.entryShown;

    std::set<std::string> expected = {"Processing entry for " + ShortDate(earlier),
                                      "Processing entry for " + ShortDate(today)};
    if (!password.empty()) {
      expected.insert("Encrypting entry for " + ShortDate(earlier));
      expected.insert("Encrypting entry for " + ShortDate(today));
    }
    for (const std::string& status : expected) EXPECT_TRUE(s.statuses.count(status)) << status;

    const fs::path old = d.dir / "Entries" / (DayKey(earlier) + ".QXE");
    if (password.empty()) {
      EXPECT_EQ(ReadFile(old), "{\\rtf1 A year ago.\\par}");
    } else {
      EXPECT_EQ(ReadFile(old).find("year ago"), std::string::npos) << "enciphered";
      EXPECT_EQ(DecipherFile(old, password), "{\\rtf1 A year ago.\\par}");
    }
    EXPECT_EQ(ReadFile(d.dir / "QUILLET.DBF"), table) << "the old table is only read";

    // Converted once: the next start makes no offer.
    s = RunOn(d, true);
    EXPECT_TRUE(s.messages.empty());
    EXPECT_TRUE(s.windowShown);
  }
}

TEST(LegacyOffer, NoEndsTheProgramWithNothingWrittenAndTheOfferReturns) {
  Diary d;
  WriteOldTable(d, {{"20261207", "{\\rtf1 kept for later}"}});
  const auto before = DirectoryNames(d.dir.path());
  for (int start = 0; start < 2; ++start) {
    Start s = RunOn(d, /*answerYes=*/false);
    EXPECT_EQ(s.status, 0);
    EXPECT_FALSE(s.windowShown);
    EXPECT_TRUE(s.statuses.empty()) << "no status window";
    EXPECT_EQ(s.messages, (std::vector<std::string>{kLegacyConversionOffer, kTerminating}));
    EXPECT_EQ(DirectoryNames(d.dir.path()), before);
  }
}

TEST(LegacyOffer, NoOfferWithoutTheMemoFileOrWithEntries) {
  Diary noMemo;
  noMemo.dir.Write("QUILLET.DBF", WriteLegacyTable({{"20261207", "x"}}, LegacyLayout::FoxPro2).dbf);
  Diary converted;
  WriteOldTable(converted, {{"20261207", "x"}});
  fs::create_directory(converted.dir / "Entries");
  fs::permissions(converted.dir / "Entries", fs::perms::owner_all);  // as Quillet makes it
  for (Diary* d : {&noMemo, &converted}) {
    Start s = RunOn(*d, true);
    EXPECT_TRUE(s.messages.empty());
    EXPECT_TRUE(s.windowShown);
    EXPECT_TRUE(fs::is_directory(d->dir / "Entries"));
    EXPECT_FALSE(fs::exists(d->dir / "Entries" / "20261207.QXE"));
  }
}

TEST(LegacyOffer, ReportsSkippedDatesAndJoinedDaysAfterConverting) {
  Diary d;
  WriteOldTable(d, {{"../x", "outside"},
                    {"20261207", "{\\rtf1 Morning.\\par}"},
                    {"20261208", "other day"},
                    {"20261207", "{\\rtf1 Evening.\\par}"}});
  Start s = RunOn(d, true);
  EXPECT_TRUE(s.windowShown);
  ASSERT_EQ(s.messages.size(), 2u);
  EXPECT_EQ(s.messages[1],
            "The old diary was converted into 2 entries.\n"
            "Record 1 was not converted: its DATE \"../x\" is not a date.\n"
            "Records 2 and 4 share the date 12/07/2026: their texts were joined in record order.");
  EXPECT_EQ(DirectoryNames(d.dir / "Entries"),
            (std::vector<std::string>{"20261207.QXE", "20261208.QXE"}));
  EXPECT_FALSE(fs::exists(d.dir / "x.QXE"));
  const std::string joined = ReadFile(d.dir / "Entries" / "20261207.QXE");
  EXPECT_LT(joined.find("Morning."), joined.find("Evening.")) << joined;
}

TEST(LegacyOffer, AFailurePartWayLeavesNoEntriesAndTheOfferReturns) {
  Diary d;
  auto bytes = WriteLegacyTable({{"20261207", "one"}, {"20261208", "two"}}, LegacyLayout::FoxPro2);
  d.dir.Write("QUILLET.DBF", bytes.dbf);
  d.dir.Write("QUILLET.FPT", bytes.memo.substr(0, bytes.memo.size() - 60));  // the second memo cut short
  const auto before = DirectoryNames(d.dir.path());

  Start s = RunOn(d, true);
  EXPECT_FALSE(s.windowShown);
  EXPECT_TRUE(s.statuses.count("Processing entry for 12/07/2026")) << "it failed part-way";
  ASSERT_EQ(s.messages.size(), 3u);
  EXPECT_EQ(s.messages[0], kLegacyConversionOffer);
  EXPECT_EQ(s.messages[1],
            "The old diary was not converted: The old diary table QUILLET.DBF is damaged: the "
            "memo of record 2 runs past the end of its memo file.\nNothing was written; the "
            "conversion is offered again at the next start. To start without converting, move "
            "QUILLET.DBF out of " + d.dir.path().string() + ".");
  EXPECT_EQ(s.messages[2], kTerminating);
  EXPECT_EQ(DirectoryNames(d.dir.path()), before) << "no Entries, no half-made staging directory";

  // Mended, the next start converts it.
  d.dir.Write("QUILLET.FPT", bytes.memo);
  s = RunOn(d, true);
  EXPECT_EQ(s.messages, std::vector<std::string>{kLegacyConversionOffer});
  EXPECT_EQ(DirectoryNames(d.dir / "Entries"),
            (std::vector<std::string>{"20261207.QXE", "20261208.QXE"}));
}

}  // namespace
}  // namespace quillet
