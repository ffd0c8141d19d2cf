// SPDX-License-Identifier: GPL-3.0-or-later
// The user dictionary dialog driven as a user would: finding, removing and adding words.
#include <decoration/ui/user_dictionary_dialog.h>

#include <decoration/spell_engine.h>
#include <base/safe_file.h>

#include "../../support/recording_messenger.h"
#include "../../support/temp_dir.h"

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using testing::RecordingMessenger;
using testing::TempDir;

QStringList Shown(const QListWidget* list) {
  QStringList words;
  for (int i = 0; i < list->count(); ++i) words << list->item(i)->text();
  return words;
}

std::vector<std::string> InFile(const TempDir& diary) {
  TSpellEngine engine;
  return engine.UserWords(engine.OpenUserDictionary(diary / "quilletu.dct"));
}

TEST(UserDictionaryDialog, FindsRemovesAndAddsWords) {
  TempDir diary;
  RecordingMessenger messages;
  {
    TSpellEngine engine;
    engine.CreateUserDictionary(diary / "quilletu.dct", {"Quillet", "zebra", "Quiche", "caf\xE9"});
  }
  TUserDictionaryDialog dialog(diary.path());
  dialog.show();
  EXPECT_EQ(Shown(dialog.WordList), (QStringList{"CAF\u00c9", "QUICHE", "QUILLET", "ZEBRA"}));
  EXPECT_FALSE(dialog.RemoveButton->isEnabled());  // nothing chosen yet
  EXPECT_FALSE(dialog.AddButton->isEnabled());     // nothing typed yet

  // The find box narrows the list, whatever the case typed.
  QTest::keyClicks(dialog.FindBox, "qui");
  EXPECT_EQ(Shown(dialog.WordList), (QStringList{"QUICHE", "QUILLET"}));

  // Both found words chosen (click, then Shift+click) and removed.
  QTest::mouseClick(dialog.WordList->viewport(), Qt::LeftButton, {},
                    dialog.WordList->visualItemRect(dialog.WordList->item(0)).center());
  QTest::mouseClick(dialog.WordList->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                    dialog.WordList->visualItemRect(dialog.WordList->item(1)).center());
  ASSERT_TRUE(dialog.RemoveButton->isEnabled());
  QTest::mouseClick(dialog.RemoveButton, Qt::LeftButton);
  EXPECT_TRUE(Shown(dialog.WordList).isEmpty());
  EXPECT_EQ(InFile(diary), (std::vector<std::string>{"CAF\xC9", "ZEBRA"}));
  EXPECT_TRUE(dialog.Changed());

  // Clearing the find box shows the rest; a word typed and Enter adds it.
  dialog.FindBox->clear();
  EXPECT_EQ(Shown(dialog.WordList), (QStringList{"CAF\u00c9", "ZEBRA"}));
  QTest::keyClicks(dialog.NewWord, "Diary");
  QTest::keyClick(dialog.NewWord, Qt::Key_Return);
  EXPECT_EQ(Shown(dialog.WordList), (QStringList{"CAF\u00c9", "DIARY", "ZEBRA"}));
  EXPECT_EQ(dialog.WordList->currentItem()->text(), "DIARY");
  EXPECT_NE(dialog.result(), QDialog::Accepted);  // Enter there adds, and does not close
  EXPECT_TRUE(dialog.NewWord->text().isEmpty());
  EXPECT_EQ(InFile(diary), (std::vector<std::string>{"CAF\xC9", "DIARY", "ZEBRA"}));

  // What the dictionary cannot store is refused with a message, and nothing is lost.
  dialog.NewWord->insert(QString::fromUtf8("\xC5\x81\xC3\xB3""d\xC5\xBA"));  // pasted: the keys are not on the keyboard
  QTest::mouseClick(dialog.AddButton, Qt::LeftButton);
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_NE(messages.shown[0].find("is not one word the dictionary can store"), std::string::npos);
  EXPECT_EQ(InFile(diary).size(), 3u);

  QTest::mouseClick(dialog.CloseButton, Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(UserDictionaryDialog, ADiaryWithoutOneGetsItWithTheFirstWordAdded) {
  TempDir diary;
  RecordingMessenger messages;
  TUserDictionaryDialog dialog(diary.path());
  dialog.show();
  EXPECT_EQ(dialog.WordList->count(), 0);
  EXPECT_FALSE(std::filesystem::exists(diary / "quilletu.dct"));  // opening alone writes nothing
  QTest::keyClicks(dialog.NewWord, "Quillet");
  QTest::mouseClick(dialog.AddButton, Qt::LeftButton);
  EXPECT_EQ(InFile(diary), (std::vector<std::string>{"QUILLET"}));
  EXPECT_TRUE(messages.shown.empty());
}

TEST(UserDictionaryDialog, AFailedWriteSaysSoAndKeepsTheWords) {
  TempDir diary;
  RecordingMessenger messages;
  {
    TSpellEngine engine;
    engine.CreateUserDictionary(diary / "quilletu.dct", {"zebra"});
  }
  TUserDictionaryDialog dialog(diary.path());
  dialog.show();
  dialog.WordList->setCurrentRow(0);
  SetWriteFaultHook([](std::string_view step) { return step != "write"; });
  QTest::mouseClick(dialog.RemoveButton, Qt::LeftButton);
  SetWriteFaultHook({});
  ASSERT_EQ(messages.shown.size(), 1u);
  EXPECT_EQ(messages.shown[0], "Unable to write to " + (diary / "quilletu.dct").string());
  EXPECT_EQ(Shown(dialog.WordList), (QStringList{"ZEBRA"}));
  EXPECT_EQ(InFile(diary), (std::vector<std::string>{"ZEBRA"}));
}

}  // namespace
}  // namespace quillet
