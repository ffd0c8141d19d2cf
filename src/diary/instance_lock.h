// SPDX-License-Identifier: GPL-3.0-or-later
/** One running copy per diary: a lock file in the diary directory. */
#pragma once

#include <filesystem>
#include <memory>
#include <string>

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
  // After AlreadyRunning answered false: true when this copy holds the lock.
  // When it does not, the lock file could not be made (a folder that cannot
  // be written, say) and nothing keeps a second copy out: why, for the user.
  bool Held() const { return held_; }
  std::string Unavailable() const;
  void Release();

  static constexpr const char* kFileName = ".quillet.lock";

 private:
  std::filesystem::path diaryDir_;
  std::unique_ptr<QLockFile> lock_;
  bool held_ = false;
};

}  // namespace quillet
