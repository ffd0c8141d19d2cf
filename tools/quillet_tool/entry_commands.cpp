// SPDX-License-Identifier: GPL-3.0-or-later
// list and cat: the entries of a diary, by day key.
#include "tool.h"

#include <richtext/io.h>
#include <richtext/stream.h>
#include <richtext/writer.h>

#include <cstdio>

namespace quillet::tool {
namespace {

int List(TArgs& args) {
  args.Operands(0);
  TEntryStore store = OpenDiaryFiles(args.DiaryDir());
  std::string out;
  for (TDate d : store.EntryDates()) out += DayKey(d) + "\n";
  Put(out);
  return 0;
}

int Cat(TArgs& args) {
  const bool rtf = args.TakeFlag("--rtf");
  const std::string key = args.Operands(1)[0];
  const TDate date = DayKeyArgument(key);
  TEntryStore store = OpenDiary(args.DiaryDir());
  TEntryRead read = store.Read(date);
  if (read.status == TEntryRead::kNone) throw Failure("no entry for " + key);
  if (read.status == TEntryRead::kUnreadable) throw Failure(read.problem);
  richtext::TRTFTextIo doc;
  if (doc.LoadFromStream(read.bytes) != richtext::ioOk) {
    throw Failure("the entry of " + key + " cannot be read");
  }
  if (!rtf) {
    Put(richtext::PlainTextLines(doc));
  } else if (richtext::TRTFTextIo::DetectFormat(read.bytes) == richtext::FormatRTF) {
    Put(read.bytes);  // as stored, byte for byte
  } else {
    // An old entry kept as plain text is given as RTF all the same.
    doc.saveFormat = richtext::FormatRTF;
    richtext::TStringStream out;
    doc.SaveToStream(out, true);
    Put(out.bytes);
  }
  return 0;
}

}  // namespace

void AddEntryCommands(std::vector<TCommand>& commands) {
  commands.push_back({"list", "", "the day keys of all entries, one per line, in date order", List});
  commands.push_back(
      {"cat", "DAYKEY [--rtf]", "an entry as plain text, or its RTF with --rtf", Cat});
}

}  // namespace quillet::tool
