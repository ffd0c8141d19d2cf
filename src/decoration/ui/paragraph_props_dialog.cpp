// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/paragraph_props_dialog.h>

#include <base/messages.h>
#include <richtext/ui/rich_text.h>

#include <QComboBox>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace quillet {
namespace {

constexpr double kTwipsPerInch = 1440;
constexpr double kTwipsPerCm = 566.929;
constexpr int kTwipsPerPoint = 20;

QLineEdit* MakeEdit(QWidget* parent, const char* name, int minWidth) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  // Room for a number such as "10.00" in the font the dialog is shown in.
  const int width = std::max(minWidth, e->fontMetrics().horizontalAdvance(QStringLiteral("000.00")) + 12);
  e->setMinimumWidth(width);
  e->setMaximumWidth(width * 2);
  return e;
}

bool IsPointsField(const QLineEdit* e) { return e->objectName().toUpper().contains("PTS"); }

}  // namespace

int32_t TParagraphPropDlg::TextToTwips(double number, bool points, bool cm) {
  // nearbyint rounds halves to even in the default rounding mode.
  double twips = points ? number * (1.0 / 72) * 1440 : number * (cm ? kTwipsPerCm : kTwipsPerInch);
  return int32_t(std::nearbyint(twips));
}

QString TParagraphPropDlg::TwipsToText(int32_t twips, bool points, bool cm) {
  QLocale locale;
  if (points) return locale.toString(qint64(std::nearbyint(twips * (1.0 / 1440) * 72)));
  return locale.toString(twips * (1.0 / (cm ? kTwipsPerCm : kTwipsPerInch)), 'f', 2);
}

TParagraphPropDlg::TParagraphPropDlg(richtext::TRichText* editor, QWidget* parent)
    : QDialog(parent), editor_(editor) {
  setWindowTitle("Paragraph Properties");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // Laid out by the labels' and boxes' own sizes, so nothing is cut at any
  // scale or font size; the dialog keeps the size its contents ask for.
  auto* columns = new QHBoxLayout(this);
  columns->setSizeConstraint(QLayout::SetFixedSize);

  auto* indents = new QVBoxLayout;
  auto* sides = new QFormLayout;
  LeftIndent = MakeEdit(this, "LeftIndent", 55);
  sides->addRow("Left Indent", LeftIndent);
  RightIndent = MakeEdit(this, "RightIndent", 55);
  sides->addRow("Right Indent", RightIndent);
  indents->addLayout(sides);
  auto* bevel = new QFrame(this);
  bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  auto* first = new QGridLayout(bevel);
  auto* firstLabel = new QLabel("First Indent", bevel);
  FirstIndentCombo = new QComboBox(bevel);
  FirstIndentCombo->setObjectName("FirstIndentCombo");
  FirstIndentCombo->addItems({"Same as Left Indent", "Indented by"});
  FirstIndentCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  FirstIndentCombo->setToolTip("Specify special handling for first line indent");
  firstLabel->setBuddy(FirstIndentCombo);
  FirstIndent = MakeEdit(bevel, "FirstIndent", 55);
  first->addWidget(firstLabel, 0, 0);
  first->addWidget(FirstIndentCombo, 1, 0);
  first->addWidget(FirstIndent, 1, 1);
  indents->addWidget(bevel);
  indents->addStretch();
  columns->addLayout(indents);

  auto* spacing = new QFormLayout;
  SpaceBeforePts = MakeEdit(this, "SpaceBeforePts", 49);
  spacing->addRow("Space before (pts)", SpaceBeforePts);
  SpaceAfterPts = MakeEdit(this, "SpaceAfterPts", 49);
  spacing->addRow("Space after (pts)", SpaceAfterPts);
  LineHeightPts = MakeEdit(this, "LineHeightPts", 49);
  spacing->addRow("Line Height (pts)", LineHeightPts);
  SpaceBeforePts->setToolTip("Specify spacing before paragraph in points (1 point=1/72 inch)");
  SpaceAfterPts->setToolTip("Specify spacing after paragraph in points (1 point=1/72 inch)");
  LineHeightPts->setToolTip("Specify spacing between lines of paragraph in points (1 point=1/72 inch)");
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->addItems({"Inch", "Cm"});
  ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  ComboBox1->setToolTip("Change unit of measurement to inches or centimeters");
  spacing->addRow("Units", ComboBox1);
  columns->addLayout(spacing);

  auto* buttons = new QVBoxLayout;
  Okbutton = new QPushButton("OK", this);
  Okbutton->setObjectName("Okbutton");
  Okbutton->setDefault(true);
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  for (QPushButton* b : {Okbutton, CancelButton}) {
    b->setMinimumSize(84, 26);
    buttons->addWidget(b);
  }
  buttons->addStretch();
  columns->addLayout(buttons);

  for (QLineEdit* e : {FirstIndent, LeftIndent, RightIndent, SpaceBeforePts, SpaceAfterPts, LineHeightPts}) {
    connect(e, &QLineEdit::textChanged, this, [this, e] { EditChange(e); });
  }
  connect(ComboBox1, &QComboBox::currentIndexChanged, this, [this] { ComboBox1Change(); });
  connect(FirstIndentCombo, &QComboBox::activated, this, [this] { FirstIndentComboClick(); });
  connect(Okbutton, &QPushButton::clicked, this, [this] { OkbuttonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { done(2); });
}

QLineEdit* TParagraphPropDlg::Edit(Value v) const {
  const std::array<QLineEdit*, 6> edits{FirstIndent, LeftIndent, RightIndent,
                                        SpaceBeforePts, SpaceAfterPts, LineHeightPts};
  return edits[size_t(v)];
}

bool TParagraphPropDlg::Cm() const { return ComboBox1->currentText() == "Cm"; }

void TParagraphPropDlg::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!shown_) FormShow();
  shown_ = true;
}

