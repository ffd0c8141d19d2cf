// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/spell_engine.h>

#include <decoration/typing_cost.h>

#include <base/error.h>
#include <base/safe_file.h>

#include <algorithm>

namespace quillet {

namespace {

constexpr size_t kMaxTypedLength = 25;     // a longer word is cut for suggestions
constexpr size_t kMaxCandidateLength = 30;
// Nodes one suggestion search may visit in each tree: far beyond what a real
// dictionary needs, it only stops a damaged tree whose groups loop.
constexpr long kWalkBudget = 4'000'000;
// Typing costs (tenths of an edit, see typing_cost.h): words up to two ordinary
// slips away are offered (a letter of the same sound counts as a slip).
constexpr int kNearLimit = 20;
constexpr int kRarityStep = 3;
// A split costs more than any one slip, however rare its word.
constexpr int kSplitCost = slip::kOther + slip::kFirstLetter + 3 * kRarityStep + 1;

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
  ranks_.Load(TWordRanks::PathFor(path));
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
  ranks_.Clear();
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

std::vector<std::string> TSpellEngine::UserWords(int userIndex) {
  TUserDictionary* d = userIndex < 0 ? nullptr : UserDictionary(userIndex);
  if (!d) return {};
  d->Refresh();
  return d->Words();
}

bool TSpellEngine::RemoveWords(const std::vector<std::string>& words, int userIndex) {
  TUserDictionary* d = userIndex < 0 ? nullptr : UserDictionary(userIndex);
  if (!d) {
    lastError_ = "There is no user dictionary to remove words from.";
    return false;
  }
  d->Refresh();
  std::vector<std::string> upper;
  for (const std::string& w : words) upper.push_back(UpperWord(w));
  try {
    d->Remove(upper);
  } catch (const Error& e) {
    lastError_ = e.what();
    return false;
  }
  lastError_.clear();
  return true;
}

int TSpellEngine::Commonness(std::string_view upper) const {
  // A rarer word costs a little more, never as much as a second slip.
  return (std::min(ranks_.Rank(upper), 4) - 1) * kRarityStep;
}

const std::vector<std::string>& TSpellEngine::GetSuggestions(std::string_view word) {
  EnsureMainDictionary();
  RefreshUserDictionaries();
  suggestions_.clear();
  std::string typed(word.substr(0, std::min(word.size(), kMaxTypedLength)));
  if (typed.empty() || maxSuggestions_ == 0) return suggestions_;
  const std::string w = UpperWord(typed);
  const size_t want = size_t(maxSuggestions_);

  // The best few, cheapest first; on equal cost the shorter, then in word order.
  struct Candidate {
    int score;
    std::string word;
    bool operator<(const Candidate& o) const {
      if (score != o.score) return score < o.score;
      if (word.size() != o.word.size()) return word.size() < o.word.size();
      return word < o.word;
    }
  };
  std::vector<Candidate> best;
  int limit = kNearLimit;
  auto consider = [&](const std::string& candidate, int cost) {
    if (candidate.size() > kMaxCandidateLength || candidate == w) return;
    // A one-letter word for a longer one is no suggestion, only noise.
    if (candidate.size() == 1 && w.size() > 2) return;
    int score = cost + Commonness(candidate);
    if (score > limit) return;
    auto same = std::find_if(best.begin(), best.end(), [&](const Candidate& c) { return c.word == candidate; });
    if (same != best.end()) {
      if (same->score <= score) return;
      best.erase(same);
    }
    Candidate c{score, candidate};
    best.insert(std::upper_bound(best.begin(), best.end(), c), c);
    if (best.size() > want) best.pop_back();
    // The walk need not look further than the last of a full list.
    if (best.size() == want) limit = std::min(limit, best.back().score);
  };

  // Words within a slip or two of what was typed.
  for (auto& d : chain_) {
    long budget = kWalkBudget;
    WalkNearWords(*d, w, limit, consider, budget);
  }
  // Two words run together, when both halves are common words: after every
  // word one slip away.
  auto common = [&](std::string_view half) {
    bool shortOk = half.size() > 1 || half == "A" || half == "I";
    return shortOk && Lookup(half) && ranks_.Rank(half) == 1 && half.find('\'') == std::string_view::npos;
  };
  for (size_t d = 1; d < w.size(); ++d) {
    std::string_view left = std::string_view(w).substr(0, d);
    std::string_view right = std::string_view(w).substr(d);
    if (common(left) && common(right)) {
      std::string joined = std::string(left) + ' ' + std::string(right);
      Candidate c{kSplitCost, joined};
      if (best.size() < want || c < best.back()) {
        best.insert(std::upper_bound(best.begin(), best.end(), c), c);
        if (best.size() > want) best.pop_back();
      }
    }
  }

  for (const auto& c : best) suggestions_.push_back(ApplyCasePattern(typed, c.word));
  return suggestions_;
}

}  // namespace quillet
