// SPDX-License-Identifier: GPL-3.0-or-later
// An editor with its toolbar and ruler in one window, as the diary lays them out.
#pragma once

#include <richtext/ui/rich_text.h>
#include <richtext/ui/ruler.h>
#include <richtext/ui/toolbar.h>

#include "../../support/temp_dir.h"

#include <QApplication>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace richtext::testing {

struct FormatWindow {
  QWidget window;
  TRichToolBar* toolbar = new TRichToolBar;
  TRichRuler* ruler = new TRichRuler;
  TRichText* edit = new TRichText;
  int changes = 0;
  quillet::testing::TempDir dir;

  FormatWindow() {
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    layout->addWidget(ruler);
    layout->addWidget(edit, 1);
    toolbar->SetEditor(edit);
    ruler->SetEditor(edit);
    ruler->setFixedHeight(15);
    QObject::connect(edit, &TRichText::OnChange, [this] { ++changes; });
    window.resize(760, 420);
    window.show();
    edit->setFocus();
    Settle();
  }
  // Lets the toolbar and the ruler catch up with the caret.
  static void Settle() { QApplication::processEvents(); }

  void Load(std::string_view rtf) {
    edit->LoadFromStream(rtf);
    Settle();
  }
  void Type(const QString& text) { QTest::keyClicks(edit, text); }
  void Key(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(edit, key, mods);
    Settle();
  }
  // Selects `count` characters from the start of paragraph `par` with the keyboard.
  void Select(int par, int count) {
    Key(Qt::Key_Home, Qt::ControlModifier);
    for (int i = 0; i < par; ++i) Key(Qt::Key_Down);
    Key(Qt::Key_Home);
    for (int i = 0; i < count; ++i) QTest::keyClick(edit, Qt::Key_Right, Qt::ShiftModifier);
    Settle();
  }
  // The entry as it is saved.
  std::string Rtf() {
    auto path = dir / "entry.rtf";
    EXPECT_EQ(edit->SaveToFile(path), ioOk);
    return quillet::testing::ReadFile(path);
  }
};

inline std::string Body(const std::string& rtf) {
  // The text after the header tables, where the formatting of the text is.
  size_t at = rtf.find("\\margb");
  at = at == std::string::npos ? 0 : rtf.find('{', at);
  return at == std::string::npos ? rtf : rtf.substr(at);
}

}  // namespace richtext::testing
