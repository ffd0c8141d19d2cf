// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/settings_file.h>

#include <diary/cipher.h>
#include <base/messages.h>
#include <base/safe_file.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;

TEST(IniInteger, ReadsDecimalAndHexAndRefusesTheRest) {
  struct Case {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"12", 12},       {"-5", -5},           {"+7", 7},
      {" 42 ", 42},     {"0x0C", 12},         {"0X1f", 31},
      {"0xFFFFFFFF", -1}, {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
      {"", {}},         {"abc", {}},          {"12abc", {}},
      {"0x", {}},       {"0xG1", {}},         {"2147483648", {}},
      {"0x100000000", {}}, {"1.5", {}},       {"- 3", {}},
  };
  for (const Case& c : cases) {
    int value = -999;
    EXPECT_EQ(ParseIniInteger(c.text, value), c.value.has_value()) << c.text;
    if (c.value) {
      EXPECT_EQ(value, *c.value) << c.text;
    }
  }
}

TEST(IniFile, ReadsBySectionAndKeyWithoutRegardToCase) {
  TempDir dir;
  auto path = dir.Write("QX.INI",
                        "; written by hand\r\n"
                        "[Default Font]\r\n"
                        "Name = Times New Roman \r\n"
                        "Size=0x0C\r\n"
                        "Bold=1\r\n"
                        "Italic=junk\r\n"
                        "\r\n"
                        "[Icons]\r\n"
                        "Name=elsewhere\r\n"
                        ";Visible=1\r\n"
                        "Top=-20\r\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("default font", "NAME", "Arial"), "Times New Roman");
  EXPECT_EQ(ini.ReadInteger("Default Font", "Size", 10), 12);
  EXPECT_TRUE(ini.ReadBool("Default Font", "Bold", false));
  EXPECT_TRUE(ini.ReadBool("Default Font", "Italic", true));  // not a number: the default
  EXPECT_FALSE(ini.ReadBool("Default Font", "Underline", false));
  EXPECT_EQ(ini.ReadString("ICONS", "name", ""), "elsewhere");
  EXPECT_FALSE(ini.ReadBool("Icons", "Visible", false));  // commented out
  EXPECT_EQ(ini.ReadInteger("Icons", "Top", 100), -20);
  EXPECT_EQ(ini.ReadString("Security", "Password", "none"), "none");

  TIniFile missing(dir / "nothing.ini");
  EXPECT_EQ(missing.ReadInteger("Default Font", "Size", 10), 10);
  EXPECT_EQ(missing.ReadString("Default Font", "Name", "Arial"), "Arial");
}

TEST(IniFile, CutsLongStringsAt1023Characters) {
  TempDir dir;
  auto path = dir.Write("QX.INI", "[Icons]\nFile=" + std::string(2000, 'f') + "\n");
  EXPECT_EQ(TIniFile(path).ReadString("Icons", "File", ""), std::string(1023, 'f'));
}

TEST(IniFile, WritesCreateReplaceAndAppendInPlace) {
  TempDir dir;
  TIniFile ini(dir / "QX.INI");
  ini.WriteString("Default Font", "Name", "Arial");
  ini.WriteInteger("Default Font", "Size", 10);
  ini.WriteBool("Opening Screen", "show", true);
  ini.WriteBool("Default Font", "Bold", false);
  ini.WriteInteger("default font", "SIZE", -12);
  ini.WriteString("Security", "Password", "");
  EXPECT_EQ(ReadFile(dir / "QX.INI"),
            "[Default Font]\n"
            "Name=Arial\n"
            "Size=-12\n"
            "Bold=0\n"
            "[Opening Screen]\n"
            "show=1\n"
            "[Security]\n"
            "Password=\n");
  EXPECT_EQ(ini.ReadString("Security", "Password", "x"), "");
  EXPECT_EQ(ini.ReadInteger("Default Font", "Size", 0), -12);
}

TEST(IniFile, KeepsTheFileLinesAndLineEndsItDidNotTouch) {
  TempDir dir;
  auto path = dir.Write("QX.INI",
                        "; mine\r\n[Icons]\r\nTop=1\r\n\r\n[Other]\r\nx = y\r\n");
  TIniFile ini(path);
  ini.WriteInteger("Icons", "Left", 5);
  ini.WriteInteger("Icons", "Top", 2);
  EXPECT_EQ(ReadFile(path), "; mine\r\n[Icons]\r\nTop=2\r\nLeft=5\r\n\r\n[Other]\r\nx = y\r\n");
}

TEST(IniFile, ScrambledPasswordBytesSurviveExactly) {
  TempDir dir;
  TIniFile ini(dir / "QX.INI");
  for (const char* password : {"abc", "Secret 1", "        ", "zzzzzzzz", "A"}) {
    ini.WriteString("Security", "Password", EncryptString(password));
    EXPECT_EQ(Decryptstring(ini.ReadString("Security", "Password", "")), password);
  }
}

TEST(IniFile, RefusedWriteRaisesAndLeavesTheOldFile) {
  TempDir dir;
  auto path = dir.Write("QX.INI", "[Default Font]\nName=Arial\n");
  TIniFile ini(path);
  SetWriteFaultHook([](std::string_view step) { return step != "write"; });
  try {
    ini.WriteString("Default Font", "Name", "Courier");
    ADD_FAILURE() << "the write should have failed";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to " + path.string());
  }
  SetWriteFaultHook({});
  EXPECT_EQ(ReadFile(path), "[Default Font]\nName=Arial\n");
}

TEST(IniFile, ANewDirectoryThatCannotBeCreatedRaises) {
  TempDir dir;
  TIniFile ini(dir / "no" / "such" / "QX.INI");
  EXPECT_THROW(ini.WriteBool("Opening Screen", "show", false), Error);
}


TEST(IniFile, RefusesWhatCouldNotBeReadBackAndKeepsTheFile) {
  TempDir dir;
  const std::string before = "[Security]\nPassword=\n";
  auto path = dir.Write("QX.INI", before);
  TIniFile ini(path);
  struct Case {
    const char *section, *key, *value;
  } cases[] = {
      {"Opening Screen", "Message", "hello\n[Security]\nPassword=abc"},  // would inject keys
      {"Opening Screen", "Message", "carriage\rreturn"},
      {"Icons", "a=b", "1"},  // could never be found again
      {"Icons", "[Security]", "1"},
      {"Icons", ";File", "1"},
      {"Icons", "", "1"},
      {"Icons", " File", "1"},
      {"Icons", "Fi\nle", "1"},
      {"Icons]", "File", "1"},
      {"Ic\nons", "File", "1"},
      {" Icons", "File", "1"},
  };
  for (const Case& c : cases) {
    try {
      ini.WriteString(c.section, c.key, c.value);
      ADD_FAILURE() << "stored " << c.key << "=" << c.value;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()).rfind("Unable to write to " + path.string() + ": ", 0), 0u)
          << e.what();
    }
    EXPECT_EQ(ReadFile(path), before) << c.key << "=" << c.value;
  }
  EXPECT_EQ(ini.ReadString("Security", "Password", "x"), "");
}

