// Quillet: a desktop diary, one rich-text entry per calendar day.
#include <app/ui/startup.h>

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
  const quillet::TStartOptions options =
      quillet::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (int status = quillet::StartOptionsOutcome(options); status >= 0) return status;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillet"));
  // The installed desktop entry and icon, so desktops show the window as Quillet.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.example.quillet"));
  QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quillet")));
  return quillet::RunQuillet(app, options);
}
