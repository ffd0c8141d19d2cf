// SPDX-License-Identifier: GPL-3.0-or-later
// The program at work, for recovery_kill_bench to kill: the real main window
// on a diary, with text typed into its page by keys in short bursts, a pause
// now and then (long enough, some of them, for a recovery copy), and now and
// then a move to the next day. It runs until it is killed.
//
//   QUILLET_KILL_LOG=FILE QUILLET_KILL_SEED=N recovery_kill_probe --diary-dir DIR
//
// FILE is the truth of what was typed when (typing_log.h): before each burst
// the probe appends what it is about to type, the steady clock's reading and
// the day, and after it a line saying it is in; each line is flushed to disk
// before the probe goes on. A diary with a password is opened as if the
// password had been given at the prompt.
#include <app/main_screen.h>
#include <app/startup.h>

#include <base/messages.h>
#include <diary/dates.h>
#include <richtext/ui/rich_text.h>

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "typing_log.h"

namespace {

using quillet::bench::TypingLogWriter;

// Types, pauses and turns the page, one step at a time, from the event loop.
class Typist {
 public:
  Typist(quillet::TMainScreen& window, TypingLogWriter& log, unsigned seed)
      : window_(window), log_(log), random_(seed) {}

  void Start() {
    log_.Started();
    window_.RichText1()->setFocus();
    Step();
  }

 private:
  int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

  // The next characters of an endless text of short words, a paragraph
  // ending now and then where a space would stand.
  std::string NextCharacters(int count) {
    std::string out;
    while (int(out.size()) < count) {
      if (wordLeft_ == 0) {
        out += Uniform(0, 11) == 0 ? '\n' : ' ';
        wordLeft_ = Uniform(2, 9);
        continue;
      }
      out += char('a' + Uniform(0, 25));
      --wordLeft_;
    }
    return out;
  }

  void Type(const std::string& text) {
    richtext::TRichText* page = window_.RichText1();
    for (char c : text) {
      if (c == '\n') {
        QTest::keyClick(page, Qt::Key_Return);
      } else {
        QTest::keyClicks(page, QString(QChar(c)));
      }
    }
  }

  void Step() {
    int delay = Uniform(20, 50);
    const int roll = Uniform(0, 99);
    if (roll < 2) {
      log_.NextDay(quillet::DayKey(window_.CurrentDate()));
      window_.NextButtonClick();
      log_.Done();
    } else if (roll < 10) {
      delay = Uniform(500, 3000);
      log_.Pause(delay);
    } else {
      const std::string text = NextCharacters(Uniform(1, 6));
      log_.Typing(quillet::DayKey(window_.CurrentDate()), text);
      Type(text);
      log_.Done();
    }
    QTimer::singleShot(delay, &window_, [this] { Step(); });
  }

  quillet::TMainScreen& window_;
  TypingLogWriter& log_;
  std::mt19937 random_;
  int wordLeft_ = 4;
};

}  // namespace

int main(int argc, char** argv) {
  const quillet::TStartOptions options =
      quillet::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (int status = quillet::StartOptionsOutcome(options); status >= 0) return status;
  const char* logName = std::getenv("QUILLET_KILL_LOG");
  if (!logName || !*logName) {
    std::fprintf(stderr, "recovery_kill_probe: QUILLET_KILL_LOG names no file\n");
    return 2;
  }
  TypingLogWriter log(logName);
  const char* seed = std::getenv("QUILLET_KILL_SEED");
  QApplication app(argc, argv);
  quillet::SetUpApplication(app);
  // No prompt: the window reads the old cipher's password from the settings.
  quillet::CheckOpeningPassword = nullptr;
  quillet::TRunHooks hooks;
  // Whatever the program says goes to standard error, and nothing waits for an answer.
  hooks.messenger = &quillet::Messenger();
  Typist* typist = nullptr;
  hooks.shown = [&](quillet::TMainScreen& window) {
    typist = new Typist(window, log, seed ? unsigned(std::strtoul(seed, nullptr, 10)) : 1u);
    QTimer::singleShot(0, &window, [typist] { typist->Start(); });
  };
  const int status = quillet::RunQuillet(app, options, hooks);
  delete typist;
  return status;
}
