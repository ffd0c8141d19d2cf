// SPDX-License-Identifier: GPL-3.0-or-later
/** TUserDictionaryDialog ("User Dictionary"): the words the user has added to
 ** the spelling dictionary, with a box that narrows the list, and buttons that
 ** take the chosen words out or add a new one. */
#pragma once

#include <decoration/spell_engine.h>

#include <QDialog>

#include <filesystem>

class QLineEdit;
class QListWidget;
class QPushButton;

namespace quillet {

// Created for one use over the diary's "quilletu.dct" (made when a word is
// added to a diary that has none). Every change is written to the file at once.
class TUserDictionaryDialog : public QDialog {
  Q_OBJECT
 public:
  explicit TUserDictionaryDialog(const std::filesystem::path& diaryDir, QWidget* parent = nullptr);

  QLineEdit* FindBox;      // narrows the list to the words holding its text
  QListWidget* WordList;   // the words, sorted; several may be chosen
  QLineEdit* NewWord;      // the word Add adds
  QPushButton* RemoveButton;
  QPushButton* AddButton;
  QPushButton* CloseButton;

  // True when a word was added or removed: marks of misspelt words are stale.
  bool Changed() const { return changed_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool OpenDictionary(bool create);
  void Fill();
  void RemoveClick();
  void AddClick();

  std::filesystem::path path_;
  TSpellEngine engine_;
  int userIndex_ = -1;
  bool changed_ = false;
};

}  // namespace quillet
