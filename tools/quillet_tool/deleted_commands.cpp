// SPDX-License-Identifier: GPL-3.0-or-later
// deleted and restore: the entries kept in Deleted/, and putting one back on its day.
#include "tool.h"

#include <cstdio>
#include <string_view>

namespace quillet::tool {
namespace {

// A deletion stamp "yyyymmddhhmmss" as the command line shows and takes it:
// "yyyy-mm-ddThh:mm:ss", local time as the stamp is.
std::string DeletedAtIso(std::string_view stamp) {
  std::string text;
  for (size_t i = 0; i < stamp.size(); ++i) {
    if (i == 4 || i == 6) text += '-';
    if (i == 8) text += 'T';
    if (i == 10 || i == 12) text += ':';
    text += stamp[i];
  }
  return text;
}

// The stamp that --deleted-at names; wrong usage when it is not in the form
// DeletedAtIso gives.
std::string DeletedAtOption(const std::string& text) {
  std::string stamp;
  for (char c : text) {
    if (c >= '0' && c <= '9') stamp += c;
  }
  if (stamp.size() != 14 || DeletedAtIso(stamp) != text) {
    throw UsageError("--deleted-at: '" + text + "' is not a time YYYY-MM-DDTHH:MM:SS");
  }
  return stamp;
}

int Deleted(TArgs& args) {
  args.Operands(0);
  const TEntryStore store = OpenDiaryFiles(args.DiaryDir());
  std::string out;
  for (const TDeletedEntry& e : store.DeletedEntries()) {
    out += DayKey(e.day) + "\t" + DeletedAtIso(e.deletedAt) + "\t" + e.file.filename().string() + "\n";
  }
  Put(out);
  return 0;
}

int Restore(TArgs& args) {
  const bool replace = args.TakeFlag("--replace");
  const std::optional<std::string> at = args.TakeOption("--deleted-at");
  const std::optional<std::string> stamp = at ? std::optional(DeletedAtOption(*at)) : std::nullopt;
  const std::string key = args.Operands(1)[0];
  const TDate day = DayKeyArgument(key);
  const TEntryStore store = OpenDiaryFiles(args.DiaryDir());
  // Quillet itself must not have the diary open while an entry moves under it.
  const std::unique_ptr<TInstanceLock> lock = LockDiary(args.DiaryDir());

  // The store lists the latest deletion of a day first.
  std::optional<TDeletedEntry> chosen;
  for (const TDeletedEntry& e : store.DeletedEntries()) {
    if (e.day == day && (!stamp || e.deletedAt == *stamp)) {
      chosen = e;
      break;
    }
  }
  if (!chosen) {
    throw Failure("no deleted entry of " + key + (at ? " deleted at " + *at : std::string()));
  }
  if (store.Exists(day) && !replace) {
    throw Failure(key + " has an entry again; --replace puts the deleted one in its place "
                  "and keeps the one there now among the deleted entries");
  }
  store.Restore(*chosen);
  std::printf("restored %s\n", key.c_str());
  return 0;
}

}  // namespace

void AddDeletedCommands(std::vector<TCommand>& commands) {
  commands.push_back({"deleted", "",
                      "the deleted entries, latest day first: day key, deletion time, file (tab-separated)",
                      Deleted});
  commands.push_back({"restore", "DAYKEY [--deleted-at YYYY-MM-DDTHH:MM:SS] [--replace]",
                      "puts a day's latest deleted entry back; --replace over an entry there again",
                      Restore});
}

}  // namespace quillet::tool
