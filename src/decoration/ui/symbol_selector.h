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

// Shows the characters 0x20-0xFF of a symbol font (Wingdings preselected when
// installed). On modal result 1 the caller reads ChosenFontName and
// ChosenChar and inserts them with InsertSymbol. Call Run() rather than
// exec(): with no symbol font installed it says "No Symbol fonts installed"
// and gives 0 without showing the dialog.
class TSymbolSelector : public QDialog {
  Q_OBJECT
 public:
  // `fonts`: the symbol fonts to offer; by default those installed (SymbolFonts()).
  explicit TSymbolSelector(QWidget* parent = nullptr);
  TSymbolSelector(std::vector<TFontFace> fonts, QWidget* parent);

  int Run();

  const QString& ChosenFontName() const { return chosenFont_; }
  const QString& ChosenChar() const { return chosenChar_; }

  QComboBox* SymbolSets;
  QListWidget* SymbolList;
  QPushButton* CopyCharButton;  // "Ok"
  QPushButton* OKButton;        // "Cancel"

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void LoadFontsList(std::vector<TFontFace> fonts);
  void SymbolSetsClick();
  void SymbolListClick();
  void CopyCharButtonClick();
  void SetListFont(const QString& family);

  QString chosenFont_;
  QString chosenChar_;
};

// Inserts a symbol character at the caret of `edit` in the symbol font: the
// font enters the document's font table marked as a symbol font (so the RTF
// names it with \fcharset2 and writes the character as its byte), the
// insertion attribute takes the font and keeps size, style and colour.
void InsertSymbol(richtext::TRichText& edit, const QString& fontName, const QString& character);

// Makes the symbol fonts known to Qt when fontconfig alone did not list them
// (the fonts-wine directory); gives the families Qt can draw.
void RegisterSymbolFonts(const std::vector<TFontFace>& fonts);

}  // namespace quillet
