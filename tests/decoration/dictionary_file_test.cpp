// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/dictionary_builder.h>
#include <decoration/dictionary_file.h>

#include <base/error.h>
#include <base/safe_file.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;

std::string Banner() { return "USER DICTIONARY\r\nQuillet's own words: a letter tree of 3-byte nodes\r\n\x1A"; }

std::string U32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
  return s;
}

// A user dictionary file written out from its parts, nodes as "child lo, child hi, flags".
std::string UserFile(uint32_t inUse, uint32_t words, const std::vector<std::array<uint8_t, 3>>& nodes) {
  std::string b = Banner();
  uint32_t headerPos = uint32_t(b.size());
  b += U32(inUse) + U32(500) + U32(words) + '\0' + U32(headerPos);
  for (auto n : nodes) b.append(reinterpret_cast<const char*>(n.data()), 3);
  for (size_t i = nodes.size(); i < 500; ++i) b += "\xE8\xFD\xC0";
  return b;
}

std::vector<std::string> Words(TDictionaryRecord& d) {
  std::vector<std::string> words;
  d.ForEachWord([&](const std::string& w) { words.push_back(w); });
  return words;
}

TEST(UserDictionaryFile, ANewFileHoldsTheWordAAndFreeNodes) {
  EXPECT_EQ(TUserDictionary::NewFileBytes(), UserFile(1, 1, {{0, 0, 0xC0}}));
}

// Each step worked out by hand from the layout: a chain inserted at the start
// of a group shifts the nodes after it, and the child indexes beyond it follow.
TEST(UserDictionaryFile, AddingWordsGivesTheseBytes) {
  TempDir dir;
  auto path = dir.Write("quilletu.dct", TUserDictionary::NewFileBytes());
  auto d = TUserDictionary::Load(path);
  using R = TUserDictionary::AddResult;

  ASSERT_EQ(d->Add("CAT"), R::Added);  // C before A in group 1; A, T chained after the used area
  EXPECT_EQ(ReadFile(path), UserFile(4, 2, {{3, 0, 0x02}, {0, 0, 0xC0}, {4, 0, 0x40}, {0, 0, 0xD3}}));

  ASSERT_EQ(d->Add("CAR"), R::Added);  // R goes in front of T
  EXPECT_EQ(ReadFile(path),
            UserFile(5, 3, {{3, 0, 0x02}, {0, 0, 0xC0}, {4, 0, 0x40}, {0, 0, 0x91}, {0, 0, 0xD3}}));

  ASSERT_EQ(d->Add("CA"), R::Added);  // only the word-end bit of the A under C
  EXPECT_EQ(ReadFile(path),
            UserFile(5, 4, {{3, 0, 0x02}, {0, 0, 0xC0}, {4, 0, 0xC0}, {0, 0, 0x91}, {0, 0, 0xD3}}));

  ASSERT_EQ(d->Add("DOG"), R::Added);  // group 1 shifts: every child index beyond 1 grows
  EXPECT_EQ(ReadFile(path), UserFile(8, 5,
                                     {{7, 0, 0x03}, {4, 0, 0x02}, {0, 0, 0xC0}, {5, 0, 0xC0}, {0, 0, 0x91},
                                      {0, 0, 0xD3}, {8, 0, 0x4E}, {0, 0, 0xC6}}));

  ASSERT_EQ(d->Add("DOGS"), R::Added);  // G had no children: S becomes its own group
  EXPECT_EQ(ReadFile(path), UserFile(9, 6,
                                     {{7, 0, 0x03}, {4, 0, 0x02}, {0, 0, 0xC0}, {5, 0, 0xC0}, {0, 0, 0x91},
                                      {0, 0, 0xD3}, {8, 0, 0x4E}, {9, 0, 0xC6}, {0, 0, 0xD2}}));

  EXPECT_EQ(d->Add("DOG"), R::AlreadyThere);
  EXPECT_EQ(d->Add(std::string(26, 'X')), R::TooLong);
  EXPECT_EQ(Words(*d), (std::vector<std::string>{"DOG", "DOGS", "CA", "CAR", "CAT", "A"}));
}

