// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/printer_list.h>

#include <gtest/gtest.h>

#include <stdexcept>

namespace quillet {
namespace {

TEST(Printers, DropsALoneRenderingPrinter) {
  using V = std::vector<std::string>;
  EXPECT_EQ(DropRenderingPrinter({"PDF Rendering Helper"}), V{});
  EXPECT_EQ(DropRenderingPrinter({"rendering"}), V{"rendering"});
  EXPECT_EQ(DropRenderingPrinter({"Rendering", "Laser"}), (V{"Rendering", "Laser"}));
  // The print system is asked once, when a printer is first needed.
  int asked = 0;
  SetPrinterSource([&] {
    ++asked;
    return V{"Rendering Helper"};
  });
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(ProgramPrinters(), V{});
  EXPECT_EQ(ProgramPrinters(), V{});
  EXPECT_EQ(asked, 1);
  SetPrinterSource([]() -> V { throw std::runtime_error("no print system"); });
  EXPECT_EQ(ProgramPrinters(), V{});
  SetPrinterSource({});
}

}  // namespace
}  // namespace quillet
