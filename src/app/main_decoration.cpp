// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's decorating commands: the icon palette and the icons
// dropped from it on the entry, symbols, pictures and paragraph properties,
// each on the toolbar and in the menus.
#include <app/main_screen.h>

#include <controls/graphic_panel.h>
#include <richtext/ui/painted_icon.h>
#include <decoration/program_data.h>
#include <decoration/ui/floating_palette.h>
#include <decoration/ui/icon_drop.h>
#include <decoration/ui/image_browser.h>
#include <decoration/ui/paragraph_props_dialog.h>
#include <decoration/ui/picture_files.h>
#include <decoration/ui/symbol_selector.h>

#include <richtext/ui/rich_text.h>
#include <richtext/ui/toolbar.h>

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QStandardPaths>
#include <QToolButton>

namespace quillet {
namespace {

const QString kShowIconTool = QStringLiteral("Show Icon Tool");
const QString kHideIconTool = QStringLiteral("Hide Icon Tool");

// A picture drawn in a 16 x 16 box, greyed when its button is disabled.
QIcon BoxIcon(std::function<void(QPainter&, const QColor& ink, const QColor& accent)> draw) {
  return PaintedIcon([draw](QPainter& p, const QRectF& box, QIcon::Mode mode) {
    p.translate(box.topLeft());
    p.scale(box.width() / 16.0, box.height() / 16.0);
    const bool off = mode == QIcon::Disabled;
    draw(p, off ? QColor(150, 150, 150) : QColor(30, 30, 30), off ? QColor(170, 170, 170) : QColor(30, 80, 170));
  });
}

// Lines of text, the second and third indented, an arrow pushing them in.
QIcon ParagraphIcon() {
  return BoxIcon([](QPainter& p, const QColor& ink, const QColor& accent) {
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(1, 2.5), QPointF(15, 2.5));
    for (qreal y : {6.5, 10.5}) p.drawLine(QPointF(7, y), QPointF(15, y));
    p.drawLine(QPointF(1, 14.5), QPointF(15, 14.5));
    p.setPen(QPen(accent, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(1, 8.5), QPointF(4.5, 8.5));
    p.setPen(Qt::NoPen);
    p.setBrush(accent);
    p.drawPolygon(QPolygonF({QPointF(6, 8.5), QPointF(3.5, 6), QPointF(3.5, 11)}));
  });
}

// A framed landscape: sky, sun and a hill.
QIcon PictureIcon() {
  return BoxIcon([](QPainter& p, const QColor& ink, const QColor& accent) {
    p.setPen(QPen(ink, 1));
    p.setBrush(QColor(225, 238, 252));
    p.drawRect(QRectF(0.5, 2.5, 15, 11));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(235, 180, 40));
    p.drawEllipse(QRectF(10, 4.5, 3, 3));
    p.setBrush(accent);
    p.drawPolygon(QPolygonF({QPointF(1, 13), QPointF(6, 7), QPointF(9.5, 11), QPointF(11.5, 9), QPointF(15, 13)}));
  });
}

// A sign of the symbol fonts: a check mark in a round seal.
QIcon SymbolIcon() {
  return BoxIcon([](QPainter& p, const QColor& ink, const QColor& accent) {
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(1, 1, 14, 14));
    p.setPen(QPen(accent, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(4.5, 8.5), QPointF(7, 11), QPointF(11.5, 5)}));
  });
}

// The directory the picture browser starts in: the last one a picture was
// taken from, else the user's pictures, else home.
QString& PictureDirectory() {
  static QString dir;
  if (dir.isEmpty()) {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    dir = !pictures.isEmpty() && QDir(pictures).exists() ? pictures : QDir::homePath();
  }
  return dir;
}

}  // namespace

// ------------------------------------------------------------------ building

void TMainScreen::AddParagraphSetupButton() {
  AddToolButton("ParagraphSetupButton", ParagraphIcon(), tr("Paragraph"), QStringLiteral("Paragraph properties"),
                [this] { ParagraphSetupButtonClick(); });
}

void TMainScreen::AddDecorationButtons() {
  AddToolButton("PasteGraphicButton", PictureIcon(), tr("Picture"), QStringLiteral("Paste an image into the text"),
                [this] { PasteGraphicButtonClick(); });
  AddToolButton("SymbolSelectorButton", SymbolIcon(), tr("Symbol"), QStringLiteral("Paste a symbol into the text"),
                [this] { SymbolSelectorButtonClick(); });
  // A text button, as wide as the longer of its two captions, so it never resizes.
  QToolButton* button = AddToolButton("ShowHideIconTool", QIcon(), kShowIconTool,
                                      QStringLiteral("Show/hide the icon palette"), [this] { ShowHideIconToolClick(); });
  button->setToolButtonStyle(Qt::ToolButtonTextOnly);
  const QFontMetrics metrics(button->font());
  const int wide = std::max(metrics.horizontalAdvance(kShowIconTool), metrics.horizontalAdvance(kHideIconTool));
  button->setFixedWidth(wide + 12);
  showHideIconTool_ = button;
}

