// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/recovery_copy.h>

#include <diary/paths.h>
#include <base/error.h>
#include <base/safe_file.h>

#include <cerrno>
#include <charconv>
#include <cstring>

namespace quillet {
namespace {

constexpr std::string_view kMagic = "QUILLET RECOVERY 1\n";

// The value of the header line "NAME VALUE\n" at `at`, which moves past it.
std::optional<std::string_view> HeaderLine(std::string_view text, size_t& at, std::string_view name) {
  if (text.compare(at, name.size() + 1, std::string(name) + " ") != 0) return std::nullopt;
  size_t end = text.find('\n', at);
  if (end == std::string_view::npos) return std::nullopt;
  std::string_view value = text.substr(at + name.size() + 1, end - at - name.size() - 1);
  at = end + 1;
  return value;
}

}  // namespace

fs::path RecoveryCopyName(const fs::path& diaryDir) {
  return FindNoCase(diaryDir, kRecoveryFileName);
}

void WriteRecoveryCopy(const TEntryStore& store, TDate day, std::string_view page) {
  std::string file(kMagic);
  file += "day " + DayKey(day) + "\ntaken " + std::to_string(std::time(nullptr)) + "\n\n";
  file += store.Encode(day, page);
  WriteFileSafely(RecoveryCopyName(store.DiaryDir()), file);
}

TRecoveryCopy ReadRecoveryCopy(const TEntryStore& store) {
  TRecoveryCopy copy;
  const fs::path path = RecoveryCopyName(store.DiaryDir());
  std::error_code ec;
  if (!fs::exists(fs::symlink_status(path, ec))) return copy;
  copy.status = TRecoveryCopy::kUnreadable;
  std::string file;
  try {
    file = ReadWholeFile(path);
  } catch (const std::exception& e) {
    copy.problem = e.what();
    return copy;
  }
  size_t at = kMagic.size();
  std::optional<std::string_view> day, taken;
  if (file.compare(0, kMagic.size(), kMagic) == 0) {
    day = HeaderLine(file, at, "day");
    taken = day ? HeaderLine(file, at, "taken") : std::nullopt;
  }
  std::optional<TDate> date = day ? ParseDayKey(*day) : std::nullopt;
  long long seconds = 0;
  if (!date || !taken ||
      std::from_chars(taken->data(), taken->data() + taken->size(), seconds).ec != std::errc() ||
      at >= file.size() || file[at] != '\n') {
    copy.problem = "The recovery copy " + path.string() + " is damaged.";
    return copy;
  }
  TEntryRead read = store.Decode(*date, file.substr(at + 1), path);
  if (read.status != TEntryRead::kOk) {
    copy.problem = "The recovery copy " + path.string() + " cannot be read with the diary's password.";
    return copy;
  }
  copy.status = TRecoveryCopy::kOk;
  copy.day = *date;
  copy.taken = std::time_t(seconds);
  copy.bytes = std::move(read.bytes);
  return copy;
}

bool RecoveryCopyIsSaved(const TEntryStore& store, const TRecoveryCopy& copy) {
  TEntryRead entry = store.Read(copy.day);
  if (entry.status == TEntryRead::kNone) return copy.bytes.empty();
  return entry.status == TEntryRead::kOk && entry.bytes == copy.bytes;
}

void RemoveRecoveryCopy(const fs::path& diaryDir) {
  const fs::path path = RecoveryCopyName(diaryDir);
  std::error_code ec;
  if (!fs::remove(path, ec) && ec && ec != std::errc::no_such_file_or_directory) {
    throw Error("Unable to remove " + path.string() + ": " + ec.message());
  }
}

fs::path SetRecoveryCopyAside(const fs::path& diaryDir) {
  const fs::path path = RecoveryCopyName(diaryDir);
  const std::string stamp = TimeStampNow();
  fs::path aside = diaryDir / (std::string("Recovery-unreadable-") + stamp + ".QXR");
  for (int n = 2; fs::exists(aside); ++n) {
    aside = diaryDir / (std::string("Recovery-unreadable-") + stamp + "-" + std::to_string(n) + ".QXR");
  }
  if (::rename(path.c_str(), aside.c_str()) != 0) return path;  // left where it is, still kept
  return aside;
}

}  // namespace quillet
