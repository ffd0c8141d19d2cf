// Quillet: a desktop diary, one rich-text entry per calendar day.
#include <app/ui/main_screen.h>

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quillet"));
  quillet::TMainScreen window;
  window.show();
  return app.exec();
}
