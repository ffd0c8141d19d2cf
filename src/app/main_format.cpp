// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's formatting toolbar and ruler, its own tool buttons, the
// Format menu that puts every toolbar command on the keyboard, and the spell check.
#include <app/main_screen.h>

#include <controls/graphic_panel.h>
#include <richtext/ui/painted_icon.h>
#include <decoration/spell_checker.h>
#include <decoration/ui/spell_as_you_type.h>
#include <decoration/ui/spell_check_dialog.h>
#include <decoration/ui/user_dictionary_dialog.h>

#include <richtext/ui/rich_text.h>
#include <richtext/ui/ruler.h>
#include <richtext/ui/toolbar.h>
#include <richtext/ui/toolbar_icons.h>

#include <QActionGroup>
#include <QComboBox>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillet {
namespace {

constexpr int kToolButtonSize = 24;
constexpr int kSpacerWidth = 3;

const QColor kInk(30, 30, 30);

// Draws into a 16 x 16 box, greyed when the button is disabled.
QIcon ToolIcon(std::function<void(QPainter&, const QColor& ink, bool off)> draw) {
  return PaintedIcon([draw](QPainter& p, const QRectF& box, QIcon::Mode mode) {
    p.translate(box.topLeft());
    p.scale(box.width() / 16.0, box.height() / 16.0);
    const bool off = mode == QIcon::Disabled;
    draw(p, off ? QColor(150, 150, 150) : kInk, off);
  });
}

void Sheet(QPainter& p, const QColor& ink, QRectF r) {
  p.setPen(QPen(ink, 1));
  p.setBrush(Qt::white);
  p.drawRect(r);
  p.setPen(QPen(QColor(130, 130, 130), 0.8));
  for (qreal y = r.top() + 2.5; y < r.bottom() - 1; y += 2.2)
    p.drawLine(QPointF(r.left() + 1.5, y), QPointF(r.right() - 1.5, y));
}

// A written page struck out with a red cross.
QIcon DeleteEntryIcon() {
  return ToolIcon([](QPainter& p, const QColor& ink, bool off) {
    Sheet(p, ink, QRectF(1.5, 0.5, 10, 13));
    p.setPen(QPen(off ? QColor(170, 170, 170) : QColor(200, 30, 30), 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.5, 8.5), QPointF(14.5, 14.5));
    p.drawLine(QPointF(14.5, 8.5), QPointF(8.5, 14.5));
  });
}

// The foot of one page and the head of the next, parted by a dashed line.
QIcon PageBreakIcon() {
  return ToolIcon([](QPainter& p, const QColor& ink, bool off) {
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::white);
    p.drawPolyline(QPolygonF({QPointF(2.5, 0), QPointF(2.5, 5.5), QPointF(13.5, 5.5), QPointF(13.5, 0)}));
    p.drawPolyline(QPolygonF({QPointF(2.5, 16), QPointF(2.5, 10.5), QPointF(13.5, 10.5), QPointF(13.5, 16)}));
    p.setPen(QPen(ink, 0.8));
    p.drawLine(QPointF(4, 2.5), QPointF(12, 2.5));
    p.drawLine(QPointF(4, 13.5), QPointF(10, 13.5));
    p.setPen(QPen(off ? ink : QColor(30, 80, 170), 1.2, Qt::DashLine, Qt::FlatCap));
    p.drawLine(QPointF(0, 8), QPointF(16, 8));
  });
}

