// SPDX-License-Identifier: GPL-3.0-or-later
/** One window per diary: a second start asks the running copy to come to the front. */
#pragma once

#include <QObject>

#include <filesystem>
#include <string>

class QSocketNotifier;

namespace quillet {

// The local socket of the copy that holds a diary: in the user's runtime
// folder, named after the diary folder, so each diary has its own.
QString WindowCallName(const std::filesystem::path& diaryDir);

// Listens, in the copy that holds the diary's lock, for later starts on the
// same diary; each is answered and reported as ShowRequested.
class TWindowCallServer : public QObject {
  Q_OBJECT
 public:
  explicit TWindowCallServer(const std::filesystem::path& diaryDir, QObject* parent = nullptr);
  ~TWindowCallServer() override;
  bool Listening() const;

 signals:
  void ShowRequested();

 private:
  void Answer();

  std::string path_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

// Asks the copy that holds the diary to show its window; true once it has
// answered. False when no copy listens or it did not answer within the time.
bool AskRunningCopyToShow(const std::filesystem::path& diaryDir, int timeoutMs = 3000);

}  // namespace quillet
