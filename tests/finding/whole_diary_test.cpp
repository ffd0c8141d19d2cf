// SPDX-License-Identifier: GPL-3.0-or-later
// Search, export and the print plan on real diaries in a temporary directory.
#include <finding/date_text.h>
#include <finding/diary_statistics.h>
#include <finding/export.h>
#include <finding/on_this_day.h>
#include <finding/print_plan.h>
#include <finding/search.h>

#include <diary/cipher.h>
#include <richtext/io.h>
#include <richtext/stream.h>
#include <richtext/unicode.h>
#include <richtext/writer.h>
#include <base/safe_file.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;
using richtext::ToUtf8;

std::string Rtf(const std::string& text) {
  return "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 " + text + "\\par}";
}

// A diary of a few entries, enciphered when a password is given.
struct Diary {
  TempDir dir;
  TEntryStore store{dir.path()};
  explicit Diary(std::string password = "") { store.SetPassword(std::move(password)); }
  TDate Add(int y, unsigned m, unsigned d, const std::string& bytes) {
    TDate day = MakeDate(y, m, d);
    store.Write(day, bytes);
    return day;
  }
};

TEST(Search, FindsTheFirstEntryHoldingTheTextWithoutRegardToCase) {
  Diary diary("SECRET");
  diary.Add(2024, 1, 1, Rtf("Nothing here."));
  TDate second = diary.Add(2024, 1, 3, Rtf("We walked to the Old Mill."));
  TDate third = diary.Add(2024, 2, 1, Rtf("the old mill again"));
  // Enciphered on disk: the text is not there to be found by reading files.
  EXPECT_EQ(ReadFile(diary.store.EntryPath(second)).find("Mill"), std::string::npos);

  struct Case {
    const char* text;
    TDate from;
    std::optional<TDate> found;
  } cases[] = {
      {"old MILL", MakeDate(2024, 1, 1), second},
      {"old mill", NextDay(second), third},
      {"old mill", NextDay(third), std::nullopt},
      {"walked*mill", MakeDate(2024, 1, 1), second},  // the finder's wildcard
      {"absent", MakeDate(2024, 1, 1), std::nullopt},
  };
  for (const Case& c : cases) {
    std::vector<TDate> visited;
    TSearchResult r = SearchEntries(diary.store, c.from, MakeDate(2024, 12, 31), c.text,
                                    [&](TDate d) { visited.push_back(d); });
    EXPECT_EQ(r.found, c.found) << c.text;
    EXPECT_TRUE(r.skippedDays.empty());
    EXPECT_TRUE(std::is_sorted(visited.begin(), visited.end()));
  }
}

TEST(Search, SkipsABadEntryAndNamesItsDay) {
  Diary diary("PW");
  diary.Add(2024, 3, 1, Rtf("first"));
  TDate bad = MakeDate(2024, 3, 2);
  // Enciphered under another password: it deciphers to bytes that are no entry.
  EncipherToFile(Rtf("needle"), diary.store.EntryPath(bad), "OTHER");
  TDate good = diary.Add(2024, 3, 5, Rtf("a needle in the hay"));
  TSearchResult r = SearchEntries(diary.store, MakeDate(2024, 3, 1), MakeDate(2024, 3, 31), "needle");
  EXPECT_EQ(r.found, good);
  ASSERT_EQ(r.skippedDays, std::vector<TDate>{bad});
  std::string message = SkippedDaysMessage(r);
  EXPECT_NE(message.find(LongDate(bad)), std::string::npos) << message;
  EXPECT_NE(message.find(DayKey(bad)), std::string::npos) << message;
}

TEST(Search, AnEmptyDiaryOrAnEmptyRangeFindsNothing) {
  Diary diary;
  EXPECT_FALSE(SearchEntries(diary.store, Today(), Today(), "x").found);
  diary.Add(2024, 5, 5, Rtf("x"));
  EXPECT_FALSE(SearchEntries(diary.store, MakeDate(2024, 5, 6), MakeDate(2024, 5, 4), "x").found);
}

