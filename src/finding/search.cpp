// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/search.h>

#include <richtext/finder.h>
#include <richtext/io.h>
#include <richtext/unicode.h>

#include <algorithm>
#include <map>

namespace quillet {
namespace {

// The words a search looks for: the whole text, or each word of it.
std::vector<richtext::TString> SearchWords(std::string_view text, bool allWords) {
  richtext::TString whole = richtext::FromUtf8Lenient(text);
  if (!allWords) return {whole};
  std::vector<richtext::TString> words;
  richtext::TString word;
  for (richtext::TChar c : whole + U' ') {
    if (c != U' ' && c != U'\t') {
      word += c;
    } else if (!word.empty()) {
      words.push_back(std::move(word));
      word.clear();
    }
  }
  return words;
}

// The text of the paragraph around `position`, cut to about 80 characters
// with the match in view, as one line.
std::string LineAround(const richtext::TRTFText& doc, size_t position, size_t length) {
  size_t par = 0, start = 0;
  while (par + 1 < doc.Size() && position > start + doc.Par(par).Length()) {
    start += doc.Par(par).Length() + 1;
    ++par;
  }
  const richtext::TString& text = doc.Par(par).text;
  const size_t at = std::min(position - start, text.size());
  const size_t from = at > 30 ? at - 30 : 0;
  const size_t to = std::min(text.size(), std::max(at + length, from) + 50);
  richtext::TString line = text.substr(from, to - from);
  for (richtext::TChar& c : line) {
    if (c < 32) c = U' ';  // tabs and object marks
  }
  std::string out = richtext::ToUtf8(line);
  if (from > 0) out = "..." + out;
  if (to < text.size()) out += "...";
  return out;
}

// One document and one finder, reused for every entry of a scan.
class TEntryMatcher {
 public:
  TEntryMatcher(std::string_view text, const TSearchOptions& options)
      : words_(SearchWords(text, options.allWords)), wholeWords_(options.wholeWords) {
    doc_.SetMemoryFormat(false);  // matching needs the text alone, not its attributes
  }

  // Gives nothing when the bytes cannot be loaded, else whether every word
  // is there; the earliest match is then in FoundPosition and FoundLength.
  std::optional<bool> Holds(std::string_view bytes) {
    if (doc_.LoadFromStream(bytes) != richtext::ioOk) return std::nullopt;
    if (words_.empty()) return false;
    richtext::TTextFinder finder(doc_);
    finder.caseSensitive = false;
    finder.wildcard = '*';
    finder.wholeWord = wholeWords_;
    bool first = true;
    for (const richtext::TString& word : words_) {
      finder.ToStart();
      if (!finder.FindNext(word)) return false;
      if (first || finder.FoundPosition() < position_) {
        position_ = finder.FoundPosition();
        length_ = finder.FoundLength();
      }
      first = false;
    }
    return true;
  }
  size_t FoundPosition() const { return position_; }
  size_t FoundLength() const { return length_; }
  const richtext::TRTFText& Document() const { return doc_; }

 private:
  std::vector<richtext::TString> words_;
  bool wholeWords_;
  richtext::TRTFTextIo doc_;
  size_t position_ = 0, length_ = 0;
};

}  // namespace

bool EntryHoldsText(std::string_view entryBytes, std::string_view text) {
  return TEntryMatcher(text, {}).Holds(entryBytes).value_or(false);
}

namespace {

struct TScan {
  std::string_view text;
  TSearchOptions options;
  bool newestFirst = false;
  TDayProgress progress;
  const std::atomic<bool>* stop = nullptr;
  // Called for each entry holding the text; false ends the scan.
  std::function<bool(const TSearchHit&, const TEntryMatcher&)> match;
};

TSearchResult Scan(const TEntryStore& store, TDate first, TDate last, const TScan& scan) {
  TSearchResult result;
  TEntryMatcher matcher(scan.text, scan.options);
  const std::map<TDate, fs::path> files = EntryFilesIn(store, first, last);
  auto visit = [&](TDate day, const fs::path& file) {
    if (scan.stop && scan.stop->load()) return false;
    if (scan.progress) scan.progress(day);
    TEntryRead read = store.ReadFile(day, file);
    if (read.status == TEntryRead::kNone) return true;  // removed meanwhile
    if (read.status == TEntryRead::kUnreadable) {
      result.skippedDays.push_back(day);
      result.problems.push_back(read.problem);
      return true;
    }
    std::optional<bool> holds = matcher.Holds(read.bytes);
    if (!holds) {
      result.skippedDays.push_back(day);
      result.problems.push_back("The entry of " + LongDate(day) + " (" + file.string() +
                                ") cannot be read as RTF.");
      return true;
    }
    if (!*holds) return true;
    result.found = day;
    result.foundPosition = matcher.FoundPosition();
    result.foundLength = matcher.FoundLength();
    return scan.match(TSearchHit{day, matcher.FoundPosition(), matcher.FoundLength(), {}}, matcher);
  };
  if (scan.newestFirst) {
    for (auto it = files.rbegin(); it != files.rend(); ++it) {
      if (!visit(it->first, it->second)) break;
    }
  } else {
    for (const auto& [day, file] : files) {
      if (!visit(day, file)) break;
    }
  }
  return result;
}

}  // namespace

TSearchResult SearchEntries(const TEntryStore& store, TDate first, TDate last,
                            std::string_view text, const TDayProgress& progress,
                            const TSearchOptions& options) {
  TScan scan{text, options, false, progress, nullptr, [](const TSearchHit&, const TEntryMatcher&) { return false; }};
  return Scan(store, first, last, scan);
}

TSearchResult SearchAllEntries(const TEntryStore& store, TDate first, TDate last,
                               std::string_view text, const std::function<bool(TDate day)>& match) {
  TScan scan{text, {}, false, {}, nullptr,
             [&](const TSearchHit& hit, const TEntryMatcher&) { return match(hit.day); }};
  return Scan(store, first, last, scan);
}

TSearchResult SearchHits(const TEntryStore& store, TDate first, TDate last, std::string_view text,
                         const TSearchOptions& options, const std::function<void(const TSearchHit&)>& hit,
                         const std::atomic<bool>* stop) {
  TScan scan{text, options, true, {}, stop, [&](const TSearchHit& found, const TEntryMatcher& matcher) {
               TSearchHit h = found;
               h.line = LineAround(matcher.Document(), h.position, h.length);
               hit(h);
               return true;
             }};
  return Scan(store, first, last, scan);
}

std::string SkippedDaysMessage(const TSearchResult& result) {
  if (result.skippedDays.empty()) return {};
  std::string text = "These entries could not be searched:";
  for (const std::string& p : result.problems) text += "\r" + p;
  return text;
}

}  // namespace quillet
