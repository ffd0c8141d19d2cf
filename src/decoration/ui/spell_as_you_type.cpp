// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/spell_as_you_type.h>

#include <decoration/program_data.h>
#include <decoration/spell_checker.h>

#include <base/error.h>
#include <base/messages.h>
#include <richtext/finder.h>
#include <richtext/ui/rich_text.h>
#include <richtext/unicode.h>

#include <QMenu>
#include <QTimer>

#include <sys/stat.h>

#include <algorithm>
#include <iterator>
#include <unordered_map>

namespace quillet {

using richtext::TMarkRange;
using richtext::TPosition;

namespace {

// Words as the spell-check dialog walks them: runs of the text finder's word
// characters, with apostrophes between letters ("wasn't"); hidden text and
// objects (blanked when the text is copied) end a word.
bool IsWordChar(char32_t c) { return c > 3 && c != U' ' && !richtext::TTextFinder::IsSeparator(c); }
// The end of the word that starts at `i`.
size_t WordEnd(const std::u32string& t, size_t i) {
  size_t e = i;
  while (e < t.size() && (IsWordChar(t[e]) || (richtext::TTextFinder::IsWordApostrophe(t[e]) &&
                                                e + 1 < t.size() && IsWordChar(t[e + 1])))) {
    ++e;
  }
  return e;
}

// An edited paragraph is handed over once typing pauses, so that while keys
// come the checking thread is neither woken nor waited for; a paragraph this
// long (a text pasted without line breaks) waits for a longer pause, since
// copying it is felt.
constexpr int kPauseMs = 150;
constexpr size_t kLongParagraph = 20'000;
constexpr int kLongPauseMs = 300;

// The paragraph's text as the checking thread gets it: hidden characters,
// objects and control codes become spaces, so that offsets stay the same.
std::u32string CheckedText(const richtext::TRTFText& doc, size_t par) {
  const richtext::TParagraph& p = doc.Par(par);
  std::u32string text(p.text.begin(), p.text.end());
  const bool rich = doc.IsRich() && p.attrs.size() == p.text.size();
  std::vector<int8_t> skip;  // by attribute index: -1 not yet known, else whether it hides
  for (size_t k = 0; k < text.size(); ++k) {
    bool hidden = false;
    if (rich) {
      uint16_t a = p.attrs[k];
      if (a >= skip.size()) skip.resize(size_t(a) + 1, -1);
      if (skip[a] < 0) skip[a] = (doc.AttrOf(a).flags & (richtext::afHidden | richtext::afObject)) ? 1 : 0;
      hidden = skip[a] == 1;
    }
    if (hidden || text[k] <= 3) text[k] = U' ';
  }
  return text;
}

// What tells that a file was replaced or changed since it was last looked at.
struct FileIdentity {
  long long size = -1, mtimeNs = 0;
  unsigned long long inode = 0;
  bool operator==(const FileIdentity&) const = default;
};
FileIdentity IdentityOf(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {static_cast<long long>(st.st_size), st.st_mtim.tv_sec * 1'000'000'000LL + st.st_mtim.tv_nsec,
          static_cast<unsigned long long>(st.st_ino)};
}

}  // namespace

TSpellAsYouType::TSpellAsYouType(richtext::TRichText* editor, const std::filesystem::path& diaryDir,
                                 QObject* parent)
    : QObject(parent), editor_(editor), diaryDir_(diaryDir) {
  flush_ = new QTimer(this);
  flush_->setSingleShot(true);
  connect(flush_, &QTimer::timeout, this, &TSpellAsYouType::Flush);
  connect(editor_, &richtext::TRichText::CaretMoved, this, &TSpellAsYouType::CaretMoved);
  connect(editor_, &richtext::TRichText::ContextMenu, this, &TSpellAsYouType::ContextMenu);
  connect(editor_, &QObject::destroyed, this, [this] {
    editorGone_ = true;
    enabled_ = false;  // results still on their way find nothing to mark
    flush_->stop();
  });
  editor_->Document().AddListener(this);
  DirtyAll();
}

TSpellAsYouType::~TSpellAsYouType() {
  for (Slot& s : slots_) s.StopCheck();  // the word being checked ends the check
  {
    std::lock_guard lock(mutex_);
    quit_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
  if (!editorGone_) editor_->Document().RemoveListener(this);
}

// ---------------------------------------------------------------- a paragraph's slot

const std::vector<TMarkRange>& TSpellAsYouType::Slot::Words() const {
  static const std::vector<TMarkRange> none;
  return held ? held->words : none;
}

void TSpellAsYouType::Slot::DropCheck() {
  if (!Checking()) return;
  *held->job = true;
  held->job.reset();
  if (held->words.empty()) held.reset();
}

std::shared_ptr<std::atomic<bool>> TSpellAsYouType::Slot::StartCheck() {
  if (!held) held = std::make_unique<Held>();
  held->job = std::make_shared<std::atomic<bool>>(false);
  return held->job;
}

void TSpellAsYouType::Slot::Checked(std::vector<TMarkRange> words) {
  known = true;
  if (words.empty()) {
    held.reset();
  } else {
    if (!held) held = std::make_unique<Held>();
    held->job.reset();
    held->words = std::move(words);
  }
}

// ---------------------------------------------------------------- switching

void TSpellAsYouType::SetEnabled(bool on) {
  if (on == enabled_) return;
  enabled_ = on;
  if (on) {
    DirtyAll();
    return;
  }
  flush_->stop();
  {
    std::lock_guard lock(mutex_);
    outstanding_ -= queue_.size();
    queue_.clear();
  }
  for (Slot& s : slots_) s.StopCheck();
  slots_.clear();
  lastEdit_.reset();
  held_.reset();
  editor_->ClearMarks();
}

bool TSpellAsYouType::Busy() const { return enabled_ && (flush_->isActive() || outstanding_ > 0); }

void TSpellAsYouType::SetLanguage(const std::string& lang) {
  {
    std::lock_guard lock(mutex_);
    if (lang == language_) return;
    language_ = lang;
  }
  menuChecker_.reset();
  ++dictionaryChanged_;
  // Every word is looked up again in the new language; the marks stay until
  // their paragraph's new ones come.
  RecheckAll();
}

std::string TSpellAsYouType::Language() const {
  std::lock_guard lock(mutex_);
  return language_;
}

void TSpellAsYouType::Recheck() {
  ++dictionaryChanged_;  // what was looked up may be known now
  menuChecker_.reset();
  for (size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i].Words().empty() || slots_[i].Checking()) Dirty(i);
  }
}

