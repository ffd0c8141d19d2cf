// SPDX-License-Identifier: GPL-3.0-or-later
#include <diary/staging_dir.h>

#include <base/error.h>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace quillet {
namespace {

[[noreturn]] void Fail(const std::string& what, const fs::path& path, int err) {
  throw Error("Cannot " + what + " \"" + path.string() + "\". " + std::strerror(err));
}

// Makes a directory's entries (or, with syncfs, its whole file system) durable.
void SyncDirectory(const fs::path& dir, bool wholeFileSystem) {
  int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail("write directory", dir, errno);
  int rc = wholeFileSystem ? ::syncfs(fd) : ::fsync(fd);
  int err = errno;
  ::close(fd);
  if (rc != 0) Fail("write directory", dir, err);
}

}  // namespace

TStagingDir::TStagingDir(fs::path staging) : staging_(std::move(staging)) {
  std::error_code ec;
  fs::remove_all(staging_, ec);
  if (ec) Fail("remove directory", staging_, ec.value());
  if (::mkdir(staging_.c_str(), 0700) != 0) Fail("create directory", staging_, errno);
}

TStagingDir::~TStagingDir() {
  if (committed_) return;
  std::error_code ec;
  fs::remove_all(staging_, ec);
}

void TStagingDir::Write(const std::string& name, std::string_view bytes) {
  fs::path path = staging_ / name;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) Fail("write file", path, errno);
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int err = errno;
      ::close(fd);
      Fail("write file", path, err);
    }
    bytes.remove_prefix(size_t(n));
  }
  if (::close(fd) != 0) Fail("write file", path, errno);
}

void TStagingDir::Commit(const fs::path& target) {
  SyncDirectory(staging_, true);
  if (::rename(staging_.c_str(), target.c_str()) != 0) Fail("rename directory", staging_, errno);
  committed_ = true;
  // Make the rename itself durable; the files are in place whatever this says.
  fs::path parent = target.parent_path();
  try {
    SyncDirectory(parent.empty() ? fs::path(".") : parent, false);
  } catch (const Error&) {
  }
}

}  // namespace quillet
