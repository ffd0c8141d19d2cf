// SPDX-License-Identifier: GPL-3.0-or-later
// The strong entry cipher at the production cost: unlocking the diary (one
// Argon2id derivation), a passphrase change (one derivation and a safely
// written key file), and the encryption and decryption of entries held in
// memory. The key file lives in a real directory (TMPDIR, else /tmp).
#include <diary/strong_cipher.h>

#include "../tests/support/temp_dir.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using quillet::TSecretKey;

void BM_UnlockDiary(benchmark::State& state) {
  quillet::testing::TempDir dir;
  fs::path keyFile = dir / quillet::kKeyFileName;
  quillet::WriteKeyFile(keyFile, TSecretKey::Random(), "correct horse battery staple");
  for (auto _ : state) {
    TSecretKey key = quillet::UnlockKeyFile(keyFile, "correct horse battery staple");
    benchmark::DoNotOptimize(key.data());
  }
  state.counters["MiB"] = double(quillet::kDiaryArgon2Cost.memlimit >> 20);
  state.counters["passes"] = double(quillet::kDiaryArgon2Cost.opslimit);
}
BENCHMARK(BM_UnlockDiary)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_ChangePassphrase(benchmark::State& state) {
  quillet::testing::TempDir dir;
  fs::path keyFile = dir / quillet::kKeyFileName;
  TSecretKey key = TSecretKey::Random();
  bool flip = false;
  for (auto _ : state) {
    quillet::WriteKeyFile(keyFile, key, flip ? "one passphrase" : "another passphrase");
    flip = !flip;
  }
}
BENCHMARK(BM_ChangePassphrase)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void BM_EncryptAndDecryptEntry(benchmark::State& state) {
  std::string text = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ";
  while (text.size() < size_t(state.range(0))) text += "Dear diary, the weather was fine and the train was late. ";
  text.resize(size_t(state.range(0)));
  TSecretKey key = TSecretKey::Random();
  for (auto _ : state) {
    std::string bytes = quillet::EncryptEntry("20240229", text, key);
    std::string back = quillet::DecryptEntry("20240229", bytes, key);
    benchmark::DoNotOptimize(back.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_EncryptAndDecryptEntry)->Arg(3000)->Arg(1 << 20)->Unit(benchmark::kMicrosecond);

}  // namespace
