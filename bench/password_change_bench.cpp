// SPDX-License-Identifier: GPL-3.0-or-later
// A password change through a diary of 5,000 entries of about 3 KB each,
// enciphered, in a real directory (TMPDIR, else /tmp): the whole pass, from
// reading the entries to the flushed files and the removed journal.
#include <diary/cipher.h>
#include <diary/dates.h>
#include <diary/password_change.h>
#include <diary/passwords.h>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

// A diary directory in TMPDIR (else /tmp) with `count` entries of about 3 KB,
// each stored as `store` gives it; empty when no directory can be made.
fs::path MakeDiary(int count, const std::function<std::string(const std::string&)>& store) {
  std::string templ = (fs::temp_directory_path() / "quillet-bench-XXXXXX").string();
  if (!::mkdtemp(templ.data())) return {};
  fs::path diary = templ;
  fs::create_directory(diary / "Entries");
  std::string text = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  while (text.size() < 3000) text += "Dear diary, the weather was fine and the train was late. ";
  text += "}";
  for (int i = 0; i < count; ++i) {
    const std::string name = quillet::DayKey(quillet::MakeDate(2010, 1, 1) + std::chrono::days(i)) + ".QXE";
    std::ofstream(diary / "Entries" / name, std::ios::binary) << store(text);
  }
  return diary;
}

void BM_ChangePassword5000Entries(benchmark::State& state) {
  const fs::path diary =
      MakeDiary(5000, [](const std::string& text) { return quillet::EncipherBytes(text, "OLD"); });
  if (diary.empty()) {
    state.SkipWithError("no temporary directory");
    return;
  }
  quillet::WriteStoredPassword(diary, "OLD");
  bool toNew = true;
  for (auto _ : state) {
    auto r = quillet::ChangePassword(diary, toNew ? "OLD" : "NEW 2", toNew ? "NEW 2" : "OLD");
    if (r.state != quillet::TDiaryState::Changed || r.filesRewritten != 5000) {
      state.SkipWithError(r.message.c_str());
      break;
    }
    toNew = !toNew;
  }
  state.counters["entries"] = 5000;
  std::error_code ec;
  fs::remove_all(diary, ec);
}
BENCHMARK(BM_ChangePassword5000Entries)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

// A new passphrase for a strongly encrypted diary of 5,000 entries, or of
// none: the key file alone is rewritten, so the time is the two key
// derivations (the old passphrase checked, the new one wrapping the key),
// whatever the number of entries; entries_touched is 1 when any entry file's
// bytes changed.
void BM_ChangeStrongPassphrase(benchmark::State& state) {
  const int count = int(state.range(0));
  const fs::path diary = MakeDiary(count, [](const std::string& text) { return text; });
  if (diary.empty()) {
    state.SkipWithError("no temporary directory");
    return;
  }
  if (quillet::ChangePassword(diary, "", quillet::TCipher::Strong, "first").state !=
      quillet::TDiaryState::Changed) {
    state.SkipWithError("no strong diary");
    return;
  }
  auto snapshot = [&] {
    std::string all;
    for (const fs::path& f : quillet::ListEntryFiles(diary)) {
      std::ifstream in(f, std::ios::binary);
      all += std::string(std::istreambuf_iterator<char>(in), {});
    }
    return all;
  };
  const std::string before = snapshot();
  bool toNew = true;
  for (auto _ : state) {
    auto r = quillet::ChangePassword(diary, toNew ? "first" : "second", quillet::TCipher::Strong,
                                     toNew ? "second" : "first");
    if (r.state != quillet::TDiaryState::Changed || r.filesRewritten != 0) {
      state.SkipWithError(r.message.c_str());
      break;
    }
    toNew = !toNew;
  }
  state.counters["entries"] = count;
  state.counters["entries_touched"] = snapshot() == before ? 0 : 1;
  std::error_code ec;
  fs::remove_all(diary, ec);
}
BENCHMARK(BM_ChangeStrongPassphrase)->Arg(0)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(4);

}  // namespace
