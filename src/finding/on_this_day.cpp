// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/on_this_day.h>

#include <finding/day_walk.h>
#include <richtext/io.h>
#include <richtext/unicode.h>

namespace quillet {
namespace {

using namespace std::chrono;

// The first paragraph with any text in it, cut to 80 characters.
std::string FirstLine(const richtext::TRTFText& doc) {
  for (size_t i = 0; i < doc.Size(); ++i) {
    richtext::TString text = doc.Par(i).text;
    for (richtext::TChar& c : text) {
      if (c < 32) c = U' ';
    }
    const size_t start = text.find_first_not_of(U' ');
    if (start == richtext::TString::npos) continue;
    richtext::TString line = text.substr(start, 80);
    return richtext::ToUtf8(line) + (text.size() - start > 80 ? "..." : "");
  }
  return {};
}

}  // namespace

std::vector<TSearchHit> EntriesOnThisDay(const TEntryStore& store, TDate today) {
  const year_month_day now{today};
  const bool lastOfShortFebruary = now.month() == February && now.day() == 28d && !now.year().is_leap();
  std::vector<TSearchHit> hits;
  richtext::TRTFTextIo doc;
  doc.SetMemoryFormat(false);
  const auto files = EntryFilesIn(store, FirstDate(), PreviousDay(today));
  for (auto it = files.rbegin(); it != files.rend(); ++it) {
    const year_month_day ymd{it->first};
    const bool sameDay = ymd.month() == now.month() &&
                         (ymd.day() == now.day() || (lastOfShortFebruary && ymd.day() == 29d));
    if (!sameDay || ymd.year() >= now.year()) continue;
    TSearchHit hit{it->first, 0, 0, {}};
    TEntryRead read = store.ReadFile(it->first, it->second);
    if (read.status == TEntryRead::kNone) continue;
    if (read.status == TEntryRead::kOk && doc.LoadFromStream(read.bytes) == richtext::ioOk) {
      hit.line = FirstLine(doc);
    } else {
      hit.line = "(This entry cannot be read.)";
    }
    hits.push_back(std::move(hit));
  }
  return hits;
}

}  // namespace quillet
