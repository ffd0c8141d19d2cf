// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/spell_checker.h>

#include <decoration/program_data.h>
#include <decoration/spell_alphabet.h>
#include <decoration/spell_engine.h>

#include <base/error.h>
#include <richtext/unicode.h>

#include <enchant.h>

#include <algorithm>

namespace quillet {

namespace {

// Our own engine: the main dictionary and the diary's user dictionary, whose
// words are Windows-1252 of a 64-letter alphabet.
class TEngineChecker : public TSpellChecker {
 public:
  explicit TEngineChecker(const fs::path& diaryDir) : userPath_(UserDictionaryPath(diaryDir)) {
    const fs::path main = MainDictionaryPath(diaryDir);
    if (!engine_.OpenDictionary(main)) throw Error(engine_.LastError());
    engine_.DictionaryName = main.string();
    OpenUserIfThere();  // a damaged one is told of at once
  }

  bool CanHold(std::string_view word) override { return ToWord(word).has_value(); }

  bool Check(std::string_view word) override {
    std::optional<std::string> w = ToWord(word);
    if (!w) return true;  // cannot be looked up truthfully: never reported
    OpenUserIfThere();
    return engine_.IsWordCorrect(*w);
  }

  std::vector<std::string> Suggest(std::string_view word) override {
    std::vector<std::string> out;
    std::optional<std::string> w = ToWord(word);
    if (!w) return out;
    for (const std::string& s : engine_.GetSuggestions(*w)) out.push_back(WordToUtf8(s));
    return out;
  }

  bool Add(std::string_view word) override {
    std::optional<std::string> w = ToWord(word);
    if (!w) {
      lastError_ = "\"" + std::string(word) + "\" holds a character the dictionary cannot store.";
      return false;
    }
    OpenUserIfThere();
    if (userIndex_ == 0) return false;  // damaged: not written over
    if (userIndex_ < 0) {
      userIndex_ = engine_.CreateUserDictionary(userPath_, {});
      if (userIndex_ <= 0) {
        userIndex_ = -1;
        lastError_ = engine_.LastError();
        return false;
      }
    }
    if (!engine_.AddWord(*w, userIndex_)) {
      lastError_ = engine_.LastError();
      return false;
    }
    lastError_.clear();
    return true;
  }

 private:
  static std::optional<std::string> ToWord(std::string_view utf8) {
    return DictionaryWord(richtext::FromUtf8Lenient(utf8));
  }
  // The user dictionary may be created by another checker at any time. One
  // that cannot be read is reported once (LastError) and left alone.
  void OpenUserIfThere() {
    if (userIndex_ >= 0) return;
    std::error_code ec;
    if (!fs::exists(userPath_, ec)) return;
    userIndex_ = engine_.OpenUserDictionary(userPath_);
    if (userIndex_ <= 0) {
      userIndex_ = 0;
      lastError_ = engine_.LastError();
    }
  }

  TSpellEngine engine_;
  fs::path userPath_;
  int userIndex_ = -1;  // -1 not open (yet), 0 cannot be read
};

// Enchant: a broker of its own (a checker serves one thread), one dictionary.
class TEnchantChecker : public TSpellChecker {
 public:
  explicit TEnchantChecker(std::string_view lang) : broker_(enchant_broker_init()) {
    const std::string tag(lang);
    if (broker_) dict_ = enchant_broker_request_dict(broker_, tag.c_str());
    if (!dict_) {
      if (broker_) enchant_broker_free(broker_);
      throw Error("no spelling dictionary for the language '" + tag + "'");
    }
  }
  ~TEnchantChecker() override {
    enchant_broker_free_dict(broker_, dict_);
    enchant_broker_free(broker_);
  }

  bool CanHold(std::string_view word) override { return !word.empty(); }

  bool Check(std::string_view word) override {
    return word.empty() || enchant_dict_check(dict_, word.data(), ssize_t(word.size())) == 0;
  }

  std::vector<std::string> Suggest(std::string_view word) override {
    std::vector<std::string> out;
    size_t n = 0;
    char** list = enchant_dict_suggest(dict_, word.data(), ssize_t(word.size()), &n);
    // No more than our own engine offers, so that every language's list is as long.
    const size_t most = size_t(TSpellEngine().MaxSuggestions());
    for (size_t i = 0; list && i < n && out.size() < most; ++i) {
      std::string s = list[i];
      if (std::find(out.begin(), out.end(), s) == out.end()) out.push_back(std::move(s));
    }
    if (list) enchant_dict_free_string_list(dict_, list);
    return out;
  }

  bool Add(std::string_view word) override {
    enchant_dict_add(dict_, word.data(), ssize_t(word.size()));
    if (const char* e = enchant_dict_get_error(dict_)) {
      lastError_ = e;
      return false;
    }
    lastError_.clear();
    return true;
  }

 private:
  EnchantBroker* broker_;
  EnchantDict* dict_ = nullptr;
};

}  // namespace

bool IsOwnLanguage(std::string_view lang) { return lang == kEnglishLanguage || lang == "en_US"; }

std::vector<std::string> InstalledSpellLanguages() {
  std::vector<std::string> tags;
  if (EnchantBroker* broker = enchant_broker_init()) {
    enchant_broker_list_dicts(
        broker,
        [](const char* tag, const char*, const char*, const char*, void* data) {
          static_cast<std::vector<std::string>*>(data)->push_back(tag);
        },
        &tags);
    enchant_broker_free(broker);
  }
  std::erase_if(tags, [](const std::string& t) { return IsOwnLanguage(t); });
  std::sort(tags.begin(), tags.end());
  tags.erase(std::unique(tags.begin(), tags.end()), tags.end());
  tags.insert(tags.begin(), std::string(kEnglishLanguage));
  return tags;
}

std::unique_ptr<TSpellChecker> OpenSpellChecker(std::string_view lang, const fs::path& diaryDir) {
  if (lang.empty() || IsOwnLanguage(lang)) return std::make_unique<TEngineChecker>(diaryDir);
  return std::make_unique<TEnchantChecker>(lang);
}

}  // namespace quillet
