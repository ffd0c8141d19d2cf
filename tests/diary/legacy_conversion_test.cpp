// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/legacy_conversion.h>

#include <diary/cipher.h>
#include <richtext/io.h>

#include "../support/temp_dir.h"
#include "../support/legacy_table_writer.h"

#include <gtest/gtest.h>

#include <map>

namespace quillet {
namespace {

using testing::LegacyLayout;
using testing::LegacyRecord;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteLegacyTable;

// A diary directory holding an old table and its memo file.
void WriteDiary(const TempDir& dir, const std::vector<LegacyRecord>& records,
                LegacyLayout layout = LegacyLayout::FoxPro2) {
  auto bytes = WriteLegacyTable(records, layout);
  dir.Write("QUILLET.DBF", bytes.dbf);
  dir.Write("QUILLET" + bytes.memoExtension, bytes.memo);
}

// Every file below a directory, by its path relative to it, with its bytes.
std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    if (e.is_regular_file()) files[fs::relative(e.path(), root).string()] = ReadFile(e.path());
  }
  return files;
}

std::string PlainText(const std::string& rtf) {
  richtext::TRTFTextIo doc;
  doc.LoadFromStream(rtf);
  std::string text;
  for (size_t i = 0; i < doc.Size(); ++i) {
    for (char32_t c : doc.ParagraphText(i)) text += char(c);
    text += '|';
  }
  return text;
}

TEST(LegacyConversion, IsOfferedOnlyWithoutEntriesAndWithTheTableAndItsMemoFile) {
  TempDir dir;
  EXPECT_FALSE(LegacyConversionNeeded(dir.path()));
  auto foxpro = WriteLegacyTable({}, LegacyLayout::FoxPro2);
  dir.Write("quillet.dbf", foxpro.dbf);
  EXPECT_FALSE(LegacyConversionNeeded(dir.path())) << "no memo file";
  dir.Write("Quillet.fpt", foxpro.memo);
  EXPECT_TRUE(LegacyConversionNeeded(dir.path()));
  fs::create_directory(dir / "entries");
  EXPECT_FALSE(LegacyConversionNeeded(dir.path())) << "entries exist";

  TempDir dbase;
  auto db3 = WriteLegacyTable({}, LegacyLayout::DBaseIII);
  dbase.Write("QUILLET.DBF", db3.dbf);
  dbase.Write("QUILLET.FPT", foxpro.memo);
  EXPECT_FALSE(LegacyConversionNeeded(dbase.path())) << "a dBase III table wants its .DBT";
  dbase.Write("QUILLET.DBT", db3.memo);
  EXPECT_TRUE(LegacyConversionNeeded(dbase.path()));
}

TEST(LegacyConversion, WritesEachLiveRecordAsItsEntryUnchanged) {
  for (LegacyLayout layout :
       {LegacyLayout::VisualFoxPro, LegacyLayout::FoxPro2, LegacyLayout::DBaseIII}) {
    TempDir dir;
    WriteDiary(dir,
               {{"20261207", "{\\rtf1 Monday \xE9}"},
                {"20261208", "gone", /*deleted=*/true},
                {"", "no date"},
                {"20261209", "plain text entry"}},
               layout);
    auto legacy = Tree(dir.path());
    std::vector<std::pair<TDate, TConversionPhase>> calls;
    TConversionReport report = PerformConversion(
        dir.path(), "", [&](TDate d, TConversionPhase p) { calls.emplace_back(d, p); });

    ASSERT_TRUE(report.completed) << report.failure;
    EXPECT_EQ(report.entriesWritten, 2u);
    EXPECT_EQ(ReadFile(dir / "Entries" / "20261207.QXE"), "{\\rtf1 Monday \xE9}");
    EXPECT_EQ(ReadFile(dir / "Entries" / "20261209.QXE"), "plain text entry");
    EXPECT_EQ(Tree(dir / "Entries").size(), 2u);
    EXPECT_FALSE(fs::exists(ConversionStagingDir(dir.path())));
    EXPECT_EQ(report.Lines(),
              std::vector<std::string>{"Record 3 was not converted: it has no DATE."});
    using P = TConversionPhase;
    EXPECT_EQ(calls, (std::vector<std::pair<TDate, P>>{{MakeDate(2026, 12, 7), P::Processing},
                                                        {MakeDate(2026, 12, 9), P::Processing}}));
    // The old files are only read.
    for (const auto& [name, bytes] : legacy) EXPECT_EQ(ReadFile(dir / name), bytes) << name;
    EXPECT_FALSE(LegacyConversionNeeded(dir.path()));
  }
}

