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

// Writes a file through a temporary file in the same directory: the bytes go to
// the temporary file, which is flushed to disk and then renamed over the target.
// Until Commit succeeds the target is untouched; a writer destroyed without a
// successful Commit removes its temporary file. Every failure throws Error.
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

  fs::path target_;
  std::string tempPath_;
  int fd_ = -1;
};

// Writes the whole file at once through a TSafeFileWriter.
void WriteFileSafely(const fs::path& path, std::string_view bytes);

// Test seam: when set, it is asked before each step of a safe write
// ("create", "write", "flush", "rename"); answering false makes that step fail
// as a full or read-only disk would. An empty function removes the seam.
void SetWriteFaultHook(std::function<bool(std::string_view step)> hook);

}  // namespace quillet
