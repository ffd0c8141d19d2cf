// SPDX-License-Identifier: GPL-3.0-or-later
// The paragraph properties dialog driven as a user would, on a real editor.
#include <decoration/ui/paragraph_props_dialog.h>

#include <richtext/ui/rich_text.h>

#include "../../support/recording_messenger.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using richtext::TParagraphProps;
using richtext::TRichText;

// An editor holding three paragraphs, the caret in the first, which has a
// left indent of one inch, its first line 0.4 inch further in, and 25
// twips of space before. The model keeps the first-line indent from the margin.
struct Editor {
  TRichText edit;
  Editor() {
    edit.LoadFromStream("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\li1440\\fi576\\sb25 One\\par\\pard Two\\par Three}");
    edit.resize(400, 300);
    edit.show();
    edit.SetCaretToStart();
  }
  TParagraphProps Par(size_t i) { return edit.Document().Par(i).Props(); }
};

struct Dialog {
  TParagraphPropDlg dlg;
  explicit Dialog(TRichText* edit) : dlg(edit) {
    dlg.show();
    QApplication::processEvents();
  }
  void Retype(QLineEdit* e, const QString& text) {
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    QTest::keyClicks(e, text);
  }
  void ChooseUnit(const QString& unit) { dlg.ComboBox1->setCurrentText(unit); }
  void ChooseFirst(int index) {
    dlg.FirstIndentCombo->setCurrentIndex(index);
    emit dlg.FirstIndentCombo->activated(index);
  }
  void Ok() { QTest::mouseClick(dlg.Okbutton, Qt::LeftButton); }
};

// At small and large font sizes (as at a higher scale) every caption is shown
// whole and apart from its box: no label, list or button is cut or overlapped.
TEST(ParagraphPropDlg, NoCaptionIsCutOrOverlappedAtAnyFontSize) {
  Editor e;
  const QFont before = QApplication::font();
  for (int points : {8, 11, 16, 24}) {
    QFont f = before;
    f.setPointSize(points);
    QApplication::setFont(f);
    Dialog d(&e.edit);
    auto where = [&](QWidget* w) { return QRect(w->mapTo(&d.dlg, QPoint(0, 0)), w->size()); };
    QList<QWidget*> shown;
    for (QWidget* w : d.dlg.findChildren<QWidget*>()) {
      if (w->isVisible() && (qobject_cast<QLabel*>(w) || qobject_cast<QComboBox*>(w) ||
                             qobject_cast<QPushButton*>(w) || qobject_cast<QLineEdit*>(w))) {
        shown << w;
      }
    }
    ASSERT_GE(shown.size(), 16) << points;
    for (QWidget* w : shown) {
      const QString name = w->objectName() + " " + (qobject_cast<QLabel*>(w) ? qobject_cast<QLabel*>(w)->text() : "");
      // A box needs room for its number; the others for their whole caption.
      const int wanted = qobject_cast<QLineEdit*>(w) ? w->fontMetrics().horizontalAdvance("10.00") + 8
                                                     : w->sizeHint().width();
      EXPECT_GE(w->width(), wanted) << name.toStdString() << " at " << points << " pt";
      EXPECT_GE(w->height(), w->minimumSizeHint().height()) << name.toStdString() << " at " << points << " pt";
      EXPECT_TRUE(QRect(QPoint(0, 0), d.dlg.size()).contains(where(w))) << name.toStdString() << " at " << points;
      for (QWidget* other : shown) {
        if (other != w && !other->isAncestorOf(w) && !w->isAncestorOf(other)) {
          EXPECT_FALSE(where(w).intersects(where(other)))
              << name.toStdString() << " and " << other->objectName().toStdString() << " at " << points << " pt";
        }
      }
    }
  }
  QApplication::setFont(before);
}

TEST(ParagraphPropDlg, ShowsTheCaretParagraphInBothUnits) {
  Editor e;
  Dialog d(&e.edit);
  EXPECT_EQ(d.dlg.windowTitle(), "Paragraph Properties");
  EXPECT_EQ(d.dlg.ComboBox1->currentText(), "Inch");
  EXPECT_EQ(d.dlg.LeftIndent->text(), "1.00");
  EXPECT_EQ(d.dlg.RightIndent->text(), "0.00");
  EXPECT_EQ(d.dlg.SpaceBeforePts->text(), "1");  // 25 twips, rounded to a whole point
  EXPECT_EQ(d.dlg.ValueOf(TParagraphPropDlg::kBefore), 20);
  EXPECT_EQ(d.dlg.FirstIndent->text(), "1.40");
  // The first indent differs from the left one: "Indented by".
  EXPECT_EQ(d.dlg.FirstIndentCombo->currentText(), "Indented by");
  EXPECT_TRUE(d.dlg.FirstIndent->isEnabled());
  EXPECT_EQ(d.dlg.LeftIndent->toolTip(), "Specify left indent for the paragraph in inches");

  d.ChooseUnit("Cm");
  EXPECT_EQ(d.dlg.LeftIndent->text(), "2.54");
  EXPECT_EQ(d.dlg.ValueOf(TParagraphPropDlg::kLeft), 1440);
  EXPECT_EQ(d.dlg.FirstIndent->toolTip(), "Specify first line indent for the paragraph in centimeters");
  d.Retype(d.dlg.RightIndent, "1");
  EXPECT_EQ(d.dlg.ValueOf(TParagraphPropDlg::kRight), 567);
  d.ChooseUnit("Inch");
  EXPECT_EQ(d.dlg.RightIndent->text(), "0.39");  // the precision shown is what is kept
  EXPECT_EQ(d.dlg.ValueOf(TParagraphPropDlg::kRight), 562);
}

