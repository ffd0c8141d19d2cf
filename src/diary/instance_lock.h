/** One running copy per diary: a lock file in the diary directory. */
#pragma once

#include <filesystem>
#include <memory>

class QLockFile;

namespace quillet {

// Held for the life of the program. A lock left behind by a process that no
// longer runs is taken over; a lock of a running process refuses.
class TInstanceLock {
 public:
  explicit TInstanceLock(const std::filesystem::path& diaryDir);
  ~TInstanceLock();
  TInstanceLock(const TInstanceLock&) = delete;
  TInstanceLock& operator=(const TInstanceLock&) = delete;

  // True when another running copy holds the diary ("AlreadyRunning").
  bool AlreadyRunning();
  void Release();

  static constexpr const char* kFileName = ".quillet.lock";

 private:
  std::unique_ptr<QLockFile> lock_;
  bool held_ = false;
};

}  // namespace quillet