TEST(LegacyConversion, EnciphersWithThePasswordAndWritesNoPlaintext) {
  TempDir dir;
  const std::string secret = "{\\rtf1 a secret only the diary knows}";
  WriteDiary(dir, {{"20261207", secret}, {"20261208", "{\\rtf1 second}"}});
  std::vector<TConversionPhase> phases;
  size_t plaintextSeen = 0;
  TConversionReport report =
      PerformConversion(dir.path(), "Secret 1", [&](TDate, TConversionPhase p) {
        phases.push_back(p);
        // Nothing written so far holds the text in the clear.
        for (const auto& [name, bytes] : Tree(dir.path())) {
          if (name != "QUILLET.FPT" && bytes.find("secret") != std::string::npos) ++plaintextSeen;
        }
      });
  ASSERT_TRUE(report.completed) << report.failure;
  EXPECT_EQ(plaintextSeen, 0u);
  using P = TConversionPhase;
  EXPECT_EQ(phases, (std::vector<P>{P::Processing, P::Encrypting, P::Processing, P::Encrypting}));
  fs::path entry = dir / "Entries" / "20261207.QXE";
  EXPECT_NE(ReadFile(entry), secret);
  EXPECT_EQ(DecipherFile(entry, "Secret 1"), secret);
  EXPECT_EQ(DecipherFile(dir / "Entries" / "20261208.QXE", "secret 1"), "{\\rtf1 second}");
  for (const auto& [name, bytes] : Tree(dir.path())) {
    if (name != "QUILLET.FPT") {
      EXPECT_EQ(bytes.find("secret"), std::string::npos) << name;
    }
  }
}

TEST(LegacyConversion, SkipsAndReportsDatesThatAreNotDayKeys) {
  TempDir dir;
  WriteDiary(dir, {{"../x", "escape"},
                   {"a/b", "slash"},
                   {"20261340", "no such month"},
                   {"20260229", "no leap day in 2026"},
                   {"2026120", "short"},
                   {" 2026120", "leading blank"},
                   {"20261207", "kept"}});
  TConversionReport report = PerformConversion(dir.path(), "");
  ASSERT_TRUE(report.completed) << report.failure;
  EXPECT_EQ(Tree(dir / "Entries"), (std::map<std::string, std::string>{{"20261207.QXE", "kept"}}));
  EXPECT_FALSE(fs::exists(dir / "x")) << "written outside Entries";
  EXPECT_FALSE(fs::exists(dir / "x.QXE"));
  EXPECT_EQ(report.Lines(), (std::vector<std::string>{
                                "Record 1 was not converted: its DATE \"../x\" is not a date.",
                                "Record 2 was not converted: its DATE \"a/b\" is not a date.",
                                "Record 3 was not converted: its DATE \"20261340\" is not a date.",
                                "Record 4 was not converted: its DATE \"20260229\" is not a date.",
                                "Record 5 was not converted: its DATE \"2026120\" is not a date.",
                                "Record 6 was not converted: its DATE \" 2026120\" is not a date.",
                            }));
}

