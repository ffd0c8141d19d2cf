// SPDX-License-Identifier: GPL-3.0-or-later
/** Checking spelling as you type: the words of the editor's text that no
 ** dictionary knows are marked with the editor's wavy red line, and a right
 ** click on one offers suggestions and "Add to Dictionary". */
#pragma once

#include <richtext/document.h>
#include <richtext/paint.h>
#include <richtext/ui/mark_layer.h>

#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class QMenu;
class QTimer;

namespace richtext {
class TRichText;
}

namespace quillet {

class TSpellChecker;

// Watches one editor. Paragraphs are checked on a thread of their own, with a
// spell checker of its own (a checker serves one thread), so a
// keystroke only notes its paragraph as changed; once typing pauses (150 ms)
// the changed paragraphs' text is copied and handed over, and the words found
// come back as a queued call that sets the paragraph's marks. While keys come,
// the thread is neither woken nor waited for. Only paragraphs that changed are
// checked again; a loaded entry is handed over at once.
//
// The word being typed is not marked while the caret is in it or at its end:
// the word that the paragraph's last edit touched waits until the caret leaves it.
// Words are the spell-check dialog's (the text finder's word characters,
// without hidden text and objects); a word with a character the dictionaries
// cannot hold is never marked.
class TSpellAsYouType : public QObject, private richtext::TDocumentListener {
  Q_OBJECT
 public:
  // Checks English until SetLanguage: the main dictionary is found as program
  // data of the diary directory; the user dictionary is its "quilletu.dct",
  // created when a word is first added.
  TSpellAsYouType(richtext::TRichText* editor, const std::filesystem::path& diaryDir,
                  QObject* parent = nullptr);
  ~TSpellAsYouType() override;

  bool Enabled() const { return enabled_; }
  // Off removes every mark and stops checking; on checks the whole text again.
  void SetEnabled(bool on);
  // True while changed paragraphs wait to be checked or their words to be marked.
  bool Busy() const;
  // The language words are checked in ("en", "de_DE"...; see spell_checker.h).
  // A change checks the whole text again; the marks stay until the new ones come.
  void SetLanguage(const std::string& lang);
  std::string Language() const;
  // Checks again every paragraph that has marks, keeping them until the
  // check is done: after words were added to the user dictionary elsewhere.
  void Recheck();
  // Checks every paragraph again: after words were taken out of the user
  // dictionary, words not marked before may be misspelt now.
  void RecheckAll();

 signals:
  // The text was changed from the context menu (a suggestion was chosen).
  void changed();

 private:
  struct Job {
    uint64_t serial;
    size_t parHint;
    std::u32string text;
    std::shared_ptr<std::atomic<bool>> stale;
  };
  // A paragraph's state. The check under way and the misspelt words are
  // held apart, by the few paragraphs that have either: a document of a
  // million blank lines keeps a million slots.
  struct Slot {
    uint64_t serial = 0;
    bool dirty = true;
    bool known = false;  // Words() is the last check's result
    struct Held {
      std::shared_ptr<std::atomic<bool>> job;
      std::vector<richtext::TMarkRange> words;
    };
    std::unique_ptr<Held> held;

    bool Checking() const { return held && held->job; }
    const std::vector<richtext::TMarkRange>& Words() const;
    std::vector<richtext::TMarkRange>* MutableWords() { return held ? &held->words : nullptr; }
    // Tells the check under way that its text is out of date.
    void StopCheck() const {
      if (Checking()) *held->job = true;
    }
    // Stops the check under way and forgets it.
    void DropCheck();
    std::shared_ptr<std::atomic<bool>> StartCheck();
    // The check is over and found these words.
    void Checked(std::vector<richtext::TMarkRange> words);
  };

  // The document's notices (on the UI thread).
  void ParagraphChanged(size_t index) override;
  void TextReplaced(size_t index, size_t offset, size_t removed, size_t inserted) override;
  void ParagraphsInserted(size_t index, size_t count) override;
  void ParagraphsRemoved(size_t index, size_t count) override;
  void DocumentReset() override;

  void Dirty(size_t index);
  void DirtyAll();
  void Flush();
  void Apply(uint64_t serial, size_t hint, std::vector<richtext::TMarkRange> words);
  void ShowMarks(size_t index);
  void CaretMoved();
  void ContextMenu(QMenu* menu, richtext::TPosition at);
  // The checker of the context menu, opened at the first right click on a
  // mark; nothing (after a message) when the language has no dictionary.
  TSpellChecker* MenuChecker();
  void AddToDictionary(const std::string& word);

  void Work();  // the checking thread

  richtext::TRichText* editor_;
  bool editorGone_ = false;
  std::filesystem::path diaryDir_;
  bool enabled_ = true;
  std::vector<Slot> slots_;
  uint64_t nextSerial_ = 1;
  QTimer* flush_;
  size_t outstanding_ = 0;  // jobs handed over whose results have not come back
  // The last edit (paragraph, first and last offset) and the word it left unmarked.
  struct Edit {
    size_t par, start, end;
  };
  std::optional<Edit> lastEdit_, held_;

  std::unique_ptr<TSpellChecker> menuChecker_;

  std::thread worker_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Job> queue_;
  bool quit_ = false;
  std::string language_{"en"};  // guarded by mutex_: the checking thread reads it
  // A word was added or the language changed: forget what was looked up.
  std::atomic<uint64_t> dictionaryChanged_{0};
};

}  // namespace quillet
