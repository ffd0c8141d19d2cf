#include <app/printer_list.h>

namespace quillet {

std::vector<std::string> DropRenderingPrinter(std::vector<std::string> names) {
  if (names.size() == 1 && names.front().find("Rendering") != std::string::npos) names.clear();
  return names;
}

std::vector<std::string>& ProgramPrinters() {
  static std::vector<std::string> printers;
  return printers;
}

}  // namespace quillet