TEST(SearchHits, EveryEntryNewestFirstWithTheLineAroundItsFirstMatch) {
  Diary diary("SECRET");
  TDate a = diary.Add(2023, 6, 1, Rtf("A heron on the pond."));
  diary.Add(2023, 7, 1, Rtf("Nothing here."));
  TDate c = diary.Add(2024, 1, 2, Rtf("first line\\par a grey HERON stood there"));
  std::vector<TSearchHit> hits;
  TSearchResult r = SearchHits(diary.store, MakeDate(2023, 1, 1), MakeDate(2024, 12, 31), "heron", {},
                               [&](const TSearchHit& h) { hits.push_back(h); });
  ASSERT_EQ(hits.size(), 2u);
  EXPECT_EQ(hits[0].day, c);
  EXPECT_EQ(hits[1].day, a);
  EXPECT_EQ(hits[0].position, 18u);  // "first line" and its paragraph end, then "a grey "
  EXPECT_EQ(hits[0].length, 5u);
  EXPECT_EQ(hits[0].line, "a grey HERON stood there");
  EXPECT_EQ(hits[1].line, "A heron on the pond.");
  EXPECT_TRUE(r.skippedDays.empty());
}

TEST(SearchHits, WholeWordsAndAllOfTheWords) {
  Diary diary;
  TDate cat = diary.Add(2024, 1, 1, Rtf("The cat sat on the mat."));
  TDate cats = diary.Add(2024, 1, 2, Rtf("Two cats and a concatenation."));
  TDate mat = diary.Add(2024, 1, 3, Rtf("A mat, then later a cat."));
  struct Case {
    const char* name;
    const char* text;
    TSearchOptions options;
    std::vector<TDate> days;  // newest first
    size_t firstLength;
  } cases[] = {
      {"inside words too", "cat", {}, {mat, cats, cat}, 3},
      {"whole words", "cat", {true, false}, {mat, cat}, 3},
      {"the words as one text", "mat cat", {}, {}, 0},
      {"all of the words, any order", "mat cat", {false, true}, {mat, cat}, 3},
      {"all of the words, whole", "cat concatenation", {true, true}, {}, 0},
      {"all of the words, inside words", "cat concatenation", {false, true}, {cats}, 3},
  };
  for (const Case& c : cases) {
    std::vector<TDate> days;
    std::vector<size_t> lengths;
    SearchHits(diary.store, MakeDate(2024, 1, 1), MakeDate(2024, 1, 31), c.text, c.options,
               [&](const TSearchHit& h) {
                 days.push_back(h.day);
                 lengths.push_back(h.length);
               });
    EXPECT_EQ(days, c.days) << c.name;
    if (!lengths.empty()) {
      EXPECT_EQ(lengths[0], c.firstLength) << c.name;
    }
  }
  // The earliest match of any of the words is the one shown: "mat" in the third entry.
  SearchHits(diary.store, mat, mat, "cat mat", {false, true}, [&](const TSearchHit& h) {
    EXPECT_EQ(h.position, 2u);
  });
}

TEST(SearchHits, StopsWhenAskedBeforeTheNextEntry) {
  Diary diary;
  for (unsigned d = 1; d <= 5; ++d) diary.Add(2024, 2, d, Rtf("needle"));
  std::atomic<bool> stop{false};
  int hits = 0;
  SearchHits(diary.store, MakeDate(2024, 2, 1), MakeDate(2024, 2, 29), "needle", {}, [&](const TSearchHit&) {
    if (++hits == 2) stop = true;
  }, &stop);
  EXPECT_EQ(hits, 2);
}

TEST(OnThisDay, EarlierYearsOfTheSameDayNewestFirstWithTheirFirstLine) {
  Diary diary("PW");
  TDate y2020 = diary.Add(2020, 6, 5, Rtf("\\par   First thought of 2020\\par more"));
  diary.Add(2020, 6, 6, Rtf("the day after"));
  TDate y2023 = diary.Add(2023, 6, 5, Rtf("In 2023."));
  diary.Add(2026, 6, 5, Rtf("today itself"));
  TDate bad = MakeDate(2021, 6, 5);
  EncipherToFile(Rtf("x"), diary.store.EntryPath(bad), "OTHER");
  std::vector<TSearchHit> days = EntriesOnThisDay(diary.store, MakeDate(2026, 6, 5));
  ASSERT_EQ(days.size(), 3u);
  EXPECT_EQ(days[0].day, y2023);
  EXPECT_EQ(days[0].line, "In 2023.");
  EXPECT_EQ(days[1].day, bad);
  EXPECT_EQ(days[1].line, "(This entry cannot be read.)");
  EXPECT_EQ(days[2].day, y2020);
  EXPECT_EQ(days[2].line, "First thought of 2020");

  // The 29th of February comes up on the 28th of a year without one.
  TDate leap = diary.Add(2024, 2, 29, Rtf("leap"));
  TDate feb28 = diary.Add(2023, 2, 28, Rtf("28th"));
  days = EntriesOnThisDay(diary.store, MakeDate(2025, 2, 28));
  ASSERT_EQ(days.size(), 2u);
  EXPECT_EQ(days[0].day, leap);
  EXPECT_EQ(days[1].day, feb28);
  EXPECT_TRUE(EntriesOnThisDay(diary.store, MakeDate(2026, 1, 1)).empty());
}

