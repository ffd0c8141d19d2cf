// SPDX-License-Identifier: GPL-3.0-or-later
// quillet-tool on a diary written by the main window.
#include <app/main_screen.h>
#include <decoration/spell_engine.h>

#include <diary/cipher.h>
#include <diary/entry_store.h>
#include <diary/instance_lock.h>
#include <diary/password_change.h>
#include <diary/passwords.h>
#include <diary/settings_file.h>
#include <richtext/io.h>
#include <richtext/ui/rich_text.h>
#include <richtext/writer.h>

#include "../support/recording_messenger.h"
#include "../support/temp_dir.h"

#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include <poll.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillet {
namespace {

using testing::ReadFile;
using testing::TempDir;

struct ToolRun {
  int status;
  std::string out, err;
};

// Runs the tool with `input` on its standard input (a pipe: passwords are read from it).
ToolRun Tool(const QStringList& args, const std::string& input = "") {
  QProcess p;
  p.start(QStringLiteral(QUILLET_TOOL), args);
  p.write(input.data(), qint64(input.size()));
  p.closeWriteChannel();
  p.waitForFinished(20000);
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          p.readAllStandardOutput().toStdString(), p.readAllStandardError().toStdString()};
}

// A diary with a password and two entries, written through the main window.
class QuilletTool : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.Write("QX.INI", "[Opening Screen]\nshow=0\n");
    TIniFile(dir / "QX.INI").WriteString("Security", "Password", EncryptString("pw"));
    store.SetPassword("pw");
    TMainScreen w(dir.path());
    w.show();
    w.FormActivate();
    auto write = [&](TDate day, const QString& text) {
      w.SetCurrentDate(day);
      w.FindDateRecord();
      w.LoadRichText();
      w.RichText1()->InsertText(text);
      w.SaveButtonClick();
    };
    write(MakeDate(2026, 12, 7), QString::fromUtf8("Snow at dawn"));
    write(MakeDate(2024, 2, 29), QString::fromUtf8("Leap day, caf\u00e9"));
    w.RichText1()->setFocus();
    QTest::keyClick(w.RichText1(), Qt::Key_Return);
    QTest::keyClicks(w.RichText1(), "second line");
    w.close();  // saves the shown day
  }

  // Each run fails with its exit status and says why on standard error only.
  struct Refusal {
    QStringList args;
    int status;
    const char* says;
    std::string input = "";
  };
  void ExpectRefused(std::initializer_list<Refusal> cases) {
    for (const Refusal& c : cases) {
      SCOPED_TRACE(c.args.join(' ').toStdString());
      ToolRun r = Tool(With(c.args), c.input);
      EXPECT_EQ(r.status, c.status);
      EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
      EXPECT_TRUE(r.out.empty());
    }
  }

  QStringList With(QStringList args) { return args << "--diary-dir" << QString::fromStdString(dir.path().string()); }

  // Deletes a day's entry through the store, then dates the deletion `stamp`
  // ("yyyymmddhhmmss"), so that listings and choices by time are known ahead.
  void DeleteAt(TDate day, const std::string& stamp) {
    auto files = [&] {
      std::set<std::filesystem::path> found;
      for (const TDeletedEntry& e : store.DeletedEntries()) found.insert(e.file);
      return found;
    };
    const std::set<std::filesystem::path> before = files();
    store.Remove(day);
    for (const std::filesystem::path& f : files()) {
      if (!before.count(f)) std::filesystem::rename(f, f.parent_path() / (DayKey(day) + "_" + stamp + ".QXE"));
    }
  }

  TempDir dir;
  testing::RecordingMessenger messages;
  TEntryStore store{dir.path()};  // keyed with the diary's password in SetUp
};