void TMainScreen::BuildDecoration() {
  AddDecorationButtons();

  // RichText1DragOver and RichText1DragDrop: icons from the palette become pictures.
  connect(richText1_, &richtext::TRichText::OnDragOver, this, [this](QDragMoveEvent* event, richtext::TPosition) {
    if (IsIconDrag(event->mimeData()) && !richText1_->ReadOnly()) {
      event->setDropAction(Qt::CopyAction);
      event->accept();
    } else {
      event->ignore();
    }
  });
  connect(richText1_, &richtext::TRichText::OnDrop, this, [this](QDropEvent* event, richtext::TPosition) {
    if (DropIcon(*richText1_, event->mimeData())) {
      event->setDropAction(Qt::CopyAction);
      event->accept();
      richText1_->setFocus();
    } else {
      event->ignore();
    }
  });

  // The menu items of the toolbar's decorating buttons, each with its own key.
  QMenuBar* bar = menuBar();
  auto make = [&](const char* name, const QString& text, const QKeySequence& keys, void (TMainScreen::*slot)()) {
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  QAction* symbol = make("mnuInsertSymbol", QStringLiteral("Insert S&ymbol..."),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Y), &TMainScreen::SymbolSelectorButtonClick);
  QAction* picture = make("mnuInsertPicture", QStringLiteral("Insert &Picture..."),
                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), &TMainScreen::PasteGraphicButtonClick);
  QAction* iconTool = make("mnuShowHideIconTool", kShowIconTool, QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_K),
                           &TMainScreen::ShowHideIconToolClick);
  QAction* paragraph = make("mnuParagraphSetup", QStringLiteral("&Paragraph Properties..."),
                            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A), &TMainScreen::ParagraphSetupButtonClick);

  // Edit: after "Insert Page Break", or at the end.
  QAction* pageBreak = bar->findChild<QAction*>(QStringLiteral("InsertPageBreak1"));
  QMenu* edit = pageBreak ? qobject_cast<QMenu*>(pageBreak->parent()) : nullptr;
  if (!edit) {
    for (QAction* a : bar->actions())
      if (a->text() == QLatin1String("&Edit")) edit = a->menu();
  }
  if (edit) {
    const QList<QAction*> items = edit->actions();
    const qsizetype at = pageBreak ? items.indexOf(pageBreak) : -1;
    QAction* after = at >= 0 && at + 1 < items.size() ? items[at + 1] : nullptr;
    for (QAction* a : {symbol, picture, iconTool}) {
      if (after) {
        edit->insertAction(after, a);
      } else {
        edit->addAction(a);
      }
    }
  }
  // Format: the paragraph's indents and spacing after the toolbar's commands.
  if (auto* format = bar->findChild<QMenu*>(QStringLiteral("mnuFormat"))) {
    format->addSeparator();
    format->addAction(paragraph);
  }
}

// ------------------------------------------------------------- icon palette

TFloatingPalette* TMainScreen::IconPalette() {
  if (!palette_) {
    palette_ = new TFloatingPalette(diaryDir_, IconSetsDir(diaryDir_), this);
    // However the palette was hidden, the button tells what a click does.
    connect(palette_, &TFloatingPalette::OnHide, this, &TMainScreen::SetIconToolCaption);
    ApplyIconPreferences(*palette_, prefs_);
  }
  return palette_;
}

void TMainScreen::ActivateIconPalette() {
  // A palette that stays hidden is not made until it is asked for; a new one
  // takes the preferences as it is made.
  if (palette_) {
    ApplyIconPreferences(*palette_, prefs_);
  } else if (prefs_.iconsVisible) {
    IconPalette();
  }
}

void TMainScreen::SetIconToolCaption() {
  const QString caption = palette_ && palette_->isVisible() ? kHideIconTool : kShowIconTool;
  if (showHideIconTool_) showHideIconTool_->setText(caption);
  if (auto* item = findChild<QAction*>(QStringLiteral("mnuShowHideIconTool"))) item->setText(caption);
}

void TMainScreen::ShowHideIconToolClick() {
  IconPalette();
  if (palette_->isVisible()) {
    palette_->hide();
    prefs_.iconsVisible = false;
  } else {
    palette_->show();
    palette_->raise();
    prefs_.iconsVisible = true;
  }
  // Only the button follows: "&Save" of an entry being written stays.
  SetIconToolCaption();
}

// ----------------------------------------------------- symbols, pictures, paragraphs

void TMainScreen::SymbolSelectorButtonClick() {
  // An entry shown read-only (it could not be read) is not changed.
  if (richText1_->ReadOnly()) return;
  TSymbolSelector dialog(this);
  CenterForm(&dialog);
  if (dialog.Run() == 1) {
    InsertSymbol(*richText1_, dialog.ChosenFontName(), dialog.ChosenChar(), dialog.ChosenIsSymbolCode());
    richText1_->Changed();
    richToolBar2_->UpdateFromEditor();
  }
}

void TMainScreen::PasteGraphicButtonClick() {
  if (richText1_->ReadOnly()) return;
  TImageBrowser dialog(this, PictureDirectory());
  CenterForm(&dialog);
  if (dialog.exec() != 1 || dialog.Picture().isNull()) return;
  if (!dialog.SelectedFile().isEmpty()) PictureDirectory() = QFileInfo(dialog.SelectedFile()).absolutePath();
  InsertPicture(*richText1_, dialog.Picture());
  richText1_->Changed();
}

void TMainScreen::ParagraphSetupButtonClick() {
  if (richText1_->ReadOnly()) return;
  TParagraphPropDlg dialog(richText1_, this);
  CenterForm(&dialog);
  dialog.exec();
}

}  // namespace quillet
