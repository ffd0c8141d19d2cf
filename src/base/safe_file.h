// SPDX-License-Identifier: GPL-3.0-or-later
/** Reading whole files, and writing files so that a failure never leaves a half-written one. */
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace quillet {

namespace fs = std::filesystem;

// Opens a file for reading, refusing (with Error) anything but a regular file:
// a named pipe or a device is never waited on. The caller closes the descriptor.
int OpenPlainFile(const fs::path& path);

// Reads a whole regular file. Throws Error with the system's reason when it cannot.
std::string ReadWholeFile(const fs::path& path);

// Calls `each` with the name of every item of the folder `dir` but "." and
// "..", in the order the folder lists them; nothing when it cannot be read.
// Cheaper than a directory iterator, which builds a path for every item.
void ForEachNameIn(const fs::path& dir, const std::function<void(std::string_view name)>& each);

// Who may read a file that a safe write creates: its owner alone (the diary's
// own files), or as the user's umask says (files the user writes for others).
// A file that is replaced keeps the permissions it has.
enum class TFileAccess { kPrivate, kShared };

// True when both paths exist and name one file (the same device and inode),
// however they are spelled and whatever links lead there.
bool SameFile(const fs::path& a, const fs::path& b);

// Writes a file through a temporary file in the same directory: the bytes go to
// the temporary file, which is flushed to disk and then renamed over the target.
// Until Commit succeeds the target is untouched; a writer destroyed without a
// successful Commit removes its temporary file. Every failure throws Error.
//
// Links are kept. A symbolic link is followed to the file it names, and the
// temporary file is made in that file's directory, so the link stays a link.
// A file with more than one name (hard links) cannot be renamed over without
// parting its names, so it is overwritten in place instead: the new bytes are
// first complete and flushed in the temporary file, room for them is reserved
// in the file, then they are copied in and flushed, and only then is the
// temporary file removed. At every moment one complete version is on disk:
// the old one in the file until the copy starts, the new one in the temporary
// file (".NAME.XXXXXX" beside it) from then until the file holds it. A failure
// seen while copying puts the old bytes back.
class TSafeFileWriter {
 public:
  explicit TSafeFileWriter(fs::path target, TFileAccess access = TFileAccess::kPrivate);
  ~TSafeFileWriter();
  TSafeFileWriter(const TSafeFileWriter&) = delete;
  TSafeFileWriter& operator=(const TSafeFileWriter&) = delete;

  void Write(std::string_view bytes);
  void Commit();

 private:
  [[noreturn]] void Fail(const char* what, int err);
  void OverwriteInPlace();

  fs::path shown_;   // the path as given, for messages
  fs::path target_;  // the file itself, after following symbolic links
  std::string tempPath_;
  int fd_ = -1;
  mode_t mode_ = 0600;  // the file's permissions once it takes the target's name
  bool committed_ = false;
};

// How a writer names its temporary file: this prefix, the target's name, a dot
// and six letters.
inline constexpr const char* kTemporaryPrefix = ".";

// Removes from `dir` the temporary files that safe writes left behind when
// they were cut off (killed, power lost), for targets whose name `ours`
// accepts. A temporary file still held by a live writer is left alone.
// Returns how many were removed.
int RemoveStaleTemporaries(const fs::path& dir,
                           const std::function<bool(std::string_view name)>& ours);

// Writes the whole file at once through a TSafeFileWriter.
void WriteFileSafely(const fs::path& path, std::string_view bytes,
                     TFileAccess access = TFileAccess::kPrivate);

// Writes `bytes` into the file itself (made when missing; links followed and
// kept), with no temporary file and no flush: a failure or a crash part way
// leaves it part old, part new. Only for callers that hold the bytes in a
// flushed journal until SyncFileSystemOf has returned, and replay it after a
// crash. Throws Error.
void OverwriteFile(const fs::path& path, std::string_view bytes);

// Flushes the folder that holds `file`, so that a rename or a new name in it
// is on disk. Best effort: a folder that cannot be opened is passed over.
void SyncDirectoryOf(const fs::path& file);

// Flushes to disk everything written on the file system that holds `path`.
// Throws Error when the system reports a write that failed.
void SyncFileSystemOf(const fs::path& path);

// Test seam: when set, it is asked before each step of a safe write
// ("create", "write", "flush", "rename"; for a file with hard links "overwrite"
// instead of "rename", asked once the new bytes are copied in; in OverwriteFile
// "overwrite", asked when half the bytes are in; "sync" in SyncFileSystemOf;
// a test may also throw from it to stop the program at that step); answering false
// makes that step fail as a full or read-only disk would. An empty function
// removes the seam.
void SetWriteFaultHook(std::function<bool(std::string_view step)> hook);

}  // namespace quillet
