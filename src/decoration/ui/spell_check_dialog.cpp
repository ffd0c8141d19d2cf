// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/spell_check_dialog.h>

#include <decoration/spell_checker.h>

#include <base/error.h>

#include <base/messages.h>
#include <richtext/ui/rich_text.h>
#include <richtext/unicode.h>

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

namespace quillet {

namespace {

QLineEdit* MakeEdit(QWidget* parent, QRect where, const char* colour) {
  auto* e = new QLineEdit(parent);
  e->setGeometry(where);
  QFont f = e->font();
  f.setBold(true);
  e->setFont(f);
  e->setStyleSheet(QStringLiteral("color: %1").arg(QLatin1String(colour)));
  return e;
}

QPushButton* MakeButton(QWidget* parent, const QString& caption, int left, int width) {
  auto* b = new QPushButton(caption, parent);
  b->setGeometry(left, 148, width, 27);
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TSpellCheckDialog::TSpellCheckDialog(richtext::TRichText* editor, const std::filesystem::path& diaryDir,
                                     const std::string& lang, QWidget* parent)
    : QDialog(parent), editor_(editor) {
  setWindowTitle(QStringLiteral("Spell Check"));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  setFont(font);
  setFixedSize(406, 181);

  auto label = [&](const char* text, int top) {
    auto* l = new QLabel(QString::fromLatin1(text), this);
    l->move(14, top);
  };
  label("Possible spelling error", 5);
  label("Replace with", 37);
  label("Possible replacements", 68);
  Word = MakeEdit(this, QRect(187, 7, 200, 22), "red");
  ReplaceAs = MakeEdit(this, QRect(187, 37, 200, 22), "blue");
  WordList = new QListWidget(this);
  WordList->setGeometry(187, 68, 200, 74);
  QFont listFont = WordList->font();
  listFont.setBold(true);
  WordList->setFont(listFont);
  WordList->setStyleSheet(QStringLiteral("QListWidget { color: black } QListWidget::item { height: 14px }"));
  GetNextWordButton = MakeButton(this, QStringLiteral("&Skip Word"), 8, 93);
  ReplaceButton = MakeButton(this, QStringLiteral("&Replace"), 112, 93);
  Addbutton = MakeButton(this, QStringLiteral("Add"), 216, 82);
  CancelButton = MakeButton(this, QStringLiteral("&Cancel"), 306, 82);
  // Enter replaces: with the focus in the list, by the suggestion the arrow keys came to.
  ReplaceButton->setDefault(true);

  connect(GetNextWordButton, &QPushButton::clicked, this, &TSpellCheckDialog::GetNextWordButtonClick);
  connect(ReplaceButton, &QPushButton::clicked, this, &TSpellCheckDialog::ReplaceClick);
  connect(Addbutton, &QPushButton::clicked, this, &TSpellCheckDialog::AddbuttonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(WordList, &QListWidget::itemClicked, this, &TSpellCheckDialog::WordListClick);
  connect(WordList, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* now) {
    if (now && WordList->hasFocus()) WordListClick();
  });
  connect(WordList, &QListWidget::itemDoubleClicked, this, &TSpellCheckDialog::WordListClick);

  // FormCreate: the dictionaries of the language. A damaged user dictionary
  // is left as it is, and nothing is added to it.
  try {
    checker_ = OpenSpellChecker(lang, diaryDir);
    if (!checker_->LastError().empty()) {
      Messenger().InfoBox(checker_->LastError());
      Addbutton->setEnabled(false);
    }
  } catch (const Error& e) {
    Messenger().InfoBox(e.what());
    Addbutton->setEnabled(false);
  }
}

TSpellCheckDialog::~TSpellCheckDialog() = default;

void TSpellCheckDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!firstActivation_) return;
  firstActivation_ = false;
  // Once the dialog is on screen, the walk starts.
  QTimer::singleShot(0, this, [this] {
    editor_->StartWordWalk();
    CheckNextWord();
  });
}

void TSpellCheckDialog::CheckNextWord() {
  while (true) {
    QString word = editor_->NextWord();
    if (word.isEmpty()) break;
    // A word the dictionaries cannot hold (for ours, a letter outside their
    // alphabet) is passed over, never reported or offered for adding.
    const std::string w = word.toStdString();
    if (!checker_ || !checker_->CanHold(w) || checker_->Check(w)) continue;
    WordList->clear();
    for (const std::string& s : checker_->Suggest(w)) WordList->addItem(QString::fromStdString(s));
    editor_->SelectWord();
    Word->setText(word);
    ReplaceAs->setText(WordList->count() ? WordList->item(0)->text() : word);
    return;
  }
  hide();
  Messenger().InfoBox("Spell check complete");
  QTimer::singleShot(0, this, [this] { reject(); });
}

void TSpellCheckDialog::GetNextWordButtonClick() { CheckNextWord(); }

void TSpellCheckDialog::ReplaceClick() {
  editor_->ReplaceSelection(ReplaceAs->text());
  CheckNextWord();
  emit changed();
}

void TSpellCheckDialog::WordListClick() {
  if (QListWidgetItem* item = WordList->currentItem()) ReplaceAs->setText(item->text());
}

void TSpellCheckDialog::AddbuttonClick() {
  if (!Word->text().isEmpty() && checker_ && !checker_->Add(Word->text().toStdString())) {
    Messenger().InfoBox(checker_->LastError());
  }
  CheckNextWord();
}

void TSpellCheckDialog::done(int result) {
  if (!closed_) {
    // FormClose: no selection left behind, dictionaries closed.
    closed_ = true;
    editor_->MarkStart(0);
    editor_->MarkLength(0);
    checker_.reset();
  }
  QDialog::done(result);
}

}  // namespace quillet
