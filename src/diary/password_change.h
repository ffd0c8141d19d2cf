// SPDX-License-Identifier: GPL-3.0-or-later
/** Changing the diary password: the pass that rewrites every entry file, and its recovery. */
#pragma once

#include <diary/entry_key.h>

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace quillet {

namespace fs = std::filesystem;

// A change of the passphrase of a strongly encrypted diary only wraps the
// diary key anew: the key file is replaced whole, and no entry is touched.
// Any other change (a password set, changed or cleared under the compatible
// cipher, or a move between no password, the compatible cipher and strong
// encryption) rewrites every entry, and every deleted entry, so that no
// moment of it can lose one:
// 1. For strong encryption a new diary key is wrapped into the key file
//    (nothing reads it until QX.INI says so). Every entry is read and
//    re-keyed in memory, and all of them go into one journal file,
//    "Password.jnl" in the diary directory, together with the new protection;
//    it is written aside, flushed and renamed into place. Until it is there
//    nothing the diary uses has changed.
// 2. QX.INI gets the new protection, then every entry file is overwritten in
//    place from the journal (links kept), everything is flushed, and the
//    journal is removed; a key file no longer in use goes.
// 3. A journal found at start is carried through again from step 2: every step
//    may be done twice. While QX.INI still holds another protection, no entry
//    has been touched yet, so a settings file that cannot be written undoes
//    the change instead (the journal is removed).
// No plaintext is written unless the new protection is none.

enum class TDiaryState {
  Changed,      // every entry uses the new password, and QX.INI holds it
  Unchanged,    // nothing was changed: every entry uses the previous password
  Interrupted,  // a change is recorded but not finished: the diary must not be
                // used until RecoverPasswordChange finishes it (at the next start)
};

struct TPasswordChangeResult {
  TDiaryState state = TDiaryState::Unchanged;
  TCipher cipher = TCipher::None;  // in force now; for Interrupted, the one that will be
  std::string password;    // the compatible cipher's password, likewise; empty for the others
  TEntryKey key;           // Changed: the key entries open with now
  int filesRewritten = 0;  // entry files rewritten
  std::string message;     // empty when Changed; else why, and the state the diary is in
};

// Called with (0, total) before the first entry and (i, total) after the i-th.
using TPassProgress = std::function<void(int done, int total)>;

// Rewrites every entry file from `oldPassword` to `newPassword` (empty: no
// cipher, the bytes as they are) and stores the new password in QX.INI.
// First finishes an interrupted change. Refuses, changing nothing, an invalid
// new password and an old one that is not the stored one (exact comparison).
// The same password again touches no file.
TPasswordChangeResult ChangePassword(const fs::path& diaryDir, std::string_view oldPassword,
                                     std::string_view newPassword,
                                     const TPassProgress& progress = {});

// The same towards `cipher`: `newPassword` is the passphrase for strong
// encryption (any text of one character or more), the password for the
// compatible cipher, and ignored for none. `oldPassword` is what opens the
// diary now. Entries that strong encryption would key to a day are left
// alone when their names name no day.
TPasswordChangeResult ChangePassword(const fs::path& diaryDir, std::string_view oldPassword,
                                     TCipher cipher, std::string_view newPassword,
                                     const TPassProgress& progress = {});

enum class TRecovery {
  Nothing,     // no change was pending
  Finished,    // an interrupted change was carried through: the new password holds
  RolledBack,  // an interrupted change was undone: the previous password holds
  Failed,      // it could not be finished: do not open the diary; try again later
};

struct TRecoveryResult {
  TRecovery outcome = TRecovery::Nothing;
  std::string message;  // for the user; empty for Nothing
};

// Finishes or undoes a change that a crash, a kill or a failure interrupted.
// Start-up calls it before it reads the stored password.
TRecoveryResult RecoverPasswordChange(const fs::path& diaryDir);

fs::path PasswordJournalName(const fs::path& diaryDir);  // "Password.jnl"

// Test seam: asked before each step of a change ("read" and "commit" for each
// entry, "finish" before removing the journal), next to the steps of the safe
// writes (SetWriteFaultHook). False fails the step as a refused file
// operation would; a test may throw from it to stop the program right there.
void SetPasswordChangeFaultHook(std::function<bool(std::string_view step)> hook);

}  // namespace quillet
