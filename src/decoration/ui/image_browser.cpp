#include <decoration/ui/image_browser.h>

#include <base/messages.h>
#include <decoration/ui/smart_image.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeView>

#include <cmath>

namespace quillet {

const char* const TImageBrowser::kMask = "*.BMP;*.DIB;*.JPG;*.JIF;*.PCX;*.RLE;*.TGA;*.ICO";

TImageBrowser::TImageBrowser(QWidget* parent, const QString& startDir) : QDialog(parent) {
  setWindowTitle("Load Image File  ");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  setFixedSize(579, 362);
  QFont f("Arial");
  f.setPixelSize(11);
  setFont(f);

  DriveComboBox1 = new QComboBox(this);
  DriveComboBox1->setGeometry(5, 7, 259, 22);
  DriveComboBox1->addItems({"/", QDir::homePath()});
  dirs_ = new QFileSystemModel(this);
  dirs_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  dirs_->setRootPath("/");
  DirectoryListBox1 = new QTreeView(this);
  DirectoryListBox1->setGeometry(5, 33, 259, 113);
  DirectoryListBox1->setModel(dirs_);
  for (int c = 1; c < dirs_->columnCount(); ++c) DirectoryListBox1->hideColumn(c);
  DirectoryListBox1->setHeaderHidden(true);
  FileListBox1 = new QListWidget(this);
  FileListBox1->setGeometry(5, 149, 259, 133);

  auto* panel1 = new QFrame(this);
  panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
  panel1->setGeometry(273, 7, 292, 294);
  Image1 = new QLabel(panel1);
  Image1->move(7, 6);
  SmartImage1 = new TSmartImage(this);
  SmartImage1->hide();

  auto* mask = new QLabel("*.BMP;*.DIB;*.JPG;*.PCX;*.RLE;*.TGA;*.ICO", this);
  mask->setGeometry(5, 288, 259, 16);
  OKButton = new QPushButton("Ok", this);
  OKButton->setGeometry(16, 362 - 49 + 10, 78, 27);
  OKButton->setDefault(true);
  Cancelbutton = new QPushButton("Cancel", this);
  Cancelbutton->setGeometry(106, 362 - 49 + 10, 78, 27);
  SpinEdit1 = new QSpinBox(this);
  SpinEdit1->setGeometry(224, 362 - 49 + 12, 48, 22);
  SpinEdit1->setRange(25, 200);
  SpinEdit1->setSingleStep(5);
  SpinEdit1->setValue(100);
  auto* percent = new QLabel("percent", this);
  percent->setGeometry(275, 362 - 49 + 15, 60, 16);

  connect(DriveComboBox1, &QComboBox::activated, this,
          [this] { SetDirectory(DriveComboBox1->currentText()); });
  connect(DirectoryListBox1, &QTreeView::clicked, this,
          [this](const QModelIndex& i) { SetDirectory(dirs_->filePath(i)); });
  // The chosen file is the selected one: focus alone moves the current row but selects nothing.
  connect(FileListBox1, &QListWidget::itemSelectionChanged, this, [this] { FileListBox1Change(); });
  connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  connect(Cancelbutton, &QPushButton::clicked, this, [this] { done(2); });

  SetDirectory(startDir.isEmpty() ? QDir::currentPath() : startDir);
  FileListBox1->setFocus();
}

void TImageBrowser::SetDirectory(const QString& dir) {
  dir_ = QDir(dir).absolutePath();
  QModelIndex index = dirs_->index(dir_);
  DirectoryListBox1->setCurrentIndex(index);
  DirectoryListBox1->scrollTo(index);
  FillFileList();
}

void TImageBrowser::FillFileList() {
  FileListBox1->clear();
  original_ = QImage();
  SpinEdit1Change();
  QDir dir(dir_);
  QStringList patterns = QString(kMask).split(';');
  dir.setNameFilters(patterns);
  dir.setFilter(QDir::Files);
  dir.setSorting(QDir::Name | QDir::IgnoreCase);
  // Name filters match without regard to case on Linux too.
  for (const QString& name : dir.entryList()) FileListBox1->addItem(name);
}

QString TImageBrowser::SelectedFile() const {
  QList<QListWidgetItem*> items = FileListBox1->selectedItems();
  return items.isEmpty() ? QString() : QDir(dir_).filePath(items.first()->text());
}

void TImageBrowser::FileListBox1Change() {
  QString file = SelectedFile();
  if (file.isEmpty()) return;
  QString error;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool loaded = SmartImage1->LoadFromFile(file, &error);
  QApplication::restoreOverrideCursor();
  original_ = loaded ? SmartImage1->Picture() : QImage();
  {
    QSignalBlocker block(SpinEdit1);
    SpinEdit1->setValue(100);
  }
  SpinEdit1Change();
  if (!loaded) Messenger().ShowMessage("Error loading file!\n" + file.toStdString() + ": " + error.toStdString());
}

void TImageBrowser::SpinEdit1Change() {
  if (original_.isNull()) {
    scaled_ = QImage();
  } else {
    double f = SpinEdit1->value() / 100.0;
    int w = std::max(1, int(std::trunc(original_.width() * f)));
    int h = std::max(1, int(std::trunc(original_.height() * f)));
    scaled_ = f == 1.0 ? original_
                       : original_.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  Image1->setPixmap(QPixmap::fromImage(scaled_));
  Image1->resize(scaled_.size());
}

void TImageBrowser::OKButtonClick() {
  if (!SelectedFile().isEmpty() && !scaled_.isNull()) done(1);
}

}  // namespace quillet
