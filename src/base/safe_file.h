/** Reading whole files, and writing files so that a failure never leaves a half-written one. */
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace quillet {

namespace fs = std::filesystem;

// Reads a whole file. Throws Error with the system's reason when it cannot.
std::string ReadWholeFile(const fs::path& path);

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
  explicit TSafeFileWriter(fs::path target);
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
};

// Writes the whole file at once through a TSafeFileWriter.
void WriteFileSafely(const fs::path& path, std::string_view bytes);

// Test seam: when set, it is asked before each step of a safe write
// ("create", "write", "flush", "rename"; for a file with hard links "overwrite"
// instead of "rename", asked once the new bytes are copied in); answering false
// makes that step fail as a full or read-only disk would. An empty function
// removes the seam.
void SetWriteFaultHook(std::function<bool(std::string_view step)> hook);

}  // namespace quillet
