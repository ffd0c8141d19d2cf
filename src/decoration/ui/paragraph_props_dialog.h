// SPDX-License-Identifier: GPL-3.0-or-later
/** The "Paragraph Properties" dialog: indents in inches or centimetres, spacing in points. */
#pragma once

#include <QDialog>

#include <array>
#include <cstdint>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace richtext {
class TRichText;
}

namespace quillet {

// Edits the indents and spacing of the paragraph at the caret, or of the
// selected paragraphs, of one editor. Values are held in twips; each edit box
// converts its text by its kind (points for the three "Pts" boxes, else
// indents in the chosen unit) whenever it changes. OK applies them as one undo step.
class TParagraphPropDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TParagraphPropDlg(richtext::TRichText* editor, QWidget* parent = nullptr);

  enum Value { kFirst, kLeft, kRight, kBefore, kAfter, kLineHeight };
  int32_t ValueOf(Value v) const { return values_[v]; }

  QLineEdit* FirstIndent;
  QLineEdit* LeftIndent;
  QLineEdit* RightIndent;
  QLineEdit* SpaceBeforePts;
  QLineEdit* SpaceAfterPts;
  QLineEdit* LineHeightPts;
  QComboBox* ComboBox1;         // "Inch", "Cm"
  QComboBox* FirstIndentCombo;  // "Same as Left Indent", "Indented by"
  QPushButton* Okbutton;
  QPushButton* CancelButton;

  // The conversions, rounding halves to even.
  static int32_t TextToTwips(double number, bool points, bool cm);
  static QString TwipsToText(int32_t twips, bool points, bool cm);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void FormShow();
  void EditChange(QLineEdit* edit);
  void ComboBox1Change();
  void FirstIndentComboClick();
  void OkbuttonClick();
  void FillEdits();
  bool Cm() const;
  QLineEdit* Edit(Value v) const;

  richtext::TRichText* editor_;
  std::array<int32_t, 6> values_{};
  bool shown_ = false;
};

}  // namespace quillet
