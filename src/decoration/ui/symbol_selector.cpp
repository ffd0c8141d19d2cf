#include <decoration/ui/symbol_selector.h>

#include <base/messages.h>
#include <richtext/ui/rich_text.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>

#include <set>

namespace quillet {

void RegisterSymbolFonts(const std::vector<TFontFace>& fonts) {
  static std::set<std::string> added;
  QStringList known = QFontDatabase::families();
  for (const TFontFace& f : fonts) {
    if (known.contains(QString::fromStdString(f.family), Qt::CaseInsensitive)) continue;
    if (added.insert(f.file.string()).second) {
      QFontDatabase::addApplicationFont(QString::fromStdString(f.file.string()));
    }
  }
}

TSymbolSelector::TSymbolSelector(QWidget* parent) : TSymbolSelector(SymbolFonts(), parent) {}

TSymbolSelector::TSymbolSelector(std::vector<TFontFace> fonts, QWidget* parent) : QDialog(parent) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  setWindowTitle("Symbol Selector");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  setFixedSize(530, 371);
  QFont f("Arial");
  f.setPixelSize(11);
  setFont(f);

  auto* label = new QLabel("&Font", this);
  label->setGeometry(5, 10, 27, 16);
  SymbolSets = new QComboBox(this);
  SymbolSets->setObjectName("SymbolSets");
  SymbolSets->setGeometry(33, 7, 204, 22);
  SymbolSets->setToolTip("Select a symbol font set");
  label->setBuddy(SymbolSets);

  SymbolList = new QListWidget(this);
  SymbolList->setObjectName("SymbolList");
  SymbolList->setGeometry(5, 37 + 5, 530 - 10, 371 - 37 - 43 - 10);
  SymbolList->setViewMode(QListView::IconMode);
  SymbolList->setFlow(QListView::LeftToRight);
  SymbolList->setWrapping(true);
  SymbolList->setMovement(QListView::Static);
  SymbolList->setUniformItemSizes(true);
  int cell = (SymbolList->viewport()->width() - 2) / 15;
  SymbolList->setGridSize(QSize(cell, 26));
  for (int code = 0x20; code <= 0xFF; ++code) {
    auto* item = new QListWidgetItem(QString(QChar(code)), SymbolList);
    item->setSizeHint(QSize(cell, 26));
    item->setTextAlignment(Qt::AlignCenter);
  }
  QPalette pal = SymbolList->palette();
  pal.setColor(QPalette::Text, Qt::black);
  SymbolList->setPalette(pal);

  CopyCharButton = new QPushButton("Ok", this);
  CopyCharButton->setObjectName("CopyCharButton");
  CopyCharButton->setToolTip("Copy the selected symbol to the label");
  CopyCharButton->setGeometry(10, 371 - 43 + 5, 78, 33);
  OKButton = new QPushButton("Cancel", this);
  OKButton->setObjectName("OKButton");
  OKButton->setGeometry(95, 371 - 43 + 5, 78, 33);

  LoadFontsList(std::move(fonts));
  connect(SymbolSets, &QComboBox::activated, this, [this] { SymbolSetsClick(); });
  connect(SymbolList, &QListWidget::itemClicked, this, [this] { SymbolListClick(); });
  connect(SymbolList, &QListWidget::itemDoubleClicked, this, [this] {
    SymbolListClick();
    CopyCharButtonClick();
  });
  connect(CopyCharButton, &QPushButton::clicked, this, [this] { CopyCharButtonClick(); });
  connect(OKButton, &QPushButton::clicked, this, [this] { done(2); });
  QApplication::restoreOverrideCursor();
}

void TSymbolSelector::LoadFontsList(std::vector<TFontFace> fonts) {
  RegisterSymbolFonts(fonts);
  QStringList names;
  for (const TFontFace& f : fonts) names << QString::fromStdString(f.family);
  names.sort(Qt::CaseInsensitive);
  names.removeDuplicates();
  SymbolSets->addItems(names);
  if (names.isEmpty()) return;
  int wingdings = 0;
  for (int i = 0; i < names.size(); ++i) {
    if (names[i].toUpper().contains("WINGDING")) {
      wingdings = i;
      break;
    }
  }
  SymbolSets->setCurrentIndex(wingdings);
  SetListFont(SymbolSets->currentText());
  chosenFont_ = SymbolSets->currentText();
  SymbolList->setCurrentRow(0);
}

int TSymbolSelector::Run() {
  if (SymbolSets->count() == 0) {
    Messenger().ShowMessage("No Symbol fonts installed");
    return 0;
  }
  return exec();
}

void TSymbolSelector::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // Each activation takes over the list's selection, as a click does.
  SymbolListClick();
}

void TSymbolSelector::SetListFont(const QString& family) {
  QFont f(family);
  f.setPixelSize(24);
  SymbolList->setFont(f);
}

void TSymbolSelector::SymbolSetsClick() {
  SetListFont(SymbolSets->currentText());
  chosenFont_ = SymbolSets->currentText();
}

void TSymbolSelector::SymbolListClick() {
  if (QListWidgetItem* item = SymbolList->currentItem()) chosenChar_ = item->text();
  chosenFont_ = SymbolList->font().family();
}

void TSymbolSelector::CopyCharButtonClick() {
  if (!chosenFont_.isEmpty() || !chosenChar_.isEmpty()) done(1);
}

void InsertSymbol(richtext::TRichText& edit, const QString& fontName, const QString& character) {
  richtext::TAttr a = edit.GetInsertionAttribute();
  int font = edit.FontNumber(fontName);
  if (font < richtext::TTextHeader::kFonts) {
    richtext::TFontEntry& entry = edit.Document().Header().fonts[size_t(font)];
    entry.charset = 2;  // symbol: the character is the font's own code, not a Unicode letter
  }
  a.font = uint8_t(font);
  edit.SetInsertionAttribute(a);
  edit.InsertText(character);
  edit.Repaint();
  QApplication::processEvents();
}

}  // namespace quillet
