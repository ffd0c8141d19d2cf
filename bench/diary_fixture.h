// SPDX-License-Identifier: GPL-3.0-or-later
// A diary for the benchmarks: entries of about 3 KB of RTF, one per day.
#pragma once

#include <diary/cipher.h>
#include <diary/dates.h>
#include <diary/diary_folder.h>
#include <diary/entry_store.h>
#include <diary/password_change.h>
#include <diary/settings_file.h>

#include "generated_entry.h"

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quillet::bench {

// About 3 KB of RTF: twelve paragraphs, every seventh word bold.
inline std::string EntryRtf(int seed) { return GeneratedEntryRtf(12, 240, seed); }

// Writes `count` entries on consecutive days from `first`, and a settings
// file without the opening message (and with the password, if any). The
// folder is private, as the program makes it, so that opening it says nothing.
inline void MakeDiary(const std::filesystem::path& dir, TDate first, int count,
                      const std::string& password = {}) {
  CreatePrivateDirectory(dir);
  TIniFile ini(dir / "QX.INI");
  ini.WriteBool("Opening Screen", "show", false);
  ini.WriteString("Security", "Password", password.empty() ? "" : EncryptString(password));
  TEntryStore store(dir);
  store.SetPassword(password);
  TDate day = first;
  for (int i = 0; i < count; ++i, day = NextDay(day)) store.Write(day, EntryRtf(i));
}

// The same diary under strong encryption with `passphrase`; the key that
// opens it is returned.
inline TEntryKey MakeStrongDiary(const std::filesystem::path& dir, TDate first, int count,
                                 const std::string& passphrase) {
  MakeDiary(dir, first, count);
  const TPasswordChangeResult r = ChangePassword(dir, "", TCipher::Strong, passphrase);
  if (r.state != TDiaryState::Changed) std::abort();
  return r.key;
}

}  // namespace quillet::bench
