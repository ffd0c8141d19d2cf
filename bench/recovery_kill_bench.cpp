// SPDX-License-Identifier: GPL-3.0-or-later
// A fault test: the real program killed (SIGKILL) at a random moment while
// text is typed into it, and what the next start would find held against
// what was typed. Each run starts recovery_kill_probe (the program's own
// start-up and window, typing into the page, see there) on a fresh diary,
// half of them with a password, kills it 1 to 8 seconds after the start,
// and then, with the diary core alone, reads every entry file and the
// recovery copy. Every character the probe's log says was typed more than
// the recovery pause (TMainScreen::kRecoveryPromiseMs) before the kill must be
// found on its day: in the recovery copy when there is one for the day (the
// next start offers it), else in the day's entry file. Nothing the program
// wrote may be damaged: each entry file and the copy read as entries.
//
// Each run prints what was typed, what was due and what was lost; for a loss,
// the text lost, how long before the kill it was typed, and whether by then a
// copy (a stillness of the typing of kRecoveryPromiseMs) or a save (a move to
// the next day) was due, going by the log. The end gives the runs, the runs
// with loss, the worst loss and the damaged files.
//
//   recovery_kill_bench [RUNS] [SEED]   (default 60 runs and a seed from the
//                                        clock, printed: it gives the same typing and
//                                        kill moments again)
//
// The exit status is 1 when a run lost text or found a damaged file.
#include "diary_fixture.h"
#include "typing_log.h"

#include "../tests/support/temp_dir.h"

#include <app/main_screen.h>
#include <diary/recovery_copy.h>
#include <richtext/io.h>
#include <richtext/unicode.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using quillet::bench::SteadyNanoseconds;
using quillet::bench::TypingLog;

constexpr long long kMs = 1000000;  // nanoseconds
constexpr long long kPauseNs = quillet::TMainScreen::kRecoveryPromiseMs * kMs;

fs::path ProbePath() {
  std::error_code ec;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return (ec ? fs::path("bin") : self.parent_path()) / "recovery_kill_probe";
}

// Starts the probe on the diary, its output going to `output`.
pid_t StartProbe(const fs::path& diary, const fs::path& log, unsigned seed, const fs::path& output) {
  std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen", "QUILLET_KILL_LOG=" + log.string(),
                                  "QUILLET_KILL_SEED=" + std::to_string(seed)};
  for (char** e = environ; *e; ++e) {
    const std::string entry = *e;
    const std::string name = entry.substr(0, entry.find('='));
    if (name != "QT_QPA_PLATFORM" && name != "QUILLET_KILL_LOG" && name != "QUILLET_KILL_SEED") {
      env.push_back(entry);
    }
  }
  std::vector<std::string> argv = {ProbePath().string(), "--diary-dir", diary.string()};
  std::vector<char*> args, envp;
  for (auto& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  for (auto& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed) {
    std::fprintf(stderr, "recovery_kill_bench: cannot start %s: %s\n", args[0], std::strerror(failed));
    std::exit(2);
  }
  return pid;
}

// The text of an entry's bytes, its paragraphs joined by line ends; nothing
// when the RTF reader does not take them.
std::optional<std::string> PlainText(const std::string& bytes) {
  richtext::TRTFTextIo doc;
  if (doc.LoadFromStream(bytes) != richtext::ioOk) return std::nullopt;
  std::string text;
  for (size_t i = 0; i < doc.Size(); ++i) {
    if (i) text += '\n';
    text += richtext::ToUtf8(doc.ParagraphText(i));
  }
  return text;
}

// What the next start finds of each day.
struct Found {
  std::string text;
  const char* where = "nothing";
};

struct DiaryState {
  std::map<std::string, Found> days;
  std::vector<std::string> damaged;  // one line for each damaged file
};

DiaryState ReadDiary(const fs::path& diary, const std::string& password) {
  DiaryState state;
  quillet::TEntryStore store(diary);
  store.SetPassword(password);
  for (const auto& [day, path] : store.EntryFiles()) {
    const quillet::TEntryRead read = store.ReadFile(day, path);
    std::optional<std::string> text;
    if (read.status == quillet::TEntryRead::kOk) text = PlainText(read.bytes);
    if (!text) {
      state.damaged.push_back(path.string() + ": " +
                              (read.problem.empty() ? "the RTF reader refuses it" : read.problem));
      continue;
    }
    state.days[quillet::DayKey(day)] = {*text, "entry file"};
  }
  const quillet::TRecoveryCopy copy = quillet::ReadRecoveryCopy(store);
  if (copy.status == quillet::TRecoveryCopy::kUnreadable) {
    state.damaged.push_back(copy.problem);
  } else if (copy.status == quillet::TRecoveryCopy::kOk && !quillet::RecoveryCopyIsSaved(store, copy)) {
    if (std::optional<std::string> text = PlainText(copy.bytes)) {
      state.days[quillet::DayKey(copy.day)] = {*text, "recovery copy"};
    } else {
      state.damaged.push_back(quillet::RecoveryCopyName(diary).string() + ": the RTF reader refuses it");
    }
  }
  return state;
}

