// SPDX-License-Identifier: GPL-3.0-or-later
/** TIconListBox: a grid of the icons of one icon file, from which icons are dragged. */
#pragma once

#include <decoration/icon_file.h>

#include <QListWidget>
#include <QPoint>
#include <QString>

#include <optional>
#include <vector>

class QMimeData;

namespace quillet {

// An owner-drawn list of fixed-size cells, one per icon of FileName, in
// columns that scroll sideways. Item i's text is i in decimal; its icon is
// extracted from the file the first time it is drawn (EnableCaching) or all
// at load. Pressing on an icon and moving drags it out as a picture.
class TIconListBox : public QListWidget {
  Q_OBJECT
 public:
  explicit TIconListBox(QWidget* parent = nullptr);

  QString Version() const { return QStringLiteral("TIconListBox v1.10"); }
  void SetVersion(const QString&) {}

  QString FileName() const { return fileName_; }
  // A different name reloads the list; the same one does nothing.
  void SetFileName(const QString& name);
  bool AutoDisable() const { return autoDisable_; }
  void SetAutoDisable(bool on);
  bool EnableCaching() const { return enableCaching_; }
  // Switching caching off loads every icon at once.
  void SetEnableCaching(bool on);
  // -1 while no existing file is loaded.
  int NumberOfIcons() const { return numberOfIcons_; }
  int XIcons() const { return xIcons_; }
  void SetXIcons(int columns);  // below 1: ignored
  int YIcons() const { return yIcons_; }
  void SetYIcons(int rows);     // below 1: ignored

  // The icon of item i, extracted now when caching left it for later; none
  // for an icon that cannot be read.
  const TIconPicture* GetIcon(int i);
  // How many icons have been extracted since the last load.
  int ExtractedCount() const { return extracted_; }

  // Cell size: the system icon size plus 6 each way.
  static int ItemHeight() { return kSystemIconSize + 6; }
  static int ColumnWidth() { return kSystemIconSize + 6; }

  // The data an icon is dragged out with (see icon_drop.h); null when item i has no icon.
  QMimeData* DragData(int i);

 signals:
  void OnFileChange();

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  friend class TIconCellDelegate;
  void LoadList();
  void Resize();
  const TIconPicture* Extract(int i);

  QString fileName_;
  bool autoDisable_ = true;
  bool enableCaching_ = true;
  int numberOfIcons_ = -1;
  int xIcons_ = 4;
  int yIcons_ = 1;
  TIconFile file_;
  std::vector<std::optional<TIconPicture>> icons_;  // by item; empty optional: not extracted
  std::vector<bool> tried_;
  int extracted_ = 0;
  QPoint pressAt_;
  int pressedItem_ = -1;
};

}  // namespace quillet
