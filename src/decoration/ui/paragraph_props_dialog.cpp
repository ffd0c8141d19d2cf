#include <decoration/ui/paragraph_props_dialog.h>

#include <base/messages.h>
#include <richtext/ui/rich_text.h>

#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>

#include <cmath>

namespace quillet {
namespace {

constexpr double kTwipsPerInch = 1440;
constexpr double kTwipsPerCm = 566.929;
constexpr int kTwipsPerPoint = 20;

QLineEdit* MakeEdit(QWidget* parent, const char* name, int x, int y, int w, int h) {
  auto* e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setGeometry(x, y, w, h);
  return e;
}

void MakeLabel(QWidget* parent, const QString& text, QWidget* buddy, int x, int y) {
  auto* l = new QLabel(text, parent);
  l->setBuddy(buddy);
  l->move(x, y + 3);
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
  setFixedSize(494, 128);
  QFont f("MS Sans Serif");
  f.setPixelSize(11);
  setFont(f);

  LeftIndent = MakeEdit(this, "LeftIndent", 151, 10, 55, 21);
  MakeLabel(this, "Left Indent", LeftIndent, 12, 10);
  RightIndent = MakeEdit(this, "RightIndent", 151, 37, 55, 21);
  MakeLabel(this, "Right Indent", RightIndent, 12, 37);
  auto* bevel = new QFrame(this);
  bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  bevel->setGeometry(12, 64, 199, 53);
  auto* firstLabel = new QLabel("First Indent", this);
  firstLabel->move(24, 67);
  FirstIndentCombo = new QComboBox(this);
  FirstIndentCombo->setObjectName("FirstIndentCombo");
  FirstIndentCombo->addItems({"Same as Left Indent", "Indented by"});
  FirstIndentCombo->setGeometry(24, 84, 113, 21);
  FirstIndentCombo->setToolTip("Specify special handling for first line indent");
  FirstIndent = MakeEdit(this, "FirstIndent", 151, 83, 55, 21);
  SpaceBeforePts = MakeEdit(this, "SpaceBeforePts", 318, 10, 49, 20);
  MakeLabel(this, "Space before (pts)", SpaceBeforePts, 222, 10);
  SpaceAfterPts = MakeEdit(this, "SpaceAfterPts", 318, 34, 49, 20);
  MakeLabel(this, "Space after (pts)", SpaceAfterPts, 222, 34);
  LineHeightPts = MakeEdit(this, "LineHeightPts", 318, 58, 49, 20);
  MakeLabel(this, "Line Height (pts)", LineHeightPts, 222, 58);
  SpaceBeforePts->setToolTip("Specify spacing before paragraph in points (1 point=1/72 inch)");
  SpaceAfterPts->setToolTip("Specify spacing after paragraph in points (1 point=1/72 inch)");
  LineHeightPts->setToolTip("Specify spacing between lines of paragraph in points (1 point=1/72 inch)");
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->addItems({"Inch", "Cm"});
  ComboBox1->setGeometry(311, 89, 56, 21);
  ComboBox1->setToolTip("Change unit of measurement to inches or centimeters");
  MakeLabel(this, "Units", ComboBox1, 280, 89);
  Okbutton = new QPushButton("OK", this);
  Okbutton->setObjectName("Okbutton");
  Okbutton->setGeometry(396, 11, 84, 26);
  Okbutton->setDefault(true);
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("CancelButton");
  CancelButton->setGeometry(396, 46, 84, 27);

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