TEST(LegacyConversion, JoinsRecordsOfTheSameDayInRecordOrder) {
  for (std::string password : {"", "pw"}) {
    SCOPED_TRACE(password);
    TempDir dir;
    WriteDiary(dir, {{"20261207", "{\\rtf1 First {\\b bold} text.\\par}"},
                     {"20261208", "other day"},
                     {"20261207", "{\\rtf1 Second text.\\par}"},
                     {"20261207", "", /*deleted=*/false, /*noMemo=*/true},
                     {"20261207", "Third, plain."}});
    TConversionReport report = PerformConversion(dir.path(), password);
    ASSERT_TRUE(report.completed) << report.failure;
    EXPECT_EQ(report.entriesWritten, 2u);
    fs::path entry = dir / "Entries" / "20261207.QXE";
    std::string rtf = password.empty() ? ReadFile(entry) : DecipherFile(entry, password);
    EXPECT_EQ(PlainText(rtf), "First bold text.|Second text.|Third, plain.|");
    EXPECT_NE(rtf.find("\\b"), std::string::npos) << "the first text keeps its bold";
    EXPECT_EQ(report.Lines(), std::vector<std::string>{
                                  "Records 1, 3, 4 and 5 share the date 12/07/2026: their texts "
                                  "were joined in record order."});
  }
}

TEST(LegacyConversion, AFailurePartWayLeavesNoEntriesAndTheOfferComesBack) {
  TempDir dir;
  WriteDiary(dir, {{"20261207", "one"}, {"20261208", "two"}, {"20261209", "three"}});
  auto legacy = Tree(dir.path());
  // The third entry cannot be written: a directory stands where its file would go.
  fs::path blocked = ConversionStagingDir(dir.path()) / "20261209.QXE";
  TConversionReport report = PerformConversion(dir.path(), "pw", [&](TDate day, auto) {
    if (day == MakeDate(2026, 12, 9)) fs::create_directories(blocked);
  });
  EXPECT_FALSE(report.completed);
  EXPECT_EQ(report.failure, "Cannot write file \"" + blocked.string() + "\". Is a directory");
  EXPECT_EQ(Tree(dir.path()), legacy) << "nothing but the old files";
  EXPECT_FALSE(fs::exists(ConversionStagingDir(dir.path())));
  EXPECT_TRUE(LegacyConversionNeeded(dir.path()));

  // The next attempt converts everything.
  report = PerformConversion(dir.path(), "pw");
  ASSERT_TRUE(report.completed) << report.failure;
  EXPECT_EQ(Tree(dir / "Entries").size(), 3u);
}

TEST(LegacyConversion, EntriesMadeMeanwhileAreNotReplaced) {
  TempDir dir;
  WriteDiary(dir, {{"20261207", "one"}});
  TConversionReport report = PerformConversion(dir.path(), "", [&](TDate, auto) {
    dir.Write("Entries/20261207.QXE", "written by someone else");
  });
  EXPECT_FALSE(report.completed);
  EXPECT_NE(report.failure.find("Cannot rename directory"), std::string::npos) << report.failure;
  EXPECT_EQ(ReadFile(dir / "Entries" / "20261207.QXE"), "written by someone else");
  EXPECT_FALSE(fs::exists(ConversionStagingDir(dir.path())));
}

TEST(LegacyConversion, ADamagedMemoFailsTheWholeConversion) {
  TempDir dir;
  auto bytes = WriteLegacyTable({{"20261207", "one"}, {"20261208", "two"}}, LegacyLayout::FoxPro2);
  bytes.memo.resize(bytes.memo.size() - 60);  // cuts the second memo short
  dir.Write("QUILLET.DBF", bytes.dbf);
  dir.Write("QUILLET.FPT", bytes.memo);
  TConversionReport report = PerformConversion(dir.path(), "");
  EXPECT_FALSE(report.completed);
  EXPECT_EQ(report.failure,
            "The old diary table QUILLET.DBF is damaged: the memo of record 2 runs past the end "
            "of its memo file.");
  EXPECT_FALSE(fs::exists(dir / "Entries"));
  EXPECT_FALSE(fs::exists(ConversionStagingDir(dir.path())));
}