void TSpellAsYouType::RecheckAll() {
  ++dictionaryChanged_;
  menuChecker_.reset();
  for (size_t i = 0; i < slots_.size(); ++i) Dirty(i);
}

// ---------------------------------------------------------------- the document's notices

void TSpellAsYouType::Dirty(size_t index) {
  if (!enabled_ || index >= slots_.size()) return;
  Slot& s = slots_[index];
  s.DropCheck();  // the text it checks is out of date
  s.dirty = true;
  s.serial = nextSerial_++;
  // Started again at every keystroke: the hand-over waits for a pause.
  const richtext::TRTFText& doc = editor_->Document();
  bool long_ = index < doc.Size() && doc.Par(index).Length() > kLongParagraph;
  flush_->start(long_ ? kLongPauseMs : kPauseMs);
}

void TSpellAsYouType::DirtyAll() {
  if (!enabled_) return;
  for (Slot& s : slots_) s.StopCheck();
  slots_.clear();
  slots_.resize(editor_->Document().Size());
  for (Slot& s : slots_) s.serial = nextSerial_++;
  lastEdit_.reset();
  held_.reset();
  // A text loaded into an editor not yet shown (the day a window opens on) is
  // checked after a pause, so that starting the checking thread and reading
  // the dictionary do not hold up the window's first paint.
  flush_->start(editor_->isVisible() ? 0 : kPauseMs);
}

