// SPDX-License-Identifier: GPL-3.0-or-later
// The formatting toolbar clicked as a user would; the saved RTF shows the result.
#include "format_fixture.h"

#include <richtext/ui/toolbar_icons.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLineEdit>
#include <QPainter>
#include <QToolButton>

#include <gtest/gtest.h>

namespace richtext {
namespace {

using testing::Body;
using testing::FormatWindow;

constexpr std::string_view kTwoLines =
    "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\fs20 Dear diary\\par\\pard\\qc Second\\par}";

void Click(QToolButton* button) {
  ASSERT_NE(button, nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
  FormatWindow::Settle();
}

// Opens a list and picks one of its entries with the arrow keys and Enter.
void Choose(QComboBox* list, int index) {
  list->showPopup();
  FormatWindow::Settle();
  QAbstractItemView* view = list->view();
  ASSERT_TRUE(view->isVisible());
  const Qt::Key step = index > view->currentIndex().row() ? Qt::Key_Down : Qt::Key_Up;
  while (view->currentIndex().row() != index) QTest::keyClick(view, step);
  QTest::keyClick(view, Qt::Key_Return);
  FormatWindow::Settle();
}

// Types into an editable list and confirms with Enter.
void TypeInto(QComboBox* list, const QString& text) {
  QLineEdit* line = list->lineEdit();
  line->setFocus();
  line->selectAll();
  QTest::keyClicks(line, text);
  QTest::keyClick(line, Qt::Key_Return);
  FormatWindow::Settle();
}

TEST(RichToolBar, StatusIconsChangeTheSelectionAsOneUndoStep) {
  FormatWindow w;
  w.Load(kTwoLines);
  const std::string before = w.Rtf();
  w.Select(0, 4);  // "Dear"
  Click(w.toolbar->Button("Bold"));
  Click(w.toolbar->Button("Italic"));
  EXPECT_NE(Body(w.Rtf()).find("\\cf0\\b\\i Dear\\plain"), std::string::npos) << Body(w.Rtf());
  EXPECT_NE(Body(w.Rtf()).find(" diary"), std::string::npos);
  EXPECT_TRUE(w.toolbar->Button("Bold")->isChecked());
  EXPECT_FALSE(w.toolbar->Button("Normal")->isChecked());
  EXPECT_GT(w.changes, 0);

  Click(w.toolbar->Button("Bold"));  // released: bold goes, italic stays
  std::string body = Body(w.Rtf());
  EXPECT_EQ(body.find("\\b"), std::string::npos);
  EXPECT_NE(body.find("\\i"), std::string::npos);

  w.edit->Undo();  // bold back
  EXPECT_NE(Body(w.Rtf()).find("\\b\\i Dear"), std::string::npos);
  w.edit->Undo();
  w.edit->Undo();
  EXPECT_EQ(w.Rtf(), before);

  Click(w.toolbar->Button("Under"));
  Click(w.toolbar->Button("StrikeOut"));
  EXPECT_NE(Body(w.Rtf()).find("\\cf0\\ul\\strike Dear"), std::string::npos) << Body(w.Rtf());
  Click(w.toolbar->Button("Normal"));
  EXPECT_EQ(w.Rtf(), before);
  EXPECT_TRUE(w.toolbar->Button("Normal")->isChecked());
}

TEST(RichToolBar, PressedStatesFollowTheCaret) {
  FormatWindow w;
  w.Load("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\b Bold\\b0  plain\\par\\pard\\qr Right\\par}");
  w.Select(0, 3);
  EXPECT_TRUE(w.toolbar->Button("Bold")->isChecked());
  EXPECT_TRUE(w.toolbar->Button("Left")->isChecked());
  w.Key(Qt::Key_End);
  w.Key(Qt::Key_Left, Qt::ShiftModifier);  // "t" of plain
  EXPECT_FALSE(w.toolbar->Button("Bold")->isChecked());
  EXPECT_TRUE(w.toolbar->Button("Normal")->isChecked());
  w.Key(Qt::Key_Down);
  EXPECT_TRUE(w.toolbar->Button("Right")->isChecked());
  EXPECT_FALSE(w.toolbar->Button("Left")->isChecked());

  // Without a selection the buttons show what typing will give.
  Click(w.toolbar->Button("Italic"));
  EXPECT_TRUE(w.toolbar->Button("Italic")->isChecked());
  w.Type("x");
  FormatWindow::Settle();
  EXPECT_TRUE(w.toolbar->Button("Italic")->isChecked());
  EXPECT_NE(Body(w.Rtf()).find("\\i x"), std::string::npos);
}

TEST(RichToolBar, SuperAndSubReleaseEachOther) {
  FormatWindow w;
  w.toolbar->SetStatusIcons(w.toolbar->StatusIcons() | SelSuper | SelSub);
  w.Load(kTwoLines);
  w.Select(0, 4);
  Click(w.toolbar->Button("Sub"));
  EXPECT_NE(Body(w.Rtf()).find("\\sub"), std::string::npos);
  Click(w.toolbar->Button("Super"));
  EXPECT_TRUE(w.toolbar->Button("Super")->isChecked());
  EXPECT_FALSE(w.toolbar->Button("Sub")->isChecked());
  const std::string body = Body(w.Rtf());
  EXPECT_NE(body.find("\\super"), std::string::npos);
  EXPECT_EQ(body.find("\\sub"), std::string::npos);
  EXPECT_EQ(w.edit->GetInsertionAttribute().flags & (afSuperscript | afSubscript), uint32_t(afSuperscript));
}

TEST(RichToolBar, AlignmentIconsAndShortcuts) {
  FormatWindow w;
  w.Load(kTwoLines);
  w.Key(Qt::Key_Home, Qt::ControlModifier);
  Click(w.toolbar->Button("Right"));
  EXPECT_NE(Body(w.Rtf()).find("\\qr \\plain\\f1\\fs20\\cf0 Dear diary"), std::string::npos);
  EXPECT_TRUE(w.toolbar->Button("Right")->isChecked());
  Click(w.toolbar->Button("Justified"));
  EXPECT_NE(Body(w.Rtf()).find("\\qj"), std::string::npos);

  struct Case {
    Qt::Key key;
    const char* rtf;      // what the first paragraph starts with
    const char* pressed;  // the button that is down afterwards
  };
  const Case cases[] = {
      {Qt::Key_E, "\\qc \\plain", "Center"},
      {Qt::Key_L, "\\plain", "Left"},
      {Qt::Key_J, "\\qj \\plain", "Justified"},
  };
  for (const Case& c : cases) {
    w.Key(c.key, Qt::ControlModifier);
    EXPECT_EQ(Body(w.Rtf()).rfind(std::string("{") + c.rtf, 0), 0u) << c.rtf << " in " << Body(w.Rtf());
    EXPECT_TRUE(w.toolbar->Button(c.pressed)->isChecked()) << c.pressed;
  }
  w.edit->Undo();  // each change is one step: back to centred
  EXPECT_EQ(Body(w.Rtf()).rfind("{\\plain", 0), 0u);

  // Ctrl+B, Ctrl+I, Ctrl+U toggle.
  w.Select(1, 6);
  w.Key(Qt::Key_B, Qt::ControlModifier);
  w.Key(Qt::Key_I, Qt::ControlModifier);
  w.Key(Qt::Key_U, Qt::ControlModifier);
  EXPECT_NE(Body(w.Rtf()).find("\\cf0\\b\\ul\\i Second"), std::string::npos) << Body(w.Rtf());
  w.Key(Qt::Key_B, Qt::ControlModifier);
  EXPECT_NE(Body(w.Rtf()).find("\\cf0\\ul\\i Second"), std::string::npos);
  EXPECT_FALSE(w.toolbar->Button("Bold")->isChecked());
}

TEST(RichToolBar, ListsSetFontSizeAndColours) {
  FormatWindow w;
  w.Load(kTwoLines);
  w.Select(0, 4);

  TypeInto(w.toolbar->FontSizeList(), "18");
  EXPECT_NE(Body(w.Rtf()).find("\\f1\\fs36\\cf0 Dear\\plain"), std::string::npos) << Body(w.Rtf());
  EXPECT_EQ(w.toolbar->FontSizeList()->currentText(), "18");

  QComboBox* sizes = w.toolbar->FontSizeList();
  EXPECT_EQ(sizes->itemText(0), "7");
  w.toolbar->SetFontSizeRange(8, 72);
  EXPECT_EQ(sizes->count(), 65);
  EXPECT_EQ(sizes->itemText(0), "8");
  EXPECT_EQ(sizes->itemText(64), "72");
  Choose(sizes, 4);  // 12
  EXPECT_NE(Body(w.Rtf()).find("\\f1\\fs24\\cf0 Dear\\plain"), std::string::npos) << Body(w.Rtf());

  QComboBox* colors = w.toolbar->FontColorList();
  ASSERT_EQ(colors->count(), 16);
  EXPECT_EQ(colors->itemData(1, Qt::ToolTipRole).toString(), "Red");
  // Every entry has a name of its own: the table's default is "Automatic", not a second Black.
  QStringList names;
  for (int i = 0; i < colors->count(); ++i) names << colors->itemData(i, Qt::ToolTipRole).toString();
  EXPECT_EQ(names.first(), "Automatic");
  EXPECT_EQ(names.removeDuplicates(), 0) << names.join(", ").toStdString();
  Choose(colors, 1);
  EXPECT_NE(Body(w.Rtf()).find("\\fs24\\cf1 Dear\\plain"), std::string::npos) << Body(w.Rtf());
  QComboBox* backs = w.toolbar->BackgroundColorList();
  EXPECT_EQ(backs->itemData(0, Qt::ToolTipRole).toString(), "Window");
  Choose(backs, 4);  // yellow
  EXPECT_NE(Body(w.Rtf()).find("\\cf1\\cb4 Dear\\plain"), std::string::npos) << Body(w.Rtf());
  EXPECT_EQ(backs->currentIndex(), 4);

  TypeInto(w.toolbar->FontNameList(), "Liberation Serif");
  const std::string rtf = w.Rtf();
  EXPECT_NE(rtf.find("Liberation Serif;"), std::string::npos);
  EXPECT_NE(Body(rtf).find("\\f2\\fs24\\cf1\\cb4 Dear\\plain"), std::string::npos) << Body(rtf);
  w.edit->Undo();  // the font alone goes
  EXPECT_NE(Body(w.Rtf()).find("\\f1\\fs24\\cf1\\cb4 Dear\\plain"), std::string::npos) << w.Rtf();

  // A size that the list does not offer, typed: one change, one undo step.
  TypeInto(w.toolbar->FontSizeList(), "100");
  EXPECT_NE(Body(w.Rtf()).find("\\fs200\\cf1\\cb4 Dear\\plain"), std::string::npos);
  w.edit->Undo();
  EXPECT_NE(Body(w.Rtf()).find("\\fs24\\cf1\\cb4 Dear\\plain"), std::string::npos) << Body(w.Rtf());

  // The lists show the caret's attributes.
  w.Key(Qt::Key_End);
  w.Key(Qt::Key_Left, Qt::ShiftModifier);
  EXPECT_EQ(w.toolbar->FontSizeList()->currentText(), "10");
  // Arial is shown as the family it is drawn in where it is not installed.
  EXPECT_EQ(w.toolbar->FontNameList()->currentText(),
            QFontDatabase::hasFamily("Arial") ? QString("Arial") : QFontInfo(QFont("Arial")).family());
  EXPECT_EQ(colors->currentIndex(), 0);
  EXPECT_EQ(backs->currentIndex(), 0);
}

TEST(RichToolBar, FontListMarksScalableFontsWithTheTrueTypeMarker) {
  FormatWindow w;
  QComboBox* fonts = w.toolbar->FontNameList();
  fonts->showPopup();  // the families are listed once the list is opened
  fonts->hidePopup();
  const int at = fonts->findText("Liberation Sans");
  ASSERT_GE(at, 0) << "fonts-liberation2 is installed by the dependency script";
  // The front letter takes the list's text colour: black, or light in a dark list.
  for (QColor text : {QColor(Qt::black), QColor(225, 225, 225)}) {
    QStyleOptionViewItem option;
    option.initFrom(fonts->view());
    option.palette.setColor(QPalette::Text, text);
    option.palette.setColor(QPalette::Base, text.lightness() > 128 ? QColor(30, 30, 30) : QColor(Qt::white));
    option.rect = QRect(0, 0, 200, 20);
    option.state &= ~QStyle::State_Selected;
    QImage row(200, 20, QImage::Format_RGB32);
    row.fill(option.palette.color(QPalette::Base));
    {
      QPainter p(&row);
      fonts->itemDelegate()->paint(&p, option, fonts->model()->index(at, 0));
    }
    int grey = 0, front = 0;
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 16; ++x) {
        grey += row.pixel(x, y) == qRgb(128, 128, 128);
        front += row.pixel(x, y) == text.rgb();
      }
    }
    EXPECT_GT(grey, 10);
    EXPECT_GT(front, 10) << text.name().toStdString();
  }
}

// Each name is drawn once, right of the marker: the marker's column holds
// nothing but the marker's own two colours on the row's background.
TEST(RichToolBar, FontListDrawsEachNameOnce) {
  FormatWindow w;
  QComboBox* fonts = w.toolbar->FontNameList();
  fonts->showPopup();
  FormatWindow::Settle();
  const int at = fonts->findText("Liberation Sans");
  ASSERT_GE(at, 0);
  QAbstractItemView* view = fonts->view();
  view->setCurrentIndex(fonts->model()->index(at == 0 ? 1 : 0, 0));  // the row itself not highlighted
  const QRect row = view->visualRect(fonts->model()->index(at, 0));
  const QImage shot = view->viewport()->grab(row).toImage();
  fonts->hidePopup();
  const QRgb background = shot.pixel(shot.width() - 2, shot.height() / 2);
  int stray = 0;
  for (int y = 0; y < shot.height(); ++y) {
    for (int x = 0; x < 16 && x < shot.width(); ++x) {
      const QRgb p = shot.pixel(x, y);
      stray += p != background && p != qRgb(128, 128, 128) && p != qRgb(0, 0, 0);
    }
  }
  EXPECT_LE(stray, 2) << "a second copy of the name under the marker";
}

// A font made known after the list was first opened is listed the next time.
TEST(RichToolBar, FontListTakesInFontsAddedSinceItWasOpened) {
  const QString file = "/usr/share/wine/fonts/webdings.ttf";
  if (!QFile::exists(file)) GTEST_SKIP() << "fonts-wine is not installed";
  FormatWindow w;
  QComboBox* fonts = w.toolbar->FontNameList();
  fonts->showPopup();
  fonts->hidePopup();
  const int id = QFontDatabase::addApplicationFont(file);
  ASSERT_GE(id, 0);
  const QString family = QFontDatabase::applicationFontFamilies(id).value(0);
  fonts->showPopup();
  fonts->hidePopup();
  EXPECT_GE(fonts->findText(family), 0) << family.toStdString();
  EXPECT_EQ(fonts->count(), QFontDatabase::families().size());
  QFontDatabase::removeApplicationFont(id);
}

TEST(RichToolBar, ReadOnlyEditorRefusesEveryChange) {
  FormatWindow w;
  w.Load(kTwoLines);
  w.Select(0, 4);
  w.edit->SetReadOnly(true);
  const std::string before = w.Rtf();
  const TAttr typing = w.edit->Document().insertionAttr;
  Click(w.toolbar->Button("Bold"));
  Click(w.toolbar->Button("Center"));
  w.Key(Qt::Key_B, Qt::ControlModifier);
  TypeInto(w.toolbar->FontSizeList(), "30");
  Choose(w.toolbar->FontColorList(), 3);
  EXPECT_EQ(w.Rtf(), before);
  EXPECT_EQ(w.edit->Document().insertionAttr, typing);
  EXPECT_FALSE(w.toolbar->Button("Bold")->isChecked());
  EXPECT_TRUE(w.toolbar->Button("Left")->isChecked());
  EXPECT_EQ(w.toolbar->FontSizeList()->currentText(), "10");
  EXPECT_EQ(w.toolbar->FontColorList()->currentIndex(), 0);

  int spell = 0;
  QObject::connect(w.toolbar, &TRichToolBar::StartSpellCheck, [&] { ++spell; });
  Click(w.toolbar->Button("Spell"));
  EXPECT_EQ(spell, 0);
  w.edit->SetReadOnly(false);
  Click(w.toolbar->Button("Spell"));
  EXPECT_EQ(spell, 1);
}

TEST(RichToolBar, IconSelectionComesFirstAndCanStopTheAction) {
  FormatWindow w;
  w.Load(kTwoLines);
  w.Select(0, 4);
  struct Seen {
    int typ;
    QString hint;
    int group, num;
  };
  std::vector<Seen> seen;
  bool stop = false;
  w.toolbar->OnIconSelection = [&](TRichToolBar&, int& typ, const QString& str, int group, int num, int) {
    seen.push_back({typ, str, group, num});
    if (stop) typ = selNone;
  };
  Click(w.toolbar->Button("Spell"));
  Click(w.toolbar->Button("Bold"));
  Click(w.toolbar->Button("Bold"));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].typ, selIconDown);
  EXPECT_EQ(seen[0].group, 768);  // the window catches its spell check by these
  EXPECT_EQ(seen[0].num, 8);
  EXPECT_EQ(seen[0].hint, "Spell Check");
  EXPECT_EQ(seen[1].typ, selIconDown);
  EXPECT_EQ(seen[1].group, int(igStatus));
  EXPECT_EQ(seen[1].num, 2);
  EXPECT_EQ(seen[2].typ, selIconUp);

  stop = true;
  const std::string before = w.Rtf();
  Click(w.toolbar->Button("Bold"));
  EXPECT_EQ(w.Rtf(), before);
  EXPECT_FALSE(w.toolbar->Button("Bold")->isChecked());

  // A list reports its entry before acting on it.
  QString chosen;
  w.toolbar->OnSelection = [&](TRichToolBar&, int& typ, const QString& str, int) {
    chosen = str;
    typ = selNone;
  };
  TypeInto(w.toolbar->FontSizeList(), "22");
  EXPECT_EQ(chosen, "22");
  EXPECT_EQ(w.Rtf(), before);
}

