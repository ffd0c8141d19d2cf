// SPDX-License-Identifier: GPL-3.0-or-later
// The window without a mouse and with a screen reader: F6 and Shift+F6 go
// round the toolbar, the page and the day buttons; every control has a name.
#include <app/main_screen.h>

#include <controls/ring_panel.h>
#include <richtext/ui/rich_text.h>
#include <richtext/ui/toolbar.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace quillet {

void TMainScreen::BuildKeyboardAccess() {
  auto cycle = [this](const QKeySequence& key, int step) {
    auto* action = new QAction(this);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this, step] { CycleFocusArea(step); });
    addAction(action);
  };
  cycle(QKeySequence(Qt::Key_F6), 1);
  cycle(QKeySequence(Qt::SHIFT | Qt::Key_F6), -1);
  // The toolbar comes first in the Tab order, but the window opens in the page.
  richText1_->setFocus();

  ringPanel_->setAccessibleName(QStringLiteral("Diary page"));
  toolBar_->setAccessibleName(QStringLiteral("Toolbar"));
  actionPanel_->setAccessibleName(QStringLiteral("Day buttons"));
  // The lists show their choice, not what they choose: they are named by their hints.
  for (QComboBox* list : toolBar_->findChildren<QComboBox*>()) list->setAccessibleName(list->toolTip());
  findChild<QPushButton*>(QStringLiteral("CalendarButton"))->setAccessibleName(QStringLiteral("Select a date"));
}

void TMainScreen::CycleFocusArea(int step) {
  // The areas in the order F6 visits them; each gets the focus on its first
  // control that takes it (the page is one control).
  const QWidget* areas[] = {toolBar_, richText1_, actionPanel_};
  auto firstIn = [](const QWidget* area) -> QWidget* {
    if (area->focusPolicy() & Qt::TabFocus && area->isVisible() && area->isEnabled()) {
      return const_cast<QWidget*>(area);
    }
    for (QWidget* w : area->findChildren<QWidget*>()) {
      // findChildren gives the children in the order they were made: the order they are shown in.
      if ((w->focusPolicy() & Qt::TabFocus) && w->isVisible() && w->isEnabled() && !w->focusProxy()) return w;
    }
    return nullptr;
  };
  const int count = int(std::size(areas));
  int at = 1;  // nowhere yet: as if on the page
  QWidget* focus = QApplication::focusWidget();
  for (int i = 0; i < count && focus; ++i) {
    if (focus == areas[i] || areas[i]->isAncestorOf(focus)) at = i;
  }
  for (int tries = 1; tries <= count; ++tries) {
    int next = ((at + step * tries) % count + count) % count;
    if (QWidget* w = firstIn(areas[next])) {
      // The keyboard moved the focus: the styles draw it from now on, as after Tab.
      setAttribute(Qt::WA_KeyboardFocusChange);
      w->setFocus(step > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
  }
}

void TMainScreen::NameThePage() {
  // A screen reader names the page by the day it shows.
  richText1_->setAccessibleName(dateLabel_->text());
}

}  // namespace quillet
