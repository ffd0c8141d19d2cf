// SPDX-License-Identifier: GPL-3.0-or-later
/** The diary password: its rule, where it is stored, and the entry files it keys. */
#pragma once

#include <diary/entry_key.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillet {

namespace fs = std::filesystem;

constexpr size_t kMaxPasswordLength = 8;

// A password the dialogs accept: at most 8 characters, each of them, once
// upper-cased, a letter A-Z, a digit or a space. The empty password (no
// password at all) passes.
bool IsValidPassword(std::string_view password);

// A passphrase for `cipher`: the compatible cipher takes valid passwords
// (above), strong encryption any UTF-8 text of at least one character, and
// no protection only the empty one.
bool IsValidPassphrase(TCipher cipher, std::string_view passphrase);

// How "QX.INI" says the diary is protected: [Security] Cipher=Strong for
// strong encryption (no password is stored then: the key file checks it),
// else the old cipher when [Security] Password holds one, else none.
inline constexpr std::string_view kStrongCipherValue = "Strong";  // [Security] Cipher
struct TStoredProtection {
  TCipher cipher = TCipher::None;
  std::string password;  // the old cipher's, unscrambled; empty otherwise
  bool operator==(const TStoredProtection&) const = default;
};
TStoredProtection ReadStoredProtection(const fs::path& diaryDir);
// Records `protection`, in an order that a crash between the two keys
// written leaves either the old or the new protection, and never a password
// in the file of a strong diary. Throws Error as WriteStoredPassword does.
void WriteStoredProtection(const fs::path& diaryDir, const TStoredProtection& protection);

// The strong diary's key file: "Diary.key" in the diary directory.
fs::path KeyFileName(const fs::path& diaryDir);

// The key to the diary's entries, opened with `passphrase`: none without
// protection (any passphrase), the old cipher when it is the stored password
// exactly, the diary key when it unwraps the key file. Throws Error "Wrong
// passphrase." when it does not open the diary, and another Error when the
// key file is missing or damaged.
TEntryKey UnlockDiary(const fs::path& diaryDir, std::string_view passphrase);

// The password stored in the diary's "QX.INI" under [Security] Password,
// unscrambled; empty when none is set or the file is missing.
std::string ReadStoredPassword(const fs::path& diaryDir);

// Stores `password` scrambled under [Security] Password (an empty value when
// it is empty). Throws Error "Unable to write to ..." when refused.
void WriteStoredPassword(const fs::path& diaryDir, std::string_view password);

// The regular files named "*.QXE" (any letter case) in the diary's Entries
// directory, sorted by name; none when the directory is missing.
std::vector<fs::path> ListEntryFiles(const fs::path& diaryDir);

// How many there are: the gauge maximum of a password change.
int CountEntryFiles(const fs::path& diaryDir);

// Copies the source's bytes, as long as the source was at the start, to the
// destination, which is replaced only once the copy is complete and flushed.
// Gives false, copying nothing, when both paths name one file (compared as
// strings, then by device and inode); throws Error on a file error.
bool CopyWholeFile(const fs::path& source, const fs::path& destination);

}  // namespace quillet
