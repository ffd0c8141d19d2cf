// SPDX-License-Identifier: GPL-3.0-or-later
// quillet-tool: a diary on the command line, for backups, recovery and scripts.
//
//   quillet-tool [--diary-dir DIR] COMMAND [ARGS]   (--diary-dir may also follow the command)
//   quillet-tool list
//   quillet-tool cat DAYKEY [--rtf]
//   quillet-tool encipher IN OUT
//   quillet-tool decipher IN OUT
//   quillet-tool paths
//   quillet-tool passwd [--compatible]
//   quillet-tool search TEXT [--from DAYKEY] [--to DAYKEY]
//   quillet-tool export [--from DAYKEY] [--to DAYKEY] [--format rtf|html|md|txt|pdf] [--one-file] [--heading] DIR
//   quillet-tool print [--from DAYKEY] [--to DAYKEY] [--merged] --pdf FILE
//   quillet-tool convert-legacy
//   quillet-tool deleted
//   quillet-tool restore DAYKEY [--deleted-at YYYY-MM-DDTHH:MM:SS] [--replace]
//   quillet-tool spell [--lang LL_CC] < TEXT
// Passwords are asked on the terminal, or read from standard input.
#include "tool.h"

#include <diary/diary_folder.h>
#include <diary/password_change.h>
#include <diary/passwords.h>
#include <diary/paths.h>
#include <app/start_options.h>

#include <cstdio>

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "0"
#endif

namespace quillet::tool {

TArgs::TArgs(std::vector<std::string> args) : args_(std::move(args)) {
  std::optional<std::string> dir = TakeOption("--diary-dir");
  diaryDir_ = DiaryDirectory(dir ? std::optional<std::filesystem::path>(*dir) : std::nullopt);
}

std::optional<std::string> TArgs::TakeOption(const std::string& name) {
  std::optional<std::string> value;
  for (size_t i = 0; i < args_.size();) {
    if (args_[i] == name) {
      if (i + 1 >= args_.size()) throw UsageError(name + " needs a value");
      value = args_[i + 1];
      args_.erase(args_.begin() + long(i), args_.begin() + long(i) + 2);
    } else if (args_[i].rfind(name + "=", 0) == 0) {
      value = args_[i].substr(name.size() + 1);
      args_.erase(args_.begin() + long(i));
    } else {
      ++i;
    }
  }
  return value;
}

bool TArgs::TakeFlag(const std::string& name) {
  bool found = false;
  for (size_t i = 0; i < args_.size();) {
    if (args_[i] == name) {
      found = true;
      args_.erase(args_.begin() + long(i));
    } else {
      ++i;
    }
  }
  return found;
}

std::vector<std::string> TArgs::Operands(size_t count) {
  for (const std::string& a : args_) {
    if (a.size() > 1 && a[0] == '-') throw UsageError("unknown option '" + a + "'");
  }
  if (args_.size() != count) {
    throw UsageError(args_.size() < count ? "missing operand" : "too many operands");
  }
  return args_;
}

TDate DayKeyArgument(const std::string& key, const std::string& option) {
  std::optional<TDate> date = key.size() == 8 ? ParseDayKey(key) : std::nullopt;
  if (!date) {
    throw UsageError((option.empty() ? "" : option + ": ") + "'" + key + "' is not a day key (yyyymmdd)");
  }
  return *date;
}

void Put(std::string_view bytes) {
  if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
    throw Failure("cannot write to standard output");
  }
}

std::unique_ptr<TInstanceLock> LockDiary(const std::filesystem::path& diaryDir) {
  auto lock = std::make_unique<TInstanceLock>(diaryDir);
  if (lock->AlreadyRunning()) throw Failure("Quillet is running on this diary: close it first");
  if (!lock->Held()) throw Failure(lock->Unavailable());
  return lock;
}

