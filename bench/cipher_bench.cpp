// SPDX-License-Identifier: GPL-3.0-or-later
// Entry cipher throughput on a 1 MiB entry held in memory.
#include <diary/cipher.h>

#include <benchmark/benchmark.h>

#include <string>

namespace {

void BM_Encipher1MiB(benchmark::State& state) {
  std::string text(1 << 20, 'q');
  quillet::TKeystream keystream("Secret 1");
  for (auto _ : state) {
    keystream.Encipher(reinterpret_cast<uint8_t*>(text.data()), text.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_Encipher1MiB);

void BM_Decipher1MiBIn4096ByteChunks(benchmark::State& state) {
  std::string text(1 << 20, 'q');
  quillet::TKeystream keystream("Secret 1");
  for (auto _ : state) {
    for (size_t pos = 0; pos < text.size(); pos += 4096) {
      keystream.Decipher(reinterpret_cast<uint8_t*>(text.data() + pos), 4096);
    }
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_Decipher1MiBIn4096ByteChunks);

}  // namespace