TEST_F(QuilletTool, ListsTheEntriesInDateOrder) {
  ToolRun r = Tool(With({"list"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "20240229\n20261207\n");
}

TEST_F(QuilletTool, PrintsAnEntryAsTextOrRtf) {
  ToolRun text = Tool(With({"cat", "20240229"}));
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_EQ(text.out, "Leap day, caf\xc3\xa9\nsecond line\n");
  ToolRun rtf = Tool(With({"cat", "20261207", "--rtf"}));
  EXPECT_EQ(rtf.status, 0);
  EXPECT_EQ(rtf.out, DecipherBytes(ReadFile(dir / "Entries" / "20261207.QXE"), "pw"));
}

TEST_F(QuilletTool, EnciphersAndDeciphersFilesByteForByte) {
  const std::string entry = (dir / "Entries" / "20261207.QXE").string();
  const std::string plain = (dir / "plain.rtf").string(), again = (dir / "again.qxe").string();
  ToolRun d = Tool({"decipher", QString::fromStdString(entry), QString::fromStdString(plain)}, "pw\n");
  EXPECT_EQ(d.status, 0) << d.err;
  EXPECT_EQ(ReadFile(plain).rfind("{\\rtf", 0), 0u);
  ToolRun e = Tool({"encipher", QString::fromStdString(plain), QString::fromStdString(again)}, "pw\n");
  EXPECT_EQ(e.status, 0) << e.err;
  EXPECT_EQ(ReadFile(again), ReadFile(entry));
}

TEST_F(QuilletTool, FailsWithAMessageAndTheRightStatus) {
  ExpectRefused({
      {{"cat", "20250101"}, 1, "no entry for 20250101"},
      {{"cat", "2025"}, 2, "Usage: quillet-tool cat"},
      {{"cat"}, 2, "missing operand"},
      {{"list", "--colour"}, 2, "unknown option"},
      {{"frobnicate"}, 2, "unknown command"},
      {{"decipher", "/nonexistent/in", "/tmp/out"}, 1, "/nonexistent/in"},
      // Passwords never on the command line, where the process list shows them.
      {{"decipher", "--password", "pw", "in", "out"}, 2, "shows in the process list"},
  });
  // An entry enciphered with another password is reported, not printed.
  TIniFile(dir / "QX.INI").WriteString("Security", "Password", EncryptString("wrong"));
  ToolRun r = Tool(With({"cat", "20261207"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("20261207.QXE"), std::string::npos) << r.err;
}

TEST_F(QuilletTool, PasswdReadsPasswordsFromStandardInput) {
  // The old cipher, as older versions read it: the current password, then the new one.
  ToolRun change = Tool(With({"passwd", "--compatible"}), "pw\nNew 1\n");
  EXPECT_EQ(change.status, 0) << change.err;
  EXPECT_EQ(change.out, "2 entry files rewritten\n");
  EXPECT_EQ(ReadStoredPassword(dir.path()), "New 1");
  ToolRun text = Tool(With({"cat", "20261207"}));
  EXPECT_EQ(text.out, "Snow at dawn\n") << text.err;

  ToolRun clear = Tool(With({"passwd"}), "New 1\n\n");  // an empty line: no password
  EXPECT_EQ(clear.status, 0) << clear.err;
  EXPECT_EQ(ReadStoredPassword(dir.path()), "");
  EXPECT_EQ(ReadFile(dir / "Entries" / "20261207.QXE").rfind("{\\rtf", 0), 0u);  // plain RTF

  // Strong encryption by default; every reading command asks for the passphrase then.
  ToolRun set = Tool(With({"passwd"}), "\nwinter is long\n");  // none before: an empty line
  EXPECT_EQ(set.status, 0) << set.err;
  EXPECT_EQ(ReadStoredProtection(dir.path()).cipher, TCipher::Strong);
  EXPECT_EQ(Tool(With({"cat", "20240229"}), "winter is long\n").out, "Leap day, caf\xc3\xa9\nsecond line\n");
  EXPECT_EQ(Tool(With({"search", "snow"}), "winter is long\n").out, "20261207\n");
  EXPECT_EQ(Tool(With({"list"})).out, "20240229\n20261207\n");  // lists without it
  ExpectRefused({
      {{"cat", "20240229"}, 1, "wrong password", "winter is short\n"},
      {{"cat", "20240229"}, 1, "standard input ended", ""},
  });
  // A new passphrase rewrites the key file alone.
  const std::string entry = ReadFile(dir / "Entries" / "20261207.QXE");
  ToolRun again = Tool(With({"passwd"}), "winter is long\nspring\n");
  EXPECT_EQ(again.out, "0 entry files rewritten\n") << again.err;
  EXPECT_EQ(ReadFile(dir / "Entries" / "20261207.QXE"), entry);
  EXPECT_EQ(Tool(With({"cat", "20261207"}), "spring\n").out, "Snow at dawn\n");
}

TEST_F(QuilletTool, PasswdRefusesChangingNothing) {
  const std::string before = ReadFile(dir / "Entries" / "20261207.QXE");
  ExpectRefused({
      {{"passwd", "--compatible"}, 1, "Previous password is required", "\nx\n"},
      {{"passwd", "--compatible"}, 1, "Previous password is incorrect", "PW\nx\n"},
      {{"passwd", "--compatible"}, 1, "valid password characters", "pw\nno-dash\n"},
      {{"passwd", "--compatible"}, 1, "at most 8", "pw\n123456789\n"},
      {{"passwd"}, 1, "standard input ended", "pw\n"},
      {{"passwd", "--old", "pw", "--new", "x"}, 2, "asks for the current and the new password"},
      {{"passwd", "extra"}, 2, "too many operands"},
  });
  // Not while Quillet has the diary open.
  {
    TInstanceLock lock(dir.path());
    ASSERT_FALSE(lock.AlreadyRunning());
    ExpectRefused({{{"passwd"}, 1, "Quillet is running", "pw\nx\n"}});
  }
  EXPECT_EQ(ReadFile(dir / "Entries" / "20261207.QXE"), before);
  EXPECT_EQ(ReadStoredPassword(dir.path()), "pw");
}

TEST_F(QuilletTool, AsksForPasswordsOnATerminalWithoutEcho) {
  ASSERT_EQ(ChangePassword(dir.path(), "pw", TCipher::Strong, "secret words").state, TDiaryState::Changed);
  int terminal = -1;
  const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    const std::string diary = dir.path().string();
    ::execl(QUILLET_TOOL, QUILLET_TOOL, "--diary-dir", diary.c_str(), "cat", "20261207", nullptr);
    ::_exit(127);
  }
  // Everything the terminal shows, until `wanted` appears or the tool ends.
  std::string shown;
  auto readUntil = [&](const std::string& wanted) {
    for (int i = 0; i < 200 && shown.find(wanted) == std::string::npos; ++i) {
      pollfd p{terminal, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      char chunk[256];
      const ssize_t n = ::read(terminal, chunk, sizeof chunk);
      if (n <= 0) break;
      shown.append(chunk, size_t(n));
    }
  };
  readUntil("Diary password: ");
  EXPECT_NE(shown.find("Diary password: "), std::string::npos) << shown;
  const std::string typed = "secret words\n";
  ASSERT_EQ(::write(terminal, typed.data(), typed.size()), ssize_t(typed.size()));
  readUntil("Snow at dawn");
  int status = 0;
  for (int i = 0; i < 100 && ::waitpid(pid, &status, WNOHANG) == 0; ++i) QTest::qWait(50);
  if (::waitpid(pid, &status, WNOHANG) == 0) {
    ::kill(pid, SIGKILL);
    ::waitpid(pid, &status, 0);
  }
  ::close(terminal);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << shown;
  EXPECT_NE(shown.find("Snow at dawn"), std::string::npos) << shown;
  EXPECT_EQ(shown.find("secret"), std::string::npos) << "echoed: " << shown;
}

TEST_F(QuilletTool, TakesTheDiaryBeforeOrAfterTheCommand) {
  const QString diary = QString::fromStdString(dir.path().string());
  for (const QStringList& args : {QStringList{"--diary-dir", diary, "list"},
                                  QStringList{"--diary-dir=" + diary, "list"},
                                  QStringList{"list", "--diary-dir", diary}}) {
    ToolRun r = Tool(args);
    EXPECT_EQ(r.status, 0) << args.join(' ').toStdString() << ": " << r.err;
    EXPECT_EQ(r.out, "20240229\n20261207\n");
  }
  ToolRun usage = Tool({"--diary-dir", diary});
  EXPECT_EQ(usage.status, 2);
  EXPECT_NE(usage.err.find("Usage: quillet-tool [--diary-dir DIR] COMMAND"), std::string::npos) << usage.err;
}

TEST_F(QuilletTool, SearchesEveryEntryWithoutRegardToCase) {
  ToolRun r = Tool(With({"search", "CAF\u00e9"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "20240229\n");
  r = Tool(With({"search", "a"}));
  EXPECT_EQ(r.out, "20240229\n20261207\n");
  r = Tool(With({"search", "a", "--from", "20240301"}));
  EXPECT_EQ(r.out, "20261207\n");
  r = Tool(With({"search", "nowhere"}));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
  // An entry enciphered under another password is named, and the rest still searched.
  EncipherToFile("{\\rtf1 a}", dir / "Entries" / "20250101.QXE", "another");
  r = Tool(With({"search", "a"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "20240229\n20261207\n");
  EXPECT_NE(r.err.find("20250101.QXE"), std::string::npos) << r.err;
  r = Tool(With({"search"}));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("Usage: quillet-tool search"), std::string::npos) << r.err;
}

TEST_F(QuilletTool, ExportsARangeAsPlainRtfFiles) {
  TempDir out;
  ToolRun r = Tool(With({"export", "--to", "20251231", QString::fromStdString(out.path().string())}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "1\n");
  EXPECT_EQ(ReadFile(out / "20240229.RTF"), DecipherBytes(ReadFile(dir / "Entries" / "20240229.QXE"), "pw"));
  EXPECT_FALSE(std::filesystem::exists(out / "20261207.RTF"));
  r = Tool(With({"export", QString::fromStdString((out / "missing").string())}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("no such directory"), std::string::npos) << r.err;
  r = Tool(With({"export", "--from", "2024-01-01", QString::fromStdString(out.path().string())}));
  EXPECT_EQ(r.status, 2);
}

TEST_F(QuilletTool, ExportsEachFormatWithTheDateAboveTheEntrysText) {
  const std::string cat = Tool(With({"cat", "20240229"})).out;
  ASSERT_EQ(cat, "Leap day, caf\xc3\xa9\nsecond line\n");
  const std::string date = LongDate(MakeDate(2024, 2, 29));
  struct Case {
    QStringList options;
    const char* file;
    std::string heading;  // how the date stands above the text
  } cases[] = {
      {{"--format", "txt"}, "20240229.txt", date + "\n\n"},
      {{"--format=md"}, "20240229.md", "# " + date + "\n\n"},
      {{"--format", "html"}, "20240229.html", "<h1>" + date + "</h1>"},
      {{"--format", "html", "--one-file"}, "20240229-20251231.html", "<h1>" + date + "</h1>"},
      {{"--format", "rtf", "--heading"}, "20240229.RTF", date + "\n"},
      {{"--format", "pdf"}, "20240229-20251231.pdf", date},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options.join(' ').toStdString());
    TempDir out;
    ToolRun r = Tool(With(QStringList{"export", "--to", "20251231"} << c.options
                                                                      << QString::fromStdString(out.path().string())));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "1\n");
    std::string text = ReadFile(out / c.file);
    if (c.options.contains("pdf")) {
      QProcess pdftotext;
      pdftotext.start("pdftotext", {QString::fromStdString((out / c.file).string()), "-"});
      pdftotext.waitForFinished(20000);
      text = pdftotext.readAllStandardOutput().toStdString();
    }
    if (c.options.contains("rtf")) {
      richtext::TRTFTextIo doc;
      doc.LoadFromStream(text);
      text = richtext::PlainTextLines(doc);  // the date, a paragraph of its own, and the entry
    }
    if (c.options.contains("txt") || c.options.contains("rtf")) {
      EXPECT_EQ(text, c.heading + cat);  // exactly the text cat gives, under the date
      continue;
    }
    const size_t heading = text.find(c.heading);
    EXPECT_NE(heading, std::string::npos) << text;
    size_t at = heading;
    for (const char* line : {"Leap day, caf\xc3\xa9", "second line"}) {
      at = text.find(line, at);
      EXPECT_NE(at, std::string::npos) << line << "\n" << text;
    }
  }
  ExpectRefused({{{"export", "--format", "doc", QString::fromStdString(dir.path().string())}, 2,
                  "Usage: quillet-tool export [--from DAYKEY] [--to DAYKEY] [--format rtf|html|md|txt|pdf]"},
                 {{"export", "--format", "md", "--one-file", QString::fromStdString(dir.path().string())}, 2,
                  "--one-file: only an HTML export"}});
}

TEST_F(QuilletTool, PrintsToAPdfInBothLayouts) {
  TempDir out;
  for (bool merged : {false, true}) {
    std::filesystem::path pdf = out / (merged ? "m.pdf" : "s.pdf");
    QStringList args{"print", "--pdf", QString::fromStdString(pdf.string())};
    if (merged) args << "--merged";
    ToolRun r = Tool(With(args));
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, merged ? "1\n" : "2\n");
    QProcess text;
    text.start("pdftotext", {QString::fromStdString(pdf.string()), "-"});
    text.waitForFinished(20000);
    std::string pages = text.readAllStandardOutput().toStdString();
    size_t leap = pages.find("Leap day"), snow = pages.find("Snow at dawn");
    EXPECT_NE(leap, std::string::npos) << pages;
    EXPECT_LT(leap, snow) << pages;
    EXPECT_NE(pages.find(LongDate(MakeDate(2024, 2, 29))), std::string::npos) << pages;
  }
  ToolRun r = Tool(With({"print", "--from", "20250101", "--to", "20250102", "--pdf",
                         QString::fromStdString((out / "none.pdf").string())}));
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(std::filesystem::exists(out / "none.pdf"));
  r = Tool(With({"print"}));
  EXPECT_EQ(r.status, 2);
}

TEST_F(QuilletTool, EveryCommandFinishesACutOffPasswordChangeFirst) {
  TempDir out;
  const QString outDir = QString::fromStdString(out.path().string());
  const QString pdf = QString::fromStdString((out / "d.pdf").string());
  struct Case {
    QStringList args;
    int status;
    const char* out;
  };
  const Case cases[] = {
      {{"list"}, 0, "20240229\n20261207\n"},
      {{"cat", "20261207"}, 0, "Snow at dawn\n"},
      {{"search", "snow"}, 0, "20261207\n"},
      {{"export", outDir}, 0, "2\n"},
      {{"print", "--pdf", pdf}, 0, "2\n"},
      {{"passwd", "--compatible"}, 0, "2 entry files rewritten\n"},
      {{"convert-legacy"}, 1, ""},  // finished first, then nothing to convert
  };
  std::string password = "pw";
  struct Cut {};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.join(' ').toStdString());
    // The change stops once its journal is on disk, before an entry is rewritten.
    const std::string next = "n" + std::to_string(&c - cases);
    SetPasswordChangeFaultHook([](std::string_view step) -> bool {
      if (step == "commit") throw Cut{};
      return true;
    });
    EXPECT_THROW(ChangePassword(dir.path(), password, next), Cut);
    SetPasswordChangeFaultHook({});
    ASSERT_TRUE(std::filesystem::exists(PasswordJournalName(dir.path())));
    QStringList args = c.args;
    args.replaceInStrings("#", QString::fromStdString(next));
    {
      // Not while Quillet has the diary open: said, and nothing read.
      TInstanceLock lock(dir.path());
      ASSERT_FALSE(lock.AlreadyRunning());
      ToolRun r = Tool(With(args));
      EXPECT_EQ(r.status, 1);
      EXPECT_NE(r.err.find("password was cut off"), std::string::npos) << r.err;
      EXPECT_EQ(r.out, "");
    }
    const std::string input = c.args[0] == "passwd" ? next + "\nlast\n" : "";
    ToolRun r = Tool(With(args), input);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_EQ(r.out, c.out) << r.err;
    EXPECT_FALSE(std::filesystem::exists(PasswordJournalName(dir.path())));
    password = c.args[0] == "passwd" ? "last" : next;
    EXPECT_EQ(ReadStoredPassword(dir.path()), password);
  }
}

TEST_F(QuilletTool, NamedPipesNeitherHangNorPassForEntries) {
  ASSERT_EQ(::mkfifo((dir / "Entries" / "20100101.QXE").c_str(), 0600), 0);
  ToolRun r = Tool(With({"cat", "20100101"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("not a regular file"), std::string::npos) << r.err;
  r = Tool(With({"search", "snow"}));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "20261207\n");
  EXPECT_NE(r.err.find("20100101.QXE"), std::string::npos) << r.err;
  TempDir out;
  r = Tool(With({"export", QString::fromStdString(out.path().string())}));
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("20100101.QXE"), std::string::npos) << r.err;
  EXPECT_TRUE(std::filesystem::exists(out / "20261207.RTF"));

  // A settings file that cannot be read hides the password: nothing is read.
  std::filesystem::rename(dir / "QX.INI", dir / "QX.INI.kept");
  ASSERT_EQ(::mkfifo((dir / "QX.INI").c_str(), 0600), 0);
  for (const char* command : {"list", "search"}) {
    SCOPED_TRACE(command);
    r = Tool(With(command == std::string("list") ? QStringList{"list"} : QStringList{"search", "snow"}));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("QX.INI"), std::string::npos) << r.err;
  }
}

TEST_F(QuilletTool, ListsDeletedEntriesAndRestoresTheChosenOne) {
  ToolRun none = Tool(With({"deleted"}));
  EXPECT_EQ(none.status, 0) << none.err;
  EXPECT_EQ(none.out, "");
  const TDate snow = MakeDate(2026, 12, 7), leap = MakeDate(2024, 2, 29);
  DeleteAt(snow, "20250102030405");
  store.Write(snow, "{\\rtf1 Second snow}");
  DeleteAt(snow, "20250102030406");
  DeleteAt(leap, "20260101000000");

  ToolRun listed = Tool(With({"deleted"}));
  EXPECT_EQ(listed.status, 0) << listed.err;
  EXPECT_EQ(listed.out,
            "20261207\t2025-01-02T03:04:06\t20261207_20250102030406.QXE\n"
            "20261207\t2025-01-02T03:04:05\t20261207_20250102030405.QXE\n"
            "20240229\t2026-01-01T00:00:00\t20240229_20260101000000.QXE\n");
  EXPECT_EQ(Tool(With({"list"})).out, "");  // deleted entries are not entries

  ToolRun chosen = Tool(With({"restore", "20261207", "--deleted-at", "2025-01-02T03:04:05"}));
  EXPECT_EQ(chosen.status, 0) << chosen.err;
  EXPECT_EQ(chosen.out, "restored 20261207\n");
  EXPECT_EQ(Tool(With({"cat", "20261207"})).out, "Snow at dawn\n");
  ToolRun latest = Tool(With({"restore", "20240229"}));
  EXPECT_EQ(latest.status, 0) << latest.err;
  EXPECT_EQ(Tool(With({"cat", "20240229"})).out, "Leap day, caf\xc3\xa9\nsecond line\n");
  EXPECT_EQ(Tool(With({"deleted"})).out, "20261207\t2025-01-02T03:04:06\t20261207_20250102030406.QXE\n");
}

TEST_F(QuilletTool, RestoresOverANewEntryOnlyWithReplace) {
  const TDate snow = MakeDate(2026, 12, 7);
  DeleteAt(snow, "20250102030405");
  store.Write(snow, "{\\rtf1 Fresh snow}");
  ExpectRefused({{{"restore", "20261207"}, 1, "--replace"}});
  EXPECT_EQ(Tool(With({"cat", "20261207"})).out, "Fresh snow\n");

  ToolRun r = Tool(With({"restore", "20261207", "--replace"}));
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "restored 20261207\n");
  EXPECT_EQ(Tool(With({"cat", "20261207"})).out, "Snow at dawn\n");
  // The entry it replaced is kept among the deleted ones.
  const std::string listed = Tool(With({"deleted"})).out;
  ASSERT_EQ(listed.rfind("20261207\t", 0), 0u) << listed;
  ASSERT_EQ(std::count(listed.begin(), listed.end(), '\n'), 1);
  const std::string file = listed.substr(listed.rfind('\t') + 1, listed.size() - listed.rfind('\t') - 2);
  const TEntryRead replaced = store.ReadFile(snow, store.DeletedDirectory() / file);
  EXPECT_EQ(replaced.bytes, "{\\rtf1 Fresh snow}");
}

TEST_F(QuilletTool, RestoreRefusesWithoutChangingTheDiary) {
  DeleteAt(MakeDate(2026, 12, 7), "20250102030405");
  const std::string kept = "20261207\t2025-01-02T03:04:05\t20261207_20250102030405.QXE\n";
  ExpectRefused({
      {{"restore", "20240229"}, 1, "no deleted entry of 20240229"},
      {{"restore", "20261207", "--deleted-at", "2025-01-02T03:04:06"}, 1, "deleted at 2025-01-02T03:04:06"},
      {{"restore", "20261207", "--deleted-at", "20250102030405"}, 2, "is not a time"},
      {{"restore", "2026-12-07"}, 2, "Usage: quillet-tool restore"},
      {{"restore"}, 2, "missing operand"},
      {{"deleted", "20261207"}, 2, "too many operands"},
  });
  {
    // Listing reads only, so it goes on while Quillet has the diary open; restoring waits.
    TInstanceLock lock(dir.path());
    ASSERT_FALSE(lock.AlreadyRunning());
    ExpectRefused({{{"restore", "20261207"}, 1, "Quillet is running"}});
    EXPECT_EQ(Tool(With({"deleted"})).out, kept);
  }
  EXPECT_EQ(Tool(With({"deleted"})).out, kept);
  EXPECT_EQ(Tool(With({"list"})).out, "20240229\n");
}

// spell: one line per unknown word (the first time it appears), the word and its
// suggestions, tab-separated, best first; the diary's own words count as known.
TEST_F(QuilletTool, SpellListsTheUnknownWordsWithTheirSuggestions) {
  TSpellEngine engine;
  ASSERT_GE(engine.CreateUserDictionary(dir / "quilletu.dct", {"Quillet"}), 2);

  ToolRun r = Tool(With({"spell"}), "Quillet says: Thiss is a tset of teh diary. TEH end, teh end, caf\u00e9 wasn\u2019t \u0141\u00f3d\u017a\n");
  EXPECT_EQ(r.status, 1);
  std::vector<std::string> lines;
  for (size_t at = 0, nl; (nl = r.out.find('\n', at)) != std::string::npos; at = nl + 1) lines.push_back(r.out.substr(at, nl - at));
  ASSERT_EQ(lines.size(), 4u) << r.out;
  const char* firsts[][2] = {{"Thiss", "This"}, {"tset", "test"}, {"teh", "the"}, {"TEH", "THE"}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(lines[i].rfind(std::string(firsts[i][0]) + "\t" + firsts[i][1] + "\t", 0), 0u) << lines[i];
    EXPECT_LE(std::count(lines[i].begin(), lines[i].end(), '\t'), 10);
  }
  EXPECT_TRUE(r.err.empty()) << r.err;

  r = Tool(With({"spell"}), "Quillet is a diary.\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.out.empty());
  EXPECT_EQ(Tool(With({"spell", "--lang", "en_US"}), "all well").status, 0);
  ExpectRefused({
      {{"spell", "extra"}, 2, "too many operands"},
      {{"spell", "--lang"}, 2, "--lang needs a value"},
      {{"spell", "--lang", "xx_YY"}, 1, "no spelling dictionary for the language 'xx_YY'", "text"},
  });
  ToolRun help = Tool({"spell", "--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("Usage: quillet-tool spell [--lang LL_CC]"), std::string::npos);
}

// spell --lang: another language is checked with the desktop's dictionary for
// it, the words of the diary's English user dictionary not counting.
TEST_F(QuilletTool, SpellChecksOtherLanguagesWithTheInstalledDictionary) {
  qputenv("ENCHANT_CONFIG_DIR", QByteArray::fromStdString((dir / "enchant").string()));
  TSpellEngine engine;
  ASSERT_GE(engine.CreateUserDictionary(dir / "quilletu.dct", {"Quillet"}), 2);

  ToolRun r = Tool(With({"spell", "--lang", "de_DE"}), "Quillet wohnt im Hauss, das Haus ist gro\u00df.\n");
  EXPECT_EQ(r.status, 1);
  ASSERT_EQ(r.out.rfind("Quillet\t", 0), 0u) << r.out;
  size_t second = r.out.find('\n') + 1;
  const std::string hauss = r.out.substr(second, r.out.find('\n', second) - second);
  EXPECT_EQ(hauss.rfind("Hauss\t", 0), 0u) << r.out;
  EXPECT_NE((hauss + "\t").find("\tHaus\t"), std::string::npos) << hauss;
  EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << r.out;

  EXPECT_EQ(Tool(With({"spell", "--lang", "de_DE"}), "Das Haus ist gro\u00df.").status, 0);
}

}  // namespace
}  // namespace quillet
