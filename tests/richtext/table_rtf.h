// SPDX-License-Identifier: GPL-3.0-or-later
/** Tables and colours as LibreOffice Writer writes them: a small table typed in its
    form, and the files it made from our own documents (tests/fixtures/rtf/lo-*.rtf). */
#pragma once

#include "../support/temp_dir.h"

#include <string>

namespace richtext::testing {

// The bytes of a file of tests/fixtures/rtf, e.g. "lo-table.rtf".
inline std::string RtfFixture(const std::string& name) {
  return quillet::testing::ReadFile(std::string(QUILLET_FIXTURES) + "/rtf/" + name);
}

// Two rows of three cells: bordered cells, a shaded heading row, a middle
// cell of three lines, and a paragraph after the table.
inline constexpr const char* kLibreOfficeTable =
    "{\\rtf1\\ansi\\deff4\\adeflang1025"
    "{\\fonttbl{\\f0\\froman\\fprq2\\fcharset0 Times New Roman;}{\\f4\\fswiss\\fprq2\\fcharset0 Liberation Sans{\\*\\falt Arial};}}"
    "{\\colortbl;\\red0\\green0\\blue0;\\red0\\green0\\blue255;\\red0\\green255\\blue255;\\red0\\green255\\blue0;"
    "\\red255\\green0\\blue255;\\red255\\green0\\blue0;\\red255\\green255\\blue0;}"
    "\\paperw11906\\paperh16838\\margl1134\\margr1134\\margt1134\\margb1134\\sectd\\sbknone"
    "\\pard\\plain \\s0\\ql\\widctlpar\\ltrpar\\loch\\f4\\fs24 Before the table.\\par "
    "\\trowd\\trql\\trleft0\\ltrrow\\trpaddft3\\trpaddt0\\trpaddfl3\\trpaddl0\\trpaddfb3\\trpaddb0\\trpaddfr3\\trpaddr0"
    "\\clcbpat7\\clbrdrt\\brdrs\\brdrw10\\brdrcf1\\clbrdrl\\brdrs\\brdrw10\\brdrcf1\\clbrdrb\\brdrs\\brdrw10\\brdrcf1\\cellx3212"
    "\\clcbpat7\\clbrdrt\\brdrs\\brdrw10\\brdrcf1\\clbrdrl\\brdrs\\brdrw10\\brdrcf1\\clbrdrb\\brdrs\\brdrw10\\brdrcf1\\cellx6425"
    "\\clcbpat7\\clbrdrt\\brdrs\\brdrw10\\brdrcf1\\clbrdrl\\brdrs\\brdrw10\\brdrcf1\\clbrdrb\\brdrs\\brdrw10\\brdrcf1"
    "\\clbrdrr\\brdrs\\brdrw10\\brdrcf1\\cellx9638"
    "\\pard\\plain \\s20\\intbl\\ql\\widctlpar\\ltrpar\\loch\\f4\\fs24{\\b Name}\\cell"
    "\\pard\\plain \\s20\\intbl\\ql\\widctlpar\\ltrpar\\loch\\f4\\fs24{\\b Place}\\cell"
    "\\pard\\plain \\s20\\intbl\\ql\\widctlpar\\ltrpar\\loch\\f4\\fs24{\\b Time}\\cell\\row"
    "\\trowd\\trql\\trleft0\\ltrrow\\trpaddft3\\trpaddt0\\trpaddfl3\\trpaddl0\\trpaddfb3\\trpaddb0\\trpaddfr3\\trpaddr0"
    "\\clbrdrl\\brdrs\\brdrw10\\brdrcf1\\clbrdrb\\brdrs\\brdrw10\\brdrcf1\\cellx3212"
    "\\clbrdrl\\brdrs\\brdrw10\\brdrcf1\\clbrdrb\\brdrs\\brdrw10\\brdrcf1\\cellx6425"
    "\\clbrdrl\\brdrs\\brdrw10\\brdrcf1\\clbrdrb\\brdrs\\brdrw10\\brdrcf1\\clbrdrr\\brdrs\\brdrw10\\brdrcf1\\cellx9638"
    "\\pard\\plain \\s20\\intbl\\ql\\widctlpar\\ltrpar\\loch\\f4\\fs24 Anna\\cell"
    "\\pard\\plain \\s20\\intbl\\ql\\widctlpar\\ltrpar\\loch\\f4\\fs24 Lisbon\\par Porto\\par Faro\\cell"
    "\\pard\\plain \\s20\\intbl\\ql\\widctlpar\\ltrpar\\loch\\f4\\fs24 June\\cell\\row"
    "\\pard\\plain \\s0\\ql\\widctlpar\\ltrpar\\loch\\f4\\fs24 After the table.}";

}  // namespace richtext::testing