void TParagraphPropDlg::FormShow() {
  if (editor_) {
    richtext::TParagraphProps p = editor_->GetCaretParagraph();
    values_ = {p.firstIndent, p.leftIndent, p.rightIndent, p.spaceBefore, p.spaceAfter, p.lineSpacing};
  }
  {
    QSignalBlocker block(ComboBox1);
    ComboBox1->setCurrentIndex(0);
  }
  FirstIndentCombo->setCurrentIndex(values_[kFirst] != values_[kLeft] ? 1 : 0);
  FirstIndent->setEnabled(FirstIndentCombo->currentIndex() == 1);
  FillEdits();
}

void TParagraphPropDlg::FillEdits() {
  // Filling runs EditChange for each box, so the values take the precision shown.
  std::array<int32_t, 6> shown = values_;
  for (int v = kFirst; v <= kLineHeight; ++v) {
    QLineEdit* e = Edit(Value(v));
    e->setText(TwipsToText(shown[size_t(v)], IsPointsField(e), Cm()));
  }
  QString unit = Cm() ? "centimeters" : "inches";
  LeftIndent->setToolTip("Specify left indent for the paragraph in " + unit);
  RightIndent->setToolTip("Specify right indent for the paragraph in " + unit);
  FirstIndent->setToolTip("Specify first line indent for the paragraph in " + unit);
}

void TParagraphPropDlg::EditChange(QLineEdit* edit) {
  QString text = edit->text().trimmed();
  bool ok = true;
  double number = text.isEmpty() ? 0 : QLocale().toDouble(text, &ok);
  if (ok) {
    for (int v = kFirst; v <= kLineHeight; ++v) {
      if (Edit(Value(v)) == edit) values_[size_t(v)] = TextToTwips(number, IsPointsField(edit), Cm());
    }
  }
  // While typing, a text that is not (yet) a number keeps the value it had; OK reports it.
  if (edit == LeftIndent && FirstIndentCombo->currentIndex() == 0) FirstIndent->setText(LeftIndent->text());
}

void TParagraphPropDlg::ComboBox1Change() { FillEdits(); }

void TParagraphPropDlg::FirstIndentComboClick() {
  if (FirstIndentCombo->currentIndex() == 0) FirstIndent->setText(LeftIndent->text());
  FirstIndent->setEnabled(FirstIndentCombo->currentIndex() == 1);
}

void TParagraphPropDlg::OkbuttonClick() {
  for (int v = kFirst; v <= kLineHeight; ++v) {
    QLineEdit* e = Edit(Value(v));
    bool ok = true;
    if (!e->text().trimmed().isEmpty()) QLocale().toDouble(e->text().trimmed(), &ok);
    if (!ok) {
      Messenger().ShowMessage("'" + e->text().toStdString() + "' is not a valid floating point value");
      e->setFocus();
      e->selectAll();
      return;
    }
  }
  if (editor_) {
    editor_->Editor().BeginGroup();
    editor_->SetParagraphSpacing(values_[kBefore], values_[kLineHeight], values_[kAfter]);
    editor_->SetParagraphIndents(values_[kFirst], values_[kLeft], values_[kRight]);
    editor_->Editor().EndGroup();
  }
  done(1);
}

}  // namespace quillet
