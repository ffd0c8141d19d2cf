// SPDX-License-Identifier: GPL-3.0-or-later
/** The help window: the program's own HTML help pages, opened at a topic number. */
#pragma once

#include <QDialog>

class QTextBrowser;

namespace quillet {

class THelpWindow : public QDialog {
  Q_OBJECT
 public:
  explicit THelpWindow(QWidget* parent = nullptr);

  // Topic numbers of the help pages; 1009 is the contents page.
  static constexpr int kContents = 1009;

  // Shows the one help window at a topic, creating it the first time.
  static THelpWindow* ShowTopic(int topic, QWidget* parent);
  void GoToTopic(int topic);
  QTextBrowser* Browser() const { return browser_; }

 private:
  QTextBrowser* browser_;
};

}  // namespace quillet
