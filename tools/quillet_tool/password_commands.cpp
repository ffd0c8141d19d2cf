// SPDX-License-Identifier: GPL-3.0-or-later
// passwd: changes the diary's password, and the protection with it.
#include "tool.h"

#include <diary/instance_lock.h>
#include <diary/password_change.h>
#include <diary/passwords.h>

#include <cstdio>

namespace quillet::tool {
namespace {

int Passwd(TArgs& args) {
  RefusePassphraseOptions(args,
                          "passwd asks for the current and the new password on the terminal, or "
                          "reads them from standard input, one per line (an empty line for none).");
  const bool compatible = args.TakeFlag("--compatible");
  args.Operands(0);
  PrepareDiary(args.DiaryDir());
  // Quillet itself must not have the diary open while its files are rewritten.
  std::unique_ptr<TInstanceLock> lock = LockDiary(args.DiaryDir());
  // From standard input the current password always comes first, empty for
  // none; on a terminal it is asked only when there is one.
  const bool protectedNow = ReadStoredProtection(args.DiaryDir()).cipher != TCipher::None;
  const std::string oldPassword =
      protectedNow || !OnTerminal() ? ReadPassphrase("Current password") : std::string();
  const std::string newPassword = ReadNewPassphrase("New password");
  const TCipher cipher = newPassword.empty() ? TCipher::None
                         : compatible        ? TCipher::Compatible
                                             : TCipher::Strong;
  if (cipher == TCipher::Compatible && !IsValidPassword(newPassword)) {
    throw Failure("with --compatible a password has at most 8 characters, and valid password "
                  "characters are A-Z, a-z, 0-9 and spaces; nothing was changed");
  }
  TPasswordChangeResult result = ChangePassword(args.DiaryDir(), oldPassword, cipher, newPassword);
  if (result.state != TDiaryState::Changed) throw Failure(result.message);
  std::printf("%d entry files rewritten\n", result.filesRewritten);
  return 0;
}

}  // namespace

void AddPasswordCommands(std::vector<TCommand>& commands) {
  commands.push_back({"passwd", "[--compatible]",
                      "changes the password (read from the terminal or standard input); strong "
                      "encryption, or the old cipher with --compatible; empty clears it",
                      Passwd});
}

}  // namespace quillet::tool
