// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/save_options.h>

#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quillet {

TSaveOptions::TSaveOptions(QWidget* parent)
    : TRangeOptions("Export Options (Export to RTF Format)", "Export", parent) {
  auto* panel2 = new QFrame(this);
  panel2->setObjectName("Panel2");
  panel2->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(panel2);
  auto* label2 = new QLabel("Save to path", panel2);
  label2->setObjectName("Label2");
  directory_ = new QLineEdit(panel2);
  directory_->setObjectName("DirectoryListBox1");
  directory_->setMinimumWidth(260);
  browse_ = new QPushButton("Browse...", panel2);
  browse_->setObjectName("BrowseButton");
  browse_->setAutoDefault(false);
  auto* label3 = new QLabel(
      "Files will be saved in the form: YYYYMMDD.RTF. For instance, the entry for October 15, "
      "1998 will be saved as 19981015.RTF.",
      panel2);
  label3->setObjectName("Label3");
  label3->setWordWrap(true);
  grid->addWidget(label2, 0, 0, 1, 2);
  grid->addWidget(directory_, 1, 0);
  grid->addWidget(browse_, 1, 1);
  unprotected_ = new QLabel(
      "The exported files are plain RTF: the diary's password does not protect them. Keep them "
      "somewhere private, and delete them when they are no longer needed.",
      panel2);
  unprotected_->setObjectName("UnprotectedWarning");
  unprotected_->setWordWrap(true);
  unprotected_->hide();
  grid->addWidget(label3, 2, 0, 1, 2);
  grid->addWidget(unprotected_, 3, 0, 1, 2);
  AddPanel(panel2);

  chooseDirectory = [](QWidget* owner, const QString& start) {
    return QFileDialog::getExistingDirectory(owner, "Save to path", start);
  };
  connect(browse_, &QPushButton::clicked, this, [this] {
    QString picked = chooseDirectory(this, Directory());
    if (!picked.isEmpty()) SetDirectory(picked);
  });
}

QString TSaveOptions::Directory() const { return directory_->text(); }
void TSaveOptions::SetDirectory(const QString& directory) { directory_->setText(directory); }
void TSaveOptions::WarnUnprotected(bool warn) { unprotected_->setVisible(warn); }

}  // namespace quillet