TEST(RichToolBar, EditIcons) {
  FormatWindow w;
  w.Load(kTwoLines);
  w.Select(0, 5);
  Click(w.toolbar->Button("Cut"));
  EXPECT_NE(w.Rtf().find(" diary"), std::string::npos);
  EXPECT_EQ(w.Rtf().find("Dear"), std::string::npos);
  w.Key(Qt::Key_End);
  Click(w.toolbar->Button("Paste"));
  EXPECT_NE(w.Rtf().find("diaryDear "), std::string::npos) << w.Rtf();
  Click(w.toolbar->Button("SelAll"));
  EXPECT_GE(w.edit->HasSelection(), w.edit->Document().TotalLength() - 1);
  Click(w.toolbar->Button("Copy"));
  Click(w.toolbar->Button("Find"));
  ASSERT_NE(w.edit->FindDialog(), nullptr);
  EXPECT_TRUE(w.edit->FindDialog()->isVisible());
}

TEST(RichToolBar, HintsFromTheListOrTheIconNames) {
  FormatWindow w;
  w.toolbar->SetEditIcons(w.toolbar->EditIcons() | SelHideSel);
  EXPECT_EQ(w.toolbar->Button("Under")->toolTip(), "Underline");
  EXPECT_EQ(w.toolbar->Button("Left")->toolTip(), "Left Justified");
  EXPECT_EQ(w.toolbar->Button("Center")->toolTip(), "Centered");
  EXPECT_EQ(w.toolbar->Button("Replace")->toolTip(), "Find and Replace");
  EXPECT_EQ(w.toolbar->Button("HideSel")->toolTip(), "Hide Selection");
  EXPECT_EQ(w.toolbar->Button("Bullets")->toolTip(), "Bulleted List");
  EXPECT_EQ(w.toolbar->Button("Numbers")->toolTip(), "Numbered List");
  EXPECT_EQ(w.toolbar->Hints().size(), 40);
  w.toolbar->SetHints({});
  EXPECT_EQ(w.toolbar->Button("Under")->toolTip(), "Under");
  EXPECT_EQ(w.toolbar->Button("SelAll")->toolTip(), "SelAll");
  EXPECT_EQ(w.toolbar->Hints().size(), 40);
  w.toolbar->SetHints({"TBI_Bold=Heavy type"});
  EXPECT_EQ(w.toolbar->Button("Bold")->toolTip(), "Heavy type");
  EXPECT_EQ(w.toolbar->Button("Italic")->toolTip(), "Italic");
}

