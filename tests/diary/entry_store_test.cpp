// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/entry_store.h>

#include <diary/cipher.h>
#include <base/safe_file.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;

const std::string kRtf = "{\\rtf1\\ansi Hello\\par}";

TEST(EntryStore, WritesReadsAndRemovesWithAndWithoutPassword) {
  for (std::string password : {"", "Secret"}) {
    SCOPED_TRACE(password);
    TempDir dir;
    TEntryStore store(dir.path());
    store.SetPassword(password);
    const TDate day = MakeDate(2026, 12, 7);
    EXPECT_FALSE(store.Exists(day));
    EXPECT_EQ(store.Read(day).status, TEntryRead::kNone);

    store.Write(day, kRtf);  // creates Entries/ as needed
    const auto path = dir / "Entries" / "20261207.QXE";
    ASSERT_TRUE(store.Exists(day));
    const std::string stored = ReadFile(path);
    EXPECT_EQ(stored.size(), kRtf.size());
    EXPECT_EQ(stored == kRtf, password.empty());
    TEntryRead read = store.Read(day);
    EXPECT_EQ(read.status, TEntryRead::kOk);
    EXPECT_EQ(read.bytes, kRtf);

    store.Remove(day);
    EXPECT_FALSE(store.Exists(day));
    store.Remove(day);  // nothing there: no error
  }
}

TEST(EntryStore, FindsAndRewritesEntriesUnderAnyLetterCase) {
  TempDir dir;
  dir.Write("entries/20261207.qxe", kRtf);
  TEntryStore store(dir.path());
  const TDate day = MakeDate(2026, 12, 7);
  ASSERT_TRUE(store.Exists(day));
  EXPECT_EQ(store.Read(day).bytes, kRtf);
  store.Write(day, "{\\rtf1 new}");
  EXPECT_EQ(ReadFile(dir / "entries" / "20261207.qxe"), "{\\rtf1 new}");
  EXPECT_FALSE(std::filesystem::exists(dir / "entries" / "20261207.QXE"));
}

TEST(EntryStore, AFailedWriteKeepsTheOldEntry) {
  TempDir dir;
  TEntryStore store(dir.path());
  const TDate day = MakeDate(2026, 12, 7);
  store.Write(day, kRtf);
  SetWriteFaultHook([](std::string_view step) { return step != "write"; });
  EXPECT_THROW(store.Write(day, "{\\rtf1 lost}"), std::exception);
  SetWriteFaultHook({});
  EXPECT_EQ(ReadFile(dir / "Entries" / "20261207.QXE"), kRtf);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "Entries"), {}), 1);
}

