// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/startup.h>

#include <app/legacy_offer.h>
#include <app/main_screen.h>
#include <app/password_dialogs.h>
#include <app/qt_messenger.h>
#include <app/shutdown_signals.h>
#include <app/window_call.h>

#include <diary/cipher.h>
#include <diary/diary_folder.h>
#include <diary/instance_lock.h>
#include <base/messages.h>
#include <diary/password_change.h>
#include <diary/passwords.h>
#include <diary/paths.h>
#include <finding/printer_list.h>
#include <app/start_options.h>

#include <controls/program_style.h>

#include <QApplication>
#include <QSessionManager>
#include <QEvent>
#include <QIcon>
#include <QTimer>
#include <QPrinterInfo>

#include <cstdio>

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "0"
#endif

namespace quillet {

std::function<std::optional<TEntryKey>(const std::filesystem::path& diaryDir)> CheckOpeningPassword =
    AskOpeningPassword;

namespace {

const char* const kUsage = "Usage: quillet [--diary-dir DIR]\n";

std::vector<std::string> InstalledPrinters() {
  std::vector<std::string> names;
  for (const QString& n : QPrinterInfo::availablePrinterNames()) names.push_back(n.toStdString());
  return names;
}

// Runs `then` once the watched window has painted for the first time.
class TAfterFirstPaint : public QObject {
 public:
  TAfterFirstPaint(QWidget* window, std::function<void()> then) : QObject(window), then_(std::move(then)) {
    window->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && then_) {
      watched->removeEventFilter(this);
      QTimer::singleShot(0, this, [this] {
        then_();
        deleteLater();
      });
    }
    return false;
  }

 private:
  std::function<void()> then_;
};

}  // namespace

int StartOptionsOutcome(const TStartOptions& options) {
  if (!options.error.empty()) {
    std::fprintf(stderr, "quillet: %s\n%s", options.error.c_str(), kUsage);
    return 2;
  }
  if (options.help) {
    std::printf("%s\nA diary: one rich-text entry for every day.\n\n"
                "  --diary-dir DIR  keep the diary (Entries/, QX.INI) in DIR\n"
                "  --help           show this help\n  --version        show the version\n",
                kUsage);
    return 0;
  }
  if (options.version) {
    std::printf("quillet %s\n", QUILLET_VERSION);
    return 0;
  }
  return -1;
}

void SetUpApplication(QApplication& app) {
  QApplication::setApplicationName(QStringLiteral("Quillet"));
  // The installed desktop entry, so desktops show the window as Quillet (its
  // icon follows once the window shows).
  QGuiApplication::setDesktopFileName(QStringLiteral("io.github.quillet.Quillet"));
  app.setStyle(new TProgramStyle);
}

int RunQuillet(QApplication& app, const TStartOptions& options, const TRunHooks& hooks) {
  TQtMessenger qtMessenger;
  TMessenger* messenger = hooks.messenger ? hooks.messenger : &qtMessenger;
  SetMessenger(messenger);
  struct Restore {
    ~Restore() { SetMessenger(nullptr); }
  } restore;

  SetPrinterSource(InstalledPrinters);

  const std::filesystem::path diaryDir = DiaryDirectory(options.diaryDir);
  std::error_code ec;
  if (!std::filesystem::is_directory(diaryDir, ec)) {
    try {
      CreatePrivateDirectory(diaryDir);
    } catch (const std::exception& e) {
      Messenger().ShowMessage(e.what());
      return 1;
    }
  }
  TInstanceLock lock(diaryDir);
  if (lock.AlreadyRunning()) {
    // The running copy brings its window to the front; only when it does not
    // answer is the user told and left to find it.
    if (!AskRunningCopyToShow(diaryDir)) Messenger().InfoBox("Quillet is already running");
    return 0;
  }
  if (!lock.Held()) {
    Messenger().ShowMessage(lock.Unavailable());
    return 1;
  }
  // The folder made private, cut-off writes cleared, the settings file checked.
  const TDiaryFolderCheck folder = PrepareDiaryFolder(diaryDir);
  if (!folder.problem.empty()) {
    Messenger().ShowMessage(folder.problem);
    return 1;
  }
  if (!folder.notice.empty()) Messenger().InfoBox(folder.notice);
  QCoreApplication::processEvents();

  // A password change that was cut off is finished or undone before the
  // password is read; a diary it cannot put right is not opened.
  const TRecoveryResult recovery = RecoverPasswordChange(diaryDir);
  if (recovery.outcome == TRecovery::Failed) {
    Messenger().ShowMessage(recovery.message);
    return 1;
  }
  if (recovery.outcome != TRecovery::Nothing) Messenger().InfoBox(recovery.message);

  // With no password the diary opens; otherwise the check gives the key.
  std::optional<TEntryKey> key;
  if (ReadStoredProtection(diaryDir).cipher != TCipher::None && CheckOpeningPassword) {
    key = CheckOpeningPassword(diaryDir);
    if (!key) return 0;
  }

  TEntryStore(diaryDir).DeleteStaleScratch();
  if (!TMainScreen::PerformConversion) TMainScreen::PerformConversion = OfferLegacyConversion;
  TMainScreen window(diaryDir, std::move(key));
  if (window.Terminated()) return 0;
  window.OfferRecoveryCopy();
  // The session ending, or a signal (logging out, shutting down, kill),
  // saves the page as Exit does and ends; the lock goes with the window.
  TShutdownSignals shutdown;
  bool ending = false;
  auto endNow = [&] {
    if (ending) return;
    ending = true;
    window.SaveForShutdown();
    app.quit();
  };
  QObject::connect(&shutdown, &TShutdownSignals::requested, &window, endNow);
  QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                   [&](QSessionManager&) { window.SaveForShutdown(); });
  // Later starts on this diary bring this window to the front instead.
  TWindowCallServer calls(diaryDir);
  QObject::connect(&calls, &TWindowCallServer::ShowRequested, &window, [&] {
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window.show();
    window.raise();
    window.activateWindow();
    if (hooks.showRequested) hooks.showRequested(window);
  });
  window.show();
  // The window's icon comes from the desktop's icon theme, and looking it up
  // there can take longer than building and painting the whole window: it
  // is set once the window has painted.
  new TAfterFirstPaint(&window, [] { QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quillet"))); });
  if (hooks.shown) hooks.shown(window);
  return app.exec();
}

}  // namespace quillet
