// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/help_window.h>

#include <app/main_screen.h>

#include <decoration/program_data.h>

#include <QDesktopServices>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

// The help pages live in a resource of this static library; they must be
// registered by name, or the linker drops them.
static void InitHelpResources() { Q_INIT_RESOURCE(quillet); }

namespace quillet {
namespace {

QPointer<THelpWindow> theHelpWindow;

// The pages are program data ("help" in the diary directory, where installed,
// or in the build tree); the copy built into the program serves otherwise.
QUrl PageOf(int topic) {
  const QString name = topic == THelpWindow::kContents ? QStringLiteral("contents.html")
                                                       : QStringLiteral("%1.html").arg(topic);
  if (const TMainScreen* main = MainScreen()) {
    const std::filesystem::path dir = FindProgramData(main->DiaryDir(), "help");
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) {
      return QUrl::fromLocalFile(QString::fromStdString((dir / name.toStdString()).string()));
    }
  }
  return QUrl(QStringLiteral("qrc:/quillet/help/") + name);
}

}  // namespace

THelpWindow::THelpWindow(QWidget* parent) : QDialog(parent) {
  InitHelpResources();
  setObjectName(QStringLiteral("HelpWindow"));
  setWindowTitle(QStringLiteral("Quillet Help"));
  setAttribute(Qt::WA_DeleteOnClose);
  auto* column = new QVBoxLayout(this);
  browser_ = new QTextBrowser(this);
  browser_->setOpenLinks(true);
  browser_->setOpenExternalLinks(false);
  connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
    if (url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) {
      if (TMainScreen* main = MainScreen()) main->openUrl(url);
      browser_->backward();
    }
  });
  column->addWidget(browser_);
  auto* contents = new QPushButton(QStringLiteral("Contents"), this);
  connect(contents, &QPushButton::clicked, this, [this] { GoToTopic(kContents); });
  column->addWidget(contents, 0, Qt::AlignLeft);
  resize(560, 480);
}

void THelpWindow::GoToTopic(int topic) {
  QUrl page = PageOf(topic);
  browser_->setSource(page);
  if (browser_->toPlainText().isEmpty()) browser_->setSource(PageOf(kContents));
}

THelpWindow* THelpWindow::ShowTopic(int topic, QWidget* parent) {
  if (!theHelpWindow) {
    theHelpWindow = new THelpWindow(parent);
    CenterForm(theHelpWindow);
  }
  theHelpWindow->GoToTopic(topic);
  theHelpWindow->show();
  theHelpWindow->raise();
  return theHelpWindow;
}

}  // namespace quillet
