// SPDX-License-Identifier: GPL-3.0-or-later
/** The find and replace dialogs of the editor. */
#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace richtext {

// Find (and with `replace`, replace): the text, match case, whole word, the
// direction, and the buttons. It stays open while the user searches; each
// button press is a request the editor carries out.
class TFindDialog : public QDialog {
  Q_OBJECT
 public:
  TFindDialog(bool replace, QWidget* parent);

  QString FindText() const;
  QString ReplaceText() const;
  bool MatchCase() const;
  bool WholeWord() const;
  bool Down() const;
  void SetFindText(const QString& text);
  void SetMatchCase(bool on);

  QLineEdit* findEdit;
  QLineEdit* replaceEdit = nullptr;
  QCheckBox* wholeWord;
  QCheckBox* matchCase;
  QRadioButton* up;
  QRadioButton* down;
  QPushButton* findNext;
  QPushButton* replaceButton = nullptr;
  QPushButton* replaceAll = nullptr;

 signals:
  void FindRequested();
  void ReplaceRequested(bool all);
};

}  // namespace richtext
