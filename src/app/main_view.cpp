// SPDX-License-Identifier: GPL-3.0-or-later
// The View menu: the page's zoom and the readable line width, the status bar.
#include <app/main_screen.h>

#include <finding/ui/word_count_label.h>

#include <controls/ring_panel.h>
#include <richtext/ui/painted_icon.h>
#include <richtext/ui/qt_platform.h>
#include <richtext/ui/rich_text.h>

#include <QActionGroup>
#include <QGuiApplication>

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

#include <algorithm>

namespace quillet {
namespace {

// Ctrl+wheel over the page zooms it, a step a notch; without Ctrl the wheel scrolls.
class TCtrlWheelZoom : public QObject {
 public:
  TCtrlWheelZoom(QObject* parent, std::function<void(int)> step) : QObject(parent), step_(std::move(step)) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() != QEvent::Wheel) return QObject::eventFilter(watched, event);
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (!(wheel->modifiers() & Qt::ControlModifier)) return false;
    // Touchpads send small deltas: they add up to whole notches.
    pending_ += wheel->angleDelta().y();
    for (; pending_ >= QWheelEvent::DefaultDeltasPerStep; pending_ -= QWheelEvent::DefaultDeltasPerStep) step_(1);
    for (; pending_ <= -QWheelEvent::DefaultDeltasPerStep; pending_ += QWheelEvent::DefaultDeltasPerStep) step_(-1);
    return true;
  }

 private:
  std::function<void(int)> step_;
  int pending_ = 0;
};

}  // namespace

