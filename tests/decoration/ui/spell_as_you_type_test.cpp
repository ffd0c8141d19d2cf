// SPDX-License-Identifier: GPL-3.0-or-later
// Checking spelling as you type, on a real editor with the real dictionaries:
// typing, the wavy line on a rendered image, the right-click menu, the toggle.
#include <decoration/ui/spell_as_you_type.h>

#include <decoration/program_data.h>
#include <decoration/spell_engine.h>
#include <richtext/ui/rich_text.h>
#include <richtext/unicode.h>

#include "../../support/recording_messenger.h"
#include "../../support/temp_dir.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using richtext::TMarkRange;
using richtext::TPosition;
using testing::RecordingMessenger;
using testing::TempDir;
using Ranges = std::vector<TMarkRange>;

std::string Text(richtext::TRichText& edit) {
  std::string s;
  for (const auto& p : edit.Document().Paragraphs()) s += richtext::ToUtf8(p->text) + "|";
  return s;
}

bool Red(QRgb c) { return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80; }

struct Checked {
  TempDir diary;
  RecordingMessenger messages;
  richtext::TRichText edit;
  std::unique_ptr<TSpellAsYouType> checker;

  Checked() {
    edit.resize(500, 200);
    edit.show();
    edit.setFocus();
    checker = std::make_unique<TSpellAsYouType>(&edit, diary.path());
    Settle();
  }
  // Lets the checking thread finish and its results come in.
  void Settle() {
    QElapsedTimer t;
    t.start();
    do {
      QApplication::processEvents();
      if (checker->Busy()) QTest::qWait(5);
    } while (checker->Busy() && t.elapsed() < 20000);
    ASSERT_FALSE(checker->Busy());
  }
  void Load(std::string_view rtf) {
    edit.LoadFromStream(rtf);
    Settle();
  }
  void Type(const QString& text) {
    QTest::keyClicks(&edit, text);
    Settle();
  }
  // The point in the viewport at the middle of a character of the first line.
  QPoint At(size_t par, size_t offset) {
    richtext::TLayout& layout = edit.Layout();
    int x = edit.TextOriginX() + (layout.XOf(par, 0, offset) + layout.XOf(par, 0, offset + 1)) / 2;
    int y = int(layout.ParagraphTop(par)) + 4 - edit.verticalScrollBar()->value() +
            layout.Paragraph(par).lines[0].height / 2;
    return {x, y};
  }
  // The columns with red pixels under characters from..to of a paragraph's first line.
  bool RedUnder(size_t par, size_t from, size_t to) {
    QImage image = edit.viewport()->grab().toImage();
    richtext::TLayout& layout = edit.Layout();
    int top = int(layout.ParagraphTop(par)) + 4 - edit.verticalScrollBar()->value();
    int bottom = top + layout.Paragraph(par).lines[0].height;
    int left = edit.TextOriginX() + layout.XOf(par, 0, from) + 2;
    int right = edit.TextOriginX() + layout.XOf(par, 0, to) - 2;
    for (int y = std::max(0, top); y < std::min(bottom, image.height()); ++y) {
      for (int x = std::max(0, left); x < std::min(right, image.width()); ++x) {
        if (Red(image.pixel(x, y))) return true;
      }
    }
    return false;
  }
  // Right-clicks a character and gives the menu's captions; `choose` (when
  // not empty) is triggered before the menu closes.
  QStringList RightClick(size_t par, size_t offset, const QString& choose = {}) {
    QStringList captions;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (!menu) return;
      QAction* chosen = nullptr;
      for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        captions << a->text();
        if (a->text() == choose) chosen = a;
      }
      menu->close();
      if (chosen) chosen->trigger();
    });
    QPoint p = At(par, offset);
    QContextMenuEvent event(QContextMenuEvent::Mouse, p, edit.viewport()->mapToGlobal(p));
    QApplication::sendEvent(edit.viewport(), &event);
    Settle();
    return captions;
  }
};

