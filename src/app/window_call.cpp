// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/window_call.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

// The call goes over a plain Unix socket rather than Qt's local sockets: Qt's
// network library and what it loads would double the libraries mapped at start.
namespace quillet {
namespace {

const std::string kShow = "show\n";
const std::string kShown = "shown\n";

// The socket's address, or false when the name does not fit one.
bool Address(const QString& name, sockaddr_un& address) {
  const QByteArray path = QFile::encodeName(name);
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (size_t(path.size()) >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
  return true;
}

// Waits until fd is ready for `events`, for at most the milliseconds left.
bool WaitFor(int fd, short events, std::chrono::steady_clock::time_point deadline) {
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, events, 0};
    const int n = ::poll(&p, 1, int(left.count()));
    if (n > 0) return true;
    if (n == 0 || errno != EINTR) return false;
  }
}

}  // namespace

QString WindowCallName(const std::filesystem::path& diaryDir) {
  // The same folder reached by another path is the same diary.
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(diaryDir, ec);
  if (ec) canonical = std::filesystem::absolute(diaryDir, ec).lexically_normal();
  if (!canonical.has_filename()) canonical = canonical.parent_path();  // "diary/" is "diary"
  const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(canonical.string()),
                                                   QCryptographicHash::Sha256).toHex().left(24);
  QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (folder.isEmpty()) folder = QDir::tempPath();
  return folder + QStringLiteral("/quillet-") + QString::fromLatin1(hash) + QStringLiteral(".socket");
}

TWindowCallServer::TWindowCallServer(const std::filesystem::path& diaryDir, QObject* parent) : QObject(parent) {
  sockaddr_un address;
  if (!Address(WindowCallName(diaryDir), address)) return;
  // Only the holder of the diary's lock gets here: a socket left by a copy
  // that was killed is stale, and removing it takes nothing from anyone.
  ::unlink(address.sun_path);
  path_ = address.sun_path;
  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd_ < 0) return;
  // Only the user may call: the socket is made without rights for others.
  const mode_t old = ::umask(077);
  const bool bound = ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::umask(old);
  if (!bound || ::listen(fd_, 4) != 0) {
    ::close(fd_);
    fd_ = -1;
    return;
  }
  notifier_ = new QSocketNotifier(qintptr(fd_), QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &TWindowCallServer::Answer);
}

TWindowCallServer::~TWindowCallServer() {
  if (fd_ < 0) return;
  ::close(fd_);
  ::unlink(path_.c_str());
}

bool TWindowCallServer::Listening() const { return fd_ >= 0; }

// A caller writes its one line as soon as it is connected; a caller that
// says nothing within a moment is dropped, so the window never waits long.
void TWindowCallServer::Answer() {
  for (;;) {
    const int caller = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (caller < 0) return;
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
    char buffer[16];
    while (line.find('\n') == std::string::npos && line.size() < kShow.size() && WaitFor(caller, POLLIN, deadline)) {
      const ssize_t n = ::read(caller, buffer, sizeof buffer);
      if (n <= 0) break;
      line.append(buffer, size_t(n));
    }
    if (line == kShow) {
      emit ShowRequested();
      (void)!::write(caller, kShown.data(), kShown.size());
    }
    ::close(caller);
  }
}

bool AskRunningCopyToShow(const std::filesystem::path& diaryDir, int timeoutMs) {
  sockaddr_un address;
  if (!Address(WindowCallName(diaryDir), address)) return false;
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  bool shown = false;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
      ::write(fd, kShow.data(), kShow.size()) == ssize_t(kShow.size())) {
    std::string answer;
    char buffer[16];
    while (answer.size() < kShown.size() && WaitFor(fd, POLLIN, deadline)) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n <= 0) break;
      answer.append(buffer, size_t(n));
    }
    shown = answer == kShown;
  }
  ::close(fd);
  return shown;
}

}  // namespace quillet
