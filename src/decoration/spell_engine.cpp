#include <decoration/spell_engine.h>

#include <base/error.h>
#include <base/safe_file.h>

#include <algorithm>

namespace quillet {

namespace {

constexpr size_t kMaxTypedLength = 25;     // a longer word is cut for suggestions
constexpr size_t kMaxCandidateLength = 30;
// Nodes one suggestion search may visit in each tree: far beyond what a real
// dictionary needs, it only stops a damaged tree whose groups loop.
constexpr long kWalkBudget = 2'000'000;

}  // namespace

TSpellEngine::~TSpellEngine() { CloseDictionaries(); }

bool TSpellEngine::OpenDictionary(const fs::path& path) {
  if (mainOpen_) return false;
  try {
    auto segments = OpenMainDictionary(path);
    // Main dictionaries go before the user dictionaries, in file order.
    chain_.insert(chain_.begin(), std::make_move_iterator(segments.begin()),
                  std::make_move_iterator(segments.end()));
  } catch (const Error& e) {
    lastError_ = e.what();
    return false;
  }
  mainOpen_ = true;
  DictionaryName = path.string();
  lastError_.clear();
  return true;
}

int TSpellEngine::AppendUser(std::unique_ptr<TUserDictionary> d) {
  int index = nextUserIndex_;
  nextUserIndex_ = (nextUserIndex_ + 1) & 0xFFFF;
  d->userIndex = index;
  chain_.push_back(std::move(d));
  return index;
}

int TSpellEngine::OpenUserDictionary(const fs::path& path) {
  bool isMain = false;
  try {
    auto d = TUserDictionary::Load(path, &isMain);
    lastError_.clear();
    return AppendUser(std::move(d));
  } catch (const Error& e) {
    lastError_ = e.what();
    return isMain ? 0 : -1;
  }
}

int TSpellEngine::CreateUserDictionary(const fs::path& path, std::vector<std::string> words) {
  try {
    WriteFileSafely(path, TUserDictionary::NewFileBytes());
  } catch (const Error&) {
    lastError_ = "Unable to write to " + path.string();
    return -1;
  }
  int index = OpenUserDictionary(path);
  if (index <= 0) return -1;
  std::sort(words.begin(), words.end());
  for (const std::string& w : words) AddWord(w, index);
  return index;
}

void TSpellEngine::CloseDictionaries() {
  chain_.clear();  // segments share their file, which closes with the last of them
  suggestions_.clear();
  mainOpen_ = false;
}

void TSpellEngine::EnsureMainDictionary() {
  if (!mainOpen_) OpenDictionary(DictionaryName);
}

void TSpellEngine::RefreshUserDictionaries() {
  for (auto& d : chain_) {
    if (d->kind == TDictionaryRecord::User) static_cast<TUserDictionary&>(*d).Refresh();
  }
}

bool TSpellEngine::Lookup(std::string_view upper) {
  if (upper.size() <= 1) return true;
  for (auto& d : chain_) {
    if (d->Contains(upper)) return true;
  }
  if (upper.size() >= 2 && upper.substr(upper.size() - 2) == "'S") {
    return Lookup(upper.substr(0, upper.size() - 2));
  }
  return false;
}

bool TSpellEngine::IsWordCorrect(std::string_view word) {
  EnsureMainDictionary();
  RefreshUserDictionaries();
  return Lookup(UpperWord(word));
}

TUserDictionary* TSpellEngine::UserDictionary(int index) {
  for (auto& d : chain_) {
    if (d->kind == TDictionaryRecord::User && d->userIndex == index) return static_cast<TUserDictionary*>(d.get());
  }
  return nullptr;
}

bool TSpellEngine::AddWord(std::string_view word, int userIndex) {
  TUserDictionary* d = userIndex < 0 ? nullptr : UserDictionary(userIndex);
  if (!d) {
    lastError_ = "There is no user dictionary to add words to.";
    return false;
  }
  d->Refresh();
  std::string shown(word);
  try {
    switch (d->Add(UpperWord(word))) {
      case TUserDictionary::AddResult::Added:
      case TUserDictionary::AddResult::AlreadyThere:
        lastError_.clear();
        return true;
      case TUserDictionary::AddResult::TooLong:
        lastError_ = "\"" + shown + "\" is longer than 25 letters and cannot be added to the dictionary.";
        return false;
      case TUserDictionary::AddResult::Full:
        lastError_ = "The user dictionary is full: \"" + shown + "\" cannot be added.";
        return false;
    }
  } catch (const Error& e) {
    lastError_ = e.what();
  }
  return false;
}

const std::vector<std::string>& TSpellEngine::GetSuggestions(std::string_view word) {
  EnsureMainDictionary();
  RefreshUserDictionaries();
  suggestions_.clear();
  std::string typed(word.substr(0, std::min(word.size(), kMaxTypedLength)));
  if (typed.empty() || maxSuggestions_ == 0) return suggestions_;
  const std::string w = UpperWord(typed);

  TRankedList ranked(maxSuggestions_);
  auto consider = [&](const std::string& candidate) {
    if (candidate.size() <= kMaxCandidateLength) ranked.Insert(candidate, SimilarityScore(candidate, w));
  };
  TSoundKey target = SoundKey(w);
  for (char first : FirstLetterAlternatives(uint8_t(w[0]))) {
    target[0] = uint8_t(first);
    for (auto& d : chain_) {
      long budget = kWalkBudget;
      d->Walk(target, consider, budget);
    }
  }

  // Two words run together: both halves correct.
  auto startsOrEndsWithAI = [](char c) { return c == 'A' || c == 'I'; };
  size_t from = startsOrEndsWithAI(w.front()) ? 1 : 2;
  long to = long(w.size()) - (startsOrEndsWithAI(w.back()) ? 1 : 2);
  for (long d = long(from); d <= to; ++d) {
    std::string_view left = std::string_view(w).substr(0, size_t(d));
    std::string_view right = std::string_view(w).substr(size_t(d));
    if (Lookup(left) && Lookup(right)) {
      std::string joined = std::string(left) + ' ' + std::string(right);
      ranked.Insert(joined, SimilarityScore(joined, w));
    }
  }

  for (const auto& e : ranked.Entries()) suggestions_.push_back(ApplyCasePattern(typed, e.word));
  return suggestions_;
}

}  // namespace quillet
