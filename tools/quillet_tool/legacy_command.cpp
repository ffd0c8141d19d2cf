// SPDX-License-Identifier: GPL-3.0-or-later
// convert-legacy: turns an old single-table diary (QUILLET.DBF with its memo
// file) into entry files, as the window offers to at start-up.
#include "tool.h"

#include <diary/dates.h>
#include <diary/instance_lock.h>
#include <diary/legacy_conversion.h>
#include <diary/passwords.h>

#include <cstdio>

namespace quillet::tool {
namespace {

namespace fs = std::filesystem;

// Why there is nothing to convert in `diaryDir`, or empty when there is.
std::string NothingToConvert(const fs::path& diaryDir) {
  if (LegacyConversionNeeded(diaryDir)) return {};
  std::error_code ec;
  if (!fs::exists(LegacyTableFileName(diaryDir), ec)) {
    return "nothing to convert: no QUILLET.DBF in " + diaryDir.string();
  }
  const fs::path memo = LegacyMemoFileName(diaryDir);
  if (memo.empty() || !fs::exists(memo, ec)) {
    return "nothing to convert: the memo file of QUILLET.DBF (QUILLET.FPT, or QUILLET.DBT for "
           "a dBase III table) is missing in " + diaryDir.string();
  }
  return "nothing to convert: the diary in " + diaryDir.string() + " already has its Entries";
}

int ConvertLegacy(TArgs& args) {
  args.Operands(0);
  const fs::path diaryDir = args.DiaryDir();
  PrepareDiary(diaryDir);
  if (std::string why = NothingToConvert(diaryDir); !why.empty()) throw Failure(why);
  // Quillet itself must not open the diary while its entries appear.
  std::unique_ptr<TInstanceLock> lock = LockDiary(diaryDir);

  TConversionReport report =
      PerformConversion(diaryDir, UnlockForCommand(diaryDir), [](TDate day, TConversionPhase phase) {
        std::printf("%s entry for %s\n",
                    phase == TConversionPhase::Processing ? "Processing" : "Encrypting",
                    DayKey(day).c_str());
      });
  for (const std::string& line : report.Lines()) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
  if (!report.completed) throw Failure(report.failure + " (nothing was written)");
  std::printf("%u entry files written to %s\n", report.entriesWritten,
              (diaryDir / "Entries").string().c_str());
  return 0;
}

}  // namespace

void AddLegacyCommand(std::vector<TCommand>& commands) {
  commands.push_back({"convert-legacy", "[--diary-dir DIR]",
                      "converts an old diary table (QUILLET.DBF) into entry files", ConvertLegacy});
}

}  // namespace quillet::tool