TEST(IniFile, ReadsCarriageReturnOnlyFilesAndKeepsEveryUntouchedLineEnd) {
  TempDir dir;
  auto old = dir.Write("old.ini", "[Default Font]\rName=Courier\rSize=12\r");
  TIniFile mac(old);
  EXPECT_EQ(mac.ReadString("Default Font", "Name", "Arial"), "Courier");
  EXPECT_EQ(mac.ReadInteger("Default Font", "Size", 10), 12);
  mac.WriteBool("Default Font", "Bold", true);
  EXPECT_EQ(ReadFile(old), "[Default Font]\rName=Courier\rSize=12\rBold=1\r");

  // Mixed line ends, a blank line of its own kind, no line end at the end.
  auto mixed = dir.Write("QX.INI", "; mine\n[Icons]\r\nTop=1\r\n\r[Other]\nx = y");
  TIniFile ini(mixed);
  ini.WriteInteger("Icons", "Top", 2);
  ini.WriteInteger("Icons", "Left", 5);
  EXPECT_EQ(ReadFile(mixed), "; mine\n[Icons]\r\nTop=2\r\nLeft=5\n\r[Other]\nx = y");
  EXPECT_EQ(ini.ReadString("Other", "x", ""), "y");
  ini.WriteString("Security", "Password", "");
  EXPECT_EQ(ReadFile(mixed),
            "; mine\n[Icons]\r\nTop=2\r\nLeft=5\n\r[Other]\nx = y\n[Security]\nPassword=\n");
}

// An object reads the file once and keeps its text while the file stays the
// same; any change to it, in place or by a file put in its stead, is seen
// by the next read, and a file gone reads as missing.
TEST(IniFile, EveryReadSeesTheFileAsItIsNow) {
  TempDir dir;
  const auto path = dir.path() / "QX.INI";
  WriteFileSafely(path, "[Main]\nName=alpha\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(3100));  // old enough to be kept
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadString("Main", "Name", ""), "alpha");
  EXPECT_EQ(ini.ReadString("Main", "Name", ""), "alpha");
  {
    std::ofstream inPlace(path, std::ios::binary | std::ios::in | std::ios::out);
    inPlace.seekp(12);
    inPlace << "gamma";  // the same size, the same inode
  }
  EXPECT_EQ(ini.ReadString("Main", "Name", ""), "gamma");
  TIniFile(path).WriteString("Main", "Name", "delta");  // a new file in its stead
  EXPECT_EQ(ini.ReadString("Main", "Name", ""), "delta");
  std::filesystem::remove(path);
  EXPECT_EQ(ini.ReadString("Main", "Name", "none"), "none");
}

}  // namespace
}  // namespace quillet
