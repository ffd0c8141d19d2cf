// SPDX-License-Identifier: GPL-3.0-or-later
// Every RTF file of the shared corpus (files written by real programs) is
// loaded, saved, loaded again and saved again: the second save writes the
// bytes of the first and the text does not change. The corpus lives in
// ../shared beside the repository; without it the test is skipped.
#include "doc_builder.h"

#include <base/safe_file.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace richtext {
namespace {

namespace fs = std::filesystem;
using testing::LoadRtf;
using testing::SaveRtf;
using testing::Text;

TEST(Corpus, EverySaveOfASavedFileWritesTheSameBytes) {
  fs::path dir = fs::path(QUILLET_SHARED) / "corpus" / "rtf" / "files";
  if (!fs::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    if (e.path().extension() == ".rtf") files.push_back(e.path());
  }
  std::sort(files.begin(), files.end());
  ASSERT_FALSE(files.empty());
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    TRTFTextIo first, second;
    LoadRtf(first, quillet::ReadWholeFile(file));
    std::string save = SaveRtf(first);
    LoadRtf(second, save);
    EXPECT_EQ(Text(second), Text(first));
    EXPECT_EQ(SaveRtf(second), save);
  }
}

}  // namespace
}  // namespace richtext
