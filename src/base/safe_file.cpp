#include <base/safe_file.h>

#include <base/error.h>

#include <cerrno>
#include <optional>
#include <cstring>
#include <fcntl.h>
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

void SyncDirectoryOf(const fs::path& file) {
  fs::path dir = file.parent_path();
  int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

}  // namespace

bool SameFile(const fs::path& a, const fs::path& b) {
  struct stat sa {}, sb {};
  if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void SetWriteFaultHook(std::function<bool(std::string_view)> hook) { faultHook = std::move(hook); }

std::string ReadWholeFile(const fs::path& path) {
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) throw Error("Cannot open file \"" + path.string() + "\". " + Reason(errno));
  std::string bytes;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int err = errno;
      ::close(fd);
      throw Error("Cannot read file \"" + path.string() + "\". " + Reason(err));
    }
    if (n == 0) break;
    bytes.append(buf, size_t(n));
  }
  ::close(fd);
  return bytes;
}

TSafeFileWriter::TSafeFileWriter(fs::path target) : shown_(target), target_(std::move(target)) {
  std::optional<fs::path> file = FollowLinks(target_);
  if (!file) Fail("create", ELOOP);
  target_ = *file;
  fs::path dir = target_.parent_path();
  if (dir.empty()) dir = ".";
  tempPath_ = (dir / ("." + target_.filename().string() + ".XXXXXX")).string();
  if (Refused("create")) Fail("create", errno);
  fd_ = ::mkstemp(tempPath_.data());
  if (fd_ < 0) Fail("create", errno);
  // A replaced file keeps its permissions; a new one gets the usual ones.
  struct stat st {};
  mode_t mode;
  if (::stat(target_.c_str(), &st) == 0) {
    mode = st.st_mode & 07777;
  } else {
    mode_t mask = ::umask(0);
    ::umask(mask);
    mode = 0666 & ~mask;
  }
  ::fchmod(fd_, mode);
}

TSafeFileWriter::~TSafeFileWriter() {
  if (fd_ >= 0) {
    ::close(fd_);
    ::unlink(tempPath_.c_str());
  }
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
  int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) Fail("write", errno);
  if (Refused("rename") || ::rename(tempPath_.c_str(), target_.c_str()) != 0) Fail("write", errno);
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
  ::unlink(tempPath_.c_str());
  SyncDirectoryOf(target_);
}

void WriteFileSafely(const fs::path& path, std::string_view bytes) {
  TSafeFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

}  // namespace quillet