TEST(DiaryStatistics, CountsWordsAndTheLongestStreak) {
  struct Case {
    const char32_t* text;
    size_t words;
  } counts[] = {
      {U"", 0}, {U"   ", 0}, {U"one", 1}, {U"don't stop, 3 times", 4}, {U"  lead\ttab  trail ", 3},
      {U"caf\x00E9 \x0436\x0438\x0437\x043D\x044C", 2}, {U"a\x0001" U"b", 2},  // a picture between
  };
  for (const Case& c : counts) EXPECT_EQ(CountWords(c.text), c.words) << ToUtf8(c.text);

  Diary diary("PW");
  EXPECT_EQ(DiaryStatistics(diary.store).entries, 0);
  EXPECT_EQ(StatisticsText(DiaryStatistics(diary.store)), "The diary has no entries yet.");
  diary.Add(2024, 1, 30, Rtf("one two"));
  diary.Add(2024, 2, 2, Rtf("three"));
  for (unsigned d = 27; d <= 29; ++d) diary.Add(2024, 2, d, Rtf("a b\\par c"));  // across the 29th
  diary.Add(2024, 3, 1, Rtf("x"));
  diary.Add(2024, 3, 2, Rtf("y"));
  diary.Add(2024, 3, 10, Rtf("z"));
  TDiaryStatistics s = DiaryStatistics(diary.store);
  EXPECT_EQ(s.entries, 8);
  EXPECT_EQ(s.words, 2u + 1u + 9u + 3u);
  EXPECT_EQ(s.first, MakeDate(2024, 1, 30));
  EXPECT_EQ(s.last, MakeDate(2024, 3, 10));
  EXPECT_EQ(s.longestStreak, 5);  // 27 February to 2 March of a leap year
  EXPECT_EQ(s.streakStart, MakeDate(2024, 2, 27));
  const std::string text = StatisticsText(s);
  EXPECT_NE(text.find("Entries: 8"), std::string::npos) << text;
  EXPECT_NE(text.find("Longest streak: 5 days, from " + LongDate(MakeDate(2024, 2, 27))), std::string::npos) << text;
}

TEST(Export, WritesEachEntryOfTheRangeByteForByteAsItsDayKeyDotRtf) {
  for (std::string password : {"", "Key 7"}) {
    Diary diary(password);
    diary.Add(2023, 12, 31, Rtf("before the range"));
    std::vector<std::pair<TDate, std::string>> inRange;
    for (unsigned d : {1u, 2u, 9u}) {
      std::string bytes = Rtf("entry of day " + std::to_string(d) + " \\'e9t\\'e9");
      inRange.push_back({diary.Add(2024, 1, d, bytes), bytes});
    }
    diary.Add(2024, 1, 10, Rtf("after"));
    TempDir out;
    out.Write("20240102.RTF", "an older export, replaced");
    TExportResult r = ExportEntries(diary.store, MakeDate(2024, 1, 1), MakeDate(2024, 1, 9), out.path());
    EXPECT_EQ(r.written, 3);
    EXPECT_TRUE(r.failedDays.empty());
    size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(out.path())) {
      (void)e;
      ++files;
    }
    EXPECT_EQ(files, 3u);  // nothing else, no temporary files left
    for (auto& [day, bytes] : inRange) {
      EXPECT_EQ(ReadFile(out / (DayKey(day) + ".RTF")), bytes) << DayKey(day);
      if (!password.empty()) {
        EXPECT_EQ(DecipherFile(diary.store.EntryPath(day), password), bytes);
      }
    }
    EXPECT_EQ(ExportReport(r, out.path().string() + "/"),
              "Saved 3 file(s) as Rich Text Format (RTF)\rto directory: " + out.path().string() + "/");
  }
}

