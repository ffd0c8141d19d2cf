#include <app/ui/main_screen.h>

#include <app/dates.h>

#include <QLabel>

#include <gtest/gtest.h>

namespace quillet {
namespace {

TEST(MainScreen, ShowsTodayUnderTheProgramName) {
  TMainScreen window;
  window.show();
  EXPECT_EQ(window.windowTitle(), "Quillet");
  EXPECT_EQ(window.DateLabel()->text().toStdString(), LongDate(Today()));
}

}  // namespace
}  // namespace quillet
