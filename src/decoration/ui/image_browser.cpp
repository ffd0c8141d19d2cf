// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/image_browser.h>

#include <base/messages.h>
#include <decoration/ui/smart_image.h>

#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

#include <cmath>

namespace quillet {

const char* const TImageBrowser::kMask =
    "*.BMP;*.DIB;*.JPG;*.JIF;*.JPEG;*.PCX;*.RLE;*.TGA;*.ICO;*.PNG;*.GIF;*.WEBP";

TImageBrowser::TImageBrowser(QWidget* parent, const QString& startDir) : QDialog(parent) {
  setWindowTitle("Load Image File  ");
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
  QFont f("Arial");
  f.setPixelSize(11);
  setFont(f);

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  layout->addLayout(top, 1);
  auto* left = new QVBoxLayout;
  top->addLayout(left);

  DriveComboBox1 = new QComboBox(this);
  DriveComboBox1->setObjectName("DriveComboBox1");
  DriveComboBox1->addItems({"/", QDir::homePath()});
  const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
  if (!pictures.isEmpty() && QDir(pictures).exists()) DriveComboBox1->addItem(pictures);
  left->addWidget(DriveComboBox1);

  // The folder shown, as a path that can also be typed.
  auto* pathRow = new QHBoxLayout;
  DirectoryEdit = new QLineEdit(this);
  DirectoryEdit->setObjectName("DirectoryEdit");
  auto* pathLabel = new QLabel("F&older", this);
  pathLabel->setBuddy(DirectoryEdit);
  pathRow->addWidget(pathLabel);
  pathRow->addWidget(DirectoryEdit, 1);
  left->addLayout(pathRow);

  dirs_ = new QFileSystemModel(this);
  dirs_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
  dirs_->setRootPath("/");
  DirectoryListBox1 = new QTreeView(this);
  DirectoryListBox1->setObjectName("DirectoryListBox1");
  DirectoryListBox1->setModel(dirs_);
  for (int c = 1; c < dirs_->columnCount(); ++c) DirectoryListBox1->hideColumn(c);
  DirectoryListBox1->setHeaderHidden(true);
  DirectoryListBox1->setMinimumSize(259, 113);
  left->addWidget(DirectoryListBox1, 1);
  auto* filesLabel = new QLabel("&Files", this);
  FileListBox1 = new QListWidget(this);
  FileListBox1->setObjectName("FileListBox1");
  FileListBox1->setMinimumSize(259, 133);
  filesLabel->setBuddy(FileListBox1);
  left->addWidget(filesLabel);
  left->addWidget(FileListBox1, 1);
  auto* mask = new QLabel("*.BMP;*.DIB;*.JPG;*.PCX;*.RLE;*.TGA;*.ICO;*.PNG;*.GIF;*.WEBP", this);
  mask->setWordWrap(true);
  left->addWidget(mask);

  auto* panel1 = new QFrame(this);
  panel1->setFrameStyle(QFrame::Box | QFrame::Plain);
  panel1->setMinimumSize(292, 294);
  Image1 = new QLabel(panel1);
  Image1->move(7, 6);
  top->addWidget(panel1, 1);
  SmartImage1 = new TSmartImage(this);
  SmartImage1->hide();

  auto* bottom = new QHBoxLayout;
  OKButton = new QPushButton("Ok", this);
  OKButton->setObjectName("OKButton");
  OKButton->setDefault(true);
  Cancelbutton = new QPushButton("Cancel", this);
  Cancelbutton->setObjectName("Cancelbutton");
  for (QPushButton* b : {OKButton, Cancelbutton}) {
    b->setMinimumSize(78, 27);
    bottom->addWidget(b);
  }
  SpinEdit1 = new QSpinBox(this);
  SpinEdit1->setObjectName("SpinEdit1");
  SpinEdit1->setRange(25, 200);
  SpinEdit1->setSingleStep(5);
  SpinEdit1->setValue(100);
  auto* percent = new QLabel("percent", this);
  percent->setBuddy(SpinEdit1);
  bottom->addSpacing(24);
  bottom->addWidget(SpinEdit1);
  bottom->addWidget(percent);
  bottom->addStretch();
  layout->addLayout(bottom);
  resize(579, 362);

  connect(DriveComboBox1, &QComboBox::activated, this,
          [this] { SetDirectory(DriveComboBox1->currentText()); });
  connect(DirectoryEdit, &QLineEdit::returnPressed, this, [this] { DirectoryEditEnter(); });
  // The folder is the tree's current one, however it became current: a
  // click, the arrow keys, the accessibility bus.
  connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& i) {
            if (i.isValid() && !followingTree_) SetDirectory(dirs_->filePath(i));
          });
  // The model reads folders in the background: once the way to the folder
  // is read, the tree shows it again rather than its top.
  connect(dirs_, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
    if (dir_ == loaded || dir_.startsWith(loaded.endsWith('/') ? loaded : loaded + '/')) {
      // The model sorts the rows it read just after saying so.
      QTimer::singleShot(0, this, [this] { ShowInTree(); });
    }
  });
  // The chosen file is the selected one: focus alone moves the current row but selects nothing.
  connect(FileListBox1, &QListWidget::itemSelectionChanged, this, [this] { FileListBox1Change(); });
  FileListBox1->installEventFilter(this);
  connect(SpinEdit1, &QSpinBox::valueChanged, this, [this] { SpinEdit1Change(); });
  connect(OKButton, &QPushButton::clicked, this, [this] { OKButtonClick(); });
  connect(Cancelbutton, &QPushButton::clicked, this, [this] { done(2); });

  SetDirectory(startDir.isEmpty() ? QDir::currentPath() : startDir);
  FileListBox1->setFocus();
}