// A 1x1 PNG, as a picture in an entry.
constexpr const char* kPngHex =
    "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c49444154789c63f8cfc0000003"
    "010100c9fe92ef0000000049454e44ae426082";

// A 1x1 device-independent bitmap, as icons from the palette are kept.
constexpr const char* kDibHex =
    "28000000010000000100000001001800000000000400000000000000000000000000000000000000"
    "0000ff00";

// An entry with styles, a star, two pictures and a bulleted item, as the editor writes it.
std::string StyledEntry() {
  richtext::TRTFTextIo doc;
  doc.LoadFromStream(Rtf("Walk \\b in the rain\\b0  at 2*3 o'clock {\\pict\\pngblip\\picw1\\pich1 " +
                         std::string(kPngHex) + "}{\\pict\\dibitmap0\\picw1\\pich1 " + kDibHex +
                         "}\\par umbrella & <hat>\\par pack \\i light\\i0"));
  richtext::SetListProps(doc.MutablePar(1), richtext::lkBullet, 0, doc.Header());
  richtext::TStringStream out;
  richtext::TRTFWriter(doc).Write(out);
  return out.bytes;
}

// The entry's text as the command line's cat gives it.
std::string TextOf(std::string_view bytes) {
  richtext::TRTFTextIo doc;
  doc.LoadFromStream(bytes);
  return richtext::PlainTextLines(doc);
}

// Lines without the empty ones: the formats differ in the blank lines between paragraphs.
std::string WithoutEmptyLines(const std::string& text) {
  std::string out, line;
  for (char c : text + "\n") {
    if (c != '\n') {
      line += c;
    } else if (!line.empty()) {
      out += line + "\n";
      line.clear();
    }
  }
  return out;
}

// The text of an HTML export: tags dropped, paragraphs and line breaks as new lines.
std::string HtmlText(const std::string& html) {
  std::string out;
  for (size_t i = 0; i < html.size();) {
    if (html[i] == '<') {
      size_t end = html.find('>', i);
      std::string tag = html.substr(i, end - i + 1);
      if (tag == "</p>" || tag == "<br>" || tag == "</h1>") out += '\n';
      i = end + 1;
    } else if (html[i] == '&') {
      size_t end = html.find(';', i);
      std::string entity = html.substr(i, end - i + 1);
      out += entity == "&amp;" ? "&" : entity == "&lt;" ? "<" : entity == "&gt;" ? ">" : entity;
      i = end + 1;
    } else {
      out += html[i++];
    }
  }
  return out;
}

// The text of a Markdown export: list marks, style marks and escapes dropped.
std::string MarkdownText(const std::string& md) {
  std::string out;
  bool lineStart = true;
  for (size_t i = 0; i < md.size(); ++i) {
    if (lineStart) {
      size_t k = i;
      while (k < md.size() && md[k] == ' ') ++k;
      if (md.compare(k, 2, "- ") == 0) i = k + 2;
      else if (md.compare(k, 2, "# ") == 0) i = k + 2;
      lineStart = false;
    }
    char c = md[i];
    if (c == '\\' && i + 1 < md.size() && md[i + 1] != '\n') {
      out += md[++i];
    } else if (c == '\\') {
      // a line break: the next character is the new line
    } else if (c != '*' && c != '~') {
      out += c;
      lineStart = c == '\n';
    }
  }
  return out;
}