TEST(ParagraphPropDlg, OkAppliesEveryValueAsOneUndoStep) {
  Editor e;
  TParagraphProps before = e.Par(0);
  Dialog d(&e.edit);
  d.Retype(d.dlg.SpaceAfterPts, "6");
  d.Retype(d.dlg.LineHeightPts, "14");
  d.ChooseFirst(0);  // "Same as Left Indent": the first indent follows the left one
  EXPECT_FALSE(d.dlg.FirstIndent->isEnabled());
  d.Retype(d.dlg.LeftIndent, "0.5");
  EXPECT_EQ(d.dlg.FirstIndent->text(), "0.5");
  d.Ok();
  EXPECT_EQ(d.dlg.result(), 1);

  TParagraphProps p = e.Par(0);
  EXPECT_EQ(p.leftIndent, 720);
  EXPECT_EQ(p.firstIndent, 720);
  EXPECT_EQ(p.spaceBefore, 20);
  EXPECT_EQ(p.spaceAfter, 120);
  EXPECT_EQ(p.lineSpacing, 280);
  EXPECT_EQ(e.Par(1).leftIndent, 0) << "only the caret paragraph";
  std::string rtf = e.edit.SaveToBytes();
  EXPECT_NE(rtf.find("\\li720"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\sa120"), std::string::npos) << rtf;

  e.edit.Undo();
  EXPECT_EQ(e.Par(0).leftIndent, before.leftIndent);
  EXPECT_EQ(e.Par(0).spaceAfter, before.spaceAfter);
  EXPECT_EQ(e.Par(0).spaceBefore, before.spaceBefore);
}

TEST(ParagraphPropDlg, ChangesEverySelectedParagraphInCentimetres) {
  Editor e;
  e.edit.SelectAll();
  Dialog d(&e.edit);
  d.ChooseUnit("Cm");
  d.ChooseFirst(1);  // "Indented by"
  d.Retype(d.dlg.FirstIndent, "1.5");
  d.Retype(d.dlg.LeftIndent, "2.54");
  d.Ok();
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(e.Par(i).leftIndent, 1440) << i;
    EXPECT_EQ(e.Par(i).firstIndent, 850) << i;  // 1.5 x 566.929 = 850.39
  }
}

TEST(ParagraphPropDlg, CancelAndBadNumbersChangeNothing) {
  Editor e;
  {
    Dialog d(&e.edit);
    d.Retype(d.dlg.LeftIndent, "3");
    QTest::mouseClick(d.dlg.CancelButton, Qt::LeftButton);
    EXPECT_EQ(d.dlg.result(), 2);
  }
  EXPECT_EQ(e.Par(0).leftIndent, 1440);

  testing::RecordingMessenger messages;
  Dialog d(&e.edit);
  d.Retype(d.dlg.SpaceBeforePts, "1x");
  EXPECT_EQ(d.dlg.ValueOf(TParagraphPropDlg::kBefore), 20) << "keeps the last number";
  d.Ok();
  EXPECT_EQ(messages.shown, std::vector<std::string>{"'1x' is not a valid floating point value"});
  EXPECT_TRUE(d.dlg.isVisible());
  EXPECT_EQ(e.Par(0).spaceBefore, 25);
}

TEST(ParagraphPropDlg, RoundsHalvesToEven) {
  EXPECT_EQ(TParagraphPropDlg::TextToTwips(0.5 / 1440 * 1, false, false), 0);   // 0.5 -> 0
  EXPECT_EQ(TParagraphPropDlg::TextToTwips(1.5 / 1440, false, false), 2);      // 1.5 -> 2
  EXPECT_EQ(TParagraphPropDlg::TextToTwips(2.5 / 1440, false, false), 2);      // 2.5 -> 2
  EXPECT_EQ(TParagraphPropDlg::TwipsToText(30, true, false), "2");             // 1.5 pt -> 2
  EXPECT_EQ(TParagraphPropDlg::TwipsToText(50, true, false), "2");             // 2.5 pt -> 2
  EXPECT_EQ(TParagraphPropDlg::TwipsToText(1440, false, true), "2.54");
}

}  // namespace
}  // namespace quillet
