// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/diary_folder.h>

#include <diary/ascii.h>
#include <diary/instance_lock.h>
#include <diary/paths.h>
#include <diary/recovery_copy.h>
#include <diary/strong_cipher.h>
#include <base/error.h>
#include <base/safe_file.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {
namespace {

constexpr mode_t kOthers = S_IRWXG | S_IRWXO;

// Takes group and other permissions away from `name` in the folder `dir`
// (not following a link). True when it had any. Looked up from the folder's
// descriptor, so that each of thousands of entries costs one short lookup.
bool MakePrivate(int dir, const char* name) {
  struct stat st {};
  if (::fstatat(dir, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || S_ISLNK(st.st_mode) ||
      (st.st_mode & kOthers) == 0) {
    return false;
  }
  if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return false;
  return ::fchmodat(dir, name, st.st_mode & 07700, 0) == 0;
}

// The folder and, when others could reach into it (it or a folder above it
// let them in), every item in it; folders one level down are not entered.
// Behind a folder its owner alone can enter, items are out of others' reach
// whatever their own modes, so a private diary's start does not look at every
// entry. The lock file holds no text of the diary, only who has it open.
int MakeFolderPrivate(const fs::path& dir, bool reachedFromAbove) {
  int changed = MakePrivate(AT_FDCWD, dir.c_str()) ? 1 : 0;
  if (changed == 0 && !reachedFromAbove) return 0;
  const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return changed;
  ForEachNameIn(dir, [&](std::string_view name) {
    if (name != TInstanceLock::kFileName) changed += MakePrivate(fd, std::string(name).c_str()) ? 1 : 0;
  });
  ::close(fd);
  return changed;
}

// The files the program keeps in the diary folder and writes safely.
bool IsDiaryFileName(std::string_view name) {
  return EqualNoCase(name, "QX.INI") || EqualNoCase(name, "quilletu.dct") ||
         EqualNoCase(name, "Password.jnl") || EqualNoCase(name, kRecoveryFileName) ||
         EqualNoCase(name, kKeyFileName);
}

bool IsEntryName(std::string_view name) {
  return name.size() == 12 && IsEntryFileName(name) && ParseDayKey(name.substr(0, 8));
}

}  // namespace

void CreatePrivateDirectory(const fs::path& dir) {
  std::error_code ec;
  if (fs::is_directory(dir, ec)) return;
  if (dir.has_parent_path()) fs::create_directories(dir.parent_path(), ec);
  if (::mkdir(dir.c_str(), 0700) != 0 && !fs::is_directory(dir, ec)) {
    throw Error("Unable to create the directory " + dir.string() + ": " +
                std::error_code(errno, std::generic_category()).message());
  }
}

TDiaryFolderCheck PrepareDiaryFolder(const fs::path& diaryDir) {
  TDiaryFolderCheck check;
  try {
    CreatePrivateDirectory(diaryDir);
  } catch (const Error& e) {
    check.problem = e.what();
    return check;
  }

  int tightened = MakeFolderPrivate(diaryDir, false);
  const bool diaryWasOpen = tightened > 0;
  std::error_code ec;
  const fs::path entries = EntriesDir(diaryDir);
  if (fs::is_directory(entries, ec)) tightened += MakeFolderPrivate(entries, diaryWasOpen);
  const fs::path deleted = FindNoCase(diaryDir, "Deleted");
  if (fs::is_directory(deleted, ec)) tightened += MakeFolderPrivate(deleted, diaryWasOpen);
  if (tightened > 0) {
    check.notice = "Other users of this computer could read your diary in " + diaryDir.string() +
                   ". Quillet has made it private: " + std::to_string(tightened) +
                   " file(s) and folder(s) can now be read by you alone.";
  }

  check.temporariesRemoved = RemoveStaleTemporaries(diaryDir, IsDiaryFileName);
  if (fs::is_directory(entries, ec)) {
    check.temporariesRemoved += RemoveStaleTemporaries(entries, IsEntryName);
  }

  const fs::path settings = SettingsFileName(diaryDir);
  struct stat st {};
  if (::stat(settings.c_str(), &st) == 0) {
    try {
      ::close(OpenPlainFile(settings));
    } catch (const Error& e) {
      check.problem = std::string(e.what()) +
                      "\n\nThe settings file holds the diary's password, so the diary is not "
                      "opened without it. Put the file right, or move it away to start with "
                      "the default settings.";
    }
  }
  return check;
}

}  // namespace quillet