void TSpellAsYouType::ParagraphChanged(size_t index) { Dirty(index); }

void TSpellAsYouType::TextReplaced(size_t index, size_t offset, size_t /*removed*/, size_t inserted) {
  if (!enabled_) return;
  Dirty(index);
  lastEdit_ = Edit{index, offset, offset + inserted};
  if (held_ && held_->par == index) held_.reset();
}

void TSpellAsYouType::ParagraphsInserted(size_t index, size_t count) {
  if (!enabled_) return;
  if (index > slots_.size()) return;  // out of step: the next flush starts over
  std::vector<Slot> fresh(count);
  slots_.insert(slots_.begin() + std::ptrdiff_t(index), std::make_move_iterator(fresh.begin()),
                std::make_move_iterator(fresh.end()));
  for (size_t i = index; i < index + count; ++i) slots_[i].serial = nextSerial_++;
  for (auto* e : {&lastEdit_, &held_}) {
    if (*e && (*e)->par >= index) (*e)->par += count;
  }
  flush_->start(0);
}

void TSpellAsYouType::ParagraphsRemoved(size_t index, size_t count) {
  if (!enabled_) return;
  size_t end = std::min(slots_.size(), index + count);
  if (index >= end) return;
  for (size_t i = index; i < end; ++i) {
    slots_[i].StopCheck();
  }
  slots_.erase(slots_.begin() + std::ptrdiff_t(index), slots_.begin() + std::ptrdiff_t(end));
  for (auto* e : {&lastEdit_, &held_}) {
    if (!*e || (*e)->par < index) continue;
    if ((*e)->par < index + count) {
      e->reset();
    } else {
      (*e)->par -= count;
    }
  }
}

void TSpellAsYouType::DocumentReset() { DirtyAll(); }

// ---------------------------------------------------------------- handing over and taking back

void TSpellAsYouType::Flush() {
  if (!enabled_) return;
  const richtext::TRTFText& doc = editor_->Document();
  if (slots_.size() != doc.Size()) DirtyAll();
  std::vector<Job> jobs;
  for (size_t i = 0; i < slots_.size(); ++i) {
    Slot& s = slots_[i];
    if (!s.dirty) continue;
    s.dirty = false;
    const std::u32string& text = doc.Par(i).text;
    if (std::none_of(text.begin(), text.end(), IsWordChar)) {
      // Nothing to look up: a blank line costs no job and no copy.
      s.Checked({});
      ShowMarks(i);
      continue;
    }
    jobs.push_back(Job{s.serial, i, CheckedText(doc, i), s.StartCheck()});
  }
  if (jobs.empty()) return;
  if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
  {
    std::lock_guard lock(mutex_);
    for (Job& j : jobs) queue_.push_back(std::move(j));
  }
  outstanding_ += jobs.size();
  wake_.notify_one();
}

void TSpellAsYouType::Apply(uint64_t serial, size_t hint, std::vector<TMarkRange> words) {
  --outstanding_;
  if (!enabled_) return;
  size_t index = hint;
  if (index >= slots_.size() || slots_[index].serial != serial) {
    // Paragraphs were inserted or removed above it since.
    auto it = std::find_if(slots_.begin(), slots_.end(), [&](const Slot& s) { return s.serial == serial; });
    if (it == slots_.end()) return;
    index = size_t(it - slots_.begin());
  }
  Slot& s = slots_[index];
  if (s.dirty) return;
  s.Checked(std::move(words));
  ShowMarks(index);
}

void TSpellAsYouType::ShowMarks(size_t index) {
  std::vector<TMarkRange> ranges = slots_[index].Words();
  if (held_ && held_->par == index) held_.reset();
  const richtext::TEditor& ed = editor_->Editor();
  if (lastEdit_ && lastEdit_->par == index && !ed.HasSelection() && ed.caret.par == index) {
    size_t c = ed.caret.offset;
    std::erase_if(ranges, [&](const TMarkRange& r) {
      bool atCaret = r.start <= c && c <= r.end;
      // The edit put its characters into the word (or took some out of it).
      bool edited = r.start <= lastEdit_->start && lastEdit_->end <= r.end;
      if (atCaret && edited) held_ = Edit{index, r.start, r.end};
      return atCaret && edited;
    });
  }
  editor_->SetMarks(index, std::move(ranges));
}

