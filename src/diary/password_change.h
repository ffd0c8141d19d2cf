/** Changing the diary password: the pass that rewrites every entry file, and its recovery. */
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace quillet {

namespace fs = std::filesystem;

// How a change works, so that no moment of it can lose an entry:
// 1. Every entry is read and re-keyed in memory, and all of them go into one
//    journal file, "Password.jnl" in the diary directory, together with the
//    new password; it is written aside, flushed and renamed into place. Until
//    it is there nothing of the diary has changed.
// 2. QX.INI gets the new password, then every entry file is overwritten in
//    place from the journal (same length, links kept), everything is flushed,
//    and the journal is removed.
// 3. A journal found at start is carried through again from step 2: every step
//    may be done twice. While QX.INI still holds another password, no entry
//    has been touched yet, so a settings file that cannot be written undoes
//    the change instead (the journal is removed).
// No plaintext is written unless the new password is empty.

enum class TDiaryState {
  Changed,      // every entry uses the new password, and QX.INI holds it
  Unchanged,    // nothing was changed: every entry uses the previous password
  Interrupted,  // a change is recorded but not finished: the diary must not be
                // used until RecoverPasswordChange finishes it (at the next start)
};

struct TPasswordChangeResult {
  TDiaryState state = TDiaryState::Unchanged;
  std::string password;    // in force now; for Interrupted, the one that will be
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
