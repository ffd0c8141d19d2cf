// SPDX-License-Identifier: GPL-3.0-or-later
/** quillet-tool: what the subcommands share — their arguments, the diary, and how they fail. */
#pragma once

#include <diary/entry_store.h>
#include <diary/instance_lock.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::tool {

// Wrong usage: the message, then the usage line; exit status 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
// The work failed: the message; exit status 1.
struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A subcommand's arguments after its name. Options may stand anywhere;
// "--diary-dir DIR" is taken by every subcommand.
class TArgs {
 public:
  explicit TArgs(std::vector<std::string> args);

  // Takes "--name VALUE" (or "--name=VALUE") out of the arguments.
  std::optional<std::string> TakeOption(const std::string& name);
  // Takes a flag "--name" out of the arguments.
  bool TakeFlag(const std::string& name);
  // The operands that are left; any option left is wrong usage.
  std::vector<std::string> Operands(size_t count);

  std::filesystem::path DiaryDir() const { return diaryDir_; }

 private:
  std::vector<std::string> args_;
  std::filesystem::path diaryDir_;
};

// Gets the diary ready as the program does at its start: a password change
// that was cut off is finished first (refused while Quillet has the diary
// open, or when the lock cannot be taken), the folder is made private and
// cleared of cut-off writes (said on standard error), and a settings file that
// cannot be read is a failure.
void PrepareDiary(const std::filesystem::path& diaryDir);

// The entry store of the diary, made ready and keyed: with strong
// encryption the passphrase is asked (ReadPassphrase); the old cipher's
// password is taken from QX.INI.
TEntryStore OpenDiary(const std::filesystem::path& diaryDir);
// The same without a key, for commands that only list or move entry files.
TEntryStore OpenDiaryFiles(const std::filesystem::path& diaryDir);

// Whether passphrases are asked on a terminal (else read from standard input).
bool OnTerminal();
// One passphrase: asked on the terminal, after `prompt`, without echo, or
// read as one line of standard input when that is not a terminal. A failure
// when standard input ends first.
std::string ReadPassphrase(const std::string& prompt);
// A new one: on a terminal typed twice (a failure when they differ).
std::string ReadNewPassphrase(const std::string& prompt);
// Wrong usage, naming `how` passphrases are given, when --password, --old or
// --new is on the command line.
void RefusePassphraseOptions(TArgs& args, const char* how);
// The key to the diary's entries, asking for the passphrase when needed; a
// failure when it does not open the diary.
TEntryKey UnlockForCommand(const std::filesystem::path& diaryDir);

// The diary's lock, for commands that write the diary: refused while Quillet
// has the diary open, or when the lock cannot be taken.
std::unique_ptr<TInstanceLock> LockDiary(const std::filesystem::path& diaryDir);

// A day key given on the command line; wrong usage when it is not one. `option`
// names the option it came with, if any, in the message.
TDate DayKeyArgument(const std::string& key, const std::string& option = "");

// Writes bytes to standard output as they are; a failure when they cannot be written.
void Put(std::string_view bytes);

struct TCommand {
  const char* name;
  const char* usage;    // the arguments after the name
  const char* summary;  // one line for --help
  int (*run)(TArgs& args);
};

// The subcommands, one group per file.
void AddEntryCommands(std::vector<TCommand>& commands);   // list, cat
void AddCipherCommands(std::vector<TCommand>& commands);  // encipher, decipher
void AddPathsCommand(std::vector<TCommand>& commands);    // paths
void AddPasswordCommands(std::vector<TCommand>& commands);  // passwd
void AddWholeDiaryCommands(std::vector<TCommand>& commands);  // search, export, print
void AddLegacyCommand(std::vector<TCommand>& commands);  // convert-legacy
void AddDeletedCommands(std::vector<TCommand>& commands);  // deleted, restore
void AddSpellCommand(std::vector<TCommand>& commands);     // spell

}  // namespace quillet::tool