TEST(SpellAsYouType, MarksAMisspeltWordOnceTheCaretLeavesIt) {
  Checked c;
  c.Type("I wrote teh");
  // The word being typed waits.
  EXPECT_EQ(c.edit.Marks(0), Ranges{});
  EXPECT_FALSE(c.RedUnder(0, 8, 11));
  c.Type(" ");
  EXPECT_EQ(c.edit.Marks(0), (Ranges{{8, 11}}));
  EXPECT_TRUE(c.RedUnder(0, 8, 11));
  EXPECT_FALSE(c.RedUnder(0, 2, 7));  // "wrote" is a word

  // Going back into the word and changing it: it waits again until the caret leaves.
  c.edit.Editor().MoveTo({0, 11}, false);
  c.Type("h");
  EXPECT_EQ(c.edit.Marks(0), Ranges{});
  QTest::keyClick(&c.edit, Qt::Key_Home);
  c.Settle();
  EXPECT_EQ(c.edit.Marks(0), (Ranges{{8, 12}}));
  // Mending it takes the mark away.
  c.edit.Editor().MoveTo({0, 12}, false);
  QTest::keyClick(&c.edit, Qt::Key_Backspace);
  QTest::keyClick(&c.edit, Qt::Key_Backspace);
  QTest::keyClick(&c.edit, Qt::Key_Left);
  c.Type("h");
  QTest::keyClick(&c.edit, Qt::Key_End);
  c.Settle();
  EXPECT_EQ(Text(c.edit), "I wrote the |");
  EXPECT_EQ(c.edit.Marks(0), Ranges{});
  EXPECT_FALSE(c.RedUnder(0, 8, 11));
}

TEST(SpellAsYouType, ChecksALoadedEntryAndOnlyWhatChanges) {
  Checked c;
  // Words with a letter beyond Windows-1252 are never marked; nor are hidden text or numbers.
  c.Load("{\\rtf1\\ansi Qwzx met \\u321?ukasz at 10.\\par All fine here.\\par {\\v Zzvq} and grrk}");
  EXPECT_EQ(c.edit.Marks(0), (Ranges{{0, 4}}));
  EXPECT_EQ(c.edit.Marks(1), Ranges{});
  EXPECT_EQ(c.edit.Marks(2), (Ranges{{9, 13}}));
  // Paragraphs inserted above move the marks of those below.
  c.edit.Editor().MoveTo({0, 0}, false);
  QTest::keyClick(&c.edit, Qt::Key_Return);
  QTest::keyClick(&c.edit, Qt::Key_Up);
  c.Type("Blorp ");
  EXPECT_EQ(c.edit.Marks(0), (Ranges{{0, 5}}));
  EXPECT_EQ(c.edit.Marks(1), (Ranges{{0, 4}}));
  EXPECT_EQ(c.edit.Marks(3), (Ranges{{9, 13}}));
}

// The same words as the spell-check dialog: apostrophes between letters belong
// to the word, so "wasn't" is not underlined as "wasn".
TEST(SpellAsYouType, WordsKeepTheirInnerApostrophes) {
  const struct {
    const char* rtf;
    std::vector<std::string> marked;
  } cases[] = {
      {"{\\rtf1 I wasn't there.}", {}},
      {"{\\rtf1 I wasn\\rquote t there, nor John\\rquote s cat.}", {}},
      {"{\\rtf1 The cats' toys and 'quoted' words.}", {}},
      {"{\\rtf1 It wsn't so.}", {"wsn't"}},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.rtf);
    Checked c;
    c.Load(k.rtf);
    std::vector<std::string> marked;
    const auto& text = c.edit.Document().Par(0).text;
    for (const TMarkRange& r : c.edit.Marks(0)) {
      marked.push_back(richtext::ToUtf8(text.substr(r.start, r.end - r.start)));
    }
    EXPECT_EQ(marked, k.marked);
  }
}

TEST(SpellAsYouType, AVeryLongParagraphIsCheckedOnceTypingPauses) {
  Checked c;
  std::string rtf = "{\\rtf1\\ansi ";
  for (int i = 0; i < 5000; ++i) rtf += "word ";
  c.Load(rtf + "}");
  const size_t end = c.edit.Document().Par(0).Length();
  ASSERT_GT(end, 20000u);
  EXPECT_EQ(c.edit.Marks(0), Ranges{});
  c.edit.Editor().MoveTo({0, end}, false);
  QTest::keyClicks(&c.edit, "qzx ");
  EXPECT_TRUE(c.checker->Busy());  // waiting for the pause
  c.Settle();
  EXPECT_EQ(c.edit.Marks(0), (Ranges{{end, end + 3}}));
}

