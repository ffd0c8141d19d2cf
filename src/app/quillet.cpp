// SPDX-License-Identifier: GPL-3.0-or-later
// Quillet: a desktop diary, one rich-text entry per calendar day.
#include <app/startup.h>

#include <QApplication>

int main(int argc, char** argv) {
  const quillet::TStartOptions options =
      quillet::ParseStartOptions(std::vector<std::string>(argv + 1, argv + argc));
  if (int status = quillet::StartOptionsOutcome(options); status >= 0) return status;
  QApplication app(argc, argv);
  quillet::SetUpApplication(app);
  return quillet::RunQuillet(app, options);
}