TEST(RichToolBar, AddedControlsFollowTheGroupsAndWrap) {
  FormatWindow w;
  w.toolbar->SetWidthBetweenGroups(5);
  std::vector<QWidget*> added;
  for (int i = 0; i < 8; ++i) {
    auto* button = new QToolButton;
    button->setFixedSize(24, 24);
    added.push_back(button);
    ASSERT_TRUE(w.toolbar->AddControl(button));
    auto* spacer = new QWidget;
    spacer->setFixedSize(3, 24);
    ASSERT_TRUE(w.toolbar->AddControl(spacer));
  }
  FormatWindow::Settle();
  // Two rows at this width, as the diary's window has them.
  EXPECT_EQ(w.toolbar->height(), w.toolbar->heightForWidth(w.toolbar->width()));
  EXPECT_EQ(w.toolbar->height(), 52);
  std::vector<QRect> taken;
  for (QWidget* child : w.toolbar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!child->isVisible()) continue;
    QRect r = child->geometry();
    EXPECT_TRUE(w.toolbar->rect().contains(r)) << child->metaObject()->className();
    for (const QRect& other : taken) EXPECT_FALSE(other.intersects(r));
    taken.push_back(r);
  }
  // After the toolbar's own buttons.
  EXPECT_GT(added[0]->geometry().top() * 10000 + added[0]->geometry().left(),
            w.toolbar->Button("Spell")->geometry().top() * 10000 + w.toolbar->Button("Spell")->geometry().left());
  for (int i = 16; i < 100; ++i) ASSERT_TRUE(w.toolbar->AddControl(new QWidget));
  EXPECT_FALSE(w.toolbar->AddControl(new QWidget(&w.window)));
}

TEST(RichToolBar, IconsArePaintedAtTheScreenDensity) {
  for (const char* name : {"Bold", "Copy", "Spell", "Center", "Post"}) {
    QIcon icon = ToolbarIcon(name);
    for (qreal dpr : {1.0, 2.0}) {
      QPixmap pixmap = icon.pixmap(QSize(16, 16), dpr);
      EXPECT_EQ(pixmap.size(), QSize(16, 16) * dpr) << name;
      QImage image = pixmap.toImage();
      int inked = 0;
      for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) inked += qAlpha(image.pixel(x, y)) > 128;
      EXPECT_GT(inked, 6 * dpr * dpr) << name;
    }
  }
}

}  // namespace
}  // namespace richtext
