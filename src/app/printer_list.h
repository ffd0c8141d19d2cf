/** The printers the program offers. */
#pragma once

#include <string>
#include <vector>

namespace quillet {

// A lone printer whose name contains "Rendering" (a driver's helper, not a
// printer) is dropped from the list; any other list is kept as it is.
std::vector<std::string> DropRenderingPrinter(std::vector<std::string> names);

// The program's printer list, set once at start.
std::vector<std::string>& ProgramPrinters();

}  // namespace quillet