std::string Shown(std::string text, size_t most = 40) {
  if (text.size() > most) text = text.substr(0, most) + "...";
  std::replace(text.begin(), text.end(), '\n', '|');
  return "\"" + text + "\"";
}

double Seconds(long long ns) { return double(ns) / 1e9; }

struct RunResult {
  bool started = false;  // typing had begun when the probe was killed
  bool exitedEarly = false;
  size_t typed = 0, due = 0, lost = 0;
  int damaged = 0;
  int lossesNotYetDue = 0;  // days whose lost text no copy was due for yet
  int lossesDue = 0;        // days whose lost text a copy or save was due for
  int strange = 0;          // days whose text on disk holds what was never typed
};

// The first moment after `t` at which the program owed the disk a copy of
// the page as it was at `t`: kRecoveryPromiseMs after a burst that no other
// followed that soon, or the end of a move to another day (which saves the
// page); at -1 when there was none before the kill.
struct CopyDue {
  long long at = -1;
  long long stillFrom = -1, stillFor = 0;  // the stillness of the typing that made it due
  bool byMove = false;
  long long longestGap = 0;  // the longest stillness of the typing from `t` to the kill
};

CopyDue CopyDueAfter(const TypingLog& log, long long t, long long killedAt) {
  CopyDue due;
  auto consider = [&](long long at, long long from, long long length, bool byMove) {
    if (at <= killedAt && (due.at < 0 || at < due.at)) {
      due.at = at;
      due.stillFrom = from;
      due.stillFor = length;
      due.byMove = byMove;
    }
  };
  for (size_t i = 0; i < log.bursts.size(); ++i) {
    const long long end = log.bursts[i].end;
    if (end < t || end < 0) continue;
    const long long next = i + 1 < log.bursts.size() ? std::min(log.bursts[i + 1].start, killedAt) : killedAt;
    due.longestGap = std::max(due.longestGap, next - end);
    if (next - end >= kPauseNs) consider(end + kPauseNs, end, next - end, false);
  }
  for (const auto& move : log.moves) {
    if (move.end >= t) consider(move.end, move.start, 0, true);
  }
  return due;
}

