// SPDX-License-Identifier: GPL-3.0-or-later
#include <base/safe_file.h>

#include <base/error.h>

#include <cerrno>
#include <optional>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillet {
namespace {

std::function<bool(std::string_view)> faultHook;

// Asks the test seam whether a step may go ahead; a refused step fails with ENOSPC.
bool Refused(std::string_view step) {
  if (faultHook && !faultHook(step)) {
    errno = ENOSPC;
    return true;
  }
  return false;
}

std::string Reason(int err) { return std::strerror(err); }

// The file that `path` names once symbolic links are followed (it need not
// exist yet: a dangling link names the file it would create). Nothing when the
// links go round in a loop.
std::optional<fs::path> FollowLinks(fs::path path) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code ec;
    fs::path to = fs::read_symlink(path, ec);
    if (ec) return path;
    path = to.is_absolute() ? to : path.parent_path() / to;
  }
  return std::nullopt;
}

bool WriteAll(int fd, const char* data, size_t size, off_t at) {
  while (size > 0) {
    ssize_t n = ::pwrite(fd, data, size, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
    at += n;
  }
  return true;
}

}  // namespace

void SyncDirectoryOf(const fs::path& file) {
  fs::path dir = file.parent_path();
  int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

bool SameFile(const fs::path& a, const fs::path& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void SetWriteFaultHook(std::function<bool(std::string_view)> hook) { faultHook = std::move(hook); }

void ForEachNameIn(const fs::path& dir, const std::function<void(std::string_view name)>& each) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  while (const dirent* item = ::readdir(d)) {
    std::string_view name = item->d_name;
    if (name != "." && name != "..") each(name);
  }
  ::closedir(d);
}

namespace {

// Opened without blocking, so that a named pipe or a device where a file
// should be cannot hang the program, and refused unless it is a plain file.
int OpenRegularFile(const fs::path& path, struct stat& st) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) throw Error("Cannot open file \"" + path.string() + "\". " + Reason(errno));
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    throw Error("Cannot read file \"" + path.string() + "\". It is not a regular file.");
  }
  return fd;
}

}  // namespace

int OpenPlainFile(const fs::path& path) {
  struct stat st {};
  int fd = OpenRegularFile(path, st);
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

// A regular file never blocks, so the descriptor is read as it was opened;
// the size it has now is read at once, and a short read is its end. A diary
// scan reads thousands of small files: each costs four system calls.
std::string ReadWholeFile(const fs::path& path) {
  struct stat st {};
  int fd = OpenRegularFile(path, st);
  std::string bytes;
  size_t want = size_t(st.st_size) + 1;  // one more, to see a file that has grown
  for (;;) {
    const size_t size = bytes.size();
    bytes.resize(size + want);
    ssize_t n = ::read(fd, bytes.data() + size, want);
    if (n < 0) {
      bytes.resize(size);
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      throw Error("Cannot read file \"" + path.string() + "\". " + Reason(err));
    }
    bytes.resize(size + size_t(n));
    if (size_t(n) < want) break;
    want = 65536;
  }
  ::close(fd);
  return bytes;
}

TSafeFileWriter::TSafeFileWriter(fs::path target, TFileAccess access)
    : shown_(target), target_(std::move(target)) {
  std::optional<fs::path> file = FollowLinks(target_);
  if (!file) Fail("create", ELOOP);
  target_ = *file;
  fs::path dir = target_.parent_path();
  if (dir.empty()) dir = ".";
  tempPath_ = (dir / (kTemporaryPrefix + target_.filename().string() + ".XXXXXX")).string();
  if (Refused("create")) Fail("create", errno);
  // mkstemp makes the file readable by its owner alone, and so it stays while
  // it is written; a lock on it tells RemoveStaleTemporaries that it is in use.
  fd_ = ::mkstemp(tempPath_.data());
  if (fd_ < 0) Fail("create", errno);
  ::flock(fd_, LOCK_EX | LOCK_NB);
  // A replaced file keeps its permissions; a new one gets those of its kind.
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0) {
    mode_ = st.st_mode & 07777;
  } else if (access == TFileAccess::kShared) {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode_ = 0666 & ~mask;
  } else {
    mode_ = 0600;
  }
}

TSafeFileWriter::~TSafeFileWriter() {
  if (fd_ >= 0) ::close(fd_);
  if (!committed_ && !tempPath_.empty()) ::unlink(tempPath_.c_str());
}

void TSafeFileWriter::Fail(const char* what, int err) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!tempPath_.empty()) ::unlink(tempPath_.c_str());
  throw Error(std::string("Cannot ") + what + " file \"" + shown_.string() + "\". " + Reason(err));
}

void TSafeFileWriter::Write(std::string_view bytes) {
  if (Refused("write")) Fail("write", errno);
  while (!bytes.empty()) {
    ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("write", errno);
    }
    bytes.remove_prefix(size_t(n));
  }
}

