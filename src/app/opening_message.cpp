// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/opening_message.h>

#include <app/main_screen.h>
#include <diary/paths.h>

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace quillet {

TShowOpeningMessage::TShowOpeningMessage(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("ShowOpeningMessage"));
  setWindowTitle(QStringLiteral("Quillet"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  auto* column = new QVBoxLayout(this);
  // The backup advice names the diary's own folders.
  const std::filesystem::path diary = MainScreen() ? MainScreen()->DiaryDir() : std::filesystem::path();
  for (const QString& text :
       {QStringLiteral("Quillet is intended solely for your personal recreational use. Please do not rely on it "
        "for critical data storage."),
        QStringLiteral("While Quillet makes every attempt to keep the data safe, we cannot prevent data damage "
        "from such things as power failures, hard drive crashes, etc."),
        QStringLiteral("Therefore, it is up to you to ensure that you make frequent backups of all files in the "
        "folder %1, as well as the QX.INI file beside it.").arg(QString::fromStdString(EntriesDir(diary).string()))}) {
    auto* label = new QLabel(text, this);
    label->setWordWrap(true);
    column->addWidget(label);
  }
  dontShow_ = new QCheckBox(QStringLiteral("Do not show this message again"), this);
  dontShow_->setObjectName(QStringLiteral("DontShow"));
  column->addWidget(dontShow_);
  auto* ok = new QPushButton(QStringLiteral("Ok"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  column->addWidget(ok, 0, Qt::AlignHCenter);
  setFixedSize(427, 230);
  if (QScreen* s = QGuiApplication::primaryScreen()) {
    QRect g = s->geometry();
    move(g.left() + (g.width() - width()) / 2, g.top() + (g.height() - height()) / 2);
  }
}

bool TShowOpeningMessage::DontShowChecked() const { return dontShow_->isChecked(); }

}  // namespace quillet
