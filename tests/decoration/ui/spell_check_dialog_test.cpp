// SPDX-License-Identifier: GPL-3.0-or-later
// The spell-check dialog driven as a user would, through an entry with misspellings.
#include <decoration/ui/spell_check_dialog.h>

#include <decoration/spell_engine.h>
#include <richtext/ui/rich_text.h>
#include <richtext/unicode.h>

#include "../../support/recording_messenger.h"
#include "../../support/temp_dir.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using testing::RecordingMessenger;
using testing::TempDir;

std::string Text(richtext::TRichText& edit) {
  std::string s;
  for (const auto& p : edit.Document().Paragraphs()) s += richtext::ToUtf8(p->text) + "|";
  return s;
}

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

struct Check {
  TempDir diary;
  RecordingMessenger messages;
  richtext::TRichText edit;
  std::unique_ptr<TSpellCheckDialog> dialog;

  explicit Check(std::string_view rtf) {
    edit.resize(500, 300);
    edit.show();
    edit.LoadFromStream(rtf);
  }
  TSpellCheckDialog& Open() {
    dialog = std::make_unique<TSpellCheckDialog>(&edit, diary.path());
    dialog->show();
    Settle();
    return *dialog;
  }
  void Click(QPushButton* b) {
    QTest::mouseClick(b, Qt::LeftButton);
    Settle();
  }
};

TEST(SpellCheckDialog, SkipsReplacesAddsAndCompletes) {
  Check c("{\\rtf1\\ansi Teh cat sat in the caf\\'e9 with \\u321?ukasz.\\par Quilet wrote a lettr.}");
  TSpellCheckDialog& d = c.Open();
  EXPECT_EQ(d.windowTitle(), "Spell Check");
  EXPECT_EQ(d.size(), QSize(406, 181));
  EXPECT_EQ(d.GetNextWordButton->text(), "&Skip Word");
  EXPECT_EQ(d.Addbutton->geometry(), QRect(216, 148, 82, 27));
  QSignalSpy changed(&d, &TSpellCheckDialog::changed);

  // The first unknown word is selected, with its suggestions.
  EXPECT_EQ(d.Word->text(), "Teh");
  ASSERT_GT(d.WordList->count(), 0);
  EXPECT_EQ(d.ReplaceAs->text(), d.WordList->item(0)->text());
  auto the = d.WordList->findItems("The", Qt::MatchExactly);
  ASSERT_EQ(the.size(), 1);
  EXPECT_EQ(c.edit.Editor().SelStart(), (richtext::TPosition{0, 0}));
  EXPECT_EQ(c.edit.Editor().SelEnd(), (richtext::TPosition{0, 3}));
  QTest::mouseClick(d.WordList->viewport(), Qt::LeftButton, {}, d.WordList->visualItemRect(the[0]).center());
  EXPECT_EQ(d.ReplaceAs->text(), "The");
  c.Click(d.ReplaceButton);
  EXPECT_EQ(changed.count(), 1);

  // "Łukasz" cannot be held by the dictionaries and is passed over.
  EXPECT_EQ(d.Word->text(), "Quilet");
  c.Click(d.Addbutton);
  EXPECT_TRUE(std::filesystem::exists(c.diary / "quilletu.dct"));

  EXPECT_EQ(d.Word->text(), "lettr");
  EXPECT_TRUE(c.messages.shown.empty());
  c.Click(d.GetNextWordButton);
  EXPECT_EQ(c.messages.shown, std::vector<std::string>{"Spell check complete"});
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(d.result(), QDialog::Rejected);
  EXPECT_EQ(Text(c.edit), "The cat sat in the café with Łukasz.|Quilet wrote a lettr.|");
  EXPECT_FALSE(c.edit.HasSelection());

  // The added word is known to the next check.
  TSpellEngine engine;
  engine.OpenUserDictionary(c.diary / "quilletu.dct");
  EXPECT_TRUE(engine.IsWordCorrect("quilet"));
}