RunResult OneRun(int run, int runs, std::mt19937& random) {
  RunResult result;
  const bool withPassword = run % 2 == 1;
  const std::string password = withPassword ? "pw" : "";
  const long long delay =
      std::uniform_int_distribution<long long>(1000, 8000)(random) * kMs;
  const unsigned probeSeed = unsigned(random());

  quillet::testing::TempDir dir;
  const fs::path diary = dir / "diary";
  quillet::bench::MakeDiary(diary, quillet::Today(), 0, password);
  // Private, as the program keeps a diary, so that it has nothing to say at the start.
  fs::permissions(diary, fs::perms::owner_all);
  fs::permissions(diary / "QX.INI", fs::perms::owner_read | fs::perms::owner_write);
  const fs::path logPath = dir / "typed.log";
  const fs::path output = dir / "probe.out";

  const long long startedAt = SteadyNanoseconds();
  const pid_t pid = StartProbe(diary, logPath, probeSeed, output);
  int status = 0;
  while (SteadyNanoseconds() < startedAt + delay) {
    if (::waitpid(pid, &status, WNOHANG) == pid) {
      result.exitedEarly = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const long long killedAt = SteadyNanoseconds();
  if (!result.exitedEarly) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }

  const TypingLog log = quillet::bench::ReadTypingLog(logPath.string());
  const DiaryState state = ReadDiary(diary, password);
  result.started = log.started >= 0;
  result.damaged = int(state.damaged.size());

  // Each day's text as typed, all of it and the part due (typed before kill - pause).
  struct Typed {
    std::string all, due;
    std::vector<const quillet::bench::TypedBurst*> bursts;
  };
  std::map<std::string, Typed> typed;
  for (const auto& burst : log.bursts) {
    Typed& t = typed[burst.day];
    t.all += burst.text;
    t.bursts.push_back(&burst);
    result.typed += burst.text.size();
    if (burst.end >= 0 && burst.end <= killedAt - kPauseNs) t.due += burst.text;
  }

  std::vector<std::string> notes;
  for (const auto& [day, t] : typed) {
    result.due += t.due.size();
    const auto at = state.days.find(day);
    const Found found = at == state.days.end() ? Found{} : at->second;
    const auto mismatch = std::mismatch(found.text.begin(), found.text.end(), t.all.begin(), t.all.end());
    const size_t kept = size_t(mismatch.first - found.text.begin());
    if (kept < found.text.size()) {
      ++result.strange;
      notes.push_back("  " + day + ": the " + found.where + " holds text never typed after " +
                      std::to_string(kept) + " characters: " + Shown(found.text.substr(kept)));
    }
    if (kept >= t.due.size()) continue;
    const size_t lost = t.due.size() - kept;
    result.lost += lost;
    // The burst of the first character lost: how long before the kill it was typed.
    size_t offset = 0;
    long long lostEnd = -1;
    for (const auto* burst : t.bursts) {
      if (offset + burst->text.size() > kept) {
        lostEnd = burst->end;
        break;
      }
      offset += burst->text.size();
    }
    char line[512];
    const std::string what = at == state.days.end()
                                 ? std::string("nothing of the day is on disk")
                                 : "the " + std::string(found.where) + " holds " +
                                       std::to_string(found.text.size()) + " characters";
    std::snprintf(line, sizeof line, "  %s: lost %zu of %zu characters due, %s typed %.2f s before the kill; %s",
                  day.c_str(), lost, t.due.size(), Shown(t.due.substr(kept)).c_str(),
                  Seconds(killedAt - lostEnd), what.c_str());
    notes.push_back(line);
    const CopyDue copy = CopyDueAfter(log, lostEnd, killedAt);
    if (copy.at < 0) {
      std::snprintf(line, sizeof line,
                    "    no copy was due yet: from then to the kill the typing never stood still for "
                    "%d ms (its longest stillness %.2f s) and the day was not left",
                    quillet::TMainScreen::kRecoveryPromiseMs, Seconds(copy.longestGap));
      ++result.lossesNotYetDue;
    } else if (copy.byMove) {
      std::snprintf(line, sizeof line,
                    "    the save of the day was due: the move to the next day began %.3f s before the "
                    "kill and was through %.3f s before it",
                    Seconds(killedAt - copy.stillFrom), Seconds(killedAt - copy.at));
      ++result.lossesDue;
    } else {
      std::snprintf(line, sizeof line,
                    "    a copy was due %.3f s before the kill: the typing stood still for %.3f s "
                    "from %.3f s before the kill%s",
                    Seconds(killedAt - copy.at), Seconds(copy.stillFor), Seconds(killedAt - copy.stillFrom),
                    copy.stillFrom + copy.stillFor < killedAt ? ", then went on" : ", to the kill");
      ++result.lossesDue;
    }
    notes.push_back(line);
  }
  for (const auto& d : state.damaged) notes.push_back("  damaged: " + d);

  char head[256];
  std::snprintf(head, sizeof head, "run %2d/%d %-11s kill at %.2f s  typed %4zu  due %4zu  lost %zu",
                run + 1, runs, withPassword ? "password" : "no password", Seconds(killedAt - startedAt),
                result.typed, result.due, result.lost);
  std::printf("%s%s%s\n", head, result.exitedEarly ? "  (the probe ended by itself)" : "",
              result.started || result.exitedEarly ? "" : "  (killed before typing began)");
  for (const auto& n : notes) std::printf("%s\n", n.c_str());
  if (result.exitedEarly || result.damaged || result.lossesDue || result.strange) {
    const std::string said = quillet::testing::ReadFile(output);
    if (!said.empty()) std::printf("  the probe said:\n%s", said.c_str());
  }
  std::fflush(stdout);
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
  const unsigned seed = argc > 2 ? unsigned(std::strtoul(argv[2], nullptr, 10))
                                 : unsigned(std::chrono::system_clock::now().time_since_epoch().count());
  if (!fs::exists(ProbePath())) {
    std::fprintf(stderr, "recovery_kill_bench: %s is missing\n", ProbePath().c_str());
    return 2;
  }
  std::printf("recovery_kill_bench: %d runs, seed %u, the program killed 1-8 s after its start; "
              "text typed more than %d ms before the kill must be found\n",
              runs, seed, quillet::TMainScreen::kRecoveryPromiseMs);
  std::mt19937 random(seed);
  int withLoss = 0, damaged = 0, early = 0, notYetDue = 0, wasDue = 0, strange = 0;
  size_t worst = 0, due = 0, lost = 0;
  for (int run = 0; run < runs; ++run) {
    const RunResult r = OneRun(run, runs, random);
    withLoss += r.lost > 0;
    worst = std::max(worst, r.lost);
    due += r.due;
    lost += r.lost;
    damaged += r.damaged;
    early += r.exitedEarly;
    notYetDue += r.lossesNotYetDue;
    wasDue += r.lossesDue;
    strange += r.strange;
  }
  std::printf("\nruns %d, runs with loss %d, worst loss %zu characters (%zu of %zu due in all), "
              "entries damaged %d",
              runs, withLoss, worst, lost, due, damaged);
  if (strange) std::printf(", days holding text never typed %d", strange);
  if (early) std::printf(", probe ended by itself %d", early);
  std::printf("\n");
  if (withLoss) {
    std::printf("days with loss: %d where a copy or save was due before the kill, %d where none was "
                "due yet (typing had not stood still for %d ms since)\n",
                wasDue, notYetDue, quillet::TMainScreen::kRecoveryPromiseMs);
  }
  return withLoss || damaged || strange || early ? 1 : 0;
}