TEST(EntryStore, ReportsUnreadableEntriesByDayAndFile) {
  struct Case {
    const char* name;
    std::string password;
    std::string bytes;
  };
  const Case cases[] = {
      {"control bytes", "", std::string("ab\0\x01" "cd", 6)},
      {"another password", "mine", EncipherBytes(kRtf, "theirs")},
      {"enciphered, read without password", "", EncipherBytes(kRtf, "theirs")},
      {"a named pipe", "", ""},
      {"a named pipe, with password", "mine", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    if (std::string_view(c.name).find("pipe") != std::string_view::npos) {
      std::filesystem::create_directory(dir / "Entries");
      ASSERT_EQ(::mkfifo((dir / "Entries/20240229.QXE").c_str(), 0600), 0);
    } else {
      dir.Write("Entries/20240229.QXE", c.bytes);
    }
    TEntryStore store(dir.path());
    store.SetPassword(c.password);
    EXPECT_TRUE(store.Exists(MakeDate(2024, 2, 29)));  // so the day is never written over
    TEntryRead read = store.Read(MakeDate(2024, 2, 29));
    EXPECT_EQ(read.status, TEntryRead::kUnreadable);
    EXPECT_NE(read.problem.find("Thursday, February 29, 2024"), std::string::npos) << read.problem;
    EXPECT_NE(read.problem.find("20240229.QXE"), std::string::npos) << read.problem;
  }
}

TEST(EntryStore, AcceptsRtfAndPlainTextAsEntries) {
  EXPECT_TRUE(LooksLikeEntry(kRtf));
  EXPECT_TRUE(LooksLikeEntry("\r\n {\\rtf1}"));
  EXPECT_TRUE(LooksLikeEntry("Plain text\r\nwith \t tabs and caf\xe9"));
  EXPECT_FALSE(LooksLikeEntry(std::string("text\0more", 9)));
}

TEST(EntryStore, FirstAndLastDatesStartFromToday) {
  const TDate today = Today();
  const TDate past = MakeDate(2001, 1, 2), future = MakeDate(9000, 3, 4);
  struct Case {
    const char* name;
    std::vector<std::string> files;
    TDate first, last;
  };
  const Case cases[] = {
      {"none", {}, today, today},
      {"past only", {"20010102.QXE"}, past, today},
      {"future only", {"90000304.qxe"}, today, future},
      {"both, with names that are not days",
       {"90000304.QXE", "notes.QXE", "20230229.QXE", "20010102.Qxe", "19990101.txt"},
       past,
       future},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    std::filesystem::create_directories(dir / "Entries");
    for (const auto& f : c.files) dir.Write("Entries/" + f, "x");
    TEntryStore store(dir.path());
    EXPECT_EQ(store.FirstDiaryRecord(), c.first);
    EXPECT_EQ(store.LastDiaryRecord(), c.last);
  }
}

TEST(EntryStore, ListsEntryDatesAndTheDaysOfAMonth) {
  TempDir dir;
  for (const char* f : {"20240217.QXE", "20240203.qxe", "20240301.QXE", "20230203.QXE",
                        "20240230.QXE", "2024021.QXE", "notes.QXE"}) {
    dir.Write(std::string("Entries/") + f, "x");
  }
  TEntryStore store(dir.path());
  EXPECT_EQ(store.EntryDays(2024, 2), (std::vector<int>{3, 17}));
  EXPECT_EQ(store.EntryDays(2024, 4), std::vector<int>{});
  EXPECT_EQ(store.EntryDays(2024, 13), std::vector<int>{});
  std::vector<std::string> keys;
  for (TDate d : store.EntryDates()) keys.push_back(DayKey(d));
  EXPECT_EQ(keys, (std::vector<std::string>{"20230203", "20240203", "20240217", "20240301"}));
}

TEST(EntryStore, ADeletedEntryIsKeptAsItWasAndListedLatestFirst) {
  TempDir dir;
  TEntryStore store(dir.path());
  store.SetPassword("Secret");
  const TDate day = MakeDate(2026, 12, 7);
  store.Write(day, kRtf);
  const std::string enciphered = ReadFile(dir / "Entries" / "20261207.QXE");
  store.Remove(day);
  EXPECT_FALSE(store.Exists(day));
  EXPECT_TRUE(store.EntryDates().empty());
  std::vector<TDeletedEntry> deleted = store.DeletedEntries();
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0].day, day);
  EXPECT_EQ(ReadFile(deleted[0].file), enciphered);
  store.Remove(day);  // nothing there: nothing more kept
  EXPECT_EQ(store.DeletedEntries().size(), 1u);

  // Deletions of one day within one second are numbered; the latest comes first.
  for (const char* name : {"20261207_20261210120000.QXE", "20261207_20261210120000-2.QXE",
                           "20261207_20261210120000-10.QXE", "20261207_20261210120000-9.QXE",
                           "20261208_20250101000000.QXE", "notes.txt"}) {
    dir.Write(std::string("Deleted/") + name, kRtf);
  }
  std::vector<std::string> order;
  for (const TDeletedEntry& e : store.DeletedEntries()) order.push_back(e.file.filename().string());
  EXPECT_EQ(order, (std::vector<std::string>{
                       "20261208_20250101000000.QXE", deleted[0].file.filename().string(),
                       "20261207_20261210120000-10.QXE", "20261207_20261210120000-9.QXE",
                       "20261207_20261210120000-2.QXE", "20261207_20261210120000.QXE"}));
}

TEST(EntryStore, DeletesAStaleScratchFileInAnyCase) {
  TempDir dir;
  dir.Write("ERASEME.RTF", kRtf);
  TEntryStore store(dir.path());
  EXPECT_TRUE(store.DeleteStaleScratch());
  EXPECT_FALSE(std::filesystem::exists(dir / "ERASEME.RTF"));
  EXPECT_FALSE(store.DeleteStaleScratch());
}

}  // namespace
}  // namespace quillet
