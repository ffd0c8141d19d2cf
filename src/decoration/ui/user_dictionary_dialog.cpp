// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/user_dictionary_dialog.h>

#include <decoration/program_data.h>
#include <decoration/spell_alphabet.h>

#include <base/messages.h>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillet {

namespace {

QString FromWord(const std::string& cp1252) { return QString::fromStdString(WordToUtf8(cp1252)); }

}  // namespace

TUserDictionaryDialog::TUserDictionaryDialog(const std::filesystem::path& diaryDir, QWidget* parent)
    : QDialog(parent), path_(UserDictionaryPath(diaryDir)) {
  setWindowTitle(QStringLiteral("User Dictionary"));
  auto* layout = new QVBoxLayout(this);
  auto* findRow = new QHBoxLayout;
  auto* findLabel = new QLabel(QStringLiteral("&Find:"), this);
  FindBox = new QLineEdit(this);
  FindBox->setClearButtonEnabled(true);
  findLabel->setBuddy(FindBox);
  findRow->addWidget(findLabel);
  findRow->addWidget(FindBox);
  layout->addLayout(findRow);

  WordList = new QListWidget(this);
  WordList->setSelectionMode(QAbstractItemView::ExtendedSelection);
  WordList->setAccessibleName(QStringLiteral("Words you have added"));
  layout->addWidget(WordList);
  RemoveButton = new QPushButton(QStringLiteral("&Remove"), this);
  layout->addWidget(RemoveButton);

  auto* addRow = new QHBoxLayout;
  auto* addLabel = new QLabel(QStringLiteral("&New word:"), this);
  NewWord = new QLineEdit(this);
  addLabel->setBuddy(NewWord);
  AddButton = new QPushButton(QStringLiteral("&Add"), this);
  addRow->addWidget(addLabel);
  addRow->addWidget(NewWord);
  addRow->addWidget(AddButton);
  layout->addLayout(addRow);

  CloseButton = new QPushButton(QStringLiteral("&Close"), this);
  layout->addWidget(CloseButton, 0, Qt::AlignRight);
  for (QPushButton* b : {RemoveButton, AddButton, CloseButton}) b->setAutoDefault(false);
  // Enter closes, except in the new-word box, where it adds the word typed.
  CloseButton->setDefault(true);
  NewWord->installEventFilter(this);

  connect(FindBox, &QLineEdit::textChanged, this, [this] { Fill(); });
  connect(WordList, &QListWidget::itemSelectionChanged, this,
          [this] { RemoveButton->setEnabled(!WordList->selectedItems().isEmpty()); });
  connect(RemoveButton, &QPushButton::clicked, this, &TUserDictionaryDialog::RemoveClick);
  connect(AddButton, &QPushButton::clicked, this, &TUserDictionaryDialog::AddClick);
  connect(NewWord, &QLineEdit::textChanged, this,
          [this](const QString& t) { AddButton->setEnabled(!t.trimmed().isEmpty()); });
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::accept);

  // The main dictionary is not needed: only the user's own words are shown.
  engine_.DictionaryName = "/dev/null";
  std::error_code ec;
  if (std::filesystem::exists(path_, ec)) OpenDictionary(false);
  AddButton->setEnabled(false);
  Fill();
  resize(320, 380);
}

bool TUserDictionaryDialog::OpenDictionary(bool create) {
  if (userIndex_ > 0) return true;
  userIndex_ = create ? engine_.CreateUserDictionary(path_, {}) : engine_.OpenUserDictionary(path_);
  if (userIndex_ <= 0) {
    userIndex_ = -1;
    Messenger().InfoBox(engine_.LastError());
    return false;
  }
  return true;
}

void TUserDictionaryDialog::Fill() {
  const QString find = FindBox->text().trimmed();
  WordList->clear();
  for (const std::string& w : engine_.UserWords(userIndex_)) {
    QString word = FromWord(w);
    if (find.isEmpty() || word.contains(find, Qt::CaseInsensitive)) WordList->addItem(word);
  }
  RemoveButton->setEnabled(false);
}

void TUserDictionaryDialog::RemoveClick() {
  std::vector<std::string> words;
  for (QListWidgetItem* item : WordList->selectedItems()) {
    if (auto w = DictionaryWord(item->text().toStdU32String())) words.push_back(*w);
  }
  if (words.empty()) return;
  if (!engine_.RemoveWords(words, userIndex_)) {
    Messenger().InfoBox(engine_.LastError());
    return;
  }
  changed_ = true;
  Fill();
}

bool TUserDictionaryDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == NewWord && event->type() == QEvent::KeyPress && !NewWord->text().trimmed().isEmpty()) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      AddClick();
      return true;  // the word is added; the dialog stays
    }
  }
  return QDialog::eventFilter(watched, event);
}

void TUserDictionaryDialog::AddClick() {
  const QString text = NewWord->text().trimmed();
  if (text.isEmpty()) return;
  std::optional<std::string> w = DictionaryWord(text.toStdU32String());
  if (!w || text.contains(QLatin1Char(' '))) {
    Messenger().InfoBox("\"" + text.toStdString() + "\" is not one word the dictionary can store.");
    return;
  }
  std::error_code ec;
  if (!OpenDictionary(!std::filesystem::exists(path_, ec))) return;
  if (!engine_.AddWord(*w, userIndex_)) {
    Messenger().InfoBox(engine_.LastError());
    return;
  }
  changed_ = true;
  NewWord->clear();
  Fill();
  // The word added stays in view and chosen.
  const QList<QListWidgetItem*> found = WordList->findItems(FromWord(UpperWord(*w)), Qt::MatchExactly);
  if (!found.isEmpty()) WordList->setCurrentItem(found.front());
}

}  // namespace quillet
