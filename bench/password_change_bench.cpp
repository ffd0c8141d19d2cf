// A password change through a diary of 5,000 entries of about 3 KB each,
// enciphered, in a real directory (TMPDIR, else /tmp): the whole pass, from
// reading the entries to the flushed files and the removed journal.
#include <diary/cipher.h>
#include <diary/password_change.h>
#include <diary/passwords.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

void BM_ChangePassword5000Entries(benchmark::State& state) {
  std::string templ = (fs::temp_directory_path() / "quillet-bench-XXXXXX").string();
  if (!::mkdtemp(templ.data())) {
    state.SkipWithError("no temporary directory");
    return;
  }
  fs::path diary = templ;
  fs::create_directory(diary / "Entries");
  std::string text = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  while (text.size() < 3000) text += "Dear diary, the weather was fine and the train was late. ";
  text += "}";
  for (int i = 0; i < 5000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%04d%02d%02d.QXE", 2010 + i / 372, 1 + i / 31 % 12,
                  1 + i % 31);
    std::ofstream(diary / "Entries" / name, std::ios::binary)
        << quillet::EncipherBytes(text, "OLD");
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

}  // namespace
