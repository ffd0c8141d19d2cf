#include <base/safe_file.h>

#include <base/error.h>

#include <cerrno>
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

}  // namespace

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

TSafeFileWriter::TSafeFileWriter(fs::path target) : target_(std::move(target)) {
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
  ::unlink(tempPath_.c_str());
  throw Error(std::string("Cannot ") + what + " file \"" + target_.string() + "\". " + Reason(err));
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
  int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) Fail("write", errno);
  if (Refused("rename") || ::rename(tempPath_.c_str(), target_.c_str()) != 0) Fail("write", errno);
  // Make the rename itself durable.
  fs::path dir = target_.parent_path();
  int dirFd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd >= 0) {
    ::fsync(dirFd);
    ::close(dirFd);
  }
}

void WriteFileSafely(const fs::path& path, std::string_view bytes) {
  TSafeFileWriter writer(path);
  writer.Write(bytes);
  writer.Commit();
}

}  // namespace quillet