TEST(Export, EachFormatHoldsTheEntrysTextUnderItsDate) {
  Diary diary("pw");
  const TDate a = diary.Add(2024, 3, 1, StyledEntry());
  const TDate b = diary.Add(2024, 3, 2, Rtf("Second \\'e9t\\'e9 day"));
  const TDate bad = MakeDate(2024, 3, 3);
  EncipherToFile(Rtf("x"), diary.store.EntryPath(bad), "WRONG");
  struct Case {
    TExportFormat format;
    bool heading;
    const char* extension;
    std::string (*text)(const std::string&);  // the entry's text in the file, date line first
  } cases[] = {
      {TExportFormat::kHtml, false, ".html",
       [](const std::string& f) { return WithoutEmptyLines(HtmlText(f.substr(f.find("<body>")))); }},
      {TExportFormat::kMarkdown, false, ".md",
       [](const std::string& f) { return WithoutEmptyLines(MarkdownText(f)); }},
      {TExportFormat::kText, false, ".txt", [](const std::string& f) { return f; }},
      {TExportFormat::kRtf, true, ".RTF", [](const std::string& f) { return TextOf(f); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(ExportFormatKey(c.format));
    TempDir out;
    TExportOptions options;
    options.format = c.format;
    options.heading = c.heading;
    TExportResult r = ExportEntries(diary.store, a, bad, out.path(), options);
    EXPECT_EQ(r.written, 2);
    EXPECT_EQ(r.failedDays, std::vector<TDate>{bad});  // named, and the others were written
    EXPECT_EQ(ExportReport(r, "/out/", c.format).rfind(std::string("Saved 2 file(s) as ") +
                                                          ExportFormatName(c.format) + "\rto directory: /out/", 0),
              0u);
    for (TDate day : {a, b}) {
      const std::string file = ReadFile(out / (DayKey(day) + c.extension));
      const std::string entry = DecipherFile(diary.store.EntryPath(day), "pw");
      const std::string cat = TextOf(entry);
      const std::string date = LongDate(day) + "\n";
      if (c.format == TExportFormat::kText) {
        EXPECT_EQ(file, date + "\n" + cat);  // exactly the command line's text under the date
      } else {
        EXPECT_EQ(c.text(file), date + (c.format == TExportFormat::kRtf ? cat : WithoutEmptyLines(cat)));
      }
    }
  }
}

TEST(Export, HtmlIsAPageWithPicturesAndStylesAndMarkdownEscapesStars) {
  Diary diary;
  const TDate day = diary.Add(2024, 3, 1, StyledEntry());
  TempDir out;
  TExportOptions html;
  html.format = TExportFormat::kHtml;
  ExportEntries(diary.store, day, day, out.path(), html);
  const std::string page = ReadFile(out / "20240301.html");
  for (const std::string& part : std::vector<std::string>{
           "<!DOCTYPE html>", "<meta charset=\"utf-8\">", "<title>" + LongDate(day) + "</title>",
        "<h1>" + LongDate(day) + "</h1>", std::string("<b>in the rain</b>"),
        std::string("<img src=\"data:image/png;base64,iVBORw0KGgo"),
        std::string("<img src=\"data:image/bmp;base64,Qk"), std::string("&amp; &lt;hat&gt;")}) {
    EXPECT_NE(page.find(part), std::string::npos) << part << "\n" << page;
  }
  TExportOptions md;
  md.format = TExportFormat::kMarkdown;
  ExportEntries(diary.store, day, day, out.path(), md);
  const std::string markdown = ReadFile(out / "20240301.md");
  EXPECT_EQ(markdown, "# " + LongDate(day) + "\n\nWalk **in the rain** at 2\\*3 o'clock \n\n"
                      "- umbrella \\& \\<hat\\>\n\npack *light*\n");
}

TEST(Export, OneHtmlPageForTheRangeNamedAfterIt) {
  Diary diary;
  const TDate a = diary.Add(2024, 1, 5, Rtf("first"));
  const TDate b = diary.Add(2024, 7, 1, Rtf("second"));
  TempDir out;
  TExportOptions options;
  options.format = TExportFormat::kHtml;
  options.oneFile = true;
  TExportResult r = ExportEntries(diary.store, MakeDate(2024, 1, 1), MakeDate(2024, 12, 31), out.path(), options);
  EXPECT_EQ(r.written, 1);
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(out.path())) names.push_back(e.path().filename());
  EXPECT_EQ(names, std::vector<std::string>{"20240101-20241231.html"});
  const std::string page = ReadFile(out / "20240101-20241231.html");
  EXPECT_EQ(WithoutEmptyLines(HtmlText(page.substr(page.find("<body>")))),
            LongDate(a) + "\nfirst\n" + LongDate(b) + "\nsecond\n");
  EXPECT_EQ(page.rfind("<!DOCTYPE html>", 0), 0u);
  // A range without entries writes no page.
  EXPECT_EQ(ExportEntries(diary.store, MakeDate(2025, 1, 1), MakeDate(2025, 2, 1), out.path(), options).written, 0);
}

TEST(Export, CountsOnlyWrittenFilesAndNamesTheFailures) {
  Diary diary("PW");
  TDate a = diary.Add(2024, 6, 1, Rtf("one"));
  TDate b = diary.Add(2024, 6, 2, Rtf("two"));
  TDate c = diary.Add(2024, 6, 3, Rtf("three"));
  EncipherToFile(Rtf("x"), diary.store.EntryPath(c), "WRONG");
  TempDir out;
  // The second file fails at its rename, as on a full disk.
  int renames = 0;
  SetExportFaultHook([&](std::string_view step) { return !(step == "rename" && ++renames == 2); });
  TExportResult r = ExportEntries(diary.store, a, c, out.path());
  SetExportFaultHook({});
  EXPECT_EQ(r.written, 1);
  EXPECT_EQ(r.failedDays, (std::vector<TDate>{b, c}));
  EXPECT_EQ(ReadFile(out / (DayKey(a) + ".RTF")), Rtf("one"));
  EXPECT_FALSE(std::filesystem::exists(out / (DayKey(b) + ".RTF")));  // no half-written file
  EXPECT_FALSE(std::filesystem::exists(out / (DayKey(c) + ".RTF")));
  std::string report = ExportReport(r, "/out/");
  EXPECT_EQ(report.rfind("Saved 1 file(s) as Rich Text Format (RTF)\rto directory: /out/", 0), 0u);
  EXPECT_NE(report.find(ShortDate(b)), std::string::npos) << report;
  EXPECT_NE(report.find(LongDate(c)), std::string::npos) << report;
  for (auto& e : std::filesystem::directory_iterator(out.path())) {
    EXPECT_EQ(e.path().filename(), DayKey(a) + ".RTF");
  }
}

TEST(Export, AnEmptyRangeWritesNothing) {
  Diary diary;
  diary.Add(2024, 6, 1, Rtf("one"));
  TempDir out;
  EXPECT_EQ(ExportEntries(diary.store, Today(), Today(), out.path()).written, 0);
  EXPECT_EQ(ExportEntries(diary.store, MakeDate(2024, 6, 2), MakeDate(2024, 6, 1), out.path()).written, 0);
}

TEST(Export, PlainTextWaitsUnreadableByOthersAndACutOffExportLeavesNothing) {
  Diary diary;
  TDate a = diary.Add(2024, 6, 1, Rtf("one"));
  TDate b = diary.Add(2024, 6, 2, Rtf("two"));
  TempDir out;
  // What an export killed before its renames left behind, and a file that is not its own.
  out.Write(".20240601.RTF.k1LLed", Rtf("killed"));
  out.Write(".20240601-20240630.html.k1LLed", "killed too");
  ::chmod(out.Write(".20240601.doc.k1LLed", "not an export's").c_str(), 0600);
  std::vector<std::string> waiting;  // the temporary files, when the first is renamed
  SetExportFaultHook([&](std::string_view step) {
    if (step == "rename" && waiting.empty()) {
      for (const auto& e : std::filesystem::directory_iterator(out.path())) {
        waiting.push_back(e.path().filename().string() + " " + std::to_string(testing::ModeOf(e.path())));
      }
    }
    return true;
  });
  const mode_t mask = ::umask(022);
  TExportResult r = ExportEntries(diary.store, a, b, out.path());
  ::umask(mask);
  SetExportFaultHook({});
  EXPECT_EQ(r.written, 2);
  std::sort(waiting.begin(), waiting.end());
  ASSERT_EQ(waiting.size(), 3u);
  EXPECT_EQ(waiting[0].rfind(".20240601.RTF.", 0), 0u);
  EXPECT_EQ(waiting[0].substr(waiting[0].size() - 4), " 384");  // 0600
  EXPECT_EQ(waiting[1].rfind(".20240601.doc.k1LLed ", 0), 0u);
  EXPECT_EQ(waiting[2].rfind(".20240602.RTF.", 0), 0u);
  EXPECT_EQ(waiting[2].substr(waiting[2].size() - 4), " 384");
  std::vector<std::string> left;
  for (const auto& e : std::filesystem::directory_iterator(out.path())) {
    left.push_back(e.path().filename().string() + " " + std::to_string(testing::ModeOf(e.path())));
  }
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{".20240601.doc.k1LLed 384", "20240601.RTF 420",
                                            "20240602.RTF 420"}));
}

