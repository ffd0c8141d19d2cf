// SPDX-License-Identifier: GPL-3.0-or-later
#include <finding/printer_list.h>

#include <optional>

namespace quillet {
namespace {

std::function<std::vector<std::string>()> printerSource;
std::optional<std::vector<std::string>> printers;

}  // namespace

std::vector<std::string> DropRenderingPrinter(std::vector<std::string> names) {
  if (names.size() == 1 && names.front().find("Rendering") != std::string::npos) names.clear();
  return names;
}

void SetPrinterSource(std::function<std::vector<std::string>()> source) {
  printerSource = std::move(source);
  printers.reset();
}

const std::vector<std::string>& ProgramPrinters() {
  if (!printers) {
    std::vector<std::string> names;
    try {
      if (printerSource) names = printerSource();
    } catch (...) {
      names.clear();  // no printers rather than no program
    }
    printers = DropRenderingPrinter(std::move(names));
  }
  return *printers;
}

}  // namespace quillet
