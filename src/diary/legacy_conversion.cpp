// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/legacy_conversion.h>

#include <diary/cipher.h>
#include <diary/legacy_table.h>
#include <diary/paths.h>
#include <diary/staging_dir.h>
#include <base/error.h>
#include <base/safe_file.h>
#include <richtext/io.h>

#include <memory>
#include <unordered_map>

namespace quillet {
namespace {

// The name the entry store gives the entry file of `day`. While "Entries"
// does not exist EntryFileName looks into no directory of entries, so this
// stays cheap for thousands of days.
std::string EntryName(const fs::path& diaryDir, TDate day) {
  return EntryFileName(diaryDir, day).filename().string();
}

// The texts of one day's records joined in record order, each later one
// appended to the earlier as new paragraphs through the engine, so that all
// keep their fonts and formatting. The joined document stays in memory until
// the day's last record, so a day of many records costs one pass, not one a
// record. A single text is kept byte for byte.
class TDayJoin {
 public:
  void Append(std::string text) {
    if (text.empty()) return;
    if (bytes_.empty() && !joined_) {
      bytes_ = std::move(text);
      return;
    }
    if (!joined_) {
      joined_ = std::make_unique<richtext::TRTFTextIo>();
      if (joined_->LoadFromStream(bytes_) != richtext::ioOk) Unreadable();
      if (!joined_->IsRich()) joined_->SetMemoryFormat(true);
      bytes_.clear();
    }
    richtext::TRTFTextIo next;
    if (next.LoadFromStream(text) != richtext::ioOk) Unreadable();
    // An entry that ends with a paragraph mark ends in an empty paragraph: the
    // later text takes its place rather than leaving an empty line between.
    size_t last = joined_->Size() - 1;
    if (last > 0 && joined_->Par(last).text.empty()) joined_->RemoveParagraphs(last, 1);
    joined_->FastAppendText(next);
  }

  std::string Take() {
    if (!joined_) return std::move(bytes_);
    joined_->saveFormat = richtext::FormatRTF;
    richtext::TStringStream out;
    if (joined_->SaveToStream(out, true) != richtext::ioOk) {
      throw Error("Two entries of the same day could not be joined.");
    }
    joined_.reset();
    return std::move(out.bytes);
  }

 private:
  [[noreturn]] static void Unreadable() {
    throw Error("Two entries of the same day could not be read to be joined.");
  }

  std::string bytes_;
  std::unique_ptr<richtext::TRTFTextIo> joined_;
};

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
  return PerformConversion(diaryDir, TEntryKey::Compatible(std::string(password)), progress);
}

TConversionReport PerformConversion(const fs::path& diaryDir, const TEntryKey& entryKey,
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

    // How many records each day has, so that a day's text is written once,
    // at its last record.
    auto dayOf = [&]() -> std::optional<TDate> {
      std::string key = table.DateString();
      return key.size() == 8 ? ParseDayKey(key) : std::nullopt;
    };
    std::unordered_map<std::string, uint32_t> recordsLeft;
    for (table.First(); !table.Eof(); table.Next()) {
      if (!table.IsDeleted() && dayOf()) ++recordsLeft[table.DateString()];
    }

    // The days with more than one record: the first record, the place in
    // report.merged, and the text joined so far.
    struct Joining {
      size_t merged;
      TDayJoin text;
    };
    std::unordered_map<std::string, Joining> joining;
    for (table.First(); !table.Eof(); table.Next()) {
      if (table.IsDeleted()) continue;
      std::string key = table.DateString();
      std::optional<TDate> day = dayOf();
      if (!day) {
        report.skipped.push_back({table.RecordNumber(), key});
        continue;
      }
      if (progress) progress(*day, TConversionPhase::Processing);
      std::string text = table.EntryBytes();
      uint32_t& left = recordsLeft[key];
      auto it = joining.find(key);
      if (it == joining.end() && left > 1) {
        it = joining.emplace(key, Joining{report.merged.size(), {}}).first;
        report.merged.push_back({*day, {}});
      }
      if (it != joining.end()) {
        report.merged[it->second.merged].records.push_back(table.RecordNumber());
        it->second.text.Append(std::move(text));
      }
      if (entryKey.Cipher() != TCipher::None && progress) progress(*day, TConversionPhase::Encrypting);
      if (--left > 0) continue;
      if (it != joining.end()) {
        text = it->second.text.Take();
        joining.erase(it);
      }
      text = entryKey.Encode(*day, text);
      staging.Write(EntryName(diaryDir, *day), text);
      ++report.entriesWritten;
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