TEST(PrintPlan, TruncatesEveryConversion) {
  // A Letter sheet at 600 dpi with an unprintable margin of 25 pixels.
  TPrinterMetrics m{600, 600, 5100 - 50, 6600 - 50, 25, 25};
  TPageLayout page = SeparatePageLayout(m, TPrintMargins{});
  EXPECT_EQ(page.left, 1440);
  EXPECT_EQ(page.right, 1440);
  EXPECT_EQ(page.top, 1890);
  EXPECT_EQ(page.bottom, 1800);
  EXPECT_EQ(page.width, 12240);   // 8.5 inches
  EXPECT_EQ(page.height, 15840);  // 11 inches
  TMergedGeometry g = MergedGeometry(m, TPrintMargins{});
  EXPECT_EQ(g.top, 575);
  EXPECT_EQ(g.left, 575);
  EXPECT_EQ(g.textWidth, 5050 - 1150);
  EXPECT_EQ(g.bottomLimit, 6550 - 575);
  EXPECT_EQ(g.quarter, 150);
  EXPECT_EQ(g.half, 300);
  EXPECT_EQ(PixelsToTwips(7, 600), 16);  // 16.8 cut, not rounded
}

TEST(PrintPlan, FitsABlockInQuarterInchStepsAndStartsANewPageWhenLittleIsLeft) {
  TMergedGeometry g;
  g.top = 100;
  g.bottomLimit = 1100;
  g.quarter = 100;
  g.half = 200;
  // The rest of an entry is 250 pixels tall.
  auto measure = [](int height) { return height >= 250 ? 0L : 7L; };
  EXPECT_EQ(FitLimit(g, 100, measure), 400);  // 300 tall: the smallest quarter step holding 250
  EXPECT_EQ(NextEntryStart(g, 400).y, 500);
  EXPECT_FALSE(NextEntryStart(g, 400).newPage);
  EXPECT_TRUE(NextEntryStart(g, 850).newPage);  // 950 + half > 1100
  // Too tall for the rest of the page: the block takes all of it.
  EXPECT_EQ(FitLimit(g, 900, measure), 1100);
}