void TSpellAsYouType::CaretMoved() {
  if (!held_) return;
  const richtext::TEditor& ed = editor_->Editor();
  TPosition c = ed.caret;
  if (!ed.HasSelection() && c.par == held_->par && held_->start <= c.offset && c.offset <= held_->end) return;
  size_t index = held_->par;
  held_.reset();
  lastEdit_.reset();
  if (index < slots_.size() && slots_[index].known && !slots_[index].dirty && !slots_[index].Checking()) {
    ShowMarks(index);
  }
}

// ---------------------------------------------------------------- the checking thread

void TSpellAsYouType::Work() {
  // This thread's own checker: a checker serves one thread only (our engine
  // keeps a cache of dictionary nodes, Enchant a broker).
  std::unique_ptr<TSpellChecker> checker;
  std::string checkerLanguage;
  bool opened = false;
  const std::filesystem::path userPath = UserDictionaryPath(diaryDir_);
  FileIdentity userSeen;
  uint64_t changeSeen = 0;
  uint64_t openedAt = 0;  // dictionaryChanged_ when the checker was opened
  std::unordered_map<std::string, bool> looked;  // word as written: correct?
  for (;;) {
    Job job;
    std::string lang;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [&] { return quit_ || !queue_.empty(); });
      if (quit_) return;
      job = std::move(queue_.front());
      queue_.pop_front();
      lang = language_;
    }
    // Opened again after a word was added elsewhere: Enchant notices a change
    // of a personal word list only by its time in whole seconds.
    const uint64_t changed = dictionaryChanged_.load();
    if (!opened || lang != checkerLanguage || (changed != openedAt && !IsOwnLanguage(lang))) {
      // Without a dictionary for the language every word would be unknown:
      // nothing is marked.
      opened = true;
      checkerLanguage = lang;
      openedAt = changed;
      looked.clear();
      try {
        checker = OpenSpellChecker(lang, diaryDir_);
      } catch (const Error&) {
        checker.reset();
      }
    }
    std::vector<TMarkRange> words;
    if (checker && !*job.stale) {
      // Words added to the user dictionary, here or by the spell-check dialog,
      // make what was looked up before out of date.
      FileIdentity now = IdentityOf(userPath);
      uint64_t change = dictionaryChanged_.load();
      if (now != userSeen || change != changeSeen) {
        looked.clear();
        userSeen = now;
        changeSeen = change;
      }
      const std::u32string& t = job.text;
      size_t count = 0;
      for (size_t i = 0; i < t.size();) {
        if (!IsWordChar(t[i])) {
          ++i;
          continue;
        }
        size_t e = WordEnd(t, i);
        if ((++count & 63) == 0 && *job.stale) break;
        // A word holding a character that the dictionaries cannot hold is never marked.
        std::string w = richtext::ToUtf8(std::u32string_view(t).substr(i, e - i));
        auto it = looked.find(w);
        if (it == looked.end()) {
          if (looked.size() > 100'000) looked.clear();
          it = looked.emplace(w, checker->Check(w)).first;
        }
        if (!it->second) words.push_back({i, e});
        i = e;
      }
    }
    if (*job.stale) {
      // Its paragraph has changed since: only the count of what is under way goes down.
      QMetaObject::invokeMethod(this, [this] { --outstanding_; }, Qt::QueuedConnection);
      continue;
    }
    QMetaObject::invokeMethod(
        this, [this, serial = job.serial, hint = job.parHint, words = std::move(words)]() mutable {
          Apply(serial, hint, std::move(words));
        },
        Qt::QueuedConnection);
  }
}

