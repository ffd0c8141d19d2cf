// SPDX-License-Identifier: GPL-3.0-or-later
/** SIGTERM, SIGHUP and SIGINT turned into a Qt signal, so the program can save and end. */
#pragma once

#include <QObject>

class QSocketNotifier;

namespace quillet {

// While one lives, the three signals no longer end the process at once: the
// handler only writes a byte into a pipe, and `requested` is emitted from
// the event loop. The previous handlers come back when it is destroyed.
class TShutdownSignals : public QObject {
  Q_OBJECT
 public:
  explicit TShutdownSignals(QObject* parent = nullptr);
  ~TShutdownSignals() override;

 signals:
  void requested(int signal);

 private:
  void Read();

  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quillet
