// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/ui/print_status.h>

#include <diary/dates.h>
#include <base/messages.h>
#include <finding/printer_list.h>
#include <finding/ui/print_options.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <unistd.h>

namespace quillet {

QStringList AvailablePrinters() {
  QStringList list;
  for (const std::string& name : ProgramPrinters()) list << QString::fromStdString(name);
  list << kSaveAsPdf;
  return list;
}

QString& ChosenPrinter() {
  static QString chosen;
  return chosen;
}

TPaperChoice& ChosenPaper() {
  static TPaperChoice chosen = [] {
    TPaperChoice c;
    const QPageSize::PageSizeId fallback = QPrinter().pageLayout().pageSize().id();
    if (fallback != QPageSize::Custom) c.size = fallback;
    return c;
  }();
  return chosen;
}

TPrintStatusForm::TPrintStatusForm(const TEntryStore& store, QPrinter& printer, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      store_(store),
      printer_(printer) {
  setWindowTitle("Print Status");
  auto* layout = new QVBoxLayout(this);
  status_ = new QLabel("Printing", this);
  status_->setObjectName("printerstatus");
  status_->setMinimumWidth(320);
  status_->setWordWrap(true);
  button_ = new QPushButton("Cancel", this);
  button_->setObjectName("CancelButton");
  layout->addWidget(status_);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(button_);
  row->addStretch();
  layout->addLayout(row);
  connect(button_, &QPushButton::clicked, this, &TPrintStatusForm::CancelButtonClick);
  setFixedWidth(sizeHint().width());
}

TPrintStatusForm::~TPrintStatusForm() = default;

void TPrintStatusForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!firstActivation_) return;
  firstActivation_ = false;
  // The job runs once the window is painted; later activations print nothing.
  QTimer::singleShot(0, this, &TPrintStatusForm::RunJob);
}

void TPrintStatusForm::BecomeOk() {
  finished_ = true;
  button_->setText("OK");
}

void TPrintStatusForm::CancelButtonClick() {
  if (finished_) {
    accept();
    return;
  }
  cancelled_ = true;
  status_->setText("Cancelled");
  BecomeOk();
}

void TPrintStatusForm::reject() {
  if (running_) {
    CancelButtonClick();  // Escape while printing cancels after the current day
    return;
  }
  QDialog::reject();
}

namespace {

bool RenameOver(const QString& from, const QString& to) {
  return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

}  // namespace

void TPrintStatusForm::RunJob() {
  running_ = true;
  TPrintJob job(store_, printer_);
  job.dayDone = [this](TDate day) {
    if (!cancelled_) status_->setText("Printed " + QString::fromStdString(ShortDate(day)));
    QCoreApplication::processEvents();
    return cancelled_;
  };
  job.abort = [this] { printer_.abort(); };
  outcome_ = job.Run(startDate, endDate, merged);
  running_ = false;
  std::string failure = job.Failure();
  if (!pdfFile.isEmpty()) {
    const bool keep = outcome_ == TPrintOutcome::kCompleted && job.EntriesPrinted() > 0;
    // The file has its name before the window says it is done.
    if (keep && !RenameOver(printer_.outputFileName(), pdfFile)) {
      outcome_ = TPrintOutcome::kFailed;
      failure = "Unable to write to " + pdfFile.toStdString();
    }
    if (!keep || outcome_ != TPrintOutcome::kCompleted) QFile::remove(printer_.outputFileName());
  }
  if (outcome_ == TPrintOutcome::kCompleted && job.EntriesPrinted() == 0) {
    // Nothing reached the printer (no "Save as PDF" file either): say so
    // rather than "Completed".
    status_->setText(QString::fromStdString(startDate == endDate
                                                ? "There is no entry for " + ShortDate(startDate) + " to print."
                                                : "There are no entries from " + ShortDate(startDate) + " to " +
                                                      ShortDate(endDate) + " to print."));
  } else if (outcome_ == TPrintOutcome::kCompleted) {
    status_->setText("Completed");
  } else if (outcome_ == TPrintOutcome::kFailed) {
    QApplication::beep();
    status_->setText(QString::fromStdString(failure));
  }
  BecomeOk();
}

std::function<QString(QWidget* parent)>& AskPdfFileName() {
  static std::function<QString(QWidget*)> ask = [](QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, "Save as PDF", QString(), "PDF files (*.pdf)");
  };
  return ask;
}