TEST(DateText, AcceptsTheShortDateFormatAndRefusesTheRest) {
  struct {
    const char* text;
    std::optional<TDate> date;
  } cases[] = {
      {"12/07/2026", MakeDate(2026, 12, 7)},
      {"1/5/2024", MakeDate(2024, 1, 5)},
      {"02/29/2024 10:30", MakeDate(2024, 2, 29)},
      {"02/29/2024 10:30 PM", MakeDate(2024, 2, 29)},
      {"13/01/2024", std::nullopt},
      {"02/30/2024", std::nullopt},
      {"2024-01-05", MakeDate(2024, 1, 5)},
      {"2024-13-05", std::nullopt},
      {"2024-01-05 10:30", MakeDate(2024, 1, 5)},
      {"01/05/2024x", std::nullopt},
      {"01/05/2024 25:00", std::nullopt},
      {"", std::nullopt},
  };
  for (auto& c : cases) EXPECT_EQ(ParseDateText(c.text), c.date) << c.text;
  EXPECT_EQ(DateFormatMessage(), "Please use the date format mm/dd/yyyy\r   Example: " + ShortDate(Today()));
}

TEST(DateText, ReadsTheLocalesShortDateAndIso) {
  const QLocale us(QLocale::English, QLocale::UnitedStates);
  const QLocale german(QLocale::German, QLocale::Germany);
  const QLocale hungarian(QLocale::Hungarian, QLocale::Hungary);  // "yyyy. MM. dd."
  struct {
    const QLocale& locale;
    const char* text;
    std::optional<TDate> date;
  } cases[] = {
      {us, "12/10/2026", MakeDate(2026, 12, 10)},
      {us, "2026-12-10", MakeDate(2026, 12, 10)},
      {us, "10.12.2026", std::nullopt},
      {german, "10.12.2026", MakeDate(2026, 12, 10)},
      {german, "5.1.2024", MakeDate(2024, 1, 5)},
      {german, "10.12.2026 22:30", MakeDate(2026, 12, 10)},
      {german, "2026-12-10", MakeDate(2026, 12, 10)},
      {german, "12/10/2026", std::nullopt},
      {german, "10.13.2026", std::nullopt},
      {hungarian, "2026. 12. 10.", MakeDate(2026, 12, 10)},
      {hungarian, "2026.12.10", MakeDate(2026, 12, 10)},
  };
  for (auto& c : cases) EXPECT_EQ(ParseDateText(c.text, c.locale), c.date) << c.text;
  EXPECT_EQ(DateFormatMessage(german),
            "Please use the date format dd.mm.yyyy\r   Example: " + ShortDate(Today(), german));
}

}  // namespace
}  // namespace quillet
