// SPDX-License-Identifier: GPL-3.0-or-later
// Passphrases are never taken on the command line, where every user of the
// machine sees them in the process list: they are asked on the terminal
// without echo, or read from standard input, one per line, for scripts.
#include "tool.h"

#include <diary/passwords.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <termios.h>
#include <unistd.h>

namespace quillet::tool {
namespace {

// Echo off on the terminal for as long as it lives; put back on any way out,
// an interrupt included.
class TNoEcho {
 public:
  TNoEcho() {
    if (::tcgetattr(STDIN_FILENO, &saved_) != 0) return;
    termios quiet = saved_;
    quiet.c_lflag &= tcflag_t(~ECHO);
    quiet.c_lflag |= ECHONL;
    active_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    if (active_) {
      restore_ = saved_;
      struct sigaction on {};
      on.sa_handler = [](int sig) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &restore_);
        ::signal(sig, SIG_DFL);
        ::raise(sig);
      };
      for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::sigaction(sig, &on, &previous_[sig]);
    }
  }
  ~TNoEcho() {
    if (!active_) return;
    ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) ::sigaction(sig, &previous_[sig], nullptr);
  }

 private:
  static inline termios restore_{};
  termios saved_{};
  struct sigaction previous_[NSIG] {};
  bool active_ = false;
};

}  // namespace

bool OnTerminal() { return ::isatty(STDIN_FILENO) == 1; }

std::string ReadPassphrase(const std::string& prompt) {
  std::string line;
  bool got = false;
  if (OnTerminal()) {
    // Echo goes off before the prompt shows, so that nothing typed after it is echoed.
    TNoEcho quiet;
    std::fprintf(stderr, "%s: ", prompt.c_str());
    std::fflush(stderr);
    got = static_cast<bool>(std::getline(std::cin, line));
  } else {
    got = static_cast<bool>(std::getline(std::cin, line));
  }
  if (!got) throw Failure("no passphrase: standard input ended before the " + prompt);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string ReadNewPassphrase(const std::string& prompt) {
  std::string first = ReadPassphrase(prompt);
  if (OnTerminal() && !first.empty() && ReadPassphrase("Retype " + prompt) != first) {
    throw Failure("the two passphrases differ; nothing was changed");
  }
  return first;
}

void RefusePassphraseOptions(TArgs& args, const char* how) {
  for (const char* option : {"--password", "--old", "--new"}) {
    if (args.TakeOption(option)) {
      throw UsageError(std::string(option) +
                       " is not taken: a passphrase on the command line shows in the process "
                       "list. " + how);
    }
  }
}

TEntryKey UnlockForCommand(const std::filesystem::path& diaryDir) {
  const TStoredProtection stored = ReadStoredProtection(diaryDir);
  switch (stored.cipher) {
    case TCipher::None:
      return {};
    case TCipher::Compatible:
      // The old cipher's password is in QX.INI: it hides entries, it does not lock them.
      return TEntryKey::Compatible(stored.password);
    case TCipher::Strong:
      break;
  }
  const std::string passphrase = ReadPassphrase("Diary password");
  try {
    return UnlockDiary(diaryDir, passphrase);
  } catch (const std::exception& e) {
    if (std::string_view(e.what()) == "Wrong passphrase.") {
      throw Failure("wrong password: the diary's key file does not open with it");
    }
    throw Failure(e.what());
  }
}

}  // namespace quillet::tool
