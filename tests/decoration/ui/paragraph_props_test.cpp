// The paragraph properties dialog driven as a user would, on a real editor.
#include <decoration/ui/paragraph_props_dialog.h>

#include <richtext/ui/rich_text.h>

#include "../../support/recording_messenger.h"

#include <QApplication>
#include <QComboBox>
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
