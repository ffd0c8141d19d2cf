// SPDX-License-Identifier: GPL-3.0-or-later
// The help window finds its pages as program data: the diary directory's
// help/ first, else the installed or built pages.
#include <app/help_window.h>
#include <app/main_screen.h>

#include "../support/recording_messenger.h"
#include "../support/temp_dir.h"

#include <QTextBrowser>

#include <gtest/gtest.h>

namespace quillet {
namespace {

using testing::TempDir;

TEST(HelpPages, AreProgramDataWithTheDiaryDirectoryFirst) {
  TempDir dir;
  testing::RecordingMessenger messages;
  dir.Write("QX.INI", "[Opening Screen]\nshow=0\n");
  TMainScreen w(dir.path());

  // No help/ in the diary: the pages made with the program.
  THelpWindow* help = THelpWindow::ShowTopic(THelpWindow::kContents, &w);
  const QUrl built = help->Browser()->source();
  EXPECT_TRUE(built.isLocalFile()) << built.toString().toStdString();
  EXPECT_TRUE(built.toLocalFile().endsWith("share/quillet/help/contents.html")) << built.toString().toStdString();
  EXPECT_FALSE(help->Browser()->toPlainText().isEmpty());

  // The diary's own pages win; a topic it lacks falls back to its contents page.
  dir.Write("help/contents.html", "<p>My own contents</p>");
  help->GoToTopic(THelpWindow::kContents);
  EXPECT_EQ(help->Browser()->source().toLocalFile().toStdString(), (dir / "help/contents.html").string());
  EXPECT_EQ(help->Browser()->toPlainText().toStdString(), "My own contents");
  help->GoToTopic(1010);
  EXPECT_EQ(help->Browser()->toPlainText().toStdString(), "My own contents");
  help->close();
}

}  // namespace
}  // namespace quillet
