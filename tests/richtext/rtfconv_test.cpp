// SPDX-License-Identifier: GPL-3.0-or-later
// rtfconv run as a program: what it writes, what it says and how it exits.
#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

using quillet::testing::ReadFile;
using quillet::testing::TempDir;

struct ToolRun {
  int status;
  std::string out, err;
};

ToolRun Rtfconv(const TempDir& dir, const std::string& args) {
  const std::string out = (dir / "stdout").string(), err = (dir / "stderr").string();
  int raw = std::system((std::string(QUILLET_RTFCONV) + " " + args + " >" + out + " 2>" + err).c_str());
  int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return {status, ReadFile(out), ReadFile(err)};
}

// The text writer fills a buffer a character or a line end at a time; each
// line end needs room as much as a character does.
TEST(Rtfconv, WritesTensOfThousandsOfEmptyLines) {
  TempDir dir;
  for (size_t lines : {65535u, 66000u, 140000u}) {
    const std::string in = dir.Write("in.txt", std::string(lines, '\n')).string();
    ToolRun r = Rtfconv(dir, "--from text --to text " + in);
    EXPECT_EQ(r.status, 0) << lines << r.err;
    EXPECT_EQ(r.out.size(), lines + 1);
    EXPECT_EQ(r.out.find_first_not_of('\n'), std::string::npos) << lines;
  }
}

// Text the reader leaves out for its depth is a failed conversion.
TEST(Rtfconv, FailsOnTextNestedTooDeeply) {
  TempDir dir;
  const size_t depth = 100001;
  const std::string deep =
      dir.Write("deep.rtf", "{\\rtf1 " + std::string(depth, '{') + "deep" + std::string(depth, '}') + " end}")
          .string();
  ToolRun r = Rtfconv(dir, "--to text " + deep);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("rtfconv: " + deep + ": text inside groups nested too deeply was left out"),
            std::string::npos)
      << r.err;
  // As deep as the reader follows, the text is read.
  const std::string deepest =
      dir.Write("deepest.rtf", "{\\rtf1 " + std::string(depth - 2, '{') + "deep" + std::string(depth - 2, '}') +
                                   " end}")
          .string();
  r = Rtfconv(dir, "--to text " + deepest);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "deep end\n");
  EXPECT_EQ(r.err, "");
}

}  // namespace