void PrepareDiary(const std::filesystem::path& diaryDir) {
  std::error_code ec;
  if (!std::filesystem::is_directory(diaryDir, ec)) {
    throw Failure("no diary in " + diaryDir.string());
  }
  if (std::filesystem::exists(PasswordJournalName(diaryDir), ec)) {
    const std::string pending = "a change of the diary's password was cut off and is not finished";
    std::unique_ptr<TInstanceLock> lock;
    try {
      lock = LockDiary(diaryDir);
    } catch (const Failure& e) {
      throw Failure(pending + "; it cannot be finished now: " + e.what());
    }
    const TRecoveryResult recovery = RecoverPasswordChange(diaryDir);
    if (recovery.outcome == TRecovery::Failed) throw Failure(pending + ": " + recovery.message);
    if (!recovery.message.empty()) std::fprintf(stderr, "quillet-tool: %s\n", recovery.message.c_str());
  }
  const TDiaryFolderCheck folder = PrepareDiaryFolder(diaryDir);
  if (!folder.problem.empty()) throw Failure(folder.problem);
  if (!folder.notice.empty()) std::fprintf(stderr, "quillet-tool: %s\n", folder.notice.c_str());
}

TEntryStore OpenDiary(const std::filesystem::path& diaryDir) {
  TEntryStore store = OpenDiaryFiles(diaryDir);
  store.SetKey(UnlockForCommand(diaryDir));
  return store;
}

TEntryStore OpenDiaryFiles(const std::filesystem::path& diaryDir) {
  PrepareDiary(diaryDir);
  return TEntryStore(diaryDir);
}

namespace {

std::vector<TCommand> Commands() {
  std::vector<TCommand> commands;
  AddEntryCommands(commands);
  AddCipherCommands(commands);
  AddPathsCommand(commands);
  AddPasswordCommands(commands);
  AddWholeDiaryCommands(commands);
  AddLegacyCommand(commands);
  AddDeletedCommands(commands);
  AddSpellCommand(commands);
  return commands;
}

void PrintUsage(std::FILE* to) {
  std::fprintf(to, "Usage: quillet-tool [--diary-dir DIR] COMMAND [ARGS]\n");
}

// Options for every command, which may stand before the command's name.
bool IsGlobalOption(const std::string& arg) {
  return arg == "--diary-dir" || arg.rfind("--diary-dir=", 0) == 0;
}

void PrintHelp() {
  PrintUsage(stdout);
  std::printf("\nWorks on a Quillet diary without its window. The diary is the one the program\n"
              "would open, or the one --diary-dir names (before or after the command).\n"
              "With strong encryption the diary's password is asked on the terminal, without\n"
              "echo, or read from standard input, one per line; it is never an argument, where\n"
              "every user of the machine could see it in the process list.\n\n"
              "Commands:\n");
  for (const TCommand& c : Commands()) {
    std::string line = std::string(c.name) + " " + c.usage;
    std::printf("  %-38s %s\n", line.c_str(), c.summary);
  }
  std::printf("\n  --help     show this help\n  --version  show the version\n"
              "\nExit status: 0 done, 1 failed, 2 wrong usage.\n");
}

}  // namespace

int Main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  // Global options before the command go after it, where every command takes them.
  std::vector<std::string> global;
  while (!args.empty() && IsGlobalOption(args[0])) {
    const size_t n = args[0] == "--diary-dir" ? std::min<size_t>(2, args.size()) : 1;
    global.insert(global.end(), args.begin(), args.begin() + long(n));
    args.erase(args.begin(), args.begin() + long(n));
  }
  if (args.empty()) {
    PrintUsage(stderr);
    return 2;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintHelp();
    return 0;
  }
  if (args[0] == "--version") {
    std::printf("quillet-tool %s\n", QUILLET_VERSION);
    return 0;
  }
  for (const TCommand& c : Commands()) {
    if (args[0] != c.name) continue;
    try {
      std::vector<std::string> rest(args.begin() + 1, args.end());
      rest.insert(rest.end(), global.begin(), global.end());
      for (const std::string& a : rest) {
        if (a == "--help" || a == "-h") {
          std::printf("Usage: quillet-tool %s %s\n%s\n", c.name, c.usage, c.summary);
          return 0;
        }
      }
      TArgs commandArgs(std::move(rest));
      return c.run(commandArgs);
    } catch (const UsageError& e) {
      std::fprintf(stderr, "quillet-tool %s: %s\nUsage: quillet-tool %s %s\n", c.name, e.what(),
                   c.name, c.usage);
      return 2;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "quillet-tool %s: %s\n", c.name, e.what());
      return 1;
    }
  }
  std::fprintf(stderr, "quillet-tool: unknown command '%s'\n", args[0].c_str());
  PrintUsage(stderr);
  return 2;
}

}  // namespace quillet::tool

int main(int argc, char** argv) { return quillet::tool::Main(argc, argv); }