TEST(SpellAsYouType, ASuggestionReplacesTheWordAsOneStepToUndo) {
  Checked c;
  c.Load("{\\rtf1\\ansi I wrote teh letter.}");
  ASSERT_EQ(c.edit.Marks(0), (Ranges{{8, 11}}));
  QSignalSpy changes(&c.edit, &richtext::TRichText::OnChange);

  // The menu: the engine's suggestions in its order, then Add to Dictionary,
  // then the editor's own actions.
  TSpellEngine engine;
  engine.OpenDictionary(MainDictionaryPath(c.diary.path()));
  std::vector<std::string> expected = engine.GetSuggestions("teh");
  ASSERT_EQ(expected.size(), size_t(engine.MaxSuggestions()));
  QStringList captions = c.RightClick(0, 9);
  ASSERT_EQ(captions.size(), qsizetype(expected.size() + 1 + 7));
  for (size_t k = 0; k < expected.size(); ++k) EXPECT_EQ(captions[qsizetype(k)].toStdString(), expected[k]);
  EXPECT_EQ(captions[qsizetype(expected.size())], "Add to Dictionary");
  EXPECT_EQ(captions.back(), "Select &All");
  ASSERT_TRUE(captions.contains("the"));

  // A right click on a correct word shows the editor's menu alone.
  EXPECT_EQ(c.RightClick(0, 3).size(), 7);

  c.RightClick(0, 9, "the");
  EXPECT_EQ(Text(c.edit), "I wrote the letter.|");
  EXPECT_GT(changes.count(), 0);
  EXPECT_EQ(c.edit.Marks(0), Ranges{});
  c.edit.Undo();
  c.Settle();
  EXPECT_EQ(Text(c.edit), "I wrote teh letter.|");
  EXPECT_FALSE(c.edit.Editor().CanUndo());
}

TEST(SpellAsYouType, AddToDictionaryTakesTheMarkAwayAndKeepsTheWord) {
  Checked c;
  c.Load("{\\rtf1\\ansi Zorblat met Zorblat's friend.\\par zorblat again}");
  // "Zorblat's" is one word; once "Zorblat" is known, its "'s" form is too.
  ASSERT_EQ(c.edit.Marks(0), (Ranges{{0, 7}, {12, 21}}));
  ASSERT_FALSE(c.edit.Marks(1).empty());
  c.RightClick(0, 3, "Add to Dictionary");
  EXPECT_TRUE(c.messages.shown.empty());
  EXPECT_EQ(c.edit.Marks(0), Ranges{});
  EXPECT_EQ(c.edit.Marks(1), Ranges{});
  EXPECT_FALSE(c.RedUnder(0, 0, 7));

  TSpellEngine engine;
  ASSERT_GT(engine.OpenUserDictionary(UserDictionaryPath(c.diary.path())), 0);
  engine.OpenDictionary(MainDictionaryPath(c.diary.path()));
  EXPECT_TRUE(engine.IsWordCorrect("ZORBLAT"));
  // Typed again, it stays unmarked.
  c.edit.Editor().MoveTo({1, 13}, false);
  c.Type(" Zorblat ");
  EXPECT_EQ(c.edit.Marks(1), Ranges{});
}

TEST(SpellAsYouType, AFailedAddIsReportedAndTheMarkStays) {
  Checked c;
  // The user dictionary's name is taken by a directory: it can be neither opened nor created.
  std::filesystem::create_directory(UserDictionaryPath(c.diary.path()));
  c.Load("{\\rtf1\\ansi Zorblat}");
  c.RightClick(0, 3, "Add to Dictionary");
  ASSERT_EQ(c.messages.shown.size(), 1u);
  EXPECT_NE(c.messages.shown[0].find("quilletu.dct"), std::string::npos) << c.messages.shown[0];
  EXPECT_EQ(c.edit.Marks(0), (Ranges{{0, 7}}));
}

TEST(SpellAsYouType, TurnedOffItRemovesEveryMarkAndOnItChecksAgain) {
  Checked c;
  c.Load("{\\rtf1\\ansi Qwzx\\par fine\\par grrk}");
  ASSERT_FALSE(c.edit.Marks(2).empty());
  c.checker->SetEnabled(false);
  c.edit.Editor().MoveTo({0, 4}, false);
  for (size_t i = 0; i < 3; ++i) EXPECT_EQ(c.edit.Marks(i), Ranges{});
  EXPECT_FALSE(c.RedUnder(0, 0, 4));
  c.Type(" vvxq ");
  EXPECT_EQ(c.edit.Marks(0), Ranges{});
  EXPECT_EQ(c.RightClick(2, 1).size(), 7);  // no suggestions while it is off
  c.checker->SetEnabled(true);
  c.Settle();
  EXPECT_EQ(c.edit.Marks(0), (Ranges{{0, 4}, {5, 9}}));
  EXPECT_EQ(c.edit.Marks(2), (Ranges{{0, 4}}));
}

}  // namespace
}  // namespace quillet
