// SPDX-License-Identifier: GPL-3.0-or-later
// The calendar as screen readers see it: a table of 7 x 7 cells, the weekday
// names as column headers and every day named by its whole date.
#include <finding/ui/calendar_with_glyphs.h>

#include <diary/dates.h>
#include <richtext/ui/accessible_factory.h>

#include <QAccessibleWidget>
#include <QPointer>

#include <array>

namespace quillet {
namespace {

constexpr int kCells = 49;

class TCalendarCellAccessible : public QAccessibleInterface {
 public:
  TCalendarCellAccessible(TCalendarWithGlyphs* grid, int col, int row) : grid_(grid), col_(col), row_(row) {}

  bool isValid() const override { return !grid_.isNull(); }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
  QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(grid_.data()); }
  QAccessibleInterface* child(int) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface*) const override { return -1; }
  QAccessibleInterface* childAt(int, int) const override { return nullptr; }
  QAccessibleInterface* focusChild() const override { return nullptr; }
  void setText(QAccessible::Text, const QString&) override {}

  QString text(QAccessible::Text kind) const override {
    if (kind != QAccessible::Name || !grid_) return {};
    const QString cell = grid_->CellText(col_, row_);
    if (row_ == 0 || cell.isEmpty()) return cell;
    return QString::fromStdString(LongDate(MakeDate(grid_->Year(), unsigned(grid_->Month()), cell.toUInt())));
  }
  QRect rect() const override {
    if (!grid_) return {};
    QRect r = grid_->CellRect(col_, row_);
    return QRect(grid_->mapToGlobal(r.topLeft()), r.size());
  }
  QAccessible::Role role() const override { return row_ == 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }
  QAccessible::State state() const override {
    QAccessible::State s;
    if (!grid_) return s;
    const bool day = row_ > 0 && !grid_->CellText(col_, row_).isEmpty();
    s.selectable = day;
    s.selected = day && grid_->CellText(col_, row_).toInt() == grid_->Day();
    s.focused = s.selected && grid_->hasFocus();
    s.invisible = !grid_->isVisible();
    return s;
  }

 private:
  QPointer<TCalendarWithGlyphs> grid_;
  int col_, row_;
};

class TCalendarAccessible : public QAccessibleWidget {
 public:
  explicit TCalendarAccessible(TCalendarWithGlyphs* grid) : QAccessibleWidget(grid, QAccessible::Table) {}
  ~TCalendarAccessible() override {
    for (QAccessible::Id id : ids_) {
      if (id) QAccessible::deleteAccessibleInterface(id);
    }
  }

  int childCount() const override { return kCells; }
  QAccessibleInterface* child(int index) const override {
    if (index < 0 || index >= kCells) return nullptr;
    QAccessible::Id& id = ids_[size_t(index)];
    if (!id) id = QAccessible::registerAccessibleInterface(new TCalendarCellAccessible(Grid(), index % 7, index / 7));
    return QAccessible::accessibleInterface(id);
  }
  int indexOfChild(const QAccessibleInterface* child) const override {
    for (int i = 0; i < kCells; ++i) {
      if (ids_[size_t(i)] && QAccessible::accessibleInterface(ids_[size_t(i)]) == child) return i;
    }
    return -1;
  }
  QAccessibleInterface* childAt(int x, int y) const override {
    const QPoint at = Grid()->mapFromGlobal(QPoint(x, y));
    for (int i = 0; i < kCells; ++i) {
      if (Grid()->CellRect(i % 7, i / 7).contains(at)) return child(i);
    }
    return nullptr;
  }
  QAccessibleInterface* focusChild() const override {
    if (!Grid()->hasFocus()) return nullptr;
    const QPoint cell = Grid()->CellOfDay(Grid()->Day());
    return child(cell.y() * 7 + cell.x());
  }
  QString text(QAccessible::Text kind) const override {
    // The calendar's value is the day it has selected.
    if (kind == QAccessible::Value || (kind == QAccessible::Name && widget()->accessibleName().isEmpty())) {
      return QString::fromStdString(LongDate(MakeDate(Grid()->Year(), unsigned(Grid()->Month()), unsigned(Grid()->Day()))));
    }
    return QAccessibleWidget::text(kind);
  }

 private:
  TCalendarWithGlyphs* Grid() const { return static_cast<TCalendarWithGlyphs*>(widget()); }
  mutable std::array<QAccessible::Id, kCells> ids_{};
};

}  // namespace

void TCalendarWithGlyphs::InstallAccessibility() {
  richtext::InstallAccessibleFactory<TCalendarWithGlyphs, TCalendarAccessible>();
}

void TCalendarWithGlyphs::TellSelectionMoved() {
  // A reader hears the newly selected day, as it would a focused cell.
  if (!hasFocus() || !QAccessible::isActive()) return;
  QAccessibleInterface* grid = QAccessible::queryAccessibleInterface(this);
  if (QAccessibleInterface* cell = grid ? grid->focusChild() : nullptr) {
    QAccessibleEvent event(cell, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
  }
}

}  // namespace quillet
