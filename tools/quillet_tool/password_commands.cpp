// passwd: changes the diary's password and rewrites every entry file with it.
#include "tool.h"

#include <diary/instance_lock.h>
#include <diary/password_change.h>
#include <diary/passwords.h>

#include <cstdio>

namespace quillet::tool {
namespace {

int Passwd(TArgs& args) {
  const std::string oldPassword = args.TakeOption("--old").value_or("");
  std::optional<std::string> newPassword = args.TakeOption("--new");
  args.Operands(0);
  if (!newPassword) throw UsageError("--new is needed (--new '' clears the password)");
  if (!IsValidPassword(*newPassword)) {
    throw UsageError("a password has at most 8 characters; valid password characters are "
                     "A-Z, 0-9 and spaces");
  }
  PrepareDiary(args.DiaryDir());
  // Quillet itself must not have the diary open while its files are rewritten.
  std::unique_ptr<TInstanceLock> lock = LockDiary(args.DiaryDir());
  TPasswordChangeResult result = ChangePassword(args.DiaryDir(), oldPassword, *newPassword);
  if (result.state != TDiaryState::Changed) throw Failure(result.message);
  std::printf("%d entry files rewritten\n", result.filesRewritten);
  return 0;
}

}  // namespace

void AddPasswordCommands(std::vector<TCommand>& commands) {
  commands.push_back({"passwd", "--old P --new Q",
                      "changes the password and rewrites every entry (--new '' clears it)",
                      Passwd});
}

}  // namespace quillet::tool