void PrintSetup(QWidget* parent, const std::function<void(QWidget*)>& placeDialog) {
  QDialog dialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  dialog.setWindowTitle("Print Setup");
  auto* layout = new QVBoxLayout(&dialog);
  auto* form = new QFormLayout;
  layout->addLayout(form);
  auto* printers = new QComboBox(&dialog);
  printers->setObjectName("Printers");
  printers->addItems(AvailablePrinters());
  int at = printers->findText(ChosenPrinter());
  printers->setCurrentIndex(at < 0 ? 0 : at);
  form->addRow("Printer", printers);

  auto* paper = new QComboBox(&dialog);
  paper->setObjectName("PaperSize");
  for (QPageSize::PageSizeId id : {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::B5, QPageSize::Letter,
                                   QPageSize::Legal, QPageSize::Executive, QPageSize::Tabloid}) {
    paper->addItem(QPageSize::name(id), int(id));
  }
  at = paper->findData(int(ChosenPaper().size));
  if (at < 0) {
    paper->addItem(QPageSize::name(ChosenPaper().size), int(ChosenPaper().size));
    at = paper->count() - 1;
  }
  paper->setCurrentIndex(at);
  form->addRow("&Paper size", paper);

  auto* orientation = new QComboBox(&dialog);
  orientation->setObjectName("Orientation");
  orientation->addItem("Portrait", int(QPageLayout::Portrait));
  orientation->addItem("Landscape", int(QPageLayout::Landscape));
  orientation->setCurrentIndex(ChosenPaper().orientation == QPageLayout::Landscape ? 1 : 0);
  form->addRow("&Orientation", orientation);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addWidget(buttons);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  if (placeDialog) placeDialog(&dialog);
  if (dialog.exec() != QDialog::Accepted) return;
  ChosenPrinter() = printers->currentText();
  ChosenPaper().size = QPageSize::PageSizeId(paper->currentData().toInt());
  ChosenPaper().orientation = QPageLayout::Orientation(orientation->currentData().toInt());
}

void PrintCommand(const TPrintRequest& request) {
  QStringList printers = AvailablePrinters();
  if (printers.isEmpty()) {
    Messenger().InfoBox("No printers installed");
    return;
  }
  TPrintOptions options(request.parent);
  options.startDate = request.currentDate;
  options.endDate = Today();
  options.placeDialog = request.placeDialog;
  options.OnNeedEntryDays = request.entryDays;
  if (request.placeDialog) request.placeDialog(&options);
  if (options.exec() != QDialog::Accepted) return;
  TDate start = options.startDate, end = options.endDate;
  if (options.currentOnly) {
    start = end = request.currentDate;
  } else if (options.all) {
    start = request.store->FirstDiaryRecord();
    end = request.store->LastDiaryRecord();
  }

  QString name = ChosenPrinter();
  if (!printers.contains(name)) name = printers.front();
  QPrinter printer(QPrinter::HighResolution);
  QString pdfFile, pdfTemp;
  if (name == kSaveAsPdf) {
    pdfFile = AskPdfFileName()(request.parent);
    if (pdfFile.isEmpty()) return;
    // Written beside the target and renamed over it once complete.
    pdfTemp = pdfFile + ".part" + QString::number(getpid());
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdfTemp);
  } else {
    printer.setPrinterName(name);
  }
  printer.setFullPage(true);
  printer.setPageSize(QPageSize(ChosenPaper().size));
  printer.setPageOrientation(ChosenPaper().orientation);

  {
    TPrintStatusForm status(*request.store, printer, request.parent);
    status.startDate = start;
    status.endDate = end;
    status.merged = options.merge;
    status.pdfFile = pdfFile;
    if (request.placeDialog) request.placeDialog(&status);
    status.exec();
  }
  // A job that never ran leaves no part file behind either.
  if (!pdfTemp.isEmpty() && QFile::exists(pdfTemp)) QFile::remove(pdfTemp);
}

}  // namespace quillet