void TMainScreen::BuildViewMenu() {
  // One View menu: the whole-diary commands may have made it already; the
  // page's own items go above theirs.
  QMenu* view = findChild<QMenu*>(QStringLiteral("mnuViewMenu"));
  if (!view) {
    view = new QMenu(QStringLiteral("&View"), this);
    view->setObjectName(QStringLiteral("mnuViewMenu"));
    // After Edit, before Find.
    QAction* before = nullptr;
    if (auto* find = findChild<QMenu*>(QStringLiteral("mnuFindMenu"))) before = find->menuAction();
    menuBar()->insertMenu(before, view);
  }
  QAction* top = view->actions().isEmpty() ? nullptr : view->insertSeparator(view->actions().first());
  auto item = [&](const char* name, const QString& text, auto slot, QList<QKeySequence> keys) {
    auto* a = new QAction(text, view);
    view->insertAction(top, a);
    a->setObjectName(QString::fromLatin1(name));
    a->setShortcuts(keys);
    connect(a, &QAction::triggered, this, slot);
    return a;
  };
  item("mnuZoomIn", QStringLiteral("Zoom &In"), &TMainScreen::ZoomInClick,
       {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
  item("mnuZoomOut", QStringLiteral("Zoom &Out"), &TMainScreen::ZoomOutClick,
       {QKeySequence(Qt::CTRL | Qt::Key_Minus)});
  item("mnuActualSize", QStringLiteral("&Actual Size"), &TMainScreen::ActualSizeClick,
       {QKeySequence(Qt::CTRL | Qt::Key_0)});
  view->insertSeparator(top);
  mnuReadableLineWidth_ = item("mnuReadableLineWidth", QStringLiteral("&Readable Line Width"),
                               &TMainScreen::mnuReadableLineWidthClick, {});
  mnuReadableLineWidth_->setCheckable(true);
  auto* colours = new QMenu(QStringLiteral("&Colours"), view);
  view->insertMenu(top, colours);
  colours->setObjectName(QStringLiteral("mnuColours"));
  auto* group = new QActionGroup(colours);
  const std::pair<const char*, const char*> choices[] = {
      {"mnuFollowDesktop", "&Follow the desktop"}, {"mnuLightPage", "&Light"}, {"mnuDarkPage", "&Dark"}};
  for (const auto& [name, text] : choices) {
    QAction* a = colours->addAction(QString::fromUtf8(text));
    a->setObjectName(QString::fromLatin1(name));
    a->setCheckable(true);
    group->addAction(a);
    const int choice = int(mnuColours_.size());
    connect(a, &QAction::triggered, this, [this, choice] { SetPageColours(choice); });
    mnuColours_.push_back(a);
  }
  mnuStatusBar_ = item("mnuStatusBar", QStringLiteral("Status &Bar"), &TMainScreen::mnuStatusBarClick, {});
  mnuStatusBar_->setCheckable(true);
  richText1_->viewport()->installEventFilter(
      new TCtrlWheelZoom(this, [this](int steps) { SetZoom(Zoom() + steps * kZoomStep); }));
}

void TMainScreen::ApplyView() {
  richText1_->SetZooming(prefs_.zoomPercent);
  mnuReadableLineWidth_->setChecked(prefs_.readableLineWidth);
  mnuStatusBar_->setChecked(prefs_.statusBar);
  statusBar()->setVisible(prefs_.statusBar);
  ApplyPageColours();
  // The date heading spans the page's text area; the editor takes its column of it.
  const QRect area = dateLabel_->geometry();
  const auto [left, width] = TextColumn(area.left(), area.width());
  const QRect editor = richText1_->geometry();
  richText1_->setGeometry(left, editor.top(), width, editor.height());
}

void TMainScreen::ZoomInClick() { SetZoom(Zoom() + kZoomStep); }
void TMainScreen::ZoomOutClick() { SetZoom(Zoom() - kZoomStep); }
void TMainScreen::ActualSizeClick() { SetZoom(100); }

void TMainScreen::SetZoom(int percent) {
  percent = std::clamp(percent, TPreferences::kZoomMin, TPreferences::kZoomMax);
  if (percent == prefs_.zoomPercent && richText1_->Zooming() == percent) return;
  prefs_.zoomPercent = percent;
  ApplyView();
  richText1_->EnsureCaretVisible();
  SavePreferences();
}

void TMainScreen::mnuReadableLineWidthClick() {
  prefs_.readableLineWidth = mnuReadableLineWidth_->isChecked();
  ApplyView();
  SavePreferences();
}

void TMainScreen::BuildStatusBar() {
  wordCount_ = new TWordCountLabel(richText1_, statusBar());
  // A long count is cut off at the window's edge rather than widening the window.
  wordCount_->setMinimumWidth(1);
  statusBar()->addWidget(wordCount_, 1);
}

void TMainScreen::mnuStatusBarClick() {
  prefs_.statusBar = mnuStatusBar_->isChecked();
  statusBar()->setVisible(prefs_.statusBar);
  SavePreferences();
}

bool TMainScreen::PageIsDark() const {
  if (prefs_.pageColours != TPreferences::kFollowDesktop) return prefs_.pageColours == TPreferences::kDarkPage;
  return IsDarkPalette(QGuiApplication::palette());
}

void TMainScreen::SetPageColours(int choice) {
  prefs_.pageColours = std::clamp(choice, int(TPreferences::kFollowDesktop), int(TPreferences::kDarkPage));
  ApplyPageColours();
  SavePreferences();
}

void TMainScreen::ApplyPageColours() {
  if (!richText1_ || !ringPanel_) return;  // a palette change while the window is being built
  if (!mnuColours_.empty()) mnuColours_[size_t(prefs_.pageColours)]->setChecked(true);
  const bool dark = PageIsDark();
  richText1_->SetDarkPage(dark);
  ringPanel_->SetPaperColor(richtext::ToQColor(dark ? richtext::kDarkPaper : 0xFFFFFF));
  // The heading keeps its purple, lightened on dark paper.
  QPalette heading = dateLabel_->palette();
  heading.setColor(QPalette::WindowText, dark ? QColor(214, 160, 214) : QColor(128, 0, 128));
  dateLabel_->setPalette(heading);
}

std::pair<int, int> TMainScreen::TextColumn(int left, int width) const {
  if (!prefs_.readableLineWidth) return {left, width};
  // Average characters of the default font at the page's zoom, with the
  // editor's margins and its scroll bar.
  QFont font(QString::fromStdString(prefs_.defaultFontName));
  font.setPointSizeF(prefs_.defaultFontSize * prefs_.zoomPercent / 100.0);
  const int column = kReadableColumnChars * QFontMetrics(font).averageCharWidth() + 8 +
                     richText1_->verticalScrollBar()->sizeHint().width();
  if (width <= column) return {left, width};
  return {left + (width - column) / 2, column};
}

}  // namespace quillet
