// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/instance_lock.h>

#include <QLockFile>
#include <QString>

namespace quillet {

TInstanceLock::TInstanceLock(const std::filesystem::path& diaryDir)
    : diaryDir_(diaryDir),
      lock_(std::make_unique<QLockFile>(QString::fromStdString((diaryDir / kFileName).string()))) {
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

std::string TInstanceLock::Unavailable() const {
  if (held_) return {};
  const std::string where = (diaryDir_ / kFileName).string();
  switch (lock_->error()) {
    case QLockFile::PermissionError:
      return "Quillet cannot create its lock file " + where +
             ": the diary folder cannot be written. Without it Quillet cannot keep a second "
             "copy from opening the same diary and overwriting your entries.";
    default:
      return "Quillet cannot create its lock file " + where +
             ". Without it Quillet cannot keep a second copy from opening the same diary and "
             "overwriting your entries.";
  }
}

void TInstanceLock::Release() {
  if (held_) lock_->unlock();
  held_ = false;
}

}  // namespace quillet
