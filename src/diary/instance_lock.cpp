#include <diary/instance_lock.h>

#include <QLockFile>
#include <QString>

namespace quillet {

TInstanceLock::TInstanceLock(const std::filesystem::path& diaryDir)
    : lock_(std::make_unique<QLockFile>(QString::fromStdString((diaryDir / kFileName).string()))) {
  // Age alone never makes a lock stale: only a holder that is gone does.
  lock_->setStaleLockTime(0);
}

TInstanceLock::~TInstanceLock() { Release(); }

bool TInstanceLock::AlreadyRunning() {
  if (held_) return false;
  held_ = lock_->tryLock(0);
  if (!held_ && lock_->error() == QLockFile::LockFailedError) {
    // A lock whose process is gone is removed and taken.
    if (lock_->removeStaleLockFile()) held_ = lock_->tryLock(0);
  }
  if (held_) return false;
  return lock_->error() == QLockFile::LockFailedError;
}

void TInstanceLock::Release() {
  if (held_) lock_->unlock();
  held_ = false;
}

}  // namespace quillet
