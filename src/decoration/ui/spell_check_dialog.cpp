#include <decoration/ui/spell_check_dialog.h>

#include <decoration/program_data.h>

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

QString FromWord(const std::string& cp1252) {
  richtext::TString s = richtext::FromCp1252(cp1252);
  return QString::fromUcs4(s.data(), qsizetype(s.size()));
}

// The dictionaries hold Windows-1252 words of a 64-letter alphabet. A word of
// the text with a character they cannot hold (a letter outside Windows-1252)
// can be neither looked up truthfully nor stored: the check passes over it,
// never reporting it or offering it for adding.
std::optional<std::string> ToWord(const QString& text) {
  return DictionaryWord(text.toStdU32String());
}

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
                                     QWidget* parent)
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

  connect(GetNextWordButton, &QPushButton::clicked, this, &TSpellCheckDialog::GetNextWordButtonClick);
  connect(ReplaceButton, &QPushButton::clicked, this, &TSpellCheckDialog::ReplaceClick);
  connect(Addbutton, &QPushButton::clicked, this, &TSpellCheckDialog::AddbuttonClick);
  connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(WordList, &QListWidget::itemClicked, this, &TSpellCheckDialog::WordListClick);
  connect(WordList, &QListWidget::itemDoubleClicked, this, &TSpellCheckDialog::WordListClick);

  // FormCreate: the dictionaries.
  fs::path mainPath = MainDictionaryPath(diaryDir);
  engine_.DictionaryName = mainPath.string();
  if (!engine_.OpenDictionary(mainPath)) Messenger().InfoBox(engine_.LastError());
  fs::path userPath = UserDictionaryPath(diaryDir);
  std::error_code ec;
  if (fs::exists(userPath, ec)) {
    userIndex_ = engine_.OpenUserDictionary(userPath);
  } else {
    userIndex_ = engine_.CreateUserDictionary(userPath, {});
  }
  // A damaged user dictionary is left as it is, and nothing is added to it.
  if (userIndex_ <= 0) {
    userIndex_ = -1;
    Messenger().InfoBox(engine_.LastError());
  }
  Addbutton->setEnabled(userIndex_ != -1);
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
    std::optional<std::string> w = ToWord(word);
    if (!w || engine_.IsWordCorrect(*w)) continue;
    WordList->clear();
    for (const std::string& s : engine_.GetSuggestions(*w)) WordList->addItem(FromWord(s));
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
  if (!Word->text().isEmpty()) {
    std::optional<std::string> w = ToWord(Word->text());
    if (!w) {
      Messenger().InfoBox("\"" + Word->text().toStdString() + "\" holds a character the dictionary cannot store.");
    } else if (!engine_.AddWord(*w, userIndex_)) {
      Messenger().InfoBox(engine_.LastError());
    }
  }
  CheckNextWord();
}

void TSpellCheckDialog::done(int result) {
  if (!closed_) {
    // FormClose: no selection left behind, dictionaries closed.
    closed_ = true;
    editor_->MarkStart(0);
    editor_->MarkLength(0);
    engine_.CloseDictionaries();
  }
  QDialog::done(result);
}

}  // namespace quillet
