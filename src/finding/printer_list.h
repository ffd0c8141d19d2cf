// SPDX-License-Identifier: GPL-3.0-or-later
/** The printers the program offers. */
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace quillet {

// A lone printer whose name contains "Rendering" (a driver's helper, not a
// printer) is dropped from the list; any other list is kept as it is.
std::vector<std::string> DropRenderingPrinter(std::vector<std::string> names);

// Where the installed printers come from; set once at start. Asking the
// print system is slow, so it is asked only when a printer is first needed.
void SetPrinterSource(std::function<std::vector<std::string>()> source);

// The program's printer list: the installed printers after the rule above,
// fetched on first use. A source that fails gives an empty list.
const std::vector<std::string>& ProgramPrinters();

}  // namespace quillet
