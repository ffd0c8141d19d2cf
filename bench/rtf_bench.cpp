// SPDX-License-Identifier: GPL-3.0-or-later
// Reading and writing a large RTF document in memory. The document is the
// file named by QUILLET_BIG_RTF (make bench makes one with pandoc), else a
// generated one of about the same size.
#include <richtext/finder.h>
#include <richtext/io.h>

#include <base/safe_file.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

namespace {

const std::string& BigRtf() {
  static const std::string bytes = [] {
    if (const char* path = std::getenv("QUILLET_BIG_RTF")) return quillet::ReadWholeFile(path);
    richtext::TRTFTextIo doc;
    doc.Clear();
    richtext::TAttr bold = doc.insertionAttr;
    bold.flags = richtext::afBold;
    for (int i = 0; i < 40000; ++i) {
      doc.AppendParagraph(U"Dear diary, today the weather was fine and the train was late again; "
                          U"we walked along the river until the light went and talked of summer.",
                          i % 7 ? &doc.insertionAttr : &bold);
    }
    richtext::TStringStream out;
    doc.SaveToStream(out);
    return out.bytes;
  }();
  return bytes;
}

void BM_ReadRtf(benchmark::State& state) {
  const std::string& rtf = BigRtf();
  for (auto _ : state) {
    richtext::TRTFTextIo doc;
    doc.LoadFromStream(rtf);
    benchmark::DoNotOptimize(doc.Size());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rtf.size()));
}
BENCHMARK(BM_ReadRtf)->Unit(benchmark::kMillisecond);

void BM_WriteRtf(benchmark::State& state) {
  richtext::TRTFTextIo doc;
  doc.LoadFromStream(BigRtf());
  size_t written = 0;
  for (auto _ : state) {
    richtext::TStringStream out;
    doc.SaveToStream(out);
    written = out.bytes.size();
  }
  // Measured against the size read, so that reading and writing compare.
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(BigRtf().size()));
  state.counters["written_MB"] = double(written) / 1e6;
}
BENCHMARK(BM_WriteRtf)->Unit(benchmark::kMillisecond);

// A wildcard search through one 40,000-character paragraph where the head
// matches everywhere and no tail follows: the worst case of the finder.
void BM_WildcardFind40000(benchmark::State& state) {
  richtext::TRTFTextIo doc;
  doc.Clear();
  doc.AppendParagraph(richtext::TString(40000, U'a'), &doc.insertionAttr);
  richtext::TTextFinder finder(doc);
  finder.wildcard = '*';
  for (auto _ : state) {
    finder.ToStart();
    benchmark::DoNotOptimize(finder.FindNext(U"a*q"));
    finder.ToEnd();
    benchmark::DoNotOptimize(finder.FindPrevious(U"a*q"));
  }
}
BENCHMARK(BM_WildcardFind40000)->Unit(benchmark::kMillisecond);

}  // namespace
