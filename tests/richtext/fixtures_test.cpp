// SPDX-License-Identifier: GPL-3.0-or-later
// Files that other programs wrote and that once lost text on reading.
#include "doc_builder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace richtext {
namespace {

const std::filesystem::path kFixtures = QUILLET_FIXTURES;

std::string LoadText(const std::string& name) {
  TRTFTextIo doc;
  EXPECT_EQ(doc.LoadFromFile(kFixtures / "rtf" / name), ioOk) << name;
  EXPECT_EQ(doc.lastFormat, FormatRTF) << name;
  std::string text;
  for (size_t i = 0; i < doc.Size(); ++i) text += ToUtf8(doc.Par(i).text) + "\n";
  return text;
}

TEST(Fixtures, ForeignFilesKeepTheirText) {
  struct Case {
    const char* file;
    std::vector<const char*> lines;  // each must stand in the text as a whole line
  } cases[] = {
      {"special-chars-raw-tab.rtf",
       {"Tab A\tB", "CR A", "B", "LF A", "This is a line break.\nHere is the new line.",
        "Emdash: \xE2\x80\x94", "Bullet: \xE2\x80\xA2"}},
      {"mac-japanese.rtf", {"\xE3\x81\x8A\xE8\xAA\xAD\xE3\x81\xBF\xE3\x81\x8F\xE3\x81\xA0\xE3\x81\x95\xE3\x81\x84"}},
      {"nested-table-cyrillic.rtf",
       {"\t \xD0\x91.\xD0\x86. \xD0\x93\xD1\x83\xD0\xBB\xD1\x8C\xD0\xBA\xD0\xBE "}},
      {"unicode-fallback-tabs.rtf", {"<=\t\t\xE2\x89\xA4\t8804", "Beta\t\t\xCE\xB2\t946"}},
      {"textedit-tabs.rtf", {"600g\tdouble cream "}},
  };
  for (const Case& c : cases) {
    std::string text = "\n" + LoadText(c.file);
    for (const char* line : c.lines) {
      EXPECT_NE(text.find("\n" + std::string(line) + "\n"), std::string::npos)
          << c.file << " lacks the line: " << line << "\n" << text;
    }
  }
}

// Every fixture loads, and what is written of it reads back to the same text.
TEST(Fixtures, EveryFileLoadsAndRoundTrips) {
  for (const auto& entry : std::filesystem::directory_iterator(kFixtures / "rtf")) {
    if (entry.path().extension() != ".rtf") continue;
    TRTFTextIo doc;
    ASSERT_EQ(doc.LoadFromFile(entry.path()), ioOk) << entry.path();
    TStringStream out;
    ASSERT_EQ(doc.SaveToStream(out, true), ioOk);
    TRTFTextIo back;
    back.LoadFromStream(out.bytes);
    ASSERT_EQ(back.Size(), doc.Size()) << entry.path();
    for (size_t i = 0; i < doc.Size(); ++i) EXPECT_EQ(back.Par(i).text, doc.Par(i).text);
  }
}

}  // namespace
}  // namespace richtext