// Lines of text, the first bending back to the start of the next.
QIcon WordWrapIcon() {
  return ToolIcon([](QPainter& p, const QColor& ink, bool off) {
    p.setPen(QPen(ink, 1.4, Qt::SolidLine, Qt::FlatCap));
    p.drawLine(QPointF(1, 3), QPointF(15, 3));
    p.drawLine(QPointF(1, 13), QPointF(7, 13));
    const QColor blue = off ? ink : QColor(30, 80, 170);
    p.setPen(QPen(blue, 1.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    QPainterPath bend;
    bend.moveTo(1, 8);
    bend.lineTo(11.5, 8);
    bend.arcTo(QRectF(9, 8, 5, 5), 90, -180);
    bend.lineTo(10, 13);
    p.drawPath(bend);
    p.setBrush(blue);
    p.drawPolygon(QPolygonF({QPointF(9, 13), QPointF(11.5, 11), QPointF(11.5, 15)}));
  });
}

}  // namespace

// ------------------------------------------------------------------ building

void TMainScreen::BuildToolBar() {
  // The toolbar and the ruler under it, full width above the page.
  toolBar_ = new QWidget(this);
  toolBar_->setObjectName(QStringLiteral("ToolArea"));
  auto* column = new QVBoxLayout(toolBar_);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  richToolBar2_ = new richtext::TRichToolBar(toolBar_);
  richToolBar2_->setObjectName(QStringLiteral("RichToolBar2"));
  richToolBar2_->SetWidthBetweenGroups(5);
  richToolBar2_->SetFontSizeRange(8, 72);
  richToolBar2_->FontNameList()->setToolTip(QStringLiteral("Font"));
  richToolBar2_->FontSizeList()->setToolTip(QStringLiteral("Font Size"));
  richToolBar2_->OnIconSelection = [this](richtext::TRichToolBar&, int& typ, const QString&, int group,
                                          int num, int) { RichToolBar2IconSelection(typ, group, num); };
  column->addWidget(richToolBar2_);

  richRuler1_ = new richtext::TRichRuler(toolBar_);
  richRuler1_->setObjectName(QStringLiteral("RichRuler1"));
  richRuler1_->setFixedHeight(15);
  richRuler1_->SetShowNumbers(false);
  richRuler1_->SetNewTabKind(richtext::tkAll);
  column->addWidget(richRuler1_);

  // The window's own tool buttons at the toolbar's end.
  AddToolButton("Deletebutton", DeleteEntryIcon(), tr("Delete"), QStringLiteral("Delete current entry"),
                [this] { DeletebuttonClick(); });
  AddToolButton("DocPageBreakButton", PageBreakIcon(), tr("Page Break"),
                QStringLiteral("Insert Page Break"), [this] { DocPageBreakButtonClick(); });
  AddParagraphSetupButton();
  wordWrapButton_ = AddToolButton("DocWordWrapButton", WordWrapIcon(), tr("Wrap"), QString(),
                                  [this] { DocWordWrapButtonClick(); });
  // The print button (with the whole-diary commands) and the picture, symbol
  // and icon palette buttons (with the decoration) follow, in that order.
}

QToolButton* TMainScreen::AddToolButton(const char* name, const QIcon& icon, const QString& text,
                                        const QString& hint, std::function<void()> click) {
  auto* button = new QToolButton;
  button->setObjectName(QString::fromLatin1(name));
  button->setIcon(icon);
  button->setIconSize(QSize(16, 16));
  button->setText(text);  // read out by screen readers; the picture is shown
  button->setToolTip(hint);
  button->setFixedSize(kToolButtonSize, kToolButtonSize);
  button->setAutoRaise(true);
  button->setFocusPolicy(Qt::TabFocus);  // reached with Tab and F6; a click leaves the focus in the text
  connect(button, &QToolButton::clicked, this, std::move(click));
  richToolBar2_->AddControl(button);
  auto* spacer = new TGraphicPanel;
  spacer->setObjectName(QString::fromLatin1(name) + QStringLiteral("Spacer"));
  spacer->SetBevelOuter(TBevel::None);
  spacer->SetBevelInner(TBevel::None);
  spacer->setFixedSize(kSpacerWidth, kToolButtonSize);
  richToolBar2_->AddControl(spacer);
  return button;
}

void TMainScreen::BuildFormatting() {
  richToolBar2_->SetEditor(richText1_);
  richRuler1_->SetUnits(richtext::TRulerUnit::Inch);
  richRuler1_->SetEditor(richText1_);
  // RichRuler1Selection, RichRuler1MouseDown: every ruler action counts as a change.
  connect(richRuler1_, &richtext::TRichRuler::RulerAction, richText1_, &richtext::TRichText::Changed);

  QMenuBar* bar = menuBar();
  auto findAction = [&](const char* name) { return bar->findChild<QAction*>(QString::fromLatin1(name)); };
  auto make = [&](const char* name, const QString& text, const QKeySequence& keys, auto slot) {
    auto* a = new QAction(text, this);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcut(keys);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };

  // Edit: "&Spell Check" leads the inserting commands; "Insert Page Break" follows them.
  QAction* enterDate = findAction("EnterDate1");
  QAction* insertTime = findAction("InsertTodaystime1");
  if (enterDate && insertTime) {
    QMenu* edit = qobject_cast<QMenu*>(enterDate->parent());
    // F7, the spell check's key in word processors: Alt+S is the mnemonic of "&Save".
    edit->insertAction(enterDate, make("SpellCheck1", QStringLiteral("&Spell Check"), QKeySequence(Qt::Key_F7),
                                       &TMainScreen::SpellCheck1Click));
    // Misspelt words of the shown entry are marked as they are typed.
    spellAsYouType_ = new TSpellAsYouType(richText1_, diaryDir_, this);
    connect(spellAsYouType_, &TSpellAsYouType::changed, richText1_, &richtext::TRichText::Changed);
    mnuSpellAsYouType_ = make("mnuCheckSpellingAsYouType", QStringLiteral("Check Spelling as You Type"), {},
                              &TMainScreen::mnuCheckSpellingAsYouTypeClick);
    mnuSpellAsYouType_->setCheckable(true);
    mnuSpellAsYouType_->setChecked(true);
    edit->insertAction(enterDate, mnuSpellAsYouType_);
    // The languages there are dictionaries for, English (ours) first; one is
    // chosen. Asking for the installed dictionaries loads every provider's
    // library, so the list is made when the menu is first opened, not at start.
    mnuSpellingLanguage_ = new QMenu(QStringLiteral("Spelling Language"), edit);
    mnuSpellingLanguage_->setObjectName(QStringLiteral("mnuSpellingLanguage"));
    connect(mnuSpellingLanguage_, &QMenu::aboutToShow, this, &TMainScreen::FillSpellingLanguages);
    edit->insertMenu(enterDate, mnuSpellingLanguage_);
    edit->insertAction(enterDate, make("mnuUserDictionary", QStringLiteral("User Dictionary..."), {},
                                       &TMainScreen::mnuUserDictionaryClick));
    const QList<QAction*> items = edit->actions();
    const qsizetype at = items.indexOf(insertTime);
    QAction* after = at + 1 < items.size() ? items[at + 1] : nullptr;
    QAction* pageBreak = make("InsertPageBreak1", QStringLiteral("Insert Page &Break"),
                              QKeySequence(Qt::CTRL | Qt::Key_Return), &TMainScreen::DocPageBreakButtonClick);
    if (after) {
      edit->insertAction(after, pageBreak);
    } else {
      edit->addAction(pageBreak);
    }
  }

  // Format: every button and list of the toolbar, on the keyboard.
  auto* format = new QMenu(QStringLiteral("F&ormat"), bar);
  format->setObjectName(QStringLiteral("mnuFormat"));
  QAction* before = nullptr;
  for (QAction* a : bar->actions())
    if (a->menu() && a->menu()->objectName() == QLatin1String("mnuFindMenu")) before = a;
  bar->insertMenu(before, format);

  const std::vector<QAction*>& own = richToolBar2_->FormatActions();  // Bold ... Justify
  // The same as a click on the toolbar's button: a pressed button shows the
  // caret's state again afterwards.
  auto press = [this](const char* icon) {
    return [this, icon] {
      if (QToolButton* b = richToolBar2_->Button(QString::fromLatin1(icon))) b->click();
    };
  };
  auto icon = [](const char* name) { return richtext::ToolbarIcon(QString::fromLatin1(name)); };
  QAction* normal = make("mnuNormal", QStringLiteral("&Normal"), QKeySequence(Qt::CTRL | Qt::Key_M),
                         press("Normal"));
  normal->setIcon(icon("Normal"));
  QAction* strike = make("mnuStrikeOut", QStringLiteral("Stri&ke Out"),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_X), press("StrikeOut"));
  strike->setIcon(icon("StrikeOut"));
  QAction* right = make("mnuAlignRight", QStringLiteral("Align &Right"),
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), press("Right"));
  right->setIcon(icon("Right"));
  format->addAction(normal);
  for (size_t i = 0; i < 3 && i < own.size(); ++i) format->addAction(own[i]);
  format->addAction(strike);
  format->addSeparator();
  if (own.size() >= 6) {
    format->addAction(own[3]);  // Align Left
    format->addAction(own[4]);  // Center
    format->addAction(right);
    format->addAction(own[5]);  // Justify
  }
  format->addSeparator();
  QAction* bullets = make("mnuBulletedList", QStringLiteral("Bu&lleted List"),
                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_L), press("Bullets"));
  bullets->setIcon(icon("Bullets"));
  QAction* numbers = make("mnuNumberedList", QStringLiteral("Nu&mbered List"),
                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_N), press("Numbers"));
  numbers->setIcon(icon("Numbers"));
  format->addAction(bullets);
  format->addAction(numbers);
  format->addSeparator();
  // The lists open under the keyboard: arrows pick, Enter applies, Escape leaves.
  auto openList = [](QComboBox* list) {
    return [list] {
      list->setFocus(Qt::ShortcutFocusReason);
      list->showPopup();
    };
  };
  format->addAction(make("mnuFontName", QStringLiteral("&Font"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                         openList(richToolBar2_->FontNameList())));
  format->addAction(make("mnuFontSize", QStringLiteral("Font &Size"),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), openList(richToolBar2_->FontSizeList())));
  format->addAction(make("mnuTextColor", QStringLiteral("&Text Color"),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), openList(richToolBar2_->FontColorList())));
  format->addAction(make("mnuBackgroundColor", QStringLiteral("&Background Color"),
                         QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_B),
                         openList(richToolBar2_->BackgroundColorList())));
  // The toolbar's own shortcuts work only in the editor; from the menu they
  // work wherever the focus is in the window.
  for (QAction* a : format->actions()) a->setShortcutContext(Qt::WindowShortcut);
}

