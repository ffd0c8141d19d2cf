#include <diary/legacy_conversion.h>

#include <diary/cipher.h>
#include <diary/legacy_table.h>
#include <diary/paths.h>
#include <diary/staging_dir.h>
#include <base/error.h>
#include <base/safe_file.h>
#include <richtext/io.h>

#include <unordered_map>

namespace quillet {
namespace {

// The name the entry store gives the entry file of `day`. While "Entries"
// does not exist EntryFileName looks into no directory of entries, so this
// stays cheap for thousands of days.
std::string EntryName(const fs::path& diaryDir, TDate day) {
  return EntryFileName(diaryDir, day).filename().string();
}

// The later entry appended to the earlier one as new paragraphs, through the
// engine, so that both keep their fonts and formatting.
std::string JoinEntries(const std::string& earlier, const std::string& later) {
  if (later.empty()) return earlier;
  if (earlier.empty()) return later;
  richtext::TRTFTextIo joined, next;
  if (joined.LoadFromStream(earlier) != richtext::ioOk || next.LoadFromStream(later) != richtext::ioOk) {
    throw Error("Two entries of the same day could not be read to be joined.");
  }
  if (!joined.IsRich()) joined.SetMemoryFormat(true);
  // An entry that ends with a paragraph mark ends in an empty paragraph: the
  // later text takes its place rather than leaving an empty line between.
  size_t last = joined.Size() - 1;
  if (last > 0 && joined.Par(last).text.empty()) joined.RemoveParagraphs(last, 1);
  joined.FastAppendText(next);
  joined.saveFormat = richtext::FormatRTF;
  richtext::TStringStream out;
  if (joined.SaveToStream(out, true) != richtext::ioOk) {
    throw Error("Two entries of the same day could not be joined.");
  }
  return std::move(out.bytes);
}

std::string RecordList(const std::vector<uint32_t>& records) {
  std::string text;
  for (size_t i = 0; i < records.size(); ++i) {
    if (i > 0) text += i + 1 == records.size() ? " and " : ", ";
    text += std::to_string(records[i]);
  }
  return text;
}

}  // namespace

fs::path LegacyTableFileName(const fs::path& diaryDir) {
  return FindNoCase(diaryDir, "QUILLET.DBF");
}

fs::path LegacyMemoFileName(const fs::path& diaryDir) {
  fs::path table = LegacyTableFileName(diaryDir);
  std::string ext = TLegacyTable::MemoExtensionFor(table);
  return ext.empty() ? fs::path() : FindNoCase(diaryDir, table.stem().string() + ext);
}

fs::path ConversionStagingDir(const fs::path& diaryDir) {
  return diaryDir / "Entries.converting";
}

bool LegacyConversionNeeded(const fs::path& diaryDir) {
  std::error_code ec;
  if (fs::exists(EntriesDir(diaryDir), ec)) return false;
  fs::path table = LegacyTableFileName(diaryDir);
  if (!fs::is_regular_file(table, ec)) return false;
  fs::path memo = LegacyMemoFileName(diaryDir);
  return !memo.empty() && fs::is_regular_file(memo, ec);
}

std::vector<std::string> TConversionReport::Lines() const {
  std::vector<std::string> lines;
  for (const Skipped& s : skipped) {
    lines.push_back("Record " + std::to_string(s.record) + " was not converted: " +
                    (s.date.empty() ? std::string("it has no DATE.")
                                    : "its DATE \"" + s.date + "\" is not a date."));
  }
  for (const Merged& m : merged) {
    lines.push_back("Records " + RecordList(m.records) + " share the date " + ShortDate(m.day) +
                    ": their texts were joined in record order.");
  }
  return lines;
}

TConversionReport PerformConversion(const fs::path& diaryDir, std::string_view password,
                                    const TConversionProgress& progress) {
  TConversionReport report;
  std::error_code ec;
  try {
    if (fs::exists(EntriesDir(diaryDir), ec)) {
      throw Error("The directory " + EntriesDir(diaryDir).string() + " already exists.");
    }
    TLegacyTable table =
        TLegacyTable::Open(LegacyTableFileName(diaryDir), LegacyMemoFileName(diaryDir));
    // A staging directory left by an interrupted conversion holds nothing worth keeping.
    TStagingDir staging(ConversionStagingDir(diaryDir));

    // Each day written so far: the record that wrote it, and its place in
    // report.merged once a second record shares it.
    constexpr size_t kAlone = SIZE_MAX;
    struct Written {
      uint32_t firstRecord;
      size_t merged = kAlone;
    };
    std::unordered_map<std::string, Written> written;
    for (table.First(); !table.Eof(); table.Next()) {
      if (table.IsDeleted()) continue;
      std::string key = table.DateString();
      std::optional<TDate> day = key.size() == 8 ? ParseDayKey(key) : std::nullopt;
      if (!day) {
        report.skipped.push_back({table.RecordNumber(), key});
        continue;
      }
      if (progress) progress(*day, TConversionPhase::Processing);
      std::string text = table.EntryBytes();
      std::string name = EntryName(diaryDir, *day);
      auto [it, first] = written.try_emplace(key, Written{table.RecordNumber()});
      if (!first) {
        if (it->second.merged == kAlone) {
          it->second.merged = report.merged.size();
          report.merged.push_back({*day, {it->second.firstRecord}});
        }
        report.merged[it->second.merged].records.push_back(table.RecordNumber());
        fs::path staged = staging.Path() / name;
        std::string earlier = password.empty() ? ReadWholeFile(staged)
                                                : DecipherFile(staged, password);
        text = JoinEntries(earlier, text);
      }
      if (!password.empty()) {
        if (progress) progress(*day, TConversionPhase::Encrypting);
        text = EncipherBytes(std::move(text), password);
      }
      staging.Write(name, text);
      if (first) ++report.entriesWritten;
    }
    staging.Commit(EntriesDir(diaryDir));
    report.completed = true;
  } catch (const std::exception& e) {
    report.failure = e.what();
    report.completed = false;
  }
  return report;
}

}  // namespace quillet
