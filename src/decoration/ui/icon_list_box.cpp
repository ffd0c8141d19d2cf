// SPDX-License-Identifier: GPL-3.0-or-later
#include <decoration/ui/icon_list_box.h>

#include <decoration/icon_qimage.h>
#include <decoration/ui/icon_drop.h>

#include <QApplication>
#include <QDrag>
#include <QGuiApplication>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEngine>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

#include <algorithm>
#include <filesystem>

namespace quillet {

// Draws a cell: the highlight or the list's colour, then the icon centred.
// A failure while drawing leaves the cell blank.
class TIconCellDelegate : public QStyledItemDelegate {
 public:
  explicit TIconCellDelegate(TIconListBox* list) : QStyledItemDelegate(list), list_(list) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    painter->fillRect(option.rect, selected ? option.palette.highlight() : option.palette.base());
    try {
      const TIconPicture* icon = list_->GetIcon(index.row());
      if (!icon) return;
      const QRect target(option.rect.left() + (option.rect.width() - icon->icon.width) / 2,
                         option.rect.top() + (option.rect.height() - icon->icon.height) / 2, icon->icon.width,
                         icon->icon.height);
      // On a dense screen the largest image, drawn into the same cell, stays
      // sharp. The density is the target's (the backing store, or the image
      // a render goes to), which the widget itself may not know.
      qreal density = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
      if (painter->paintEngine() && painter->paintEngine()->paintDevice())
        density = std::max(density, painter->paintEngine()->paintDevice()->devicePixelRatioF());
      const bool dense = density > 1.0 && icon->largest.width > icon->icon.width;
      painter->setRenderHint(QPainter::SmoothPixmapTransform);
      painter->drawImage(target, ToQImage(dense ? icon->largest : icon->icon));
    } catch (const std::exception&) {
    }
  }

  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return {TIconListBox::ColumnWidth(), TIconListBox::ItemHeight()};
  }

 private:
  TIconListBox* list_;
};

TIconListBox::TIconListBox(QWidget* parent) : QListWidget(parent) {
  setItemDelegate(new TIconCellDelegate(this));
  setFlow(QListView::TopToBottom);
  setWrapping(true);
  setResizeMode(QListView::Adjust);
  setUniformItemSizes(true);
  setGridSize({ColumnWidth(), ItemHeight()});
  setSelectionMode(QAbstractItemView::SingleSelection);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  QFont arial(QStringLiteral("Arial"));
  arial.setPixelSize(ItemHeight());
  setFont(arial);
  setEnabled(false);  // no file yet
  Resize();
}

void TIconListBox::SetFileName(const QString& name) {
  if (name == fileName_) return;
  fileName_ = name;
  LoadList();
}

void TIconListBox::SetAutoDisable(bool on) {
  autoDisable_ = on;
  std::error_code ec;
  setEnabled(!autoDisable_ || std::filesystem::is_regular_file(fileName_.toStdString(), ec));
}

void TIconListBox::SetEnableCaching(bool on) {
  if (on == enableCaching_) return;
  enableCaching_ = on;
  if (!on) LoadList();
}

void TIconListBox::SetXIcons(int columns) {
  if (columns < 1) return;
  xIcons_ = columns;
  Resize();
}

void TIconListBox::SetYIcons(int rows) {
  if (rows < 1) return;
  yIcons_ = rows;
  Resize();
}

// Room for the columns and rows asked for, with a horizontal scroll bar's
// height when the width falls short of the columns.
void TIconListBox::Resize() {
  const int wanted = ColumnWidth() * xIcons_ + 2;
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int height = width() < wanted ? ItemHeight() * yIcons_ + scrollBar + 1 : ItemHeight() * yIcons_ + 3;
  resize(wanted, height);
}

void TIconListBox::LoadList() {
  icons_.clear();
  tried_.clear();
  extracted_ = 0;
  numberOfIcons_ = -1;
  clear();
  std::error_code ec;
  const bool exists = !fileName_.isEmpty() && std::filesystem::is_regular_file(fileName_.toStdString(), ec);
  setEnabled(!autoDisable_ || exists);
  if (exists) {
    if (!enableCaching_) QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    file_ = TIconFile::FromFile(fileName_.toStdString());
    numberOfIcons_ = file_.Count();
    icons_.resize(numberOfIcons_);
    tried_.assign(numberOfIcons_, false);
    for (int i = 0; i < numberOfIcons_; ++i) {
      addItem(QString::number(i));
      if (!enableCaching_) Extract(i);
    }
    setCurrentRow(0);
    if (!enableCaching_) QGuiApplication::restoreOverrideCursor();
  } else {
    file_ = TIconFile();
  }
  emit OnFileChange();
}

const TIconPicture* TIconListBox::Extract(int i) {
  if (i < 0 || i >= static_cast<int>(icons_.size())) return nullptr;
  if (!tried_[i]) {
    tried_[i] = true;
    ++extracted_;
    icons_[i] = file_.Icon(i);
  }
  return icons_[i] ? &*icons_[i] : nullptr;
}

const TIconPicture* TIconListBox::GetIcon(int i) {
  if (i < 0 || i >= static_cast<int>(icons_.size())) return nullptr;
  // Without caching only what the load extracted is there.
  if (!enableCaching_ && !tried_[i]) return nullptr;
  return Extract(i);
}

QMimeData* TIconListBox::DragData(int i) {
  const TIconPicture* icon = GetIcon(i);
  if (!icon) return nullptr;
  return IconMimeData(*icon, fileName_, i);
}

void TIconListBox::mousePressEvent(QMouseEvent* event) {
  QListWidget::mousePressEvent(event);
  pressAt_ = event->position().toPoint();
  const QModelIndex index = indexAt(pressAt_);
  pressedItem_ = event->button() == Qt::LeftButton && index.isValid() ? index.row() : -1;
}

void TIconListBox::mouseMoveEvent(QMouseEvent* event) {
  if (pressedItem_ < 0 || !(event->buttons() & Qt::LeftButton) ||
      (event->position().toPoint() - pressAt_).manhattanLength() < QApplication::startDragDistance()) {
    return;
  }
  const int item = pressedItem_;
  pressedItem_ = -1;
  QMimeData* data = DragData(item);
  if (!data) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  drag->setPixmap(QPixmap::fromImage(ToQImage(GetIcon(item)->icon)));
  drag->setHotSpot({kSystemIconSize / 2, kSystemIconSize / 2});
  drag->exec(Qt::CopyAction);
}

}  // namespace quillet
