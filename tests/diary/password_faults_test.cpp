// SPDX-License-Identifier: GPL-3.0-or-later
// The password change failed at every step it takes: each file operation
// refused, and the program stopped there (by an exception that nothing in the
// pass catches, and once for real by SIGKILL in a child process). After each,
// the start-up recovery must leave a diary with one protection, the one QX.INI
// holds, under which every entry reads back byte for byte. The same for the
// moves to and from strong encryption.
#include <diary/password_change.h>

#include <diary/passwords.h>
#include <diary/strong_cipher.h>
#include <base/safe_file.h>

#include "password_diary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <limits>
#include <csignal>
#include <memory>
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

// One change: from a protection and its passphrase to another.
struct Transition {
  TCipher fromCipher;
  const char* from;
  TCipher toCipher;
  const char* to;

  TStoredProtection Stored(bool after) const {
    TCipher c = after ? toCipher : fromCipher;
    return {c, c == TCipher::Compatible ? (after ? to : from) : ""};
  }
  std::string Name() const {
    return std::string(from) + " (" + CipherName(fromCipher) + ") -> " + to + " (" +
           CipherName(toCipher) + ")";
  }
  static const char* CipherName(TCipher c) {
    return c == TCipher::None ? "none" : c == TCipher::Compatible ? "compatible" : "strong";
  }
};

const Transition kTransitions[] = {
    {TCipher::None, "", TCipher::Compatible, "abc"},
    {TCipher::Compatible, "abc", TCipher::Compatible, "XYZ 9"},
    {TCipher::Compatible, "abc", TCipher::None, ""},
    {TCipher::Compatible, "abc", TCipher::Strong, "a long passphrase"},  // the upgrade
    {TCipher::Strong, "a long passphrase", TCipher::Compatible, "abc"},  // and back
    {TCipher::Strong, "a long passphrase", TCipher::None, ""},
};

TPasswordChangeResult Change(const Diary& diary, const Transition& t) {
  return ChangePassword(diary.path(), t.from, t.toCipher, t.to);
}

// A diary under the transition's first protection. Key files are wrapped at
// the least cost here: the tests wrap hundreds.
std::unique_ptr<Diary> MakeDiary(const Transition& t, int more = 0) {
  SetKeyFileCost(kLeastArgon2Cost);
  auto diary = std::make_unique<Diary>(t.fromCipher == TCipher::Compatible ? t.from : "", more);
  if (t.fromCipher == TCipher::Strong) {
    EXPECT_EQ(ChangePassword(diary->path(), "", TCipher::Strong, t.from).state, TDiaryState::Changed);
  }
  return diary;
}

long CountSteps(const Transition& t) {
  auto diary = MakeDiary(t);
  Injector count(-1, Fault::Kill);
  EXPECT_EQ(Change(*diary, t).state, TDiaryState::Changed);
  return count.steps;
}

// Runs the pass with step `at` failed; gives its result, or nothing when it was killed.
std::optional<TPasswordChangeResult> RunFailed(const Diary& diary, const Transition& t, long at,
                                               Fault fault, std::string& failed) {
  Injector inject(at, fault);
  try {
    TPasswordChangeResult r = Change(diary, t);
    failed = inject.failed;
    return r;
  } catch (const Killed&) {
    failed = inject.failed;
    return std::nullopt;
  }
}

