// SPDX-License-Identifier: GPL-3.0-or-later
// The log of what recovery_kill_probe typed, and when: written by the probe
// line by line, each line on disk before the probe goes on, and read back by
// recovery_kill_bench after the kill. One line an event:
//
//   S <ns>               the window is shown; typing begins
//   T <ns> <day> <text>  about to type <text> on the page of <day> ('\n' as '|')
//   N <ns> <day>         about to move from <day> to the next day
//   E <ns>               the burst or the move just before is through
//   P <ns> <ms>          a pause of <ms> milliseconds begins
//
// <ns> is the steady clock's reading in nanoseconds (CLOCK_MONOTONIC on
// Linux, the same clock in every process); <day> is a day key, yyyymmdd.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace quillet::bench {

inline long long SteadyNanoseconds() {
  return static_cast<long long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

class TypingLogWriter {
 public:
  explicit TypingLogWriter(const char* path)
      : fd_(::open(path, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600)) {
    if (fd_ < 0) {
      std::perror(path);
      std::exit(2);
    }
  }
  ~TypingLogWriter() { ::close(fd_); }
  TypingLogWriter(const TypingLogWriter&) = delete;
  TypingLogWriter& operator=(const TypingLogWriter&) = delete;

  void Started() { Line("S"); }
  void Typing(const std::string& day, std::string text) {
    std::replace(text.begin(), text.end(), '\n', '|');
    Line("T", day + " " + text);
  }
  void NextDay(const std::string& day) { Line("N", day); }
  void Done() { Line("E"); }
  void Pause(int ms) { Line("P", std::to_string(ms)); }

 private:
  void Line(const char* kind, const std::string& rest = {}) {
    std::string line = std::string(kind) + " " + std::to_string(SteadyNanoseconds());
    if (!rest.empty()) line += " " + rest;
    line += '\n';
    for (size_t at = 0; at < line.size();) {
      const ssize_t n = ::write(fd_, line.data() + at, line.size() - at);
      if (n <= 0) {
        std::perror("typing log");
        std::exit(2);
      }
      at += size_t(n);
    }
    ::fdatasync(fd_);
  }

  int fd_;
};

// One burst of typing: its text, on which day's page, and from when to when
// (end is -1 when the probe was killed before the burst was through).
struct TypedBurst {
  long long start = 0, end = -1;
  std::string day, text;
};

struct DayMove {
  long long start = 0, end = -1;
  std::string from;
};

struct TypingLog {
  long long started = -1;  // -1: killed before the window was shown
  std::vector<TypedBurst> bursts;
  std::vector<DayMove> moves;
  std::vector<long long> pauses;  // when each pause began
};

// Reads the log; a last line cut off by the kill is left out.
inline TypingLog ReadTypingLog(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream whole;
  whole << in.rdbuf();
  const std::string text = whole.str();
  TypingLog log;
  long long* open = nullptr;  // the end of the event an "E" line closes
  for (size_t at = 0; at < text.size();) {
    const size_t eol = text.find('\n', at);
    if (eol == std::string::npos) break;
    std::istringstream line(text.substr(at, eol - at));
    at = eol + 1;
    std::string kind;
    long long ns = 0;
    line >> kind >> ns;
    if (kind == "S") {
      log.started = ns;
    } else if (kind == "T") {
      TypedBurst burst;
      burst.start = ns;
      line >> burst.day;
      line.get();
      std::getline(line, burst.text);
      std::replace(burst.text.begin(), burst.text.end(), '|', '\n');
      log.bursts.push_back(burst);
      open = &log.bursts.back().end;
    } else if (kind == "N") {
      DayMove move;
      move.start = ns;
      line >> move.from;
      log.moves.push_back(move);
      open = &log.moves.back().end;
    } else if (kind == "E") {
      if (open) *open = ns;
      open = nullptr;
    } else if (kind == "P") {
      log.pauses.push_back(ns);
      open = nullptr;
    }
  }
  return log;
}

}  // namespace quillet::bench