TEST(UserDictionaryFile, ManyWordsGrowTheFileAndAllStayFound) {
  TempDir dir;
  auto path = dir.Write("quilletu.dct", TUserDictionary::NewFileBytes());
  auto d = TUserDictionary::Load(path);
  std::mt19937 random(7);
  std::set<std::string> added{"A"};
  for (int i = 0; i < 200; ++i) {
    std::string w;
    int len = 1 + int(random() % 9);
    for (int k = 0; k < len; ++k) w += char('A' + random() % 10);
    ASSERT_NE(d->Add(w), TUserDictionary::AddResult::TooLong);
    added.insert(w);
  }
  EXPECT_GT(d->Header().nodesInUse, 500u);  // past the nodes of a new file
  auto reread = TUserDictionary::Load(path);
  auto words = Words(*reread);
  EXPECT_EQ(std::set<std::string>(words.begin(), words.end()), added);
  EXPECT_EQ(words.size(), added.size());
  EXPECT_EQ(reread->Header().wordCount, added.size());
  for (const auto& w : added) EXPECT_TRUE(reread->Contains(w)) << w;
  EXPECT_FALSE(reread->Contains("ABCDEFABCDEF"));
}

TEST(UserDictionaryFile, AFullDictionaryTakesNoLongerWords) {
  TempDir dir;
  std::string b = TUserDictionary::NewFileBytes();
  size_t headerPos = b.find('\x1A') + 1;
  b.replace(headerPos, 4, U32(kMaxUserNodes - 3));
  while (b.size() < headerPos + 17 + 3 * size_t(kMaxUserNodes)) b += "\xE8\xFD\xC0";
  auto d = TUserDictionary::Load(dir.Write("quilletu.dct", b));
  EXPECT_EQ(d->Add("DOGS"), TUserDictionary::AddResult::Full);
  EXPECT_EQ(d->Add("DOG"), TUserDictionary::AddResult::Added);
}

TEST(UserDictionaryFile, AFailedWriteLeavesFileAndWordsAsTheyWere) {
  TempDir dir;
  auto path = dir.Write("quilletu.dct", TUserDictionary::NewFileBytes());
  auto d = TUserDictionary::Load(path);
  for (const char* step : {"create", "write", "flush", "rename"}) {
    SetWriteFaultHook([&](std::string_view s) { return s != step; });
    try {
      d->Add("CAT");
      ADD_FAILURE() << step;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + path.string());
    }
    SetWriteFaultHook({});
    EXPECT_EQ(ReadFile(path), TUserDictionary::NewFileBytes()) << step;
    EXPECT_FALSE(d->Contains("CAT"));
  }
  EXPECT_EQ(d->Add("CAT"), TUserDictionary::AddResult::Added);
}

TEST(UserDictionaryFile, DamagedFilesAreRefusedWithAReason) {
  std::string good = UserFile(4, 2, {{3, 0, 0x02}, {0, 0, 0xC0}, {4, 0, 0x40}, {0, 0, 0xD3}});
  size_t nodes = good.find('\x1A') + 1 + 17;
  std::string badChild = good;
  badChild[nodes + 3 * 2] = 9;  // node 3 points past the used nodes
  std::string noneInUse = good;
  noneInUse[nodes - 17] = 0;
  struct Case {
    const char* name;
    std::string bytes;
    const char* reason;
  } cases[] = {
      {"empty", "", "no end of banner"},
      {"no 0x1A", "USER DICTIONARY\r\n", "no end of banner"},
      {"cut in the header", good.substr(0, nodes - 5), "ends inside its header"},
      {"cut in the used nodes", good.substr(0, nodes + 10), "ends before its last node"},
      {"child out of range", badChild, "points outside"},
      {"no node in use", noneInUse, "count of nodes in use"},
  };
  TempDir dir;
  for (const Case& c : cases) {
    auto path = dir.Write("damaged.dct", c.bytes);
    try {
      TUserDictionary::Load(path);
      ADD_FAILURE() << c.name;
    } catch (const Error& e) {
      std::string m = e.what();
      EXPECT_NE(m.find("is damaged"), std::string::npos) << c.name << ": " << m;
      EXPECT_NE(m.find(c.reason), std::string::npos) << c.name << ": " << m;
    }
  }
}

