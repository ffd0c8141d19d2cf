// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/save_options.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quillet {

TSaveOptions::TSaveOptions(QWidget* parent)
    : TRangeOptions("Export Options", "Export", parent) {
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
  auto* formatLabel = new QLabel("Format", panel2);
  formatLabel->setObjectName("FormatLabel");
  format_ = new QComboBox(panel2);
  format_->setObjectName("FormatBox");
  formatLabel->setBuddy(format_);
  for (auto [format, caption] : {std::pair{TExportFormat::kRtf, "RTF (Rich Text Format)"},
                                 std::pair{TExportFormat::kHtml, "HTML"},
                                 std::pair{TExportFormat::kMarkdown, "Markdown"},
                                 std::pair{TExportFormat::kText, "Plain text (UTF-8)"},
                                 std::pair{TExportFormat::kPdf, "PDF"}}) {
    format_->addItem(caption, int(format));
  }
  oneFile_ = new QCheckBox("Save the whole range as one file", panel2);
  oneFile_->setObjectName("OneFileBox");
  heading_ = new QCheckBox("Put the date at the top of each file", panel2);
  heading_->setObjectName("HeadingBox");
  auto* label3 = new QLabel(panel2);
  label3->setObjectName("Label3");
  label3->setWordWrap(true);
  names_ = label3;
  grid->addWidget(formatLabel, 0, 0, 1, 2);
  grid->addWidget(format_, 1, 0, 1, 2);
  grid->addWidget(oneFile_, 2, 0, 1, 2);
  grid->addWidget(heading_, 3, 0, 1, 2);
  grid->addWidget(label2, 4, 0, 1, 2);
  grid->addWidget(directory_, 5, 0);
  grid->addWidget(browse_, 5, 1);
  unprotected_ = new QLabel(
      "The exported files are not enciphered: the diary's password does not protect them. Keep them "
      "somewhere private, and delete them when they are no longer needed.",
      panel2);
  unprotected_->setObjectName("UnprotectedWarning");
  unprotected_->setWordWrap(true);
  unprotected_->hide();
  grid->addWidget(label3, 6, 0, 1, 2);
  grid->addWidget(unprotected_, 7, 0, 1, 2);
  AddPanel(panel2);

  connect(format_, &QComboBox::currentIndexChanged, this, [this] { FormatChanged(); });
  connect(oneFile_, &QCheckBox::clicked, this, [this](bool on) {
    htmlOneFile_ = on;
    FormatChanged();
  });
  connect(heading_, &QCheckBox::clicked, this, [this](bool on) { rtfHeading_ = on; });
  FormatChanged();

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
TExportFormat TSaveOptions::Format() const { return TExportFormat(format_->currentData().toInt()); }

void TSaveOptions::SetFormat(TExportFormat format) { format_->setCurrentIndex(format_->findData(int(format))); }

bool TSaveOptions::OneFile() const { return oneFile_->isChecked(); }
bool TSaveOptions::Heading() const { return heading_->isChecked(); }

void TSaveOptions::FormatChanged() {
  const TExportFormat format = Format();
  // HTML may go into one page; PDF always is one file. RTF files keep the
  // entry's own bytes unless asked to start with the date; the others always do.
  oneFile_->setEnabled(format == TExportFormat::kHtml);
  oneFile_->setChecked(AlwaysOneFile(format) || (format == TExportFormat::kHtml && htmlOneFile_));
  heading_->setEnabled(format == TExportFormat::kRtf);
  heading_->setChecked(format != TExportFormat::kRtf || rtfHeading_);
  const QString extension = QString::fromLatin1(ExportExtension(format));
  if (oneFile_->isChecked()) {
    names_->setText("The entries will be saved in one file named after the dates: YYYYMMDD-YYYYMMDD" + extension +
                    ". For instance, the entries of 1998 will be saved as 19980101-19981231" + extension + ".");
  } else {
    names_->setText("Files will be saved in the form: YYYYMMDD" + extension +
                    ". For instance, the entry for October 15, 1998 will be saved as 19981015" + extension + ".");
  }
  // The dialog has a fixed size once shown: it follows the longer or shorter text.
  if (isVisible()) setFixedSize(sizeHint());
}

void TSaveOptions::WarnUnprotected(bool warn) { unprotected_->setVisible(warn); }

}  // namespace quillet