// ---------------------------------------------------------------- the context menu

TSpellChecker* TSpellAsYouType::MenuChecker() {
  if (!menuChecker_) {
    try {
      menuChecker_ = OpenSpellChecker(Language(), diaryDir_);
    } catch (const Error& e) {
      Messenger().InfoBox(e.what());
    }
  }
  return menuChecker_.get();
}

void TSpellAsYouType::ContextMenu(QMenu* menu, TPosition at) {
  if (!enabled_) return;
  std::optional<TMarkRange> mark = editor_->MarkAt(at);
  if (!mark) return;
  const richtext::TParagraph& p = editor_->Document().Par(at.par);
  if (mark->end > p.Length()) return;
  const std::u32string text(p.text.begin() + std::ptrdiff_t(mark->start), p.text.begin() + std::ptrdiff_t(mark->end));
  TSpellChecker* checker = MenuChecker();
  if (!checker) return;
  const std::string word = richtext::ToUtf8(text);
  if (!checker->CanHold(word)) return;

  QAction* before = menu->actions().value(0);
  auto insert = [&](const QString& caption) {
    auto* a = new QAction(caption, menu);
    menu->insertAction(before, a);
    return a;
  };
  const TPosition from{at.par, mark->start}, to{at.par, mark->end};
  // The engine's list as it ranks it: at most MaxSuggestions, best first.
  // A text shown read-only is not changed: it gets none.
  std::vector<std::string> suggestions;
  if (!editor_->ReadOnly()) suggestions = checker->Suggest(word);
  for (const std::string& s : suggestions) {
    QAction* a = insert(QString::fromStdString(s));
    QFont bold = a->font();
    bold.setBold(true);
    a->setFont(bold);
    connect(a, &QAction::triggered, this, [this, from, to, text, replacement = a->text()] {
      // The word is still there: the menu was modal.
      const richtext::TParagraph& q = editor_->Document().Par(from.par);
      if (to.offset > q.Length() || std::u32string(q.text.substr(from.offset, to.offset - from.offset)) != text) return;
      editor_->ReplaceRange(from, to, replacement);
      emit changed();
    });
  }
  if (suggestions.empty() && !editor_->ReadOnly()) insert(QStringLiteral("(no suggestions)"))->setEnabled(false);
  QAction* add = insert(QStringLiteral("Add to Dictionary"));
  connect(add, &QAction::triggered, this, [this, word] { AddToDictionary(word); });
  menu->insertSeparator(before);
}

void TSpellAsYouType::AddToDictionary(const std::string& word) {
  TSpellChecker* checker = MenuChecker();
  if (!checker) return;
  if (!checker->Add(word)) {
    Messenger().InfoBox(checker->LastError());
    return;
  }
  ++dictionaryChanged_;
  // The word is known now wherever it stands (in every letter case the
  // language's list accepts); its other forms ('s) are checked again.
  const richtext::TRTFText& doc = editor_->Document();
  std::unordered_map<std::string, bool> known;
  auto isAdded = [&](const richtext::TParagraph& p, const TMarkRange& r) {
    if (r.end > p.Length()) return false;
    std::string w = richtext::ToUtf8(std::u32string(p.text.substr(r.start, r.end - r.start)));
    auto it = known.find(w);
    if (it == known.end()) it = known.emplace(w, checker->Check(w)).first;
    return it->second;
  };
  for (size_t i = 0; i < slots_.size() && i < doc.Size(); ++i) {
    const richtext::TParagraph& p = doc.Par(i);
    if (auto* words = slots_[i].MutableWords()) std::erase_if(*words, [&](const TMarkRange& r) { return isAdded(p, r); });
    std::vector<TMarkRange> shown = editor_->Marks(i);
    if (std::erase_if(shown, [&](const TMarkRange& r) { return isAdded(p, r); }) > 0) {
      editor_->SetMarks(i, std::move(shown));
    }
  }
  Recheck();
}

}  // namespace quillet