void ExpectRecovers(const Diary& diary, const Transition& t, const std::string& context) {
  bool pending = std::filesystem::exists(PasswordJournalName(diary.path()));
  TRecoveryResult rec = RecoverPasswordChange(diary.path());
  TStoredProtection stored = ReadStoredProtection(diary.path());
  if (!pending) {
    EXPECT_EQ(rec.outcome, TRecovery::Nothing) << context;
    EXPECT_TRUE(stored == t.Stored(false) || stored == t.Stored(true)) << context;
  } else if (rec.outcome == TRecovery::Finished) {
    EXPECT_EQ(stored, t.Stored(true)) << context;
    EXPECT_EQ(rec.message, "An interrupted password change has been finished.");
  } else {
    EXPECT_EQ(rec.outcome, TRecovery::RolledBack) << context << ": " << rec.message;
    EXPECT_EQ(stored, t.Stored(false)) << context;
  }
  diary.ExpectOpensWith(stored == t.Stored(true) ? t.to : t.from, context);
  // A key file is left only where it is in use, or where a pass stopped
  // before its journal was complete (the next change replaces it).
  std::vector<std::string> left = diary.Leftovers();
  std::erase(left, std::string(kKeyFileName));
  EXPECT_EQ(left, std::vector<std::string>{}) << context;
  if (stored.cipher == TCipher::Strong) {
    EXPECT_TRUE(std::filesystem::exists(diary.dir / std::string(kKeyFileName))) << context;
  }
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

TEST(PasswordFaults, EveryStepRefusedOrKilled) {
  for (const Transition& t : kTransitions) {
    const long steps = CountSteps(t);
    ASSERT_GT(steps, 20);
    for (long at = 0; at < steps; ++at) {
      for (Fault fault : {Fault::Refuse, Fault::Kill}) {
        auto diary = MakeDiary(t);
        std::string failed;
        std::optional<TPasswordChangeResult> r = RunFailed(*diary, t, at, fault, failed);
        std::string context = t.Name() + ", step " + std::to_string(at) + " (" + failed + ") " +
                              (fault == Fault::Kill ? "killed" : "refused");
        ASSERT_FALSE(failed.empty()) << context;
        if (r) {
          // A refusal: the result says truly what the diary now is.
          ASSERT_EQ(fault, Fault::Refuse) << context;
          if (r->state != TDiaryState::Interrupted) {
            const bool changed = r->state == TDiaryState::Changed;
            EXPECT_EQ(ReadStoredProtection(diary->path()), t.Stored(changed)) << context;
            EXPECT_EQ(r->cipher, t.Stored(changed).cipher) << context;
            EXPECT_EQ(r->password, t.Stored(changed).password) << context;
            EXPECT_EQ(r->message.empty(), changed) << context;
            diary->ExpectOpensWith(changed ? t.to : t.from, context + ", before recovery");
          }
        } else {
          ASSERT_EQ(fault, Fault::Kill) << context;
        }
        if (t.fromCipher != TCipher::None && t.toCipher != TCipher::None) {
          EXPECT_FALSE(PlaintextOnDisk(*diary)) << context;
        }
        ExpectRecovers(*diary, t, context);
        if (fault == Fault::Kill) {
          // What a stopped program left behind does not stand in the next change's way.
          const bool after = ReadStoredProtection(diary->path()) == t.Stored(true);
          const Transition again{after ? t.toCipher : t.fromCipher, after ? t.to : t.from,
                                 TCipher::Compatible, "AGAIN"};
          EXPECT_EQ(Change(*diary, again).state, TDiaryState::Changed) << context;
          diary->ExpectOpensWith("AGAIN", context + ", changed again");
        }
      }
    }
  }
}

TEST(PasswordFaults, ARecoveryKilledAtEveryStepIsRecoveredAgain) {
  for (const Transition& t : {kTransitions[1], kTransitions[3]}) {
    const long steps = CountSteps(t);
    for (long at = 0; at < steps; ++at) {
      // How many steps the recovery after this kill takes.
      long recoverySteps = 0;
      {
        auto diary = MakeDiary(t);
        std::string failed;
        RunFailed(*diary, t, at, Fault::Kill, failed);
        Injector count(-1, Fault::Kill);
        RecoverPasswordChange(diary->path());
        recoverySteps = count.steps;
      }
      for (long again = 0; again < recoverySteps; ++again) {
        auto diary = MakeDiary(t);
        std::string failed, failedAgain;
        RunFailed(*diary, t, at, Fault::Kill, failed);
        {
          Injector inject(again, Fault::Kill);
          try {
            RecoverPasswordChange(diary->path());
          } catch (const Killed&) {
          }
          failedAgain = inject.failed;
        }
        ExpectRecovers(*diary, t,
                       t.Name() + ": pass killed at " + std::to_string(at) + " (" + failed +
                           "), recovery at " + std::to_string(again) + " (" + failedAgain + ")");
      }
    }
  }
}

// The child runs the pass and dies by SIGKILL at step `at` (or is killed by
// the parent after `delay`); gives whether it died by the signal.
bool RunInKilledChild(const Diary& diary, const Transition& t, long at,
                      std::chrono::microseconds delay = {}) {
  pid_t pid = ::fork();
  if (pid == 0) {
    std::optional<Injector> inject;
    if (at >= 0) inject.emplace(at, Fault::Signal);
    Change(diary, t);
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
  for (const Transition& t : {kTransitions[1], kTransitions[3]}) {
    const long steps = CountSteps(t);
    for (long at = 0; at < steps; ++at) {
      auto diary = MakeDiary(t);
      EXPECT_TRUE(RunInKilledChild(*diary, t, at)) << at;
      ExpectRecovers(*diary, t, t.Name() + ": child killed at step " + std::to_string(at));
    }
    // Killed from outside at moments that no step chose, through a larger
    // diary: the upgrade, which matters most, at forty moments 1 ms apart.
    const bool upgrade = t.toCipher == TCipher::Strong;
    int killed = 0;
    for (int i = 0; i < (upgrade ? 40 : 5); ++i) {
      const int us = upgrade ? 1000 * i : std::vector{0, 1000, 3000, 10000, 30000}[size_t(i)];
      auto diary = MakeDiary(t, 150);
      killed += RunInKilledChild(*diary, t, -1, std::chrono::microseconds(us));
      ExpectRecovers(*diary, t, t.Name() + ": child killed after " + std::to_string(us) + " us");
    }
    EXPECT_GT(killed, 0) << t.Name();
    std::printf("%s: killed at %ld steps and %d moments, every entry read back\n",
                t.Name().c_str(), steps, killed);
  }
}

}  // namespace
}  // namespace quillet