TEST(MainDictionaryFile, SeveralSegmentsEachHoldARunOfTheWords) {
  std::vector<std::string> words;
  for (char a = 'A'; a <= 'Z'; ++a) {
    for (char b = 'A'; b <= 'Z'; b += 5) words.push_back(std::string{a, b, char('Z' - (a - 'A'))});
  }
  auto built = BuildMainDictionary(words, "test", 80);
  ASSERT_GE(built.nodeCounts.size(), 3u);
  EXPECT_EQ(built.words, words.size());

  // Walk the headers as a reader does: each segment is a header and its nodes.
  const std::string& b = built.bytes;
  size_t pos = b.find('\x1A') + 1;
  EXPECT_EQ(b.substr(0, pos), "QUILLET MAIN DICTIONARY\r\ntest\r\n\x1A");
  for (uint32_t count : built.nodeCounts) {
    auto h = TDictHeader::Parse(reinterpret_cast<const uint8_t*>(b.data()) + pos);
    EXPECT_EQ(h.nodeCount, count);
    EXPECT_LE(count, 80u);
    EXPECT_NE(h.mainFlag, 0);
    EXPECT_EQ(h.position, pos);
    pos += 17 + 3 * size_t(count);
  }
  EXPECT_EQ(pos, b.size());

  TempDir dir;
  auto segments = OpenMainDictionary(dir.Write("main.dct", b));
  ASSERT_EQ(segments.size(), built.nodeCounts.size());
  EXPECT_EQ(segments[0]->kind, TDictionaryRecord::MainFirst);
  EXPECT_EQ(segments[1]->kind, TDictionaryRecord::MainFurther);
  std::vector<std::string> all;
  for (auto& s : segments) {
    auto w = Words(*s);
    all.insert(all.end(), w.begin(), w.end());
  }
  std::vector<std::string> sorted = words;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(all, sorted);  // segments in file order, each in letter order
  for (const auto& w : words) {
    EXPECT_EQ(std::count_if(segments.begin(), segments.end(), [&](auto& s) { return s->Contains(w); }), 1) << w;
  }
}

TEST(MainDictionaryFile, SharedEndingsAreStoredOnce) {
  // Three stems, two endings: the groups after B, T and W are stored once.
  auto built = BuildMainDictionary({"WALKING", "WALKED", "TALKING", "TALKED", "BALKING", "BALKED"}, "x");
  ASSERT_EQ(built.nodeCounts.size(), 1u);
  EXPECT_EQ(built.nodeCounts[0], 3u + 1 + 1 + 1 + 2 + 1 + 1 + 1);  // B T W | A | L | K | I E | N D | G
}

TEST(MainDictionaryFile, DamagedFilesAreRefusedAndNeverReadPastTheirEnd) {
  auto built = BuildMainDictionary({"CAT", "DOG", "DOGS"}, "x");
  const std::string& good = built.bytes;
  size_t header = good.find('\x1A') + 1;
  std::string badChild = good;
  badChild[header + 17] = char(200);  // node 1 points far outside
  TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    const char* message;
  } cases[] = {
      {"no 0x1A", "QUILLET MAIN DICTIONARY", "no end of banner"},
      {"cut in the header", good.substr(0, header + 10), "ends inside a segment header"},
      {"cut in the nodes", good.substr(0, good.size() - 2), "ends before the last node"},
      {"a user dictionary", TUserDictionary::NewFileBytes(), "is a user dictionary"},
  };
  for (const Case& c : cases) {
    try {
      OpenMainDictionary(dir.Write("main.dct", c.bytes));
      ADD_FAILURE() << c.name;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
    }
  }
  // Child indexes beyond the segment are read as no children.
  auto segments = OpenMainDictionary(dir.Write("main.dct", badChild));
  EXPECT_FALSE(segments[0]->Contains("CAT"));
  EXPECT_TRUE(segments[0]->Contains("DOGS"));
}

}  // namespace
}  // namespace quillet
