// The password change failed at every step it takes: each file operation
// refused, and the program stopped there (by an exception that nothing in the
// pass catches, and once for real by SIGKILL in a child process). After each,
// the start-up recovery must leave a diary with one password, the one QX.INI
// holds, under which every entry reads back byte for byte.
#include <diary/password_change.h>

#include <diary/passwords.h>
#include <base/safe_file.h>

#include "password_diary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <limits>
#include <csignal>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quillet {
namespace {

using Diary = testing::PasswordDiary;
using testing::ReadFile;

struct Killed {};  // the program stopping at a step

enum class Fault { Refuse, Kill, Signal };

// Counts the steps of the pass (its own and those of its safe writes) and
// fails the one numbered `at`.
class Injector {
 public:
  Injector(long at, Fault fault) : at_(at), fault_(fault) {
    auto ask = [this](std::string_view step) { return Ask(step); };
    SetWriteFaultHook(ask);
    SetPasswordChangeFaultHook(ask);
  }
  ~Injector() {
    SetWriteFaultHook({});
    SetPasswordChangeFaultHook({});
  }
  long steps = 0;
  std::string failed;  // the step that was failed

 private:
  bool Ask(std::string_view step) {
    if (steps++ != at_) return true;
    failed = step;
    if (fault_ == Fault::Signal) ::raise(SIGKILL);
    if (fault_ == Fault::Kill) throw Killed{};
    return false;
  }
  long at_;
  Fault fault_;
};

long CountSteps(const std::string& from, const std::string& to) {
  Diary diary(from);
  Injector count(-1, Fault::Kill);
  EXPECT_EQ(ChangePassword(diary.path(), from, to).state, TDiaryState::Changed);
  return count.steps;
}

// Runs the pass with step `at` failed; gives its result, or nothing when it was killed.
std::optional<TPasswordChangeResult> RunFailed(const Diary& diary, const std::string& from,
                                               const std::string& to, long at, Fault fault,
                                               std::string& failed) {
  Injector inject(at, fault);
  try {
    TPasswordChangeResult r = ChangePassword(diary.path(), from, to);
    failed = inject.failed;
    return r;
  } catch (const Killed&) {
    failed = inject.failed;
    return std::nullopt;
  }
}

void ExpectRecovers(const Diary& diary, const std::string& from, const std::string& to,
                    const std::string& context) {
  bool pending = std::filesystem::exists(PasswordJournalName(diary.path()));
  TRecoveryResult rec = RecoverPasswordChange(diary.path());
  std::string stored = ReadStoredPassword(diary.path());
  if (!pending) {
    EXPECT_EQ(rec.outcome, TRecovery::Nothing) << context;
    EXPECT_TRUE(stored == from || stored == to) << context << ": " << stored;
  } else if (rec.outcome == TRecovery::Finished) {
    EXPECT_EQ(stored, to) << context;
    EXPECT_EQ(rec.message, "An interrupted password change has been finished.");
  } else {
    EXPECT_EQ(rec.outcome, TRecovery::RolledBack) << context << ": " << rec.message;
    EXPECT_EQ(stored, from) << context;
  }
  diary.ExpectReadsBack(context);
  EXPECT_EQ(diary.Leftovers(), std::vector<std::string>{}) << context;
}

// Whether any file below the diary directory holds the text of an entry.
bool PlaintextOnDisk(const Diary& diary) {
  for (const auto& e : std::filesystem::recursive_directory_iterator(diary.path())) {
    if (e.is_regular_file() && ReadFile(e.path()).find("Dear diary") != std::string::npos) {
      return true;
    }
  }
  return false;
}

struct Transition {
  const char *from, *to;
} const kTransitions[] = {{"", "abc"}, {"abc", "XYZ 9"}, {"abc", ""}};

TEST(PasswordFaults, EveryStepRefusedOrKilled) {
  for (const Transition& t : kTransitions) {
    const long steps = CountSteps(t.from, t.to);
    ASSERT_GT(steps, 20);
    for (long at = 0; at < steps; ++at) {
      for (Fault fault : {Fault::Refuse, Fault::Kill}) {
        Diary diary(t.from);
        std::string failed;
        std::optional<TPasswordChangeResult> r = RunFailed(diary, t.from, t.to, at, fault, failed);
        std::string context = std::string(t.from) + " -> " + t.to + ", step " +
                              std::to_string(at) + " (" + failed + ") " +
                              (fault == Fault::Kill ? "killed" : "refused");
        ASSERT_FALSE(failed.empty()) << context;
        if (r) {
          // A refusal: the result says truly what the diary now is.
          ASSERT_EQ(fault, Fault::Refuse) << context;
          if (r->state != TDiaryState::Interrupted) {
            EXPECT_EQ(ReadStoredPassword(diary.path()), r->password) << context;
            EXPECT_EQ(r->password, r->state == TDiaryState::Changed ? t.to : t.from) << context;
            EXPECT_EQ(r->message.empty(), r->state == TDiaryState::Changed) << context;
            diary.ExpectReadsBack(context + ", before recovery");
          }
        } else {
          ASSERT_EQ(fault, Fault::Kill) << context;
        }
        if (*t.from && *t.to) {
          EXPECT_FALSE(PlaintextOnDisk(diary)) << context;
        }
        ExpectRecovers(diary, t.from, t.to, context);
        if (fault == Fault::Kill) {
          // What a stopped program left behind does not stand in the next change's way.
          std::string now = ReadStoredPassword(diary.path());
          EXPECT_EQ(ChangePassword(diary.path(), now, "AGAIN").state, TDiaryState::Changed)
              << context;
          diary.ExpectReadsBack(context + ", changed again");
        }
      }
    }
  }
}

TEST(PasswordFaults, ARecoveryKilledAtEveryStepIsRecoveredAgain) {
  const Transition t = kTransitions[1];
  const long steps = CountSteps(t.from, t.to);
  for (long at = 0; at < steps; ++at) {
    // How many steps the recovery after this kill takes.
    long recoverySteps = 0;
    {
      Diary diary(t.from);
      std::string failed;
      RunFailed(diary, t.from, t.to, at, Fault::Kill, failed);
      Injector count(-1, Fault::Kill);
      RecoverPasswordChange(diary.path());
      recoverySteps = count.steps;
    }
    for (long again = 0; again < recoverySteps; ++again) {
      Diary diary(t.from);
      std::string failed, failedAgain;
      RunFailed(diary, t.from, t.to, at, Fault::Kill, failed);
      {
        Injector inject(again, Fault::Kill);
        try {
          RecoverPasswordChange(diary.path());
        } catch (const Killed&) {
        }
        failedAgain = inject.failed;
      }
      ExpectRecovers(diary, t.from, t.to,
                     "pass killed at " + std::to_string(at) + " (" + failed +
                         "), recovery at " + std::to_string(again) + " (" + failedAgain + ")");
    }
  }
}

// The child runs the pass and dies by SIGKILL at step `at` (or is killed by
// the parent after `delay`); gives whether it died by the signal.
bool RunInKilledChild(const Diary& diary, const std::string& from, const std::string& to,
                      long at, std::chrono::milliseconds delay = {}) {
  pid_t pid = ::fork();
  if (pid == 0) {
    std::optional<Injector> inject;
    if (at >= 0) inject.emplace(at, Fault::Signal);
    ChangePassword(diary.path(), from, to);
    ::_exit(0);
  }
  if (at < 0) {
    std::this_thread::sleep_for(delay);
    ::kill(pid, SIGKILL);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST(PasswordFaults, AChildProcessKilledBySignal) {
  const Transition t = kTransitions[1];
  const long steps = CountSteps(t.from, t.to);
  for (long at = 0; at < steps; ++at) {
    Diary diary(t.from);
    EXPECT_TRUE(RunInKilledChild(diary, t.from, t.to, at)) << at;
    ExpectRecovers(diary, t.from, t.to, "child killed at step " + std::to_string(at));
  }
  // Killed from outside at moments that no step chose, through a larger diary.
  int killed = 0;
  for (int ms : {0, 3, 10, 30}) {
    Diary diary(t.from, 150);
    killed += RunInKilledChild(diary, t.from, t.to, -1, std::chrono::milliseconds(ms));
    ExpectRecovers(diary, t.from, t.to, "child killed after " + std::to_string(ms) + " ms");
  }
  EXPECT_GT(killed, 0);
}

}  // namespace
}  // namespace quillet
