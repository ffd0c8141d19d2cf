/** The diary password: its rule, where it is stored, and the entry files it keys. */
#pragma once

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