// ------------------------------------------------------------------ commands

void TMainScreen::RichToolBar2IconSelection(int& typ, int group, int num) {
  if (typ == richtext::selIconDown && group == richtext::igEdit && num == 8) {
    typ = richtext::selNone;  // the window runs it, not the toolbar
    SpellCheck1Click();
  }
}

void TMainScreen::SpellCheck1Click() {
  // An entry shown read-only (it could not be read) is not changed.
  if (richText1_->ReadOnly()) return;
  TSpellCheckDialog dialog(richText1_, diaryDir_, prefs_.spellingLanguage, this);
  connect(&dialog, &TSpellCheckDialog::changed, richText1_, &richtext::TRichText::Changed);
  CenterForm(&dialog);
  dialog.exec();
  richToolBar2_->UpdateFromEditor();
  if (spellAsYouType_) spellAsYouType_->Recheck();  // words may have been added
}

void TMainScreen::mnuUserDictionaryClick() {
  TUserDictionaryDialog dialog(diaryDir_, this);
  CenterForm(&dialog);
  dialog.exec();
  // Words taken out are misspelt again; words added no longer are.
  if (dialog.Changed() && spellAsYouType_) spellAsYouType_->RecheckAll();
}

void TMainScreen::FillSpellingLanguages() {
  if (!mnuSpellingLanguage_->actions().isEmpty()) return;
  auto* languages = new QActionGroup(mnuSpellingLanguage_);
  for (const std::string& tag : InstalledSpellLanguages()) {
    const QString code = QString::fromStdString(tag);
    QString caption = QStringLiteral("English");
    if (!IsOwnLanguage(tag)) {
      const QLocale locale(code);
      caption = QLocale::languageToString(locale.language());
      if (code.contains(u'_')) caption += QStringLiteral(" (%1)").arg(QLocale::territoryToString(locale.territory()));
      caption += QStringLiteral(" [%1]").arg(code);
    }
    QAction* a = mnuSpellingLanguage_->addAction(caption);
    a->setObjectName(QStringLiteral("mnuSpellingLanguage_") + code);
    a->setData(code);
    a->setCheckable(true);
    a->setChecked(IsOwnLanguage(tag));
    languages->addAction(a);
    connect(a, &QAction::triggered, this, [this, tag] { mnuSpellingLanguageClick(tag); });
  }
  ShowSpellingLanguage();
}

void TMainScreen::mnuSpellingLanguageClick(const std::string& lang) {
  prefs_.spellingLanguage = lang;
  ShowSpellingLanguage();
  SavePreferences();
}

void TMainScreen::ShowSpellingLanguage() {
  if (!mnuSpellingLanguage_) return;
  const QString code = QString::fromStdString(prefs_.spellingLanguage);
  for (QAction* a : mnuSpellingLanguage_->actions()) {
    a->setChecked(a->data().toString() == code || (a->data().toString() == u"en" && code == u"en_US"));
  }
  spellAsYouType_->SetLanguage(prefs_.spellingLanguage);
}

void TMainScreen::mnuCheckSpellingAsYouTypeClick() {
  prefs_.checkSpellingAsYouType = mnuSpellAsYouType_->isChecked();
  spellAsYouType_->SetEnabled(prefs_.checkSpellingAsYouType);
  SavePreferences();
}

}  // namespace quillet
