// SPDX-License-Identifier: GPL-3.0-or-later
/** The "Symbol Selector" dialog: every character of one symbol font in a grid, one to pick. */
#pragma once

#include <decoration/symbol_fonts.h>

#include <QDialog>
#include <QString>

#include <vector>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace richtext {
class TRichText;
}

namespace quillet {

// Shows the characters of a symbol font (Wingdings preselected when
// installed) in a grid of 15 columns that follows the dialog's size: the
// space, then those of the codes 0x20-0xFF that a font with symbol codes
// draws, or every character a font of Unicode symbols has. The chosen character follows the list's current item,
// however it is chosen (mouse, keys, the accessibility bus). On modal result 1
// the caller reads ChosenFontName, ChosenChar and ChosenIsSymbolCode and
// inserts them with InsertSymbol. Call Run() rather than exec(): with no
// symbol font installed it says "No Symbol fonts installed" and gives 0
// without showing the dialog.
class TSymbolSelector : public QDialog {
  Q_OBJECT
 public:
  // `fonts`: the symbol fonts to offer; by default those installed (SymbolFonts()).
  explicit TSymbolSelector(QWidget* parent = nullptr);
  TSymbolSelector(std::vector<TFontFace> fonts, QWidget* parent);

  int Run();

  const QString& ChosenFontName() const { return chosenFont_; }
  const QString& ChosenChar() const { return chosenChar_; }
  // Whether the chosen font addresses its characters by symbol codes.
  bool ChosenIsSymbolCode() const;

  QComboBox* SymbolSets;
  QListWidget* SymbolList;
  QPushButton* CopyCharButton;  // "Ok"
  QPushButton* OKButton;        // "Cancel"

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void LoadFontsList(std::vector<TFontFace> fonts);
  void SymbolSetsClick();
  void SymbolListClick();
  void CopyCharButtonClick();
  void SetListFont(const QString& family);
  void FillSymbolList(const QString& family);
  void FitGrid();

  std::vector<TFontFace> fonts_;
  QString chosenFont_;
  QString chosenChar_;
};

// Inserts a symbol character at the caret of `edit` in the symbol font: the
// insertion attribute takes the font and keeps size, style and colour. A font
// with symbol codes enters the document's font table marked as a symbol font
// (so the RTF names it with \fcharset2 and writes the character as its byte);
// a font of Unicode symbols keeps the character as the letter it is.
void InsertSymbol(richtext::TRichText& edit, const QString& fontName, const QString& character,
                  bool symbolCode = true);

// Makes the symbol fonts known to Qt when fontconfig alone did not list them
// (the fonts-wine directory); gives the families Qt can draw.
void RegisterSymbolFonts(const std::vector<TFontFace>& fonts);

}  // namespace quillet