void TSafeFileWriter::Commit() {
  if (Refused("flush") || ::fsync(fd_) != 0) Fail("write", errno);
  struct stat st {};
  if (::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink > 1) {
    OverwriteInPlace();
    return;
  }
  if (::fchmod(fd_, mode_) != 0) Fail("write", errno);
  int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) Fail("write", errno);
  if (Refused("rename") || ::rename(tempPath_.c_str(), target_.c_str()) != 0) Fail("write", errno);
  committed_ = true;
  SyncDirectoryOf(target_);  // makes the rename itself durable
}

void TSafeFileWriter::OverwriteInPlace() {
  int out = ::open(target_.c_str(), O_RDWR | O_CLOEXEC);
  if (out < 0) Fail("write", errno);
  std::string old;
  std::string chunk(65536, '\0');
  int err = 0;
  for (off_t at = 0;;) {
    ssize_t n = ::pread(out, chunk.data(), chunk.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) err = errno;
    if (n <= 0) break;
    old.append(chunk.data(), size_t(n));
    at += n;
  }
  off_t size = ::lseek(fd_, 0, SEEK_END);
  if (err == 0 && size < 0) err = errno;
  // Reserve the room first, so that a full disk is met before a byte changes.
  if (err == 0 && size > 0 && ::fallocate(out, 0, 0, size) != 0 && errno != EOPNOTSUPP &&
      errno != ENOSYS) {
    err = errno;
    ::ftruncate(out, off_t(old.size()));  // a partly granted reservation may have grown it
  }
  if (err != 0) {
    ::close(out);
    Fail("write", err);
  }
  for (off_t at = 0; at < size && err == 0;) {
    ssize_t n = ::pread(fd_, chunk.data(), chunk.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0 || !WriteAll(out, chunk.data(), size_t(n), at)) err = n == 0 ? EIO : errno;
    at += n > 0 ? n : 0;
  }
  if (err == 0 && Refused("overwrite")) err = errno;
  if (err == 0 && (::ftruncate(out, size) != 0 || ::fsync(out) != 0)) err = errno;
  if (err != 0) {
    bool restored = WriteAll(out, old.data(), old.size(), 0) &&
                    ::ftruncate(out, off_t(old.size())) == 0 && ::fsync(out) == 0;
    ::close(out);
    if (!restored) {
      // The new bytes stay complete in the temporary file; say where.
      ::close(fd_);
      fd_ = -1;
      std::string kept = tempPath_;
      tempPath_.clear();
      throw Error("Cannot write file \"" + shown_.string() + "\". " + Reason(err) +
                  " Its new contents are kept in \"" + kept + "\".");
    }
    Fail("write", err);
  }
  ::close(out);
  ::close(fd_);
  fd_ = -1;
  committed_ = true;
  ::unlink(tempPath_.c_str());
  SyncDirectoryOf(target_);
}

void WriteFileSafely(const fs::path& path, std::string_view bytes, TFileAccess access) {
  TSafeFileWriter writer(path, access);
  writer.Write(bytes);
  writer.Commit();
}

void OverwriteFile(const fs::path& path, std::string_view bytes) {
  auto fail = [&](int err) {
    throw Error("Cannot write file \"" + path.string() + "\". " + Reason(err));
  };
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) fail(errno);
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  size_t half = bytes.size() / 2;
  if (!WriteAll(fd, bytes.data(), half, 0)) fail(errno);
  if (Refused("overwrite")) fail(errno);
  if (!WriteAll(fd, bytes.data() + half, bytes.size() - half, off_t(half))) fail(errno);
  if (::ftruncate(fd, off_t(bytes.size())) != 0) fail(errno);
}

int RemoveStaleTemporaries(const fs::path& dir,
                           const std::function<bool(std::string_view name)>& ours) {
  int removed = 0;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    // ".NAME.XXXXXX": the writer's prefix, a target's name, mkstemp's six letters.
    const size_t dot = name.rfind('.');
    if (name.rfind(kTemporaryPrefix, 0) != 0 || dot == std::string::npos || dot + 7 != name.size() ||
        dot <= 1) {
      continue;
    }
    if (!ours(std::string_view(name).substr(1, dot - 1))) continue;
    int fd = ::open(it->path().c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY);
    if (fd < 0) continue;
    struct stat st {};
    // A writer that is still at work holds its lock; one that was killed does not.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::unlink(it->path().c_str()) == 0) {
      ++removed;
    }
    ::close(fd);
  }
  return removed;
}

void SyncFileSystemOf(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0 || Refused("sync") || ::syncfs(fd) != 0) {
    int err = errno;
    if (fd >= 0) ::close(fd);
    throw Error("Cannot write to \"" + path.string() + "\". " + Reason(err));
  }
  ::close(fd);
}

}  // namespace quillet
