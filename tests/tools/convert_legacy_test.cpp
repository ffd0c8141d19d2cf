// SPDX-License-Identifier: GPL-3.0-or-later
// quillet-tool convert-legacy on old single-table diaries.
#include <diary/cipher.h>
#include <diary/instance_lock.h>
#include <diary/passwords.h>

#include "../support/legacy_table_writer.h"
#include "../support/temp_dir.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace quillet {
namespace {

namespace fs = std::filesystem;
using testing::LegacyLayout;
using testing::LegacyRecord;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteLegacyTable;

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Convert(const fs::path& diaryDir, QStringList more = {}) {
  QProcess p;
  p.start(QStringLiteral(QUILLET_TOOL),
          QStringList{"convert-legacy", "--diary-dir", QString::fromStdString(diaryDir.string())} + more);
  p.waitForFinished(20000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

void WriteOldTable(const TempDir& dir, const std::vector<LegacyRecord>& records,
                   LegacyLayout layout = LegacyLayout::FoxPro2) {
  auto bytes = WriteLegacyTable(records, layout);
  dir.Write("QUILLET.DBF", bytes.dbf);
  dir.Write("QUILLET" + bytes.memoExtension, bytes.memo);
}

TEST(ConvertLegacy, ConvertsUnderTheStoredPasswordAndSaysWhatItDid) {
  TempDir dir;
  WriteStoredPassword(dir.path(), "pw");
  WriteOldTable(dir, {{"20261207", "{\\rtf1 Morning.\\par}"},
                      {"a/b", "nowhere"},
                      {"20261208", "gone", /*deleted=*/true},
                      {"20261207", "{\\rtf1 Evening.\\par}"}},
                LegacyLayout::DBaseIII);
  ToolRun r = Convert(dir.path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "Processing entry for 20261207\n"
            "Encrypting entry for 20261207\n"
            "Processing entry for 20261207\n"  // the second record of the day, joined
            "Encrypting entry for 20261207\n"
            "Record 2 was not converted: its DATE \"a/b\" is not a date.\n"
            "Records 1 and 4 share the date 12/07/2026: their texts were joined in record order.\n"
            "1 entry files written to " + (dir / "Entries").string() + "\n");
  const std::string rtf = DecipherFile(dir / "Entries" / "20261207.QXE", "pw");
  EXPECT_LT(rtf.find("Morning."), rtf.find("Evening.")) << rtf;
  EXPECT_NE(rtf.find("Evening."), std::string::npos) << rtf;

  // Once is enough.
  r = Convert(dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("nothing to convert: the diary in " + dir.path().string() +
                       " already has its Entries"),
            std::string::npos)
      << r.err;
}

TEST(ConvertLegacy, RefusesWithAReasonAndWritesNothing) {
  TempDir empty;
  TempDir noMemo;
  noMemo.Write("QUILLET.DBF", WriteLegacyTable({{"20261207", "x"}}, LegacyLayout::FoxPro2).dbf);
  TempDir running;
  WriteOldTable(running, {{"20261207", "x"}});
  TInstanceLock lock(running.path());
  ASSERT_FALSE(lock.AlreadyRunning());
  struct Case {
    fs::path dir;
    QStringList more;
    int status;
    std::string says;
  } cases[] = {
      {empty / "missing", {}, 1, "no diary in"},
      {empty.path(), {}, 1, "nothing to convert: no QUILLET.DBF in " + empty.path().string()},
      {noMemo.path(), {}, 1, "the memo file of QUILLET.DBF (QUILLET.FPT, or QUILLET.DBT"},
      {running.path(), {}, 1, "Quillet is running on this diary"},
      {running.path(), {"extra"}, 2, "Usage: quillet-tool convert-legacy"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.says);
    ToolRun r = Convert(c.dir, c.more);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
  }
  for (const TempDir* d : {&noMemo, &running}) EXPECT_FALSE(fs::exists(*d / "Entries"));
}

TEST(ConvertLegacy, AFailurePartWayLeavesNoEntries) {
  TempDir dir;
  auto bytes = WriteLegacyTable({{"20261207", "one"}, {"20261208", "two"}}, LegacyLayout::FoxPro2);
  dir.Write("QUILLET.DBF", bytes.dbf);
  dir.Write("QUILLET.FPT", bytes.memo.substr(0, bytes.memo.size() - 60));  // the second memo cut short
  ToolRun r = Convert(dir.path());
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Processing entry for 20261207\nProcessing entry for 20261208\n");
  EXPECT_NE(r.err.find("the memo of record 2 runs past the end of its memo file. (nothing was "
                       "written)"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(fs::exists(dir / "Entries"));
  EXPECT_FALSE(fs::exists(dir / "Entries.converting"));
}

}  // namespace
}  // namespace quillet
