// SPDX-License-Identifier: GPL-3.0-or-later
// mkdict on the command line: building, dumping, checking, suggesting, adding.
#include <decoration/word_ranks.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sys/wait.h>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;

struct Result {
  int status;
  std::string out;
};

Result RunMkdict(const std::string& args, const std::string& input = "") {
  TempDir tmp;
  auto in = tmp.Write("in", input);
  std::string command = std::string(MKDICT) + " " + args + " < " + in.string() + " 2>/dev/null";
  Result r{0, {}};
  FILE* p = ::popen(command.c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int raw = ::pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return r;
}

TEST(Mkdict, UsageAndHelp) {
  EXPECT_EQ(RunMkdict("").status, 2);
  EXPECT_EQ(RunMkdict("frobnicate").status, 2);
  EXPECT_EQ(RunMkdict("suggest x.dct teh").status, 2);  // no "--"
  Result help = RunMkdict("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("usage: mkdict build", 0), 0u);
  EXPECT_EQ(RunMkdict("dump /nonexistent/x.dct").status, 1);
}

TEST(Mkdict, BuildsTheRanksOfTheWordsFromListsSmallestFirst) {
  TempDir dir;
  auto small = dir.Write("small", "the\ncat\n");
  auto large = dir.Write("large", "the\ncat\ncatalogue\nzymurgy\n");
  auto main = dir / "main.dct";
  ASSERT_EQ(RunMkdict("build --ranks " + main.string() + " " + small.string() + " " + large.string()).status, 0);
  EXPECT_EQ(RunMkdict("dump " + main.string()).out, "CAT\nCATALOGUE\nTHE\nZYMURGY\n");
  TWordRanks ranks;
  ASSERT_TRUE(ranks.Load(dir / "main.rnk"));
  EXPECT_EQ(ranks.Rank("THE"), 1);
  EXPECT_EQ(ranks.Rank("CAT"), 1);
  EXPECT_EQ(ranks.Rank("ZYMURGY"), 2);
  // The largest list's own words are not written out: they have the last rank.
  EXPECT_EQ(ReadFile(dir / "main.rnk").find("ZYMURGY"), std::string::npos);
  // Without --ranks no rank file is written.
  ASSERT_EQ(RunMkdict("build " + (dir / "plain.dct").string() + " " + large.string()).status, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "plain.rnk"));
  EXPECT_EQ(RunMkdict("build --frobnicate " + main.string() + " " + large.string()).status, 2);
}

TEST(Mkdict, ListsAndRemovesTheWordsOfAUserDictionary) {
  TempDir dir;
  auto user = (dir / "user.dct").string();
  ASSERT_EQ(RunMkdict("add " + user + " zebra Quillet café apple").status, 0);
  EXPECT_EQ(RunMkdict("list " + user).out, "APPLE\nCAFÉ\nQUILLET\nZEBRA\n");  // not the built-in "A"

  Result r = RunMkdict("remove " + user + " Zebra café nowhere");
  EXPECT_EQ(r.status, 1);  // "nowhere" is not there; the others are taken out all the same
  EXPECT_EQ(RunMkdict("list " + user).out, "APPLE\nQUILLET\n");
  // The file is a user dictionary as before: the words still there are found, new ones added.
  EXPECT_EQ(RunMkdict("check " + user, "apple Quillet zebra café a").out, "zebra\ncafé\n");
  EXPECT_EQ(RunMkdict("add " + user + " pear").status, 0);
  EXPECT_EQ(RunMkdict("list " + user).out, "APPLE\nPEAR\nQUILLET\n");
  EXPECT_EQ(RunMkdict("remove " + user + " apple pear quillet").status, 0);
  EXPECT_EQ(RunMkdict("list " + user).out, "");
  EXPECT_EQ(RunMkdict("check " + user, "a").out, "");  // "A" stays, as in every new dictionary

  auto list = dir.Write("words", "cat\n");
  ASSERT_EQ(RunMkdict("build " + (dir / "main.dct").string() + " " + list.string()).status, 0);
  EXPECT_EQ(RunMkdict("list " + (dir / "main.dct").string()).status, 1);  // not a user dictionary
  EXPECT_EQ(RunMkdict("remove " + (dir / "missing.dct").string() + " cat").status, 1);
  EXPECT_EQ(RunMkdict("list").status, 2);
  EXPECT_EQ(RunMkdict("remove " + user).status, 2);
}

TEST(Mkdict, BuildsChecksSuggestsAndAdds) {
  TempDir dir;
  auto list = dir.Write("words", "cat\ncat's\ncar\ndog\ndog's\nx\nŁódź\ncafé\nthe\nthen\n");
  auto main = (dir / "main.dct").string();
  ASSERT_EQ(RunMkdict("build " + main + " " + list.string()).status, 0);
  // One-letter words, possessives of listed words and what the alphabet cannot hold are left out.
  EXPECT_EQ(RunMkdict("dump " + main).out, "CAFÉ\nCAR\nCAT\nDOG\nTHE\nTHEN\n");

  auto user = (dir / "user.dct").string();
  Result check = RunMkdict("check " + main + " " + user, "dgo");
  EXPECT_EQ(check.status, 1);  // the user dictionary does not exist yet
  EXPECT_EQ(RunMkdict("add " + user + " Quillet sat").status, 0);
  check = RunMkdict("check " + main + " " + user, "The cat’s dgo sat, the dgo. Quillet Łódź café");
  EXPECT_EQ(check.status, 0);
  EXPECT_EQ(check.out, "dgo\n");  // once; words the dictionaries cannot hold are not reported
  EXPECT_EQ(RunMkdict("dump " + user).out, "SAT\nQUILLET\nA\n");

  Result s = RunMkdict("suggest " + main + " -- Teh dgo Łódź");
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(s.out.substr(0, s.out.find('\n')), "The\tThen");
  EXPECT_NE(s.out.find("\ndog"), std::string::npos);
  EXPECT_EQ(s.out.substr(s.out.size() - 2), "\n\n");  // nothing for a word that cannot be stored

  EXPECT_EQ(RunMkdict("add " + user + " " + std::string(26, 'q')).status, 1);
  EXPECT_EQ(RunMkdict("add " + main + " word").status, 1);
}

}  // namespace
}  // namespace quillet
