// A diary for the benchmarks: entries of about 3 KB of RTF, one per day.
#pragma once

#include <app/cipher.h>
#include <app/dates.h>
#include <app/entry_store.h>
#include <app/settings_file.h>

#include <filesystem>
#include <string>

namespace quillet::bench {

// About 3 KB of RTF: twelve paragraphs, every seventh word bold.
inline std::string EntryRtf(int seed) {
  std::string s = "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}\\f0\\fs20 ";
  const char* words[] = {"diary", "morning", "walked", "river", "light", "talked", "summer",
                         "train", "late", "again", "letters", "garden", "window", "quiet"};
  for (int p = 0; p < 12; ++p) {
    size_t start = s.size();
    for (int w = 0; s.size() - start < 240; ++w) {
      const char* word = words[(seed + p * 7 + w * 3) % 14];
      if (w % 7 == 3) {
        s += "{\\b ";
        s += word;
        s += "} ";
      } else {
        s += word;
        s += ' ';
      }
    }
    s += "\\par\n";
  }
  return s + "}";
}

// Writes `count` entries on consecutive days from `first`, and a settings
// file without the opening message (and with the password, if any).
inline void MakeDiary(const std::filesystem::path& dir, TDate first, int count,
                      const std::string& password = {}) {
  std::filesystem::create_directories(dir);
  TIniFile ini(dir / "QX.INI");
  ini.WriteBool("Opening Screen", "show", false);
  ini.WriteString("Security", "Password", password.empty() ? "" : EncryptString(password));
  TEntryStore store(dir);
  store.SetPassword(password);
  TDate day = first;
  for (int i = 0; i < count; ++i, day = NextDay(day)) store.Write(day, EntryRtf(i));
}

}  // namespace quillet::bench