bool TImageBrowser::eventFilter(QObject* watched, QEvent* event) {
  if (watched != FileListBox1 || event->type() != QEvent::KeyPress || movingInFiles_) {
    return QDialog::eventFilter(watched, event);
  }
  switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Home: case Qt::Key_End: case Qt::Key_Up: case Qt::Key_Down:
    case Qt::Key_PageUp: case Qt::Key_PageDown: {
      // A key that lands on the row focus had made current (Home on the
      // first) moves nothing, so it would choose nothing: the file the keys
      // land on is chosen.
      movingInFiles_ = true;
      QCoreApplication::sendEvent(FileListBox1, event);
      movingInFiles_ = false;
      if (QListWidgetItem* item = FileListBox1->currentItem(); item && !item->isSelected()) item->setSelected(true);
      return true;
    }
    default:
      return QDialog::eventFilter(watched, event);
  }
}

void TImageBrowser::SetDirectory(const QString& dir) {
  const QString path = QDir(dir).absolutePath();
  if (path == dir_) return;
  dir_ = path;
  DirectoryEdit->setText(QDir::toNativeSeparators(dir_));
  // The place the folder lies in: the longest of them that holds it.
  int place = 0;
  for (int i = 1; i < DriveComboBox1->count(); ++i) {
    const QString p = DriveComboBox1->itemText(i);
    if ((dir_ == p || dir_.startsWith(p + '/')) && p.size() > DriveComboBox1->itemText(place).size()) place = i;
  }
  DriveComboBox1->setCurrentIndex(place);
  ShowInTree();
  FillFileList();
}

void TImageBrowser::ShowInTree() {
  const QModelIndex index = dirs_->index(dir_);
  if (!index.isValid()) return;
  followingTree_ = true;
  DirectoryListBox1->setCurrentIndex(index);
  DirectoryListBox1->expand(index);
  DirectoryListBox1->scrollTo(index, QAbstractItemView::PositionAtCenter);
  followingTree_ = false;
}

void TImageBrowser::DirectoryEditEnter() {
  const QString typed = QDir::fromNativeSeparators(DirectoryEdit->text().trimmed());
  QString path = typed;
  if (path == "~" || path.startsWith("~/")) path = QDir::homePath() + path.mid(1);
  const QFileInfo info(QDir(dir_).absoluteFilePath(path));  // a relative path from the folder shown
  if (!info.isDir()) {
    // The typed text stays for the user to correct.
    Messenger().ShowMessage("There is no folder " + typed.toStdString());
    return;
  }
  SetDirectory(info.absoluteFilePath());
  FileListBox1->setFocus();
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
