// SPDX-License-Identifier: GPL-3.0-or-later
#include <app/about_box.h>

#include <app/main_screen.h>

#include <controls/url_label.h>

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#ifndef QUILLET_VERSION
#define QUILLET_VERSION "0"
#endif

namespace quillet {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About Quillet"));
  auto* column = new QVBoxLayout(this);
  auto* name = new QLabel(QStringLiteral("<b>Quillet</b> version " QUILLET_VERSION), this);
  column->addWidget(name, 0, Qt::AlignHCenter);
  column->addWidget(new QLabel(QStringLiteral("A diary: one page for every day."), this), 0,
                    Qt::AlignHCenter);
  const QString home = QString::fromLatin1(TMainScreen::kHomePage);
  auto* link = new TUrlLabel(this);
  link->setObjectName(QStringLiteral("HomePage"));
  link->setText(home);
  link->SetURL(home);
  column->addWidget(link, 0, Qt::AlignHCenter);
  auto* ok = new QPushButton(QStringLiteral("Ok"), this);
  ok->setObjectName(QStringLiteral("OKButton"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  column->addWidget(ok, 0, Qt::AlignHCenter);
  setFixedSize(sizeHint().expandedTo(QSize(300, 160)));
}

}  // namespace quillet
