// SPDX-License-Identifier: GPL-3.0-or-later
// The editor on a 1 MB entry of 5,000 paragraphs, offscreen: typing a
// character in the middle and bringing the visible page up to date (against
// QTextEdit doing the same), loading and painting the first page, scrolling.
// Typing in the middle of a 1 MB entry that is one single paragraph (a text
// pasted without line breaks), against QTextEdit too. Typing with spelling
// checked as you type, in English and in German, and with the status bar's
// word count following the text.
#include <decoration/ui/spell_as_you_type.h>
#include <finding/diary_statistics.h>
#include <finding/ui/word_count_label.h>
#include <richtext/ui/rich_text.h>

#include "generated_entry.h"

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTextEdit>

#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// 5,000 paragraphs of about 200 characters, every seventh word bold.
const std::string& EntryRtf() {
  static const std::string rtf = quillet::bench::GeneratedEntryRtf(5000, 200);
  return rtf;
}

// The same in German words.
const std::string& GermanEntryRtf() {
  static const std::string rtf = quillet::bench::GeneratedEntryRtf(5000, 200, 0, quillet::bench::kGermanWords);
  return rtf;
}

QString EntryText() {
  QString text;
  for (int p = 0; p < 5000; ++p) {
    QString par;
    for (int w = 0; par.size() < 200; ++w) par += QStringLiteral("diary morning ").left(6 + w % 7) + ' ';
    text += par + '\n';
  }
  return text;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void Render(QWidget* viewport, QImage& image) { viewport->render(&image); }

// Times `press` once an iteration: one keystroke and all it makes the widget
// do; `press` is given how many keys went before.
std::vector<double> TimeKeystrokes(benchmark::State& state, const std::function<void(size_t)>& press) {
  std::vector<double> ms;
  for (auto _ : state) {
    auto t0 = Clock::now();
    press(ms.size());
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  return ms;
}

// Misspelt words one after another ("qzx qzx ..."), a turn of the event loop
// after each key as a user's typing gives the checker.
void TypeMisspeltWord(richtext::TRichText& edit, QImage& image, size_t typed) {
  static const QString keys = QStringLiteral("qzx ");
  edit.InsertText(keys[qsizetype(typed % 4)]);
  QApplication::processEvents();
  Render(edit.viewport(), image);
}

// An editor of 800 x 600 with the entry loaded and its first page painted.
struct LoadedEditor {
  richtext::TRichText edit;
  QImage image;
  explicit LoadedEditor(const std::string& rtf = EntryRtf()) {
    edit.resize(800, 600);
    edit.show();
    edit.LoadFromStream(rtf);
    image = QImage(edit.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    Render(edit.viewport(), image);
  }
};

void BM_TypeInTheMiddle_Quillet(benchmark::State& state) {
  LoadedEditor loaded;
  richtext::TRichText& edit = loaded.edit;
  QImage& image = loaded.image;
  edit.Editor().MoveTo({2500, 100}, false);
  edit.EnsureCaretVisible();
  Render(edit.viewport(), image);
  const std::vector<double> ms = TimeKeystrokes(state, [&](size_t) {
    edit.InsertText(QStringLiteral("x"));
    Render(edit.viewport(), image);
  });
  state.counters["median_ms"] = Median(ms);
}
BENCHMARK(BM_TypeInTheMiddle_Quillet)->Unit(benchmark::kMillisecond)->Iterations(200);

// A diary directory of its own; the main dictionary is found in the build tree.
struct ScratchDiary {
  std::filesystem::path path;
  ScratchDiary() {
    std::string t = (std::filesystem::temp_directory_path() / "quillet-bench-XXXXXX").string();
    if (!::mkdtemp(t.data())) throw std::runtime_error("cannot make a temporary directory");
    path = t;
  }
  ~ScratchDiary() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
};

// The same keystrokes, each followed by a turn of the event loop (which paints
// the window as well), without and with spelling checked as you type, and
// with the status bar's word count. With the check, the whole entry is
// checked first; then every keystroke makes a misspelt word of its paragraph,
// which the checking thread looks at while typing goes on once typing pauses
// (the keys here come faster than that pause). The keys typed are "qzx qzx
// ...": a misspelt word is finished every fourth key; marked_after_pause_ms
// is how long after the last key they are all marked. The word count's label
// comes up to date every TWordCountLabel::kDelayMs while the keys come, in
// the turns of the event loop the keystrokes are timed with.
struct TTypingSetup {
  const char* language = nullptr;  // checked as you type in this language; none: not checked
  bool wordCount = false;
  bool german = false;             // the entry's words are German
};

// The status bar's label following the editor, shown beside it.
std::unique_ptr<quillet::TWordCountLabel> ShownWordCount(richtext::TRichText& edit) {
  auto label = std::make_unique<quillet::TWordCountLabel>(&edit);
  label->show();
  QApplication::processEvents();
  return label;
}

// After typing: the label shows what counting the whole text afresh gives.
void CheckWordCount(benchmark::State& state, quillet::TWordCountLabel& label, richtext::TRichText& edit) {
  label.Refresh();
  quillet::TTextCount fresh;
  for (size_t i = 0; i < edit.Document().Size(); ++i) {
    fresh.words += quillet::CountWords(edit.Document().Par(i).text);
    fresh.characters += quillet::CountCharacters(edit.Document().Par(i).text);
  }
  if (label.text() != quillet::WordCountText(fresh, std::nullopt)) state.SkipWithError("the word count is wrong");
  state.counters["words"] = double(fresh.words);
}

void TypeInTheMiddleWithEventLoop(benchmark::State& state, TTypingSetup setup) {
  ScratchDiary diary;
  LoadedEditor loaded(setup.german ? GermanEntryRtf() : EntryRtf());
  richtext::TRichText& edit = loaded.edit;
  QImage& image = loaded.image;
  std::unique_ptr<quillet::TSpellAsYouType> checker;
  if (setup.language) {
    checker = std::make_unique<quillet::TSpellAsYouType>(&edit, diary.path);
    checker->SetLanguage(setup.language);
    auto start = Clock::now();
    while (checker->Busy()) {
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    state.counters["whole_entry_checked_ms"] =
        std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    size_t marked = 0;
    for (size_t i = 0; i < edit.Document().Size(); ++i) marked += edit.Marks(i).size();
    if (marked != 0) state.SkipWithError("the entry's words are all correct, yet some are marked");
  }
  std::unique_ptr<quillet::TWordCountLabel> label;
  if (setup.wordCount) label = ShownWordCount(edit);
  edit.Editor().MoveTo({2500, 100}, false);
  edit.EnsureCaretVisible();
  QApplication::processEvents();
  Render(edit.viewport(), image);
  const std::vector<double> ms =
      TimeKeystrokes(state, [&](size_t typed) { TypeMisspeltWord(edit, image, typed); });
  state.counters["median_ms"] = Median(ms);
  state.counters["max_ms"] = *std::max_element(ms.begin(), ms.end());
  if (label) CheckWordCount(state, *label, edit);
  if (checker) {
    // Once typing stops, the words typed are marked.
    auto stop = Clock::now();
    while (checker->Busy()) {
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    size_t marked = 0;
    for (size_t i = 0; i < edit.Document().Size(); ++i) marked += edit.Marks(i).size();
    state.counters["marks_after"] = double(marked);
    state.counters["marked_after_pause_ms"] = std::chrono::duration<double, std::milli>(Clock::now() - stop).count();
  }
}

void BM_TypeInTheMiddle_Quillet_EventLoop(benchmark::State& state) { TypeInTheMiddleWithEventLoop(state, {}); }
BENCHMARK(BM_TypeInTheMiddle_Quillet_EventLoop)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_TypeInTheMiddle_Quillet_WordCount(benchmark::State& state) {
  TypeInTheMiddleWithEventLoop(state, {.wordCount = true});
}
BENCHMARK(BM_TypeInTheMiddle_Quillet_WordCount)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_TypeInTheMiddle_Quillet_SpellAsYouType(benchmark::State& state) {
  TypeInTheMiddleWithEventLoop(state, {.language = "en"});
}
BENCHMARK(BM_TypeInTheMiddle_Quillet_SpellAsYouType)->Unit(benchmark::kMillisecond)->Iterations(200);

// German through Enchant, on an entry in German, against that entry unchecked.
void BM_TypeInTheMiddle_Quillet_EventLoop_German(benchmark::State& state) {
  TypeInTheMiddleWithEventLoop(state, {.german = true});
}
BENCHMARK(BM_TypeInTheMiddle_Quillet_EventLoop_German)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_TypeInTheMiddle_Quillet_SpellAsYouType_German(benchmark::State& state) {
  TypeInTheMiddleWithEventLoop(state, {.language = "de_DE", .german = true});
}
BENCHMARK(BM_TypeInTheMiddle_Quillet_SpellAsYouType_German)->Unit(benchmark::kMillisecond)->Iterations(200);

// QTextEdit holding `text`, typing at its middle, each keystroke timed with
// the repaint of the visible page.
void TypeInTheMiddleOfQTextEdit(benchmark::State& state, const QString& text, int position) {
  QTextEdit edit;
  edit.resize(800, 600);
  edit.show();
  edit.setPlainText(text);
  QTextCursor cursor = edit.textCursor();
  cursor.setPosition(position);
  edit.setTextCursor(cursor);
  edit.ensureCursorVisible();
  QImage image(edit.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  Render(edit.viewport(), image);
  const std::vector<double> ms = TimeKeystrokes(state, [&](size_t) {
    edit.textCursor().insertText(QStringLiteral("x"));
    Render(edit.viewport(), image);
  });
  state.counters["median_ms"] = Median(ms);
}

void BM_TypeInTheMiddle_QTextEdit(benchmark::State& state) {
  QString text = EntryText();
  TypeInTheMiddleOfQTextEdit(state, text, int(text.size() / 2));
}
BENCHMARK(BM_TypeInTheMiddle_QTextEdit)->Unit(benchmark::kMillisecond)->Iterations(200);

// About 1 MB of words in no fixed order, as prose has them, and no paragraph end.
QString LongParagraph() {
  QString text;
  const char* words[] = {"diary", "morning", "walked", "by", "the", "river", "light",
                         "talked", "summer", "a", "train", "late", "again", "letters"};
  uint32_t seed = 1;
  while (text.size() < 1000000) {
    seed = seed * 1103515245u + 12345u;
    text += QLatin1String(words[(seed >> 16) % 14]);
    text += ' ';
  }
  return text;
}

void BM_TypeInOneLongParagraph_Quillet(benchmark::State& state) {
  richtext::TRichText edit;
  edit.resize(800, 600);
  edit.show();
  QString text = LongParagraph();
  edit.LoadFromStream(text.toStdString());
  QImage image(edit.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  edit.Editor().MoveTo({0, size_t(text.size() / 2)}, false);
  edit.EnsureCaretVisible();
  Render(edit.viewport(), image);
  std::vector<double> ms;
  size_t lines = 0;
  for (auto _ : state) {
    edit.Layout().rewrapCount = 0;
    auto t0 = Clock::now();
    edit.InsertText(QStringLiteral("x"));
    Render(edit.viewport(), image);
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    lines += edit.Layout().rewrapCount;
  }
  state.counters["median_ms"] = Median(ms);
  state.counters["max_ms"] = *std::max_element(ms.begin(), ms.end());
  state.counters["lines_rewrapped"] = double(lines) / double(std::max<size_t>(1, ms.size()));
}
BENCHMARK(BM_TypeInOneLongParagraph_Quillet)->Unit(benchmark::kMillisecond)->Iterations(200);

// Typing in the one long paragraph with spelling checked as you type, a turn
// of the event loop after each key, against the same without the check. The
// keys come faster than the pause after which a paragraph this long is
// checked again, so the time is the keystrokes' alone.
void TypeInOneLongParagraphWithEventLoop(benchmark::State& state, bool checkSpelling, bool wordCount = false) {
  ScratchDiary diary;
  richtext::TRichText edit;
  edit.resize(800, 600);
  edit.show();
  QString text = LongParagraph();
  edit.LoadFromStream(text.toStdString());
  std::unique_ptr<quillet::TSpellAsYouType> checker;
  if (checkSpelling) {
    checker = std::make_unique<quillet::TSpellAsYouType>(&edit, diary.path);
    while (checker->Busy()) {
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  std::unique_ptr<quillet::TWordCountLabel> label;
  if (wordCount) label = ShownWordCount(edit);
  QImage image(edit.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  edit.Editor().MoveTo({0, size_t(text.size() / 2)}, false);
  edit.EnsureCaretVisible();
  QApplication::processEvents();
  Render(edit.viewport(), image);
  const std::vector<double> ms =
      TimeKeystrokes(state, [&](size_t typed) { TypeMisspeltWord(edit, image, typed); });
  state.counters["median_ms"] = Median(ms);
  state.counters["max_ms"] = *std::max_element(ms.begin(), ms.end());
  if (label) CheckWordCount(state, *label, edit);
  if (checker) {
    auto start = Clock::now();
    while (checker->Busy()) {
      QApplication::processEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    state.counters["marked_after_pause_ms"] = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    state.counters["marks_after"] = double(edit.Marks(0).size());
  }
}

void BM_TypeInOneLongParagraph_Quillet_EventLoop(benchmark::State& state) {
  TypeInOneLongParagraphWithEventLoop(state, false);
}
BENCHMARK(BM_TypeInOneLongParagraph_Quillet_EventLoop)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_TypeInOneLongParagraph_Quillet_SpellAsYouType(benchmark::State& state) {
  TypeInOneLongParagraphWithEventLoop(state, true);
}
BENCHMARK(BM_TypeInOneLongParagraph_Quillet_SpellAsYouType)->Unit(benchmark::kMillisecond)->Iterations(200);

// The word count's worst case: the paragraph typed in is the whole megabyte.
void BM_TypeInOneLongParagraph_Quillet_WordCount(benchmark::State& state) {
  TypeInOneLongParagraphWithEventLoop(state, false, true);
}
BENCHMARK(BM_TypeInOneLongParagraph_Quillet_WordCount)->Unit(benchmark::kMillisecond)->Iterations(200);

// What the word count's label does when its timer runs out after a key: the
// paragraph typed in is counted again (5,000 paragraphs of 200 characters, or
// one of a megabyte), the other paragraphs' counts are kept.
void RecountAfterAKey(benchmark::State& state, const std::string& entry, richtext::TPosition at) {
  richtext::TRichText edit;
  edit.LoadFromStream(entry);
  quillet::TWordCountLabel label(&edit);
  label.show();
  edit.Editor().MoveTo(at, false);
  std::vector<double> ms;
  for (auto _ : state) {
    state.PauseTiming();
    edit.Editor().InsertText(U"x");
    state.ResumeTiming();
    auto t0 = Clock::now();
    label.Refresh();
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  state.counters["median_ms"] = Median(ms);
}

void BM_WordCountAfterAKey_Paragraphs(benchmark::State& state) { RecountAfterAKey(state, EntryRtf(), {2500, 100}); }
BENCHMARK(BM_WordCountAfterAKey_Paragraphs)->Unit(benchmark::kMicrosecond)->Iterations(200);

void BM_WordCountAfterAKey_OneLongParagraph(benchmark::State& state) {
  RecountAfterAKey(state, LongParagraph().toStdString(), {0, 500000});
}
BENCHMARK(BM_WordCountAfterAKey_OneLongParagraph)->Unit(benchmark::kMicrosecond)->Iterations(200);

void BM_TypeInOneLongParagraph_QTextEdit(benchmark::State& state) {
  QString text = LongParagraph();
  TypeInTheMiddleOfQTextEdit(state, text, int(text.size() / 2));
}
BENCHMARK(BM_TypeInOneLongParagraph_QTextEdit)->Unit(benchmark::kMillisecond)->Iterations(30);

void BM_LoadAndPaintFirstPage(benchmark::State& state) {
  for (auto _ : state) LoadedEditor loaded;
}
BENCHMARK(BM_LoadAndPaintFirstPage)->Unit(benchmark::kMillisecond);

void BM_ScrollOnePage(benchmark::State& state) {
  LoadedEditor loaded;
  richtext::TRichText& edit = loaded.edit;
  QImage& image = loaded.image;
  QScrollBar* bar = edit.verticalScrollBar();
  for (auto _ : state) {
    bar->setValue(bar->value() + bar->pageStep());
    if (bar->value() >= bar->maximum()) bar->setValue(0);
    Render(edit.viewport(), image);
  }
}
BENCHMARK(BM_ScrollOnePage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
