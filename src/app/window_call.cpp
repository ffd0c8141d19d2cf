// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/window_call.h>

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace quillet {
namespace {

const QByteArray kShow = "show\n";
const QByteArray kShown = "shown\n";

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

TWindowCallServer::TWindowCallServer(const std::filesystem::path& diaryDir, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)) {
  const QString name = WindowCallName(diaryDir);
  // Only the holder of the diary's lock gets here: a socket left by a copy
  // that was killed is stale, and removing it takes nothing from anyone.
  QLocalServer::removeServer(name);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  server_->listen(name);
  connect(server_, &QLocalServer::newConnection, this, [this] {
    while (QLocalSocket* caller = server_->nextPendingConnection()) {
      connect(caller, &QLocalSocket::disconnected, caller, &QObject::deleteLater);
      connect(caller, &QLocalSocket::readyRead, this, [this, caller] {
        if (!caller->canReadLine()) return;
        if (caller->readLine() == kShow) {
          emit ShowRequested();
          caller->write(kShown);
          caller->flush();
        }
        caller->disconnectFromServer();
      });
    }
  });
}

bool TWindowCallServer::Listening() const { return server_->isListening(); }

bool AskRunningCopyToShow(const std::filesystem::path& diaryDir, int timeoutMs) {
  QLocalSocket socket;
  socket.connectToServer(WindowCallName(diaryDir));
  if (!socket.waitForConnected(timeoutMs)) return false;
  socket.write(kShow);
  if (!socket.waitForBytesWritten(timeoutMs)) return false;
  while (!socket.canReadLine()) {
    if (!socket.waitForReadyRead(timeoutMs)) return false;
  }
  return socket.readLine() == kShown;
}

}  // namespace quillet
