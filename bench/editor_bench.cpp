// SPDX-License-Identifier: GPL-3.0-or-later
// The editor on a 1 MB entry of 5,000 paragraphs, offscreen: typing a
// character in the middle and bringing the visible page up to date (against
// QTextEdit doing the same), loading and painting the first page, scrolling.
// Typing in the middle of a 1 MB entry that is one single paragraph (a text
// pasted without line breaks), against QTextEdit too. Typing with spelling
// checked as you type.
#include <decoration/ui/spell_as_you_type.h>
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
  LoadedEditor() {
    edit.resize(800, 600);
    edit.show();
    edit.LoadFromStream(EntryRtf());
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
// the window as well), without and with spelling checked as you type. With
// it, the whole entry is checked first; then every keystroke makes a misspelt
// word of its paragraph, which the checking thread looks at while typing goes
// on once typing pauses (the keys here come faster than that pause). The keys
// typed are "qzx qzx ...": a misspelt word is finished every fourth key;
// marked_after_pause_ms is how long after the last key they are all marked.
void TypeInTheMiddleWithEventLoop(benchmark::State& state, bool checkSpelling) {
  ScratchDiary diary;
  LoadedEditor loaded;
  richtext::TRichText& edit = loaded.edit;
  QImage& image = loaded.image;
  std::unique_ptr<quillet::TSpellAsYouType> checker;
  if (checkSpelling) {
    checker = std::make_unique<quillet::TSpellAsYouType>(&edit, diary.path);
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
  edit.Editor().MoveTo({2500, 100}, false);
  edit.EnsureCaretVisible();
  QApplication::processEvents();
  Render(edit.viewport(), image);
  const std::vector<double> ms =
      TimeKeystrokes(state, [&](size_t typed) { TypeMisspeltWord(edit, image, typed); });
  state.counters["median_ms"] = Median(ms);
  state.counters["max_ms"] = *std::max_element(ms.begin(), ms.end());
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

void BM_TypeInTheMiddle_Quillet_EventLoop(benchmark::State& state) { TypeInTheMiddleWithEventLoop(state, false); }
BENCHMARK(BM_TypeInTheMiddle_Quillet_EventLoop)->Unit(benchmark::kMillisecond)->Iterations(200);

void BM_TypeInTheMiddle_Quillet_SpellAsYouType(benchmark::State& state) { TypeInTheMiddleWithEventLoop(state, true); }
BENCHMARK(BM_TypeInTheMiddle_Quillet_SpellAsYouType)->Unit(benchmark::kMillisecond)->Iterations(200);

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
void TypeInOneLongParagraphWithEventLoop(benchmark::State& state, bool checkSpelling) {
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
  QImage image(edit.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
  edit.Editor().MoveTo({0, size_t(text.size() / 2)}, false);
  edit.EnsureCaretVisible();
  QApplication::processEvents();
  Render(edit.viewport(), image);
  const std::vector<double> ms =
      TimeKeystrokes(state, [&](size_t typed) { TypeMisspeltWord(edit, image, typed); });
  state.counters["median_ms"] = Median(ms);
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