TEST(LegacyConversion, RefusesWhatItCannotConvertAndConvertsNothing) {
  TempDir encrypted;
  auto bytes = WriteLegacyTable({{"20261207", "one"}}, LegacyLayout::FoxPro2);
  bytes.dbf[15] = 1;
  encrypted.Write("QUILLET.DBF", bytes.dbf);
  encrypted.Write("QUILLET.FPT", bytes.memo);
  TConversionReport report = PerformConversion(encrypted.path(), "");
  EXPECT_FALSE(report.completed);
  EXPECT_NE(report.failure.find("is encrypted"), std::string::npos);
  EXPECT_FALSE(fs::exists(encrypted / "Entries"));

  TempDir existing;
  WriteDiary(existing, {{"20261207", "one"}});
  fs::create_directory(existing / "Entries");
  report = PerformConversion(existing.path(), "");
  EXPECT_FALSE(report.completed);
  EXPECT_TRUE(fs::is_empty(existing / "Entries"));

  TempDir missing;
  report = PerformConversion(missing.path(), "");
  EXPECT_EQ(report.failure, "The old diary table QUILLET.DBF is missing.");
}

// The version bytes of the old program's drivers: its third driver's tables
// are converted from their .FPT memo file; its encrypted tables are refused
// as encrypted (not as lacking a memo file), with their memo file there or not.
TEST(LegacyConversion, ReadsEachDriverVersionByteAndRefusesEncryptedTables) {
  const std::string kEncrypted =
      "The old diary table QUILLET.DBF is encrypted by the database program that wrote it. "
      "Quillet cannot read encrypted tables: decrypt it with that program first. Nothing was converted.";
  struct Case {
    uint8_t version;
    LegacyLayout layout;  // the memo file it keeps
    bool encrypted;
  };
  const Case cases[] = {
      {0xE5, LegacyLayout::FoxPro2, false}, {0x06, LegacyLayout::FoxPro2, true},
      {0xF6, LegacyLayout::FoxPro2, true},  {0xE6, LegacyLayout::FoxPro2, true},
      {0x86, LegacyLayout::DBaseIII, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    for (bool memoThere : {true, false}) {
      SCOPED_TRACE(memoThere ? "with its memo file" : "without its memo file");
      TempDir dir;
      auto bytes = WriteLegacyTable({{"20261207", "{\\rtf1 one}"}}, c.layout);
      bytes.dbf[0] = char(c.version);
      dir.Write("QUILLET.DBF", bytes.dbf);
      if (memoThere) dir.Write("QUILLET" + bytes.memoExtension, bytes.memo);
      EXPECT_EQ(LegacyConversionNeeded(dir.path()), memoThere);
      TConversionReport report = PerformConversion(dir.path(), "");
      if (c.encrypted) {
        EXPECT_FALSE(report.completed);
        EXPECT_EQ(report.failure, kEncrypted);
        EXPECT_FALSE(fs::exists(dir / "Entries"));
      } else if (memoThere) {
        EXPECT_TRUE(report.completed) << report.failure;
        EXPECT_EQ(ReadFile(dir / "Entries" / "20261207.QXE"), "{\\rtf1 one}");
      }
    }
  }
}

TEST(LegacyConversion, ClearsAStagingDirectoryLeftByAnInterruptedRun) {
  TempDir dir;
  WriteDiary(dir, {{"20261207", "one"}});
  dir.Write("Entries.converting/20200101.QXE", "left over");
  TConversionReport report = PerformConversion(dir.path(), "");
  ASSERT_TRUE(report.completed) << report.failure;
  EXPECT_EQ(Tree(dir / "Entries"), (std::map<std::string, std::string>{{"20261207.QXE", "one"}}));
}

}  // namespace
}  // namespace quillet
