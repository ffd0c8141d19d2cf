/** TSpellCheckDialog ("Spell Check"): walks the editor's text word by word and
 ** stops at each word no dictionary knows, offering replacements. */
#pragma once

#include <decoration/spell_engine.h>

#include <QDialog>

#include <filesystem>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace richtext {
class TRichText;
}

namespace quillet {

// Created for one check: it opens the main dictionary (found as program data)
// and the user dictionary "quilletu.dct" of the diary directory, creating that
// one when it is missing, and closes them when it closes. The check starts when
// the dialog is first shown; when the text is exhausted it hides, shows "Spell
// check complete" through the messenger and closes itself.
class TSpellCheckDialog : public QDialog {
  Q_OBJECT
 public:
  TSpellCheckDialog(richtext::TRichText* editor, const std::filesystem::path& diaryDir,
                    QWidget* parent = nullptr);
  ~TSpellCheckDialog() override;

  QLineEdit* Word;       // the word in question
  QLineEdit* ReplaceAs;  // what Replace puts in its place
  QListWidget* WordList;  // the suggestions, best first
  QPushButton* GetNextWordButton;  // "&Skip Word"
  QPushButton* ReplaceButton;      // "&Replace"
  QPushButton* Addbutton;          // "Add"
  QPushButton* CancelButton;       // "&Cancel"

  TSpellEngine& Engine() { return engine_; }

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
  TSpellEngine engine_;
  int userIndex_ = -1;
  bool firstActivation_ = true;
  bool closed_ = false;
};

}  // namespace quillet
