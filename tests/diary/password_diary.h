// SPDX-License-Identifier: GPL-3.0-or-later
/** A small real diary for the password tests, and the check that it reads back. */
#pragma once

#include <diary/cipher.h>
#include <diary/dates.h>
#include <diary/passwords.h>
#include <diary/settings_file.h>

#include "../support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace quillet::testing {

// A small diary: three entries (RTF, every byte value across a cipher chunk,
// an empty one, one with a lower-case extension), a file in Entries/ that is
// not an entry, and a settings file with more than the password.
struct PasswordDiary {
  TempDir dir;
  std::map<std::string, std::string> plain;  // entry name -> its RTF

  // `more` adds that many entries of about 3 KB.
  explicit PasswordDiary(const std::string& password, int more = 0) {
    std::string bytes;
    for (int i = 0; i < 4097; ++i) bytes += char(i * 7);
    plain = {{"20261207.QXE", "{\\rtf1\\ansi Dear diary,\\par today was dry.\\par}"},
             {"20261208.qxe", bytes},
             {"20261209.QXE", ""}};
    for (int i = 0; i < more; ++i) {
      std::string text = "{\\rtf1\\ansi Entry " + std::to_string(i) + "\\par ";
      while (text.size() < 3000) text += "the weather was fine and the train was late again. ";
      plain[DayKey(MakeDate(2000, 1, 1) + std::chrono::days(i)) + ".QXE"] = text + "}";
    }
    for (const auto& [name, text] : plain) {
      dir.Write("Entries/" + name, password.empty() ? text : EncipherBytes(text, password));
    }
    dir.Write("Entries/notes.txt", "not an entry");
    dir.Write("QX.INI", "[Default Font]\r\nName=Arial\r\n");
    WriteStoredPassword(dir.path(), password);
  }

  const std::filesystem::path& path() const { return dir.path(); }

  // Every entry reads back exactly under the password that QX.INI holds,
  // and nothing else changed.
  void ExpectReadsBack(const std::string& context) const {
    std::string password = ReadStoredPassword(path());
    std::map<std::string, std::string> found;
    for (const auto& file : ListEntryFiles(path())) {
      std::string bytes = ReadFile(file);
      found[file.filename().string()] = password.empty() ? bytes : DecipherBytes(bytes, password);
    }
    EXPECT_EQ(found, plain) << context << " under \"" << password << "\"";
    EXPECT_EQ(ReadFile(dir / "Entries/notes.txt"), "not an entry") << context;
    EXPECT_EQ(TIniFile(dir / "QX.INI").ReadString("Default Font", "Name", ""), "Arial") << context;
  }

  // Every entry reads back exactly with the key `passphrase` opens, under
  // whichever protection QX.INI names, and nothing else changed.
  void ExpectOpensWith(std::string_view passphrase, const std::string& context) const {
    TEntryKey key;
    try {
      key = UnlockDiary(path(), passphrase);
    } catch (const std::exception& e) {
      ADD_FAILURE() << context << ": " << e.what();
      return;
    }
    std::map<std::string, std::string> found;
    for (const auto& file : ListEntryFiles(path())) {
      const std::string name = file.filename().string();
      try {
        found[name] = key.Decode(ParseDayKey(name.substr(0, 8)).value(), ReadFile(file));
      } catch (const std::exception& e) {
        found[name] = e.what();
      }
    }
    EXPECT_EQ(found, plain) << context;
    EXPECT_EQ(ReadFile(dir / "Entries/notes.txt"), "not an entry") << context;
    EXPECT_EQ(TIniFile(dir / "QX.INI").ReadString("Default Font", "Name", ""), "Arial") << context;
  }

  // Files of the diary directory other than QX.INI and Entries/.
  std::vector<std::string> Leftovers() const {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(path())) {
      std::string name = e.path().filename().string();
      if (name != "QX.INI" && name != "Entries") out.push_back(name);
    }
    for (const auto& e : std::filesystem::directory_iterator(dir / "Entries")) {
      std::string name = e.path().filename().string();
      if (!plain.count(name) && name != "notes.txt") out.push_back("Entries/" + name);
    }
    return out;
  }
};

}  // namespace quillet::testing
