#include <app/ui/main_screen.h>

#include <app/dates.h>

#include <QLabel>

namespace quillet {

TMainScreen::TMainScreen(QWidget* parent) : QMainWindow(parent) {
  setWindowTitle(QStringLiteral("Quillet"));
  dateLabel_ = new QLabel(QString::fromStdString(LongDate(Today())), this);
  dateLabel_->setObjectName(QStringLiteral("DateLabel"));
  dateLabel_->setAlignment(Qt::AlignCenter);
  setCentralWidget(dateLabel_);
  resize(622, 402);
}

}  // namespace quillet
