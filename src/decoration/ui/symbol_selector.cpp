// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/symbol_selector.h>

#include <base/messages.h>
#include <richtext/ui/rich_text.h>

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRawFont>
#include <QShowEvent>
#include <QVBoxLayout>

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
  QFont f("Arial");
  f.setPixelSize(11);
  setFont(f);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(5, 7, 5, 5);
  auto* top = new QHBoxLayout;
  auto* label = new QLabel("&Font", this);
  SymbolSets = new QComboBox(this);
  SymbolSets->setObjectName("SymbolSets");
  SymbolSets->setToolTip("Select a symbol font set");
  SymbolSets->setMinimumWidth(204);
  SymbolSets->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  label->setBuddy(SymbolSets);
  top->addWidget(label);
  top->addWidget(SymbolSets);
  top->addStretch();
  layout->addLayout(top);

  SymbolList = new QListWidget(this);
  SymbolList->setObjectName("SymbolList");
  SymbolList->setViewMode(QListView::IconMode);
  SymbolList->setFlow(QListView::LeftToRight);
  SymbolList->setWrapping(true);
  SymbolList->setResizeMode(QListView::Adjust);
  SymbolList->setMovement(QListView::Static);
  SymbolList->setUniformItemSizes(true);
  SymbolList->setSelectionMode(QAbstractItemView::SingleSelection);
  SymbolList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  SymbolList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QPalette pal = SymbolList->palette();
  pal.setColor(QPalette::Text, Qt::black);
  SymbolList->setPalette(pal);
  // The cells are laid out again whenever the list's width changes.
  SymbolList->viewport()->installEventFilter(this);
  layout->addWidget(SymbolList, 1);

  auto* bottom = new QHBoxLayout;
  CopyCharButton = new QPushButton("Ok", this);
  CopyCharButton->setObjectName("CopyCharButton");
  CopyCharButton->setToolTip("Copy the selected symbol to the label");
  CopyCharButton->setDefault(true);
  OKButton = new QPushButton("Cancel", this);
  OKButton->setObjectName("OKButton");
  for (QPushButton* b : {CopyCharButton, OKButton}) {
    b->setMinimumSize(78, 33);
    bottom->addWidget(b);
  }
  bottom->addStretch();
  layout->addLayout(bottom);
  resize(530, 371);

  LoadFontsList(std::move(fonts));
  connect(SymbolSets, &QComboBox::activated, this, [this] { SymbolSetsClick(); });
  // Keys, clicks and the accessibility bus all move the current item or the
  // selection: each one is the user's choice.
  connect(SymbolList, &QListWidget::currentItemChanged, this, [this] { SymbolListClick(); });
  connect(SymbolList, &QListWidget::itemSelectionChanged, this, [this] {
    const QList<QListWidgetItem*> selected = SymbolList->selectedItems();
    if (!selected.isEmpty() && selected.front() != SymbolList->currentItem()) {
      SymbolList->setCurrentItem(selected.front());
    }
  });
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
  fonts_ = std::move(fonts);
  QStringList names;
  for (const TFontFace& f : fonts_) names << QString::fromStdString(f.family);
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

bool TSymbolSelector::ChosenIsSymbolCode() const {
  for (const TFontFace& f : fonts_) {
    if (QString::fromStdString(f.family).compare(chosenFont_, Qt::CaseInsensitive) == 0) return f.symbolCodes;
  }
  return true;
}

void TSymbolSelector::FillSymbolList(const QString& family) {
  const QSignalBlocker block(SymbolList);
  SymbolList->clear();
  auto add = [this](char32_t code) {
    auto* item = new QListWidgetItem(QString::fromUcs4(&code, 1), SymbolList);
    item->setTextAlignment(Qt::AlignCenter);
  };
  bool symbolCodes = true;
  for (const TFontFace& f : fonts_) {
    if (QString::fromStdString(f.family).compare(family, Qt::CaseInsensitive) == 0) symbolCodes = f.symbolCodes;
  }
  // Only the characters the font draws itself, so the grid shows no empty
  // boxes; a font Qt cannot find offers every code.
  const QRawFont raw = QRawFont::fromFont(SymbolList->font());
  const bool drawn = raw.isValid() && raw.familyName().compare(family, Qt::CaseInsensitive) == 0;
  if (symbolCodes) {
    // The space first, as the selection starts there.
    for (char32_t code = 0x20; code <= 0xFF; ++code) {
      if (code == 0x20 || !drawn || raw.supportsCharacter(code) || raw.supportsCharacter(0xF000 + code)) add(code);
    }
  } else {
    // A font of Unicode symbols: every character it has.
    for (char32_t code = 0x20; code <= 0xFFFF; ++code) {
      const QChar::Category kind = QChar::category(code);
      if (kind == QChar::Other_Control || kind == QChar::Other_Format || kind == QChar::Other_Surrogate ||
          kind == QChar::Other_NotAssigned || !raw.supportsCharacter(code)) {
        continue;
      }
      add(code);
    }
  }
  FitGrid();
}

void TSymbolSelector::FitGrid() {
  // Fifteen columns across the list's width, each at least as wide as a row
  // is high; a narrower dialog wraps to fewer columns instead of squeezing.
  const int rowHeight = std::max(26, QFontMetrics(SymbolList->font()).height() + 2);
  const int width = SymbolList->viewport()->width() - 1;
  const QSize cell(std::max(rowHeight, width / 15), rowHeight);
  if (SymbolList->gridSize() == cell) return;
  SymbolList->setGridSize(cell);
  for (int i = 0; i < SymbolList->count(); ++i) SymbolList->item(i)->setSizeHint(cell);
  SymbolList->doItemsLayout();
}

bool TSymbolSelector::eventFilter(QObject* watched, QEvent* event) {
  if (watched == SymbolList->viewport() && event->type() == QEvent::Resize) FitGrid();
  return QDialog::eventFilter(watched, event);
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
  const int row = std::max(0, SymbolList->currentRow());
  FillSymbolList(family);
  SymbolList->setCurrentRow(std::min(row, SymbolList->count() - 1));
}

void TSymbolSelector::SymbolSetsClick() {
  SetListFont(SymbolSets->currentText());
  chosenFont_ = SymbolSets->currentText();
  SymbolListClick();
}

void TSymbolSelector::SymbolListClick() {
  if (QListWidgetItem* item = SymbolList->currentItem()) chosenChar_ = item->text();
  chosenFont_ = SymbolList->font().family();
}

void TSymbolSelector::CopyCharButtonClick() {
  if (!chosenFont_.isEmpty() || !chosenChar_.isEmpty()) done(1);
}

void InsertSymbol(richtext::TRichText& edit, const QString& fontName, const QString& character,
                  bool symbolCode) {
  richtext::TAttr a = edit.GetInsertionAttribute();
  int font = edit.FontNumber(fontName);
  if (symbolCode && font < richtext::TTextHeader::kFonts) {
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
