// SPDX-License-Identifier: GPL-3.0-or-later
/** TSpellCheckDialog ("Spell Check"): walks the editor's text word by word and
 ** stops at each word no dictionary knows, offering replacements. */
#pragma once

#include <decoration/spell_checker.h>

#include <QDialog>

#include <filesystem>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace richtext {
class TRichText;
}

namespace quillet {

// Created for one check in one language: for English it opens the main
// dictionary (found as program data) and the user dictionary "quilletu.dct"
// of the diary directory, created when the first word is added; any other
// language is checked through Enchant. The dictionaries close with the dialog. The check starts when
// the dialog is first shown; when the text is exhausted it hides, shows "Spell
// check complete" through the messenger and closes itself.
class TSpellCheckDialog : public QDialog {
  Q_OBJECT
 public:
  TSpellCheckDialog(richtext::TRichText* editor, const std::filesystem::path& diaryDir,
                    const std::string& lang = std::string(kEnglishLanguage), QWidget* parent = nullptr);
  ~TSpellCheckDialog() override;

  QLineEdit* Word;       // the word in question
  QLineEdit* ReplaceAs;  // what Replace puts in its place
  QListWidget* WordList;  // the suggestions, best first
  QPushButton* GetNextWordButton;  // "&Skip Word"
  QPushButton* ReplaceButton;      // "&Replace"
  QPushButton* Addbutton;          // "Add"
  QPushButton* CancelButton;       // "&Cancel"

 signals:
  // A word of the text was replaced: the main window marks the entry changed.
  void changed();

 public slots:
  void done(int result) override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CheckNextWord();
  void GetNextWordButtonClick();
  void ReplaceClick();
  void AddbuttonClick();
  void WordListClick();

  richtext::TRichText* editor_;
  std::unique_ptr<TSpellChecker> checker_;
  bool firstActivation_ = true;
  bool closed_ = false;
};

}  // namespace quillet