TEST(SpellCheckDialog, TheArrowKeysChooseASuggestionAndEnterReplacesWithIt) {
  Check c("{\\rtf1\\ansi Teh cat.\\par}");
  TSpellCheckDialog& d = c.Open();
  ASSERT_EQ(d.Word->text(), "Teh");
  ASSERT_GT(d.WordList->count(), 1);
  d.WordList->setFocus();
  d.WordList->setCurrentRow(0);
  QTest::keyClick(d.WordList, Qt::Key_Down);
  const QString second = d.WordList->item(1)->text();
  EXPECT_EQ(d.ReplaceAs->text(), second);
  QTest::keyClick(d.WordList, Qt::Key_Return);
  Settle();
  EXPECT_EQ(Text(c.edit), (second + " cat.||").toStdString());
}

TEST(SpellCheckDialog, ATextWithoutMisspellingsEndsAtOnce) {
  Check c("{\\rtf1 The cat sat on the mat.}");
  TSpellCheckDialog& d = c.Open();
  EXPECT_EQ(c.messages.shown, std::vector<std::string>{"Spell check complete"});
  EXPECT_FALSE(d.isVisible());
}

// A word is letters with apostrophes (' or U+2019) between them: "wasn't" is
// looked up whole, so neither "wasn" nor "t" is reported, and "'s" words reach
// the dictionary's rule for them. An apostrophe at a word's edge is no part of it.
struct ApostropheCase {
  const char* rtf;
  std::vector<std::string> reported;
};
const ApostropheCase kApostrophes[] = {
    {"{\\rtf1 I wasn't there.}", {}},
    {"{\\rtf1 I wasn\\rquote t there.}", {}},
    {"{\\rtf1 John's cat and John\\rquote s dog.}", {}},
    {"{\\rtf1 The cats' toys and 'quoted' words.}", {}},
    {"{\\rtf1 It wsn't so.}", {"wsn't"}},
    {"{\\rtf1 Teh isn\\rquote t it.}", {"Teh"}},
};

TEST(SpellCheckDialog, WordsKeepTheirInnerApostrophes) {
  for (const ApostropheCase& a : kApostrophes) {
    SCOPED_TRACE(a.rtf);
    Check c(a.rtf);
    TSpellCheckDialog& d = c.Open();
    std::vector<std::string> reported;
    while (d.isVisible() && reported.size() < 5) {
      reported.push_back(d.Word->text().toStdString());
      c.Click(d.GetNextWordButton);
    }
    EXPECT_EQ(reported, a.reported);
    EXPECT_EQ(c.messages.shown, std::vector<std::string>{"Spell check complete"});
  }
}

TEST(SpellCheckDialog, ADamagedUserDictionaryIsLeftAloneAndAddIsOff) {
  Check c("{\\rtf1 Teh cat.}");
  auto path = c.diary.Write("quilletu.dct", "USER DICTIONARY\r\n");
  TSpellCheckDialog& d = c.Open();
  ASSERT_EQ(c.messages.shown.size(), 1u);
  EXPECT_NE(c.messages.shown[0].find("is damaged"), std::string::npos);
  EXPECT_FALSE(d.Addbutton->isEnabled());
  EXPECT_EQ(d.Word->text(), "Teh");
  c.Click(d.CancelButton);
  EXPECT_FALSE(d.isVisible());
  EXPECT_EQ(testing::ReadFile(path), "USER DICTIONARY\r\n");
}

TEST(SpellCheckDialog, AWordThatCannotBeAddedSaysSo) {
  Check c("{\\rtf1 Pneumonoultramicroscopicsilicovolcanoconiosisx now.}");
  TSpellCheckDialog& d = c.Open();
  ASSERT_EQ(d.Word->text(), "Pneumonoultramicroscopicsilicovolcanoconiosisx");
  c.Click(d.Addbutton);
  ASSERT_EQ(c.messages.shown.size(), 2u);
  EXPECT_NE(c.messages.shown[0].find("longer than 25 letters"), std::string::npos);
  EXPECT_EQ(c.messages.shown[1], "Spell check complete");
}

}  // namespace
}  // namespace quillet
