#include <finding/search.h>

#include <richtext/finder.h>
#include <richtext/io.h>
#include <richtext/unicode.h>

namespace quillet {
namespace {

// One document and one finder, reused for every entry of a scan.
class TEntryMatcher {
 public:
  explicit TEntryMatcher(std::string_view text) : pattern_(richtext::FromUtf8Lenient(text)) {
    doc_.SetMemoryFormat(false);  // matching needs the text alone, not its attributes
  }

  // Gives nothing when the bytes cannot be loaded.
  std::optional<bool> Holds(std::string_view bytes) {
    doc_.Clear();
    if (doc_.LoadFromStream(bytes) != richtext::ioOk) return std::nullopt;
    richtext::TTextFinder finder(doc_);
    finder.caseSensitive = false;
    finder.wildcard = '*';
    finder.ToStart();
    return finder.FindNext(pattern_);
  }

 private:
  richtext::TString pattern_;
  richtext::TRTFTextIo doc_;
};

}  // namespace

bool EntryHoldsText(std::string_view entryBytes, std::string_view text) {
  return TEntryMatcher(text).Holds(entryBytes).value_or(false);
}

namespace {

TSearchResult Scan(const TEntryStore& store, TDate first, TDate last, std::string_view text,
                   const TDayProgress& progress, const std::function<bool(TDate)>& match) {
  TSearchResult result;
  TEntryMatcher matcher(text);
  for (const auto& [day, file] : EntryFilesIn(store, first, last)) {
    if (progress) progress(day);
    TEntryRead read = store.ReadFile(day, file);
    if (read.status == TEntryRead::kNone) continue;  // removed meanwhile
    if (read.status == TEntryRead::kUnreadable) {
      result.skippedDays.push_back(day);
      result.problems.push_back(read.problem);
      continue;
    }
    std::optional<bool> holds = matcher.Holds(read.bytes);
    if (!holds) {
      result.skippedDays.push_back(day);
      result.problems.push_back("The entry of " + LongDate(day) + " (" +
                                file.string() + ") cannot be read as RTF.");
      continue;
    }
    if (*holds) {
      result.found = day;
      if (!match(day)) break;
    }
  }
  return result;
}

}  // namespace

TSearchResult SearchEntries(const TEntryStore& store, TDate first, TDate last,
                            std::string_view text, const TDayProgress& progress) {
  return Scan(store, first, last, text, progress, [](TDate) { return false; });
}

TSearchResult SearchAllEntries(const TEntryStore& store, TDate first, TDate last,
                               std::string_view text, const std::function<bool(TDate day)>& match) {
  return Scan(store, first, last, text, {}, match);
}

std::string SkippedDaysMessage(const TSearchResult& result) {
  if (result.skippedDays.empty()) return {};
  std::string text = "These entries could not be searched:";
  for (const std::string& p : result.problems) text += "\r" + p;
  return text;
}

}  // namespace quillet
